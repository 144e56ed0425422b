#include <gtest/gtest.h>

#include "app/monitor_log.h"
#include "app/status_bar.h"

namespace qvk {
namespace {

TEST(LogLine, PrefixTimeActionAndValue) {
  EXPECT_EQ(log_line("2018-01-14 11:02:00", "     拦截弹窗 ", "广告"), "\r\n\r\n 2018-01-14 11:02:00     拦截弹窗 广告");
  EXPECT_EQ(log_line("", "     弹窗拦截 开启"), "\r\n\r\n      弹窗拦截 开启");
}

TEST(LogCapacity, DropsWholeOldestEntries) {
  const std::string a = log_line("t1", "     one"), b = log_line("t2", "     two"), c = log_line("t3", "     three");
  const std::string log = a + b + c;
  struct Case {
    std::size_t incoming, capacity, expected;
  } cases[] = {
      {5, 1000, 0},                                  // fits: nothing dropped
      {1, log.size(), a.size()},                     // one byte too many: the oldest entry goes
      {a.size() + 1, log.size(), a.size() + b.size()},
      {log.size(), log.size() + 5, log.size()},      // room only for the new entry
      {5000, 1000, log.size()},                      // bigger than the box: everything goes
  };
  for (const Case& c : cases) {
    EXPECT_EQ(log_bytes_to_drop(log, c.incoming, c.capacity), c.expected) << c.incoming << "/" << c.capacity;
  }
}

TEST(StatusBar, LabelsValuesAndCounts) {
  AppState state;
  state.PopupMonitorState = "拦截中";
  state.BlockedCount = "12";
  state.ProcessMonitorState = "未监控";
  state.TerminatedCount = "3";
  auto texts = status_bar_texts(state, {4, 5, 6});
  const std::array<std::string, 7> expected = {"弹窗拦截：拦截中", "弹窗规则：4", "拦截数量：12", "进程监控：未监控",
                                               "程序列表：5",      "残留进程：6", "关闭次数：3"};
  EXPECT_EQ(texts, expected);
  // Before the first refresh the layout shows its own captions, which differ in two labels.
  EXPECT_EQ(status_bar_layout_captions()[1], "拦截规则：");
  EXPECT_EQ(status_bar_layout_captions()[4], "软件管理：");
}

}  // namespace
}  // namespace qvk
