// The process lists on the main window: the pass on every tick of 软件进程监控 and at start-up,
// the context menus 进程管理菜单 and 残留进程菜单, and the double-click on 进程列表.
#pragma once

#include <functional>
#include <string>

namespace qvk {

class MainWindow;

// What the process lists hand over to other subsystems. An unset hook leaves its item doing
// nothing.
struct ProcessListHooks {
  std::function<void()> delete_selected_rule;  // "删除选中": the rule store's flow for 进程列表
  std::function<void()> clear_rules;           // "清空列表": the rule store's flow for 进程列表
  // The process rule editor: "添加" for "添加数据", "修改" for "修改信息" and the double-click.
  std::function<void(const std::string& mode)> open_process_rule_editor;
};

// `hooks` must outlive the main window's message loop; its members may be set later.
void install_process_monitor(MainWindow& window, ProcessListHooks& hooks);

}  // namespace qvk
