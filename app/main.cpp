#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>

#include "app/app_state.h"
#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/win32_settings.h"
#include "app/win32_tray.h"
#include "app/start_up.h"
#include "platform/win32_desktop.h"
#include "popup/win32_popup.h"
#include "process/process_commands.h"
#include "process/process_monitor_win32.h"
#include "store/win32_rule_store.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  qvk::AppState state;
  qvk::Win32Desktop desktop;
  qvk::RuleLists lists;
  // Any argument after the program path starts the program hidden; its text is not examined.
  qvk::MainWindow main_window(state, desktop, lists, __argc > 1);
  if (!main_window.create(instance)) return 0;
  qvk::Win32Settings settings(main_window);
  qvk::Win32RuleStore rule_store(main_window);
  // Pop-up blocking: the timer's pass, 弹出拦截菜单, clicks on 弹窗拦截列表. The
  // monitor stays stopped until start-up's settings step or a menu command starts it.
  auto popup_monitor = qvk::install_popup_monitor(main_window);
  popup_monitor->hooks.delete_rule = [&rule_store] { rule_store.store().delete_selected_rule(qvk::RuleList::Popup); };
  popup_monitor->hooks.clear_rules = [&rule_store] { rule_store.store().clear_rules(qvk::RuleList::Popup); };
  // hooks.add_rule / hooks.edit_rule: the pop-up rule editor, not built yet.
  // Leftover processes: the pass on every tick of 软件进程监控 and at start-up, 进程管理菜单,
  // 残留进程菜单, the double-click on 进程列表.
  qvk::ProcessListHooks process_hooks;
  process_hooks.delete_selected_rule = [&rule_store] { rule_store.store().delete_selected_rule(qvk::RuleList::Process); };
  process_hooks.clear_rules = [&rule_store] { rule_store.store().clear_rules(qvk::RuleList::Process); };
  // process_hooks.open_process_rule_editor: the process rule editor, not built yet.
  qvk::install_process_monitor(main_window, process_hooks);
  // Start-up's settings step starts or stops both monitors by the saved settings.
  settings.settings().monitors() = {
      [&popup_monitor] { popup_monitor->start(); },
      [&popup_monitor] { popup_monitor->stop(); },
      [&main_window] {
        qvk::AppContext context = main_window.context();
        qvk::start_process_monitor(context, main_window.timer(qvk::ids::kProcessMonitorTimer),
                                   qvk::kProcessMonitorPeriodMs);
      },
      [&main_window] {
        qvk::AppContext context = main_window.context();
        qvk::stop_process_monitor(context);
      },
  };
  // The notification-area icon: start-up step 4 and 刷新检测图标 put it in, its clicks show the
  // main window or 托盘菜单.
  auto tray = qvk::install_tray_icon(main_window, instance);
  // hooks.add_popup_rule / hooks.add_process_rule: the rule editors, not built yet.
  tray->hooks.pause_popup_monitor = [&popup_monitor] { popup_monitor->pause(); };
  tray->hooks.resume_popup_monitor = [&popup_monitor] { popup_monitor->resume(); };
  tray->hooks.stop_process_monitor = [&main_window] {
    qvk::AppContext context = main_window.context();
    qvk::stop_process_monitor(context);
  };
  tray->hooks.start_process_monitor = [&main_window] {
    qvk::AppContext context = main_window.context();
    qvk::start_process_monitor(context, main_window.timer(qvk::ids::kProcessMonitorTimer),
                               qvk::kProcessMonitorQuickPeriodMs);
  };
  qvk::run_start_up(main_window);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  CoUninitialize();
  return 0;
}
