// Test helper: collects the trace messages written while it lives.
#pragma once

#include <memory>

#include "QVETrace.h"

namespace Qva::test {

// Outputers cannot be unregistered, so one Debug-level string outputer serves the whole test
// binary; a capture remembers where its own part of the text starts.
class TraceCapture {
 public:
  Qve::QVEstring Text() const { return Outputer().GetText().substr(start_); }

  size_t Count(const Qve::QVEstring& needle) const {
    const Qve::QVEstring text = Text();
    size_t count = 0;
    for (size_t at = 0; (at = text.find(needle, at)) != Qve::QVEstring::npos; at += needle.size()) {
      ++count;
    }
    return count;
  }

 private:
  static Qve::QVStringTraceOutputer& Outputer() {
    static const auto outputer = [] {
      auto created = std::make_shared<Qve::QVStringTraceOutputer>(Qve::kQVTraceDebug);
      Qve::QVTracer::Instance().AddOutputer(created);
      return created;
    }();
    return *outputer;
  }

  size_t start_ = Outputer().GetText().size();
};

}  // namespace Qva::test
