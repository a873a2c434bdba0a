#!/usr/bin/env bash
# A PulseAudio server of the tests' own, so the dictation recorder records and plays for real on a
# machine without a sound card (CI, containers, a developer's machine while its own sound server
# stays untouched): a null sink whose monitor is the default source, and a 440 Hz tone playing into
# that sink, so whatever records from the default input hears the tone. Programs (Qt among them)
# offer no monitor as a microphone, so the monitor is passed on through a remapped source, which is
# the default.
#
#   eval "$(bash scripts/pulse-test-server.sh start)"   # exports PULSE_SERVER and ZEL_PULSE_DIR
#   bash scripts/pulse-test-server.sh stop               # ends the server that start began
#
# It runs as the current user, root included (as in CI), with a runtime folder of its own and no
# authentication cookie. Where it cannot start, it says why on standard error and exports nothing:
# the tests that need sound then skip with a message of their own.
set -euo pipefail

start() {
    if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
        echo "pulse-test-server: pulseaudio and pulseaudio-utils are not installed (scripts/setup.sh installs them);" \
             "the tests that need sound will be skipped" >&2
        return 0
    fi
    local dir
    dir=$(mktemp -d "${TMPDIR:-/tmp}/zel-pulse.XXXXXX")
    mkdir -p "$dir/runtime" "$dir/state" "$dir/config"
    cat > "$dir/zel.pa" <<PA
load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1
load-module module-null-sink sink_name=zel_null sink_properties=device.description=Zel-Test-Sink
load-module module-remap-source master=zel_null.monitor source_name=zel_microphone source_properties=device.description=Zel-Test-Microphone
set-default-sink zel_null
set-default-source zel_microphone
load-module module-sine sink=zel_null frequency=440
PA
    # Not daemonised, so its process id is the one to end; its output goes to a log, never to the
    # caller's pipe.
    HOME="$dir" XDG_CONFIG_HOME="$dir/config" PULSE_RUNTIME_PATH="$dir/runtime" PULSE_STATE_PATH="$dir/state" \
        pulseaudio -n -F "$dir/zel.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no --system=no \
        --realtime=no --high-priority=no --disable-shm=yes --log-target=file:"$dir/pulseaudio.log" \
        </dev/null >>"$dir/pulseaudio.log" 2>&1 &
    echo $! > "$dir/pid"
    local ready=""
    for _ in $(seq 1 100); do
        if [ -S "$dir/native" ] && PULSE_SERVER="unix:$dir/native" pactl info >/dev/null 2>&1; then
            ready=yes
            break
        fi
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$ready" ]; then
        echo "pulse-test-server: the PulseAudio server did not start; the tests that need sound will be skipped." \
             "Its log:" >&2
        sed 's/^/    /' "$dir/pulseaudio.log" >&2 || true
        kill "$(cat "$dir/pid")" 2>/dev/null || true
        rm -rf "$dir"
        return 0
    fi
    echo "pulse-test-server: sound server ready at unix:$dir/native (null sink, 440 Hz tone on its monitor, the default source)" >&2
    echo "export PULSE_SERVER=unix:$dir/native ZEL_PULSE_DIR=$dir"
}

stop() {
    local dir="${ZEL_PULSE_DIR:-}"
    [ -n "$dir" ] && [ -f "$dir/pid" ] || return 0
    local pid
    pid=$(cat "$dir/pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    rm -rf "$dir"
}

case "${1:-}" in
    start) start ;;
    stop) stop ;;
    *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
