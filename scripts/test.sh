#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. With --sanitize, runs it under
# AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
preset=release
[ "${1:-}" = "--sanitize" ] && preset=sanitize
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
