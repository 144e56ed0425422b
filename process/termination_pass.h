// The leftover-process pass: on every tick of 软件进程监控, and once at start-up, it rebuilds
// 程序终结列表 from the rules of 进程列表 and, while the process monitor is "监控中", ends each
// leftover process whose main program does not run.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"

namespace qvk {

inline constexpr char kLeftoverNotRunning[] = "程序未运行或已被关闭";
inline constexpr char kProcessMonitorOn[] = "监控中";
inline constexpr char kProcessMonitorOff[] = "未监控";

// Answers the process lookups of one pass.
class PassProcesses {
 public:
  virtual ~PassProcesses() = default;
  // Id of the first process of that executable name (ASCII letters compared without case);
  // 0 when none, when the name is empty or when no snapshot can be taken.
  virtual ProcessId find(const std::string& name) = 0;
  bool is_running(const std::string& name) { return find(name) != 0; }
  // Ends the first process of that name; whether the termination succeeded.
  virtual bool terminate(const std::string& name) = 0;
  // The path of a found process (process_image_path).
  virtual std::string image_path(ProcessId id) = 0;
};

// One process snapshot for the whole pass, taken at its first lookup. A process the pass ends is
// dropped from it, so the pieces after it see it gone, as a fresh look would. The path of each
// found process is read once per pass, however many pieces name it. A process or module snapshot
// costs milliseconds; one per lookup made the pass's cost grow with rules times processes.
class PassSnapshot : public PassProcesses {
 public:
  explicit PassSnapshot(Desktop& desktop) : desktop_(desktop) {}
  ProcessId find(const std::string& name) override;
  bool terminate(const std::string& name) override;
  std::string image_path(ProcessId id) override;

 private:
  const std::vector<ProcessEntry>& processes();
  Desktop& desktop_;
  bool taken_ = false;
  std::vector<ProcessEntry> processes_;  // empty when the snapshot failed
  std::map<ProcessId, std::string> paths_;
};

// A fresh snapshot for every lookup. The pass does not use it; it is the yardstick the pass is
// measured against.
class FreshLookups : public PassProcesses {
 public:
  explicit FreshLookups(Desktop& desktop) : desktop_(desktop) {}
  ProcessId find(const std::string& name) override;
  bool terminate(const std::string& name) override;
  std::string image_path(ProcessId id) override;

 private:
  Desktop& desktop_;
};

enum class SnapshotUse { OnePerPass, OnePerLookup };

// The pass as a callable, for the timer and the start-up step. It keeps nothing between runs
// apart from TerminatedCount in AppState. It never hands control back to the message loop, so no
// other handler sees 程序终结列表 half rebuilt, and it rewrites neither the status bar nor shows
// a message.
class ProcessTerminationPass {
 public:
  explicit ProcessTerminationPass(AppContext context, SnapshotUse use = SnapshotUse::OnePerPass)
      : context_(context), use_(use) {}
  void operator()();

 private:
  AppContext context_;
  SnapshotUse use_;
};

}  // namespace qvk
