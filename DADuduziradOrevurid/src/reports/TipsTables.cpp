#include "reports/TipsTables.h"

#include <array>

#include "reports/SiteAddresses.h"

namespace Qva {

namespace {

constexpr TipSite kKb = TipSite::kKnowledgeBase;
constexpr TipSite kNoLink = TipSite::kNone;

// Paths are spelt out in full so that each row reads as its link.
constexpr std::array kMySqlTips = {
    ReportTip{"Invalid default value for", "How to fix invalid value issue", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/error-1067"},
    ReportTip{"Incorrect datetime value", "How to fix invalid value issue", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/error-1067"},
    ReportTip{"You do not have the SUPER Privilege and Binary Logging is Enabled",
              "How to fix logging issue", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/error-1419"},
    ReportTip{"Specified Key was too Long", "How to fix key length issue", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/error-1071"},
    ReportTip{"Can't connect to MySQL server", "How to fix connection issue", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/error-2003"},
    ReportTip{"not Recognized as an Internal or External Command", "How to fix mysql utility issue",
              TipSite::kWiki, "/movarin/troubleshooting-guide/mysql/import/mysql-not-recognized"},
    ReportTip{"Binary logging not possible. Message:", "How to fix logging issue", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/error-1598"},
    ReportTip{"The used command is not allowed with this MySQL version",
              "How to fix not allowed command issue", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/error-1148"},
    ReportTip{"Loading local data is disabled", "How to fix lcal data load issue", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/error-3948"},
    ReportTip{"Duplicate entry for key",
              "This is a common problem for MYSQL 5.7. MySQL ignores trailing spaces in string "
              "comparisons.\nFrom MYSQL 5.7 point of view there is no difference between '1234 ' "
              "and '1234'.\nIn MYSQL 8.0 this problem already resolved.\nPlease check the data in "
              "the source database for this table.",
              kNoLink, ""},
    ReportTip{"doesn't exist",
              "The specified table is not created in the target database, need to select it for "
              "conversion.",
              kNoLink, ""},
    ReportTip{"The MySQL server is running with the --secure-file-priv option",
              "Please set the IMPORT_FROM_CLIENT option to Yes.", kKb,
              "/guides/brennor/command-line/movarin-ini/"
              "mysql-section#:~:text=statements%20for%20MySQL.-,IMPORT_FROM_CLIENT,-If%20%E2%80%"
              "9CYes%E2%80%9D%20is"},
    ReportTip{"Unknown database",
              "The tool does not create schemas by itself.\nPossible solutions :\n1. manually "
              "create a schema in the target database before starting conversion\n2. use the "
              "Remove Schema Names option\n3. use the Change schema names to option and specify "
              "the name of the existing database",
              kKb,
              "/guides/brennor/movarin-wizard/database-migration-guide/"
              "conversion-options#:~:text=option%20is%20disabled.-,Remove%20Schema%20Names,-If%"
              "20Yes%20is%20is"},
    ReportTip{"already exists",
              "Possible solutions:\n1. manually delete the object in the target database\n2. use "
              "the Generate the DROP Statement option",
              kKb,
              "/guides/brennor/movarin-wizard/database-migration-guide/"
              "conversion-options#:~:text=the%20same%20file.-,Generate%20the%20DROP%20TABLE%"
              "20Statement,-This%20option%20controls"},
    ReportTip{"Access denied for user",
              "Possible solutions:\n1. The user doesn\u2019t exist.Check if the user exists in the "
              "database,and if they don\u2019t, create a new user.\n2. The password is "
              "incorrect.To fix this, reset the MySQL password.\n3. Connecting to the wrong "
              "host.Double check that the host you\u2019re connecting to is correct.\n4. If "
              "access denied to database, you can just assign all privileges to the created user",
              kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/"
              "target-user-privileges"},
    ReportTip{"Failed to add the foreign key",
              "To fix this issue please set the CHARACTER_SET=utf8mb4 option in the [MySQL] "
              "section\nInstructions on how to set the option in tool",
              kKb, "/guides/brennor/command-line/movarin-ini/mysql-section?s[]=character_set"},
    ReportTip{"Failed to open the referenced table",
              "A table has a foreign key that references a table that is not created in the "
              "target database. Please select the parent table for conversion.",
              kNoLink, ""},
};

constexpr std::array kPostgreSqlTips = {
    ReportTip{"No pg_hba.conf entry. ", "How to fix No pg_hba.conf entry error.", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/postgresql/"
              "no-pghbaconf-entry"},
    ReportTip{"Use a valid client certificate. ",
              "Go to Target Options page, select Advanced, and enable 'Use SSL Connection'.",
              kNoLink, ""},
    ReportTip{"Connection is rejected by pg_hba.conf settings. ",
              "Please check pg_hba.conf and postgresql.conf settings. If an SSL connection is "
              "required, go to the Target Options page, select Advanced, and enable 'Use SSL "
              "Connection'.",
              kNoLink, ""},
    ReportTip{"Connection refused error. ", "How to fix Connection refused error.", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/postgresql/"
              "no-connect-to-server#psqlcould_not_connect_to_serverconnection_refused_is_the_"
              "server_running_on_host_19216801_and_accepting_tcpip_connections_on_port_5432"},
    ReportTip{"Failed to start psql. ", "How to fix Failed to start psql error.", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/postgresql/"
              "process-in-use"},
    ReportTip{"Connection to unexisting database. ",
              "Check if the database name is correct on the target options page.", kNoLink, ""},
    ReportTip{"SSL error. ", "How to fix SSL error.", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/postgresql/ssl-error"},
    ReportTip{"Functions cannot have more than 100 arguments. ", "How to fix 100 arguments error.",
              kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/postgresql/"
              "more-then-100-args"},
    ReportTip{"User has no permission for table. ", "How to fix no permission for table error.",
              kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/postgresql/"
              "no-permision"},
    ReportTip{"Relation does not exist. ",
              "The specified object is not created in the target database, need to select it for "
              "conversion.",
              kNoLink, ""},
    ReportTip{"Schema does not exist. ", "How to fix Schema does not exist error.", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/postgresql/"
              "no-schema-name"},
    ReportTip{"Foreign key constraint cannot be implemented. ",
              "A table has a foreign key that references a table that is not created in the "
              "target database. Please select the parent table for conversion.",
              kNoLink, ""},
    ReportTip{"RETURN cannot have a parameter in function with OUT parameters",
              "Please specify the version of the target database on the Target Options page",
              kNoLink, ""},
    ReportTip{"Function does not exist. ",
              "The specified object is not created in the target database, need to select it for "
              "conversion.",
              kNoLink, ""},
    ReportTip{"Syntax error at or near MERGE. ",
              "Your version of the target database does not support this statement. Please "
              "specify the correct version of the target database on the Target Options page and "
              "rerun the conversion.",
              kNoLink, ""},
    ReportTip{"Relation already exists. ", "How to fix Relation already exists error.", kKb,
              "/knowledge-base/database-migration/setup-and-troubleshooting/postgresql/"
              "existing-obj"},
    ReportTip{"Procedures cannot have OUT arguments",
              "Please specify the version of the target database on the Target Options page",
              kNoLink, ""},
    ReportTip{"Function dblink(text, text) does not exist. ",
              "Please create extention dblink for PostgreSQL database manually as following: "
              "create extension dblink",
              kNoLink, ""},
};

constexpr std::array<std::string_view, 4> kMySqlFamily = {
    "MySQL", "Google Cloud SQL for MySQL", "Amazon Aurora (compatibility with MySQL)", "MariaDB"};
constexpr std::array<std::string_view, 5> kPostgreSqlFamily = {
    "PostgreSQL on-premise or cloud (GCP, AWS, Azure etc.)", "AmazonAuroraPostgreSQL",
    "GoogleCloudSQLforPostgreSQL", "AlloyDB", "Postgres Pro"};

template <size_t N>
bool IsOneOf(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::string_view candidate : names) {
    if (candidate == name) return true;
  }
  return false;
}

}  // namespace

std::span<const ReportTip> MySqlTips() { return kMySqlTips; }
std::span<const ReportTip> PostgreSqlTips() { return kPostgreSqlTips; }

std::span<const ReportTip> TipsTableFor(std::string_view target_db) {
  if (IsOneOf(kMySqlFamily, target_db)) return kMySqlTips;
  if (IsOneOf(kPostgreSqlFamily, target_db)) return kPostgreSqlTips;
  return {};
}

const ReportTip* FindTip(std::span<const ReportTip> table, std::string_view text) {
  for (const ReportTip& tip : table) {
    if (text.find(tip.key) != std::string_view::npos) return &tip;
  }
  return nullptr;
}

Qve::QVEstring TipLink(const ReportTip& tip) {
  switch (tip.site) {
    case TipSite::kKnowledgeBase:
      return Qve::QVEstring(kKnowledgeBaseSite).append(tip.path);
    case TipSite::kWiki:
      return Qve::QVEstring(kWikiSite).append(tip.path);
    case TipSite::kNone:
      break;
  }
  return {};
}

}  // namespace Qva
