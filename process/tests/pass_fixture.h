// What the process tests share: a log that keeps its lines, a timer that keeps its period, and a
// context over a fake desktop.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_context.h"
#include "platform/fake_desktop.h"

namespace qvk::testing_support {

class RecordingLog : public MonitorLog {
 public:
  void append_log(const std::string& line) override { lines.push_back(line); }
  // Each line without its "\r\n\r\n " + time: the action and the value, five spaces first.
  std::vector<std::string> actions() const {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
      EXPECT_TRUE(line.starts_with("\r\n\r\n ")) << line;
      std::size_t action = line.find("     ");
      out.push_back(action == std::string::npos ? line : line.substr(action));
    }
    return out;
  }
  std::vector<std::string> lines;
};

class FakeTimer : public MonitorTimer {
 public:
  void set_period(unsigned ms) override { period_ = ms; }
  unsigned period() const override { return period_; }

 private:
  unsigned period_ = 0;
};

struct ProcessContext {
  FakeDesktop desktop;
  AppState state;
  RecordingLog log;
  RuleLists lists;
  AppContext context{state, desktop, log, lists, {}};

  ProcessContext() { state.TerminatedCount = "0"; }
  void add_rule(std::string main_name, std::string rule_text, std::string path = {}) {
    std::vector<ProcessRule> rules = lists.process.rows();
    rules.push_back({"标题", std::move(main_name), std::move(rule_text), std::move(path),
                     std::to_string(rules.size() + 1)});
    lists.process.replace_all(std::move(rules));
  }
  // 程序终结列表 as the user sees it: row number, description, name, main program, path.
  std::vector<std::vector<std::string>> leftover_rows() const {
    std::vector<std::vector<std::string>> out;
    for (std::size_t i = 0; i < lists.leftover.size(); ++i) {
      const LeftoverRow& r = lists.leftover[i];
      out.push_back({std::to_string(i + 1), r.驻留程序, r.子进程名, r.主程序名, r.文件路径});
    }
    return out;
  }
};

}  // namespace qvk::testing_support
