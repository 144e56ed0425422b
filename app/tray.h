// The notification-area icon of the main window: when the icon is put back, what a mouse
// event on it means, where the window goes when the icon shows it, and the items of 托盘菜单.
// The Win32 side is app/win32_tray.h.
#pragma once

#include <array>
#include <functional>
#include <optional>

#include "app/app_state.h"
#include "app/context_menu.h"
#include "app/control_ids.h"
#include "platform/desktop.h"

namespace qvk {

inline constexpr unsigned kTrayIconId = 100;
// WM_APP + 100: the icon's callback to the main window.
inline constexpr unsigned kTrayCallbackMessage = 0x8000 + 100;
inline constexpr const char kTrayTip[] = "岚窗精灵";
inline constexpr unsigned kTrayRefreshPeriodMs = 1000;

// What one refresh may do to the notification area.
class TrayRefreshActions {
 public:
  virtual ~TrayRefreshActions() = default;
  virtual void remove_main_icon() = 0;
  virtual void set_main_icon() = 0;
  virtual void sweep_stale_icons(bool use_overflow) = 0;
};

// One tick of 刷新检测图标 (and start-up step 4). A restarted Explorer has forgotten every icon,
// and its new process id is the only sign of that we watch for: the icon is put back exactly
// when the id differs from the one seen last, which is always so at the first call.
void refresh_tray_icon(AppState& state, Desktop& desktop, TrayRefreshActions& actions);

enum class TrayEvent { None = 0, LeftClick = 1, DoubleClick = 2, Menu = 3 };

// The mouse message carried by the icon's callback, as an event.
TrayEvent tray_event_type(unsigned mouse_message);

struct Point {
  long x = 0;
  long y = 0;
  bool operator==(const Point&) const = default;
};

// The top-left corner that centres a window of the given size on the screen, or nothing when
// the window sits there already (so that it is not moved at all).
std::optional<Point> centred_place(long screen_width, long screen_height, long window_width,
                                   long window_height, Point current);

// The points the stale-icon sweep hovers over, rows from the top: every second pixel of the
// toolbar's client area, starting at (2, 2). An empty area (no toolbar) gives none.
void for_each_sweep_point(long client_width, long client_height, const std::function<void(Point)>& visit);

namespace tray_menu {

enum Command : int {
  kAddPopupRule = ids::kCmdTrayMenuBase,  // 拦截弹窗-添加: the pop-up rule editor, from the tray
  kAddProcessRule,                        // 残留进程-添加: the process rule editor, from the tray
  kPausePopupMonitor,                     // 暂停拦截-弹窗
  kResumePopupMonitor,                    // 继续拦截-弹窗
  kStopProcessMonitor,                    // 暂停监控-进程
  kStartProcessMonitor,                   // 继续监控-进程: 1000 ms
  kExit,                                  // 退出岚窗精灵
};

inline constexpr std::array<MenuItem, 10> kItems = {{
    {kAddPopupRule, "拦截弹窗-添加"},
    {kAddProcessRule, "残留进程-添加"},
    {0, nullptr},
    {kPausePopupMonitor, "暂停拦截-弹窗"},
    {kResumePopupMonitor, "继续拦截-弹窗"},
    {0, nullptr},
    {kStopProcessMonitor, "暂停监控-进程"},
    {kStartProcessMonitor, "继续监控-进程"},
    {0, nullptr},
    {kExit, "退出岚窗精灵"},
}};

}  // namespace tray_menu

}  // namespace qvk
