# Checks shared by the install and package tests.

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The library in DIR: its soname, and the bare name the players load.
check_library() {
  local dir=$1
  local soname
  soname=$(objdump -p "$dir/libCurlingSimulator.so" | awk '$1 == "SONAME" {print $2}')
  [ "$soname" = "libCurlingSimulator.so.$CURLING_SOVERSION" ] || fail "soname is '$soname'"
  [ -L "$dir/libCurlingSimulator.so" ] && [ -L "$dir/$soname" ] || fail "the library's names are not links"
  [ "$(readlink -f "$dir/libCurlingSimulator.so")" = "$(readlink -f "$dir/$soname")" ] \
    || fail "libCurlingSimulator.so and $soname are different files"
}

# ENGINE answers ISREADY having loaded exactly LIBRARY (not a copy found
# elsewhere by the system's search).
check_engine_loads() {
  local engine=$1 library=$2
  local trace
  trace=$(printf 'ISREADY\n' | LD_DEBUG=files "$engine" 2>&1) || fail "$engine failed: $trace"
  grep -q "READYOK" <<<"$trace" || fail "$engine did not answer READYOK: $trace"
  grep -q "calling init: $library\$" <<<"$trace" \
    || fail "$engine did not load $library: $(grep 'calling init' <<<"$trace")"
}

# The Python module in PYTHONDIR, imported with no hint, loads LIBRARY.
check_python_loads() {
  local python=$1 pythondir=$2 library=$3
  local loaded
  loaded=$(cd / && PYTHONDONTWRITEBYTECODE=1 PYTHONPATH=$pythondir "$python" -c \
    'import curling_simulator as cs; print(cs.__version__, cs.Simulator().path)') \
    || fail "the Python module in $pythondir cannot load a library"
  [ "$loaded" = "$CURLING_VERSION $library" ] || fail "the Python module loaded '$loaded', not $library"
}
