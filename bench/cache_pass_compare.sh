#!/usr/bin/env bash
# Runs the 200k-file cache pass benchmarks (5 repetitions) and prints the
# medians: first and steady pass against du -sb and gdu, the steady CPU cost
# per second of polling, and the memory remembered per file.
#   bench/cache_pass_compare.sh [build-dir]
set -euo pipefail
build=${1:-build}
"$build/bench/kestrova_bench" --benchmark_filter='200kFiles' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_color=false 2>/dev/null |
awk '
  $1 ~ /_median$/ {
    name = $1; sub(/^BM_/, "", name); sub(/200kFiles.*$/, "", name)
    wall[name] = $2 + 0
    for (i = 2; i <= NF; i++) {
      if ($i ~ /^cpu_ms_per_s_at_5s=/) { sub(/^[^=]*=/, "", $i); perSecond = $i + 0 }
      if ($i ~ /^bytes_per_file=/) { sub(/^[^=]*=/, "", $i); perFile = $i + 0 }
    }
  }
  END {
    printf "%-22s %12s\n", "median wall time", "ms"
    for (n in wall) printf "%-22s %12.3f\n", n, wall[n]
    first = wall["CacheFirstPass"]; steady = wall["CachePass"]
    if (first > 0) printf "steady / first pass    %12.4f\n", steady / first
    if (wall["DuApparentSize"] > 0) printf "first pass / du -sb    %12.3f\n", first / wall["DuApparentSize"]
    if (wall["GduApparentSize"] > 0) printf "first pass / gdu       %12.3f\n", first / wall["GduApparentSize"]
    printf "steady CPU ms per s    %12.4f\n", perSecond
    printf "bytes per file         %12.2f\n", perFile
  }'
