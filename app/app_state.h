// The one program-wide record. Every member is a text: settings are "真"/"假" (only "假" is
// off), monitor states are fixed texts, counters and ids are decimal texts.
#pragma once

#include <string>

namespace qvk {

struct PopupRuleSnapshot {
  std::string title, class_name, size, source, action;
};

struct ProcessRuleSnapshot {
  std::string main_title, process_name, path, rule_text;
};

struct AppState {
  std::string DataRoot;

  std::string TrayOnCloseSetting;       // 托盘事件
  std::string PopupAutoStartSetting;    // 弹窗拦截
  std::string ProcessAutoStartSetting;  // 进程终结
  std::string ElevateSetting;           // 强力拦截
  std::string ForceCloseSetting;        // 强制关闭

  std::string PopupMonitorState;    // "拦截中" / "未开启"
  std::string ProcessMonitorState;  // "监控中" / "未监控"
  std::string BlockedCount;
  std::string TerminatedCount;

  std::string EditorMode;      // "添加" / "修改"
  std::string OpenedFromTray;  // "真" or empty
  std::string TrayExplorerIdText;
  PopupRuleSnapshot PopupEditSnapshot;
  ProcessRuleSnapshot ProcessEditSnapshot;
  std::string EditorExplorerIdText;
  std::string CapturedProcessIdText;
};

// Only the exact text "假" turns a setting off; empty, missing or any other text is on.
inline bool setting_is_on(const std::string& value) { return value != "假"; }

}  // namespace qvk
