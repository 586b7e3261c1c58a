#!/usr/bin/env bash
# The long fuzz run: each target for FUZZ_SECONDS (default 600) with a corpus
# kept in build/fuzz/corpus/TARGET, so that a later run starts where this one
# ended. Prints each target's final statistics and corpus size. scripts/test
# keeps the short bounded run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-600}
tree=$root/build/fuzz
cmake -S "$root/fuzz" -B "$tree" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$tree" -j "$(nproc)" >/dev/null
for target in fuzz_mmc_answers fuzz_sim_model; do
  corpus=$tree/corpus/$target
  mkdir -p "$corpus"
  case $target in
    fuzz_mmc_answers) max_len=1024 ;;
    *) max_len=512 ;;
  esac
  echo "== $target: $seconds s"
  "$tree/$target" "$corpus" -max_total_time="$seconds" -max_len=$max_len -rss_limit_mb=1024 \
    -print_final_stats=1 2>"$tree/$target.long.log" || { tail -40 "$tree/$target.long.log"; exit 1; }
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb|new_units_added)" "$tree/$target.long.log"
  grep -E "#[0-9]+.*DONE" "$tree/$target.long.log" | tail -1
  echo "corpus: $(find "$corpus" -type f | wc -l) inputs, $(du -sk "$corpus" | cut -f1) KiB"
done
