#!/usr/bin/env bash
# Packs 64 MiB of mixed data (text from /usr/share, binaries from /usr/lib, taken in sorted order)
# with LZX (window 2^21) and with MSZIP, extracts each package again, and prints time, peak
# memory and size for every step. Not a test: run it by hand after building host and win32.
#   bench/pack/measure_pack.sh [WORK-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/../.."
tool=$PWD/build/host/tools/tamrix
stub=$PWD/build/win32/app/tamrix-stub.exe
work=${1:-$PWD/build/bench-pack}
half=$((32 * 1024 * 1024))
[ -x "$tool" ] || { echo "build the host tool first (cmake --build --preset host)"; exit 1; }
[ -f "$stub" ] || { echo "build the stub first (cmake --build --preset win32)"; exit 1; }

# Copies regular files from the listing on stdin into $1 until $2 bytes are there; numbered
# names keep the set independent of odd file names.
gather() {
  local into=$1 limit=$2 total=0 n=0 size
  mkdir -p "$into"
  while IFS= read -r file; do
    [ -r "$file" ] || continue
    size=$(stat -c %s "$file")
    ((size > 0 && size < 4 * 1024 * 1024)) || continue
    ((total + size <= limit)) || size=$((limit - total))
    n=$((n + 1))
    head -c "$size" "$file" >"$into/$(printf '%05d' "$n").dat"
    total=$((total + size))
    ((total < limit)) || break
  done
}

rm -rf "$work" && mkdir -p "$work"
# Listings go to files first: gather stops reading early, which would break a pipe.
LC_ALL=C find /usr/share/doc /usr/share/perl /usr/share/X11 /usr/share/common-licenses \
  /usr/share/cmake* -type f ! -name '*.gz' 2>/dev/null | LC_ALL=C sort >"$work/text.list" || true
LC_ALL=C find /usr/lib/x86_64-linux-gnu /usr/lib/gcc -type f -name '*.so*' 2>/dev/null \
  | LC_ALL=C sort >"$work/bin.list" || true
gather "$work/data/text" $half <"$work/text.list"
gather "$work/data/bin" $half <"$work/bin.list"
input=$(du -sb "$work/data" | cut -f1)
echo "input: $input bytes in $(find "$work/data" -type f | wc -l) files"

measure() {  # label, command...: wall time and peak memory from GNU time
  local label=$1
  shift
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "$label: %e s wall, %U s user, %M KiB peak" "$@" >/dev/null
  else
    local start=$(date +%s.%N)
    "$@" >/dev/null
    echo "$label: $(echo "$(date +%s.%N) - $start" | bc) s wall"
  fi
}

for compress in mszip lzx:21; do
  package=$work/${compress%%:*}.exe
  if ! measure "pack    $compress" "$tool" pack --stub "$stub" -o "$package" --compress "$compress" \
      "$work/data"; then
    echo "pack $compress: not available"
    continue
  fi
  rm -rf "$work/out"
  measure "extract $compress" "$tool" extract -q -d "$work/out" "$package"
  diff -r "$work/data" "$work/out" >/dev/null && same=identical || same=DIFFERENT
  size=$(stat -c %s "$package")
  echo "size    $compress: $size bytes ($((size * 100 / input))% of the input), extracted files $same"
done
