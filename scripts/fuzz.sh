#!/usr/bin/env bash
# Builds the libFuzzer targets with the fuzz preset and runs each for a while.
#
#   scripts/fuzz.sh [-t SECONDS] [-c CORPUS_DIR] [-n] [TARGET...]
#
#   -t  how long each target runs (default 60 seconds)
#   -c  where the corpora live, one folder per target (default build/fuzz/corpus); new inputs that
#       reach new code are kept there for the next run
#   -n  do not install, configure or build first
#
# Without a target name every target runs, one after the other. Seeds and dictionaries come from
# tools/generate_fuzz_seeds.py. A crash leaves its input in build/fuzz/artifacts/<target>/ and the
# report in build/fuzz/logs/<target>.log; the script then exits with status 1. Two invocations with -n
# may run side by side over different targets.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
corpus_root=build/fuzz/corpus
build=1
while getopts "t:c:n" option; do
    case "$option" in
    t) seconds=$OPTARG ;;
    c) corpus_root=$OPTARG ;;
    n) build=0 ;;
    *) sed -n '2,15p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

if [ "$build" = 1 ]; then
    WITH_FUZZ=1 bash scripts/bootstrap.sh
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
fi

binaries=build/fuzz/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(find "$binaries" -maxdepth 1 -type f -name 'fuzz_*' -executable -printf '%f\n' | sort)
fi

seeds=build/fuzz/seeds
python3 tools/generate_fuzz_seeds.py "$seeds"
mkdir -p build/fuzz/logs

# Allocation stacks are not recorded (the report keeps the faulting stack), which is most of the
# allocator's cost; a smaller quarantine keeps three targets side by side within memory. UBSan stops
# at its first report so that libFuzzer keeps the input.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# The targets that read real files write them to a scratch folder; a RAM disk keeps that cheap. Each
# run gets a folder of its own, removed when the script ends: a harness that aborts leaves its own
# scratch folder behind.
scratch_root=${TMPDIR:-/tmp}
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    scratch_root=/dev/shm
fi
scratch=$(mktemp -d "$scratch_root/cuu-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM
export TMPDIR=$scratch

# The longest input each target is given. The gateway codec drops lines past 64 KiB, so its inputs
# must reach beyond; the receive chain carries frames of up to 16 KiB, and a segment of the update
# server carries its image in Base64. The rest parse short texts and small containers.
max_len_of() {
    case "$1" in
    fuzz_gateway_codec) echo 131072 ;;
    fuzz_receive_chain | fuzz_update_server) echo 65536 ;;
    *) echo 4096 ;;
    esac
}
# No target needs more than a few hundred MiB, corpus and sanitizers included: one past this limit is
# growing from input to input, which libFuzzer then reports as a crash.
rss_limit_mb=1024

failed=()
for target in "${targets[@]}"; do
    if [ ! -x "$binaries/$target" ]; then
        echo "No fuzz target $target in $binaries" >&2
        exit 2
    fi
    corpus="$corpus_root/$target"
    artifacts="build/fuzz/artifacts/$target/"
    log="build/fuzz/logs/$target.log"
    mkdir -p "$corpus" "$artifacts"
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts"
        -max_len="$(max_len_of "$target")" -rss_limit_mb="$rss_limit_mb")
    if [ -f "$seeds/$target.dict" ]; then
        options+=(-dict="$seeds/$target.dict")
    fi
    if "$binaries/$target" "${options[@]}" "$corpus" "$seeds/$target" >"$log" 2>&1; then
        result=clean
    else
        result="FAILED (see $log)"
        failed+=("$target")
    fi
    rm -rf "${scratch:?}"/*
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    printf '%-24s %10s runs %7s exec/s  %s\n' "$target" "${runs:-?}" "${rate:-?}" "$result"
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed: ${failed[*]}" >&2
    exit 1
fi
