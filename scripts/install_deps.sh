#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, when it is missing.
set -euo pipefail
packages=(cmake make g++ python3 libgtest-dev libbenchmark-dev zlib1g-dev clang libclang-rt-14-dev
          g++-mingw-w64-i686-posix binutils-mingw-w64-i686 osslsigncode openssl
          python3-unicorn python3-pefile)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
