# Installs this build into a scratch prefix and builds examples/integrate
# against that prefix alone, as an integrator would, then runs it. On the way
# it checks that the installed headers hold no internal one and compile
# together with nothing but the prefix on the include path.
#
# $1 the build tree, $2 the example's source, $3 a scratch folder (emptied
# here), $4 the C++ compiler, $5 the version the example must report.
# MARROW_CXX_FLAGS: compile and link flags the build's own code had (its
# sanitizers); MARROW_CXX_LAUNCHER: a compiler launcher such as ccache.
set -eu
build=$1
example=$2
scratch=$3
cxx=$4
version=$5
flags=${MARROW_CXX_FLAGS:-}
launcher=${MARROW_CXX_LAUNCHER:-}
prefix=$scratch/prefix

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch"
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log"

include=$prefix/include
[ -f "$include/marrow_qrv/qrv_version.h" ] || fail "qrv_version.h is not installed"
internal=$(find "$include" -name internal)
[ -z "$internal" ] || fail "internal headers installed: $internal"
if grep -rn '#include ".*internal/' "$include"; then
  fail "an installed header includes an internal one"
fi

# Every installed header in one unit: an include of a header that was not
# installed fails here.
find "$include" -name '*.h' | sort | sed 's/.*/#include "&"/' >"$scratch/all_headers.cc"
"$cxx" -std=c++17 -fsyntax-only -I"$include/marrow_qrv" -I"$include" "$scratch/all_headers.cc"

cmake -S "$example" -B "$scratch/build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" \
  >"$scratch/configure.log" || { cat "$scratch/configure.log" >&2; fail "configure"; }
cmake --build "$scratch/build" >"$scratch/build.log" 2>&1 ||
  { cat "$scratch/build.log" >&2; fail "build"; }

"$scratch/build/integrate" >"$scratch/out.txt"
cat "$scratch/out.txt"
grep -qx "marrow-qrv $version" "$scratch/out.txt" || fail "the example does not report $version"
grep -q "^after undo: " "$scratch/out.txt" || fail "the example did not run to its end"
