#!/usr/bin/env bash
# Whole-process CPU time of `tamrix test` on a 64 MiB cabinet against a streaming zlib gunzip of the
# same content made by gzip -6, for MSZIP, LZX (window 2^21) and Quantum (window 2^21), the same for
# a stored cabinet (the cost of everything but decoding), and the peak memory of `tamrix test` on
# the LZX cabinet. Not a test: run it by hand after building host.
#   bench/cab/whole_process.sh [-n RUNS] [-t TAR] [WORK-FOLDER]
# Without -t the mix is made from this machine's files: the first 64 MiB of a tar of text from
# /usr/share and binaries from /usr/bin and /usr/lib, taken in sorted order, with fixed metadata.
set -euo pipefail
runs=5
tar_given=
while getopts n:t: option; do
  case $option in
    n) runs=$OPTARG ;;
    t) tar_given=$(realpath "$OPTARG") ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
cd "$(dirname "$0")/../.."
tool=$PWD/build/host/tools/tamrix
gunzip=$PWD/build/host/bench/cab/zlib_gunzip
work=${1:-$PWD/build/bench-whole}
for program in "$tool" "$gunzip"; do
  [ -x "$program" ] || { echo "build $program first (cmake --build --preset host)"; exit 1; }
done
mkdir -p "$work"
mix=$work/mix.tar
size=$((64 * 1024 * 1024))

# Appends regular files from the listing on stdin to the list in $1 until they hold $2 bytes.
pick() {
  local list=$1 limit=$2 total=0 bytes
  while IFS= read -r file; do
    [ -f "$file" ] && [ ! -L "$file" ] && [ -r "$file" ] || continue
    bytes=$(stat -c %s "$file")
    ((bytes > 0 && bytes < 8 * 1024 * 1024)) || continue
    echo "$file" >>"$list"
    total=$((total + bytes))
    ((total < limit)) || break
  done
}

# The mix is made under a temporary name and kept only when it differs, so that the cabinets
# and the .gz are remade only when their content changes.
if [ -n "$tar_given" ]; then
  cp "$tar_given" "$mix.new"
else
  rm -f "$work/files.list"
  # Listings go to files first: pick stops reading early, which would break a pipe.
  LC_ALL=C find /usr/share/doc /usr/share/perl* /usr/share/common-licenses /usr/share/cmake* \
    /usr/include -type f ! -name '*.gz' 2>/dev/null | LC_ALL=C sort >"$work/text.list" || true
  LC_ALL=C find /usr/bin /usr/lib/x86_64-linux-gnu /usr/lib/gcc -type f 2>/dev/null \
    | LC_ALL=C sort >"$work/bin.list" || true
  pick "$work/files.list" $((size / 2 + size / 32)) <"$work/text.list"
  pick "$work/files.list" $((size / 2 + size / 32)) <"$work/bin.list"
  tar -c -f "$mix.new" --no-recursion --format=gnu --mtime=@0 --owner=0 --group=0 \
    --numeric-owner --mode=go-w -T "$work/files.list" 2>/dev/null
  truncate -s $size "$mix.new"
fi
if cmp -s "$mix.new" "$mix"; then rm "$mix.new"; else mv "$mix.new" "$mix"; fi
echo "mix: $(stat -c %s "$mix") bytes, sha256 $(sha256sum "$mix" | cut -c1-16)"
[ "$mix.gz" -nt "$mix" ] || gzip -6 -n -c "$mix" >"$mix.gz"
for method in none mszip lzx:21 quantum:21; do
  cabinet=$work/${method%%:*}.cab
  [ "$cabinet" -nt "$mix" ] || "$tool" cab -q -o "$cabinet" --compress "$method" "$mix"
done

echo "load: $(uptime | sed 's/.*load average: //')"
# Each run of `tamrix test` is followed by one of the reference, so that both see the same load.
/usr/bin/python3 - "$runs" "$tool" "$gunzip" "$work" <<'PY'
import os, statistics, subprocess, sys
runs, tool, gunzip, work = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]

def cpu_seconds(command):
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit("failed: " + " ".join(command))
    return usage.ru_utime + usage.ru_stime

print(f"medians of {runs} runs, user+sys CPU time")
print(f"{'method':<10} {'tamrix test':>12} {'zlib gunzip':>12} {'ratio':>7} {'target':>7}")
for name, target in (("mszip", 0.45), ("lzx", 0.45), ("quantum", 2.2)):
    ours, reference = [], []
    for _ in range(runs):
        ours.append(cpu_seconds([tool, "test", f"{work}/{name}.cab"]))
        reference.append(cpu_seconds([gunzip, f"{work}/mix.tar.gz"]))
    a, b = statistics.median(ours), statistics.median(reference)
    print(f"{name:<10} {a:>10.3f} s {b:>10.3f} s {a / b:>6.2f}x {target:>6.2f}x")
# A stored cabinet of the same mix: what reading, checking and handing on the data costs alone.
floor = statistics.median(cpu_seconds([tool, "test", f"{work}/none.cab"]) for _ in range(runs))
print(f"{'none':<10} {floor:>10.3f} s   (no codec: the engine and the I/O alone)")
PY

# The peak needs GNU time: a child forked from Python would count Python's own pages.
if [ -x /usr/bin/time ]; then
  peak=$(/usr/bin/time -f %M "$tool" test "$work/lzx.cab" 2>&1 >/dev/null | tail -1)
  echo "peak RSS of tamrix test on the LZX cabinet: $peak KiB (target <= 8192 KiB)"
else
  echo "peak RSS: needs GNU time (/usr/bin/time)"
fi
