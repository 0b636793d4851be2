#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: the release build's, then the web build's
# (the layers' suites as WebAssembly under node, and the page in headless Chromium). With
# --sanitize, runs the native suite under AddressSanitizer and UndefinedBehaviorSanitizer
# instead.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=release
[ "${1:-}" = "--sanitize" ] && preset=sanitize
korvelce_setup_web=0
[ "$preset" = release ] && korvelce_setup_web=1
source scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
if [ "$preset" = release ]; then
    cmake --preset web >/dev/null
    cmake --build --preset web
    ctest --preset web -j2
fi
