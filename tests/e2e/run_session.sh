#!/bin/bash
# run_session.sh COMMAND [ARG...]
# Runs COMMAND inside a throw-away desktop session like a blind user's: a virtual X server, a window
# manager, a session D-Bus with the accessibility bus, and a sound server whose only output is silent.
# HOME and XDG_RUNTIME_DIR are private, so nothing of the caller's session leaks in or out.
# Exits 77 (skipped) when a needed program is missing; otherwise with COMMAND's exit code.
set -u

if [ "${1:-}" = "--inner" ]; then
    shift
    # Inside dbus-run-session: start the services, run the command, stop the services.
    pids=()
    stop_services() {
        for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
        wait 2>/dev/null
    }
    trap stop_services EXIT

    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$SESSION_DIR/atspi.log" 2>&1 &
    pids+=($!)
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --system=false --log-target=stderr \
        -L module-native-protocol-unix -L module-null-sink -L module-always-sink \
        >"$SESSION_DIR/pulse.log" 2>&1 &
    pids+=($!)
    openbox --sm-disable >"$SESSION_DIR/openbox.log" 2>&1 &
    pids+=($!)

    # The services are ready once their sockets answer; waiting on them keeps the first key from being lost.
    for _ in $(seq 100); do
        if [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window &&
            dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1; then
            break
        fi
        sleep 0.1
    done
    "$@"
    exit $?
fi

for tool in Xvfb dbus-run-session pulseaudio openbox xprop dbus-send "$1"; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done
if [ ! -x /usr/libexec/at-spi-bus-launcher ]; then
    echo "SKIP: the accessibility bus (at-spi2-core) is not installed"
    exit 77
fi

SESSION_DIR=$(mktemp -d /tmp/varnel-e2e.XXXXXX)
export SESSION_DIR
mkdir -p "$SESSION_DIR/home" "$SESSION_DIR/run"
chmod 700 "$SESSION_DIR/run"
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    [ -n "${KEEP_SESSION_DIR:-}" ] || rm -rf "$SESSION_DIR"
}
trap cleanup EXIT

# -noreset: the server outlives its first client, who may be a dialog closing before the main window opens.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$SESSION_DIR/display" \
    >"$SESSION_DIR/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$SESSION_DIR/display" ] && break
    sleep 0.05
done
if [ ! -s "$SESSION_DIR/display" ]; then
    echo "FAIL: Xvfb did not start"
    cat "$SESSION_DIR/xvfb.log"
    exit 1
fi

export DISPLAY=":$(head -n1 "$SESSION_DIR/display")"
export HOME="$SESSION_DIR/home"
export XDG_RUNTIME_DIR="$SESSION_DIR/run"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export NO_AT_BRIDGE=0 GTK_A11Y=atspi
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS PULSE_SERVER
dbus-run-session -- "$0" --inner "$@"
