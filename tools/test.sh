#!/usr/bin/env bash
# Installs what the build and the tests need (when missing), builds Corvalet with warnings as
# errors and runs every test. With --asan it also builds and runs the sanitizer build. Last, each
# fuzz target runs for 20 s on its seed corpus (tools/fuzz.sh); a crash fails the run.
#   bash tools/test.sh            # the CI build and all tests
#   bash tools/test.sh --asan     # also the AddressSanitizer + UBSan build
set -euo pipefail
cd "$(dirname "$0")/.."

. tools/packages.sh
ensure_packages cmake ninja-build g++ git pkg-config libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev python3 python3-aiosmtpd curl coreutils tzdata \
    libssl-dev python3-trustme qtkeychain-qt6-dev dpkg-dev file lintian desktop-file-utils appstream clang libclang-rt-14-dev

# UI tests run without a display.
export QT_QPA_PLATFORM=offscreen

presets=(ci)
[ "${1:-}" = "--asan" ] && presets+=(asan)
status=0
passed=0
failed=0
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
for preset in "${presets[@]}"; do
    echo "=== $preset build ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" | tee "$summary" || status=1
    # "100% tests passed, 0 tests failed out of 539"
    counts=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$summary" | tail -n 1)
    if [ -n "$counts" ]; then
        read -r f total <<<"$counts"
        failed=$((failed + f))
        passed=$((passed + total - f))
    else
        status=1
    fi
done

echo "=== fuzz targets ==="
FUZZ_SEED=1 bash tools/fuzz.sh 20 || status=1

# One closing line for all the builds' tests together.
echo "tests: $passed passed, $failed failed"
exit $status
