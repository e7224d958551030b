#!/usr/bin/env bash
# The main job: builds the stub and the host tool, makes a demo package from the built stub and
# shows its layout.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
for preset in win32 host; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$(nproc)" >/dev/null
done
out=build/demo
rm -rf "$out" && mkdir -p "$out"
python3 scripts/make_demo_package.py build/win32/app/tamrix-stub.exe "$out/demo.exe"
build/host/tools/tamrix info "$out/demo.exe"
