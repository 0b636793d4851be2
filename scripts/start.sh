#!/usr/bin/env bash
# Sets up, builds and starts the calculator.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target korvelce-cli
echo "The calculator face is not built yet: starting korvelce-cli instead."
echo "Type key tokens (for example: 2 + 3 * 4 =), then Ctrl-D to see the display."
exec build/release/korvelce-cli --keys-file - "$@"
