#!/usr/bin/env bash
# The viewer against the desktop viewers on the two things users feel: opening a file
# from the command line (exec to picture visible) and browsing a folder (key press to
# next picture visible), with the harness in ../shared/gui-bench. Every series takes
# turns between the programs; a second build of ours (BASE_VIEWER, e.g. an older
# commit) takes turns with this one in the browsing series.
#   bench/gui_goals.sh [RUNS] [NEXT_RUNS]     (rounds per series: 5, and 3 for browsing)
# TSN_VIEWER: the viewer measured (default build-release/src/ui/tsn-viewer);
# BASE_VIEWER: the one compared with it (optional); PEERS: the other viewers (default
# all that the harness knows and that are installed); GUI_BENCH: the harness folder.
# The rapid series is run twice: as the harness counts it (a draft is a picture), and
# with 95% of the marker pixels asked for, which only the full picture gives.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
next_runs=${2:-3}
bench=${GUI_BENCH:-$(realpath ../shared/gui-bench)}
viewer=$(realpath "${TSN_VIEWER:-build-release/src/ui/tsn-viewer}")
base=${BASE_VIEWER:+$(realpath "$BASE_VIEWER")}
peers=()
for peer in ${PEERS:-feh qimgv eog geeqie lximage-qt}; do
    command -v "$peer" >/dev/null && peers+=("$peer")
done
export LOAD_MAX=${LOAD_MAX:-1.5} LOAD_WAIT=${LOAD_WAIT:-120} SHOTS=${SHOTS:-0}
export OUT=${OUT:-/tmp/gui-goals}

rows() { grep -E '^(###|\| )' | grep -v -E '^\|( program|---)' || true; }

echo "## exec to picture visible (open_latency.sh, $runs rounds)"
# Its own folder: the browsing pictures beside the opened one would be opened ahead.
OUT=$OUT/open TSN_VIEWER=$viewer RUNS=$runs \
    "$bench/open_latency.sh" ours ours-full "${peers[@]}" | rows

# next_latency.sh SIZES DWELL [DETECT_OPTS] LABEL... for ours and, in turn, the base.
next() {
    local sizes=$1 dwell=$2 detect=$3
    shift 3
    OUT=$OUT/next TSN_VIEWER=$viewer RUNS=$next_runs SIZES=$sizes DWELL=$dwell \
        DETECT_OPTS=$detect "$bench/next_latency.sh" "$@" | rows
    if [ -n "$base" ]; then
        echo "(base: $base)"
        OUT=$OUT/next TSN_VIEWER=$base RUNS=$next_runs SIZES=$sizes DWELL=$dwell \
            DETECT_OPTS=$detect "$bench/next_latency.sh" ours | rows
    fi
}
echo "## next picture, reading pace (next_latency.sh, $next_runs rounds)"
next "1600x1200 6000x4000" 1500 "" ours "${peers[@]}"
echo "## next picture, rapid: first picture (a draft counts)"
next 6000x4000 0 "" ours "${peers[@]}"
echo "## next picture, rapid: full picture (95% of the markers)"
next 6000x4000 0 "-f 0.95" ours
