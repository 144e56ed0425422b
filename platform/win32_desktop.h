// The desktop operations on Win32.
#pragma once

#include "platform/desktop.h"

namespace qvk {

class Win32Desktop : public Desktop {
 public:
  WindowHandle next_top_level_window(WindowHandle previous) override;
  std::string window_title(WindowHandle window) override;
  std::string window_class(WindowHandle window) override;
  WindowSize window_size(WindowHandle window) override;
  ProcessId window_process_id(WindowHandle window) override;
  bool is_window(WindowHandle window) override;
  bool is_window_visible(WindowHandle window) override;
  void post_close(WindowHandle window) override;
  void hide_async(WindowHandle window) override;
  void wait_handling_messages(unsigned ms) override;
  void handle_pending_messages() override;
  std::uint32_t tick_count() override;
  std::optional<std::vector<ProcessEntry>> process_snapshot() override;
  ProcessId current_process_id() override;
  void show_file_in_folder(const std::string& path) override;

  // Leftover-process termination
  std::optional<std::string> first_module_path(ProcessId id) override;
  std::optional<std::string> process_image_name(ProcessId id) override;
  bool terminate_process(ProcessId id) override;
  std::string system_directory() override;
  std::string environment_variable(const std::string& name) override;
};

// Dispatches the messages waiting in this thread's queue and returns; false once WM_QUIT
// was seen (it is posted again so the main loop still ends).
bool pump_pending_messages();

}  // namespace qvk
