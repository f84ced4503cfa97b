#!/usr/bin/env bash
# Writes tests/e2e/captured/psql-languages.txt from psql 15 against a throw-away server that
# answers in other languages (lc_messages of the role; the client's LANG). Runs as root.
#
#   bash tests/e2e/capture_psql_languages.sh > tests/e2e/captured/psql-languages.txt
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/services.sh
source "$root/scripts/services.sh" >/dev/null 2>&1
work=$(mktemp -d /tmp/ml-psql-languages.XXXXXX)
chmod 755 "$work"
trap 'pg_stop; rm -rf "$work"' EXIT
port=$(free_port)
pg_start "$work/pg" "$port" >&2 || exit 1
export PGPASSWORD=$ML_PASSWORD
cd "$work" || exit 1
# A re-runnable script: NOTICE, a table whose name holds "error", ERROR with DETAIL, LINE and
# HINT, WARNING, a NOTICE with "0 errors", a missing \i file and a missing \copy file.
cat >x.sql <<'SQL'
DROP TABLE IF EXISTS kunden_alt;
CREATE TABLE IF NOT EXISTS error_log (id int PRIMARY KEY, errors int, error_text varchar(12));
INSERT INTO error_log VALUES (1, 0, 'ok');
INSERT INTO error_log VALUES (1, 0, 'ok');
SELECT * FROM public.kunden_alt;
DO $$BEGIN RAISE WARNING 'disk almost full'; END$$;
DO $$BEGIN RAISE NOTICE '0 errors in error_log'; END$$;
DO $$BEGIN RAISE EXCEPTION 'custom failure' USING HINT = 'check the input'; END$$;
INSERT INTO error_log VALUES (2, 0, 'abcdefghijklmnop');
\i missing.sql
\copy error_log from 'data/x.csv'
SQL
capture() {
client() { psql -X -h 127.0.0.1 -U "$ML_USER" -p "$port" -d "$ML_DB" "$@" 2>&1; }
speak() { pg_admin -q -c "ALTER ROLE $ML_USER SET lc_messages = '$1.UTF-8'" >/dev/null; }
for lang in de_DE fr_FR es_ES ru_RU ja_JP; do
  speak $lang
  export LANG=$lang.UTF-8 LC_ALL=$lang.UTF-8
  client --file x.sql
  echo "Exit code = $?"
  client -c "SELECT * FROM public.kunden_alt"
  client -c "\\copy error_log from 'data/x.csv'"
  psql -X -h 127.0.0.1 -U nobody_here -p "$port" -d "$ML_DB" -c "select 1" 2>&1
  client <x.sql
  client --file missing.sql
  unset LANG LC_ALL
done
pg_admin -q -c "ALTER ROLE $ML_USER RESET lc_messages" >/dev/null
(
  set -x
  /usr/lib/postgresql/15/bin/psql -X -h 127.0.0.1 -U "$ML_USER" -p "$port" -d "$ML_DB" --file x.sql
  /usr/bin/psql -X -h 127.0.0.1 -U "$ML_USER" -p "$port" -d "$ML_DB" --file missing.sql
  /usr/lib/postgresql/15/bin/psql -X -h 127.0.0.1 -U "$ML_USER" -p "$port" -d "$ML_DB" -f missing.sql
  /usr/bin/psql -X -h 127.0.0.1 -U "$ML_USER" -p "$port" -d "$ML_DB" --bogus
  set +x
) 2>&1
# psql run by a user who may not enter the folder it starts in.
mkdir locked && chmod 700 locked && cd locked || exit 1
for call in "psql" "/usr/lib/postgresql/15/bin/psql" "env LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 psql"; do
  # shellcheck disable=SC2086
  runuser -u nobody -- env PGPASSWORD="$PGPASSWORD" $call -X -h 127.0.0.1 -U "$ML_USER" \
    -p "$port" -d "$ML_DB" -c "CREATE TABLE IF NOT EXISTS cd_t (c int)" 2>&1
done
cd "$work" || exit 1
# A frontend warning (an extra argument) and createdb's error; psql's own lines in more languages.
for lang in de_DE fr_FR es_ES ru_RU ja_JP it_IT sv_SE uk_UA zh_CN ko_KR; do
  speak $lang
  export LANG=$lang.UTF-8 LC_ALL=$lang.UTF-8
  case $lang in
    de_DE | fr_FR | es_ES | ru_RU | ja_JP) client -f x.sql extra | grep '^psql: ' ;;
    *) client -f x.sql extra | grep -v '^ *^$' ;;
  esac
  createdb -h 127.0.0.1 -U "$ML_USER" -p "$port" "$ML_DB" 2>&1
  unset LANG LC_ALL
done | grep -v '^[A-Z]* [0-9]*$\|^DO$\|^CREATE TABLE$\|^DROP TABLE$'
# psql's option errors in the C library's words, after the path it was called by.
for lang in de_DE fr_FR ru_RU zh_CN; do
  LANG=$lang.UTF-8 LC_ALL=$lang.UTF-8 /usr/bin/psql --bogus 2>&1 | head -1
  LANG=$lang.UTF-8 LC_ALL=$lang.UTF-8 /usr/lib/postgresql/15/bin/psql -X -f 2>&1 | head -1
done
}
# Lines as the analyzer stores them: no trailing blanks, no empty lines.
capture | sed 's/[[:space:]]*$//' | grep -v '^$'
