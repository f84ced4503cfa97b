// Command line and response file: parses the options into the run configuration, applies the
// start-up settings and picks the launcher.
#pragma once

#include <boost/program_options/options_description.hpp>
#include <boost/program_options/variables_map.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QVEString.h"
#include "launcher/IMigrationLauncher.h"
#include "launcher/RunConfig.h"

namespace Qva {

// The options in help order with their defaults and help texts, captioned "Allowed options".
boost::program_options::options_description BuildOptionsDescription();

// The help text of `description` in the syntax the program accepts, so that a line can be
// copied back: "Allowed options:", then per option "-NAME" (a switch) or "-NAME=<value>" with
// "(=default)" when there is one, and its description in a column, wrapped to the library's
// default line length.
std::string FormatHelp(const boost::program_options::options_description& description);

// Parses `tokens` (no program name): an option is "/" or "-", its name and, for a valued
// option, "=" and a non-empty value; tokens that are not options (including "--" ones and
// unknown names without "=", such as "-RTP") are ignored, and appended to `ignored` when given.
// Stores into `options`. Throws boost::program_options::error on a parse error, storing
// nothing. Linear in the number of tokens; a stop request (Qve::GetStopSignal) ends it early,
// storing nothing.
void ParseOptionTokens(const boost::program_options::options_description& description,
                       const std::vector<std::string>& tokens,
                       boost::program_options::variables_map& options,
                       std::vector<std::string>* ignored = nullptr);

// std::stoul in base 10, with the program's own failure texts: std::invalid_argument
// "invalid stoul argument" and std::out_of_range "stoul argument out of range".
unsigned long ParseUnsignedLong(const Qve::QVEstring& text);

// Parses argv[1..argc-1], or the response file named by RSP, and returns the configuration
// they give (BuildRunConfig); prints the help on HELP or a parse error. Then, unless one of
// these or a response-file failure ended the parse (printed, not thrown), applies the start-up
// settings: checks the outputs (CheckOutputFiles: throws before any is created), names the
// trace file, sets all trace levels to Warning and opens the wizard event channel; a bad
// EVENTPORT throws (see ParseUnsignedLong). Each ignored argument gets a warning line on
// standard error: one that is no option, a command-line option that the response file
// replaces, ECHOLOG. Only a regular file of at most 16 MB is read as response file; another one
// fails like a file that cannot be opened, with a line on standard error naming it. A stop
// request while the file is read or parsed ends this early.
RunConfig ParseCommandLine(int argc, char** argv);

// RuleCheckLauncher with -CHECK_RULES, ExplainLauncher with -EXPLAIN, MigrationLauncher when
// -D is one of the analyzed database names, else DBLaunch, which keeps argc/argv. The launcher
// keeps a reference to `config`. Throws boost::bad_any_cast, as reading an absent option does,
// when `config` is not complete.
std::unique_ptr<IMigrationLauncher> CreateLauncher(const RunConfig& config, int argc, char** argv);

}  // namespace Qva
