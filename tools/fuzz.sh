#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan), writes their seeds
# and runs each fuzz_* target for a while (FUZZ_SECONDS, default 60) on a
# scratch corpus that starts from its seeds. Exits non-zero when any target
# finds a crash, a leak or undefined behaviour; the reproducer is kept in
# build/fuzz/findings/<target>/.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-build/fuzz}
jobs=$(nproc 2>/dev/null || echo 2)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDOVEL_FUZZ=ON -DDOVEL_TESTS=OFF -DDOVEL_BENCH=OFF -DDOVEL_WERROR=OFF \
  -DCMAKE_CXX_FLAGS=-Wno-unknown-warning-option || exit 1

targets=()
for src in fuzz/fuzz_*.cpp; do
  [ -e "$src" ] || continue
  targets+=("$(basename "$src" .cpp)")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz.sh: no fuzz targets" >&2
  exit 1
fi
cmake --build "$build" -j "$jobs" --target fuzz_seeds "${targets[@]}" || exit 1

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
passed=0
failed=0
for target in "${targets[@]}"; do
  seeds="$build/fuzz/seeds/$target"
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  rm -rf "$corpus"
  mkdir -p "$corpus" "$findings" "$seeds"
  echo "== $target: ${seconds}s from $(ls "$seeds" | wc -l) seeds =="
  if "$build/bin/$target" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$corpus" "$seeds" >"$build/$target.log" 2>&1; then
    tail -n 12 "$build/$target.log" | grep -E "stat::number_of_executed_units|stat::peak_rss_mb|cov:" || true
    passed=$((passed + 1))
  else
    echo "$target FOUND A FAULT (log: $build/$target.log, reproducer in $findings/):"
    grep -E "ERROR|runtime error|SUMMARY|Test unit written" "$build/$target.log" | head -n 20
    failed=$((failed + 1))
    status=1
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
