#!/usr/bin/env bash
# Installs what is missing, builds, prepares a demo installation (the program with podaci/ and
# back-up/ beside it) and starts KESTAR there.
#   scripts/run-demo.sh              the demo in demo/, its tables SQLite files in demo/podaci
#   scripts/run-demo.sh --postgres   the demo in demo-pg/, its tables in a PostgreSQL database
#                                    of a throwaway local cluster (scripts/with-pg.sh), which
#                                    is made anew each time and removed when KESTAR ends
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
postgres=0
case "${1:-}" in
  --postgres) postgres=1 ;;
  --postgres-cluster-ready) postgres=2 ;; # run again by with-pg.sh, beside its cluster
  "") ;;
  *) echo "usage: scripts/run-demo.sh [--postgres]" >&2; exit 2 ;;
esac

if [ "$postgres" -eq 1 ]; then
  "$here/scripts/install-deps.sh"
  "$here/scripts/build.sh"
  exec "$here/scripts/with-pg.sh" "$0" --postgres-cluster-ready
fi
if [ "$postgres" -eq 0 ]; then
  "$here/scripts/install-deps.sh"
  "$here/scripts/build.sh"
fi

demo="$here/demo"
[ "$postgres" -eq 2 ] && demo="$here/demo-pg"
mkdir -p "$demo"
cp "$here/build/app/kestar" "$demo/kestar"
if [ "$postgres" -eq 2 ]; then
  # The cluster is new: so are the database and the data folder that names it. The selector
  # file names the database alone; libpq finds the cluster through PGHOST and PGPORT.
  rm -rf "$demo/podaci"
  psql -X -q -d postgres -c "CREATE DATABASE kestar_demo"
  "$here/build/tools/kestar-setup" new "$demo/podaci" --password 123 --demo \
    --postgres "dbname=kestar_demo"
elif [ ! -d "$demo/podaci" ]; then
  if [ -x "$here/build/tools/kestar-setup" ]; then
    "$here/build/tools/kestar-setup" new "$demo/podaci" --password 123 --demo
  else
    "$here/scripts/demo-textfiles.sh" "$demo/podaci"
  fi
fi
mkdir -p "$demo/back-up"
# The program expects the short date form dd/MM/yyyy and "." as decimal separator; Qt reads
# them from these variables (no generated system locale is needed).
regional=(LANG=en_GB.UTF-8 LC_ALL= LC_TIME=en_GB.UTF-8 LC_NUMERIC=en_GB.UTF-8)
cd "$demo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display here, so KESTAR cannot open its window."
  if [ "$postgres" -eq 2 ]; then
    echo "The database of this demo goes away with its cluster now. Run it under a virtual"
    echo "display instead:  xvfb-run -a $here/scripts/run-demo.sh --postgres"
    exit 0
  fi
  echo "The demo installation is ready in $demo. Start it under a virtual display with:"
  echo "  cd $demo && LANG=en_GB.UTF-8 xvfb-run -a ./kestar"
  echo "or take a screenshot of it with:"
  echo "  $here/scripts/screenshot.sh $demo /tmp/kestar.png"
  exit 0
fi
echo "Starting KESTAR in $demo (administrator password: 123)"
if [ "$postgres" -eq 2 ]; then
  echo "Its tables are in the database kestar_demo; read them with: psql -d kestar_demo"
  # Not exec: with-pg.sh stops the cluster once KESTAR ends.
  env "${regional[@]}" ./kestar
  exit $?
fi
exec env "${regional[@]}" ./kestar
