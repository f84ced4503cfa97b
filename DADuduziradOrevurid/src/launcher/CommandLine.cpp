#include "launcher/CommandLine.h"

#include <algorithm>
#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/any.hpp>
#include <boost/program_options/parsers.hpp>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "QVEBoundedRead.h"
#include "QVEProcessSignals.h"
#include "QVETrace.h"
#include "events/WizzardController.h"
#include "launcher/DBLaunch.h"
#include "launcher/ExplainLauncher.h"
#include "launcher/LauncherOptions.h"
#include "launcher/MigrationLauncher.h"
#include "launcher/OutputFiles.h"
#include "launcher/RuleCheckLauncher.h"
#include "reports/JsonImportReport.h"

namespace Qva {

namespace po = boost::program_options;

namespace {

constexpr const char* kParseSource = "Parse command line";

// A response file holds a few options; a device or an endless pipe must not be read to the end
// of memory.
constexpr uint64_t kMaxResponseFileSize = 16 * 1024 * 1024;
// Warnings about ignored arguments shown one by one; the rest are counted.
constexpr size_t kMaxShownWarnings = 20;
// Tokens parsed between two looks at a stop request.
constexpr size_t kStopCheckInterval = 4096;

// Slash or dash, "=" joined values, long names behind a single prefix, no "--" options.
constexpr int kCommandLineStyle =
    po::command_line_style::allow_short | po::command_line_style::allow_slash_for_short |
    po::command_line_style::long_allow_adjacent | po::command_line_style::short_allow_adjacent |
    po::command_line_style::allow_long_disguise;

constexpr const char* kOptionsCaption = "Allowed options";
// The library's default line length, with half of it as the least room for a description.
unsigned HelpLineLength() { return po::options_description::m_default_line_length; }
unsigned HelpMinDescriptionLength() { return HelpLineLength() / 2; }

// "-NAME" for a switch, "-NAME=<value> (=default)" for a valued option: the library's own
// parameter text behind the prefix and "=" that the parser wants.
std::string AcceptedSyntax(const po::option_description& option) {
  // Built by appending: g++ 12 warns falsely (-Wrestrict) on "literal" + std::string.
  std::string text = "-";
  text += option.long_name();
  const po::value_semantic& semantic = *option.semantic();
  if (semantic.max_tokens() > 0) text.append("=").append(semantic.name());
  if (semantic.is_required()) text += " (required)";
  return text;
}

// Appends `text` word by word from `column` on, starting new lines at `column` when a word would
// pass the line length. A word longer than the room stands alone on its line.
void AppendWrapped(std::string& out, const std::string& text, size_t column) {
  size_t line_start = out.size() - column;
  bool first = true;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    size_t used = out.size() - line_start;
    if (!first && used + 1 + word.size() > HelpLineLength()) {
      out.append("\n").append(column, ' ');
      line_start = out.size() - column;
    } else if (!first) {
      out += ' ';
    }
    out += word;
    first = false;
  }
}

void PrintHelp(const po::options_description& description) {
  std::cout << "\n" << FormatHelp(description) << "\n";
  std::cout.flush();
}

// The library's text for a parse error. The library fills the placeholders of its texts
// ("%canonical_option%") until none is left, so an option text that holds one never ends; such
// tokens are described with every "%" shown as "?", which fails the same way.
std::string ParseErrorText(const po::options_description& description,
                           const std::vector<std::string>& tokens, const po::error& error) {
  auto has_percent = [](const std::string& token) { return token.find('%') != std::string::npos; };
  if (std::none_of(tokens.begin(), tokens.end(), has_percent)) return error.what();
  std::vector<std::string> shown = tokens;
  for (std::string& token : shown) std::replace(token.begin(), token.end(), '%', '?');
  try {
    po::variables_map ignored;
    ParseOptionTokens(description, shown, ignored);
  } catch (const po::error& same) {
    return same.what();
  }
  return "invalid command line";
}

// One parse step; on a library error the help is shown and false returned.
bool TryParse(const po::options_description& description, const std::vector<std::string>& tokens,
              po::variables_map& options, std::vector<std::string>* ignored) {
  try {
    ParseOptionTokens(description, tokens, options, ignored);
    return true;
  } catch (const po::error& error) {
    Qve::QVTracer::Instance().Critical(kParseSource, "%s",
                                       ParseErrorText(description, tokens, error).c_str());
    PrintHelp(description);
    return false;
  }
}

// A token the options library could take as an option; it takes every other one as an argument,
// which is ignored.
bool MayBeOption(const std::string& token) {
  return token.size() > 1 && (token[0] == '-' || token[0] == '/') && token.rfind("--", 0) != 0;
}

// One warning line on standard error per ignored argument, up to a limit.
void WarnIgnored(const std::vector<std::string>& tokens, const char* reason) {
  for (size_t i = 0; i < tokens.size() && i < kMaxShownWarnings; ++i) {
    std::fprintf(stderr, "Warning: \"%s\" is ignored: %s\n", tokens[i].c_str(), reason);
  }
  if (tokens.size() > kMaxShownWarnings) {
    std::fprintf(stderr, "Warning: %zu more arguments are ignored: %s\n",
                 tokens.size() - kMaxShownWarnings, reason);
  }
  std::fflush(stderr);
}

// Reads the response file into `content`. False when it cannot be opened, or is refused (not a
// regular file, larger than kMaxResponseFileSize; `refusal` then says why), or a stop was
// asked for meanwhile.
bool ReadResponseFile(const std::string& path, std::string& content, const char*& refusal) {
  switch (Qve::ReadBoundedFile(path, kMaxResponseFileSize, content)) {
    case Qve::QVBoundedCheck::kNotRegular:
      refusal = "response file is not a regular file";
      return false;
    case Qve::QVBoundedCheck::kTooLarge:
      refusal = "response file is larger than 16 MB";
      return false;
    case Qve::QVBoundedCheck::kFailed:
      return false;
    default:
      return Qve::GetStopSignal() == 0;
  }
}

// Replaces the command line's options by those of the response file. False when the file
// cannot be read or does not parse (the message is already shown).
bool LoadResponseFile(const po::options_description& description, po::variables_map& options) {
  Qve::QVEstring path = options[kOptRsp].as<std::string>();
  Qve::TrimBoth(path, '"');
  std::cout << "Open RSP file: " << path << "\n";
  std::string content;
  const char* refusal = nullptr;
  if (!ReadResponseFile(path, content, refusal)) {
    std::cout << "FAILED\n";
    std::cout.flush();
    if (refusal) std::fprintf(stderr, "Error: %s: %s\n", refusal, path.c_str());
    return false;
  }
  std::cout << "OK\n\n";
  std::cout.flush();
  std::printf("\nrsp_conmand line :%s \n", content.c_str());
  std::fflush(stdout);

  // One argument per non-empty line.
  std::vector<std::string> tokens;
  boost::split(tokens, content, boost::is_any_of("\r\n"), boost::token_compress_on);
  tokens.erase(std::remove(tokens.begin(), tokens.end(), std::string()), tokens.end());

  options.clear();
  std::vector<std::string> ignored;
  if (!TryParse(description, tokens, options, &ignored)) return false;
  WarnIgnored(ignored, "not an option of this program");
  return Qve::GetStopSignal() == 0;
}

// The command line's options that a response file replaces (all but RSP itself).
std::vector<std::string> ReplacedByResponseFile(int argc, char** argv,
                                                const std::vector<std::string>& ignored) {
  std::vector<std::string> replaced;
  for (int i = 1; i < argc; ++i) {
    const std::string token = argv[i];
    if (!MayBeOption(token) || token.compare(1, 4, "RSP=") == 0) continue;
    if (std::find(ignored.begin(), ignored.end(), token) != ignored.end()) continue;
    replaced.push_back(token);
  }
  return replaced;
}

// Fills `options` from the command line, or from the response file it names. False when the
// start-up settings are not to be applied: after the help, a parse error, a response file that
// cannot be read, or a stop request.
bool ReadOptions(const po::options_description& description, int argc, char** argv,
                 po::variables_map& options) {
  std::vector<std::string> tokens;
  for (int i = 1; i < argc; ++i) tokens.emplace_back(argv[i]);
  std::vector<std::string> ignored;
  if (!TryParse(description, tokens, options, &ignored)) return false;
  WarnIgnored(ignored, "not an option of this program");

  if (options.count(kOptHelp)) {
    PrintHelp(description);
    return false;
  }
  if (options.count(kOptRsp)) {
    WarnIgnored(ReplacedByResponseFile(argc, argv, ignored),
                "the response file replaces the command line");
    if (!LoadResponseFile(description, options)) return false;
  }
  if (options.count(kOptEchoLog) && !options[kOptEchoLog].defaulted()) {
    std::string echo_log = "-";  // appended: g++ 12 warns falsely on "-" + std::string
    echo_log += kOptEchoLog;
    WarnIgnored({echo_log}, "accepted, but nothing depends on it");
  }

  try {
    po::notify(options);
  } catch (const po::error& error) {
    Qve::QVTracer::Instance().Critical(kParseSource, "%s", error.what());
    PrintHelp(description);
    return false;
  }
  return true;
}

// What must take effect before any launcher exists: the trace file and levels, and the event
// channel.
void ApplyStartUpSettings(const RunConfig& config) {
  Qve::QVTracer& tracer = Qve::QVTracer::Instance();
  // Checking rules and explaining a log run no import: they leave the analyzed log alone.
  if (!config.check_rules && !config.Explains()) {
    CheckOutputFiles(config);  // before the first of them is truncated
    // Naming the trace file truncates it: a run the report folder's lock refuses must leave
    // the trace file of the run that holds the folder as it is.
    if (config.report) JsonImportReport::Instance().ClaimFolder(config.data_folder);
    tracer.SetTraceFile(config.analyzed_log);
  }
  tracer.SetAllLevels(Qve::kQVTraceWarning);

  unsigned long port = ParseUnsignedLong(config.event_port);
  CWizzardInspectionController::Instance().Init(static_cast<uint16_t>(port), config.message_prefix,
                                                config.script_path);
}

}  // namespace

po::options_description BuildOptionsDescription() {
  po::options_description description(kOptionsCaption, HelpLineLength(),
                                      HelpMinDescriptionLength());
  // The value names are what the help shows after "=".
  auto text = [](const char* value_name) {
    return po::value<std::string>()->value_name(value_name);
  };
  auto text_or = [&text](const char* value_name, const char* default_value) {
    return text(value_name)->default_value(default_value);
  };
  description.add_options()                                                                //
      (kOptHelp, "Produce help message.")                                                  //
      (kOptRsp, text("<file>"), "Options file.")                                           //
      (kOptBat, text_or("<file>", kDefaultBat), "Bat file name.")                          //
      (kOptArg, text_or("<arg;arg>", kDefaultArg), "Arguments for bat file")               //
      (kOptEchoLog, text_or("<file>", kDefaultEchoLog), "Echo log file name.")             //
      (kOptLog, text_or("<file>", kDefaultLog), "Analyzed log file name.")                 //
      (kOptDebug, "Run in debug mode.")                                                    //
      (kOptCf, text("<folder>"), "Current folder of child process.")                       //
      (kOptRpt, "Generate html report.")                                                   //
      (kOptD, text_or("<database>", kDefaultTarget), "Target database.")                   //
      (kOptH, text_or("<host>", kDefaultTarget), "Target host.")                           //
      (kOptRptDir, text_or("<folder>", kDefaultRptDir), "Import report directory.")        //
      (kOptEventPort, text_or("<port>", kDefaultEventPort), "Port for event to wissard.")  //
      (kOptMessaging, text_or("<prefix>", kDefaultMessaging),
       "Message prefix for correct messaging to wizard.");
  // Rules of the user's own, and what to do with them besides a run.
  description.add_options()                                                                   //
      (kOptRules, text("<path;path>"), "Your own rule files or folders, loaded last.")        //
      (kOptCheckRules, "Check every rule file and its samples, then stop.")                   //
      (kOptExplain, text("<file>"), "Explain a saved log: the rule that decided each line.")  //
      (kOptJunit, text("<file>"), "Write the import's results as a JUnit XML report.");
  return description;
}

std::string FormatHelp(const po::options_description& description) {
  std::vector<std::string> syntaxes;
  size_t widest = 0;
  for (const auto& option : description.options()) {
    syntaxes.push_back(AcceptedSyntax(*option));
    widest = std::max(widest, syntaxes.back().size());
  }
  // As the library lays out its columns: two blanks, the widest syntax and a blank, but never so
  // wide that the description gets less than its minimum; a longer syntax gets a line of its own.
  size_t column = std::min<size_t>(2 + widest + 1, HelpLineLength() - HelpMinDescriptionLength());
  std::string out = std::string(kOptionsCaption) + ":\n";
  for (size_t i = 0; i < syntaxes.size(); ++i) {
    out.append("  ").append(syntaxes[i]);
    size_t used = 2 + syntaxes[i].size();
    if (used + 1 > column) {
      out.append("\n").append(column, ' ');
    } else {
      out.append(column - used, ' ');
    }
    AppendWrapped(out, description.options()[i]->description(), column);
    out += "\n";
  }
  return out;
}

void ParseOptionTokens(const po::options_description& description,
                       const std::vector<std::string>& tokens, po::variables_map& options,
                       std::vector<std::string>* ignored) {
  // Token by token: the library would lend a valued option the next argument when "=" is
  // missing, but values must be joined by "=", so an option alone is one without its value.
  // (The library also drops each token it took from the front of its list, which would make a
  // long response file take quadratic time.)
  po::parsed_options parsed(&description);
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (i % kStopCheckInterval == 0 && Qve::GetStopSignal() != 0) return;
    const std::string& token = tokens[i];
    if (MayBeOption(token)) {
      po::parsed_options one = po::command_line_parser(std::vector<std::string>{token})
                                   .options(description)
                                   .style(kCommandLineStyle)
                                   .run();
      bool taken = false;
      for (po::option& option : one.options) {
        if (option.string_key.empty()) continue;
        parsed.options.push_back(std::move(option));
        taken = true;
      }
      if (taken) continue;
    }
    if (ignored) ignored->push_back(token);
  }
  po::store(parsed, options);
}

unsigned long ParseUnsignedLong(const Qve::QVEstring& text) {
  try {
    return std::stoul(text, nullptr, 10);
  } catch (const std::invalid_argument&) {
    throw std::invalid_argument("invalid stoul argument");
  } catch (const std::out_of_range&) {
    throw std::out_of_range("stoul argument out of range");
  }
}

RunConfig ParseCommandLine(int argc, char** argv) {
  po::options_description description = BuildOptionsDescription();
  po::variables_map options;
  const bool parsed = ReadOptions(description, argc, argv, options);
  RunConfig config = BuildRunConfig(options);
  if (parsed) ApplyStartUpSettings(config);
  return config;
}

std::unique_ptr<IMigrationLauncher> CreateLauncher(const RunConfig& config, int argc, char** argv) {
  // A failed parse leaves no option to read, not even -D.
  if (!config.complete) throw boost::bad_any_cast();
  if (config.check_rules) return std::make_unique<RuleCheckLauncher>(config);
  if (config.Explains()) return std::make_unique<ExplainLauncher>(config);
  if (config.analyzed_target) return std::make_unique<MigrationLauncher>(config);
  return std::make_unique<DBLaunch>(config, argc, argv);
}

}  // namespace Qva
