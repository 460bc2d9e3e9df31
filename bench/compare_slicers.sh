#!/usr/bin/env bash
# Slices a set of generated models with tessaline-cli on one and two threads and with the other
# slicers installed here (prusa-slicer, CuraEngine, slic3r), at settings as close as each allows, and
# prints wall seconds and peak resident memory side by side, then the memory of a model twice as tall.
# It reports; it is not a test: it exits 0 when goals are missed or a slicer fails, and 2 only when
# it cannot run at all (a missing program, a bad option).
set -u -o pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
peers_dir="$root/bench/peers"
cli="$root/build/release/Tessaline/cli/tessaline-cli"
meshgen="$root/build/release/tools/meshgen/meshgen"
runtimed="$root/build/release/tools/runtimed/runtimed"
quick=0
use_peers=1
runs=1
time_limit=1800
keep_dir=""

usage() {
    cat <<EOF
usage: bench/compare_slicers.sh [options]
  --cli PATH       tessaline-cli to measure (default build/release/Tessaline/cli/tessaline-cli)
  --meshgen PATH   meshgen that writes the models (default build/release/tools/meshgen/meshgen)
  --quick          leave out big.stl (four million triangles)
  --peers          slice with every other installed slicer too (the default)
  --no-peers       tessaline-cli only
  --runs N         run each slice N times and keep the fastest (default 1)
  --timeout S      give up a slice after S seconds (default 1800)
  --keep DIR       write models, G-code and logs into DIR and keep them (default: a temporary folder)
EOF
}

while [ $# -gt 0 ]; do
    case "$1" in
    --cli) cli=${2:?--cli needs a path}; shift ;;
    --meshgen) meshgen=${2:?--meshgen needs a path}; shift ;;
    --quick) quick=1 ;;
    --peers) use_peers=1 ;;
    --no-peers) use_peers=0 ;;
    --runs) runs=${2:?--runs needs a number}; shift ;;
    --timeout) time_limit=${2:?--timeout needs seconds}; shift ;;
    --keep) keep_dir=${2:?--keep needs a folder}; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "compare_slicers: unknown option '$1'" >&2; usage >&2; exit 2 ;;
    esac
    shift
done

case "$runs" in '' | *[!0-9]* | 0) echo "compare_slicers: --runs expects a whole number from 1, got '$runs'" >&2; exit 2 ;; esac
case "$time_limit" in '' | *[!0-9]* | 0) echo "compare_slicers: --timeout expects whole seconds, got '$time_limit'" >&2; exit 2 ;; esac
for program in "$cli" "$meshgen" "$runtimed"; do
    if [ ! -x "$program" ]; then
        echo "compare_slicers: $program is not built (scripts/build.sh release)" >&2
        exit 2
    fi
done

if [ -n "$keep_dir" ]; then
    work=$keep_dir
    mkdir -p "$work" || exit 2
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/compare_slicers.XXXXXX") || exit 2
    trap 'rm -rf "$work"' EXIT
fi

# The peers in table order: a name, then whether it is installed.
peer_names=()
if [ "$use_peers" = 1 ]; then
    for peer in prusa-slicer CuraEngine slic3r; do
        if command -v "$peer" >/dev/null 2>&1; then
            peer_names+=("$peer")
        else
            echo "note: $peer is not installed; its column is left out"
        fi
    done
fi

# The command line of one slice, into the array `command`: slicer, model file, output file and
# whether the model needs supports.
build_command() {
    local slicer=$1 model=$2 out=$3 supports=$4
    case "$slicer" in
    tessaline-1T | tessaline-2T)
        local threads=${slicer#tessaline-}
        command=("$cli" slice "$model" -o "$out" --threads "${threads%T}" --quiet
            --set LayerHeight=0.2 --set FirstLayerHeight=0.2 --set VShellCnt=2 --set HShellCnt=3
            --set InfillType=3 --set InfillDensity=0.1 --set ExtrusionWidth=0.4
            --set SkirtEnable=false --set BrimEnable=false --set RaftEnable=false)
        # The settings the window's "Generate support" choice uses: 1.8 mm bars under surfaces
        # within 85 degrees of the horizontal.
        [ "$supports" = 1 ] && command+=(--supports "1.8,85")
        ;;
    prusa-slicer)
        command=(prusa-slicer --export-gcode --load "$peers_dir/prusa-slicer.ini" "$model" -o "$out")
        [ "$supports" = 1 ] && command+=(--support-material)
        ;;
    CuraEngine)
        command=(CuraEngine slice -j "$peers_dir/cura.def.json" -l "$model" -o "$out")
        [ "$supports" = 1 ] && command+=(-s support_enable=true)
        ;;
    slic3r)
        command=(slic3r --no-gui --load "$peers_dir/slic3r.ini" -j 2 "$model" -o "$out")
        [ "$supports" = 1 ] && command+=(--support-material)
        ;;
    esac
}

# Slices once and sets `result` to "SECONDS MB" or to what went wrong. runtimed starts the slicer itself and
# times it to the microsecond from its start to its end, with its peak memory (time(1) and timeout(1) around
# it added the start of two more programs, about 10 ms, to every run).
measure_once() {
    local slicer=$1 model=$2 out=$3 supports=$4 log=$5
    local seconds kilobytes code
    rm -f "$out"
    build_command "$slicer" "$model" "$out" "$supports"
    echo "\$ ${command[*]}" >"$log"
    if ! read -r seconds kilobytes code < <("$runtimed" "$time_limit" "$log" -- "${command[@]}"); then
        result="failed(runtimed)"
    elif [ "$code" = 124 ]; then
        result="timeout"
    elif [ "$code" != 0 ]; then
        result="failed($code)"
    elif [ ! -s "$out" ]; then
        result="no-gcode"
    else
        result="$(awk -v s="$seconds" 'BEGIN { printf "%.3f", s }') $(awk -v k="$kilobytes" 'BEGIN { printf "%.0f", k / 1024 }')"
    fi
}

# Slices the model `runs` times with every slicer, taking the slicers in turn within each round, so that a
# spell of load on the machine falls on all of them alike; sets results[model,slicer] to the fastest run
# ("SECONDS MB"), or to the first failure (that slicer is then left out of the later rounds).
measure_model() {
    local model=$1 supports=$2 run slicer
    for slicer in "${slicers[@]}"; do
        results[$model,$slicer]=""
    done
    for ((run = 1; run <= runs; ++run)); do
        for slicer in "${slicers[@]}"; do
            local best=${results[$model,$slicer]}
            case "$best" in "" | [0-9]*) ;; *) continue ;; esac
            [ "$run" = 1 ] && echo "slicing $model.stl with $slicer ..."
            local log="$work/$model.$slicer.log"
            measure_once "$slicer" "$work/$model.stl" "$work/$model.$slicer.gcode" "$supports" "$log"
            case "$result" in
            [0-9]*) if [ -z "$best" ] || awk -v a="${result% *}" -v b="${best% *}" 'BEGIN { exit !(a < b) }'; then
                    results[$model,$slicer]=$result
                fi ;;
            *) echo "  $slicer on $model.stl $result; see the log:" >&2
                tail -n 5 "$log" | sed 's/^/    /' >&2
                results[$model,$slicer]=$result ;;
            esac
        done
    done
}

seconds_of() { case "$1" in [0-9]*) echo "${1% *}" ;; *) echo "" ;; esac; }
megabytes_of() { case "$1" in [0-9]*) echo "${1#* }" ;; *) echo "" ;; esac; }
cell() { case "$1" in [0-9]*) echo "${1% *} / ${1#* }" ;; *) echo "$1" ;; esac; }
# a / b to two decimals, or "-" when either is missing.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b + 0 == 0) print "-"; else printf "%.2f", a / b }'; }

# Other work on the machine changes the figures (the two-thread ones most); the table says how busy it was.
load_average() { cut -d ' ' -f 1-3 /proc/loadavg 2>/dev/null || echo unknown; }
load_before=$(load_average)

echo "Generating the models in $work"
no_big=()
[ "$quick" = 1 ] && no_big=(--no-big)
if ! "$meshgen" --bench-models "$work" "${no_big[@]}" >"$work/meshgen.log" 2>&1; then
    echo "compare_slicers: meshgen failed:" >&2
    cat "$work/meshgen.log" >&2
    exit 2
fi

models=(sphere cylinders vase tall tall2x overhang)
[ "$quick" = 1 ] || models+=(big)
slicers=(tessaline-1T tessaline-2T "${peer_names[@]}")
declare -A results

for model in "${models[@]}"; do
    supports=0
    [ "$model" = overhang ] && supports=1
    measure_model "$model" "$supports"
done

# What every run of tessaline-cli costs before and after its work, whatever the thread count: loading the
# program and its libraries, starting and ending it. Best of at least five runs of "--version".
startup=""
for ((run = 1; run <= (runs > 5 ? runs : 5); ++run)); do
    if read -r seconds _ code < <("$runtimed" 60 "$work/startup.log" -- "$cli" --version) && [ "$code" = 0 ]; then
        if [ -z "$startup" ] || awk -v a="$seconds" -v b="$startup" 'BEGIN { exit !(a < b) }'; then
            startup=$seconds
        fi
    fi
done
# (a - s) / (b - s): the two-thread speed-up of what a run does beyond starting the program.
net_ratio() {
    awk -v a="$1" -v b="$2" -v s="$3" 'BEGIN { if (a == "" || b == "" || s == "" || b - s <= 0) print "-"; else printf "%.2f", (a - s) / (b - s) }'
}
# A running sum of seconds that stays empty ("not measured") once a run is missing.
add_seconds() { awk -v s="$1" -v t="$2" 'BEGIN { if (s == "" || t == "") print ""; else print s + t }'; }
sum_one=0
sum_two=0

header="| model | tessaline 1T s / MB | tessaline 2T s / MB | 2T speed-up | 2T speed-up after start-up"
rule="|---|---|---|---|---"
for peer in "${peer_names[@]}"; do
    header+=" | $peer s / MB"
    rule+="|---"
done
# The one-thread ratio too: two threads lose badly to one when other work shares the cores.
[ ${#peer_names[@]} -gt 0 ] && header+=" | fastest peer / tessaline 2T | fastest peer / tessaline 1T" && rule+="|---|---"

echo
echo "0.2 mm layers, 2 perimeters, 10 % triangle infill, 3 top and 3 bottom layers, 0.4 mm lines, no skirt,"
echo "brim or raft; supports on overhang.stl. Wall seconds / peak resident MB; ratios above 1 favour tessaline."
echo "Load average of the machine: $load_before before, $(load_average) after ($(nproc) cores)."
echo
echo "$header |"
echo "$rule|"
for model in "${models[@]}"; do
    one=${results[$model,tessaline-1T]}
    two=${results[$model,tessaline-2T]}
    label=$model.stl
    [ "$model" = overhang ] && label+=" (supports)"
    line="| $label | $(cell "$one") | $(cell "$two") | $(ratio "$(seconds_of "$one")" "$(seconds_of "$two")")"
    line+=" | $(net_ratio "$(seconds_of "$one")" "$(seconds_of "$two")" "$startup")"
    sum_one=$(add_seconds "$sum_one" "$(seconds_of "$one")")
    sum_two=$(add_seconds "$sum_two" "$(seconds_of "$two")")
    fastest=""
    for peer in "${peer_names[@]}"; do
        peer_result=${results[$model,$peer]}
        line+=" | $(cell "$peer_result")"
        seconds=$(seconds_of "$peer_result")
        if [ -n "$seconds" ] && { [ -z "$fastest" ] || awk -v a="$seconds" -v b="$fastest" 'BEGIN { exit !(a < b) }'; }; then
            fastest=$seconds
        fi
    done
    [ ${#peer_names[@]} -gt 0 ] &&
        line+=" | $(ratio "$fastest" "$(seconds_of "$two")") | $(ratio "$fastest" "$(seconds_of "$one")")"
    echo "$line |"
done

echo
echo "Program start-up alone (tessaline-cli --version, best run): $(awk -v s="$startup" 'BEGIN { if (s == "") print "?"; else printf "%.3f", s }') s; the column after the speed-up"
echo "leaves it out of both times."
echo "All models one after another: 1T ${sum_one:-?} s, 2T ${sum_two:-?} s, speed-up $(ratio "$sum_one" "$sum_two")."
echo "Goals: 2T speed-up at least 1.6; fastest peer / tessaline 2T at least 3 on every model."
for threads in 1T 2T; do
    short=$(megabytes_of "${results[tall,tessaline-$threads]}")
    tall=$(megabytes_of "${results[tall2x,tessaline-$threads]}")
    growth=$(ratio "$tall" "$short")
    verdict="goal < 1.20 missed"
    awk -v g="$growth" 'BEGIN { exit !(g != "-" && g < 1.2) }' && verdict="goal < 1.20 met"
    [ "$growth" = "-" ] && verdict="not measured"
    echo "Memory vs height ($threads): tall2x.stl ${tall:-?} MB / tall.stl ${short:-?} MB = $growth ($verdict)"
done
exit 0
