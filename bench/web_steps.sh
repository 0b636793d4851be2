#!/usr/bin/env bash
# Program steps per second of the same source built natively and as WebAssembly (under node),
# run alternately so that both see the same load on the machine; prints each run, the medians
# and the ratio WebAssembly / native.
#
#   bench/web_steps.sh [NATIVE [WASM_JS [RUNS [SECONDS]]]]
#
# Defaults: the web build's build/web/host/korvelce_steps_per_second and
# build/web/korvelce_steps_per_second.js, 5 runs of 1 second each.
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build/web/host/korvelce_steps_per_second}
wasm=${2:-build/web/korvelce_steps_per_second.js}
runs=${3:-5}
seconds=${4:-1}
node=${NODE:-node}

for program in "$native" "$wasm"; do
    [ -f "$program" ] || { echo "missing $program: build the web preset first" >&2; exit 1; }
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

native_rates=()
wasm_rates=()
for ((i = 1; i <= runs; ++i)); do
    read -r n_rate n_sum < <("$native" "$seconds")
    read -r w_rate w_sum < <("$node" --no-experimental-fetch "$wasm" "$seconds")
    if [ "$n_sum" != "$w_sum" ]; then
        echo "the two builds disagree: native $n_sum, WebAssembly $w_sum" >&2
        exit 1
    fi
    printf 'run %d: native %s steps/s, WebAssembly %s steps/s\n' "$i" "$n_rate" "$w_rate"
    native_rates+=("$n_rate")
    wasm_rates+=("$w_rate")
done

native_median=$(printf '%s\n' "${native_rates[@]}" | median)
wasm_median=$(printf '%s\n' "${wasm_rates[@]}" | median)
awk -v n="$native_median" -v w="$wasm_median" 'BEGIN {
    printf "median: native %.0f steps/s, WebAssembly %.0f steps/s\n", n, w
    printf "ratio WebAssembly / native: %.2f (target at least 0.33)\n", w / n
}'
