// The notification-area icon as a user meets it: real clicks on the icon in the virtual
// desktop's taskbar, 托盘菜单 and its commands (posted by id: another process's Wine menu cannot
// be opened from outside). Wine's notification area has no toolbar windows, so the stale-icon
// sweep finds nothing to hover here; its arithmetic is tested natively.
#include "driver.h"

#include <functional>

#include "app/control_ids.h"
#include "app/tray.h"

namespace qvk::wine {
namespace {

// The first icon of the notification area, at the right end of the 1280x1024 desktop's taskbar.
constexpr POINT kFirstIcon = {1270, 1014};
// Where a 1070x570 main window sits when centred on that desktop.
constexpr POINT kCentred = {105, 227};

std::vector<HWND> visible_menus(DWORD pid) {
  std::vector<HWND> menus = top_windows("#32768", nullptr, pid);
  std::erase_if(menus, [](HWND menu) { return !IsWindowVisible(menu); });
  return menus;
}

bool sits_centred(HWND main) {
  const RECT rect = window_rect(main);
  return rect.left == kCentred.x && rect.top == kCentred.y && rect.right - rect.left == 1070 &&
         rect.bottom - rect.top == 570;
}

// Wine shows the taskbar once an icon is in its notification area. After the first start in a
// prefix it appears a moment later, and until then the desktop still rearranges the windows.
bool taskbar_shown() {
  HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
  return taskbar && IsWindowVisible(taskbar);
}

class TrayIcon : public WineTest {
 protected:
  void SetUp() override {
    WineTest::SetUp();
    start();
  }
  void start() {
    qvk_ = start_qvk();
    ASSERT_NE(qvk_.main, nullptr);
    ASSERT_TRUE(wait_until(taskbar_shown)) << "no icon in the notification area";
  }

  std::string popup_state() { return status_bar_texts(find_control(qvk_.main, ids::kStatusBar)).at(0); }

  Qvk qvk_;
};

// A left click shows the window in the middle of the screen, whatever state it was left in.
TEST_F(TrayIcon, LeftClickShowsTheMainWindowCentred) {
  const struct {
    const char* name;
    std::function<void(HWND)> leave;
    std::function<bool(HWND)> left;
  } cases[] = {
      {"hidden by the close button", [](HWND main) { post_close(main); },
       [](HWND main) { return !IsWindowVisible(main); }},
      {"minimised", [](HWND main) { ShowWindowAsync(main, SW_MINIMIZE); },
       [](HWND main) { return IsIconic(main) != FALSE; }},
      {"shown at its first place", [](HWND) {},
       [](HWND main) { return IsWindowVisible(main) && !IsIconic(main); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (&c != &cases[0]) {
      reset_state();
        start();
    }
    c.leave(qvk_.main);
    ASSERT_TRUE(wait_until([&] { return c.left(qvk_.main); }));
    ASSERT_TRUE(wait_idle(qvk_.process, qvk_.main));
    EXPECT_FALSE(sits_centred(qvk_.main));
    mouse_click(kFirstIcon);
    EXPECT_TRUE(wait_until([&] {
      return IsWindowVisible(qvk_.main) && !IsIconic(qvk_.main) && sits_centred(qvk_.main);
    })) << "visible: " << IsWindowVisible(qvk_.main) << ", minimised: " << IsIconic(qvk_.main)
        << ", at " << window_rect(qvk_.main).left << "," << window_rect(qvk_.main).top;
    EXPECT_TRUE(qvk_.process.running());
  }
}

TEST_F(TrayIcon, RightClickShowsTheMenuLeftOfTheMouse) {
  mouse_click(kFirstIcon, 3);
  std::vector<HWND> menus;
  ASSERT_TRUE(wait_until([&] { return !(menus = visible_menus(qvk_.process.pid())).empty(); }))
      << "no menu of qvk.exe";
  const RECT menu = window_rect(menus.front());
  // Right-aligned 5 pixels left of the mouse (and pushed up above the taskbar by the system).
  EXPECT_LE(menu.right, kFirstIcon.x - 5 + 1) << menu.right;
  EXPECT_GT(menu.right, kFirstIcon.x - 40) << menu.right;
  // A click elsewhere closes it without a choice; the program runs on.
  mouse_click({640, 500});
  EXPECT_TRUE(wait_until([&] { return visible_menus(qvk_.process.pid()).empty(); }));
  EXPECT_TRUE(wait_idle(qvk_.process, qvk_.main));
  EXPECT_TRUE(qvk_.process.running());
}

TEST_F(TrayIcon, ExitEndsTheProgramWithCodeZero) {
  post_close(qvk_.main);  // hidden in the notification area, as the item is meant to be used
  ASSERT_TRUE(wait_until([&] { return !IsWindowVisible(qvk_.main); }));
  post_command(qvk_.main, tray_menu::kExit);
  EXPECT_EQ(qvk_.process.wait_exit(), std::optional<DWORD>(0));
}

// The monitor items log like the list menus' commands; the tray's pause does not rewrite the
// status bar, which shows the state of the last refresh until something else refreshes it.
TEST_F(TrayIcon, MonitorItemsLogTheirCommands) {
  const std::string popup_shown = popup_state();
  EXPECT_EQ(popup_shown, "弹窗拦截：拦截中");
  const struct {
    int command;
    const char* entry;
  } steps[] = {
      {tray_menu::kPausePopupMonitor, "     弹窗拦截 关闭"},
      {tray_menu::kResumePopupMonitor, "     弹窗拦截 开启"},
      {tray_menu::kStopProcessMonitor, "     监控进程 关闭"},
      {tray_menu::kStartProcessMonitor, "     监控进程 开启"},
      {tray_menu::kPausePopupMonitor, "     弹窗拦截 关闭"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.entry);
    const size_t before = log_entries(qvk_.main).size();
    post_command(qvk_.main, step.command);
    EXPECT_TRUE(wait_until([&] {
      auto entries = log_entries(qvk_.main);
      return entries.size() == before + 1 && entries.back() == step.entry;
    })) << joined(log_entries(qvk_.main));
  }
  EXPECT_EQ(popup_state(), popup_shown);
  EXPECT_TRUE(qvk_.process.running());
}

// The rule editors are not built yet: their items do nothing at all.
TEST_F(TrayIcon, EditorItemsDoNothingYet) {
  const size_t lines = log_entries(qvk_.main).size();
  const size_t windows = top_windows(nullptr, nullptr, qvk_.process.pid()).size();
  post_command(qvk_.main, tray_menu::kAddPopupRule);
  post_command(qvk_.main, tray_menu::kAddProcessRule);
  EXPECT_TRUE(wait_idle(qvk_.process, qvk_.main));
  EXPECT_EQ(log_entries(qvk_.main).size(), lines);
  EXPECT_EQ(top_windows(nullptr, nullptr, qvk_.process.pid()).size(), windows);
  EXPECT_TRUE(IsWindowVisible(qvk_.main));
}

}  // namespace
}  // namespace qvk::wine
