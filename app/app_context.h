// What the subsystems share: the program-wide state, the desktop, the log, the rule lists, the
// status bar and the main window's timers. The passes and commands take this record instead of
// reaching for the main window.
#pragma once

#include <functional>

#include "app/app_state.h"
#include "app/monitor_log.h"
#include "platform/desktop.h"
#include "store/rule_lists.h"

namespace qvk {

// A window timer by its period: 0 is stopped. Setting the period it already has changes nothing
// (a running timer is not restarted); a new period above 0 restarts it.
class MonitorTimer {
 public:
  virtual ~MonitorTimer() = default;
  virtual void set_period(unsigned ms) = 0;
  virtual unsigned period() const = 0;
};

struct AppContext {
  AppState& state;
  Desktop& desktop;
  MonitorLog& log;
  RuleLists& lists;
  std::function<void()> refresh_status_bar;
};

}  // namespace qvk
