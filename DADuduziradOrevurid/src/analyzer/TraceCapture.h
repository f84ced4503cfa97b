// Test helper: collects the trace messages written while it lives.
#pragma once

#include <cstddef>
#include <memory>

#include "QVETrace.h"

namespace Qva::test {

// Outputers cannot be unregistered, so one Debug-level string outputer serves the whole test
// binary; a capture remembers where its own part of the text starts.
class TraceCapture {
 public:
  TraceCapture() : start_(Outputer().GetText().size()) {}

  Qve::QVEstring Text() const { return Outputer().GetText().substr(start_); }

  size_t Count(const Qve::QVEstring& needle) const {
    const Qve::QVEstring text = Text();
    size_t count = 0;
    for (size_t at = text.find(needle); at != Qve::QVEstring::npos;
         at = text.find(needle, at + needle.size())) {
      ++count;
    }
    return count;
  }

 private:
  static Qve::QVStringTraceOutputer& Outputer() {
    static std::shared_ptr<Qve::QVStringTraceOutputer> outputer = [] {
      auto created = std::make_shared<Qve::QVStringTraceOutputer>(Qve::kQVTraceDebug);
      Qve::QVTracer::Instance().AddOutputer(created);
      return created;
    }();
    return *outputer;
  }

  size_t start_;
};

}  // namespace Qva::test
