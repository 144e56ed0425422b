// The commands around the two process lists: the process monitor's start and stop, ending a
// rule's main program by hand, and showing a rule's or a leftover process's file in its folder.
// None of them shows a message or rewrites the status bar; each leaves its log line.
#pragma once

#include "app/app_context.h"

namespace qvk {

// The periods of 软件进程监控: "开始监控" and the start-up; "打开监控" and the tray's "继续监控-进程".
inline constexpr unsigned kProcessMonitorPeriodMs = 3000;
inline constexpr unsigned kProcessMonitorQuickPeriodMs = 1000;

// Sets "监控中" and the timer's period, and logs; a running monitor is started again.
void start_process_monitor(AppContext& context, MonitorTimer& timer, unsigned period_ms);
// Sets "未监控" and logs. The timer keeps ticking, so 程序终结列表 stays current while nothing is
// ended.
void stop_process_monitor(AppContext& context);

// "结束进程": logs the selected rule's main-program name (empty with no row selected), then ends
// the first process of that name, without asking and without showing the result.
void end_selected_main_program(AppContext& context);
// "打开路径": shows the selected rule's file in its folder and logs the path, opened or not.
void show_selected_rule_file(AppContext& context);
// "文件定位" on a leftover row: nothing at all when the row's process does not run; otherwise
// shows the file in its folder and logs the path.
void show_leftover_file(AppContext& context, const LeftoverRow* row);

}  // namespace qvk
