// The embedded rule sets on real-looking import output: for each supported target, a log as the
// import script and its tools print it, each line with the rules that must match it (in walk
// order) and whether it counts as an error. The whole log goes through the analyzer the way
// the launcher feeds it; the analyzer's match listener records which rule took which line.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "analyzer/LogAnalyzer.h"

namespace Qva {
namespace {

struct LogLine {
  std::string text;
  // Rules that match the line, in walk order. Left out: the Oracle chunk rules GetElemChunk4
  // and GetElemChunk1, which take every non-blank line once ORACLE is active. Empty: the line
  // is consumed by the multi-line rule that matched the line before it and never analyzed.
  std::vector<std::string> rules;
  bool error = false;
};

struct Match {
  int32_t id;
  std::string name;
  TextLines lines;
  TextLines groups;
};

class RuleMatchesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    analyzer_.Init(false);
    analyzer_.SetMatchListener(
        [this](const IAnalyzeRule& rule, const TextLines& lines, const TextLines& groups) {
          matches_[rule.GetLineIndex()].push_back({rule.GetId(), rule.GetName(), lines, groups});
        });
  }

  // Feeds the log with Windows line ends as the launcher does (minimum 10 while output
  // arrives, 1 at the end) and checks every line and the error count.
  void Analyze(const std::vector<LogLine>& log) {
    std::string text;
    int32_t expected_errors = 0;
    for (const LogLine& line : log) {
      text += line.text + "\r\n";
      expected_errors += line.error ? 1 : 0;
    }
    analyzer_.AddText(text);
    int32_t errors = analyzer_.AnalyzeAvailable(10);
    errors += analyzer_.AnalyzeAvailable(1);

    for (size_t i = 0; i < log.size(); ++i) {
      SCOPED_TRACE("line " + std::to_string(i) + ": " + log[i].text);
      EXPECT_EQ(MatchedRules(i), log[i].rules);
    }
    EXPECT_EQ(errors, expected_errors);
  }

  std::vector<std::string> MatchedRules(int64_t line) {
    std::vector<std::string> names;
    for (const Match& match : matches_[line]) {
      if (match.name != "GetElemChunk4" && match.name != "GetElemChunk1") {
        names.push_back(match.name);
      }
    }
    return names;
  }

  // The first match of rule `id` on `line`.
  const Match* Find(int64_t line, int32_t id) {
    for (const Match& match : matches_[line]) {
      if (match.id == id) return &match;
    }
    return nullptr;
  }

  LogAnalyzer analyzer_;
  std::map<int64_t, std::vector<Match>> matches_;
};

const std::vector<std::string> kInfo = {"OutputNonEmptyStrings"};
const std::vector<std::string> kEcho = {"FilterCmdEchoStrings", "OutputNonEmptyStrings"};
const std::vector<std::string> kConsumed = {};

// Before a target is named only COMMON and CMD are active: tool errors are plain output.
TEST_F(RuleMatchesTest, ScriptLinesBeforeTheTargetIsKnown) {
  Analyze({
      {R"(C:\Migration>echo off)", kEcho},
      {R"(C:\Migration>call "C:\Migration\scripts\HR\tables.bat")", {"CallScript"}},
      {"ORA-00942: table or view does not exist", kInfo},
      {"ERROR 1146 (42S02) at line 5: Table 'hr.departments' doesn't exist", kInfo},
      {R"(SQL0204N  "DB2ADMIN.T1" is an undefined name.  SQLSTATE=42704)", {"DB2SQLerror"}},
      {"Importing Table HR.EMPLOYEES to Oracle", {"ImportingObjectName"}},
      {"Sequence HR.EMP_SEQ: Additional object", {"AdditionalObject"}},
      {"Importing data using the SQL*Loader", {"ImportingData"}},
      {R"(C:\Migration>"C:\Program Files\Movarin\ZORDAX.exe" /import /cfg="C:\Migration\fly.cfg")",
       {"CallOnTheFlyDataMigrator"}},
      {"The system cannot find the path specified.", {"IncorrectPathError"}},
      {"'mysql.exe' is not recognized as an internal or external command,",
       {"IncorrectPathError2"}},
      {"'psql.exe' is not recognized as an internal or external command,",
       {"IncorrectPathErrorPG"}},
      {"'sqlplus' is not recognized as an internal or external command,", {"IncorrectPathError3"}},
      {R"(C:\Migration\scripts\HR>rem End script)", {"EndScript"}},
      {"Starting import script /opt/migration/import_all.sh", {"StartShellScript"}},
      {"Import script /opt/migration/import_all.sh finished", {"FinishShellScript"}},
  });
}

TEST_F(RuleMatchesTest, OracleImport) {
  Analyze({
      {"Importing database objects to Oracle", {"DefineImportDBMS"}},
      {R"(C:\Migration\scripts>sqlplus HR/secret@ORCL @HR.EMPLOYEES.sql)", {"CallSQLPlus"}},
      {"Importing Table HR.EMPLOYEES to Oracle", {"ImportingObjectName"}},
      {"Table created.", kInfo},
      {"ORA-00942: table or view does not exist", {"Oracle_error"}, true},
      {"  CONSTRAINT FK_DEPT FOREIGN KEY (DEPT_ID) REFERENCES HR.DEPARTMENTS (ID),",
       {"Oracle_4_lines_error"},
       true},
      {"                                                         *", kConsumed},
      {"ERROR at line 5:", kConsumed},
      {"ORA-00942: table or view does not exist", kConsumed},
      {"Warning: Procedure created with compilation errors.", {"Oracle_warning"}},
      {"Disconnected from Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production",
       {"CloseSQLPlus"}},
      {R"(C:\Migration\scripts>"C:\oracle\bin\sqlldr" userid=HR/secret@ORCL control=HR.EMPLOYEES.ctl log=HR.EMPLOYEES.log rows=1000 readsize=1048576 bindsize=1048576)",
       {"CallSQLLoader"}},
      {"SQL*Loader: Release 19.0.0.0.0 - Production on Mon Dec 4 22:36:11 2026", kInfo},
      {"SQL*Loader-500: Error opening file HR.EMPLOYEES.dat", {"SQL*Loader_error"}, true},
      {"SQL*Loader-350: Syntax error at line 4.", {"SQL*Loader_syntax_error"}, true},
      {R"(Expecting keyword INTO, found "TABLEX".)", kConsumed},
      {"TABLEX HR.EMPLOYEES", kConsumed},
      {"^", kConsumed},
      {R"(C:\Migration\scripts>echo Done)", kEcho},
  });

  // The multi-line rules saw their chunk of four lines and took its parts apart.
  const Match* oracle = Find(5, 307);
  ASSERT_NE(oracle, nullptr);
  EXPECT_EQ(oracle->lines.size(), 4u);
  ASSERT_GE(oracle->groups.size(), 12u);
  EXPECT_EQ(oracle->groups[8], "5");
  EXPECT_EQ(oracle->groups[10], "00942");
  EXPECT_EQ(oracle->groups[11], "table or view does not exist");
  const Match* loader = Find(14, 308);
  ASSERT_NE(loader, nullptr);
  EXPECT_EQ(loader->lines.size(), 4u);
  ASSERT_GE(loader->groups.size(), 6u);
  EXPECT_EQ(loader->groups[4], "4");
  EXPECT_EQ(loader->groups[5], "Expecting keyword INTO, found \"TABLEX\".\nTABLEX HR.EMPLOYEES\n^");
}

// The psql error rules whose texts overlap, so that their order decides; the others are
// plain patterns, checked by the differential test and the rule table.
TEST_F(RuleMatchesTest, PostgresqlImport) {
  const std::string failed =
      R"(psql: error: connection to server at "db" (10.0.0.5), port 5432 failed: )";
  const std::string fatal = failed + "FATAL:  ";
  Analyze({
      {"Importing database objects to PostgreSQL", {"DefineImportDBMS"}},
      {R"(C:\Migration\scripts>"C:\Program Files\PostgreSQL\15\bin\psql.exe" -h localhost -U postgres -p 5432 -d hr --file HR.EMPLOYEES.sql 2>&1)",
       {"CallPsql"}},
      {"CREATE TABLE", kInfo},
      {"psql:HR.EMPLOYEES.sql:12: WARNING:  there is no transaction in progress",
       {"Postgresql_warning"}},
      {"Finishing HR.EMPLOYEES import with exit code 1", {"Psql_error_code"}, true},
      {R"(psql: error: connection to server at "localhost" (127.0.0.1), port 5432 failed: Connection refused)",
       {"Psql_error_connection_refused"},
       true},
      {fatal + R"(database "hr" does not exist)", {"Psql_error_connection_database"}, true},
      {failed + "SSL error: tlsv1 alert protocol version", {"Psql_error_connection_tls"}, true},
      {R"(psql:HR.V_EMP.sql:5: ERROR:  relation "hr.employees" does not exist)",
       {"Psql_error_import_no_relation"},
       true},
      {R"(psql:HR.T.sql:1: ERROR:  schema "hr" does not exist)",
       {"Psql_error_import_no_schema"},
       true},
      {R"(psql:HR.FK.sql:4: ERROR:  foreign key constraint "fk_dept" cannot be implemented)",
       {"Psql_error_import_no_schema"},
       true},
      {R"(psql:HR.EMPLOYEES.sql:1: ERROR:  relation "employees" already exists)",
       {"Psql_error_import_already_relation"},
       true},
      {"psql:HR.V.sql:3: ERROR:  function dblink(unknown, unknown) does not exist",
       {"Psql_error_import_no_function_dblink"},
       true},
      {"psql:HR.V.sql:3: ERROR:  function hr.get_name(integer) does not exist",
       {"Psql_error_import_no_function"},
       true},
      {fatal + R"(no pg_hba.conf entry for host "10.0.0.7", user "postgres", database "hr")",
       {"Psql_error_no_entry"},
       true},
      {fatal + R"(pg_hba.conf rejects connection for host "10.0.0.7", user "postgres")",
       {"Psql_error_reject"},
       true},
      {failed + "server does not support SSL, but SSL was required",
       {"Psql_error_not_support_SSL_but_required"},
       true},
      {R"(psql:HR.EMPLOYEES.sql:14: ERROR:  duplicate key value violates unique constraint "employees_pkey")",
       {"Postgresql_error"},
       true},
      {R"(psql:HR.V_EMP.sql:5: ОШИБКА:  отношение "hr.employees" не существует)",
       {"Postgresql_error"},
       true},
      {"Exit code = 3", {"Psql_Linux_exit_code_error"}, true},
      {"Exit code = 0", kInfo},
      // Setup scripts whose failures are expected: recognised, but not counted.
      {R"(psql:create_lang.sql:1: ERROR:  language "plpgsql" already exists)",
       {"Postgresql_error"}},
      {"psql:create_extension_postgis.sql:3: ERROR:  see create_extension_pgcrypto.sql",
       {"Postgresql_error"}},
      {R"(psql:create_extension_postgis.sql:3: ERROR:  extension "postgis" is not available)",
       {"Postgresql_error"},
       true},
  });
}

TEST_F(RuleMatchesTest, MicrosoftSqlServerImport) {
  Analyze({
      {"Importing database objects to Microsoft SQL Server", {"DefineImportDBMS"}},
      {R"(C:\Migration\scripts>sqlcmd.exe -i HR.EMPLOYEES.sql -U sa -P secret -d HR -S localhost)",
       {"CallSqlcmd"}},
      {"Importing Table dbo.EMPLOYEES to Microsoft SQL Server", {"ImportingObjectName"}},
      {"Msg 208, Level 16, State 1, Server SQLPROD01, Line 3", {"Mssql_error"}, true},
      {"Invalid object name 'dbo.DEPARTMENTS'.", kInfo},
      {"Msg 2714, Level 16, State 6, Server SQLPROD01, Procedure usp_GetEmployee, Line 1",
       {"Mssql_error"},
       true},
      {"Sqlcmd: Error: Microsoft ODBC Driver 17 for SQL Server : Login failed for user 'sa'.",
       {"Sqlcmd_error"},
       true},
      {"Warning! The maximum key length is 900 bytes. The index 'IX_NAME' has 1000 bytes.",
       {"Mssql_warning"}},
      {R"(C:\Migration\scripts>bcp.exe HR.dbo.EMPLOYEES in HR.EMPLOYEES.dat -d HR -f HR.EMPLOYEES.fmt -e HR.EMPLOYEES.err -m 10 -t"|" -r"\n" -E -U sa -P secret -S localhost -b1000 -k)",
       {"CallBcp"}},
      {"SQLState = 37000, NativeError = 4060", {"Bcp_error"}, true},
      {"1000 rows copied.", kInfo},
  });
  // Two rules share the name Mssql_error: the message without a procedure is 502's.
  EXPECT_NE(Find(3, 502), nullptr);
  EXPECT_NE(Find(5, 506), nullptr);
}

// The MySQL client's own warning about a password on its command line is not a finding.
TEST_F(RuleMatchesTest, MysqlImport) {
  Analyze({
      {"Importing database objects to MySQL", {"DefineImportDBMS"}},
      {R"(C:\Migration\scripts>mysql.exe --host=localhost --user=root --password=secret --port=3306 --force -vvv hr 0<HR.EMPLOYEES.sql 1>>HR.EMPLOYEES.log)",
       {"CallMysql"}},
      {"mysql: [Warning] Using a password on the command line interface can be insecure.", kInfo},
      {R"(mysql: [Warning] World-writable config file 'C:\my.ini' is ignored.)", {"mysql_warning"}},
      {"ERROR 1146 (42S02) at line 5: Table 'hr.departments' doesn't exist", {"mysql_error"}, true},
      {"ERROR 2003 (HY000): Can't connect to MySQL server on 'localhost:3306' (10061)",
       {"mysql_error2"},
       true},
      // The script rules come first and take the missing client.
      {R"('C:\Program Files\MySQL\bin\mysql.exe' is not recognized as an internal or external command,)",
       {"IncorrectPathError2"}},
  });
}

TEST_F(RuleMatchesTest, SingleStoreDbImport) {
  Analyze({
      {"Importing database objects to SingleStoreDB", {"DefineImportDBMS"}},
      {R"(C:\Migration\scripts>mysql.exe --host=s2 --user=admin --password=secret --port=3306 --force -vvv hr 0<HR.EMPLOYEES.sql 1>>HR.EMPLOYEES.log)",
       {"CallSingleStoreDB"}},
      {"mysql: [Warning] Using a password on the command line interface can be insecure.", kInfo},
      {"mysql: [Warning] Option --ssl is deprecated.", {"singlestoredb_warning"}},
      {"ERROR 1064 (42000) at line 3: You have an error in your SQL syntax",
       {"singlestoredb_error"},
       true},
      {"ERROR 2013 (HY000): Lost connection to MySQL server during query",
       {"singlestoredb_error2"},
       true},
  });
}

}  // namespace
}  // namespace Qva
