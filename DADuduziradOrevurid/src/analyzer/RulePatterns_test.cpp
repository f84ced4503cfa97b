// Differential test of the embedded rule patterns: the PCRE2 matcher the rules use must decide
// exactly as the standard library's ECMAScript regular expressions do (the grammar the rule
// files are written for): same match or no match, same text in every group. Each pattern is
// tried on lines written for its rule and on mechanical variants of them (carriage returns,
// non-ASCII bytes, a zero byte, tabs, joined lines, missing line feed), and on the lines of all
// other rules as near-misses.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RegexPattern.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/TestRuleSources.h"
#include "analyzer/RulePrefilter.h"

// GCC 12 reports a false -Wrestrict in std::string's operator+ once Variants is inlined into a
// second test (GCC bug 105651).
#pragma GCC diagnostic ignored "-Wrestrict"

namespace Qva {
namespace {

// Lines written for each regex rule, without their final line feed: lines the rule is meant
// for, lines with optional parts left out, and near-misses. A "\n" inside separates the lines
// of a multi-line chunk.
const std::map<int32_t, std::vector<std::string>>& Corpus() {
  static const std::map<int32_t, std::vector<std::string>> corpus = {
      {102,
       {R"(SQL0204N  "DB2ADMIN.T1" is an undefined name.  SQLSTATE=42704)", "SQL0104N ", "SQL0911N",
        "SQLSTATE=42704 SQL0204N x"}},
      {1100, {"Table created.", "x", " "}},
      {201,
       {"Importing database objects to Oracle", "Importing database objects to ",
        "Importing database objects to Amazon Aurora (Compatibility with PostgreSQL)"}},
      {202,
       {R"(C:\Migration\scripts>call "C:\Migration\scripts\HR\tables.bat")",
        R"(C:\Migration>call  "a b.bat" arg1 "arg 2")", R"(call "x.bat")",
        R"(C:\Migration>call tables.bat)"}},
      {203, {R"(C:\Migration\scripts>rem End script)", "rem End scripts now", "rem end script"}},
      {204,
       {R"(C:\Migration>"C:\Program Files\Movarin\ZORDAX.exe" /import /cfg="C:\onthefly.cfg")",
        R"(/home/migration>"/opt/movarin/ZORDAX.exe")", R"(C:\Program Files>"ZORDAX.exe" /import)",
        R"(C:\Migration>ZORDAX.exe /import)"}},
      {205,
       {"Importing Table HR.EMPLOYEES to Oracle",
        "Importing StoredProcedure dbo.usp_GetEmployee to Microsoft SQL Server",
        "Importing DataType HR.ADDRESS_T to PostgreSQL", "Importing Tables HR.X to Oracle",
        "Importing Table  to Oracle"}},
      {206, {"The system cannot find the path specified.", "The system cannot find the file"}},
      {207,
       {"'mysql.exe' is not recognized as an internal or external command,",
        R"('C:\Program Files\MySQL\bin\mysql.exe' is not recognized as an internal or external command,)",
        "mysql.exe is not recognized as an internal or external command,"}},
      {208, {"Sequence HR.EMP_SEQ: Additional object", "Additional objects", "Additional object"}},
      {209, {"Importing data using the SQL*Loader", "Importing data using the "}},
      {210,
       {"'psql.exe' is not recognized as an internal or external command,",
        R"('C:\PostgreSQL\bin\psql.exe' is not recognized as an internal or external command,)"}},
      {211, {"'sqlplus' is not recognized as an internal or external command,"}},
      {299,
       {R"(C:\Migration\scripts>echo off)", "/opt/migration>ls -l", R"(C:\Migration\scr|pts>echo)",
        "Note: a > b", R"(D:>dir)", R"(\\server\share\dir>echo on)"}},
      {250,
       {"Starting import script /opt/migration/import_all.sh", "Starting import script .sh",
        "Starting import script import.bash"}},
      {251,
       {"Import script /opt/migration/import_all.sh finished", "Import script finished",
        "Import script a b finished"}},
      {301,
       {R"(C:\Migration\scripts>sqlplus HR/secret@ORCL @HR.EMPLOYEES.sql)",
        R"(C:\Migration\scripts>"C:\oracle\product\19c\bin\sqlplus" HR/secret@ORCL @"C:\Migration\scripts\HR.EMPLOYEES.sql")",
        R"(C:\My Migration>sqlplus system/manager@ @x.sql)",
        R"(/opt/migration>sqlplus HR/secret@ORCL@HR.sql)", R"(C:\Migration>sqlplus /nolog)"}},
      {302,
       {R"(C:\Migration\scripts>sqlldr userid=HR/secret@ORCL control=HR.EMPLOYEES.ctl log=HR.EMPLOYEES.log rows=1000 readsize=1048576 bindsize=1048576)",
        R"(C:\Migration\scripts>"C:\oracle\bin\sqlldr" userid=HR/secret@ control=T.ctl log=T.log rows= readsize= bindsize= errors=0)",
        R"(C:\Migration\scripts>sqlldr userid=HR/secret control=T.ctl log=T.log rows=1 readsize=1 bindsize=1)"}},
      {303,
       {"Disconnected from Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production",
        "Disconnected", "SQL> Disconnected from "}},
      {304,
       {"SQL*Loader-500: Error opening file HR.EMPLOYEES.dat", "SQL*Loader-: Error ",
        "SQL*Loader-350: Syntax error at line 4."}},
      {305, {"ORA-00942: table or view does not exist", "ORA-: ", "ORA-00942 table", " ORA-1: x"}},
      {307,
       {"  CONSTRAINT FK_DEPT FOREIGN KEY (DEPT_ID) REFERENCES HR.DEPARTMENTS (ID),\n"
        "                                                         *\n"
        "ERROR at line 5:\n"
        "ORA-00942: table or view does not exist",
        "SELECT a,\n*\nERROR at line :\nORA-00904: \"A\": invalid identifier",
        "CREATE TABLE T (A NUMBER)\n     *\nERROR at line 1:\nORA-00955: name is already used",
        "x,\n*\nERROR at line 2\nORA-1: y"}},
      {308,
       {"SQL*Loader-350: Syntax error at line 4.\n"
        "Expecting keyword INTO, found \"TABLEX\".\n"
        "TABLEX HR.EMPLOYEES\n"
        "^",
        "SQL*Loader-350: Syntax error at line 12.\n   Expecting \",\" or \")\", found \"X\".\n"
        "  A CHAR(10) X\n            ^",
        "SQL*Loader-350: Syntax error at line 4.\nExpecting keyword INTO\nTABLEX"}},
      {311, {"Warning: Procedure created with compilation errors.", "Warning:", "Warnings: 2"}},
      {401,
       {R"(C:\Migration\scripts>"C:\Program Files\PostgreSQL\15\bin\psql.exe" -h localhost -U postgres -p 5432 -d hr --file HR.EMPLOYEES.sql 2>&1)",
        "psql.exe -h db -U u -p 5432 -d hr --file x.sql",
        "psql.exe -h db -U u -p 5432 -d hr -f x.sql"}},
      {402,
       {"psql:HR.EMPLOYEES.sql:12: WARNING:  there is no transaction in progress",
        "psql:HR.sql: WARNING: x", "psql:a:b:c: WARNING: x", "psql:HR.sql:3: NOTICE:  x"}},
      {403,
       {"Finishing HR.EMPLOYEES import with exit code 1", "Finishing import with exit code 0",
        "Finishing import with exit code 12"}},
      {404,
       {R"(psql: error: connection to server at "localhost" (127.0.0.1), port 5432 failed: Connection refused)",
        "psql: could not connect to server: Connection refused (0x0000274D/10061)"}},
      {405, {"The process cannot access the file because it is being used by another process."}},
      {406,
       {R"(psql: error: connection to server at "localhost" (::1), port 5432 failed: FATAL:  database "hr" does not exist)",
        R"(Error: psql: FATAL: database "x" does not exist)",
        R"(psql: FATAL:  database "hr" does not exist yet)"}},
      {407,
       {"psql: error: SCRAM authentication requires libpq version 10 or above",
        R"(psql: error: connection to server at "db" (10.0.0.5), port 5432 failed: SSL error: tlsv1 alert protocol version)",
        "SSL routines: tlsv1 Alert Protocol Version"}},
      {408, {"psql:HR.PKG.sql:200: ERROR:  functions cannot have more than 100 arguments"}},
      {409, {R"(psql:HR.T.sql:3: ERROR:  user "hr" has no permission for table employees)"}},
      {410,
       {R"(psql:HR.V_EMP.sql:5: ERROR:  relation "hr.employees" does not exist)",
        R"(psql:HR.V_EMP.sql:5: ОШИБКА:  relation "hr.employees" does not exist)",
        R"(psql:HR.V_EMP.sql:5: NOTICE:  relation "hr.employees" does not exist, skipping)"}},
      {411, {R"(psql:HR.T.sql:1: ERROR:  schema "hr" does not exist)"}},
      {412,
       {R"(psql:HR.FK.sql:4: ERROR:  foreign key constraint "fk_dept" cannot be implemented)"}},
      {413,
       {"psql:HR.F.sql:9: ERROR:  RETURN cannot have a parameter in function with OUT parameters"}},
      {414, {R"(psql:HR.P.sql:7: ERROR:  syntax error at or near "MERGE")"}},
      {415, {R"(psql:HR.EMPLOYEES.sql:1: ERROR:  relation "employees" already exists)"}},
      {416, {"psql:HR.P.sql:1: ERROR:  procedures cannot have OUT arguments"}},
      {417, {"psql:HR.V.sql:3: ERROR:  function dblink(unknown, unknown) does not exist"}},
      {418, {"psql:HR.V.sql:3: ERROR:  function hr.get_name(integer) does not exist"}},
      {419,
       {R"(psql: error: connection to server at "db" (10.0.0.5), port 5432 failed: FATAL:  no pg_hba.conf entry for host "10.0.0.7", user "postgres", database "hr", SSL off)"}},
      {420,
       {R"(psql: error: connection to server at "db" (10.0.0.5), port 5432 failed: FATAL:  connection requires a valid client certificate)"}},
      {421,
       {R"(psql: error: connection to server at "db" (10.0.0.5), port 5432 failed: FATAL:  pg_hba.conf rejects connection for host "10.0.0.7", user "postgres", database "hr", SSL off)"}},
      {422,
       {R"(psql: error: connection to server at "db" (10.0.0.5), port 5432 failed: server does not support SSL, but SSL was required)"}},
      {449,
       {R"(psql:HR.EMPLOYEES.sql:14: ERROR:  duplicate key value violates unique constraint "employees_pkey")",
        "psql: FATAL:  the database system is starting up",
        R"(psql:HR.V_EMP.sql:5: ОШИБКА:  отношение "hr.employees" не существует)",
        "psql:HR.sql:5 ERROR:  x", "psql:create_lang.sql:1: PANIC: x"}},
      {450, {"Exit code = 3", "Exit code = 0", "Exit code = 10"}},
      {501,
       {R"(C:\Migration\scripts>sqlcmd.exe -i HR.EMPLOYEES.sql -U sa -P secret -d HR -S localhost)",
        "sqlcmd.exe -iHR.sql -U  sa -P  p -d  HR -S  ",
        "sqlcmd.exe -i HR.sql -E -d HR -S localhost"}},
      {502,
       {"Msg 208, Level 16, State 1, Server SQLPROD01, Line 3",
        R"(Msg 208, Level 16, State 1, Server SQLPROD01\INST, Line 3)",
        "Msg 208, Level 16, State 1, Line 3"}},
      {503,
       {"Sqlcmd: Error: Microsoft ODBC Driver 17 for SQL Server : Login failed for user 'sa'.",
        "Sqlcmd: Error: Connection failure. SQL Native Client is not installed correctly."}},
      {504,
       {R"(C:\Migration\scripts>bcp.exe HR.dbo.EMPLOYEES in HR.EMPLOYEES.dat -d HR -f HR.EMPLOYEES.fmt -e HR.EMPLOYEES.err -m 10 -t"|" -r"\n" -E -U sa -P secret -S localhost -b1000 -k)",
        "bcp.exe T in T.dat -d HR -f T.fmt -e T.err -m 1 -t -r -E -U sa -P p -S s -b -k",
        "bcp.exe T out T.dat -d HR"}},
      {505,
       {"SQLState = 37000, NativeError = 4060", "SQLState=S1000,NativeError = 0",
        "SQLState = 37000, NativeError =4060"}},
      {506,
       {"Msg 2714, Level 16, State 6, Server SQLPROD01, Procedure usp_GetEmployee, Line 1",
        "Msg 2714, Level 16, State 6, Server S, Procedure , Line 1"}},
      {507, {"Warning! The maximum key length is 900 bytes.", "Warning!", "Warning: x"}},
      {601,
       {R"(C:\Migration\scripts>mysql.exe --host=localhost --user=root --password=secret --port=3306 --force -vvv hr 0<HR.EMPLOYEES.sql 1>>HR.EMPLOYEES.log)",
        "mysql.exe --host= --user= --password= --port= --force -vvv hr <x.sql >>x.log",
        "mysql.exe --host=h --user=u --password=p --port=1 --force -vvv hr < x.sql > x.log"}},
      {602,
       {"ERROR 1146 (42S02) at line 5: Table 'hr.departments' doesn't exist",
        "ERROR 1064 (42000) at line : x"}},
      {603,
       {"mysql: [Warning] World-writable config file 'C:\\my.ini' is ignored.",
        "mysql: [Warning] Using a password on the command line interface can be insecure.",
        "mysql: [Warning] Using a password"}},
      {604,
       {"ERROR 2003 (HY000): Can't connect to MySQL server on 'localhost:3306' (10061)",
        "ERROR 1045 (28000): Access denied for user 'root'@'localhost' (using password: YES)",
        "ERROR 2003: x"}},
      {605,
       {R"('C:\Program Files\MySQL\bin\mysql.exe' is not recognized as an internal or external command,)",
        "'mysql.exe' is not recognized as an internal or external command,",
        "mysql.exe is not recognized as an internal or external command,"}},
  };
  return corpus;
}

// The SingleStoreDB rules share their patterns with the MySQL rules.
int32_t CorpusKey(int32_t rule_id) {
  return rule_id >= 701 && rule_id <= 705 ? rule_id - 100 : rule_id;
}

std::string Visible(const std::string& text) {
  std::ostringstream out;
  for (unsigned char c : text) {
    if (c == '\n') {
      out << "\\n";
    } else if (c == '\r') {
      out << "\\r";
    } else if (c < 0x20 || c >= 0x7f) {
      static const char* digits = "0123456789abcdef";
      out << "\\x" << digits[c >> 4] << digits[c & 15];
    } else {
      out << c;
    }
  }
  return out.str();
}

// A subject with its line feed, and the variants that the ECMAScript and PCRE2 semantics could
// tell apart on: "." and "\s" around "\r", bytes above 0x7f, a zero byte, tabs, "^" after a
// line feed, a missing final line feed.
std::vector<std::string> Variants(const std::string& sample) {
  const std::string line = sample + "\n";
  const size_t middle = sample.size() / 2;
  const size_t blank = sample.find(' ');
  std::vector<std::string> out = {line,       sample,      sample + "\r\n", "\r" + line,
                                  " " + line, "\n" + line, line + line,     line + "\r"};
  std::string text = line;
  text.insert(middle, "\r");
  out.push_back(text);
  text = line;
  text.insert(middle, std::string(1, '\0'));
  out.push_back(text);
  text = line;
  text.insert(std::min<size_t>(1, sample.size()), "\xc3\xa9");  // é
  out.push_back(text);
  text = line;
  if (!sample.empty()) text[middle] = '\xff';
  out.push_back(text);
  out.push_back(sample + " \xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\n");  // Cyrillic
  if (blank != std::string::npos) {
    text = line;
    text[blank] = '\r';
    out.push_back(text);
    text = line;
    text[blank] = '\xa0';  // no-break space in Latin-1: no blank to "\s"
    out.push_back(text);
    text = line;
    for (char& c : text) c = c == ' ' ? '\t' : c;
    out.push_back(text);
  }
  return out;
}

struct Outcome {
  bool matched = false;
  std::vector<std::string> groups;
  bool operator==(const Outcome&) const = default;
};

std::string Describe(const Outcome& outcome) {
  if (!outcome.matched) return "no match";
  std::string text = "match";
  for (size_t i = 0; i < outcome.groups.size(); ++i) {
    text += " [" + std::to_string(i) + "]=\"" + Visible(outcome.groups[i]) + "\"";
  }
  return text;
}

Outcome StdRegexOutcome(const std::regex& regex, const std::string& subject) {
  Outcome outcome;
  std::smatch match;
  if (!std::regex_search(subject, match, regex)) return outcome;
  outcome.matched = true;
  for (size_t i = 0; i < match.size(); ++i) {
    std::string text = match[i].matched ? match[i].str() : std::string();
    outcome.groups.push_back(text.substr(0, text.find('\0')));
  }
  return outcome;
}

Outcome EngineOutcome(RegexPattern& pattern, const std::string& subject) {
  Outcome outcome;
  TextLines groups;
  const RegexPattern::Result result = pattern.Search(subject, groups);
  EXPECT_NE(result, RegexPattern::Result::kLimit) << Visible(subject);
  outcome.matched = result == RegexPattern::Result::kMatch;
  if (outcome.matched) outcome.groups.assign(groups.begin(), groups.end());
  return outcome;
}

struct EmbeddedPattern {
  int32_t rule_id;
  std::string role;  // "prematch" or "match"
  std::string text;
};

std::vector<EmbeddedPattern> EmbeddedPatterns() {
  LogAnalyzer analyzer(test::EmbeddedRulesOnly());
  analyzer.Init(false);
  std::vector<EmbeddedPattern> patterns;
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    for (const auto& rule : analyzer.GetRulesManager()->GetGroupRules(group)) {
      const auto* regex = dynamic_cast<const RegexAnalyzeRule*>(rule.get());
      if (regex == nullptr) continue;
      if (!regex->GetPrematch().empty()) {
        patterns.push_back({rule->GetId(), "prematch", regex->GetPrematch()});
      }
      patterns.push_back({rule->GetId(), "match", regex->GetMatch()});
    }
  }
  return patterns;
}

TEST(RulePatternsTest, EveryRegexRuleHasCorpusLines) {
  std::set<int32_t> rules;
  for (const EmbeddedPattern& pattern : EmbeddedPatterns()) rules.insert(pattern.rule_id);
  EXPECT_EQ(rules.size(), 65u);
  for (int32_t id : rules) EXPECT_EQ(Corpus().count(CorpusKey(id)), 1u) << "rule " << id;
}

TEST(RulePatternsTest, Pcre2AgreesWithEcmaScriptOnEveryPattern) {
  std::vector<std::string> everyone;  // all corpus lines, as near-misses for other rules
  for (const auto& [id, samples] : Corpus()) {
    for (const std::string& sample : samples) everyone.push_back(sample + "\n");
  }

  int disagreements = 0;
  for (const EmbeddedPattern& embedded : EmbeddedPatterns()) {
    SCOPED_TRACE("rule " + std::to_string(embedded.rule_id) + " " + embedded.role + " " +
                 embedded.text);
    const std::regex regex(embedded.text, std::regex::ECMAScript);
    RegexPattern pattern(embedded.text);

    std::vector<std::string> subjects = everyone;
    const auto own = Corpus().find(CorpusKey(embedded.rule_id));
    ASSERT_NE(own, Corpus().end());
    for (const std::string& sample : own->second) {
      for (std::string& variant : Variants(sample)) subjects.push_back(std::move(variant));
    }

    int matches = 0;
    for (const std::string& subject : subjects) {
      const Outcome expected = StdRegexOutcome(regex, subject);
      const Outcome actual = EngineOutcome(pattern, subject);
      matches += expected.matched ? 1 : 0;
      if (!(actual == expected) && ++disagreements <= 20) {
        ADD_FAILURE() << "subject \"" << Visible(subject)
                      << "\"\n  ECMAScript: " << Describe(expected)
                      << "\n  PCRE2:      " << Describe(actual);
      }
    }
    // The corpus must exercise both outcomes of every pattern to be worth anything.
    EXPECT_GT(matches, 0);
    EXPECT_LT(matches, static_cast<int>(subjects.size()));
  }
  EXPECT_EQ(disagreements, 0);
}

// The prefilter may rule a pattern out only where PCRE2 finds no match: one rule per embedded
// pattern, all judged by one prefilter, on every corpus line and variant.
TEST(RulePatternsTest, PrefilterRulesOutOnlyPatternsThatDoNotMatch) {
  auto rules = std::make_shared<RuleVector>();
  std::vector<std::string> subjects;
  for (const EmbeddedPattern& embedded : EmbeddedPatterns()) {
    rules->push_back(std::make_shared<RegexAnalyzeRule>(
        embedded.rule_id, embedded.role, -1, 0, 0, 0, "", "", embedded.text, "", ActionFunction()));
    for (const std::string& sample : Corpus().at(CorpusKey(embedded.rule_id))) {
      for (std::string& variant : Variants(sample)) subjects.push_back(std::move(variant));
    }
  }
  RulePrefilter prefilter;
  prefilter.Follow(rules);
  EXPECT_GT(prefilter.FilteredRuleCount(), rules->size() * 3 / 4);

  int ruled_out = 0;
  int misses = 0;
  for (const std::string& subject : subjects) {
    prefilter.NewText();
    for (size_t i = 0; i < rules->size(); ++i) {
      auto& rule = static_cast<RegexAnalyzeRule&>(*(*rules)[i]);
      const bool may = prefilter.MayMatch(i, [&] { return std::string_view(subject); });
      ruled_out += may ? 0 : 1;
      if (!may && rule.MatchPattern().Search(subject) == RegexPattern::Result::kMatch &&
          ++misses <= 20) {
        ADD_FAILURE() << "ruled out " << rule.GetMatch() << " on \"" << Visible(subject) << "\"";
      }
    }
  }
  EXPECT_EQ(misses, 0);
  // Worth having: most tries of most patterns are ruled out.
  EXPECT_GT(ruled_out, static_cast<int>(subjects.size() * rules->size() / 2));
}

}  // namespace
}  // namespace Qva
