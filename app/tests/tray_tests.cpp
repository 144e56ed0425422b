#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/tray.h"
#include "platform/fake_desktop.h"

namespace qvk {
namespace {

class RecordingActions : public TrayRefreshActions {
 public:
  std::vector<std::string> done;
  void remove_main_icon() override { done.push_back("remove"); }
  void set_main_icon() override { done.push_back("set"); }
  void sweep_stale_icons(bool use_overflow) override { done.push_back(use_overflow ? "sweep overflow" : "sweep"); }
};

const std::vector<std::string> kPutBack = {"remove", "set", "sweep"};

TEST(TrayRefresh, PutsTheIconBackOnlyWhenExplorersIdChanges) {
  FakeDesktop desktop;
  desktop.add_process(4, "wininit.exe");
  desktop.add_process(7, "Explorer.EXE");
  desktop.add_process(9, "explorer.exe");
  AppState state;
  RecordingActions actions;

  // The first refresh always puts the icon in: nothing has been seen yet.
  refresh_tray_icon(state, desktop, actions);
  EXPECT_EQ(actions.done, kPutBack);
  EXPECT_EQ(state.TrayExplorerIdText, "7");

  actions.done.clear();
  refresh_tray_icon(state, desktop, actions);
  EXPECT_TRUE(actions.done.empty());

  // Explorer restarted: the first one of that name is another process now.
  desktop.processes.erase(desktop.processes.begin() + 1);
  refresh_tray_icon(state, desktop, actions);
  EXPECT_EQ(actions.done, kPutBack);
  EXPECT_EQ(state.TrayExplorerIdText, "9");
}

TEST(TrayRefresh, NoExplorerCountsAsIdZero) {
  const struct {
    const char* name;
    std::string seen_before;
    std::vector<std::string> expected;
  } cases[] = {
      {"first refresh", "", kPutBack},
      {"Explorer has just ended", "12", kPutBack},
      {"still no Explorer", "0", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    desktop.add_process(4, "explorer.exe.bak");
    AppState state;
    state.TrayExplorerIdText = c.seen_before;
    RecordingActions actions;
    refresh_tray_icon(state, desktop, actions);
    EXPECT_EQ(actions.done, c.expected);
    EXPECT_EQ(state.TrayExplorerIdText, "0");
  }
}

TEST(TrayEventType, MouseMessagesOfTheCallback) {
  const struct {
    unsigned message;
    TrayEvent type;
  } cases[] = {
      {514, TrayEvent::LeftClick},   // WM_LBUTTONUP
      {515, TrayEvent::DoubleClick}, // WM_LBUTTONDBLCLK
      {517, TrayEvent::Menu},        // WM_RBUTTONUP
      {123, TrayEvent::Menu},        // WM_CONTEXTMENU
      {513, TrayEvent::None},        // WM_LBUTTONDOWN
      {516, TrayEvent::None},        // WM_RBUTTONDOWN
      {512, TrayEvent::None},        // WM_MOUSEMOVE
      {518, TrayEvent::None},        // WM_RBUTTONDBLCLK
      {0, TrayEvent::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(static_cast<int>(tray_event_type(c.message)), static_cast<int>(c.type));
  }
  EXPECT_EQ(static_cast<int>(TrayEvent::LeftClick), 1);
  EXPECT_EQ(static_cast<int>(TrayEvent::DoubleClick), 2);
  EXPECT_EQ(static_cast<int>(TrayEvent::Menu), 3);
}

TEST(TrayCentring, MiddleOfTheScreenByIntegerDivisionUnlessAlreadyThere) {
  const struct {
    const char* name;
    long screen_w, screen_h, window_w, window_h;
    Point current;
    std::optional<Point> expected;
  } cases[] = {
      {"main window at its first place", 1280, 1024, 1070, 570, {50, 50}, Point{105, 227}},
      {"already centred", 1280, 1024, 1070, 570, {105, 227}, std::nullopt},
      {"one coordinate off", 1280, 1024, 1070, 570, {105, 228}, Point{105, 227}},
      {"odd differences round down", 1025, 769, 100, 100, {0, 0}, Point{462, 334}},
      {"window wider than the screen", 800, 600, 1070, 570, {0, 0}, Point{-135, 15}},
      {"odd negative difference goes towards zero", 801, 600, 1070, 570, {0, 0}, Point{-134, 15}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(centred_place(c.screen_w, c.screen_h, c.window_w, c.window_h, c.current), c.expected);
  }
}

TEST(TraySweep, HoversEverySecondPixelRowByRowFromTheTop) {
  std::vector<Point> points;
  for_each_sweep_point(5, 6, [&](Point p) { points.push_back(p); });
  const std::vector<Point> expected = {{2, 2}, {4, 2}, {2, 4}, {4, 4}, {2, 6}, {4, 6}};
  EXPECT_EQ(points, expected);

  // No toolbar (empty client area) and areas thinner than two pixels: nothing is sent.
  for (auto [w, h] : {std::pair{0L, 0L}, {1L, 40L}, {40L, 1L}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    int visits = 0;
    for_each_sweep_point(w, h, [&](Point) { ++visits; });
    EXPECT_EQ(visits, 0);
  }
}

TEST(TrayMenu, ItemsInOrderWithDistinctCommandsInTheTrayRange) {
  std::vector<std::string> texts;
  std::set<int> commands;
  for (const MenuItem& item : tray_menu::kItems) {
    texts.push_back(item.text ? item.text : "-");
    if (item.command == 0) {
      EXPECT_EQ(item.text, nullptr);
      continue;
    }
    EXPECT_GE(item.command, ids::kCmdTrayMenuBase);
    EXPECT_LT(item.command, ids::kCmdTrayMenuBase + 100);
    commands.insert(item.command);
  }
  const std::vector<std::string> expected = {"拦截弹窗-添加", "残留进程-添加", "-", "暂停拦截-弹窗", "继续拦截-弹窗",
                                             "-", "暂停监控-进程", "继续监控-进程", "-", "退出岚窗精灵"};
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(commands.size(), 7u);
  EXPECT_EQ(tray_menu::kItems.back().command, tray_menu::kExit);
  EXPECT_EQ(tray_menu::kItems[7].command, tray_menu::kStartProcessMonitor);
  EXPECT_EQ(tray_menu::kItems[3].command, tray_menu::kPausePopupMonitor);
}

TEST(TrayIconRecord, CallbackIdAndTip) {
  EXPECT_EQ(kTrayCallbackMessage, 32868u);
  EXPECT_EQ(kTrayIconId, 100u);
  EXPECT_EQ(std::string(kTrayTip), "\xE1\xB0\xB4\xB0\xBE\xAB\xC1\xE9");  // 岚窗精灵 in code page 936
}

}  // namespace
}  // namespace qvk
