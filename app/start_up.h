// The start-up sequence and the single-instance search, written against narrow interfaces so
// their order and bounds are tested natively.
#pragma once

#include <cstdint>
#include <string>

#include "platform/desktop.h"

namespace qvk {

class StartUpSteps {
 public:
  virtual ~StartUpSteps() = default;
  // False in a second instance, which has then activated the running one and ends.
  virtual bool ensure_single_instance() = 0;
  virtual void choose_data_root() = 0;
  virtual void load_settings() = 0;
  // The elevation box is ticked and the program lacks administrator rights.
  virtual bool needs_elevated_restart() = 0;
  // Starts the elevated copy and, when it started, hides the main window and ends this one;
  // false when the copy could not be started, and this one runs on.
  virtual bool restart_elevated_and_exit() = 0;
  virtual void refresh_tray_icon() = 0;
  virtual void ensure_rule_database() = 0;
  virtual void run_termination_pass() = 0;
  virtual void refresh_status_bar() = 0;
  virtual void apply_start_visibility() = 0;
};

// Runs once the main window exists. The running-instance check comes first, before any step
// that leaves a trace (tray icon, files, a termination pass), so a second launch changes nothing.
void run_start_up(StartUpSteps& steps);

inline constexpr std::uint32_t kActivationSearchTimeoutMs = 3000;
inline constexpr unsigned kActivationSearchPauseMs = 50;

// The first visible top-level window of the other running process named like this program,
// searched again and again (handling this instance's messages between steps) until found or
// the time-out passes; 0 when there is none.
WindowHandle find_running_instance_window(Desktop& desktop, const std::string& own_exe_name,
                                          std::uint32_t timeout_ms = kActivationSearchTimeoutMs);

}  // namespace qvk
