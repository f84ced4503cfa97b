// The log analyzer as the launcher sees it.
#pragma once

#include <cstdint>

#include "QVEString.h"

namespace Qva {

class IAnalyzer {
 public:
  // Creates the storage and the rules (report flag: the run writes reports).
  virtual void Init(bool report) = 0;
  // Appends output text; hand over whole lines only.
  virtual void AddText(const Qve::QVEstring& text) = 0;
  // Analyzes stored lines one by one while at least `minimum` remain; returns the number of
  // error-rule matches.
  virtual int32_t AnalyzeAvailable(int32_t minimum) = 0;
  // Every trace message since Init, as collected in memory.
  virtual Qve::QVEstring GetTraceText() = 0;
  // The import script's argument text.
  virtual void SetCommand(const Qve::QVEstring& command) = 0;
  virtual Qve::QVEstring GetCommand() = 0;
  virtual ~IAnalyzer() = default;
};

}  // namespace Qva
