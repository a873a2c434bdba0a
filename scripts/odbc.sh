#!/usr/bin/env bash
# Registers the SQLite3 ODBC driver with unixODBC, so the X-ray number tool can reach the reference
# server's SQLite file over ODBC (tests and demo). Safe to run again: it only registers a driver
# that unixODBC does not know yet; sudo only when not root.
set -euo pipefail
template=/usr/share/sqliteodbc/unixodbc.ini
if ! command -v odbcinst >/dev/null || [ ! -f "$template" ]; then
    echo "odbc.sh: unixodbc and libsqliteodbc must be installed first (scripts/setup.sh)" >&2
    exit 1
fi
if ! odbcinst -q -d -n SQLite3 >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo odbcinst -i -d -f "$template" >/dev/null
fi
odbcinst -q -d -n SQLite3 >/dev/null
