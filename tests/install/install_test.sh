#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it as a user would: the
# programs find the library and each other without options, a C++ program
# builds against it with find_package alone and a C program with pkg-config
# alone, and the Python module loads the installed library by itself.
# usage: install_test.sh BUILD_DIR LIBDIR PYTHONDIR DOCDIR PYTHON C_COMPILER CXX_COMPILER GENERATOR
set -euo pipefail
build=$1 libdir=$2 pythondir=$3 docdir=$4 python=$5 cc=$6 cxx=$7 generator=$8
source "$(dirname "$0")/checks.sh"
unset LD_LIBRARY_PATH CURLING_SIMULATOR_LIBRARY PYTHONPATH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >"$work/install.log"

for file in bin/curling-engine bin/curling-match bin/curling-draw-player include/curling_simulator.h \
            "$libdir/libCurlingSimulator.so" "$libdir/libCurlingSimulator.so.0" \
            "$libdir/pkgconfig/curling-simulator.pc" "$libdir/cmake/CurlingSimulator/CurlingSimulatorConfig.cmake" \
            "$pythondir/curling_simulator/__init__.py" "$docdir/examples/cpp/CMakeLists.txt"; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done
check_library "$prefix/$libdir"
for program in "$prefix"/bin/*; do
  case $(basename "$program") in curling-*) ;; *) fail "bin/ holds $(basename "$program"), not a program of ours" ;; esac
done
# A run path with an empty entry searches the current folder.
for program in "$build"/bin/curling-* "$prefix"/bin/curling-*; do
  runpath=$(readelf -d "$program" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ -z "$runpath" ] || case ":$runpath:" in *::*) fail "$program has the run path '$runpath', which searches the current folder" ;; esac
done

# The installed programs find the installed library through their run path.
check_engine_loads "$prefix/bin/curling-engine" "$prefix/bin/../$libdir/libCurlingSimulator.so"
mkdir "$work/match"
(cd "$work/match" && "$prefix/bin/curling-match" --games 1 --ends 1 --seed 7 --concurrency 1 --quiet \
   --out record.jsonl >out.txt 2>&1) || fail "the installed curling-match failed: $(cat "$work/match/out.txt")"
head -n 1 "$work/match/record.jsonl" | grep -q "\"command\":\"$prefix/bin/curling-engine\"" \
  || fail "the installed curling-match did not play the curling-engine beside it"
head -n 1 "$work/match/record.jsonl" | grep -q "\"simulator\":\"$prefix/bin/../$libdir/libCurlingSimulator.so\"" \
  || fail "the installed curling-match did not load the installed library: $(head -n 1 "$work/match/record.jsonl")"
grep -q '"ending":"normal"' "$work/match/record.jsonl" || fail "the installed match was not played to its end"

# A C++ consumer with find_package alone.
cmake -S "$prefix/$docdir/examples/cpp" -B "$work/cpp" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Wpedantic -Werror" >"$work/cpp.log" 2>&1 \
  || fail "configuring the C++ example failed: $(cat "$work/cpp.log")"
cmake --build "$work/cpp" >>"$work/cpp.log" 2>&1 || fail "building the C++ example failed: $(cat "$work/cpp.log")"
"$work/cpp/take_out" >"$work/cpp.out" || fail "the C++ example failed"
grep -q '^score: ' "$work/cpp.out" || fail "the C++ example printed no score: $(cat "$work/cpp.out")"

# A C consumer with pkg-config alone; the header must be clean C11.
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
[ "$(pkg-config --modversion curling-simulator)" = "$CURLING_VERSION" ] || fail "pkg-config reports another version"
# shellcheck disable=SC2046
"$cc" -std=c11 -Wall -Wextra -Wpedantic -Werror "$prefix/$docdir/examples/c/draw.c" \
  $(pkg-config --cflags --libs curling-simulator) -Wl,-rpath,"$(pkg-config --variable=libdir curling-simulator)" \
  -o "$work/draw" || fail "building the C example with pkg-config failed"
"$work/draw" >"$work/c.out" || fail "the C example failed"
grep -q '^stone 0: rests at' "$work/c.out" || fail "the C example printed: $(cat "$work/c.out")"

# The Python module and its example, from the installed tree only.
check_python_loads "$python" "$prefix/$pythondir" "$prefix/$libdir/libCurlingSimulator.so.0"
(cd "$work" && PYTHONDONTWRITEBYTECODE=1 PYTHONPATH=$prefix/$pythondir "$python" \
   "$prefix/$docdir/examples/python/play_a_shot.py" >python.out 2>&1) \
  || fail "the Python example failed: $(cat "$work/python.out")"
grep -q '^stone 1: rests at' "$work/python.out" || fail "the Python example printed: $(cat "$work/python.out")"
echo "install test: passed"
