// The pop-up monitor control: the timer 弹窗拦截监控 on and off, its state text, and
// the list menu 弹出拦截菜单 of 弹窗拦截列表.
#pragma once

#include <array>

#include "app/app_context.h"
#include "app/control_ids.h"

#include "app/context_menu.h"

namespace qvk {

inline constexpr unsigned kPopupMonitorStartPeriodMs = 2000;   // 开始拦截, start-up
inline constexpr unsigned kPopupMonitorResumePeriodMs = 1000;  // 继续拦截-弹窗 (tray)
inline constexpr char kPopupMonitorRunning[] = "拦截中";
inline constexpr char kPopupMonitorStopped[] = "未开启";
inline constexpr char kPopupMonitorOnLogAction[] = "     弹窗拦截 开启";
inline constexpr char kPopupMonitorOffLogAction[] = "     弹窗拦截 关闭";
inline constexpr char kLocateRuleFileLogAction[] = "     弹窗拦截定位文件 ";

// Each sets the period, then the state text, then appends its log line; start and stop also
// rewrite the status bar. None looks at the current state: a repeated command logs again, and
// setting the period the timer already has does not restart it (MonitorTimer).
void start_popup_monitor(AppContext& context, MonitorTimer& timer);
void stop_popup_monitor(AppContext& context, MonitorTimer& timer);
void pause_popup_monitor(AppContext& context, MonitorTimer& timer);
void resume_popup_monitor(AppContext& context, MonitorTimer& timer);

// Column 6 (弹窗来源) of the selected row, empty with no row selected, shown in Explorer when it
// exists; the log line is written in every case.
void locate_rule_file(AppContext& context);

// 弹出拦截菜单: its command ids (WM_COMMAND, also posted by the Wine tests) and items in order.
namespace popup_menu {

enum Command : int {
  kAddRule = ids::kCmdPopupMenuBase,  // 添加规则: the pop-up rule editor
  kEditRule,                          // 修改规则: the editor on the selected row
  kDeleteRule,                        // 删除规则: the rule store's delete_selected_rule
  kClearRules,                        // 清空规则: the rule store's clear_rules
  kLocateFile,                        // 定位文件: locate_rule_file
  kStartBlocking,                     // 开始拦截: start_popup_monitor
  kStopBlocking,                      // 停止拦截: stop_popup_monitor
};

using Item = MenuItem;

inline constexpr std::array<Item, 9> kItems = {{
    {kAddRule, "添加规则"},
    {kEditRule, "修改规则"},
    {kDeleteRule, "删除规则"},
    {kClearRules, "清空规则"},
    {0, nullptr},
    {kLocateFile, "定位文件"},
    {0, nullptr},
    {kStartBlocking, "开始拦截"},
    {kStopBlocking, "停止拦截"},
}};

}  // namespace popup_menu

}  // namespace qvk
