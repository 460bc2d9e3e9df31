#!/usr/bin/env bash
# Installs the Debian 12 packages the suite needs to build, test and run; only the missing ones.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    clang libclang-rt-14-dev
    qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev libqt5opengl5-dev libqt5svg5-dev
    libgl1-mesa-dev libgl1-mesa-dri libegl1
    zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth x11-utils
    dbus-daemon  # a private bus for the keep-awake tests
    dpkg-dev desktop-file-utils shared-mime-info  # the package: dpkg-shlibdeps, checks of its desktop files
    python3
    printcore  # a host written elsewhere, streamed through the virtual printer by its tests
    gcc-arm-none-eabi  # builds the flash applet (the committed build is used without it)
    libunicorn-dev     # the Cortex-M3 of tools/samba-sim (without it the simulator and its tests are left out)
    bossa-cli          # a SAM-BA client written elsewhere, checked against tools/samba-sim by the tests
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing missing packages: ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
# A fresh machine may have stale package lists: refresh them only when the install needs it.
if ! $sudo apt-get install -y --no-install-recommends "${missing[@]}"; then
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
