#!/usr/bin/env bash
# Starts or stops a throwaway PostgreSQL server that takes connections over
# TLS only, for the tests of verified connections. Beside it, in DIR:
#   ca.crt        the authority that signed the server's certificate (made here)
#   outra-ca.crt  another authority, which signed nothing of this server's
#   porta         the TCP port it listens on, on 127.0.0.1 only
# Its certificate names the host "localhost" only. Over TCP it takes nothing
# but "hostssl" connections with a SCRAM password: the role "orlavane" (which
# may create roles, as the administrator who installs the ERP's functions),
# password "segredo-tls", database "empresa" (owned by that role). Over its
# Unix socket (DIR/socket) every local role is trusted, to prepare the data.
#   pg-tls-teste.sh start DIR    pg-tls-teste.sh stop DIR
set -euo pipefail
accao=$1
dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "PostgreSQL server binaries not found (apt-get install postgresql)" >&2; exit 1; }
as_pg() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
parar() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_pg "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}
case "$accao" in
start)
  parar
  mkdir -p "$dir/socket" "$dir/tls"
  # Elliptic-curve keys: made in milliseconds.
  cd "$dir/tls"
  ac() { # NAME SUBJECT
    openssl req -x509 -new -nodes -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -keyout "$1.key" \
      -out "$1.crt" -days 2 -subj "$2" -addext basicConstraints=critical,CA:TRUE \
      -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
  }
  ac ca "/CN=Orlavane teste AC"
  ac outra-ca "/CN=Outra AC"
  openssl req -new -nodes -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -keyout server.key -out server.csr \
    -subj "/CN=localhost" 2>/dev/null
  printf 'subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\n' >server.ext
  openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out server.crt -days 2 \
    -extfile server.ext 2>/dev/null
  cp ca.crt outra-ca.crt "$dir/"
  chmod 600 server.key
  cd - >/dev/null
  [ "$(id -u)" = 0 ] && chown -R postgres:postgres "$dir"
  as_pg "$bin/initdb" -N -D "$dir/data" -U postgres --auth-local=trust --auth-host=reject -E UTF8 --locale=C.UTF-8 \
    >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
  # TCP: TLS with a SCRAM password, nothing else.
  cat >"$dir/data/pg_hba.conf" <<'HBA'
local   all all                  trust
hostssl all all 127.0.0.1/32     scram-sha-256
HBA
  # A port of its own, derived from the folder; the next one when it is taken.
  porta=$((20000 + $(printf '%s' "$dir" | cksum | cut -d' ' -f1) % 20000))
  iniciado=
  for _ in $(seq 1 20); do
    if as_pg "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -o "-c listen_addresses=127.0.0.1 \
        -p $porta -c unix_socket_directories='$dir/socket' -c fsync=off -c ssl=on \
        -c ssl_cert_file='$dir/tls/server.crt' -c ssl_key_file='$dir/tls/server.key' \
        -c password_encryption=scram-sha-256" start >/dev/null 2>&1; then
      iniciado=1
      break
    fi
    porta=$((porta + 1))
  done
  [ -n "$iniciado" ] || { cat "$dir/server.log" >&2; exit 1; }
  as_pg "$bin/psql" -h "$dir/socket" -p "$porta" -U postgres -d postgres -q -v ON_ERROR_STOP=1 \
    -c "CREATE ROLE orlavane LOGIN CREATEROLE PASSWORD 'segredo-tls'" -c "CREATE DATABASE empresa OWNER orlavane" >/dev/null
  echo "$porta" >"$dir/porta"
  chmod -R a+rX "$dir/porta" "$dir/ca.crt" "$dir/outra-ca.crt"
  echo "PostgreSQL with TLS running, 127.0.0.1 port $porta"
  ;;
stop)
  parar
  echo "PostgreSQL with TLS stopped"
  ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
