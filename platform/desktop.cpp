#include "platform/desktop.h"

#include "platform/text.h"

namespace qvk {

ProcessId find_process_by_name(const std::vector<ProcessEntry>& processes, const std::string& name) {
  if (name.empty()) return 0;
  for (const ProcessEntry& process : processes) {
    if (equals_ignoring_ascii_case(process.exe_name, name)) return process.id;
  }
  return 0;
}

ProcessId find_process_by_name(Desktop& desktop, const std::string& name) {
  if (name.empty()) return 0;
  std::optional<std::vector<ProcessEntry>> processes = desktop.process_snapshot();
  if (!processes) return 0;
  return find_process_by_name(*processes, name);
}

}  // namespace qvk
