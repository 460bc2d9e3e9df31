#!/usr/bin/env bash
# Streams a large generated job from spoolwatch-cli to the virtual printer and reports the link's
# turnaround (the printer's "ok" read -> the next command written, measured inside ComThread through
# SPOOLWATCH_TURNAROUND_LOG) as median and 99th percentile, the host's CPU time per 1000 commands and
# the commands per second; then the same job through Debian's printcore when it is installed, and
# the time spoolwatch-cli takes to load and index a 100 MB job.
# It reports; it is not a test: it exits 0 when a run fails (saying so), 2 only when it cannot run.
set -u -o pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/release"
commands=100000
index_mb=100
use_peer=1
keep_dir=""

usage() {
    cat <<USAGE
usage: bench/host_stream.sh [options]
  --build DIR      build with spoolwatch-cli and virtual-printer (default build/release)
  --commands N     job commands to stream (default 100000)
  --index-mb M     size of the job that is loaded and indexed (default 100)
  --no-peer        leave out printcore
  --keep DIR       keep the jobs and logs in DIR (default: a temporary folder)
USAGE
}

while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=${2:?--build needs a folder}; shift ;;
    --commands) commands=${2:?--commands needs a number}; shift ;;
    --index-mb) index_mb=${2:?--index-mb needs a number}; shift ;;
    --no-peer) use_peer=0 ;;
    --keep) keep_dir=${2:?--keep needs a folder}; shift ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
    esac
    shift
done

cli="$build/Spoolwatch/cli/spoolwatch-cli"
printer="$build/tools/virtual-printer/virtual-printer"
for program in "$cli" "$printer"; do
    if [ ! -x "$program" ]; then
        echo "host_stream.sh: $program is missing; run scripts/build.sh release first" >&2
        exit 2
    fi
done
if [ -n "$keep_dir" ]; then
    mkdir -p "$keep_dir" && work=$keep_dir
else
    work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
fi
peer=""
if [ "$use_peer" = 1 ]; then
    peer=$(command -v printcore || true)
    [ -n "$peer" ] || echo "printcore is not installed (Debian package printrun-common); left out"
fi

exec python3 - "$cli" "$printer" "$work" "$commands" "$index_mb" "$peer" <<'PYTHON'
import os, random, statistics, subprocess, sys, time

cli, printer, work, commands, index_mb, peer = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5]), sys.argv[6]

def write_job(path, count, seed):
    # A plausible print: layers of extruding moves with a travel and a retraction now and then.
    rnd = random.Random(seed)
    lines = ["G28", "G90", "M82", "G92 E0"]
    e, z = 0.0, 0.2
    while len(lines) < count:
        if len(lines) % 400 == 0:
            z += 0.2
            lines.append("G0 Z%.3f F600" % z)
        elif len(lines) % 37 == 0:
            lines.append("G0 X%.3f Y%.3f F7200" % (rnd.uniform(10, 190), rnd.uniform(10, 190)))
        else:
            e += rnd.uniform(0.01, 0.2)
            lines.append("G1 X%.3f Y%.3f E%.5f F1800" % (rnd.uniform(10, 190), rnd.uniform(10, 190), e))
    with open(path, "w") as f:
        f.write("\n".join(lines[:count]) + "\n")

def start_printer(log):
    process = subprocess.Popen([printer, "--log", log], stdout=subprocess.PIPE, text=True)
    return process, process.stdout.readline().strip()

def timed(argv, env=None):
    # Wall seconds, CPU seconds (user + system) and the exit status of one run.
    started = time.monotonic()
    process = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - started
    err = process.stderr.read().decode(errors="replace")
    return wall, usage.ru_utime + usage.ru_stime, os.waitstatus_to_exitcode(status), err

def stream(name, argv_for_port, env=None):
    vp, port = start_printer(os.path.join(work, name + ".log"))
    try:
        wall, cpu, code, err = timed(argv_for_port(port), env)
    finally:
        vp.terminate()
        vp.wait()
    if code != 0:
        print("%-16s failed with status %d: %s" % (name, code, err.strip()[-200:]))
        return None
    print("%-16s %9.0f commands/s  %7.3f s CPU per 1000 commands  (%.1f s wall)"
          % (name, commands / wall, cpu / commands * 1000, wall))
    return wall

job = os.path.join(work, "job.gcode")
write_job(job, commands, 1)
print("job: %d commands, %.1f MB" % (commands, os.path.getsize(job) / 1e6))

turnaround_log = os.path.join(work, "turnaround.txt")
if os.path.exists(turnaround_log):
    os.remove(turnaround_log)
env = dict(os.environ, SPOOLWATCH_TURNAROUND_LOG=turnaround_log)
stream("spoolwatch-cli", lambda port: [cli, "print", "--port", port, job], env)
if os.path.exists(turnaround_log):
    samples = sorted(int(line) for line in open(turnaround_log) if line.strip())
    if samples:
        p99 = samples[min(len(samples) - 1, int(len(samples) * 0.99))]
        print("turnaround ok -> next command: median %.1f us, 99th percentile %.1f us (%d samples)"
              % (statistics.median(samples) / 1000, p99 / 1000, len(samples)))
if peer:
    stream("printcore", lambda port: [peer, "-b", "2500000", port, job])

big = os.path.join(work, "big.gcode")
write_job(big, int(index_mb * 1e6 / 38), 2)
wall, cpu, code, err = timed([cli, "index", big])
if code == 0:
    print("load and index %.0f MB: %.2f s wall, %.2f s CPU" % (os.path.getsize(big) / 1e6, wall, cpu))
else:
    print("index failed with status %d: %s" % (code, err.strip()))
PYTHON
