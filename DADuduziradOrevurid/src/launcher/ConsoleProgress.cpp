#include "launcher/ConsoleProgress.h"

#include <cstdio>

#include "QVETerminal.h"
#include "QVETrace.h"
#include "launcher/AnnouncedObjects.h"

namespace Qva {

ImportProgress CountProgress(const ImportStatistics& statistics) {
  ImportProgress progress;
  for (const ImportObject& object : statistics.GetObjects()) {
    ++progress.objects;
    switch (object.Classify()) {
      case ImportOutcome::kFailed:
        ++progress.failed;
        break;
      case ImportOutcome::kSucceededWithWarning:
        ++progress.warned;
        break;
      case ImportOutcome::kSucceeded:
        break;
    }
  }
  return progress;
}

std::string FormatImportStatus(const ImportProgress& progress, std::optional<uint64_t> announced,
                               std::chrono::seconds elapsed) {
  // More objects than counted, or none counted at all: the script prints announcements that
  // its text does not show (from a file it cats, a program it runs).
  const bool known = announced && *announced != 0 && *announced >= progress.objects;
  const std::string total = known ? std::to_string(*announced) : "?";
  char clock[32];
  std::snprintf(clock, sizeof(clock), "%lld:%02lld", static_cast<long long>(elapsed.count() / 60),
                static_cast<long long>(elapsed.count() % 60));
  return "[ " + std::to_string(progress.objects) + "/" + total + " objects | " +
         std::to_string(progress.failed) + " failed | " + std::to_string(progress.warned) +
         " warnings | " + clock + " ]";
}

std::chrono::seconds StatusPace::Elapsed(Clock::time_point now) const {
  return std::chrono::duration_cast<std::chrono::seconds>(now - start_);
}

bool StatusPace::TimeToLook(Clock::time_point now) {
  if (looked_at_ && now - *looked_at_ < kMinInterval) return false;
  looked_at_ = now;
  return true;
}

bool StatusPace::Changed(const ImportProgress& progress, Clock::time_point now) {
  const std::chrono::seconds elapsed = Elapsed(now);
  if (drawn_ && progress == *drawn_ && elapsed == drawn_elapsed_) return false;
  drawn_ = progress;
  drawn_elapsed_ = elapsed;
  return true;
}

ConsoleProgress::ConsoleProgress(const ImpLogAnalyzerActionManager& actions,
                                 const std::string& script, const std::string& working_folder)
    : actions_(actions), pace_(StatusPace::Clock::now()) {
  if (!Qve::StandardOutputIsTerminal()) return;
  on_ = true;
  announced_ = CountAnnouncedObjects(script, working_folder);
  Qve::QVTracer::Instance().SetConsoleTerminal(true, Qve::TerminalColoursWanted());
}

ConsoleProgress::~ConsoleProgress() { End(); }

void ConsoleProgress::Update() {
  if (!on_) return;
  if (actions_.IsImportFinished()) {
    End();
    return;
  }
  const StatusPace::Clock::time_point now = StatusPace::Clock::now();
  if (!pace_.TimeToLook(now)) return;
  const ImportProgress progress = CountProgress(actions_.GetStatistics());
  if (!pace_.Changed(progress, now)) return;
  std::string status = FormatImportStatus(progress, announced_, pace_.Elapsed(now));
  // A line as wide as the terminal would wrap, and only its last row would be erased.
  const size_t columns = Qve::TerminalColumns();
  if (columns > 1 && status.size() >= columns) status.resize(columns - 1);
  Qve::QVTracer::Instance().ShowConsoleStatus(status);
}

void ConsoleProgress::End() {
  if (!on_) return;
  on_ = false;
  Qve::QVTracer::Instance().ShowConsoleStatus({});
}

}  // namespace Qva
