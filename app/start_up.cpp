#include "app/start_up.h"

#include "platform/text.h"

namespace qvk {

void run_start_up(StartUpSteps& steps) {
  if (!steps.ensure_single_instance()) return;
  steps.choose_data_root();
  steps.load_settings();
  if (steps.needs_elevated_restart() && steps.restart_elevated_and_exit()) return;
  steps.refresh_tray_icon();
  steps.ensure_rule_database();
  steps.run_termination_pass();
  steps.refresh_status_bar();
  steps.apply_start_visibility();
}

WindowHandle find_running_instance_window(Desktop& desktop, const std::string& own_exe_name,
                                          std::uint32_t timeout_ms) {
  // This instance carries the same name and may come first in the list: skip it, or the search
  // would look for its own (still hidden) window until the time-out.
  ProcessId running = 0;
  if (auto processes = desktop.process_snapshot()) {
    for (const ProcessEntry& process : *processes) {
      if (process.id != desktop.current_process_id() &&
          equals_ignoring_ascii_case(process.exe_name, own_exe_name) && !own_exe_name.empty()) {
        running = process.id;
        break;
      }
    }
  }
  if (running == 0) return 0;

  const std::uint32_t start = desktop.tick_count();
  WindowHandle previous = 0;
  for (;;) {
    WindowHandle window = desktop.next_top_level_window(previous);
    if (window == 0) {
      if (desktop.tick_count() - start > timeout_ms) return 0;
      desktop.wait_handling_messages(kActivationSearchPauseMs);
      previous = 0;
      continue;
    }
    if (desktop.is_window(window) && desktop.is_window_visible(window) &&
        desktop.window_process_id(window) == running) {
      return window;
    }
    desktop.handle_pending_messages();
    previous = window;
  }
}

}  // namespace qvk
