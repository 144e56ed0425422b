#include "process/process_monitor_win32.h"

#include <windows.h>

#include <optional>
#include <span>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "process/process_commands.h"
#include "process/process_menus.h"
#include "process/termination_pass.h"

namespace qvk {
namespace {

// `leftover` is the 程序终结列表 row the command is for: the row selected when its menu opened.
void run_command(MainWindow& window, ProcessListHooks& hooks, int command, const LeftoverRow* leftover) {
  AppContext context = window.context();
  auto call = [](const std::function<void()>& hook) {
    if (hook) hook();
  };
  auto open_editor = [&hooks](const char* mode) {
    if (hooks.open_process_rule_editor) hooks.open_process_rule_editor(mode);
  };
  MonitorTimer& timer = window.timer(ids::kProcessMonitorTimer);
  switch (command) {
    case ids::kCmdAddProcessRule: open_editor("添加"); break;
    case ids::kCmdChangeProcessRule: open_editor("修改"); break;
    case ids::kCmdDeleteProcessRule: call(hooks.delete_selected_rule); break;
    case ids::kCmdClearProcessRules: call(hooks.clear_rules); break;
    case ids::kCmdEndMainProgram: end_selected_main_program(context); break;
    case ids::kCmdOpenRulePath: show_selected_rule_file(context); break;
    case ids::kCmdStartProcessMonitor: start_process_monitor(context, timer, kProcessMonitorPeriodMs); break;
    case ids::kCmdStopProcessMonitor: stop_process_monitor(context); break;
    case ids::kCmdOpenProcessMonitor: start_process_monitor(context, timer, kProcessMonitorQuickPeriodMs); break;
    case ids::kCmdCloseProcessMonitor: stop_process_monitor(context); break;
    case ids::kCmdLocateLeftoverFile: show_leftover_file(context, leftover); break;
    default: break;
  }
}

}  // namespace

void install_process_monitor(MainWindow& window, ProcessListHooks& hooks) {
  ProcessTerminationPass pass(window.context());
  window.on_timer(ids::kProcessMonitorTimer, pass);
  window.termination_pass_step = pass;

  // Commands that arrive as WM_COMMAND act on the rows selected at that moment.
  auto add_commands = [&](std::span<const MenuItem> items) {
    for (const MenuItem& item : items) {
      if (item.command == 0) continue;
      window.on_command(item.command, [&window, &hooks, command = item.command] {
        run_command(window, hooks, command, window.context().lists.leftover.selected());
      });
    }
  };
  add_commands(k进程管理菜单);
  add_commands(k残留进程菜单);

  window.on_list_event(ids::kProcessList, ListEvent::RightClick, [&window, &hooks](int) {
    if (int command = track_context_menu(window.handle(), k进程管理菜单)) run_command(window, hooks, command, nullptr);
  });
  window.on_list_event(ids::kLeftoverList, ListEvent::RightClick, [&window, &hooks](int) {
    // The pass rebuilds 程序终结列表 on every tick, also while the menu is open, and the
    // rebuild drops the selection: the command acts on the row the menu was opened for.
    std::optional<LeftoverRow> row;
    if (const LeftoverRow* selected = window.context().lists.leftover.selected()) row = *selected;
    if (int command = track_context_menu(window.handle(), k残留进程菜单)) {
      run_command(window, hooks, command, row ? &*row : nullptr);
    }
  });
  window.on_list_event(ids::kProcessList, ListEvent::DoubleClick, [&window, &hooks](int) {
    if (window.context().lists.process.selected() && hooks.open_process_rule_editor) {
      hooks.open_process_rule_editor("修改");
    }
  });
}

}  // namespace qvk
