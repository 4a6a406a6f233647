#!/usr/bin/env bash
# Starts or stops a throwaway PostgreSQL server for the tests: its own data
# folder, Unix socket only (no TCP), run as the postgres user. The tests'
# administrator (postgres) logs in without a password; every other login (the
# operators the tests and the program use) with its password, checked by the
# server (SCRAM).
#   pg-teste.sh start DIR    pg-teste.sh stop DIR
set -euo pipefail
accao=$1
dir=$2
port=${ORLAVANE_PG_PORT:-54329}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "PostgreSQL server binaries not found (apt-get install postgresql)" >&2; exit 1; }
as_pg() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
case "$accao" in
start)
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_pg "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  mkdir -p "$dir/socket"
  [ "$(id -u)" = 0 ] && chown -R postgres:postgres "$dir"
  as_pg "$bin/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  printf '%s\n' 'local all postgres trust' 'local all all scram-sha-256' \
    'host all all 127.0.0.1/32 scram-sha-256' 'host all all ::1/128 scram-sha-256' >"$dir/data/pg_hba.conf"
  as_pg "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir/socket' -p $port -c fsync=off -c max_connections=200" start >/dev/null \
    || { cat "$dir/server.log" >&2; exit 1; }
  echo "PostgreSQL running, socket $dir/socket port $port"
  ;;
stop)
  if [ -d "$dir/data" ]; then
    as_pg "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  echo "PostgreSQL stopped"
  ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
