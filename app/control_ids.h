// Control and command ids of the main window. Every control is a child of the main window,
// shown while its page of the tab control is selected. The Wine tests locate controls by these ids
// (GetDlgCtrlID over the window tree) and post menu commands by them, so they are stable.
#pragma once

namespace qvk::ids {

// Main window class (the title is "QVK 岚窗精灵 1.2.2").
inline constexpr const char kMainWindowClass[] = "QvkMainWindow";

enum Control : int {
  kTab = 1000,          // 选择夹1
  kStatusBar = 1001,    // 状态条1

  kPopupList = 1200,    // 弹窗拦截列表
  kProcessList = 1201,  // 进程列表
  kLeftoverList = 1202, // 程序终结列表
  kLogBox = 1203,       // 监控记录
  kChangeLog = 1204,    // 更新日志
  kIntroBox = 1205,     // 编辑框1
  kTutorialButton1 = 1206,  // 按钮1
  kTutorialButton2 = 1207,  // 按钮2

  kAutostartBox = 1300,     // 是否自启
  kTrayOnCloseBox = 1301,   // 是否到托盘
  kPopupAutoBox = 1302,     // 弹窗拦截_选择框
  kProcessAutoBox = 1303,   // 进程终结_选择框
  kForceCloseBox = 1304,    // 强制关闭_选择框
  kElevateBox = 1305,       // 强力拦截_选择框
  kSettingLabelBase = 1310, // the four labels of the settings page, 1310..1313
};

// Timers of the main window.
enum Timer : unsigned {
  kPopupMonitorTimer = 1,   // 弹窗拦截监控
  kProcessMonitorTimer = 2, // 软件进程监控
  kTrayRefreshTimer = 3,    // 刷新检测图标
};

// Menu commands (WM_COMMAND ids); menus are built by the subsystems that own them.
enum Command : int {
  kCmdPopupMenuBase = 40100,    // 弹出拦截菜单 items
  kCmdProcessMenuBase = 40200,  // 进程管理菜单 items
  kCmdLeftoverMenuBase = 40300, // 残留进程菜单 items
  kCmdTrayMenuBase = 40400,     // 托盘菜单 items
};

}  // namespace qvk::ids
