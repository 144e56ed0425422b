#include <gtest/gtest.h>

#include "popup/popup_monitor.h"
#include "popup/tests/test_support.h"

namespace qvk {
namespace {

class PopupMonitorControl : public testing::Test, public PopupTestContext {
 protected:
  FakeTimer timer;
};

TEST_F(PopupMonitorControl, StartAndStopSetPeriodStateLogAndStatusBarInThatOrder) {
  std::vector<std::string> seen;
  timer.on_set = [&](unsigned ms) {
    seen.push_back("period " + std::to_string(ms) + " state " + state.PopupMonitorState);
  };
  log.on_append = [&](const std::string&) { seen.push_back("log state " + state.PopupMonitorState); };
  on_refresh = [&] { seen.push_back("refresh after " + std::to_string(log.lines.size()) + " lines"); };
  state.PopupMonitorState = "未开启";

  start_popup_monitor(context, timer);
  EXPECT_EQ(timer.period(), 2000u);
  EXPECT_EQ(state.PopupMonitorState, "拦截中");
  stop_popup_monitor(context, timer);
  EXPECT_EQ(timer.period(), 0u);
  EXPECT_EQ(state.PopupMonitorState, "未开启");

  EXPECT_EQ(seen, (std::vector<std::string>{"period 2000 state 未开启", "log state 拦截中", "refresh after 1 lines",
                                            "period 0 state 拦截中", "log state 未开启", "refresh after 2 lines"}));
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"     弹窗拦截 开启", "     弹窗拦截 关闭"}));
}

TEST_F(PopupMonitorControl, StartTwiceLogsTwiceAndDoesNotRestartTheTimer) {
  start_popup_monitor(context, timer);
  start_popup_monitor(context, timer);
  EXPECT_EQ(log.entries(), std::vector<std::string>(2, "     弹窗拦截 开启"));
  EXPECT_EQ(timer.period(), 2000u);
  EXPECT_EQ(timer.restarts, 1);
  EXPECT_EQ(status_bar_refreshes, 2);
}

TEST_F(PopupMonitorControl, PauseAndResumeLeaveTheStatusBarAlone) {
  start_popup_monitor(context, timer);
  const int refreshes = status_bar_refreshes;
  pause_popup_monitor(context, timer);
  EXPECT_EQ(timer.period(), 0u);
  EXPECT_EQ(state.PopupMonitorState, "未开启");
  resume_popup_monitor(context, timer);
  EXPECT_EQ(timer.period(), 1000u);
  EXPECT_EQ(state.PopupMonitorState, "拦截中");
  EXPECT_EQ(status_bar_refreshes, refreshes);
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"     弹窗拦截 开启", "     弹窗拦截 关闭", "     弹窗拦截 开启"}));
}

TEST_F(PopupMonitorControl, StartAfterResumeChangesThePeriodTo2000) {
  resume_popup_monitor(context, timer);
  start_popup_monitor(context, timer);
  EXPECT_EQ(timer.period(), 2000u);
  EXPECT_EQ(timer.restarts, 2);
  // Stop and pause repeated: each logs again.
  stop_popup_monitor(context, timer);
  pause_popup_monitor(context, timer);
  EXPECT_EQ(timer.period(), 0u);
  EXPECT_EQ(log.lines.size(), 4u);
}

TEST_F(PopupMonitorControl, LocateRuleFileWithNoRowSelectedLogsAnEmptyPath) {
  PopupRule r;
  r.弹窗来源 = "C:\\广告\\ad.exe";
  lists.popup.replace_all({r});
  locate_rule_file(context);
  EXPECT_EQ(desktop.shown_files, std::vector<std::string>{""});
  EXPECT_EQ(log.entries(), std::vector<std::string>{"     弹窗拦截定位文件 "});
  EXPECT_EQ(status_bar_refreshes, 0);
}

TEST_F(PopupMonitorControl, LocateRuleFileShowsAndLogsTheSelectedRowsSource) {
  PopupRule first, second;
  first.弹窗来源 = "C:\\一.exe";
  second.弹窗来源 = "D:\\软件\\二.exe";
  lists.popup.replace_all({first, second});
  lists.popup.select(1);
  locate_rule_file(context);
  // Whether the file exists is show_file_in_folder's business; the line is written either way.
  EXPECT_EQ(desktop.shown_files, std::vector<std::string>{"D:\\软件\\二.exe"});
  EXPECT_EQ(log.entries(), std::vector<std::string>{"     弹窗拦截定位文件 D:\\软件\\二.exe"});
}

TEST(PopupMenu, ItemsInTheSpecsOrderWithTheirCommands) {
  std::vector<std::string> texts;
  for (const popup_menu::Item& item : popup_menu::kItems) {
    texts.push_back(item.text ? item.text : "-");
    EXPECT_EQ(item.command == 0, item.text == nullptr);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"添加规则", "修改规则", "删除规则", "清空规则", "-", "定位文件", "-",
                                             "开始拦截", "停止拦截"}));
  EXPECT_EQ(popup_menu::kAddRule, ids::kCmdPopupMenuBase);
  EXPECT_EQ(popup_menu::kStopBlocking, ids::kCmdPopupMenuBase + 6);
  EXPECT_LT(popup_menu::kStopBlocking, ids::kCmdProcessMenuBase);
}

}  // namespace
}  // namespace qvk
