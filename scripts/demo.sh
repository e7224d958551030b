#!/usr/bin/env bash
# The main job: builds the stub and the host tool, packs the sample folder into a package with the
# built stub, runs the package's flow with scripted answers (printing the transcript), and shows
# what came out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
# The build takes minutes on a slow machine: a line for each step of its percentage is shown
# ("[ 42%] Building ..."), the whole output kept in a log that is printed when the build fails.
for preset in win32 host; do
  log="build/$preset-build.log"
  echo "== building $preset (log: $log)"
  mkdir -p build
  cmake --preset "$preset" >"$log" 2>&1 || { cat "$log"; exit 1; }
  set +e
  cmake --build --preset "$preset" -j"$(nproc)" 2>&1 | tee -a "$log" |
    awk 'match($0, /^\[ *[0-9]+%\]/) { p = substr($0, RSTART, RLENGTH)
         if (p != last) { print "   " $0; fflush(); last = p } }'
  status=${PIPESTATUS[0]}
  set -e
  [ "$status" -eq 0 ] || { echo "== the $preset build failed:"; tail -n 40 "$log"; exit 1; }
done
tool=build/host/tools/tamrix
stub=build/win32/app/tamrix-stub.exe
out=$PWD/build/demo
rm -rf "$out" && mkdir -p "$out"
# The stub sees Linux paths through drive Z:, the POSIX root.
destination="Z:${out//\//\\}\\extracted"

compress=lzx:21
"$tool" pack --stub "$stub" -o "$out/demo.exe" --compress "$compress" -q \
  --caption "tamrix demo" --question "Unpack the tamrix demo files?" \
  --destination "$destination" --auto-confirm scripts/demo/sample
echo "== packed scripts/demo/sample with $compress"
"$tool" info "$out/demo.exe"
echo "== tamrix test"
"$tool" test "$out/demo.exe"

echo "== tamrix run (answers: Yes to the question, OK in the destination dialog)"
printf 'yes\nok\n' >"$out/answers.txt"
"$tool" run --ui "script:$out/answers.txt" "$out/demo.exe"

echo "== what came out"
"$tool" list "$out/demo.exe"
(cd "$out/extracted" && find . -type f | LC_ALL=C sort | xargs ls -l --time-style=+%Y-%m-%d)
diff -r scripts/demo/sample "$out/extracted" && echo "the extracted files equal the sample folder"
