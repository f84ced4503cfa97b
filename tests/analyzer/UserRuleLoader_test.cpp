// Rule files of the user's own: the faults that refuse them, the samples they carry, where they
// are found, and their verdicts winning over the embedded ones on real captured output.
#include "analyzer/UserRuleLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "QVETestSupport.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/UserRuleFiles.h"

namespace Qva {
namespace {

using Qve::test::WriteText;
using ::testing::ElementsAre;

std::vector<UserRuleFileVerdict> Check(const std::vector<std::string>& paths, bool keep_going) {
  return CheckUserRuleFiles(std::make_shared<ImpLogAnalyzerActionManager>(nullptr, RunSettings{}),
                            paths, keep_going);
}

// A POSTGRESQL rule file whose second line opens rule 1 with `attributes`, then `body`.
std::string RuleFile(const std::string& attributes, const std::string& body,
                     const std::string& root = R"(id="9000" group="POSTGRESQL")") {
  return "<AnalyzeRules " + root + ">\n<AnalyzeRule id=\"1\" name=\"Mine\" " + attributes + ">\n" +
         body + "</AnalyzeRule>\n</AnalyzeRules>\n";
}

constexpr const char* kRule = R"(type="REGEX" priority="VERYHIGH" behavior="HARDSTOP")";
constexpr const char* kFatal =
    "<Match>^FATAL: (.*)\\n</Match>\n<Action>OutputResultInfo</Action>\n";
// Real psql output (tests/e2e/captured/postgresql-failures.txt).
constexpr const char* kAlreadyExists =
    "psql:tables/public.settings.sql:4: ERROR:  relation \"settings\" already exists";

// Each fault class refuses the file with its place and reason; "{f}" is the file's path.
TEST(UserRuleLoaderTest, EachFaultNamesFileLineRuleAndReason) {
  const struct {
    std::string text, fault;
  } kCases[] = {
      {"<AnalyzeRules group=\"POSTGRESQL\">\n<AnalyzeRule id=\"1\">\n</AnalyzeRules>\n",
       "{f}:4: not well-formed XML: Premature end of data in tag AnalyzeRules line 1"},
      {"<Rules/>\n", "{f}:1: root element is <Rules>, not <AnalyzeRules>"},
      {RuleFile(kRule, kFatal, R"(id="9000" group="POSTGRES")"),
       "{f}:1: unknown group \"POSTGRES\""},
      {RuleFile(R"(type="REGEX" priority="HIGHEST" behavior="HARDSTOP")", kFatal),
       "{f}:2: rule 1 Mine: unknown priority \"HIGHEST\""},
      {RuleFile(R"(type="REGEX" priority="HIGH" behavior="STOP")", kFatal),
       "{f}:2: rule 1 Mine: unknown behavior \"STOP\""},
      {RuleFile(R"(type="GLOB" priority="HIGH" behavior="HARDSTOP")", kFatal),
       "{f}:2: rule 1 Mine: unknown type \"GLOB\""},
      {RuleFile(kRule, "<Match>^FATAL\\n</Match>\n<Action>OutputResultError</Action>\n"),
       "{f}:2: rule 1 Mine: unknown action \"OutputResultError\""},
      {RuleFile(R"(type="CUSTOM" priority="HIGH" behavior="HARDSTOP")", "<Check>IsEmpty</Check>\n"),
       "{f}:2: rule 1 Mine: unknown action \"IsEmpty\""},
      {RuleFile(kRule, "<Match>^(FATAL: .*\\n</Match>\n"),
       "{f}:2: rule 1 Mine: Match does not compile: regular expression error at offset 13: "
       "missing closing parenthesis"},
      {RuleFile(kRule, kFatal, R"(id="400" group="POSTGRESQL")"),
       "{f}:2: rule 1 Mine: id 401 is already taken by a loaded rule"},
      {"<AnalyzeRules group=\"CMD\">\n<AnalyzeRule name=\"NoId\" " + std::string(kRule) +
           "/>\n</AnalyzeRules>\n",
       "{f}:2: rule - NoId: no id"},
      {RuleFile(kRule, std::string(kFatal) + "<Sample>FATAL: lookup failed</Sample>\n" +
                           "<Sample>NOTE: lookup failed</Sample>\n"),
       "{f}:6: rule 1 Mine: Sample \"NOTE: lookup failed\" is not matched by the rule"},
      {RuleFile(kRule, std::string(kFatal) + "<Sample match=\"no\">FATAL: x</Sample>\n"),
       "{f}:5: rule 1 Mine: Sample \"FATAL: x\" (match=\"no\") is taken by the rule"},
      {RuleFile(R"(type="REGEX" priority="LOW" behavior="HARDSTOP")",
                "<Match>already exists\\n</Match>\n<Sample>" + std::string(kAlreadyExists) +
                    "</Sample>\n"),
       "{f}:4: rule 1 Mine: Sample \"" + std::string(kAlreadyExists) +
           "\" is taken first by rule 415 Psql_error_import_already_relation (POSTGRESQL, HIGH, "
           "HARDSTOP)"},
  };
  Qve::test::TempFolder folder;
  for (const auto& test : kCases) {
    const std::string path = folder.File("rules.xml");
    WriteText(path, test.text);
    std::string fault = test.fault;
    fault.replace(fault.find("{f}"), 3, path);
    try {
      Check({path}, false);
      ADD_FAILURE() << "loaded: " << test.text;
    } catch (const UserRuleFault& error) {
      EXPECT_EQ(error.what(), fault);
    }
  }
  // An id is taken by a rule of an earlier user file too; a missing file is named.
  WriteText(folder.File("a.xml"), RuleFile(kRule, kFatal));
  WriteText(folder.File("b.xml"), RuleFile(kRule, kFatal));
  const std::vector<UserRuleFileVerdict> verdicts =
      Check({folder.File("a.xml"), folder.File("b.xml"), folder.File("none.xml")}, true);
  ASSERT_EQ(verdicts.size(), 3u);
  EXPECT_EQ(verdicts[0].fault, "");
  EXPECT_EQ(verdicts[0].rules, 1);
  EXPECT_EQ(verdicts[1].fault,
            folder.File("b.xml") + ":2: rule 1 Mine: id 9001 is already taken by a loaded rule");
  EXPECT_EQ(verdicts[2].fault,
            folder.File("none.xml") + ": cannot be read: No such file or directory");
}

// One rule of a POSTGRESQL file: id, priority, behaviour, pattern and its one sample.
std::string Rule(int id, const char* priority, const char* behavior, const std::string& match,
                 const std::string& sample) {
  return "<AnalyzeRule id=\"" + std::to_string(id) + "\" name=\"R" + std::to_string(id) +
         "\" type=\"REGEX\" priority=\"" + priority + "\" behavior=\"" + behavior + "\">\n<Match>" +
         match + "</Match>\n<Action>OutputResultInfo</Action>\n<Sample>" + sample +
         "</Sample>\n</AnalyzeRule>\n";
}

// A sample meets the rules loaded before its rule that come before it in the walk, never a
// rule loaded after it, whatever its priority; a SOFTSTOP rule takes what it skips. The same
// with 100 more rules after them, where the samples are checked through the prefilter.
TEST(UserRuleLoaderTest, SamplesMeetTheStoppingRulesLoadedBeforeThem) {
  const std::string fatal = Rule(1, "HIGH", "HARDSTOP", "^FATAL: (.*)\\n", "FATAL: disk full");
  const struct {
    std::string rules, fault;
  } kCases[] = {
      {fatal + Rule(2, "VERYHIGH", "HARDSTOP", "^FATAL: disk", "FATAL: disk full"), ""},
      {fatal + Rule(2, "MID", "HARDSTOP", "^FATAL: x", "FATAL: x y"),
       "rule 2 R2: Sample \"FATAL: x y\" is taken first by rule 9001 R1 (POSTGRESQL, HIGH, "
       "HARDSTOP)"},
      {Rule(1, "LOW", "SOFTSTOP", "^NOTE: (.*)\\n", "NOTE: b") +
           Rule(2, "LOW", "HARDSTOP", "^NOTE: a", "NOTE: a"),
       "rule 2 R2: Sample \"NOTE: a\" is taken first by rule 9001 R1 (POSTGRESQL, LOW, "
       "SOFTSTOP)"},
  };
  std::string padding;
  for (int id = 100; id < 200; ++id) {
    const std::string code = "PAD" + std::to_string(id);
    padding += Rule(id, "MID", "HARDSTOP", "^" + code + ": ", code + ": text");
  }
  Qve::test::TempFolder folder;
  for (const std::string& more : {std::string(), padding}) {
    for (const auto& test : kCases) {
      const std::string path = folder.File("rules.xml");
      WriteText(path, "<AnalyzeRules id=\"9000\" group=\"POSTGRESQL\">\n" + test.rules + more +
                          "</AnalyzeRules>\n");
      const std::vector<UserRuleFileVerdict> verdicts = Check({path}, true);
      ASSERT_EQ(verdicts.size(), 1u);
      const std::string& fault = verdicts[0].fault;
      EXPECT_EQ(fault.substr(fault.empty() ? 0 : fault.find("rule ")), test.fault)
          << test.rules << more.size();
      const int32_t loaded = test.fault.empty() ? 2 + (more.empty() ? 0 : 100) : 1;
      EXPECT_EQ(verdicts[0].rules, loaded);
    }
  }
}

// The system folder, the user's folder, then the -RULES entries; folders in name order.
TEST(UserRuleLoaderTest, FilesComeInLoadOrder) {
  Qve::test::TempFolder folder;
  for (const char* name : {"etc/", "home/", "extra/"}) {
    std::filesystem::create_directories(folder.File(name));
  }
  for (const char* name : {"etc/b.xml", "etc/a.xml", "etc/notes.txt", "home/a.xml", "extra/z.xml",
                           "extra/c.xml", "one.rules"}) {
    WriteText(folder.File(name), "");
  }
  const std::vector<std::string> files = ListUserRuleFiles(
      folder.File("etc"), folder.File("absent"),
      folder.File("one.rules") + ";" + folder.File("extra") + ";;" + folder.File("gone.xml"));
  EXPECT_THAT(files, ElementsAre(folder.File("etc/a.xml"), folder.File("etc/b.xml"),
                                 folder.File("one.rules"), folder.File("extra/c.xml"),
                                 folder.File("extra/z.xml"), folder.File("gone.xml")));
  EXPECT_TRUE(ListUserRuleFiles(folder.File("home"), "", "").size() == 1);
}

// Outcome of every object after analyzing `log` with the embedded rules and `files`.
std::map<std::string, ImportOutcome> Outcomes(const std::string& log,
                                              const std::vector<std::string>& files,
                                              int32_t& errors) {
  LogAnalyzer analyzer;
  analyzer.SetUserRuleFiles(files);
  const auto actions = ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
  analyzer.Init(false);
  analyzer.AddText(log);
  errors = analyzer.AnalyzeAvailable(1);
  std::map<std::string, ImportOutcome> outcomes;
  for (const ImportObject& object : actions->GetStatistics().GetObjects()) {
    outcomes[object.name] = object.Classify();
  }
  return outcomes;
}

// A VERYHIGH user rule takes a line before the embedded rule: a known harmless error becomes
// information, a warning becomes an error; nothing else changes.
TEST(UserRuleLoaderTest, UserRulesOverrideEmbeddedVerdictsOnCapturedOutput) {
  const std::string log =
      Qve::test::ReadFile(ML_SOURCE_DIR "/tests/e2e/captured/postgresql-failures.txt");
  ASSERT_FALSE(log.empty());
  Qve::test::TempFolder folder;
  const std::string path = folder.File("ours.xml");
  WriteText(path, R"(<AnalyzeRules id="9000" group="POSTGRESQL">
  <AnalyzeRule id="1" name="SettingsMayExist" type="REGEX" priority="VERYHIGH" behavior="HARDSTOP">
    <Match>^psql:[^:]*:\d+: ERROR:  relation "settings" already exists\n</Match>
    <Action>OutputResultInfo</Action>
    <Sample>)" + std::string(kAlreadyExists) +
                      R"(</Sample>
  </AnalyzeRule>
  <AnalyzeRule id="2" name="SequenceGapIsError" type="REGEX" priority="VERYHIGH" behavior="HARDSTOP">
    <Type>Error</Type>
    <Match>^psql:[^:]*:\d+: WARNING:  (sequence .* starts at .*)\n</Match>
    <Output>[#1]</Output>
    <Action>OutputResultErrorPostgresql</Action>
  </AnalyzeRule>
</AnalyzeRules>
)");
  int32_t embedded_errors = 0, user_errors = 0;
  auto expected = Outcomes(log, {}, embedded_errors);
  const auto with_user = Outcomes(log, {path}, user_errors);
  EXPECT_EQ(user_errors, embedded_errors);  // one error less, one more
  EXPECT_EQ(expected.at("public.settings"), ImportOutcome::kFailed);
  EXPECT_EQ(expected.at("public.order_seq"), ImportOutcome::kSucceededWithWarning);
  expected["public.settings"] = ImportOutcome::kSucceeded;
  expected["public.order_seq"] = ImportOutcome::kFailed;
  EXPECT_EQ(with_user, expected);
}

}  // namespace
}  // namespace Qva
