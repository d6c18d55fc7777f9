#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ (or $ZE6_FUZZ_BUILD_DIR) and runs
# each for $ZE6_FUZZ_SECONDS seconds (15 by default) from its seed corpus in
# fuzz/corpus/. Fails on the first crash, leak, hang or sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${ZE6_FUZZ_BUILD_DIR:-build-fuzz}"
seconds="${ZE6_FUZZ_SECONDS:-15}"
targets=(JobLineFuzzer:job_line ConfigLineFuzzer:config_lines WildcardFuzzer:wildcard PathRootFuzzer:path_root
  DeflateStreamFuzzer:deflate_stream)

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DZE6_FUZZ=ON -DZE6_BUILD_TESTS=OFF -DZE6_WERROR=ON >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" --target "${targets[@]%%:*}"

# The fuzzers add what they find to a scratch copy, never to the committed seeds.
work="$(mktemp -d)"
trap 'rm -rf "$work" "${TMPDIR:-/tmp}"/ze6fuzz-*' EXIT
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for entry in "${targets[@]}"; do
  target="${entry%%:*}"
  corpus="$work/${entry#*:}"
  cp -r "fuzz/corpus/${entry#*:}" "$corpus"
  echo "fuzz: $target for ${seconds}s"
  "$build_dir/fuzz/$target" "$corpus" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
    -artifact_prefix="$build_dir/$target-" -print_final_stats=0 2>"$work/$target.log" ||
    { tail -n 60 "$work/$target.log"; echo "fuzz: $target failed" >&2; exit 1; }
done
echo "fuzz: all targets ran clean"
