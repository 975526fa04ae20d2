#!/usr/bin/env bash
# Assembles the generated sources with the real qasm process and prints source
# lines per second and peak memory per line (a benchmark, never a test).
#   bench/run_source_bench.sh [build/qasm]
set -euo pipefail
qasm=$(realpath "${1:-build/qasm}")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
run() {
  local name=$1 shape=$2 count=$3
  python3 "$here/gen_source.py" "$shape" "$count" > "$name.s26"
  local lines
  lines=$(wc -l < "$name.s26")
  /usr/bin/time -f '%e %M' -o time.txt "$qasm" -S "$name.s26" > /dev/null || true
  read -r secs kb < time.txt
  awk -v n="$name" -v l="$lines" -v s="$secs" -v k="$kb" 'BEGIN {
    printf "%-12s %8d lines %7.3f s %10.0f lines/s %8.1f bytes/line peak\n", n, l, s, (s > 0 ? l / s : 0), k * 1024 / l }'
}
run data200k data 200000
run chain20k chain 20000
