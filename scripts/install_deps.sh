#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, when it is missing.
set -euo pipefail
# libdeflate-dev is a benchmark reference only: the stub and the tool never link it. clang-format
# (version 14 on Debian 12) checks the layout of the sources (scripts/check_format.sh).
packages=(cmake make g++ python3 libgtest-dev libbenchmark-dev zlib1g-dev clang libclang-rt-14-dev
          g++-mingw-w64-i686-posix binutils-mingw-w64-i686 osslsigncode openssl libdeflate-dev
          g++-multilib zlib1g-dev:i386 libgtest-dev:i386 libbenchmark-dev:i386 libdeflate-dev:i386
          python3-unicorn python3-pefile clang-format)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  # The 32-bit libraries of the host32 build come from Debian's i386 architecture.
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
