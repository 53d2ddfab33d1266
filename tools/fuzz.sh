#!/usr/bin/env bash
# The parsers' fuzz targets, built natively with clang under ASan and UBSan (tests/fuzz).
#   tools/fuzz.sh replay            builds them and runs each once over its corpus (the tests do)
#   tools/fuzz.sh TARGET MINUTES    runs one target for that long; inputs that reach new edges go
#                                   into its corpus (a hundred files at most, those that cover the
#                                   most edges, GW_FUZZ_CORPUS_FILES); a crash leaves its input in
#                                   ${GW_FUZZ_BUILD_DIR:-build-fuzz}/findings/TARGET
# Targets: html css store proxy smtp mime png.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_FUZZ_BUILD_DIR:-${GW_BUILD_DIR:-build}-fuzz}"
clang="${GW_CLANG:-clang++-14}"

configure_and_build() {
    launcher=()
    if command -v ccache >/dev/null 2>&1; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$PWD")}"
    fi
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$clang" "${launcher[@]}" >/dev/null
    fi
    cmake --build "$build" -j"${GW_FUZZ_JOBS:-2}" "$@"
}

if [ "${1:-}" = "replay" ]; then
    configure_and_build
    ctest --test-dir "$build" --output-on-failure -j"${GW_FUZZ_JOBS:-2}"
    exit 0
fi

target="${1:?usage: tools/fuzz.sh replay | TARGET MINUTES}"
minutes="${2:?usage: tools/fuzz.sh TARGET MINUTES}"
corpus="tests/fuzz/corpus/$target"
[ -d "$corpus" ] || { echo "fuzz: no corpus $corpus" >&2; exit 2; }
# Folders whose files seed a target as they stand (as in tests/fuzz/CMakeLists.txt); new inputs
# go to the corpus only.
case "$target" in
    html) seeds=(tests/engine/parser/input tests/engine/layout/input tests/engine/paint/input resources/pages) ;;
    css) seeds=(tests/engine/css/input) ;;
    png) seeds=(resources/images tests/engine/png) ;;
    *) seeds=() ;;
esac
configure_and_build --target "$target"

fresh="$build/fresh/$target"
findings="$build/findings/$target"
mkdir -p "$fresh" "$findings"
options=(-max_total_time=$((minutes * 60)) -timeout=10 -rss_limit_mb=2048 -max_len=4096
         -artifact_prefix="$findings/" -print_final_stats=1)
dict="tests/fuzz/dict/$target.dict"
[ -f "$dict" ] && options+=(-dict="$dict")
status=0
"$build/$target" "${options[@]}" "$fresh" "$corpus" "${seeds[@]}" 2>&1 | tee "$build/fuzz-$target.log" |
    grep -E '^#[0-9]+\s+(INITED|DONE)|^==[0-9]+==|^SUMMARY|^stat::|fuzz check failed' || true
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
# Only what reaches an edge the corpus does not yet reach is kept (counting edges only, not how
# often each runs, which would keep hundreds of near twins); then, past a hundred files, only
# the seeds and the files that cover the most edges.
"$build/$target" -merge=1 -use_counters=0 -timeout=20 "$corpus" "$fresh" >/dev/null 2>&1
rm -rf "$fresh" && mkdir -p "$fresh"
control="$build/merge-$target.txt"
rm -f "$control"
"$build/$target" -merge=1 -use_counters=0 -timeout=20 -merge_control_file="$control" "$fresh" "$corpus" >/dev/null 2>&1
rm -rf "$fresh"
echo "fuzz: $target: corpus of $(tools/fuzz-cover.py "$control" "${GW_FUZZ_CORPUS_FILES:-100}"); log in $build/fuzz-$target.log"
exit $status
