#!/usr/bin/env bash
# --help and --version of both executables: the answer on standard output, exit 0, and for the
# window no display needed and no window opened (nothing written in the home either).
#   check_information_options.sh VERSION KORVELCE KORVELCE_CLI
source "$(dirname "$0")/lib.sh"
version=$1 window=$2 cli=$3
make_home "$work/home"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

check() {  # expected-first-line command...
    local expected=$1
    shift
    local output status
    output=$(timeout 20 "$@" 2>"$work/err")
    status=$?
    [[ $status -eq 0 ]] || fail "$* exits $status: $(cat "$work/err")"
    [[ ! -s $work/err ]] || fail "$* writes to standard error: $(cat "$work/err")"
    [[ ${output%%$'\n'*} == "$expected" ]] || fail "$* begins '${output%%$'\n'*}', not '$expected'"
}
check "korvelce $version" "$window" --version
check "usage: korvelce [FILE.kv | FILE.kvs]" "$window" --help
check "usage: korvelce [FILE.kv | FILE.kvs]" "$window" -h
check "korvelce-cli $version" "$cli" --version
check "usage: korvelce-cli [OPTIONS] [KEY...]      press keys on a fresh engine, print the result" "$cli" --help

# The window answered without starting: no settings, no saved state, no association written.
leftovers=$(find "$HOME" -type f | head -5)
[[ -z $leftovers ]] || fail "answering --help or --version wrote $leftovers"
finish
