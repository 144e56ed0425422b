#include "process/process_commands.h"

#include "process/process_ops.h"
#include "process/termination_pass.h"

namespace qvk {

void start_process_monitor(AppContext& context, MonitorTimer& timer, unsigned period_ms) {
  context.state.ProcessMonitorState = kProcessMonitorOn;
  timer.set_period(period_ms);
  log_action(context.log, "     监控进程 开启");
}

void stop_process_monitor(AppContext& context) {
  context.state.ProcessMonitorState = kProcessMonitorOff;
  log_action(context.log, "     监控进程 关闭");
}

void end_selected_main_program(AppContext& context) {
  const ProcessRule* rule = context.lists.process.selected();
  const std::string name = rule ? rule->进程名称 : std::string();
  log_action(context.log, "     主动结束进程 ", name);
  terminate_process_by_name(context.desktop, name);
}

void show_selected_rule_file(AppContext& context) {
  const ProcessRule* rule = context.lists.process.selected();
  const std::string path = rule ? rule->文件路径 : std::string();
  context.desktop.show_file_in_folder(path);
  log_action(context.log, "     进程监控定位文件 ", path);
}

void show_leftover_file(AppContext& context, const LeftoverRow* row) {
  const std::string path = row ? row->文件路径 : std::string();
  if (path == kLeftoverNotRunning) return;
  context.desktop.show_file_in_folder(path);
  log_action(context.log, "     进程监控定位文件 ", path);
}

}  // namespace qvk
