#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing. Sourced by the other scripts.
# With korvelce_setup_web=1 (scripts/test.sh) also what the web build and its browser tests
# need: emscripten, Chromium, and node with npm unless the machine has them already (a node
# installed from elsewhere is kept as it is).
set -euo pipefail

korvelce_packages=(
    cmake ninja-build g++ clang pkg-config fonts-dejavu-core python3
    libgtest-dev libgmock-dev libbenchmark-dev libintelrdfpmath-dev libedit-dev
    qt6-base-dev
    scdoc desktop-file-utils appstream lintian dpkg-dev file groff-base man-db bsdextrautils
    shared-mime-info bash-completion strace
)
if [ "${korvelce_setup_web:-0}" = 1 ]; then
    korvelce_packages+=(emscripten chromium)
    command -v node >/dev/null || korvelce_packages+=(nodejs)
    command -v npm >/dev/null || korvelce_packages+=(npm)
fi

korvelce_missing=()
for p in "${korvelce_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        korvelce_missing+=("$p")
done

if ((${#korvelce_missing[@]})); then
    echo "Installing Debian packages: ${korvelce_missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then as_root=(); else as_root=(sudo); fi
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        "${korvelce_missing[@]}"
fi
