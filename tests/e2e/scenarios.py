"""What each end-to-end import scenario must produce: every deliberate failure with the real
client or shell line it produces against the suite's servers, and the texts the rules make of it.
Texts may hold {port} (the server's port), {closed_port} (the port nobody listens on) and {dir}
(the run folder). Objects are listed in the order the import scripts announce them.
"""

import dataclasses
import os
from dataclasses import dataclass, field
from typing import List, Optional

CAPTURED = os.path.join(os.path.dirname(os.path.abspath(__file__)), "captured")


@dataclass
class Entry:
    """One recorded error or warning: `html` is its element's text in import_log.html (the filled
    output text, or the matched line with its line feed); `report` the JSON report's text for it;
    err_* the wizard's error event fields."""

    kind: str  # "error" or "warning"
    html: str
    report: str
    err_txt: str = ""
    err_name: str = ""
    err_code: str = ""
    file: str = ""  # the file the client ran: the working file once its launch is recognised
    tool: Optional[str] = None  # the client when it differs from the scenario's ("": none)
    script: Optional[str] = None  # the script that reports it when it is not the object's
    after: Optional[str] = None  # a later object whose announcement it follows (parallel loads)


@dataclass
class Obj:
    script: str  # displayed name of the script that imports it
    type: str
    name: str
    entries: list = field(default_factory=list)  # Entry and FinishScript (a nested script ends)
    stage_of: List[int] = field(default_factory=list)  # import stage of each Entry

    def errors(self) -> List[Entry]:
        return [e for e in self.entries if isinstance(e, Entry)]

    def status(self) -> str:
        if not self.errors():
            return "Ok"
        return "Failed" if self.errors()[-1].kind == "error" else "Warning"


@dataclass
class FinishScript:
    script: str  # a nested script ends: the wizard gets a finished event for it


@dataclass
class Tip:
    comment: str
    link_path: Optional[str] = None


@dataclass
class Scenario:
    name: str
    target: str  # -D value
    folder: str  # scenario folder under tests/e2e
    exit_code: int
    steps: list  # Obj and FinishScript in script order
    not_imported: List[str] = field(default_factory=list)  # data.js objects never announced
    other_error_table: int = 0  # leading error_table entries that are not of type "Import"
    tool: str = ""  # client name when its launch lines are recognised; "" when they are not
    tips: dict = field(default_factory=dict)  # report text -> expected Tip (none: no comments)
    notice: Optional[str] = None  # the line after the summary of a script stopped before its end
    stop_marker: str = ""  # a file the script creates when the checker is to send SIGTERM

    def objects(self) -> List[Obj]:
        return [s for s in self.steps if isinstance(s, Obj)]


def psql_file(line: str) -> str:  # "psql:FILE:LINE: ..."
    return line.split(":")[1]


def bare_line(line: str, report: str, err_txt: str, file: str = "", tool=None) -> Entry:
    """An error line that is its own log text (no output template of the rule)."""
    return Entry("error", line + "\n", report, err_txt=err_txt, file=file, tool=tool)


def pg_known(prefix: str, line: str, file: str = "") -> Entry:
    """A psql line that a rule for a known situation names: the whole line follows its title."""
    text = prefix + line + "\n"
    return Entry("error", text, text, err_txt=text, file=file or psql_file(line))


def pg_general(line: str) -> Entry:  # a psql ERROR line that only the general rule takes
    return bare_line(line, line + "\n", line.split(" ERROR:", 1)[1][1:], psql_file(line))


def pg_client(line: str) -> Entry:  # psql's own "psql:FILE:LINE: error: ..." about a file
    return bare_line(line, line + "\n", line.split(" error: ", 1)[1], psql_file(line))


def pg_bare(line: str, file: str = "") -> Entry:  # as psql -c and psql < FILE print it
    return bare_line(line, line + "\n", line.split("ERROR:  ", 1)[1], file)


def pg_exit(code: int, file: str) -> Entry:
    text = "Unhandled exception (psql exited with error code %d)" % code
    return Entry("error", text, text, err_txt=str(code), file=file)


def pg_warning(line: str) -> Entry:
    message = line.split(" WARNING:", 1)[1][1:]
    return Entry("warning", message, message, file=psql_file(line))


def shell_failure(line: str, file: str = "") -> Entry:
    """A shell's line for a step that could not run or was killed; with `file`, psql's launch was
    recognised before it."""
    return Entry("error", line + "\n", line, err_txt=line, file=file, tool=None if file else "")


def script_stopped(line: str) -> Entry:  # a syntax error ends a nested script; the caller goes on
    return bare_line(line, line + "\n", line + "\n", tool="")


def script_end(text: str, file: str = "", script: Optional[str] = None) -> Entry:
    """The error of a script that stopped before its end. With `file`, a client was running."""
    return Entry("error", text, text, err_txt=text, file=file, tool=None if file else "",
                 script=script)


def my_error(line: str, file: str) -> Entry:  # "ERROR nnnn (sqlstate)...: message"
    head, message = line.split(": ", 1)
    words = head.split(" ")
    return Entry("error", line + "\n", message, err_txt=message, err_name=words[2][1:-1],
                 err_code=words[1], file=file)


def obj(script, type_word, name, *entries, stages=None):
    count = sum(1 for e in entries if isinstance(e, Entry))
    return Obj(script, type_word, name, list(entries), stages or [1] * count)


def clean(script, *objects):  # objects imported without an entry, each as "Type name"
    return [obj(script, *o.split(" ", 1)) for o in objects]


def real(*parts: str) -> str:
    """The one line of the clients' captured output (captured/*.txt) that starts with the first
    part and holds the others, with the capture's fixed ports as placeholders."""
    found = {line.replace("port 5432", "port {port}").replace("port 5439", "port {closed_port}")
             for name in os.listdir(CAPTURED) if name.endswith(".txt")
             for line in open(os.path.join(CAPTURED, name), encoding="utf-8").read().splitlines()
             if line.startswith(parts[0]) and all(p in line for p in parts)}
    assert len(found) == 1, "%r are in %d captured lines" % (parts, len(found))
    return found.pop()


FAMILIES = {"pg": ("PostgreSQL", "postgresql", "psql"), "my": ("MariaDB", "mariadb", "mysql")}


def scenario(name, family, exit_code, steps, **rest):
    """A scenario of the family "pg" or "my"; its client is the family's unless `tool` says."""
    target, folder, tool = FAMILIES[family]
    return Scenario(name, target, folder, exit_code, steps, **dict({"tool": tool}, **rest))


PG_REFUSED = real("psql: error: ", "port 5439", "Connection refused")
PG_NO_DB = real("psql: error: ", "port 5432", '"ml_missing" does not exist')
NO_DB_AUDIT_LOG = pg_known("Connection to unexisting database. ", PG_NO_DB,
                           "tables/public.audit_log.sql")
MYSQL_SYNTAX = real("ERROR 1064 (42000) at line 2:")
MYSQL_DENIED = real("ERROR 1045 (28000):")
MARIADB_TIPS = {
    "Table 'ml_db.shipments' doesn't exist": Tip(
        "The specified table is not created in the target database, need to select it for "
        "conversion."),
    "Unknown database 'sales'": Tip(
        "The tool does not create schemas by itself.\nPossible solutions :\n1. manually "
        "create a schema in the target database before starting conversion\n2. use the "
        "Remove Schema Names option\n3. use the Change schema names to option and specify "
        "the name of the existing database",
        "/guides/brennor/movarin-wizard/database-migration-guide/conversion-options#:~:text="
        "option%20is%20disabled.-,Remove%20Schema%20Names,-If%20Yes%20is%20is"),
    MYSQL_DENIED.split(": ", 1)[1]: Tip(
        "Possible solutions:\n1. The user doesn\u2019t exist.Check if the user exists in the "
        "database,and if they don\u2019t, create a new user.\n2. The password is incorrect.To "
        "fix this, reset the MySQL password.\n3. Connecting to the wrong host.Double check "
        "that the host you\u2019re connecting to is correct.\n4. If access denied to "
        "database, you can just assign all privileges to the created user",
        "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/target-user-"
        "privileges"),
}
# Imports that stop before the top-level script's finished line, or whose nested script does.
STOPPED = "Import script movarin_all.sh stopped before its end: "
TABLES_STOPPED = "Import script tables stopped before its end"
ENDED = "Import script movarin_all.sh ended with "
CLEAN_TABLES = clean("tables", "Table public.customers", "Table public.products") + [
    FinishScript("tables")]
MAIN = "movarin_all.sh"

CLEAN_MY_TABLES = clean("tables", "Table ml_db.customers", "Table ml_db.products") + [
    FinishScript("tables")]

POSTGRESQL_FAILURES = scenario("postgresql-failures", "pg", 1, [
    obj("tables", "Table", "public.customers"),
    obj("tables", "Table", "public.orders",
        pg_general(real("psql:data/public.orders.sql:5:")), stages=[2]),
    obj("tables", "Table", "public.order_items",
        pg_general(real("psql:data/public.order_items.sql:2:")), stages=[2]),
    obj("tables", "Table", "public.settings",
        pg_known("Relation already exists. ", real("psql:tables/public.settings.sql:4:"))),
    obj("tables", "Table", "sales.invoices",
        pg_known("Schema does not exist. ", real("psql:tables/sales.invoices.sql:4:"))),
    obj("tables", "Table", "public.products"),
    FinishScript("tables"),
    obj(MAIN, "View", "public.v_orders",
        pg_known("Relation does not exist. ", real("psql:views/public.v_orders.sql:4:"))),
    *clean(MAIN, "View public.v_customers", "Function public.order_total"),
    obj(MAIN, "Function", "public.order_tax",
        pg_known("Function does not exist. ", real("psql:functions/public.order_tax.sql:4:"))),
    obj(MAIN, "StoredProcedure", "public.archive_orders",
        pg_general(real("psql:procedures/public.archive_orders.sql:6:"))),
    obj(MAIN, "Sequence", "public.order_seq",
        pg_warning(real("psql:sequences/public.order_seq.sql:6:"))),
    # psql exits with 2 when it cannot connect: "Exit code = 2" is a second error.
    obj(MAIN, "Table", "public.audit_log", NO_DB_AUDIT_LOG,
        pg_exit(2, "tables/public.audit_log.sql")),
    obj(MAIN, "Table", "public.events",
        pg_known("Connection refused error. ", PG_REFUSED, "tables/public.events.sql"),
        pg_exit(2, "tables/public.events.sql")),
], not_imported=["public.not_exported"], other_error_table=1)

SCENARIOS = {s.name: s for s in [
    POSTGRESQL_FAILURES,
    # The client called through a path ending in "psql.exe", its Windows name: the embedded
    # launch rule takes the launches instead of the platform one, to the same effect.
    dataclasses.replace(POSTGRESQL_FAILURES, name="postgresql-client-path", tool="psql.exe"),
    scenario("postgresql-clean", "pg", 0, CLEAN_TABLES + clean(
        MAIN, "View public.v_customers", "Function public.order_total")),
    # Steps that fail as they fail on Linux, beside clean objects; the nested script shows its
    # psql calls by "set -x", and its own failed step leaves it running.
    scenario("postgresql-linux", "pg", 1, clean(
        "tables", "Table public.customers", "Table public.products") + [
        obj("tables", "Table", "public.audit",
            shell_failure("./tables.sh: 14: psql-14: not found")),
        FinishScript("tables"),
        obj(MAIN, "View", "public.v_customers"),
        # A shell's exit code of more than one digit is a failure of the step too.
        obj(MAIN, "Table", "public.orders",
            shell_failure("{dir}/movarin_all.sh: 17: psql-15: not found"),
            dataclasses.replace(pg_exit(127, ""), tool="")),
        obj(MAIN, "Table", "public.order_items",
            shell_failure("sh: 0: cannot open ./order_items.sh: No such file")),
        obj(MAIN, "Table", "public.settings",
            shell_failure("{dir}/movarin_all.sh: 35: ./settings.sh: Permission denied")),
        obj(MAIN, "Function", "public.order_total"),
        obj(MAIN, "Function", "public.order_tax",
            shell_failure("Killed", "functions/public.order_tax.sql"),
            pg_exit(137, "functions/public.order_tax.sql")),
        obj(MAIN, "Table", "public.events",
            pg_client(real("psql:data/public.events.sql:1:")), stages=[2]),
    ]),
    scenario("mariadb-failures", "my", 1, clean("tables", "Table ml_db.customers") + [
        obj("tables", "Table", "ml_db.orders",
            my_error(real("ERROR 1062 (23000)"), "data/ml_db.orders.sql"), stages=[2]),
        obj("tables", "Table", "ml_db.products"),
        FinishScript("tables"),
        obj(MAIN, "View", "ml_db.v_orders",
            my_error(real("ERROR 1146 (42S02)"), "views/ml_db.v_orders.sql")),
        obj(MAIN, "View", "ml_db.v_customers"),
        obj(MAIN, "StoredProcedure", "ml_db.archive_orders",
            my_error(MYSQL_SYNTAX, "procedures/ml_db.archive_orders.sql")),
        obj(MAIN, "Table", "sales.invoices",
            my_error("ERROR 1049 (42000): Unknown database 'sales'", "tables/sales.invoices.sql")),
        obj(MAIN, "Table", "ml_db.audit_log", my_error(MYSQL_DENIED, "tables/ml_db.audit_log.sql")),
    ], other_error_table=1, tips=MARIADB_TIPS),
    # An Event has the last type code: the summary and the report must still count it.
    scenario("mariadb-clean", "my", 0, CLEAN_MY_TABLES + clean(
        MAIN, "View ml_db.v_customers", "Event ml_db.ev_purge")),
    # set -e ends the script after psql fails to connect (exit status 2).
    scenario("stop-set-e", "pg", 1, CLEAN_TABLES + [
        obj(MAIN, "View", "public.v_customers"),
        obj(MAIN, "Table", "public.audit_log", NO_DB_AUDIT_LOG,
            script_end(ENDED + "exit status 2", "tables/public.audit_log.sql")),
    ], not_imported=["public.order_total"], notice=STOPPED + "exit status 2"),
    # dash stops the nested script at its syntax error, which ends it; the main script goes on.
    scenario("stop-syntax-dash", "pg", 1, [
        obj(MAIN, "Function", "public.order_total"),
        obj("tables", "Table", "public.customers"),
        obj("tables", "Table", "public.products",
            script_stopped('./tables.sh: 37: Syntax error: end of file unexpected (expecting '
                           '"fi")')),
    ], not_imported=["public.orders"]),
    # bash stops the nested script at its syntax error, and set -e the main script after it.
    scenario("stop-syntax-bash", "pg", 1, [
        obj("tables", "Table", "public.customers",
            script_stopped("./tables.sh: line 31: syntax error: unexpected end of file"),
            script_end(ENDED + "exit status 2", script=MAIN),
            stages=[2, 2]),
    ], not_imported=["public.products", "public.v_customers"], notice=STOPPED + "exit status 2"),
    # The nested script is killed; dash reports it and the main script goes on to its end.
    scenario("stop-killed", "pg", 1, [
        obj(MAIN, "Function", "public.order_total"),
        obj("tables", "Table", "public.customers"),
        obj("tables", "Table", "public.products",
            shell_failure("Killed", "data/public.products.sql"), script_end(TABLES_STOPPED),
            stages=[2, 2]),
        FinishScript("tables"),
    ]),
    scenario("stop-exit-3", "pg", 1, CLEAN_TABLES + [
        obj(MAIN, "View", "public.v_customers",
            script_end(ENDED + "exit status 3", "views/public.v_customers.sql")),
    ], not_imported=["public.order_total"], notice=STOPPED + "exit status 3"),
    # SIGTERM to MigrationLauncher during a data load: the script ends by it, as dash reports.
    scenario("stop-sigterm", "pg", 128 + 15, CLEAN_TABLES + [
        obj(MAIN, "Table", "public.events",
            shell_failure("Terminated", "data/public.events.sql"),
            script_end(ENDED + "stop signal 15 (Terminated)", "data/public.events.sql"),
            stages=[2, 2]),
    ], not_imported=["public.order_total"], notice=STOPPED + "stop signal 15 (Terminated)",
        stop_marker="stop-now"),
    # Status 0 without the finished line: summary and notice; the exit code follows the error.
    scenario("stop-exit-0", "my", 1, CLEAN_MY_TABLES + [
        obj(MAIN, "View", "ml_db.v_orders",
            my_error("ERROR 1146 (42S02) at line 1: Table 'ml_db.orders' doesn't exist",
                     "views/ml_db.v_orders.sql")),
    ], not_imported=["ml_db.v_customers"], notice=STOPPED + "exit status 0"),
    # Linux clients called the ways Linux scripts call them (scripts in */linux-clients).
    scenario("postgresql-linux-clients", "pg", 1, [
        obj("tables", "Table", "public.customers"),
        # DDL run twice that prints only NOTICE lines ("... does not exist, skipping").
        obj("tables", "Table", "staging.customers"),
        obj("tables", "Table", "public.products",
            script_stopped('./tables.sh: 32: Syntax error: end of file unexpected (expecting '
                           '"fi")')),
        obj(MAIN, "Table", "public.orders",
            pg_bare('ERROR:  duplicate key value violates unique constraint "orders_pkey"'),
            stages=[2]),
        obj(MAIN, "View", "public.v_customers"),
        obj(MAIN, "View", "public.v_orders",
            pg_bare('ERROR:  relation "public.shipments" does not exist',
                    "views/public.v_orders.sql")),
        obj(MAIN, "Table", "public.events",
            bare_line("data/public.events.csv: No such file or directory",
                      "data/public.events.csv: No such file or directory\n",
                      "data/public.events.csv: No such file or directory"), stages=[2]),
        obj(MAIN, "Table", "public.audit_log", pg_exit(124, "")),
        obj(MAIN, "Table", "public.settings",
            shell_failure("gzip: data/public.settings.csv.gz: unexpected end of file")),
        obj(MAIN, "Table", "public.order_items",
            shell_failure("{dir}/movarin_all.sh: 66: ./order_items_loader: Exec format error")),
    ]),
    # Three tables loaded at once by psql in the background: the first one is slow, and its
    # error, which names its file, comes after the other two were announced and launched.
    scenario("postgresql-parallel", "pg", 1, [
        obj(MAIN, "Table", "public.orders", dataclasses.replace(
            pg_general(real("psql:load/public.orders.sql:6:")), after="public.customers")),
        *clean(MAIN, "Table public.products", "Table public.customers"),
    ]),
    scenario("mariadb-linux-clients", "my", 1, [
        # DDL re-run whose notes are shown ("Note (Code 1050): Table ... already exists").
        obj(MAIN, "Table", "ml_db.customers"),
        obj(MAIN, "Table", "ml_db.products",
            Entry("warning", "Warning (Code 1265): Data truncated for column 'title' at row 1\n",
                  "Data truncated for column 'title' at row 1",
                  file="data/ml_db.products.shown.sql"), stages=[2]),
        obj(MAIN, "Table", "ml_db.audit_log",
            bare_line("ERROR at line 1: Failed to open file 'tables/ml_db.audit_log.part1.sql', "
                      "error: 2", *["Failed to open file 'tables/ml_db.audit_log.part1.sql', "
                                    "error: 2"] * 2, "tables/ml_db.audit_log.parts.sql")),
        obj(MAIN, "View", "ml_db.v_customers",
            bare_line(*["mysql: unknown variable 'max-allowed-packt=64M'"] * 3,
                      "views/ml_db.v_customers.sql")),
    ]),
]}

# Summary kind names in type-code order, as the end-of-import summary lists them.
TYPE_CODES = ["unknown", "Table", "DataType", "View", "Synonym", "UserAccount", "Sequence",
              "StoredProcedure", "Function", "Trigger", "Package", "Rule", None,
              "UserDefinedType", "Script", "Macro", "Exception", "Event"]
