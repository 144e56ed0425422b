#include "popup/popup_monitor.h"

#include <string>

#include "app/monitor_log.h"

namespace qvk {
namespace {

void set_monitor(AppContext& context, MonitorTimer& timer, unsigned period_ms, const char* state,
                 const char* log_action_text, bool refresh) {
  timer.set_period(period_ms);
  context.state.PopupMonitorState = state;
  log_action(context.log, log_action_text);
  if (refresh && context.refresh_status_bar) context.refresh_status_bar();
}

}  // namespace

void start_popup_monitor(AppContext& context, MonitorTimer& timer) {
  set_monitor(context, timer, kPopupMonitorStartPeriodMs, kPopupMonitorRunning, kPopupMonitorOnLogAction, true);
}

void stop_popup_monitor(AppContext& context, MonitorTimer& timer) {
  set_monitor(context, timer, 0, kPopupMonitorStopped, kPopupMonitorOffLogAction, true);
}

void pause_popup_monitor(AppContext& context, MonitorTimer& timer) {
  set_monitor(context, timer, 0, kPopupMonitorStopped, kPopupMonitorOffLogAction, false);
}

void resume_popup_monitor(AppContext& context, MonitorTimer& timer) {
  set_monitor(context, timer, kPopupMonitorResumePeriodMs, kPopupMonitorRunning, kPopupMonitorOnLogAction, false);
}

void locate_rule_file(AppContext& context) {
  const PopupRule* selected = context.lists.popup.selected();
  const std::string path = selected ? selected->弹窗来源 : std::string();
  context.desktop.show_file_in_folder(path);
  log_action(context.log, kLocateRuleFileLogAction, path);
}

}  // namespace qvk
