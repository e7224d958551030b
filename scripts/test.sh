#!/usr/bin/env bash
# Builds the stub (win32), the host tool, the sanitizer and fuzz builds, and runs every suite.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install_deps.sh

echo "== format"
scripts/check_format.sh

# host32 builds only the codecs, the engine, their tests and the codec benchmarks, as 32-bit code.
for preset in win32 host asan fuzz host32; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done

export TAMRIX_STUB="$PWD/build/win32/app/tamrix-stub.exe"
for preset in host asan host32; do
  echo "== test $preset"
  ctest --preset "$preset" -j"$jobs"
done

echo "== fuzz smoke runs"
scripts/fuzz_smoke.sh 20

corpus=../shared/corpus
if [ -d "$corpus/public" ]; then
  echo "== acceptance corpus"
  python3 "$corpus/check_corpus.py" --corpus "$corpus/public" \
    --extract "$PWD/build/host/tools/tamrix extract -q -d {out} {cab}"
else
  echo "== acceptance corpus skipped: $(cd .. && pwd)/shared/corpus/public is not there"
fi
echo "== all tests passed"
