#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run. Safe to run again: it only
# calls apt-get when something is missing, and uses sudo only when not root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-serialport-dev
    libqt6sql6-sqlite libqt6sql6-odbc unixodbc libsqliteodbc
    xvfb xauth imagemagick
    pulseaudio pulseaudio-utils sox socat
    poppler-utils fonts-liberation fonts-urw-base35
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The X-ray number tool reaches the database over ODBC: the SQLite3 driver must be registered.
bash "$(dirname "$0")/odbc.sh"
