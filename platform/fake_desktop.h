// An in-memory desktop for the native unit tests: windows in z-order, a process list, a clock
// that only the waits advance, and a record of every action the logic took.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace qvk {

class FakeDesktop : public Desktop {
 public:
  struct Window {
    WindowHandle handle = 0;
    std::string title;
    std::string class_name;
    WindowSize size;
    ProcessId process_id = 0;
    bool visible = true;
    bool closes_on_request = true;  // false: ignores WM_CLOSE
    bool exists = true;
  };

  // Adds a window at the bottom of the z-order and returns its handle.
  WindowHandle add_window(Window window);
  Window* window(WindowHandle handle);
  void add_process(ProcessId id, std::string exe_name, ProcessId parent_id = 0);

  std::vector<ProcessEntry> processes;
  bool snapshot_fails = false;
  ProcessId own_process_id = 1;
  // Runs inside every wait_handling_messages, like a handler the message loop dispatches.
  std::function<void()> during_wait;

  std::vector<WindowHandle> close_requests;
  std::vector<WindowHandle> hide_requests;
  std::vector<std::string> shown_files;
  int snapshots_taken = 0;

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
  std::uint32_t tick_count() override { return ticks_; }
  std::optional<std::vector<ProcessEntry>> process_snapshot() override;
  ProcessId current_process_id() override { return own_process_id; }
  void show_file_in_folder(const std::string& path) override;

  // --- Leftover-process termination ---
  // What a module snapshot gives per process (absent: no snapshot); what the image-name query
  // gives (absent: the query fails).
  std::map<ProcessId, std::string> module_paths;
  std::map<ProcessId, std::string> image_names;
  // Termination result per process id (absent: succeeds). A successful termination removes the
  // process from the list.
  std::map<ProcessId, bool> terminate_results;
  std::vector<ProcessId> termination_attempts;
  int module_snapshots_taken = 0;
  std::string system_folder = "C:\\Windows\\system32";
  std::map<std::string, std::string> environment = {{"SystemRoot", "C:\\Windows"}};
  std::optional<std::string> first_module_path(ProcessId id) override;
  std::optional<std::string> process_image_name(ProcessId id) override;
  bool terminate_process(ProcessId id) override;
  std::string system_directory() override { return system_folder; }
  std::string environment_variable(const std::string& name) override;

 private:
  std::vector<Window> windows_;
  WindowHandle next_handle_ = 0x100;
  std::uint32_t ticks_ = 1000;
};

}  // namespace qvk
