#!/usr/bin/env bash
# Runs one fuzz target of the build tree BUILD (make fuzz, make fuzz-smoke;
# docs/fuzzing.md):
#   fuzz/run.sh BUILD TARGET SECONDS [libFuzzer options...]
# First every saved regression input of the target runs once, then the
# target fuzzes for SECONDS (0: until -runs or the first failure) from its
# seeds. New inputs go to BUILD/fuzz-work/TARGET/corpus (kept between runs),
# failing inputs and the logs of -jobs runs to BUILD/fuzz-work/TARGET/.
# Exits non-zero on the first crash, leak, timeout or failed check.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=$1 target=$2 seconds=$3
shift 3
case $build in /*) ;; *) build=$root/$build ;; esac
binary=$build/fuzz/fuzz_$target
[ -x "$binary" ] || { echo "fuzz/run.sh: $binary is not built" >&2; exit 2; }
work=$build/fuzz-work/$target
mkdir -p "$work/corpus"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

regressions=$root/fuzz/regressions/$target
if compgen -G "$regressions/*" > /dev/null; then
  echo "== $target: $(ls "$regressions" | wc -l) regression inputs"
  if ! "$binary" -timeout=20 "$regressions"/* > "$work/regressions.log" 2>&1; then
    tail -n 40 "$work/regressions.log" >&2
    echo "== $target: a regression input fails again (whole log: $work/regressions.log)" >&2
    exit 1
  fi
fi

seeds=("$root/fuzz/corpus/$target")
options=()
case $target in
  # The shipped documents seed the loader too.
  document_load) seeds+=("$root/examples" "$root/fuzz/documents") ;;
  # Its inputs touch tens of thousands of features; entropic scheduling
  # then costs more than the runs (measured: 63 against 35 runs a second).
  ops_undo) options+=(-entropic=0) ;;
esac

echo "== $target: fuzzing for ${seconds}s"
cd "$work"
"$binary" "$work/corpus" "${seeds[@]}" \
  -dict="$root/fuzz/dict/$target.dict" \
  -max_total_time="$seconds" \
  -timeout=20 \
  -artifact_prefix="$work/" \
  -print_final_stats=1 \
  "${options[@]}" "$@"
