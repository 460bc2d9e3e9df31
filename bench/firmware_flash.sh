#!/usr/bin/env bash
# Flashes a 512 KB image through tools/samba-sim three ways and prints the wall seconds of each:
# spoolwatch-cli flash with the update's fixed waits, the same with the waits scaled to 0 (the transfers
# and the applet alone), and bossac (Debian's bossa-cli) erasing and writing the same image through the
# same simulator, when it is installed. The simulator models no flash busy time here (--time-scale 0),
# so the figures compare the hosts, not the chip.
# It reports; it is not a test: it exits 0 when a run fails (saying so), 2 only when it cannot run.
set -u -o pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/release"
size_kb=512

while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=${2:?--build needs a folder}; shift ;;
    --size-kb) size_kb=${2:?--size-kb needs a number}; shift ;;
    -h | --help) echo "usage: bench/firmware_flash.sh [--build DIR (default build/release)] [--size-kb N (512)]"; exit 0 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

cli="$build/Spoolwatch/cli/spoolwatch-cli"
sim="$build/tools/samba-sim/samba-sim"
for program in "$cli" "$sim"; do
    [ -x "$program" ] || { echo "missing $program: build it first (scripts/build.sh release)" >&2; exit 2; }
done

work=$(mktemp -d)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
head -c $((size_kb * 1024)) /dev/urandom >"$work/image.bin"

# Starts a fresh simulator; its terminal's path is in $port.
start_sim() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    "$sim" --time-scale 0 --stay-in-bootloader --dump "$work/flash.bin" >"$work/port" &
    sim_pid=$!
    for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
    port=$(head -1 "$work/port")
}

seconds() { # command... -> wall seconds, or "failed"
    local start end
    start=$(date +%s.%N)
    if "$@" >"$work/run.log" 2>&1; then
        end=$(date +%s.%N)
        echo "$end - $start" | bc -l | xargs printf "%.2f"
    else
        echo "failed ($(tail -1 "$work/run.log"))"
    fi
}

start_sim
with_waits=$(seconds "$cli" flash --port "$port" --raw "$work/image.bin")
start_sim
without_waits=$(seconds "$cli" flash --port "$port" --wait-scale 0 --raw "$work/image.bin")
verified=no
cmp -s -n $((size_kb * 1024)) "$work/image.bin" "$work/flash.bin" && verified=yes
peer="not installed"
if command -v bossac >/dev/null; then
    start_sim
    peer=$(seconds bossac --port="$port" --usb-port=1 --erase --write "$work/image.bin")
fi

printf "%-46s %s\n" "image" "${size_kb} KB"
printf "%-46s %s s\n" "spoolwatch-cli flash, the update's fixed waits" "$with_waits"
printf "%-46s %s s (flash equals image: %s)\n" "spoolwatch-cli flash, waits scaled to 0" "$without_waits" "$verified"
printf "%-46s %s s\n" "bossac --erase --write" "$peer"
exit 0
