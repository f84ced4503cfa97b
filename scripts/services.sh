#!/usr/bin/env bash
# Throw-away PostgreSQL and MariaDB servers for the end-to-end suite. Source this file, then:
#   services_install                 installs the server and client packages when missing
#   pg_start DIR PORT / pg_stop      a PostgreSQL cluster in DIR, on 127.0.0.1:PORT only
#   my_start DIR PORT / my_stop      a MariaDB server in DIR, on 127.0.0.1:PORT only
#   free_port                        prints a TCP port nobody listens on
# Each start creates the database ml_db and the user ml_user (password ml_pass) owning it, waits a
# bounded time for the server and returns non-zero, with the server's log, when it cannot start.
# Must run as root: the servers run under the postgres and mysql users that the packages create.

ML_DB=ml_db
ML_USER=ml_user
ML_PASSWORD=ml_pass
SERVICE_WAIT_SECONDS=${SERVICE_WAIT_SECONDS:-60}

services_install() {
  local packages=(postgresql postgresql-client mariadb-server mariadb-client chromium python3
    util-linux python3-junitparser)
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  # The packages' own service start-up is not wanted: policy-rc.d refuses it while installing.
  local policy=/usr/sbin/policy-rc.d created=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod 755 "$policy" && created=1
  fi
  local rc=0
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" || rc=$?
  ((created)) && rm -f "$policy"
  return $rc
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Polls COMMAND... once a second until it succeeds or SERVICE_WAIT_SECONDS pass.
wait_for() {
  local deadline=$((SECONDS + SERVICE_WAIT_SECONDS))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 1
  done
}

pg_bin() {
  local dir
  dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -n "$dir" ] || { echo "PostgreSQL server binaries not found" >&2; return 1; }
  echo "$dir"
}

PG_DIR= PG_PORT= PG_SOCKET=

pg_start() {
  PG_DIR=$1 PG_PORT=$2
  PG_SOCKET=$PG_DIR/sock
  local bin
  bin=$(pg_bin) || return 1
  mkdir -p "$PG_DIR/sock"
  chown -R postgres:postgres "$PG_DIR"
  runuser -u postgres -- "$bin/initdb" -D "$PG_DIR/data" -U postgres -A trust -E UTF8 \
    --locale=C.UTF-8 >"$PG_DIR/initdb.log" 2>&1 || {
    cat "$PG_DIR/initdb.log" >&2
    return 1
  }
  # Password checks over TCP, as a real target would ask; trust on the socket for set-up only.
  printf 'local all all trust\nhost all all 127.0.0.1/32 scram-sha-256\n' >"$PG_DIR/data/pg_hba.conf"
  runuser -u postgres -- "$bin/pg_ctl" -D "$PG_DIR/data" -l "$PG_DIR/server.log" -w \
    -t "$SERVICE_WAIT_SECONDS" -o "-p $PG_PORT -k $PG_SOCKET -c listen_addresses=127.0.0.1" \
    start >/dev/null || {
    echo "PostgreSQL did not start on 127.0.0.1:$PG_PORT" >&2
    cat "$PG_DIR/server.log" >&2
    return 1
  }
  wait_for runuser -u postgres -- "$bin/pg_isready" -h 127.0.0.1 -p "$PG_PORT" || {
    echo "PostgreSQL does not answer on 127.0.0.1:$PG_PORT" >&2
    return 1
  }
  pg_admin -q -c "CREATE ROLE $ML_USER LOGIN PASSWORD '$ML_PASSWORD'" \
    -c "CREATE DATABASE $ML_DB OWNER $ML_USER" || return 1
}

# psql as the cluster's superuser over the socket.
pg_admin() {
  runuser -u postgres -- psql -X -v ON_ERROR_STOP=1 -h "$PG_SOCKET" -p "$PG_PORT" -U postgres \
    -d postgres "$@"
}

pg_stop() {
  [ -n "$PG_DIR" ] && [ -f "$PG_DIR/data/postmaster.pid" ] || return 0
  local bin
  bin=$(pg_bin) || return 1
  runuser -u postgres -- "$bin/pg_ctl" -D "$PG_DIR/data" -m fast -w -t 30 stop >/dev/null 2>&1 ||
    runuser -u postgres -- "$bin/pg_ctl" -D "$PG_DIR/data" -m immediate -w -t 10 stop \
      >/dev/null 2>&1
}

MY_DIR= MY_PORT= MY_SOCKET= MY_PID=

my_start() {
  MY_DIR=$1 MY_PORT=$2
  MY_SOCKET=$MY_DIR/sock/mysqld.sock
  mkdir -p "$MY_DIR/sock" "$MY_DIR/data"
  chown -R mysql:mysql "$MY_DIR"
  mariadb-install-db --no-defaults --user=mysql --datadir="$MY_DIR/data" --skip-test-db \
    --auth-root-authentication-method=socket >"$MY_DIR/install.log" 2>&1 || {
    cat "$MY_DIR/install.log" >&2
    return 1
  }
  mariadbd --no-defaults --user=mysql --datadir="$MY_DIR/data" --socket="$MY_SOCKET" \
    --port="$MY_PORT" --bind-address=127.0.0.1 --skip-networking=0 \
    --pid-file="$MY_DIR/mariadbd.pid" --log-error="$MY_DIR/server.log" \
    --innodb-buffer-pool-size=32M --skip-name-resolve >/dev/null 2>&1 &
  MY_PID=$!
  wait_for mariadb-admin --no-defaults --socket="$MY_SOCKET" -u root ping || {
    echo "MariaDB did not start on 127.0.0.1:$MY_PORT" >&2
    cat "$MY_DIR/server.log" >&2
    return 1
  }
  my_admin -e "CREATE DATABASE $ML_DB;
    CREATE USER '$ML_USER'@'127.0.0.1' IDENTIFIED BY '$ML_PASSWORD';
    GRANT ALL PRIVILEGES ON $ML_DB.* TO '$ML_USER'@'127.0.0.1';" || return 1
}

# mysql as the server's root over the socket.
my_admin() {
  mysql --no-defaults --socket="$MY_SOCKET" -u root "$@"
}

my_stop() {
  [ -n "$MY_PID" ] || return 0
  mariadb-admin --no-defaults --socket="$MY_SOCKET" -u root shutdown >/dev/null 2>&1 ||
    kill "$MY_PID" 2>/dev/null
  local deadline=$((SECONDS + 30))
  while kill -0 "$MY_PID" 2>/dev/null && ((SECONDS < deadline)); do sleep 1; done
  kill -9 "$MY_PID" 2>/dev/null
  wait "$MY_PID" 2>/dev/null
  MY_PID=
  return 0
}
