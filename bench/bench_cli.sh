#!/usr/bin/env bash
# Measures the command line against the bars it is held to, each as a ratio
# to a baseline measured in the same run: `wc -l` (or `zcat | wc -l`) on the
# same file for time, the file's size for peak memory; and the minor page
# faults, a count that is the same on every machine and costly on virtual
# ones. The start is a run on the small sample profile against a program
# that loads QtCore alone (velotrace_bench without arguments).
#
#     bench/bench_cli.sh [VELOTRACE] [WORKDIR]
#
# VELOTRACE defaults to build-release/app/shell/velotrace; WORKDIR (default
# /tmp/velotrace-bench) keeps the generated profiles between runs. Needs
# hyperfine and GNU time; the profiles come from ../shared/tools/gen_profile.py.
set -euo pipefail
cd "$(dirname "$0")/.."
velotrace=$(realpath "${1:-build-release/app/shell/velotrace}")
work=${2:-/tmp/velotrace-bench}
generator=$(realpath ../shared/tools/gen_profile.py)
sample=$(realpath app/resources/sample.cachegrind)
coreOnly=$(realpath "$(dirname "$velotrace")/../../bench/velotrace_bench")
runs=${RUNS:-10}
mkdir -p "$work"
cd "$work"
# The user's settings must not change what is measured.
export XDG_CONFIG_HOME="$work/config"

[ -f calls1m.cg ] || python3 "$generator" --calls 1000000 --seed 7 -o calls1m.cg
[ -f calls1m.cg.gz ] || gzip -k calls1m.cg
# The same program profiled again: another seed.
[ -f calls1m-8.cg ] || python3 "$generator" --calls 1000000 --seed 8 -o calls1m-8.cg
[ -f calls10m.cg ] || python3 "$generator" --calls 10000000 --seed 7 -o calls10m.cg
[ -f current1m.cg ] || python3 "$generator" --calls 1000000 --seed 7 --format xdebug3 -o current1m.cg
# A chain of a million distinct functions, each calling the next (61 MB).
[ -f chain1m.cg ] || python3 - <<'PY'
with open("chain1m.cg", "w") as out:
    out.write("version: 1\ncreator: chain\ncmd: chain.php\npart: 1\n\nevents: Time\n\n")
    out.write("fl=/var/www/a.php\nfn=f0\n1 1\n\n")
    for i in range(1, 1000000):
        out.write("fl=/var/www/a.php\nfn=f%d\n1 1\ncfn=f%d\ncalls=1 0 0\n2 1\n\n" % (i, i - 1))
PY

# Median wall-clock seconds of a command, run through the shell when it
# has a pipe; more arguments go to hyperfine.
median() {
    local shell=(-N)
    [[ "$1" == *"|"* ]] && shell=()
    hyperfine "${shell[@]}" "${@:2}" --style none --warmup 2 --runs "$runs" --export-json median.json "$1" > /dev/null
    python3 -c 'import json; print(json.load(open("median.json"))["results"][0]["median"])'
}

peak() { # megabytes
    /usr/bin/time -f '%M' "$@" 2>&1 > /dev/null | tail -1 | awk '{ printf "%.1f", $1 / 1024 }'
}

faults() { # minor page faults
    /usr/bin/time -f '%R' "$@" 2>&1 > /dev/null | tail -1
}

faultReport() { # what, bar, command...
    local what=$1 bar=$2
    shift 2
    printf '%-46s %7s minor page faults                (bar %s)\n' "$what" "$(faults "$@")" "$bar"
}

size() { # megabytes
    stat -L -c %s "$1" | awk '{ printf "%.1f", $1 / 1048576 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

report() { # what, seconds, baseline seconds, baseline name, bar
    printf '%-46s %7.3f s  %7.3f s %-16s %6sx  (bar %s)\n' "$1" "$2" "$3" "$4" "$(ratio "$2" "$3")" "$5"
}

echo "velotrace: $velotrace"
echo "machine: $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo

start=$(median "$velotrace --summary --tsv $sample")
core=$(median "$coreOnly" --ignore-failure) # its usage, and exit status 2
report "start: --summary --tsv on the sample" "$start" "$core" "QtCore only" "-"
faultReport "  faults" "-" "$velotrace" --summary --tsv "$sample"
faultReport "  faults of the program loading QtCore only" "-" "$coreOnly"

wc1=$(median "wc -l calls1m.cg")
summary1=$(median "$velotrace --summary --tsv calls1m.cg")
report "--summary --tsv, 1M calls ($(size calls1m.cg) MB)" "$summary1" "$wc1" "wc -l" "10"
faultReport "  faults" "4000" "$velotrace" --summary --tsv calls1m.cg
diff1=$(median "$velotrace --diff --tsv calls1m.cg calls1m-8.cg")
report "--diff --tsv, two 1M-call profiles" "$diff1" "$summary1" "--summary --tsv" "2.5"
diffAligned1=$(median "$velotrace --diff calls1m.cg calls1m-8.cg")
report "--diff, aligned" "$diffAligned1" "$summary1" "--summary --tsv" "2.5"
mem1=$(peak "$velotrace" --summary --tsv calls1m.cg)
printf '%-46s %7s MB  %7s MB file              %6sx  (bar 1)\n' "  peak memory" "$mem1" "$(size calls1m.cg)" \
    "$(ratio "$mem1" "$(size calls1m.cg)")"

folded1=$(median "$velotrace --folded calls1m.cg")
report "--folded, 1M calls, output to /dev/null" "$folded1" "$summary1" "--summary --tsv" "-"

zcat1=$(median "zcat calls1m.cg.gz | wc -l")
gzip1=$(median "$velotrace --summary --tsv calls1m.cg.gz | wc -l")
report "--summary --tsv, the same gzipped" "$gzip1" "$zcat1" "zcat | wc -l" "1.1"

wcChain=$(median "wc -l chain1m.cg")
chain=$(median "$velotrace --summary --tsv chain1m.cg")
report "--summary --tsv, 1M-deep chain ($(size chain1m.cg) MB)" "$chain" "$wcChain" "wc -l" "20"
faultReport "  faults" "-" "$velotrace" --summary --tsv chain1m.cg
memChain=$(peak "$velotrace" --summary --tsv chain1m.cg)
printf '%-46s %7s MB  %7s MB file              %6sx  (bar 3)\n' "  peak memory" "$memChain" "$(size chain1m.cg)" \
    "$(ratio "$memChain" "$(size chain1m.cg)")"

runs=$(( runs > 3 ? 3 : runs ))
summary10=$(median "$velotrace --summary --tsv calls10m.cg")
report "--summary --tsv, 10M calls ($(size calls10m.cg) MB)" "$summary10" "$summary1" "1M calls" "12"
faultReport "  faults" "-" "$velotrace" --summary --tsv calls10m.cg
mem10=$(peak "$velotrace" --summary --tsv calls10m.cg)
printf '%-46s %7s MB  %7s MB file              %6sx  (bar 1.5)\n' "  peak memory" "$mem10" "$(size calls10m.cg)" \
    "$(ratio "$mem10" "$(size calls10m.cg)")"
runs=${RUNS:-10}

time1=$(median "$velotrace --summary --tsv current1m.cg")
memory1=$(median "$velotrace --summary --tsv --event Memory current1m.cg")
report "--event Memory, 1M calls, current dialect" "$memory1" "$time1" "default event" "1.1"
