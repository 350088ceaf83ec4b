#!/usr/bin/env bash
# Builds every benchmark in release mode (into build-rel/ beside the sources, or the folder in
# KESTAR_BENCH_BUILD) and runs each of them RUNS times (3 unless given), then prints the median
# of every RESULT line. The first run generates the large data folder (bench-data/ of the build
# folder); the import benchmark writes its own old folder once (about 20 minutes) and can be
# left out with --no-import. With --postgres the benchmarks that have a PostgreSQL run make it
# too, and workstations_bench runs, all beside a throwaway cluster (scripts/with-pg.sh) unless
# PGHOST names a server already.
#
#   bench/run-all.sh [--no-import] [--postgres] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTAR_BENCH_BUILD:-$here/build-rel}
runs=3
benches=(engine_bench posting_bench chooser_bench stocklist_bench report_bench import_bench)
postgres=
for arg in "$@"; do
  case $arg in
    --no-import) benches=("${benches[@]/import_bench/}") ;;
    --postgres) postgres=1 ;;
    *) runs=$arg ;;
  esac
done
if [[ -n $postgres ]]; then
  if [[ -z ${PGHOST:-} ]]; then
    exec "$here/scripts/with-pg.sh" "$0" "$@"
  fi
  benches+=(workstations_bench)
fi
# The benchmarks that also measure on PostgreSQL when asked to.
pg_flag() {
  case $1 in
    engine_bench|posting_bench|chooser_bench) [[ -n $postgres ]] && echo --postgres ;;
  esac
  return 0
}

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$here}"
fi
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTAR_BUILD_TESTS=OFF \
  "${launcher[@]}" >/dev/null
targets=()
for bench in "${benches[@]}"; do
  [[ -n $bench ]] && targets+=(--target "$bench")
done
cmake --build "$build" "${targets[@]}" -j"${KESTAR_BENCH_JOBS:-2}"

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for ((run = 1; run <= runs; ++run)); do
  for bench in "${benches[@]}"; do
    [[ -n $bench ]] || continue
    echo "== $bench, run $run of $runs"
    if ! "$build/bench/$bench" $(pg_flag "$bench") | tee /dev/stderr | grep '^RESULT ' >>"$results"; then
      echo "!! $bench failed" >&2
    fi
  done 2>&1
done

echo
echo "Medians of $runs runs:"
# RESULT <name> <value> <unit>: the median value of each name, in the order first seen.
awk '$1 == "RESULT" {
       if (!($2 in count)) { order[++names] = $2; unit[$2] = $4 }
       values[$2, ++count[$2]] = $3
     }
     END {
       for (i = 1; i <= names; ++i) {
         name = order[i]; n = count[name]
         for (a = 1; a <= n; ++a) v[a] = values[name, a]
         for (a = 1; a <= n; ++a) for (b = a + 1; b <= n; ++b) if (v[b] < v[a]) { t = v[a]; v[a] = v[b]; v[b] = t }
         printf "RESULT %s %s %s\n", name, v[int((n + 1) / 2)], unit[name]
       }
     }' "$results"
