#!/usr/bin/env bash
# Builds the Debian package and inspects it without installing it on this
# machine: a system-wide libCurlingSimulator.so would be found by the
# players' fallback search and change what other tests see. Its control data
# and file list are read with dpkg-deb, and it is unpacked into a scratch
# root where the engine and the Python module must find the packaged library.
# usage: package_test.sh BUILD_DIR PYTHON
set -euo pipefail
build=$1 python=$2
source "$(dirname "$0")/checks.sh"
unset LD_LIBRARY_PATH CURLING_SIMULATOR_LIBRARY PYTHONPATH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 \
  || fail "cpack failed: $(cat "$work/cpack.log")"
arch=$(dpkg --print-architecture)
deb=$work/curling_${CURLING_VERSION}_$arch.deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = curling ] || fail "package name $(field Package)"
[ "$(field Version)" = "$CURLING_VERSION" ] || fail "version $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "architecture $(field Architecture)"
grep -Eq '(^|, )libc6 \(>= [0-9.]+\)' <<<"$(field Depends)" || fail "Depends lacks libc6: $(field Depends)"
# The programs carry their own C++ runtime (unless built without it).
if [ "$CURLING_STATIC_RUNTIME" = ON ]; then
  grep -q 'libstdc++' <<<"$(field Depends)" && fail "Depends names libstdc++: $(field Depends)"
fi
dpkg-deb -I "$deb" shlibs | grep -q "^libCurlingSimulator $CURLING_SOVERSION curling" \
  || fail "no shlibs entry for the library"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/curling-engine ./usr/bin/curling-match ./usr/bin/curling-draw-player \
            ./usr/lib/libCurlingSimulator.so ./usr/lib/libCurlingSimulator.so.$CURLING_SOVERSION \
            ./usr/include/curling_simulator.h ./usr/lib/pkgconfig/curling-simulator.pc \
            ./usr/lib/cmake/CurlingSimulator/CurlingSimulatorConfig.cmake \
            ./usr/lib/python3/dist-packages/curling_simulator/__init__.py; do
  grep -qx -- "$file" <<<"$contents" || fail "the package lacks $file"
done
outside=$(grep -v '^\./usr/\|^\./$\|^\./usr/$' <<<"$contents" || true)
[ -z "$outside" ] || fail "the package writes outside /usr: $outside"

root=$work/root
dpkg-deb -x "$deb" "$root"
check_library "$root/usr/lib"
check_engine_loads "$root/usr/bin/curling-engine" "$root/usr/bin/../lib/libCurlingSimulator.so"
check_python_loads "$python" "$root/usr/lib/python3/dist-packages" "$root/usr/lib/libCurlingSimulator.so.0"
echo "package test: passed"
