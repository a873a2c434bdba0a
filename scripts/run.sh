#!/usr/bin/env bash
# Sets up, builds and starts the demo: the reference department server with a seeded database in
# demo/, and the client with the application folder demo/client whose Client.ini points at it.
# Without a display, run it under a virtual one:  xvfb-run -a bash scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found. Start the demo under a virtual display with:"
    echo "    xvfb-run -a bash scripts/run.sh"
    exit 1
fi

demo="$PWD/demo"
client="$demo/client"
mkdir -p "$client"
seed=()
[ -f "$demo/department.sqlite" ] || seed=(--seed demo)

build/server/zelserver --db "$demo/department.sqlite" --port 0 --logon-port 0 --files "$demo/files" \
    "${seed[@]}" > "$demo/server.ports" 2> "$demo/server.log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT

for _ in $(seq 1 100); do
    grep -q '^logon port' "$demo/server.ports" 2>/dev/null && break
    kill -0 "$server" 2>/dev/null || { cat "$demo/server.log"; exit 1; }
    sleep 0.1
done
command_port=$(sed -n 's/^command port //p' "$demo/server.ports")
logon_port=$(sed -n 's/^logon port //p' "$demo/server.ports")

# Client.ini: server, port, connection and command time-outs, logon port, appointment system,
# second server and port.
printf '127.0.0.1\r\n%s\r\n10\r\n30\r\n%s\r\n1\r\n\r\n0\r\n' "$command_port" "$logon_port" > "$client/Client.ini"
# XRayPool.ini: the X-ray number tool reaches the demo database over ODBC (the SQLite3 driver).
printf 'Connection=DRIVER={SQLite3};Database=%s;Timeout=10000\r\n' "$demo/department.sqlite" > "$client/XRayPool.ini"
for f in Rasse.ini Schedule.ini Recorder.ini; do
    [ -f "$client/$f" ] || cp "scripts/demo-files/$f" "$client/$f"
done

cat <<INFO
ZelServer on 127.0.0.1:$command_port, LogonServer on port $logon_port (database: demo/department.sqlite)
Demo users (user / password):
    admin / zeladmin   both rights (utilities and statistics)
    stats / zelstats   statistics only
    clerk / zelclerk   no rights
    newbie (empty)     must set a password at the first login
INFO

ZEL_APP_DIR="$client" build/src/zelclient "$@"
