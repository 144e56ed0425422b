// What the pop-up tests share: a log that keeps its lines, a timer that keeps its period, and
// the context of a pass over a fake desktop.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/monitor_log.h"
#include "popup/fake_popup_windows.h"

namespace qvk {

class RecordingLog : public MonitorLog {
 public:
  void append_log(const std::string& line) override {
    lines.push_back(line);
    if (on_append) on_append(line);
  }
  // The entries without their "\r\n\r\n " and time stamp ("yyyy-MM-dd hh:mm:ss").
  std::vector<std::string> entries() const {
    std::vector<std::string> result;
    for (const std::string& line : lines) {
      EXPECT_EQ(line.substr(0, 5), "\r\n\r\n ") << line;
      EXPECT_GE(line.size(), 5u + 19u) << line;
      result.push_back(line.size() >= 24 ? line.substr(24) : line);
    }
    return result;
  }
  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_append;
};

// A timer that keeps to the MonitorTimer contract: the same period again changes nothing.
class FakeTimer : public MonitorTimer {
 public:
  void set_period(unsigned ms) override {
    calls.push_back(ms);
    if (on_set) on_set(ms);
    if (ms == period_) return;
    period_ = ms;
    if (ms > 0) ++restarts;
  }
  unsigned period() const override { return period_; }

  std::vector<unsigned> calls;
  int restarts = 0;
  std::function<void(unsigned)> on_set;

 private:
  unsigned period_ = 0;
};

struct PopupTestContext {
  PopupTestContext() { state.BlockedCount = "0"; }

  AppState state;
  FakeDesktop desktop;
  RecordingLog log;
  RuleLists lists;
  int status_bar_refreshes = 0;
  std::function<void()> on_refresh;
  AppContext context{state, desktop, log, lists, [this] {
                       ++status_bar_refreshes;
                       if (on_refresh) on_refresh();
                     }};
  FakePopupWindows windows{desktop};
};

}  // namespace qvk
