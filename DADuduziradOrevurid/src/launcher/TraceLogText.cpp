#include "launcher/TraceLogText.h"

#include <array>
#include <cctype>

namespace Qva {
namespace {

// "Dec 07 02:44:57 2026" and the blank after it.
constexpr size_t kStampSize = 21;
// Tags of lines that carry what the script printed: its errors and warnings.
constexpr std::array<std::string_view, 2> kOutputTags = {"[ERR] ", "[WRN] "};
// Tags of the program's own messages.
constexpr std::array<std::string_view, 6> kOwnTags = {"[DBG] ", "[INF] ", "[NTC] ",
                                                      "[CRI] ", "[ALR] ", "[EMR] "};
constexpr std::array<std::string_view, 3> kOwnSources = {"Action begin> ", "Action end> ",
                                                         "Action time> "};

bool Digits(std::string_view text, size_t at, size_t count) {
  for (size_t i = at; i < at + count; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

bool HasStamp(std::string_view line) {
  if (line.size() < kStampSize) return false;
  return std::isupper(static_cast<unsigned char>(line[0])) &&
         std::islower(static_cast<unsigned char>(line[1])) &&
         std::islower(static_cast<unsigned char>(line[2])) && line[3] == ' ' &&
         Digits(line, 4, 2) && line[6] == ' ' && Digits(line, 7, 2) && line[9] == ':' &&
         Digits(line, 10, 2) && line[12] == ':' && Digits(line, 13, 2) && line[15] == ' ' &&
         Digits(line, 16, 4) && line[20] == ' ';
}

template <size_t N>
bool StartsWithAny(std::string_view text, const std::array<std::string_view, N>& prefixes) {
  for (std::string_view prefix : prefixes) {
    if (text.starts_with(prefix)) return true;
  }
  return false;
}

// The script's text of one stamped line; empty for the program's own lines.
std::string_view ScriptText(std::string_view line) {
  line.remove_prefix(kStampSize);
  if (StartsWithAny(line, kOwnTags)) return {};
  if (StartsWithAny(line, kOutputTags)) {
    line.remove_prefix(kOutputTags[0].size());
  } else if (line.starts_with(' ')) {
    line.remove_prefix(1);  // an untagged line keeps the tag's blank
  }
  if (StartsWithAny(line, kOwnSources)) return {};
  // The source title ends at the first "> "; lines of the run's summary have none.
  const size_t title_end = line.find("> ");
  if (title_end != std::string_view::npos) line.remove_prefix(title_end + 2);
  return line;
}

}  // namespace

bool IsTraceLog(std::string_view log) { return HasStamp(log.substr(0, log.find('\n'))); }

std::string TraceLogToOutput(std::string_view log) {
  std::vector<TraceVerdict> ignored;
  return TraceLogToOutput(log, ignored);
}

std::string TraceLogToOutput(std::string_view log, std::vector<TraceVerdict>& verdicts) {
  std::string out;
  out.reserve(log.size());
  verdicts.clear();
  while (!log.empty()) {
    const size_t end = log.find('\n');
    std::string_view line = log.substr(0, end);
    log.remove_prefix(end == std::string_view::npos ? log.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    const bool stamped = HasStamp(line);
    std::string_view text = stamped ? ScriptText(line) : line;
    // As the analyzer stores lines: one that is empty without its trailing blanks is none.
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
    if (text.empty()) continue;
    const std::string_view tag = stamped ? line.substr(kStampSize, kOutputTags[0].size()) : "";
    verdicts.push_back(tag == kOutputTags[0]   ? TraceVerdict::kError
                       : tag == kOutputTags[1] ? TraceVerdict::kWarning
                                               : TraceVerdict::kNone);
    out.append(text);
    out += '\n';
  }
  return out;
}

}  // namespace Qva
