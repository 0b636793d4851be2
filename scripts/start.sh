#!/usr/bin/env bash
# Sets up, builds and starts the calculator. Arguments go to the calculator (a program file
# to open instead of the saved state).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target korvelce korvelce-cli
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display to show the calculator on: starting the headless korvelce-cli instead."
    echo "Type key tokens (for example: 2 + 3 * 4 =), then Ctrl-D to see the display."
    exec build/release/korvelce-cli --keys-file -
fi
exec build/release/shell/korvelce "$@"
