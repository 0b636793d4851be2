# Shared by the packaging checks: failure reporting, a temporary folder and home.
set -uo pipefail

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# Ends the check: prints the count line and exits non-zero when anything failed.
finish() {
    if ((failures)); then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
    exit 0
}

work=$(mktemp -d "${TMPDIR:-/tmp}/korvelce-check.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A home of its own under $work: every XDG folder inside it, nothing of the real one.
make_home() {
    local home=$1
    mkdir -p "$home/.config" "$home/.local/share" "$home/.local/state" "$home/.cache" "$home/run"
    chmod 700 "$home/run"
    export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
        XDG_STATE_HOME=$home/.local/state XDG_CACHE_HOME=$home/.cache XDG_RUNTIME_DIR=$home/run
    unset XDG_DATA_DIRS XDG_CONFIG_DIRS KORVELCE_DEBUG
}

# Runs the window program offscreen on the screen WxH ($1) with the command $2... until it
# listens for later copies and has had time to show its window, then ends it with SIGTERM.
# Sets window_status to its exit status (124 when it never listened or did not end).
# With window_trace set to a file, the files it opens are traced there (strace).
run_window() {
    local screen=$1
    shift
    local socket=$XDG_RUNTIME_DIR/korvelce-$(id -u).socket
    local trace=()
    [[ -n ${window_trace:-} ]] && trace=(strace -f -qq -e trace=openat -o "$window_trace")
    QT_QPA_PLATFORM=offscreen KORVELCE_SCREEN=$screen "${trace[@]}" "$@" >"$work/window.out" 2>&1 &
    local pid=$! waited=0
    while [[ ! -S $socket ]] && ((waited < 300)) && kill -0 "$pid" 2>/dev/null; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if [[ ! -S $socket ]]; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        window_status=124
        return
    fi
    sleep 1.5
    # Under strace the window is strace's child, and the signal is the window's to get.
    local target=$pid
    [[ ${#trace[@]} -gt 0 ]] && target=$(ps -o pid= --ppid "$pid" | head -1)
    kill -TERM "${target:-$pid}"
    waited=0
    while kill -0 "$pid" 2>/dev/null && ((waited < 200)); do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        wait "$pid" 2>/dev/null
        window_status=124
        return
    fi
    wait "$pid"
    window_status=$?
}
