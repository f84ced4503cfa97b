// The compiled-in rule files: their bytes are those of res/AnalyzeRules, and every rule the
// real loader builds from them carries exactly the fields written down below. The table is
// kept by hand, apart from the XML, so that an edit of either shows up here.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/RuleResources.h"
#include "analyzer/TestRuleSources.h"

namespace Qva {
namespace {

constexpr int32_t kRegex = RuleType::kRegex;
constexpr int32_t kCustom = RuleType::kCustom;
constexpr int32_t kVeryHigh = RulePriority::kVeryHigh;
constexpr int32_t kHigh = RulePriority::kHigh;
constexpr int32_t kMid = RulePriority::kMid;
constexpr int32_t kLow = RulePriority::kLow;
constexpr int32_t kVeryLow = RulePriority::kVeryLow;
constexpr int32_t kHardStop = RuleBehavior::kHardStop;
constexpr int32_t kSoftStop = RuleBehavior::kSoftStop;
constexpr int32_t kNonStop = RuleBehavior::kNonStop;
constexpr int32_t kCommon = RuleGroup::kCommon;
constexpr int32_t kCmd = RuleGroup::kCmd;
constexpr int32_t kOracle = RuleGroup::kOracle;
constexpr int32_t kPostgresql = RuleGroup::kPostgreSql;
constexpr int32_t kMssql = RuleGroup::kMsSql;
constexpr int32_t kMysql = RuleGroup::kMySql;
constexpr int32_t kSingleStore = RuleGroup::kSingleStoreDb;
constexpr int32_t kError = RuleKind::kError;
constexpr int32_t kNoKind = kNoKeyword;

struct ExpectedRule {
  int32_t id;
  const char* name;
  int32_t type;
  int32_t priority;
  int32_t behavior;
  int32_t group;
  const char* type_element;  // text of the Type element, nullptr when the rule has none
  int32_t kind;
  const char* describe;
  const char* prematch;
  const char* match;
  const char* output;
  std::vector<std::string> actions;
  const char* check;  // custom rules only
};

// Every rule in file order (COMMON, CMD, ORACLE, POSTGRESQL, MICROSOFT SQL SERVER, MYSQL,
// SINGLESTOREDB), each file in document order. Patterns as the regex library receives them.
const std::vector<ExpectedRule>& ExpectedRules() {
  // clang-format off
  static const std::vector<ExpectedRule> rules = {
    {101, "CheckEmptyLines", kCustom, kVeryHigh, kHardStop, kCommon, nullptr, kNoKind,
     "Check string for emptiness", "", "", "", {"DoNothing"}, "CheckEmptyString"},
    {102, "DB2SQLerror", kRegex, kHigh, kHardStop, kCommon, nullptr, kNoKind,
     "Find SQL error", "", R"x(^(SQL)([0-9]+[A-Z]*) (.*)\n)x", "Code: SQL[#2]. Message: [#3] ",
     {"OutputResultDB2SQLError"}, ""},
    {1100, "OutputNonEmptyStrings", kRegex, kVeryLow, kNonStop, kCommon, nullptr, kNoKind,
     "Just output non empty string", "", R"x(^(.+)\n)x", "[#1]", {"OutputResultInfo"}, ""},
    {201, "DefineImportDBMS", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Defines import dbms type and adds rules of this dbms",
     R"x(^Importing database objects to.*\n)x", R"x(^Importing database objects to (.+)\n)x",
     "Importing to DBMS: [#1]", {"LoadRules", "OutputResultInfo"}, ""},
    {202, "CallScript", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Match call 'script' strings", R"x(^.*call.*\n)x", R"x(^.*>\s*call\s+"(.*)".*\n)x",
     "Run [#1] script", {"DropLaunchTool", "OutputResultInfo", "StartScript"}, ""},
    {203, "EndScript", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Match call 'script' strings", "", R"x(^.*rem End script.*\n)x", "",
     {"DropLaunchTool", "FinishScript"}, ""},
    {204, "CallOnTheFlyDataMigrator", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Find ZORDAX launch", R"x(^.*ZORDAX.exe.*\n)x",
     R"x(^((?:[a-zA-Z]\:){0,1}(?:[\\/][\w.]+){1,})>"(.*)(ZORDAX.exe)"(.*)\n)x", "Launch [#3] [#4]",
     {"OutputResultInfo", "LaunchTool"}, ""},
    {205, "ImportingObjectName", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     R"x(Match 'Importing \\object type\\ \\object name\\' strings)x", R"x(^Importing.*\n)x",
     R"x(^Importing (Table|View|StoredProcedure|Trigger|Function|Package|UserAccount|Sequence|Synonym|Exception|Event|UserDefinedType|Script|Macro|Rule|DataType) (.+) to .*\n)x",
     "", {"NewImportObject", "OutputResultInfo"}, ""},
    {206, "IncorrectPathError", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Match 'The system cannot find the path specified' strings", "",
     R"x(^.*The system cannot find the path specified.*\n)x", "",
     {"IncorrectPathError", "OutputResultInfo"}, ""},
    {207, "IncorrectPathError2", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Match ''mysql.exe' is not recognized as an internal or external command' strings", "",
     R"x(^.*[\\']mysql\.exe' is not recognized as an internal or external command.*\n)x", "",
     {"IncorrectPathError", "OutputResultInfo"}, ""},
    {208, "AdditionalObject", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Match Additional object", "", R"x(^.*Additional object\n)x", "", {"SetAdditionalObject"}, ""},
    {209, "ImportingData", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     R"x(Match 'Importing \\data\\' strings)x", R"x(^Importing.*\n)x",
     R"x(^Importing data using the (.+)\n)x", "", {"NewImportData", "OutputResultInfo"}, ""},
    {210, "IncorrectPathErrorPG", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Match ''psql.exe' is not recognized as an internal or external command' strings", "",
     R"x(^.*[\\']psql\.exe' is not recognized as an internal or external command.*\n)x", "",
     {"IncorrectPathError", "OutputResultInfo"}, ""},
    {211, "IncorrectPathError3", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Match 'The system cannot find the path specified' strings", "",
     R"x(^.*is not recognized as an internal or external command.*\n)x", "",
     {"IncorrectPathError", "OutputResultInfo"}, ""},
    {299, "FilterCmdEchoStrings", kRegex, kLow, kNonStop, kCmd, nullptr, kNoKind,
     "Don't output cmd echo strings", "",
     R"x(^((?:[a-zA-Z]\:){0,1}(?:[\\/][^\\/:\*\?\|"<>]+){1,})>.*\n)x", "", {"DropLaunchTool"}, ""},
    {250, "StartShellScript", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Match shell import script start", "", R"x(^Starting import script (.+)\.sh\n)x",
     "Run [#1] script", {"DropLaunchTool", "OutputResultInfo", "StartScript"}, ""},
    {251, "FinishShellScript", kRegex, kHigh, kHardStop, kCmd, nullptr, kNoKind,
     "Match shell import script finish", "", R"x(^Import script .+ finished\n)x", "",
     {"DropLaunchTool", "FinishScript"}, ""},
    {301, "CallSQLPlus", kRegex, kHigh, kHardStop, kOracle, nullptr, kNoKind,
     "Find SQLPlus launch", R"x(^.*sqlplus.*\n)x",
     R"x(^((?:[a-zA-Z]\:){0,1}(?:[\\/][ \w.]+){1,})>"?(.*)(sqlplus)"? ([^/]*)/([^@]*)@([\w]*)\s*@(.*)\s?.*\n)x",
     "Launch [#3] [#7] ([#4]/[#5]@[#6])", {"OutputResultInfo", "LaunchSQLPlus"}, ""},
    {302, "CallSQLLoader", kRegex, kHigh, kHardStop, kOracle, nullptr, kNoKind,
     "Find SQLLoader launch", R"x(^.*sqlldr.*\n)x",
     R"x(^((?:[a-zA-Z]\:){0,1}(?:[\\/][\w.]+){1,})>"?(.*)(sqlldr)"? userid=([^/]*)/([^@]*)@([\w]*)? control=([^/]*) log=([^/]*) rows=([0-9]*) readsize=([0-9]*) bindsize=([0-9]*).*\n)x",
     "Launch [#3] ([#4]/[#5]@[#6]), control = [#7], log = [#8], (rows = [#9], readsize = [#10], bindsize = [#11])." "\n    ",
     {"OutputResultInfo", "LaunchSQLLdr"}, ""},
    {303, "CloseSQLPlus", kRegex, kHigh, kHardStop, kOracle, nullptr, kNoKind,
     "Close SQLPlus and disconnect", R"x(^.*Disconnected.*\n)x",
     R"x(^.*(Disconnected from) (.*)\n)x", "[#1][#2]", {"OutputResultInfo", "DropLaunchTool"}, ""},
    {304, "SQL*Loader_error", kRegex, kHigh, kHardStop, kOracle, "Error", kError,
     "Find SQL*Loader error", "", R"x(^(SQL\*Loader)-([0-9]*): (Error .*)\n)x", "",
     {"OutputResultErrorSQLLoader"}, ""},
    {305, "Oracle_error", kRegex, kHigh, kHardStop, kOracle, "Error", kError,
     "Find Oracle error", "", R"x(^(ORA)-([0-9]*): (.*)\n)x", "", {"OutputResultErrorOracle"}, ""},
    {306, "GetElemChunk4", kCustom, kHigh, kNonStop, kOracle, nullptr, kNoKind,
     "Returns chunk of elemnts for many lines processing", "", "", "4", {"ReturnChunk"},
     "CheckNotEmptyString"},
    {307, "Oracle_4_lines_error", kRegex, kHigh, kHardStop, kOracle, "Error", kError,
     "Find Oracle 4 lines error", R"x(^(.*)\n(.*)\nERROR(.*)\n(.*)\n)x",
     R"x(^( )*(.*),\n(.*)(\*)(.*)\n(ERROR)(.*) ([0-9]*):\n(ORA)-([0-9]*): (.*)\n)x",
     "Code: ORA-[#10]. Message: [#11]. Line: [#8].", {"OutputResultErrorOracle4Line", "SkipLines"},
     ""},
    {308, "SQL*Loader_syntax_error", kRegex, kHigh, kHardStop, kOracle, "Error", kError,
     "Find SQL*Loader error", "",
     R"x(^(SQL\*Loader)-([0-9]*): (Syntax error) at line (.*).\n(( *Expecting .*\n)(.*\n)(.*))\n)x",
     "Code: SQL*Loader-[#2]. Message: [#5]. Line: [#4].",
     {"OutputResultErrorSQLLoader4Line", "SkipLines"}, ""},
    {310, "GetElemChunk1", kCustom, kMid, kNonStop, kOracle, nullptr, kNoKind,
     "Returns chunk of elemnts for many lines processing", "", "", "1", {"ReturnChunk"},
     "CheckNotEmptyString"},
    {311, "Oracle_warning", kRegex, kLow, kSoftStop, kOracle, "Warning", kNoKind,
     "Find Oracle warning", "", R"x(^Warning:\s*(.*)\n)x", "Warning: [#1]",
     {"OutputResultWarningSQLLoader"}, ""},
    {401, "CallPsql", kRegex, kHigh, kHardStop, kPostgresql, nullptr, kNoKind,
     "Find psql launch", R"x(^.*psql.*\n)x",
     R"x(^(.*)(psql\.exe)"?\s*-h\s*([^ ]*)\s*-U \s*([^ ]*)\s*-p \s*([^ ]*)\s*-d \s*([^ ]*)\s*--file \s*([^ ]*)\s*([^ ]*)\n)x",
     "Launch [#2]", {"OutputResultInfo", "LaunchPsql"}, ""},
    {402, "Postgresql_warning", kRegex, kHigh, kHardStop, kPostgresql, nullptr, kNoKind,
     "Find Postgresql notice message", "", R"x(^psql:[^:]*(?::\d+)?: WARNING:\s(.*)\n)x", "[#1]",
     {"OutputResultWarningPostgresql"}, ""},
    {403, "Psql_error_code", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find psql error code", "", R"x(^Finishing .*import with exit code ([^0])\n)x",
     "Unhandled exception (psql exited with error code [#1])", {"OutputResultErrorPostgresql"}, ""},
    {404, "Psql_error_connection_refused", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find connection refused psql error", "",
     R"x(^psql:(?:.*)(server)(?:.*)(Connection refused)(?:.*)\n)x",
     "Connection refused error. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {405, "Psql_error_execution_from_script_error", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find OS dependent process stratup error message", "",
     R"x(^The process cannot access the file because(?:.*)\n)x", "Failed to start psql. [#0]",
     {"OutputResultErrorPostgresql"}, ""},
    {406, "Psql_error_connection_database", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find connection to unexisting database", "",
     R"x(psql:(?:.*)(FATAL:\s+database)(?:.*)(does not exist)\n)x",
     "Connection to unexisting database. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {407, "Psql_error_connection_tls", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find connection with bad TLS version", "",
     R"x((^psql:(?:.*)(SCRAM authentication requires libpq)(?:.*)\n)|(^(?:.*)[tlsv123] [Aa]lert [Pp]rotocol [Vv]ersion(?:.*)\n))x",
     "SSL error. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {408, "Psql_error_import_100args", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find import 100 args error", "",
     R"x(^psql:(?:.*)([Ff]unctions)(?:.*)(100 arguments)(?:.*)\n)x",
     "Functions cannot have more than 100 arguments. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {409, "Psql_error_import_user_no_permission_table", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find user X has no permission for table Y", "",
     R"x(^psql:(?:.*)(user)(?:.*)(has no permission for table)(?:.*)\n)x",
     "User has no permission for table. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {410, "Psql_error_import_no_relation", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find relation X does not exist", "",
     R"x(^psql:(?:.*)(?:ERROR|FATAL|PANIC|ОШИБКА)(?:.*)(relation)(?:.*)(does not exist)(?:.*)\n)x",
     "Relation does not exist. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {411, "Psql_error_import_no_schema", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find schema X does not exist", "", R"x(^psql:(?:.*)(schema)(?:.*)(does not exist)(?:.*)\n)x",
     "Schema does not exist. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {412, "Psql_error_import_no_schema", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find foreign key constraint cannot be implemented", "",
     R"x(^psql:(?:.*)(foreign key constraint)(?:.*)(cannot be implemented)(?:.*)\n)x",
     "Foreign key constraint cannot be implemented. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {413, "Psql_error_import_function_return_out", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find RETURN cannot have a parameter in function with OUT parameters", "",
     R"x(^psql:(?:.*)(RETURN cannot have a parameter in function with OUT parameters)(?:.*)\n)x",
     "RETURN cannot have a parameter in function with OUT parameters. [#0]",
     {"OutputResultErrorPostgresql"}, ""},
    {414, "Psql_error_import_syntax_merge", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     R"x(Find Syntax error at or near "MERGE")x", "",
     R"x(^psql:(?:.*)(ERROR)(?:.*)(syntax error at or near "MERGE")(?:.*)\n)x",
     "Syntax error at or near MERGE. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {415, "Psql_error_import_already_relation", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find Relation already exists", "",
     R"x(^psql:(?:.*)(ERROR)(?:.*)(relation)(?:.*)(already exists)(?:.*)\n)x",
     "Relation already exists. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {416, "Psql_error_import_procedures_out", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find Procedures cannot have OUT arguments", "",
     R"x(^psql:(?:.*)(procedures cannot have OUT arguments)(?:.*)\n)x",
     "Procedures cannot have OUT arguments. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {417, "Psql_error_import_no_function_dblink", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find Function dblink does not exist", "",
     R"x(^psql:(?:.*)(function)(?:.*)(dblink)(?:.*)(does not exist)(?:.*)\n)x",
     "Function dblink(text, text) does not exist. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {418, "Psql_error_import_no_function", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find Function does not exist", "",
     R"x(^psql:(?:.*)(function)(?:.*)(does not exist)(?:.*)\n)x", "Function does not exist. [#0]",
     {"OutputResultErrorPostgresql"}, ""},
    {419, "Psql_error_no_entry", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find psql no entry error", "",
     R"x(^psql:(?:.*)(FATAL:\s+no pg_hba.conf entry for host)(?:.*)\n)x",
     "No pg_hba.conf entry. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {420, "Psql_error_requires_certificate", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find psql requires certificate error", "",
     R"x(^psql:(?:.*)(FATAL:\s+connection requires a valid client certificate)(?:.*)\n)x",
     "Use a valid client certificate. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {421, "Psql_error_reject", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find psql reject error", "",
     R"x(^psql:(?:.*)(FATAL:\s+pg_hba.conf rejects connection for host)(?:.*)\n)x",
     "Connection is rejected by pg_hba.conf settings. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {422, "Psql_error_not_support_SSL_but_required", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find psql not support SSL but required", "",
     R"x(^psql:(?:.*)(not support SSL)(?:.*)(but SSL)(?:.*)(required)(?:.*)\n)x",
     "Connection is rejected by pg_hba.conf settings. [#0]", {"OutputResultErrorPostgresql"}, ""},
    {449, "Postgresql_error", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find Postgresql error", "",
     R"x(^psql:[^:]*(?::\d+:)? (?:ERROR|FATAL|PANIC|ОШИБКА):\s(.*)\n)x", "",
     {"OutputResultErrorPostgresql"}, ""},
    {450, "Psql_Linux_exit_code_error", kRegex, kHigh, kHardStop, kPostgresql, "Error", kError,
     "Find non-zero psql exit code", "", R"x(^Exit code = ([^0])\n)x",
     "Unhandled exception (psql exited with error code [#1])", {"OutputResultErrorPostgresql"}, ""},
    {501, "CallSqlcmd", kRegex, kHigh, kHardStop, kMssql, nullptr, kNoKind,
     "Find sqlcmd launch", R"x(^.*sqlcmd.*\n)x",
     R"x(^(.*)(sqlcmd\.exe)\s*-i\s*([^ ]*)\s*-U \s*([^ ]*)\s*-P \s*([^ ]*)\s*-d \s*([^ ]*)\s*-S \s*([^ ]*)\n)x",
     "Launch [#2]", {"OutputResultInfo", "LaunchSqlcmd"}, ""},
    {502, "Mssql_error", kRegex, kHigh, kHardStop, kMssql, "Error", kError,
     "Find Mssql error", "",
     R"x(^Msg (\d+), Level (\d+), State (\d+), Server ([^,]+), Line (\d+)\n)x",
     "Msg [#1], Level [#2], State [#3], Server [#4], Line [#5]", {"OutputResultErrorMssql"}, ""},
    {503, "Sqlcmd_error", kRegex, kHigh, kHardStop, kMssql, "Error", kError,
     "Find Mssql error", "", R"x(^Sqlcmd: Error: \s*(?:[^:]*): \s*(.*)\n)x", "[#1]",
     {"OutputResultErrorMssql"}, ""},
    {504, "CallBcp", kRegex, kHigh, kHardStop, kMssql, nullptr, kNoKind,
     "Find sqlcmd launch", R"x(^.*bcp.*\n)x",
     R"x(^(.*)(bcp\.exe)\s*([^ ]*)\s*in \s*([^ ]*)\s*-d \s*([^ ]*)\s*-f \s*([^ ]*)\s*-e \s*([^ ]*)\s*-m \s*([^ ]*)\s+-t([^ ]*)\s+-r([^ ]*)\s+-E\s+-U \s*([^ ]*)\s+-P \s*([^ ]*)\s+-S \s*([^ ]*)\s+-b([^ ]*)\s+-k\n)x",
     "Launch [#2]", {"OutputResultInfo", "LaunchBcp"}, ""},
    {505, "Bcp_error", kRegex, kHigh, kHardStop, kMssql, "Error", kError,
     "Find Mssql error", "", R"x(^SQLState\s*=\s*(\d+),\s*NativeError\s*= \s*(\d+)\n)x",
     "SQLState = [#1], NativeError = [#2]", {"OutputResultErrorBcp"}, ""},
    {506, "Mssql_error", kRegex, kHigh, kHardStop, kMssql, "Error", kError,
     "Find Mssql error", "",
     R"x(^Msg (\d+), Level (\d+), State (\d+), Server ([^,]+), (\w+) ([^,]+), Line (\d+)\n)x",
     "Msg [#1], Level [#2], State [#3], Server [#4], [#5] [#6], Line [#7]",
     {"OutputResultErrorMssql"}, ""},
    {507, "Mssql_warning", kRegex, kLow, kSoftStop, kMssql, "Warning", kNoKind,
     "Find Mssql warning", "", R"x(^Warning!\s*(.*)\n)x", "Warning! [#1]",
     {"OutputResultWarningMssql"}, ""},
    {601, "CallMysql", kRegex, kHigh, kHardStop, kMysql, nullptr, kNoKind,
     "Find mysql launch", R"x(^.*mysql.*\n)x",
     R"x(^(.*)(mysql\.exe)\s+--host=([^ ]*)\s+--user=([^ ]*)\s+--password=([^ ]*)\s+--port=([^ ]*)\s+--force\s+-vvv\s+([^ ]*)(?:[^<]*)<\s*([^ ]*)(?:[^>]*)>>\s*([^\s]*)\n)x",
     "Launch [#2]", {"OutputResultInfo", "LaunchMysql"}, ""},
    {602, "mysql_error", kRegex, kHigh, kHardStop, kMysql, "Error", kError,
     "Find mysql error", "", R"x(^ERROR (\d+) \((\w+)\)( at line \d+): (.*)\n)x", "",
     {"OutputResultErrorMySQL"}, ""},
    {603, "mysql_warning", kRegex, kHigh, kHardStop, kMysql, nullptr, kNoKind,
     "Find mysql warning", "",
     R"x(^mysql: \[Warning\] (?!Using a password on the command line interface can be insecure)(.*)\n)x",
     "", {"OutputResultWarningMySQL"}, ""},
    {604, "mysql_error2", kRegex, kHigh, kHardStop, kMysql, "Error", kError,
     "Find mysql error", "", R"x(^ERROR (\d+) \((\w+)\)(:) (.*)\n)x", "",
     {"OutputResultErrorMySQL"}, ""},
    {605, "mysql_not_recognized_error", kRegex, kHigh, kHardStop, kMysql, "Error", kError,
     "mysql is not recognized as an internal or external command", "",
     R"x(^(.+mysql\.exe.+ +is not recognized as an internal or external command),\n)x", "",
     {"OutputMySQLNotRecognizedError"}, ""},
    {701, "CallSingleStoreDB", kRegex, kHigh, kHardStop, kSingleStore, nullptr, kNoKind,
     "Find singlestoredb launch", R"x(^.*mysql.*\n)x",
     R"x(^(.*)(mysql\.exe)\s+--host=([^ ]*)\s+--user=([^ ]*)\s+--password=([^ ]*)\s+--port=([^ ]*)\s+--force\s+-vvv\s+([^ ]*)(?:[^<]*)<\s*([^ ]*)(?:[^>]*)>>\s*([^\s]*)\n)x",
     "Launch [#2]", {"OutputResultInfo", "LaunchMysql"}, ""},
    {702, "singlestoredb_error", kRegex, kHigh, kHardStop, kSingleStore, "Error", kError,
     "Find singlestoredb error", "", R"x(^ERROR (\d+) \((\w+)\)( at line \d+): (.*)\n)x", "",
     {"OutputResultErrorMySQL"}, ""},
    {703, "singlestoredb_warning", kRegex, kHigh, kHardStop, kSingleStore, nullptr, kNoKind,
     "Find singlestoredb warning", "",
     R"x(^mysql: \[Warning\] (?!Using a password on the command line interface can be insecure)(.*)\n)x",
     "", {"OutputResultWarningMySQL"}, ""},
    {704, "singlestoredb_error2", kRegex, kHigh, kHardStop, kSingleStore, "Error", kError,
     "Find singlestoredb error", "", R"x(^ERROR (\d+) \((\w+)\)(:) (.*)\n)x", "",
     {"OutputResultErrorMySQL"}, ""},
    {705, "singlestoredb_not_recognized_error", kRegex, kHigh, kHardStop, kSingleStore, "Error", kError,
     "singlestoredb is not recognized as an internal or external command", "",
     R"x(^(.+mysql\.exe.+ +is not recognized as an internal or external command),\n)x", "",
     {"OutputMySQLNotRecognizedError"}, ""},
  };
  // clang-format on
  return rules;
}

const char* const kRuleFiles[] = {"groups.xml",     "common.xml", "cmd.xml",   "oracle.xml",
                                  "postgresql.xml", "mssql.xml",  "mysql.xml", "singlestoredb.xml"};

std::string ReadSourceFile(const std::string& name) {
  std::ifstream in(std::string(ML_SOURCE_DIR) + "/res/AnalyzeRules/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "<absent>";
  xmlFree(value);
  return text;
}

std::vector<xmlNode*> ChildElements(xmlNode* parent, const char* name) {
  std::vector<xmlNode*> found;
  for (xmlNode* node = parent->children; node != nullptr; node = node->next) {
    if (node->type == XML_ELEMENT_NODE &&
        std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0) {
      found.push_back(node);
    }
  }
  return found;
}

TEST(EmbeddedRulesTest, ResourcesAreTheRuleFilesByteForByte) {
  const auto table = GetResourceTable();
  ASSERT_EQ(table.size(), 8u);
  for (int id = 1; id <= 8; ++id) {
    const std::string name = kRuleFiles[id - 1];
    SCOPED_TRACE(name);
    const std::string text = GetResource(id);
    EXPECT_EQ(text, ReadSourceFile(name));
    EXPECT_EQ(std::string(table[id - 1].name), "res/AnalyzeRules/" + name);
    EXPECT_EQ(table[id - 1].length, text.size());
    // Each file opens with a one-line comment that says what it holds.
    const std::string first_line = text.substr(0, text.find('\n'));
    EXPECT_EQ(first_line.rfind("<!--", 0), 0u);
    EXPECT_GE(first_line.size(), 7u);
    EXPECT_EQ(first_line.substr(first_line.size() - 3), "-->");
  }
  for (int id : {0, 9, -1, INT_MIN}) EXPECT_THROW(GetResource(id), std::runtime_error) << id;
}

TEST(EmbeddedRulesTest, GroupsListNamesTheSevenRuleFiles) {
  const std::string text = GetResource(1);
  xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "groups.xml", nullptr, 0);
  ASSERT_NE(doc, nullptr);
  xmlNode* root = xmlDocGetRootElement(doc);
  EXPECT_STREQ(reinterpret_cast<const char*>(root->name), "Groups");
  std::vector<std::string> groups;
  for (xmlNode* group : ChildElements(root, "Group")) {
    groups.push_back(Attribute(group, "id") + " " + Attribute(group, "name") + " " +
                     Attribute(group, "file"));
  }
  xmlFreeDoc(doc);
  EXPECT_EQ(groups, (std::vector<std::string>{
                        "100 COMMON common.xml", "200 CMD cmd.xml", "300 ORACLE oracle.xml",
                        "400 POSTGRES postgres.xml", "500 MICROSOFT SQL SERVER mssql.xml",
                        "600 MYSQL mysql.xml", "700 SINGLESTOREDB singlestoredb.xml"}));
}

// The Type element is visible on a loaded rule only as "Error" or not; the raw text ("Warning"
// included) is checked on the XML itself.
TEST(EmbeddedRulesTest, TypeElementsAsDefined) {
  std::map<int32_t, const char*> expected;
  for (const ExpectedRule& rule : ExpectedRules()) expected[rule.id] = rule.type_element;
  size_t seen = 0;
  for (int id = 2; id <= 8; ++id) {
    const std::string text = GetResource(id);
    xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "r.xml", nullptr, 0);
    ASSERT_NE(doc, nullptr) << kRuleFiles[id - 1];
    xmlNode* root = xmlDocGetRootElement(doc);
    const int32_t file_id = std::stoi(Attribute(root, "id"));
    for (xmlNode* rule : ChildElements(root, "AnalyzeRule")) {
      const int32_t rule_id = file_id + std::stoi(Attribute(rule, "id"));
      SCOPED_TRACE(rule_id);
      ASSERT_EQ(expected.count(rule_id), 1u);
      const auto types = ChildElements(rule, "Type");
      if (expected[rule_id] == nullptr) {
        EXPECT_TRUE(types.empty());
      } else {
        ASSERT_EQ(types.size(), 1u);
        xmlChar* content = xmlNodeGetContent(types[0]);
        EXPECT_STREQ(reinterpret_cast<const char*>(content), expected[rule_id]);
        xmlFree(content);
      }
      ++seen;
    }
    xmlFreeDoc(doc);
  }
  EXPECT_EQ(seen, ExpectedRules().size());
}

// Also: every action and check name binds (a misspelt one would load as an empty callable),
// and loading reports no problem.
TEST(EmbeddedRulesTest, LoaderBuildsEveryRuleAsDefined) {
  LogAnalyzer analyzer(test::EmbeddedRulesOnly());
  analyzer.Init(false);
  auto manager = analyzer.GetRulesManager();
  const std::string trace = analyzer.GetTraceText();
  for (const char* problem :
       {"Error read groups xml file", "Error parse rules xml file", "Can't load rules group",
        "Can't find rules group", "Can't find action"}) {
    EXPECT_EQ(trace.find(problem), std::string::npos) << problem;
  }

  std::vector<std::shared_ptr<IAnalyzeRule>> loaded;
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    for (const auto& rule : manager->GetGroupRules(group)) loaded.push_back(rule);
  }
  const auto& expected = ExpectedRules();
  ASSERT_EQ(expected.size(), 68u);
  ASSERT_EQ(loaded.size(), expected.size());

  for (size_t i = 0; i < expected.size(); ++i) {
    const ExpectedRule& want = expected[i];
    const IAnalyzeRule& rule = *loaded[i];
    SCOPED_TRACE(std::to_string(want.id) + " " + want.name);
    EXPECT_EQ(rule.GetId(), want.id);
    EXPECT_EQ(rule.GetName(), want.name);
    EXPECT_EQ(rule.GetType(), want.type);
    EXPECT_EQ(rule.GetPriority(), want.priority);
    EXPECT_EQ(rule.GetBehavior(), want.behavior);
    EXPECT_EQ(rule.GetGroup(), want.group);
    EXPECT_EQ(rule.GetKind(), want.kind);
    EXPECT_EQ(rule.GetDescribe(), want.describe);
    EXPECT_EQ(rule.GetOutput(), want.output);
    EXPECT_EQ(rule.GetActionNames(), want.actions);
    EXPECT_EQ(rule.GetActions().size(), want.actions.size());
    for (const ActionFunction& action : rule.GetActions()) EXPECT_TRUE(action);
    if (want.type == kRegex) {
      const auto* regex = dynamic_cast<const RegexAnalyzeRule*>(&rule);
      ASSERT_NE(regex, nullptr);
      EXPECT_EQ(regex->GetPrematch(), want.prematch);
      EXPECT_EQ(regex->GetMatch(), want.match);
    } else {
      const auto* custom = dynamic_cast<const CustomAnalyzeRule*>(&rule);
      ASSERT_NE(custom, nullptr);
      EXPECT_EQ(custom->GetCheckName(), want.check);
      EXPECT_TRUE(custom->HasCheck());
    }
  }
}

}  // namespace
}  // namespace Qva
