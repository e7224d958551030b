#!/usr/bin/env bash
# cmake --install into a fresh prefix: the tool, its man page and the stub land where they belong,
# and the installed `tamrix pack` finds the installed stub without --stub.
# usage: install_test.sh BUILD_DIR STUB_FILE
set -euo pipefail
build=$1
stub=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
test -x "$work/prefix/bin/tamrix" || { echo "no bin/tamrix"; exit 1; }
grep -q '^\.TH TAMRIX 1' "$work/prefix/share/man/man1/tamrix.1" || { echo "no man page"; exit 1; }
grep -q 'max\\-cabinet\\-size' "$work/prefix/share/man/man1/tamrix.1" || { echo "man page lacks the tool section"; exit 1; }
echo data >"$work/file.txt"
# The test command names the stub it built (TAMRIX_STUB): then the stub must be installed.
if [ -n "${TAMRIX_STUB:-}" ] && [ ! -f "$stub" ]; then
  echo "TAMRIX_STUB is set but the build has no stub at $stub"; exit 1
fi
if [ -f "$stub" ]; then
  cmp "$stub" "$work/prefix/share/tamrix/tamrix-stub.exe" || { echo "stub not installed"; exit 1; }
  "$work/prefix/bin/tamrix" pack -q -o "$work/p.exe" "$work/file.txt"
  "$work/prefix/bin/tamrix" test -q "$work/p.exe"
else
  # Without an installed stub, pack says so (and that --stub is wanted).
  if "$work/prefix/bin/tamrix" pack -o "$work/p.exe" "$work/file.txt" 2>"$work/err"; then exit 1; fi
  grep -q -- '--stub' "$work/err" || { cat "$work/err"; exit 1; }
fi
echo "install layout OK"
