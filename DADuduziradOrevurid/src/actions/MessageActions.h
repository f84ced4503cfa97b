// What the database tools and the shell report: the info lines, and one error or warning entry
// per match of a tool's message.
//
// Tool actions record one error or warning per match: an entry on the newest object (not
// counted before the first object), reported with the rule's line index as id and, for most
// errors, announced to the wizard.
#pragma once

#include <cstdint>

#include "QVEString.h"
#include "analyzer/ActionFunction.h"

namespace Qva {

class ImportOutputs;
class ImportTracking;
class ScriptTree;
struct ToolMessage;

class MessageActions {
 public:
  // All three outlive the actions.
  MessageActions(ScriptTree& scripts, ImportTracking& tracking, ImportOutputs& outputs);
  MessageActions(const MessageActions&) = delete;
  MessageActions& operator=(const MessageActions&) = delete;

  // Fills the output and notes group 0 under the source title.
  int32_t OutputResultInfo(void* context, const TextLines& lines, TextLines& groups);
  // The tool action that `message` describes (ToolMessages.h): fills the output, records the
  // entry and reports it. The action table binds one row per message.
  int32_t RecordToolMessage(const ToolMessage& message, void* context, const TextLines& lines,
                            TextLines& groups);
  // psql errors, skipped entirely while an expected-error script runs (ExpectedErrors.h), and for
  // the exit-code rule after an error of the newest object or right after a refused connection.
  int32_t OutputResultErrorPostgresql(void* context, const TextLines& lines, TextLines& groups);
  // A path or program the shell could not find: recorded with the whole line, then the current
  // script returns to its caller (the root stays current).
  int32_t IncorrectPathError(void* context, const TextLines& lines, TextLines& groups);

 private:
  ScriptTree& scripts_;
  ImportTracking& tracking_;
  ImportOutputs& outputs_;
  // The name of the last rule whose psql error was reported; empty at start.
  Qve::QVEstring last_psql_rule_;
};

}  // namespace Qva
