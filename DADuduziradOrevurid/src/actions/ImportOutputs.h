// What the import actions report while the import script runs. The actions only say what
// happened; where it shows (HTML log, JSON report, wizard events) is the outputs' business.
#pragma once

#include <cstdint>

#include "QVEString.h"

namespace Qva {

class ImportStatistics;
class StatMember;

class ImportOutputs {
 public:
  virtual ~ImportOutputs() = default;

  // A plain line of the run, under `source` (may be empty).
  virtual void Note(const char* source, const Qve::QVEstring& text) = 0;
  // The import of the object `name` (type word `type_word`) started in `script`.
  virtual void ObjectStarted(const Qve::QVEstring& script, const Qve::QVEstring& name,
                             const Qve::QVEstring& type_word, bool additional) = 0;
  // An error or warning of line `id` under `source`: `text` is shown, `report_text` kept in the
  // report.
  virtual void Error(uint64_t id, const char* source, const Qve::QVEstring& text,
                     const Qve::QVEstring& report_text) = 0;
  virtual void Warning(uint64_t id, const char* source, const Qve::QVEstring& text,
                       const Qve::QVEstring& report_text) = 0;
  // An error recorded as `entry` that the wizard hears of.
  virtual void ErrorAnnounced(const StatMember& entry) = 0;
  // The called script `script` finished; its caller `caller` runs on.
  virtual void ScriptFinished(const Qve::QVEstring& script, const Qve::QVEstring& caller) = 0;
  // The top-level script finished: the summary of `statistics` and, with reports, the report
  // pass, which completes the statistics' report counters.
  virtual void ImportFinished(ImportStatistics& statistics) = 0;
  // An error of the run came after the import finished: the report's error table is redone.
  virtual void RunErrorAdded(const ImportStatistics& statistics) = 0;
};

}  // namespace Qva
