// How each database tool action fills and reports its entry: one row per action of the table
// that ImpLogAnalyzerActionManager binds (the psql and path actions have code of their own).
#pragma once

#include <cstdint>

#include "records/ImportRecords.h"

namespace Qva {

// Where each field of a tool action's entry comes from (a group number, or tool_message::kNone,
// kRule, kWord), and how the action reports it.
struct ToolMessage {
  uint8_t kind;  // kStatKindError or kStatKindWarning
  int name;
  int code;
  int text;
  int line;
  int context;
  int report;      // group of the JSON report's text
  bool event;      // errors only: announce it to the wizard
  bool log_first;  // log and register before the entry is built and recorded
};

namespace tool_message {
inline constexpr int kNone = -1;  // the field stays empty
inline constexpr int kRule = -2;  // the firing rule's name
inline constexpr int kWord = -3;  // the text "Warning"
inline constexpr uint8_t kErr = kStatKindError;
inline constexpr uint8_t kWarn = kStatKindWarning;

// clang-format off
//                                     kind   name   code   text line   context report event  log 1st
inline constexpr ToolMessage kOracle        {kErr,  1,     2,     3,   kNone, kNone,  3,     true,  false};
inline constexpr ToolMessage kSqlLoader     {kErr,  1,     2,     3,   kNone, kNone,  1,     true,  false};
inline constexpr ToolMessage kOracle4Line   {kErr,  9,     10,    11,  8,     2,      1,     true,  false};
inline constexpr ToolMessage kSqlLoader4Line{kErr,  1,     2,     5,   4,     3,      1,     true,  false};
inline constexpr ToolMessage kMySql         {kErr,  2,     1,     4,   kNone, kNone,  4,     true,  false};
inline constexpr ToolMessage kNotRecognized {kErr,  kNone, kNone, 1,   kNone, kNone,  1,     false, false};
inline constexpr ToolMessage kMssql         {kErr,  kRule, kNone, 1,   kNone, kNone,  1,     true,  true};
inline constexpr ToolMessage kBcp           {kErr,  kNone, kNone, 1,   kNone, kNone,  1,     true,  true};
inline constexpr ToolMessage kIncorrectPath {kErr,  kNone, kNone, 0,   kNone, kNone,  0,     true,  false};
inline constexpr ToolMessage kLoaderWarning {kWarn, kRule, kNone, 1,   kNone, kNone,  1,     false, false};
inline constexpr ToolMessage kWarning       {kWarn, kWord, kNone, 1,   kNone, kNone,  1,     false, false};
// clang-format on
}  // namespace tool_message

}  // namespace Qva
