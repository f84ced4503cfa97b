#include "launcher/Application.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <exception>
#include <limits>
#include <memory>
#include <thread>

#include "QVEException.h"
#include "QVEProcessSignals.h"
#include "QVERunFile.h"
#include "QVETimeStamp.h"
#include "QVETrace.h"
#include "actions/RunOutputs.h"
#include "launcher/CommandLine.h"
#include "launcher/IMigrationLauncher.h"
#include "launcher/JUnitOutput.h"
#include "launcher/ProductInfo.h"

namespace Qva {

namespace {

constexpr const char* kSource = "Migration launcher";
// A run stopped by a signal exits with this plus the signal's number, as a shell reports it.
constexpr int32_t kStoppedExitBase = 128;

// Steps up to releasing the launcher; the handlers around it decide the exit code.
int32_t RunSequence(int argc, char** argv) {
  Qve::QVEstring analyzer_name = GetAnalyzerName();
  Qve::QVEstring banner = FormatBanner(Qve::CTimeText(Qve::CurrentCalendarTime()));
  std::printf("%s", banner.c_str());
  std::fflush(stdout);

  const RunConfig config = ParseCommandLine(argc, argv);
  // Stopped while a long response file was read: nothing has started that needs ending.
  if (int stop = Qve::GetStopSignal()) return kStoppedExitBase + stop;
  std::shared_ptr<IMigrationLauncher> launcher = CreateLauncher(config, argc, argv);
  int32_t result = 2;
  if (launcher) {
    result = launcher->Initialize(analyzer_name);
    if (result == 0) result = launcher->Run();
    RunOutputs().EndRun({analyzer_name, launcher->GetRecords(), JUnitTargetFor(config)});
  }
  launcher.reset();
  // A trace file or HTML log that could not be written stopped the import: that failure, not
  // the stop, is what the exit code tells.
  Qve::ThrowOutputFailure();
  // A stopped import ends in order, and says by its exit code that it was stopped.
  if (int stop = Qve::GetStopSignal()) result = kStoppedExitBase + stop;
  return result;
}

// Traces the failure that ends the run. The trace can fail itself (the trace file cannot be
// written); that must not turn a handled failure into an abort, so its exception is dropped.
// Returns whether the console showed the message.
__attribute__((format(printf, 1, 2))) bool TraceEndingFailure(const char* format, ...) {
  Qve::QVTracer& tracer = Qve::QVTracer::Instance();
  std::shared_ptr<Qve::QVTraceOutputer> console = tracer.FindOutputer(Qve::kQVOutputerConsole);
  bool shown = console && console->GetLevel() <= Qve::kQVTraceCritical;
  va_list args;
  va_start(args, format);
  try {
    tracer.TraceV(Qve::kQVTraceCritical, kSource, format, args);
  } catch (Qve::QVException* error) {
    std::unique_ptr<Qve::QVException> dropped(error);
    shown = false;
  } catch (...) {
    shown = false;
  }
  va_end(args);
  return shown;
}

}  // namespace

Qve::QVEstring FormatBanner(const Qve::QVEstring& time_text) {
  return Qve::FormatText("%s - %s\nTimestamp: %s", GetApplicationName().c_str(), kProductText,
                         time_text.c_str());
}

int32_t RunMigrationLauncher(int argc, char** argv) {
  Qve::InstallStopHandlers();
  int32_t result = 0;
  try {
    result = RunSequence(argc, argv);
  } catch (Qve::QVException* error) {
    std::unique_ptr<Qve::QVException> owned(error);
    // Before the trace is set up (the trace file itself could not be created) the console is
    // still silent: the reason for exit code 2 must be seen all the same.
    if (!TraceEndingFailure("code %d, message %s", owned->GetCode(), owned->GetMessage().c_str())) {
      std::fprintf(stderr, "%s> code %d, message %s\n", kSource, owned->GetCode(),
                   owned->GetMessage().c_str());
    }
    return 2;
  } catch (const std::exception& error) {
    TraceEndingFailure("Exception: %s", error.what());
    result = -1;
  } catch (...) {
    TraceEndingFailure("Unknown exception");
    result = -1;
  }
  WaitBeforeExit();
  return result;
}

void WaitBeforeExit() {
  using Clock = std::chrono::steady_clock;
  constexpr int64_t kWaitNs = 2'000'000'000;
  int64_t now_ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
  int64_t deadline_ns = now_ns > std::numeric_limits<int64_t>::max() - kWaitNs
                            ? std::numeric_limits<int64_t>::max()
                            : now_ns + kWaitNs;
  Clock::time_point deadline{
      std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(deadline_ns))};
  while (Clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

}  // namespace Qva
