#!/usr/bin/env bash
# Runs ZE6Vivevu and the tools a user would otherwise pick side by side, in one
# sitting, and prints a markdown table of medians.
#   bench/run.sh            default sizes (a few minutes)
#   bench/run.sh --full     the sizes of the performance targets (long)
#   bench/run.sh --smoke    tiny sizes, one run each: checks that the benchmark works
# Environment: ZE6_BENCH_DIR (data and scratch, default /tmp/ze6-bench),
# ZE6_BENCH_BUILD_DIR (Release build, default build-bench), ZE6_BENCH_RUNS,
# ZE6_BENCH_BINARY (measure this program instead of building one; then
# ZE6_BENCH_LIBZIP names the libzip peer, whose rows are left out without it),
# ZE6_BENCH_ONLY=unchanged, records or remote (measure the unchanged re-runs,
# the job records or the rclone rows alone), ZE6_BENCH_RECORD_PAIRS.
# The records row runs the program once more with ZE6VIVEVU_NO_JOB_RECORDS=1,
# which makes it keep no job records; it is there for that comparison only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

mode=default
case "${1:-}" in
--smoke) mode=smoke ;;
--full) mode=full ;;
"") ;;
*) echo "usage: $0 [--smoke|--full]" >&2; exit 2 ;;
esac

case $mode in
smoke) big_mib=4 small_counts=20 prune=1000 bare=100 lines=100 listing=100 verify=20 memory_mib=0 runs=1 ;;
default) big_mib=128 small_counts="200 2000" prune=100000 bare=2000 lines=10000 listing=5000 verify=1000 memory_mib=0 runs=3 ;;
full) big_mib=512 small_counts="200 2000 20000" prune=100000 bare=20000 lines=10000 listing=5000 verify=1000 memory_mib=2048 runs=3 ;;
esac
# One-file jobs that share a target, against one folder job over the same files.
case $mode in
smoke) shared=50 ;;
default) shared=2000 ;;
full) shared=10000 ;;
esac
# The 2,000-file set of the unchanged re-runs, beside the big one.
case $mode in
smoke) unchanged_count=20 ;;
*) unchanged_count=2000 ;;
esac
runs="${ZE6_BENCH_RUNS:-$runs}"
only="${ZE6_BENCH_ONLY:-}"
case $only in
"" | unchanged | records | remote) ;;
*) echo "ZE6_BENCH_ONLY: unchanged, records, remote or nothing" >&2; exit 2 ;;
esac

if [ -n "${ZE6_BENCH_BINARY:-}" ]; then
    bin="$ZE6_BENCH_BINARY"
    libzip_bin="${ZE6_BENCH_LIBZIP:-}"
else
    # The smoke run measures the build the tests just made.
    default_build="$root/build-bench"
    [ $mode = smoke ] && default_build="$root/${ZE6_BUILD_DIR:-build}"
    build="${ZE6_BENCH_BUILD_DIR:-$default_build}"
    # Warnings are errors here too: GCC warns at -O3 about code it accepts at -O2.
    [ -e "$build/CMakeCache.txt" ] ||
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZE6_WERROR=ON ${ZE6_CMAKE_ARGS:-} >/dev/null
    cmake --build "$build" --target ZE6Vivevu ze6_bench_editor ze6_bench_libzip >/dev/null
    bin="$build/ZE6Vivevu"
    editor_bin="$build/bench/ze6_bench_editor"
    libzip_bin="$build/bench/libzip_archives"
fi

work="${ZE6_BENCH_DIR:-/tmp/ze6-bench}"
data="$work/data"
out="$work/out"
mkdir -p "$data"
export ZE6VIVEVU_LOG="$work/ze6.log"
# Each run keeps its jobs' records here, not in the state folder of whoever measures.
export XDG_STATE_HOME="$work/state"
gen() { python3 "$root/bench/generate.py" "$@"; }

# Data sets are deterministic, so one made earlier at the same size is reused.
ensure() { # name kind count
    if [ ! -e "$data/$1.done" ]; then
        rm -rf "${data:?}/$1"
        gen "$2" "$data/$1" "$3"
        touch "$data/$1.done"
    fi
}

timed=() rss=()
# Runs a command once under /usr/bin/time; appends seconds and peak RSS (KiB).
measure() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null
    read -r seconds kib <"$work/time"
    timed+=("$seconds") rss+=("$kib")
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
maximum() { printf '%s\n' "$@" | sort -g | tail -1; }
bytes() { du -sb "$1" | cut -f1; }
ours_ok() {
    if [ -s "$ZE6VIVEVU_LOG" ]; then
        echo "ZE6Vivevu logged a failure:" >&2
        cat "$ZE6VIVEVU_LOG" >&2
        exit 1
    fi
}

rows=()
commands=() # how the peers of the unchanged re-runs were called
# case, sizes, our times, peer name, peer times, our bytes, peer bytes, our RSS, peer RSS
row() {
    local ours peer
    ours=$(median $3)
    peer=$(median $5)
    rows+=("| $1 | $2 | $ours | $4 | $peer | $(awk -v a="$ours" -v b="$peer" 'BEGIN {printf (b > 0 ? "%.2f" : "-"), a / b}') | $6 | $8 | $9 |")
}
mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
size_pair() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.1f MB / %.1f MB (%.3f)", a / 1e6, b / 1e6, (b > 0 ? a / b : 0)}'; }

finish() {
    echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, $(. /etc/os-release && echo "$PRETTY_NAME"), $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg); $mode mode, median of $runs run(s), times in seconds."
    echo
    echo "| case | input | ZE6Vivevu s | peer | peer s | time ratio | archives ZE6Vivevu / peer (ratio) | peak RSS ZE6Vivevu | peak RSS peer |"
    echo "|---|---|---|---|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
    if [ ${#commands[@]} -gt 0 ]; then
        echo
        echo "Commands of the unchanged re-runs (SOURCE the data set, REPO the peer's repository):"
        printf '%s\n' "${commands[@]}"
    fi
}

# --- job records: the configuration file of many job lines with and without --
# The records must cost a run nothing measurable; the difference is a few
# milliseconds, below what `time` shows, so the clock is bash's own and the
# two runs alternate, pair after pair, for medians in milliseconds. Which of
# the two goes first changes from pair to pair: the second run of a pair
# is not the same as the first (it finds the first one's files in the cache,
# the processor in another state), and on this scale that shows.
records_row() {
    local with=() without=() pair start
    gen config "$work/config/many.rzb" "$lines"
    : >"$ZE6VIVEVU_LOG"
    "$bin" "$work/config/many.rzb" # the records exist, as they do from the second night on
    with_records() {
        start=$EPOCHREALTIME; "$bin" "$work/config/many.rzb"; with+=("$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {print (b - a) * 1000}')")
    }
    without_records() {
        start=$EPOCHREALTIME; ZE6VIVEVU_NO_JOB_RECORDS=1 "$bin" "$work/config/many.rzb"
        without+=("$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {print (b - a) * 1000}')")
    }
    for pair in $(seq "$record_pairs"); do
        if [ $((pair % 2)) = 1 ]; then with_records; without_records; else without_records; with_records; fi
    done
    ours_ok
    local a b
    a=$(median "${with[@]}") b=$(median "${without[@]}")
    rows+=("| configuration file of $lines job lines, job records kept (medians of $record_pairs alternating pairs) | $lines lines | $(awk -v t="$a" 'BEGIN {printf "%.4f", t / 1000}') | ZE6Vivevu, no job records | $(awk -v t="$b" 'BEGIN {printf "%.4f", t / 1000}') | $(awk -v a="$a" -v b="$b" 'BEGIN {printf "%.3f", a / b}') | | | |")
    # Times of a few milliseconds move with whatever else the machine does;
    # the instructions a run executes do not, so they are counted as well.
    if [ "$mode" != smoke ] && command -v valgrind >/dev/null; then
        local with_ir without_ir
        with_ir=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bin" "$work/config/many.rzb" 2>&1 | sed -n 's/.*Collected : //p')
        without_ir=$(ZE6VIVEVU_NO_JOB_RECORDS=1 valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bin" "$work/config/many.rzb" 2>&1 | sed -n 's/.*Collected : //p')
        rows+=("| the same, instructions executed in millions (valgrind --tool=callgrind, one run each) | $lines lines | $(awk -v n="$with_ir" 'BEGIN {printf "%.2f", n / 1e6}') | ZE6Vivevu, no job records | $(awk -v n="$without_ir" 'BEGIN {printf "%.2f", n / 1e6}') | $(awk -v a="$with_ir" -v b="$without_ir" 'BEGIN {printf "%.3f", a / b}') | | | |")
    fi
}
# The records cost about a percent of a run whose time moves by several
# percent from one run to the next on a shared machine: the more pairs, the
# steadier the medians; 200 take about a minute.
case $mode in
smoke) record_pairs=2 ;;
*) record_pairs=200 ;;
esac
record_pairs="${ZE6_BENCH_RECORD_PAIRS:-$record_pairs}"
# --- off-site: to a local rclone WebDAV server -------------------------------
# ZE6Vivevu makes, checks and uploads each archive through its rclone helper
# (hidden name, check, rename); the peer is `rclone copy` of the same finished
# archives, made beforehand by a local run, to the same server. The ratio is
# what making the archives and our checks and renames add to the transfer.
# Each run writes into a remote folder of its own.
remote_rows() {
    ensure "big$big_mib" big "$big_mib"
    if command -v rclone >/dev/null; then
        webdav="$work/webdav" staged_local="$work/remote-local"
        rm -rf "$webdav" "$staged_local" && mkdir -p "$webdav"
        port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
        rclone serve webdav "$webdav" --addr "127.0.0.1:$port" --user bench --pass ze6-bench >"$work/webdav.log" 2>&1 &
        webdav_pid=$!
        trap 'kill "$webdav_pid" 2>/dev/null || true' EXIT
        export RCLONE_CONFIG="$work/rclone.conf" XDG_CACHE_HOME="$work/cache"
        printf '[bench]\ntype = webdav\nurl = http://127.0.0.1:%s\nvendor = other\nuser = bench\npass = %s\n' \
            "$port" "$(rclone obscure ze6-bench)" >"$RCLONE_CONFIG"
        for _ in $(seq 100); do rclone lsf bench: >/dev/null 2>&1 && break; sleep 0.1; done
        ensure "small$unchanged_count" small "$unchanged_count"
        remote_case() { # case name, job source, its archives made locally
            local ours=() peer=() n
            : >"$ZE6VIVEVU_LOG"
            "$bin" "$2" "$3/"; ours_ok
            for n in $(seq "$runs"); do
                timed=() rss=(); measure "$bin" "$2" "rclone:bench:ours$n/"; ours_ok
                ours+=("${timed[0]}")
                timed=() rss=(); measure rclone copy "$3" "bench:peer$n/"
                peer+=("${timed[0]}")
            done
            [ "$(find "$webdav/ours1" -name '*.RZZ' | wc -l)" -eq "$(find "$3" -name '*.RZZ' | wc -l)" ] ||
                { echo "the remote run left other archives than the local one" >&2; exit 1; }
            row "$1 to \`rclone serve webdav\` on 127.0.0.1" "$(size_pair "$(bytes "$3")" 0 | cut -d' ' -f1-2) of archives" \
                "${ours[*]}" "\`rclone copy ARCHIVES bench:peer/\` (its defaults)" "${peer[*]}" "" "" "" ""
            rm -rf "${webdav:?}"/* "$3"
        }
        remote_case "one data file + 3 companions" "$data/big$big_mib/LEDGER.RZT" "$staged_local/big"
        remote_case "$unchanged_count data files of 8-64 KiB + 2 companions" "$data/small$unchanged_count/" \
            "$staged_local/small"
        kill "$webdav_pid" 2>/dev/null || true
    fi
}
if [ "$only" = remote ]; then
    remote_rows
    finish
    exit 0
fi
if [ "$only" = records ]; then
    records_row
    finish
    exit 0
fi

# --- unchanged re-runs: a second backup over data that did not change -----
# ZE6Vivevu with IFCHANGED compares every file by size and CRC-32 with the
# newest archive (reading all of each) and writes nothing; restic and borg
# skip files by their own caches of size, times and inode. Each tool first
# backs up the set once, untimed; then its unchanged re-run is timed runs
# times over the same data, each time from a page cache that holds the
# data set and the tool's target (both were just read or written). The
# target's size is taken after the first two runs.
restic_env=(env RESTIC_PASSWORD=ze6-bench RESTIC_CACHE_DIR="$work/restic-cache")
borg_env=(env BORG_BASE_DIR="$work/borg-base" BORG_UNKNOWN_UNENCRYPTED_REPO_ACCESS_IS_OK=yes
    BORG_RELOCATED_REPO_ACCESS_IS_OK=yes)
commands=(
    "- ZE6Vivevu: \`ZE6Vivevu SOURCE/LEDGER.RZT OUT/ IFCHANGED\` (big set), \`ZE6Vivevu SOURCE/ OUT/ IFCHANGED\` (many files); once, then timed again"
)
have_restic=$(command -v restic || true)
have_borg=$(command -v borg || true)
[ -n "$have_restic" ] && commands+=("- restic $(restic version | cut -d' ' -f2): \`restic init -q --repo REPO\`, \`restic backup -q --repo REPO SOURCE\` once, then timed again (RESTIC_PASSWORD set, its cache under the scratch folder)")
[ -n "$have_borg" ] && commands+=("- borg $(borg --version | cut -d' ' -f2): \`borg init --encryption=none REPO\`, \`borg create REPO::run1 SOURCE\` once, then timed \`borg create REPO::runN SOURCE\` (BORG_BASE_DIR under the scratch folder)")
unchanged_case() { # name, source folder, job source, data files
    local name=$1 set=$2 job=$3 count=$4
    local ours_t=() ours_m=() restic_t=() restic_m=() borg_t=() borg_m=()
    local ours_size restic_size borg_size input
    # Every tool reads the same warm data.
    cat "$set"/* >/dev/null
    rm -rf "$out" && mkdir -p "$out" && : >"$ZE6VIVEVU_LOG"
    "$bin" "$job" "$out/" IFCHANGED >/dev/null; ours_ok
    for i in $(seq "$runs"); do
        timed=() rss=(); measure "$bin" "$job" "$out/" IFCHANGED; ours_ok
        ours_t+=("${timed[0]}") ours_m+=("${rss[0]}")
        if [ "$i" -eq 1 ]; then ours_size=$(bytes "$out"); fi
    done
    written=$(find "$out" -name '*.RZZ' | wc -l)
    [ "$written" -eq "$count" ] || { echo "unchanged re-runs left $written archives of $count data files" >&2; exit 1; }
    input="$(size_pair "$(bytes "$set")" 0 | cut -d' ' -f1-2) in, $count data file(s)"
    local ours_rss
    ours_rss="$(mib "$(maximum "${ours_m[@]}")") MiB"
    if [ -n "$have_restic" ]; then
        rm -rf "$work/restic" "$work/restic-cache"
        "${restic_env[@]}" restic init -q --repo "$work/restic" >/dev/null
        "${restic_env[@]}" restic backup -q --repo "$work/restic" "$set" >/dev/null
        for i in $(seq "$runs"); do
            timed=() rss=(); measure "${restic_env[@]}" restic backup -q --repo "$work/restic" "$set"
            restic_t+=("${timed[0]}") restic_m+=("${rss[0]}")
            if [ "$i" -eq 1 ]; then restic_size=$(bytes "$work/restic"); fi
        done
        rm -rf "$work/restic" "$work/restic-cache"
        row "unchanged re-run, $name" "$input" "${ours_t[*]}" "\`restic backup -q --repo REPO SOURCE\`" "${restic_t[*]}" \
            "$(size_pair "$ours_size" "$restic_size")" "" "$ours_rss" "$(mib "$(maximum "${restic_m[@]}")") MiB"
    fi
    if [ -n "$have_borg" ]; then
        rm -rf "$work/borg" "$work/borg-base"
        "${borg_env[@]}" borg init --encryption=none "$work/borg" >/dev/null 2>&1
        "${borg_env[@]}" borg create "$work/borg::run1" "$set"
        for i in $(seq "$runs"); do
            timed=() rss=(); measure "${borg_env[@]}" borg create "$work/borg::run$((i + 1))" "$set"
            borg_t+=("${timed[0]}") borg_m+=("${rss[0]}")
            if [ "$i" -eq 1 ]; then borg_size=$(bytes "$work/borg"); fi
        done
        rm -rf "$work/borg" "$work/borg-base"
        row "unchanged re-run, $name" "$input" "${ours_t[*]}" "\`borg create REPO::runN SOURCE\`" "${borg_t[*]}" \
            "$(size_pair "$ours_size" "$borg_size")" "" "$ours_rss" "$(mib "$(maximum "${borg_m[@]}")") MiB"
    fi
    if [ -z "$have_restic$have_borg" ]; then
        rows+=("| unchanged re-run, $name | $input | $(median "${ours_t[@]}") | (restic and borg not installed) | | | $(size_pair "$ours_size" 0 | cut -d' ' -f1-2) | $ours_rss | |")
    fi
}
ensure "big$big_mib" big "$big_mib"
unchanged_case "one data file + 3 companions" "$data/big$big_mib" "$data/big$big_mib/LEDGER.RZT" 1
ensure "small$unchanged_count" small "$unchanged_count"
unchanged_case "data files of 8-64 KiB + 2 companions" "$data/small$unchanged_count" "$data/small$unchanged_count/" "$unchanged_count"
rm -rf "$out"
if [ "$only" = unchanged ]; then
    finish
    exit 0
fi

# --- big: one large data file with three companions ------------------------
# Besides zip, the limit of two cores: libdeflate-gzip (Debian's libdeflate,
# linked statically like ZE6Vivevu's) compresses each file at level 6 on one
# core, and half its time is what two cores could at best take for the same
# compression. It writes a gzip stream and checks nothing.
ensure "big$big_mib" big "$big_mib"
src="$data/big$big_mib"
big_files=(LEDGER.RZT LEDGER.RZD LEDGER.RZI LEDGER.RZA)
ours_t=() ours_m=() zip_t=() zip_m=() limit_t=() limit_m=()
for _ in $(seq "$runs"); do
    rm -rf "$out" && mkdir -p "$out" && : >"$ZE6VIVEVU_LOG"
    timed=() rss=(); measure "$bin" "$src/LEDGER.RZT" "$out/"; ours_ok
    ours_t+=("${timed[0]}") ours_m+=("${rss[0]}")
    ours_size=$(bytes "$out")
    unzip -tqq "$out"/*.RZZ
    rm -rf "$out" && mkdir -p "$out"
    timed=() rss=(); measure bash -c "cd '$src' && zip -q -6 '$out/LEDGER.zip' ${big_files[*]}"
    zip_t+=("${timed[0]}") zip_m+=("${rss[0]}")
    zip_size=$(bytes "$out")
    timed=() rss=(); measure bash -c "cd '$src' && for f in ${big_files[*]}; do libdeflate-gzip -6 -c \$f >'$out/limit.gz'; done"
    limit_t+=("$(awk -v s="${timed[0]}" 'BEGIN {printf "%.3f", s / 2}')") limit_m+=("${rss[0]}")
done
big_in="$(size_pair "$(bytes "$src")" 0 | cut -d' ' -f1-2) in"
row "one data file + 3 companions" "$big_in" "${ours_t[*]}" "\`zip -q -6 LEDGER.zip ${big_files[*]}\`" "${zip_t[*]}" \
    "$(size_pair "$ours_size" "$zip_size")" "" "$(mib "$(maximum "${ours_m[@]}")") MiB" "$(mib "$(maximum "${zip_m[@]}")") MiB"
row "the same, against the two-core limit" "$big_in" "${ours_t[*]}" \
    "\`libdeflate-gzip -6 -c\` on each file, one core; time / 2" "${limit_t[*]}" "" "" \
    "$(mib "$(maximum "${ours_m[@]}")") MiB" "$(mib "$(maximum "${limit_m[@]}")") MiB"

# --- small: many small data files, two companions each ---------------------
# Two peers: a shell loop of zip, one process per archive as a script would
# do it, and one process of plain libzip; neither syncs or reads back. Each
# starts from a synced disk, so that no one's sync also writes out what the
# one before left behind (such as the deletion of its archives).
fresh_out() { rm -rf "$out" && mkdir -p "$out" && sync; }
zip_loop='for f in *.RZT; do s=${f%.RZT}; zip -q -6 OUT/$s.zip $s.RZT $s.RZD $s.RZI; done'
for small in $small_counts; do
    ensure "small$small" small "$small"
    src="$data/small$small"
    ours_t=() ours_m=() zip_t=() zip_m=() libzip_t=() libzip_m=()
    for _ in $(seq "$runs"); do
        fresh_out && : >"$ZE6VIVEVU_LOG"
        timed=() rss=(); measure "$bin" "$src/" "$out/"; ours_ok
        ours_t+=("${timed[0]}") ours_m+=("${rss[0]}")
        ours_size=$(bytes "$out")
        fresh_out
        timed=() rss=(); measure bash -c "cd '$src' && ${zip_loop//OUT/\'$out\'}"
        zip_t+=("${timed[0]}") zip_m+=("${rss[0]}")
        zip_size=$(bytes "$out")
        if [ -n "${libzip_bin:-}" ]; then
            fresh_out
            timed=() rss=(); measure "$libzip_bin" "$src" "$out"
            libzip_t+=("${timed[0]}") libzip_m+=("${rss[0]}")
            libzip_size=$(bytes "$out")
        fi
    done
    input="$(size_pair "$(bytes "$src")" 0 | cut -d' ' -f1-2) in"
    row "$small data files of 8-64 KiB + 2 companions" "$input" "${ours_t[*]}" "\`cd SOURCE && $zip_loop\`" \
        "${zip_t[*]}" "$(size_pair "$ours_size" "$zip_size")" "" \
        "$(mib "$(maximum "${ours_m[@]}")") MiB" "$(mib "$(maximum "${zip_m[@]}")") MiB"
    if [ -n "${libzip_bin:-}" ]; then
        row "$small data files of 8-64 KiB + 2 companions" "$input" "${ours_t[*]}" \
            "\`libzip_archives SOURCE OUT\` (bench/peers, one process, libzip $(pkg-config --modversion libzip), level 6)" \
            "${libzip_t[*]}" "$(size_pair "$ours_size" "$libzip_size")" "" \
            "$(mib "$(maximum "${ours_m[@]}")") MiB" "$(mib "$(maximum "${libzip_m[@]}")") MiB"
    fi
done

# --- prune: a series of archives cut down to 5 ------------------------------
ours_t=() ours_m=() rm_t=()
for _ in $(seq "$runs"); do
    rm -rf "$work/prune" && gen prune "$work/prune" "$prune" && : >"$ZE6VIVEVU_LOG"
    timed=() rss=(); measure "$bin" "$work/prune/P.RZT" "$work/prune/target/" KEEPLAST:5; ours_ok
    ours_t+=("${timed[0]}") ours_m+=("${rss[0]}")
    left=$(find "$work/prune/target" -type f | wc -l)
    [ "$left" -eq 5 ] || { echo "pruning left $left archives" >&2; exit 1; }
    rm -rf "$work/prune" && gen prune "$work/prune" "$prune"
    timed=() rss=(); measure find "$work/prune/target" -type f -name 'P_*.RZZ' -delete
    rm_t+=("${timed[0]}")
done
rm -rf "$work/prune"
row "prune $prune archives to 5" "$prune files" "${ours_t[*]}" "find -delete (all)" "${rm_t[*]}" "" "" \
    "$(mib "$(maximum "${ours_m[@]}")") MiB" ""

# --- data files without companions vs with every companion -----------------
ensure "bare$bare" bare "$bare"
ensure "full$bare" full "$bare"
bare_t=() bare_m=() full_t=()
for _ in $(seq "$runs"); do
    for kind in bare full; do
        rm -rf "$out" && mkdir -p "$out" && : >"$ZE6VIVEVU_LOG"
        timed=() rss=(); measure "$bin" "$data/$kind$bare/" "$out/"; ours_ok
        if [ $kind = bare ]; then bare_t+=("${timed[0]}") bare_m+=("${rss[0]}"); else full_t+=("${timed[0]}"); fi
    done
done
row "$bare data files, no companions" "$bare archives" "${bare_t[*]}" "ZE6Vivevu, all 9 companions present" "${full_t[*]}" "" "" \
    "$(mib "$(maximum "${bare_m[@]}")") MiB" ""

# --- configuration file of many job lines ----------------------------------
gen config "$work/config/many.rzb" "$lines"
gen config "$work/config/one.rzb" 1
many_t=() one_t=() many_m=()
for _ in $(seq "$runs"); do
    : >"$ZE6VIVEVU_LOG"
    timed=() rss=(); measure "$bin" "$work/config/many.rzb"; ours_ok
    many_t+=("${timed[0]}") many_m+=("${rss[0]}")
    timed=() rss=(); measure "$bin" "$work/config/one.rzb"; ours_ok
    one_t+=("${timed[0]}")
done
row "configuration file of $lines job lines" "$lines lines" "${many_t[*]}" "ZE6Vivevu, 1 line" "${one_t[*]}" "" "" \
    "$(mib "$(maximum "${many_m[@]}")") MiB" ""
records_row

# --- one-file jobs into one target vs one folder job -------------------------
# The editor writes one job per ticked file when not every file is ticked.
# Syncing dominates the wall time and varies with the disk's other work, so
# the processor time (user + system) of both is shown as well.
ensure "bare$shared" bare "$shared"
gen jobs "$work/config/shared.rzb" "$shared" --source "$data/bare$shared" --target "$out/" --keep-last 5
jobs_t=() jobs_m=() jobs_c=() folder_t=() folder_c=()
shared_measure() { # appends seconds, peak RSS (KiB) and processor seconds
    /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >/dev/null
    read -r seconds kib user system <"$work/time"
    timed+=("$seconds") rss+=("$kib") cpu+=("$(awk -v u="$user" -v s="$system" 'BEGIN {print u + s}')")
}
for _ in $(seq "$runs"); do
    rm -rf "$out" && mkdir -p "$out" && : >"$ZE6VIVEVU_LOG"
    timed=() rss=() cpu=(); shared_measure "$bin" "$work/config/shared.rzb"; ours_ok
    jobs_t+=("${timed[0]}") jobs_m+=("${rss[0]}") jobs_c+=("${cpu[0]}")
    written=$(find "$out" -name '*.RZZ' | wc -l)
    [ "$written" -eq "$shared" ] || { echo "$shared one-file jobs wrote $written archives" >&2; exit 1; }
    rm -rf "$out" && mkdir -p "$out"
    timed=() rss=() cpu=(); shared_measure "$bin" "$data/bare$shared/" "$out/" KEEPLAST:5; ours_ok
    folder_t+=("${timed[0]}") folder_c+=("${cpu[0]}")
done
row "$shared one-file jobs into one target" "$shared jobs; CPU $(median "${jobs_c[@]}") s vs $(median "${folder_c[@]}") s" \
    "${jobs_t[*]}" "ZE6Vivevu, 1 folder job" "${folder_t[*]}" "" "" "$(mib "$(maximum "${jobs_m[@]}")") MiB" ""

# --- verify: every archive of a folder read back and checked ---------------
ensure "small$verify" small "$verify"
if [ ! -e "$data/verify$verify.done" ]; then
    rm -rf "${data:?}/verify$verify" && : >"$ZE6VIVEVU_LOG"
    "$bin" "$data/small$verify/" "$data/verify$verify/"; ours_ok
    touch "$data/verify$verify.done"
fi
ours_t=() ours_m=() unzip_t=() unzip_m=()
for _ in $(seq "$runs"); do
    : >"$ZE6VIVEVU_LOG"
    timed=() rss=(); measure "$bin" /VERIFY "$data/verify$verify/"; ours_ok
    ours_t+=("${timed[0]}") ours_m+=("${rss[0]}")
    # unzip expands the quoted pattern itself and tests every archive in one process.
    timed=() rss=(); measure unzip -tqq "$data/verify$verify/*.RZZ"
    unzip_t+=("${timed[0]}") unzip_m+=("${rss[0]}")
done
row "verify $verify archives" "$(size_pair "$(bytes "$data/verify$verify")" 0 | cut -d' ' -f1-2) in" "${ours_t[*]}" \
    "unzip -tqq" "${unzip_t[*]}" "" "" "$(mib "$(maximum "${ours_m[@]}")") MiB" "$(mib "$(maximum "${unzip_m[@]}")") MiB"

# --- the entry editor listing a folder of data files -----------------------
if [ -n "${editor_bin:-}" ]; then
    ensure "bare$listing" bare "$listing"
    mkdir -p -m 700 "$work/runtime"
    for platform in offscreen xcb; do
        # xcb: a real X server, Xvfb, as a desktop session would have.
        run_editor=(env QT_QPA_PLATFORM=$platform XDG_RUNTIME_DIR="$work/runtime")
        [ $platform = xcb ] && run_editor=(xvfb-run -a -s "-screen 0 1280x1024x24" "${run_editor[@]}")
        listing_t=() listing_m=()
        for _ in $(seq "$runs"); do
            seconds=$("${run_editor[@]}" /usr/bin/time -f "%M" -o "$work/time" "$editor_bin" "$data/bare$listing" "$listing")
            listing_t+=("$seconds") listing_m+=("$(cat "$work/time")")
        done
        rows+=("| editor lists a folder of $listing data files ($platform) | $listing files | $(median "${listing_t[@]}") | | | | | $(mib "$(maximum "${listing_m[@]}")") MiB | |")
    done
fi

remote_rows

# --- memory: one very large data file --------------------------------------
if [ "$memory_mib" -gt 0 ]; then
    ensure "memory$memory_mib" big "$memory_mib"
    rm -rf "$out" && mkdir -p "$out" && : >"$ZE6VIVEVU_LOG"
    timed=() rss=(); measure "$bin" "$data/memory$memory_mib/LEDGER.RZT" "$out/"; ours_ok
    rows+=("| peak memory, $memory_mib MiB data file | $(size_pair "$(bytes "$data/memory$memory_mib")" 0 | cut -d' ' -f1-2) in | ${timed[0]} | | | | $(size_pair "$(bytes "$out")" 0 | cut -d' ' -f1-2) | $(mib "${rss[0]}") MiB | |")
fi
rm -rf "$out"
finish
