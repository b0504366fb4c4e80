#!/usr/bin/env bash
# Runs the proxy relay benchmarks (5 repetitions) and prints the medians with
# the proxy's and socat's figures relative to a direct connection.
#   bench/proxy_relay_compare.sh [build-dir]
set -euo pipefail
build=${1:-build}
"$build/bench/kestrova_bench" --benchmark_filter='^ProxyRelay/' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_color=false 2>/dev/null |
awk '
  # "1.5G/s" -> 1.5e9, "44.1k" -> 44100
  function value(text,   number, unit) {
    sub(/\/s$/, "", text)
    number = text + 0
    unit = substr(text, length(text))
    if (unit == "k") return number * 1e3
    if (unit == "M") return number * 1e6
    if (unit == "G") return number * 1e9
    return number
  }
  $1 ~ /^ProxyRelay\/.*_median$/ {
    split($1, part, "/")                     # ProxyRelay/<case>/<target>/...
    key = part[2] "|" part[3]
    for (i = 2; i <= NF; i++) {
      if ($i ~ /^bytes_per_second=/) { sub(/^[^=]*=/, "", $i); bps[key] = value($i) }
      if ($i ~ /^p50_us=/) { sub(/^[^=]*=/, "", $i); p50[key] = value($i) }
    }
    order[++n] = key
  }
  END {
    printf "%-16s %-11s %14s %12s\n", "case", "target", "median", "vs direct"
    for (i = 1; i <= n; i++) {
      key = order[i]; split(key, part, "|"); direct = part[1] "|direct"
      if (key in bps)
        printf "%-16s %-11s %9.0f MB/s %11.1f%%\n", part[1], part[2], bps[key] / 1e6, 100 * bps[key] / bps[direct]
      else
        printf "%-16s %-11s %11.1f us %+9.1f us\n", part[1], part[2], p50[key], p50[key] - p50[direct]
    }
  }' | { IFS= read -r header; echo "$header"; sort -s -k1,1; }
