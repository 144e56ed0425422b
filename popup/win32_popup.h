// The Win32 side of pop-up blocking: the window operations of the pass, and the pop-up monitor
// hooked into the main window (timer 弹窗拦截监控, menu 弹出拦截菜单, clicks on 弹窗拦截列表).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "app/main_window.h"
#include "popup/popup_pass.h"

namespace qvk {

// The forced close: a new invisible "#32770" window (no extended style, empty title,
// style 0, place and size 0, no parent, menu, instance or creation data) becomes the window's
// parent and is destroyed, taking the window with it. Also used by the pop-up rule editor's test.
void force_close_window(HWND window);

class Win32PopupWindows : public PopupWindows {
 public:
  WindowHandle find_window(const std::optional<std::string>& class_name,
                           const std::optional<std::string>& title) override;
  void force_close_window(WindowHandle window) override;
};

// What the menu items and the double-click hand to other subsystems. main.cpp connects them;
// an empty hook does nothing.
struct PopupMenuHooks {
  std::function<void()> add_rule;     // 添加规则: the pop-up rule editor, adding
  std::function<void()> edit_rule;    // 修改规则 and a double-click on a row: the editor on the
                                      // selected row
  std::function<void()> delete_rule;  // 删除规则: RuleStore::delete_selected_rule(RuleList::Popup)
  std::function<void()> clear_rules;  // 清空规则: RuleStore::clear_rules(RuleList::Popup)
};

class PopupMonitor {
 public:
  explicit PopupMonitor(MainWindow& window);
  PopupMonitor(const PopupMonitor&) = delete;
  PopupMonitor& operator=(const PopupMonitor&) = delete;

  // The monitor's commands: start/stop from the list menu and start-up (settings), pause/resume
  // from the tray menu.
  void start();
  void stop();
  void pause();
  void resume();
  void locate_rule_file();
  // One tick of 弹窗拦截监控.
  void run_pass();
  // 弹出拦截菜单 at the mouse position.
  void show_menu();

  PopupMenuHooks hooks;

 private:
  MainWindow& window_;
  AppContext context_;
  Win32PopupWindows windows_;
};

// Creates the pop-up monitor and registers its handlers with the main window, which must exist
// already (its timer is made here). The monitor stays stopped until a command starts it.
std::unique_ptr<PopupMonitor> install_popup_monitor(MainWindow& window);

}  // namespace qvk
