#!/usr/bin/env bash
# Sets up, builds and starts the client with a working application folder under demo/.
# Without a display, run it under a virtual one:  xvfb-run -a bash scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export ZEL_APP_DIR="${ZEL_APP_DIR:-$PWD/demo/client}"
mkdir -p "$ZEL_APP_DIR"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found. Start the client under a virtual display with:"
    echo "    xvfb-run -a bash scripts/run.sh"
    exit 1
fi
exec build/src/zelclient "$@"
