// The status line a person at a terminal sees below the import's output.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "records/ImportStatistics.h"

namespace Qva {

// Objects announced so far, and those of them that failed and that have warnings, as the
// summary counts them (an object's newest entry decides).
struct ImportProgress {
  uint64_t objects = 0;
  uint64_t failed = 0;
  uint64_t warned = 0;
  bool operator==(const ImportProgress&) const = default;
};
ImportProgress CountProgress(const ImportStatistics& statistics);

// "[ N/M objects | F failed | W warnings | m:ss ]", M "?" when `announced` is empty, 0, or
// below N.
std::string FormatImportStatus(const ImportProgress& progress, std::optional<uint64_t> announced,
                               std::chrono::seconds elapsed);

// When the status line is drawn again: the counts are looked at no sooner than kMinInterval
// after the last look (a look walks every object), and the line is drawn when they or the
// shown time changed.
class StatusPace {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kMinInterval{200};

  explicit StatusPace(Clock::time_point start) : start_(start) {}
  // Whether to look at the counts now; when true, the look is taken as done.
  bool TimeToLook(Clock::time_point now);
  // Whether `progress` at `now` gives another line than the one drawn; when true, it is taken
  // as drawn.
  bool Changed(const ImportProgress& progress, Clock::time_point now);
  std::chrono::seconds Elapsed(Clock::time_point now) const;

 private:
  Clock::time_point start_;
  std::optional<Clock::time_point> looked_at_;
  std::optional<ImportProgress> drawn_;
  std::chrono::seconds drawn_elapsed_{0};
};

// Drives the console's status line during an analyzed run. Off the terminal it does nothing:
// not a byte of the output changes, and the script is not read beforehand.
class ConsoleProgress {
 public:
  // `actions` must outlive this. On a terminal the console gets its colours (unless NO_COLOR
  // or TERM=dumb) and the objects of `script` are counted (CountAnnouncedObjects).
  ConsoleProgress(const ImpLogAnalyzerActionManager& actions, const std::string& script,
                  const std::string& working_folder);
  // Takes the status line away.
  ~ConsoleProgress();
  ConsoleProgress(const ConsoleProgress&) = delete;
  ConsoleProgress& operator=(const ConsoleProgress&) = delete;

  // Draws the status line when it is due; once the import has finished (its summary is being
  // written), takes it away for good.
  void Update();
  // Takes the status line away for good.
  void End();

 private:
  const ImpLogAnalyzerActionManager& actions_;
  bool on_ = false;
  std::optional<uint64_t> announced_;
  StatusPace pace_;
};

}  // namespace Qva
