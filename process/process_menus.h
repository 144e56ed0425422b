// The context menus of the two process lists, with their command ids (the Wine tests post them).
#pragma once

#include <array>

#include "app/control_ids.h"

#include "app/context_menu.h"

namespace qvk {

namespace ids {
// 进程管理菜单, the menu of 进程列表.
enum ProcessMenuCommand : int {
  kCmdAddProcessRule = kCmdProcessMenuBase + 1,  // 添加数据
  kCmdChangeProcessRule,                         // 修改信息
  kCmdDeleteProcessRule,                         // 删除选中
  kCmdClearProcessRules,                         // 清空列表
  kCmdEndMainProgram,                            // 结束进程
  kCmdOpenRulePath,                              // 打开路径
  kCmdStartProcessMonitor,                       // 开始监控
  kCmdStopProcessMonitor,                        // 停止监控
};
// 残留进程菜单, the menu of 程序终结列表.
enum LeftoverMenuCommand : int {
  kCmdOpenProcessMonitor = kCmdLeftoverMenuBase + 1,  // 打开监控
  kCmdCloseProcessMonitor,                            // 关闭监控
  kCmdLocateLeftoverFile,                             // 文件定位
};
}  // namespace ids

inline constexpr std::array<MenuItem, 10> k进程管理菜单 = {{
    {ids::kCmdAddProcessRule, "添加数据"},
    {ids::kCmdChangeProcessRule, "修改信息"},
    {ids::kCmdDeleteProcessRule, "删除选中"},
    {ids::kCmdClearProcessRules, "清空列表"},
    {0, nullptr},
    {ids::kCmdEndMainProgram, "结束进程"},
    {ids::kCmdOpenRulePath, "打开路径"},
    {0, nullptr},
    {ids::kCmdStartProcessMonitor, "开始监控"},
    {ids::kCmdStopProcessMonitor, "停止监控"},
}};

inline constexpr std::array<MenuItem, 4> k残留进程菜单 = {{
    {ids::kCmdOpenProcessMonitor, "打开监控"},
    {ids::kCmdCloseProcessMonitor, "关闭监控"},
    {0, nullptr},
    {ids::kCmdLocateLeftoverFile, "文件定位"},
}};

}  // namespace qvk
