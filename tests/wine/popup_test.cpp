// Pop-up blocking as a user meets it: qvk.exe against real top-level windows
// of testwin.exe, with the rules written into the rule file before the program starts, and the
// commands of the list menu 弹出拦截菜单 (posted by their ids: Wine cannot open another
// process's menu).
#include "driver.h"

#include <algorithm>

#include "app/control_ids.h"
#include "popup/popup_monitor.h"

namespace qvk::wine {
namespace {

namespace menu = qvk::popup_menu;

// --- Reading the log and the status bar ------------------------------------------------------

size_t count_entries(const std::vector<std::string>& entries, const std::string& entry) {
  return static_cast<size_t>(std::count(entries.begin(), entries.end(), entry));
}

std::string joined(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& e : entries) text += "[" + e + "]\n";
  return text;
}

std::string status_part(HWND main, int part) {
  return status_bar_text(find_control(main, ids::kStatusBar), part);
}

// --- The rule file ---------------------------------------------------------------------------

struct Rule {
  std::string title, class_name, size, action;
};

// Writes the rule file with these rules through the engine's own tool: `qvkdb create`, then one
// insert per rule, as the program's own add statement builds it.
void write_rule_file(const std::vector<Rule>& rules) {
  ASSERT_TRUE(make_dirs("D:\\软件配置\\岚窗精灵"));
  remove_tree(kRuleDatabase);
  ASSERT_NO_FATAL_FAILURE(run_qvkdb({"create", kRuleDatabase}));
  for (const Rule& r : rules) {
    ASSERT_NO_FATAL_FAILURE(run_qvkdb(
        {"exec", kRuleDatabase,
         "insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values (" + sql_text(r.title) + "," +
             sql_text(r.class_name) + "," + sql_text(r.size) + "," + sql_text(r.action) +
             ",'C:\\windows\\notepad.exe')"}));
  }
}

// --- Fixtures --------------------------------------------------------------------------------

class PopupMonitorCommands : public WineTest {
 protected:
  void SetUp() override {
    WineTest::SetUp();
    qvk_ = start_qvk();
    ASSERT_NE(qvk_.main, nullptr);
  }
  void command(int id) { post_command(qvk_.main, id); }
  size_t visible_windows() {
    size_t n = 0;
    for (HWND w : top_windows(nullptr, nullptr, qvk_.process.pid())) n += IsWindowVisible(w) ? 1 : 0;
    return n;
  }

  Qvk qvk_;
};

class PopupBlocking : public WineTest {
 protected:
  // Rules first, then the windows, then the program. The saved settings keep the monitor off at
  // start-up ("弹窗拦截=假"), so the first tick comes 2 s after 开始拦截 from the menu.
  void start(const std::vector<Rule>& rules, const std::vector<std::string>& windows,
             std::vector<std::string> settings = {}) {
    settings.insert(settings.begin(), "弹窗拦截=假");
    ASSERT_NO_FATAL_FAILURE(write_settings("D:\\", settings));
    ASSERT_NO_FATAL_FAILURE(write_rule_file(rules));
    windows_ = launch(program_dir() + "testwin.exe", windows);
    ASSERT_TRUE(windows_);
    for (size_t i = 0; i < windows.size(); i += 4) {
      const bool hidden = windows[i + 3].find("hidden") != std::string::npos;
      ASSERT_NE(wait_window(windows[i].c_str(), windows[i + 1].c_str(), windows_.pid(), kStartTimeout, !hidden),
                nullptr)
          << "testwin.exe shows no window " << windows[i];
    }
    qvk_ = start_qvk();
    ASSERT_NE(qvk_.main, nullptr);
    ASSERT_TRUE(wait_until([&] { return status_part(qvk_.main, 1) == "弹窗规则：" + std::to_string(rules.size()); }))
        << "the rules did not reach 弹窗拦截列表: " << status_part(qvk_.main, 1);
    post_command(qvk_.main, menu::kStartBlocking);
  }
  HWND window(const char* class_name) {
    std::vector<HWND> found = top_windows(class_name, nullptr, windows_.pid());
    return found.empty() ? nullptr : found.front();
  }
  std::vector<std::string> entries() { return log_entries(qvk_.main); }
  // A line of an action of the pass: a close or a hide.
  static bool is_action(const std::string& entry) {
    return entry.rfind("     拦截弹窗 ", 0) == 0 || entry.rfind("     隐藏弹窗 ", 0) == 0;
  }
  // The status bar's count agrees with the action lines of the log.
  bool count_matches_log() {
    size_t actions = 0;
    for (const std::string& e : entries()) actions += is_action(e) ? 1 : 0;
    return status_part(qvk_.main, 2) == "拦截数量：" + std::to_string(actions);
  }

  Process windows_;
  Qvk qvk_;
};

// --- The monitor commands, no rules needed ---------------------------------------------------

TEST_F(PopupMonitorCommands, StartTwiceLogsTwiceAndStopLogsOnce) {
  const size_t on_before = count_entries(log_entries(qvk_.main), "     弹窗拦截 开启");
  const size_t off_before = count_entries(log_entries(qvk_.main), "     弹窗拦截 关闭");
  command(menu::kStartBlocking);
  command(menu::kStartBlocking);
  EXPECT_TRUE(wait_until([&] { return count_entries(log_entries(qvk_.main), "     弹窗拦截 开启") == on_before + 2; }))
      << joined(log_entries(qvk_.main));
  EXPECT_EQ(status_part(qvk_.main, 0), "弹窗拦截：拦截中");

  command(menu::kStopBlocking);
  EXPECT_TRUE(wait_until([&] { return count_entries(log_entries(qvk_.main), "     弹窗拦截 关闭") == off_before + 1; }))
      << joined(log_entries(qvk_.main));
  EXPECT_EQ(status_part(qvk_.main, 0), "弹窗拦截：未开启");
  EXPECT_EQ(log_entries(qvk_.main).back(), "     弹窗拦截 关闭");
}

TEST_F(PopupMonitorCommands, LocateFileWithNoRowSelectedOpensNothingAndLogsAnEmptyPath) {
  const size_t explorers = top_windows("ExplorerWClass", nullptr).size();
  command(menu::kLocateFile);
  EXPECT_TRUE(wait_until([&] {
    auto e = log_entries(qvk_.main);
    return !e.empty() && e.back() == "     弹窗拦截定位文件 ";
  })) << joined(log_entries(qvk_.main));
  // Explorer would have come up by now; nothing was opened.
  wait_until([] { return false; }, 1500ms);
  EXPECT_EQ(top_windows("ExplorerWClass", nullptr).size(), explorers);
  EXPECT_TRUE(qvk_.process.running());
}

TEST_F(PopupMonitorCommands, EditorItemsDoNothingYetAndTheStoreItemsReachTheRuleStore) {
  const size_t lines = log_entries(qvk_.main).size();
  const size_t windows_before = visible_windows();
  // 添加规则 and 修改规则 open the pop-up rule editor, which is not built yet.
  command(menu::kAddRule);
  command(menu::kEditRule);
  // 清空规则 asks first: the menu item reaches the rule store.
  command(menu::kClearRules);
  HWND box = wait_message_box(qvk_.process.pid());
  ASSERT_NE(box, nullptr) << "清空规则 asked nothing";
  EXPECT_EQ(message_box_text(box), "是否删除全部数据，请确认当前操作");
  answer_message_box(box, IDNO);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }));
  EXPECT_EQ(log_entries(qvk_.main).size(), lines);
  EXPECT_EQ(visible_windows(), windows_before) << "a menu item opened a window";
  EXPECT_TRUE(qvk_.process.running());
}

// --- Blocking real windows -------------------------------------------------------------------

TEST_F(PopupBlocking, ClosesHidesAndForceClosesTheWindowsItsRulesName) {
  ASSERT_NO_FATAL_FAILURE(start(
      {
          {"广告窗口一", "QvkAdClose", "300 x 200", "关闭"},
          {"广告窗口二", "QvkAdHide", "0 x 0", "隐藏"},
          {"关不掉的广告", "QvkAdStubborn", "0 x 0", "关闭"},
          {"advert 免费", "无类名", "0 x 0", "关闭"},
          {"尺寸不对", "QvkAdWrongSize", "300x200", "关闭"},  // written without spaces: never
          {"未知窗口", "QvkAdUntitled", "0 x 0", "隐藏"},
      },
      {
          "QvkAdClose", "广告窗口一", "300x200@40,60", "-",
          "QvkAdHide", "广告窗口二", "320x240@360,60", "-",
          "QvkAdStubborn", "关不掉的广告", "250x150@700,60", "ignore-close",
          "QvkAdTitle", "Free ADVERT 免费广告", "280x160@40,420", "-",
          "QvkAdWrongSize", "尺寸不对", "300x200@360,420", "-",
          "QvkAdUntitled", "", "200x120@700,420", "-",
      }));
  HWND close = window("QvkAdClose"), hide = window("QvkAdHide"), stubborn = window("QvkAdStubborn"),
       by_title = window("QvkAdTitle"), wrong_size = window("QvkAdWrongSize"), untitled = window("QvkAdUntitled");
  ASSERT_TRUE(close && hide && stubborn && by_title && wrong_size && untitled);

  // The first tick comes 2 s after the start; that pass waits 1 s after each of its three closes.
  EXPECT_TRUE(wait_until(
      [&] {
        return !IsWindow(close) && !IsWindowVisible(hide) && !IsWindow(stubborn) && !IsWindow(by_title) &&
               !IsWindowVisible(untitled);
      },
      15s))
      << joined(entries());
  EXPECT_TRUE(IsWindow(hide));
  EXPECT_TRUE(IsWindow(untitled));
  EXPECT_TRUE(IsWindow(wrong_size) && IsWindowVisible(wrong_size));

  // Each close waits 1 s handling messages, so a tick can run a nested pass inside the wait: the
  // window that ignores WM_CLOSE is then closed (and logged) by the nested pass and again by the
  // outer one, which still logs its own rule. Every other window is acted on once; the rows come
  // in the rule file's order, but nested passes interleave their lines.
  const std::vector<std::string> once = {
      "     拦截弹窗 广告窗口一", "     隐藏弹窗 广告窗口二", "     拦截弹窗 advert 免费", "     隐藏弹窗 未知窗口",
  };
  const std::string stubborn_line = "     拦截弹窗 关不掉的广告";
  auto actions = [&] {
    std::vector<std::string> found;
    for (const std::string& e : entries()) {
      if (is_action(e)) found.push_back(e);
    }
    return found;
  };
  EXPECT_TRUE(wait_until(
      [&] {
        const std::vector<std::string> done = actions();
        for (const std::string& line : once) {
          if (count_entries(done, line) == 0) return false;
        }
        return count_entries(done, stubborn_line) > 0 && count_matches_log();
      },
      10s))
      << status_part(qvk_.main, 2) << "\n" << joined(entries());
  // Let a pass that is still waiting finish, then two more ticks: nothing is left to act on,
  // nothing more is logged or counted.
  wait_until([] { return false; }, 2500ms);
  const std::vector<std::string> settled = actions();
  wait_until([] { return false; }, 4500ms);
  EXPECT_EQ(actions(), settled) << joined(entries());
  for (const std::string& line : once) EXPECT_EQ(count_entries(settled, line), 1u) << line << "\n" << joined(settled);
  const size_t stubborn_lines = count_entries(settled, stubborn_line);
  EXPECT_TRUE(stubborn_lines == 1 || stubborn_lines == 2) << joined(settled);
  EXPECT_EQ(settled.size(), once.size() + stubborn_lines) << joined(settled);
  EXPECT_EQ(status_part(qvk_.main, 2), "拦截数量：" + std::to_string(settled.size()));
  EXPECT_EQ(status_part(qvk_.main, 0), "弹窗拦截：拦截中");
  EXPECT_TRUE(IsWindow(qvk_.main));

  if (under_harness()) {
    select_tab(find_control(qvk_.main, ids::kTab), 3);  // 监控记录
    wait_idle(qvk_.process, qvk_.main);
    screenshot("popup-blocking-log");
  }
}

TEST_F(PopupBlocking, WithoutForcedCloseAWindowThatIgnoresCloseIsCountedOnEveryTick) {
  ASSERT_NO_FATAL_FAILURE(start({{"关不掉的广告", "QvkAdStubborn", "250 x 150", "关闭"}},
                                {"QvkAdStubborn", "关不掉的广告", "250x150@100,100", "ignore-close"},
                                {"强制关闭=假"}));
  HWND stubborn = window("QvkAdStubborn");
  ASSERT_NE(stubborn, nullptr);
  EXPECT_TRUE(wait_until([&] { return count_entries(entries(), "     拦截弹窗 关不掉的广告") >= 2; }, 10s))
      << joined(entries());
  EXPECT_TRUE(IsWindow(stubborn));
  EXPECT_TRUE(wait_until([&] { return count_matches_log(); })) << status_part(qvk_.main, 2);
}

TEST_F(PopupBlocking, StartingAgainDoesNotRestartTheTimer) {
  // 开始拦截 every 0.7 s: a timer restarted by each of them (period 2 s) would never tick.
  ASSERT_NO_FATAL_FAILURE(start({{"广告窗口一", "QvkAdClose", "0 x 0", "关闭"}},
                                {"QvkAdClose", "广告窗口一", "300x200@100,100", "-"}, {"强制关闭=假"}));
  HWND close = window("QvkAdClose");
  ASSERT_NE(close, nullptr);
  int starts = 1;
  const bool closed = wait_until(
      [&] {
        if (!IsWindow(close)) return true;
        post_command(qvk_.main, menu::kStartBlocking);
        ++starts;
        wait_until([] { return false; }, 700ms);
        return !IsWindow(close);
      },
      8s);
  EXPECT_TRUE(closed) << joined(entries());
  EXPECT_GE(starts, 3);
  EXPECT_TRUE(wait_until([&] { return count_entries(entries(), "     弹窗拦截 开启") >= static_cast<size_t>(starts); }))
      << starts << "\n" << joined(entries());
  EXPECT_EQ(count_entries(entries(), "     拦截弹窗 广告窗口一"), 1u);
}

}  // namespace
}  // namespace qvk::wine
