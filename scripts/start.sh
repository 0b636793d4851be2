#!/usr/bin/env bash
# Sets up, builds and starts the calculator. Arguments go to the calculator window (a program
# file to open instead of the saved state). Without a display the calculator starts in the
# terminal, keeping registers and program in the same saved state as the window.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target korvelce korvelce-cli
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    if [ -t 0 ] && [ -t 1 ]; then
        echo "No display to show the calculator window on: the calculator starts in the terminal."
        exec build/release/korvelce-cli \
            --session "${XDG_DATA_HOME:-$HOME/.local/share}/Korvelce/Korvelce.kv"
    fi
    # Not on a terminal either: key tokens from standard input, one display at the end.
    exec build/release/korvelce-cli --keys-file -
fi
exec build/release/shell/korvelce "$@"
