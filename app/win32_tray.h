// The Win32 side of the tray icon: `TrayIcon`, the main window's notification icon, its
// refresh on 刷新检测图标, its mouse events and 托盘菜单.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>

#include "app/main_window.h"
#include "app/tray.h"

namespace qvk {

// One notification icon in the second record layout, and the toolbars of the notification
// area. The system only registers "TaskbarCreated" with it, removes and sweeps; adding an icon
// of its own, tips, balloons and the event routing are not needed and not built.
class TrayIcon {
 public:
  TrayIcon();
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // No window when a window early in the chain is missing (another shell, Wine, a Windows
  // without an overflow area).
  static HWND find_tray_toolbar();
  static HWND find_overflow_toolbar();
  bool remove_icon();
  // Hovers over every icon of the toolbar: the notification area drops the icons of processes
  // that have ended when the mouse passes over them.
  void sweep_stale_icons(bool use_overflow);
  UINT taskbar_created_message() const { return taskbar_created_; }

 private:
  UINT taskbar_created_;
  NOTIFYICONDATAA data_ = {};  // sent as NOTIFYICONDATAA_V2_SIZE bytes; empty: no icon added
};

// What the menu items hand to other subsystems; main.cpp connects them, an empty hook does
// nothing. 退出岚窗精灵 is the main window's own.
struct TrayMenuHooks {
  std::function<void()> add_popup_rule;      // 拦截弹窗-添加: the pop-up rule editor, from the tray
  std::function<void()> add_process_rule;    // 残留进程-添加: the process rule editor, from the tray
  std::function<void()> pause_popup_monitor;   // 暂停拦截-弹窗
  std::function<void()> resume_popup_monitor;  // 继续拦截-弹窗
  std::function<void()> stop_process_monitor;  // 暂停监控-进程
  std::function<void()> start_process_monitor; // 继续监控-进程
};

// The main window's icon in the notification area.
class MainTrayIcon {
 public:
  MainTrayIcon(MainWindow& window, HINSTANCE instance) : window_(window), instance_(instance) {}
  ~MainTrayIcon() { remove_icon(); }
  MainTrayIcon(const MainTrayIcon&) = delete;
  MainTrayIcon& operator=(const MainTrayIcon&) = delete;

  // A tick of 刷新检测图标 and start-up step 4.
  void refresh_tray_icon();
  void handle_tray_event(TrayEvent type);
  // Adds the icon, or changes it when the window has one already; the icon is owned from here on.
  bool set_icon(HICON icon, const char* tip);
  bool remove_icon();

  TrayMenuHooks hooks;

 private:
  void show_and_centre();
  void show_menu();
  NOTIFYICONDATAA record(UINT flags) const;

  MainWindow& window_;
  HINSTANCE instance_;
  HICON icon_ = nullptr;  // set while the window has an icon
};

// Creates the main window's tray icon and registers its refresh (start-up step and timer, which
// starts ticking here), its callback message, its menu commands and its removal on WM_DESTROY.
// The main window must exist already.
std::unique_ptr<MainTrayIcon> install_tray_icon(MainWindow& window, HINSTANCE instance);

}  // namespace qvk
