#include "analyzer/RegexPattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <new>
#include <stdexcept>
#include <utility>

#include "analyzer/TextPool.h"

namespace Qva {
namespace {

// ECMAScript semantics on bytes, as far as PCRE2 differs by default:
// - "$" only at the very end (PCRE2 also matches before a final newline);
// - a back reference to an unset group matches the empty text;
// - "\u" hex escapes as in ECMAScript;
// - "." excludes "\r" as well as "\n": newline convention ANYCRLF (compile context).
constexpr uint32_t kCompileOptions =
    PCRE2_DOLLAR_ENDONLY | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALT_BSUX;

// Bounds of one search. The match limit caps backtracking steps of pathological patterns on
// long lines; the JIT stack is large enough for the embedded patterns on multi-megabyte lines.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kDepthLimit = 10'000'000;
// The interpreter (used where JIT is unavailable) keeps its backtracking frames on the heap;
// without a cap one search of a multi-megabyte line can take gigabytes. In KiB: 64 MiB.
constexpr uint32_t kHeapLimitKiB = 64 * 1024;
constexpr size_t kJitStackStart = 64 * 1024;
constexpr size_t kJitStackMax = 8 * 1024 * 1024;

pcre2_compile_context* CompileContext() {
  static pcre2_compile_context* context = [] {
    pcre2_compile_context* created = pcre2_compile_context_create(nullptr);
    if (created != nullptr) pcre2_set_newline(created, PCRE2_NEWLINE_ANYCRLF);
    return created;
  }();
  return context;
}

// Per thread: the match context with its limits and the JIT stack. Never freed: it lives as
// long as its thread and is tiny.
struct MatchResources {
  MatchResources() {
    context = pcre2_match_context_create(nullptr);
    stack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
    if (context != nullptr) {
      pcre2_set_match_limit(context, kMatchLimit);
      pcre2_set_depth_limit(context, kDepthLimit);
      pcre2_set_heap_limit(context, kHeapLimitKiB);
      if (stack != nullptr) pcre2_jit_stack_assign(context, nullptr, stack);
    }
  }
  ~MatchResources() {
    pcre2_match_context_free(context);
    pcre2_jit_stack_free(stack);
  }
  pcre2_match_context* context = nullptr;
  pcre2_jit_stack* stack = nullptr;
};

MatchResources& Resources() {
  thread_local MatchResources resources;
  return resources;
}

Qve::QVEstring ErrorText(int code) {
  PCRE2_UCHAR buffer[256];
  if (pcre2_get_error_message(code, buffer, sizeof(buffer)) < 0) return "unknown PCRE2 error";
  return reinterpret_cast<const char*>(buffer);
}

}  // namespace

struct RegexPattern::Compiled {
  ~Compiled() {
    pcre2_match_data_free(data);
    pcre2_code_free(code);
  }
  pcre2_code* code = nullptr;
  pcre2_match_data* data = nullptr;
  uint32_t groups = 0;  // capture groups + 1
  bool jit = false;
  Qve::QVEstring error;  // PCRE2's message when the pattern was rejected
};

RegexPattern::RegexPattern(Qve::QVEstring pattern) : pattern_(std::move(pattern)) {}
RegexPattern::~RegexPattern() = default;

void RegexPattern::SetPattern(const Qve::QVEstring& pattern) {
  pattern_ = pattern;
  compiled_.reset();
}

RegexPattern::Compiled& RegexPattern::Compile() {
  if (compiled_) return *compiled_;
  compiled_ = std::make_unique<Compiled>();
  Compiled& compiled = *compiled_;
  int code = 0;
  PCRE2_SIZE offset = 0;
  compiled.code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern_.data()), pattern_.size(),
                                kCompileOptions, &code, &offset, CompileContext());
  if (compiled.code == nullptr) {
    compiled.error = Qve::FormatText("regular expression error at offset %zu: %s",
                                     static_cast<size_t>(offset), ErrorText(code).c_str());
    return compiled;
  }
  // Without JIT support the interpreter does the same work, only slower.
  compiled.jit = pcre2_jit_compile(compiled.code, PCRE2_JIT_COMPLETE) == 0;
  compiled.data = pcre2_match_data_create_from_pattern(compiled.code, nullptr);
  uint32_t captures = 0;
  pcre2_pattern_info(compiled.code, PCRE2_INFO_CAPTURECOUNT, &captures);
  compiled.groups = captures + 1;
  return compiled;
}

bool RegexPattern::Compiles() {
  const Compiled& compiled = compiled_ ? *compiled_ : Compile();
  return compiled.code != nullptr;
}

RegexPattern::Result RegexPattern::Run(std::string_view subject, Compiled& compiled) {
  if (compiled.code == nullptr) throw std::runtime_error(compiled.error);
  if (compiled.data == nullptr) throw std::bad_alloc();
  MatchResources& resources = Resources();
  auto text = reinterpret_cast<PCRE2_SPTR>(subject.data());
  int rc = compiled.jit ? pcre2_jit_match(compiled.code, text, subject.size(), 0, 0, compiled.data,
                                          resources.context)
                        : pcre2_match(compiled.code, text, subject.size(), 0, 0, compiled.data,
                                      resources.context);
  if (rc >= 0) return Result::kMatch;
  if (rc == PCRE2_ERROR_NOMATCH) return Result::kNoMatch;
  // Match, depth, heap and JIT stack limits, and any other run-time failure of one search:
  // never fatal for the run.
  return Result::kLimit;
}

RegexPattern::Result RegexPattern::Search(std::string_view subject) {
  return Run(subject, compiled_ ? *compiled_ : Compile());
}

RegexPattern::Result RegexPattern::Search(std::string_view subject, TextLines& groups) {
  Compiled& compiled = compiled_ ? *compiled_ : Compile();
  Result result = Run(subject, compiled);
  if (result != Result::kMatch) return result;
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(compiled.data);
  groups.reserve(groups.size() + compiled.groups);
  TextPool& pool = TextPool::ForThread();
  // Looked for once in the subject rather than in each group (lookarounds and \K let groups
  // reach outside group 0).
  const bool zero = subject.find('\0') != std::string_view::npos;
  for (uint32_t i = 0; i < compiled.groups; ++i) {
    PCRE2_SIZE start = ovector[2 * i];
    PCRE2_SIZE end = ovector[2 * i + 1];
    if (start == PCRE2_UNSET || end < start) {
      groups.emplace_back();
      continue;
    }
    std::string_view text = subject.substr(start, end - start);
    pool.Append(groups, zero ? text.substr(0, text.find('\0')) : text);
  }
  return result;
}

RegexPattern::Outlook RegexPattern::OutlookFor(std::string_view subject) {
  Compiled& compiled = compiled_ ? *compiled_ : Compile();
  if (compiled.code == nullptr || compiled.data == nullptr) return Outlook::kOpen;
  // The interpreter: the JIT code was compiled for complete matches only.
  const int rc =
      pcre2_match(compiled.code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0,
                  PCRE2_PARTIAL_HARD | PCRE2_NO_JIT, compiled.data, Resources().context);
  if (rc >= 0) return Outlook::kSettled;
  if (rc != PCRE2_ERROR_NOMATCH) return Outlook::kOpen;
  uint32_t options = 0;
  pcre2_pattern_info(compiled.code, PCRE2_INFO_ALLOPTIONS, &options);
  return (options & PCRE2_ANCHORED) != 0 ? Outlook::kNever : Outlook::kOpen;
}

}  // namespace Qva
