#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine.
set -euo pipefail

# python3 (and numpy, optional for users) for the Python module's tests;
# pkgconf, dpkg-dev and file for the install and package tests; Box2D for
# the physics benchmark's peer.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev libcli11-dev libbox2d-dev python3 python3-numpy pkgconf
          dpkg-dev file)
# A single-node Slurm for the test of scripts/slurm (tests/slurm): the
# daemons, the commands, munge for their authentication, and ip for the
# test's private loopback. Installed without the recommended plugins, and
# without starting any daemon: the test starts its own.
cluster_packages=(munge slurmctld slurmd slurm-client iproute2)

missing_of() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
      || echo "$package"
  done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t cluster_missing < <(missing_of "${cluster_packages[@]}")
if [ ${#missing[@]} -eq 0 ] && [ ${#cluster_missing[@]} -eq 0 ]; then
  exit 0
fi
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
install() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$@" >/dev/null
}
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  install "${missing[@]}"
fi
if [ ${#cluster_missing[@]} -gt 0 ]; then
  echo "installing: ${cluster_missing[*]}"
  # Where no policy says otherwise, a package's installation starts its
  # daemon: forbid that for this installation only.
  policy=/usr/sbin/policy-rc.d
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
    "${sudo_cmd[@]}" chmod 755 "$policy"
    trap '"${sudo_cmd[@]}" rm -f "$policy"' EXIT
  fi
  install --no-install-recommends "${cluster_missing[@]}"
fi
