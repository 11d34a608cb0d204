#!/usr/bin/env bash
# Builds the fuzz targets (preset `fuzz`: clang, libFuzzer, AddressSanitizer and UBSan over the
# Qt-free core) and runs each one for a while on its seed corpus in tests/fuzz/corpus/.
#   bash tools/fuzz.sh            # every target for 300 s
#   bash tools/fuzz.sh 20         # every target for 20 s (what tools/test.sh runs)
#   bash tools/fuzz.sh 600 fuzz_reply fuzz_headers
# New inputs go to build/fuzz/corpus/<target>/ (kept between runs), a crashing input to
# build/fuzz/artifacts/. Prints the executions of each target; fails when any target crashed.
# FUZZ_SEED=N fixes libFuzzer's random seed, so that a short run explores the same inputs each
# time (the test command does this; a long run by hand is better off with a new seed each time).
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-300}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_address_list fuzz_reply fuzz_settings fuzz_frequency_date fuzz_headers fuzz_encoders fuzz_delivery_state)

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz || exit 1

mkdir -p build/fuzz/artifacts
summary=()
status=0
for target in "${targets[@]}"; do
    work=build/fuzz/corpus/$target
    log=build/fuzz/$target.log
    mkdir -p "$work"
    echo "=== $target: ${seconds} s"
    build/fuzz/bin/"$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/"$target"- ${FUZZ_SEED:+-seed="$FUZZ_SEED"} \
        "$work" tests/fuzz/corpus/"$target" >"$log" 2>&1
    result=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ $result -eq 0 ]; then
        summary+=("$(printf '%-22s %10s executions  clean' "$target" "${runs:-?}")")
    else
        status=1
        summary+=("$(printf '%-22s %10s executions  FAILED (exit %d, see %s)' "$target" "${runs:-?}" "$result" "$log")")
        grep -E '^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' "$log" | head -n 5
    fi
done

echo "=== fuzz summary (${seconds} s per target)"
printf '%s\n' "${summary[@]}"
exit $status
