#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine.
set -euo pipefail

# python3 (and numpy, optional for users) for the Python module's tests;
# pkgconf, dpkg-dev and file for the install and package tests; Box2D for
# the physics benchmark's peer.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev libcli11-dev libbox2d-dev python3 python3-numpy pkgconf
          dpkg-dev file)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
