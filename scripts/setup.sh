#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine.
set -euo pipefail

# python3 (and numpy, optional for users) for the Python module's tests;
# pkgconf, dpkg-dev and file for the install and package tests; Box2D for
# the physics benchmark's peer; chromium and nodejs drive the pages' browser
# test; librsvg2-bin turns stills into PNG.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev libcli11-dev libbox2d-dev python3 python3-numpy pkgconf
          dpkg-dev file chromium librsvg2-bin)
# A machine that already has node (from any source) keeps it.
command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
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
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if [ ${#missing[@]} -gt 0 ] || [ ${#cluster_missing[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get update -qq
fi
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

# The browser test's puppeteer-core, at the versions the lock file pins.
# npm ci runs again only when the lock file changed.
test_dir=view/test
if [ -f "$(dirname "$0")/../$test_dir/package-lock.json" ]; then
  cd "$(dirname "$0")/../$test_dir"
  if ! cmp -s package-lock.json node_modules/.installed-lock.json; then
    echo "installing the browser test's node packages (npm ci)"
    npm ci --no-audit --no-fund --loglevel=error >/dev/null
    cp package-lock.json node_modules/.installed-lock.json
  fi
fi
