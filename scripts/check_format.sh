#!/usr/bin/env bash
# Checks that every tracked C++ source (.cpp, .h) is laid out as .clang-format says: lists the files
# clang-format would change and exits 1 when there is one. --fix formats those files in place.
# Other clang-format versions lay some constructs out differently, so the check asks for 14.
set -euo pipefail
cd "$(dirname "$0")/.."

fix=0
case "${1:-}" in
  --fix) fix=1 ;;
  "") ;;
  *) echo "usage: $0 [--fix]" >&2; exit 2 ;;
esac

clang_format=${CLANG_FORMAT:-}
if [ -z "$clang_format" ]; then
  clang_format=$(command -v clang-format-14 || command -v clang-format || true)
fi
if [ -z "$clang_format" ]; then
  echo "check_format: clang-format not found (scripts/install_deps.sh installs it)" >&2
  exit 2
fi
version=$("$clang_format" --version)
if ! [[ $version =~ version\ 14\. ]]; then
  echo "check_format: $clang_format is not version 14: $version" >&2
  exit 2
fi

differ=()
while IFS= read -r -d '' file; do
  if ! "$clang_format" --dry-run -Werror "$file" >/dev/null 2>&1; then
    differ+=("$file")
  fi
done < <(git ls-files -z -- '*.cpp' '*.h')

if ((${#differ[@]} == 0)); then
  echo "check_format: every file is formatted"
  exit 0
fi
if ((fix)); then
  "$clang_format" -i -- "${differ[@]}"
  echo "check_format: formatted ${#differ[@]} file(s)"
  exit 0
fi
printf '%s\n' "${differ[@]}"
echo "check_format: ${#differ[@]} file(s) differ from .clang-format (scripts/check_format.sh --fix)" >&2
exit 1
