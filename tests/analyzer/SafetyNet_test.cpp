// The safety net: a failure-shaped line that no rule takes gets a Warning; every other line is
// left to its rule or shown as it is. Lines from real tools unless marked.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"

namespace Qva {
namespace {

struct Row {
  const char* target;  // the import's DBMS: its rules are active
  const char* line;
  bool warns;  // taken by the safety net
};

const Row kRows[] = {
    // Tools without a rule, in English and in translation.
    {"PostgreSQL", "fatal: not a git repository (or any of the parent directories): .git", true},
    {"PostgreSQL", "fatal: cannot change to '/tmp/nonexist': No such file or directory", true},
    {"PostgreSQL", "Traceback (most recent call last):", true},
    {"PostgreSQL", "ERROR:root:load of orders failed", true},  // Python's logging
    {"PostgreSQL", "WARNING:root:3 rows skipped", true},
    {"PostgreSQL", "Error: Invalid version 99 specified with --cluster", true},  // pg_wrapper
    {"PostgreSQL", "dpkg: error: cannot access archive '/nonexist.deb': No such file or directory",
     true},
    {"PostgreSQL",
     "dpkg: erreur: ne peut pas accéder à l'archive « /nonexist.deb »: Aucun fichier ou dossier "
     "de ce type",
     true},
    {"PostgreSQL", "ERROR 2002 (HY000): Can't connect to server on '127.0.0.1' (115)", true},
    {"PostgreSQL",
     "ERROR 1452 (23000) at line 3 in file: 'data/stock.sql': Cannot add or update a child row",
     true},  // the MariaDB client in a script the MySQL rules do not watch
    {"PostgreSQL",
     "40B7D6FED47F0000:error:16000069:STORE routines:ossl_store_get0_loader_int:unregistered "
     "scheme:../crypto/store/store_register.c:237:scheme=file",
     true},                                                             // openssl
    {"PostgreSQL", "Error: boom", true},                                // node
    {"PostgreSQL", "Error: in prepare, no such table: nothere", true},  // sqlite3
    {"PostgreSQL",
     "Exception in thread \"main\" java.lang.IllegalStateException: no rows in orders.csv", true},
    {"PostgreSQL",
     "pgbench: error: connection to server at \"127.0.0.1\", port 1 failed: Connection refused",
     true},
    {"PostgreSQL", "initdb: error: cannot be run as root", true},
    {"PostgreSQL", "initdb: Fehler: kann nicht als root ausgeführt werden", true},
    // psql's lines where no PostgreSQL rule is active.
    {"MySQL", "psql:x.sql:5: FEHLER:  Relation »public.kunden_alt« existiert nicht", true},
    {"MySQL", "psql:x.sql:10: エラー: missing.sql: そのようなファイルやディレクトリはありません",
     true},
    {"MySQL", "ПРЕДУПРЕЖДЕНИЕ:  disk almost full", true},
    // Taken by their own rules first.
    {"PostgreSQL", "psql:x.sql:5: FEHLER:  Relation »public.kunden_alt« existiert nicht", false},
    {"PostgreSQL", "psql:x.sql:6: WARNING:  disk almost full", false},
    {"PostgreSQL", "WARNUNG:  disk almost full", false},
    {"PostgreSQL", "psql: erreur : missing.sql : Aucun fichier ou dossier de ce type", false},
    {"PostgreSQL", "createdb: 错误: 创建数据库失败: 错误:  创建数据库权限不够", false},
    {"PostgreSQL", "iconv: illegal input sequence at position 0", false},
    {"MySQL", "ERROR 2002 (HY000): Can't connect to server on '127.0.0.1' (115)", false},
    // Harmless: no severity first, error-like words elsewhere, psql's harmless severities.
    {"PostgreSQL", "psql:x.sql:7: NOTICE:  0 errors in error_log", false},
    {"PostgreSQL", "psql:x.sql:7: HINWEIS:  0 errors in error_log", false},
    {"MySQL", "psql:x.sql:2: NOTICE:  relation \"error_log\" already exists, skipping", false},
    {"MySQL", "DETAIL:  Key (id)=(1) already exists.", false},
    {"MySQL", "TIP:  check the input", false},
    {"MySQL", "DÉTAIL : La clé « (id)=(1) » existe déjà.", false},
    {"MySQL", "ZEILE 1: SELECT * FROM public.kunden_alt;", false},
    {"PostgreSQL", "psql: hint: Try \"psql --help\" for more information.", false},
    {"PostgreSQL",
     "initdb: Tipp: Bitte loggen Sie sich (z.B. mit »su«) als der (unprivilegierte) "
     "Benutzer ein, der Eigentümer des Serverprozesses sein soll.",
     false},
    {"PostgreSQL", "could not change directory to \"/tmp/cap/locked\": Permission denied", false},
    {"PostgreSQL", "could not change directory to \"/tmp/cap/locked\": Keine Berechtigung", false},
    {"PostgreSQL", "ZeroDivisionError: division by zero", false},
    {"PostgreSQL", "  File \"<string>\", line 1, in <module>", false},
    {"PostgreSQL", "<string>:1: UserWarning: old format", false},
    {"PostgreSQL", "tar: Error is not recoverable: exiting now", false},
    {"PostgreSQL", "awk: cmd. line:2:         ^ unexpected newline or end of string", false},
    {"PostgreSQL", "sed: -e expression #1, char 3: unterminated `s' command", false},
    {"PostgreSQL", "ls: cannot access '/nonexist': No such file or directory", false},
    {"PostgreSQL", "curl: (6) Could not resolve host: nothere.invalid", false},
    {"PostgreSQL", "Use of uninitialized value $x in addition (+) at -e line 1.", false},
    {"PostgreSQL", "bzip2: (stdin) is not a bzip2 file.", false},
    {"PostgreSQL", "    at [eval]:1:7", false},
    {"PostgreSQL", "INSERT 0 1", false},
    {"PostgreSQL", "Exit code = 0", false},
    // sqlplus (typed): its Warning lines are the ORACLE group's; a severity with nothing after it
    // starts a multi-line error.
    {"Oracle", "Warning: Procedure created with compilation errors.", false},
    {"Oracle", "ERROR:", false},
    {"Oracle", "ERROR at line 1:", false},
};

TEST(SafetyNetTest, WarnsOfFailureShapedLinesThatNoRuleTakes) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.line);
    LogAnalyzer analyzer;
    ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
    analyzer.Init(false);
    std::map<int64_t, std::string> taken;
    analyzer.SetMatchListener([&](const IAnalyzeRule& rule, const TextLines&, const TextLines&) {
      taken[rule.GetLineIndex()] += rule.GetName() + " ";
    });
    analyzer.AddText("Importing database objects to " + std::string(row.target) + "\n" + row.line +
                     "\n");
    analyzer.AnalyzeAvailable(1);
    EXPECT_EQ(taken[1].find("FailureShapedLine") != std::string::npos, row.warns) << taken[1];
  }
}

}  // namespace
}  // namespace Qva
