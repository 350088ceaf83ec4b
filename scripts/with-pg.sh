#!/usr/bin/env bash
# Runs COMMAND... beside a throwaway PostgreSQL cluster: installs the server when it is missing,
# makes a cluster in a temporary folder (initdb refuses root, so as the user postgres when run
# as root), starts it on a private socket folder with no TCP port, exports PGHOST, PGPORT and
# PGUSER (a superuser, so tests may create databases of their own), runs the command and stops
# and removes the cluster on every way out. The command's exit code is the script's.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

if [ $# -eq 0 ]; then
  echo "usage: scripts/with-pg.sh COMMAND [ARG...]" >&2
  exit 2
fi

"$here/scripts/install-deps.sh"

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "with-pg.sh: no PostgreSQL server programs under /usr/lib/postgresql" >&2
  exit 1
fi

root=$(mktemp -d /tmp/kestar-pg.XXXXXX)
chmod 755 "$root"
mkdir "$root/data" "$root/socket"
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  chown postgres:postgres "$root/data" "$root/socket"
  as_owner=(runuser -u postgres --)
fi

stop_cluster() {
  if [ -f "$root/data/postmaster.pid" ]; then
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$root/data" -m fast -w stop >/dev/null 2>&1 ||
      "${as_owner[@]}" "$bindir/pg_ctl" -D "$root/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$root"
}
trap stop_cluster EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

port=$((20000 + RANDOM % 20000))
"${as_owner[@]}" "$bindir/initdb" -D "$root/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
  >"$root/initdb.log" 2>&1 || { cat "$root/initdb.log" >&2; exit 1; }
"${as_owner[@]}" "$bindir/pg_ctl" -D "$root/data" -l "$root/socket/server.log" -w \
  -o "-k $root/socket -c listen_addresses= -p $port -c max_connections=200 -c fsync=on" start \
  >/dev/null || { cat "$root/socket/server.log" >&2; exit 1; }

export PGHOST="$root/socket" PGPORT="$port" PGUSER=postgres
unset PGDATABASE PGPASSWORD PGSERVICE
set +e
"$@"
status=$?
set -e
exit $status
