#include "app/status_bar.h"

namespace qvk {

std::array<std::string, kStatusBarParts> status_bar_texts(const AppState& state, const ListCounts& counts) {
  return {
      "弹窗拦截：" + state.PopupMonitorState,
      "弹窗规则：" + std::to_string(counts.popup_rules),
      "拦截数量：" + state.BlockedCount,
      "进程监控：" + state.ProcessMonitorState,
      "程序列表：" + std::to_string(counts.process_rules),
      "残留进程：" + std::to_string(counts.leftover_processes),
      "关闭次数：" + state.TerminatedCount,
  };
}

std::array<std::string, kStatusBarParts> status_bar_layout_captions() {
  return {"弹窗拦截：", "拦截规则：", "拦截数量：0", "进程监控：", "软件管理：", "残留进程：", "关闭次数：0"};
}

}  // namespace qvk
