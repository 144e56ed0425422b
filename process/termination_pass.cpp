#include "process/termination_pass.h"

#include "platform/text.h"
#include "process/process_ops.h"
#include "process/rule_text.h"

namespace qvk {

const std::vector<ProcessEntry>& PassSnapshot::processes() {
  if (!taken_) {
    taken_ = true;
    // A failed snapshot counts as no process of any name for the rest of the pass.
    if (auto snapshot = desktop_.process_snapshot()) processes_ = std::move(*snapshot);
  }
  return processes_;
}

ProcessId PassSnapshot::find(const std::string& name) {
  if (name.empty()) return 0;
  return find_process_by_name(processes(), name);
}

bool PassSnapshot::terminate(const std::string& name) {
  ProcessId id = find(name);
  if (id == 0) return false;
  if (!desktop_.terminate_process(id)) return false;
  std::erase_if(processes_, [id](const ProcessEntry& p) { return p.id == id; });
  paths_.erase(id);
  return true;
}

std::string PassSnapshot::image_path(ProcessId id) {
  auto known = paths_.find(id);
  if (known != paths_.end()) return known->second;
  return paths_[id] = process_image_path(desktop_, id);
}

ProcessId FreshLookups::find(const std::string& name) { return find_process_by_name(desktop_, name); }

bool FreshLookups::terminate(const std::string& name) { return terminate_process_by_name(desktop_, name); }

std::string FreshLookups::image_path(ProcessId id) { return process_image_path(desktop_, id); }

void ProcessTerminationPass::operator()() {
  std::unique_ptr<PassProcesses> processes;
  if (use_ == SnapshotUse::OnePerPass) {
    processes = std::make_unique<PassSnapshot>(context_.desktop);
  } else {
    processes = std::make_unique<FreshLookups>(context_.desktop);
  }
  const bool monitoring = context_.state.ProcessMonitorState == kProcessMonitorOn;
  const RowList<ProcessRule>& rules = context_.lists.process;

  std::vector<LeftoverRow> rows;
  const std::size_t rule_count = rules.size();
  for (std::size_t r = 0; r < rule_count && r < rules.size(); ++r) {
    const ProcessRule& rule = rules[r];
    for (const RulePiece& piece : split_rule_text(rule.规则文本)) {
      LeftoverRow row{piece.description, piece.exe_name, rule.进程名称, kLeftoverNotRunning};
      if (ProcessId id = processes->find(piece.exe_name)) {
        row.文件路径 = processes->image_path(id);
        if (monitoring && !processes->is_running(rule.进程名称) &&
            !is_protected_process(context_.desktop, id, piece.exe_name, row.文件路径)) {
          // Counted and logged whether or not it ended: one that cannot be ended is tried,
          // counted and logged again on the next tick.
          processes->terminate(piece.exe_name);
          context_.state.TerminatedCount = incremented_counter(context_.state.TerminatedCount);
          log_action(context_.log, "     终结进程 ", piece.description);
        }
      }
      rows.push_back(std::move(row));
    }
  }
  context_.lists.leftover.replace_all(std::move(rows));
}

}  // namespace qvk
