#include "platform/fake_desktop.h"

namespace qvk {

WindowHandle FakeDesktop::add_window(Window window) {
  window.handle = next_handle_;
  next_handle_ += 4;
  windows_.push_back(window);
  return window.handle;
}

FakeDesktop::Window* FakeDesktop::window(WindowHandle handle) {
  for (Window& w : windows_) {
    if (w.handle == handle && w.exists) return &w;
  }
  return nullptr;
}

void FakeDesktop::add_process(ProcessId id, std::string exe_name, ProcessId parent_id) {
  processes.push_back({id, parent_id, std::move(exe_name)});
}

WindowHandle FakeDesktop::next_top_level_window(WindowHandle previous) {
  bool after_previous = previous == 0;
  for (const Window& w : windows_) {
    if (!w.exists) continue;
    if (after_previous) return w.handle;
    if (w.handle == previous) after_previous = true;
  }
  return 0;
}

std::string FakeDesktop::window_title(WindowHandle handle) {
  Window* w = window(handle);
  return w ? w->title : std::string();
}

std::string FakeDesktop::window_class(WindowHandle handle) {
  Window* w = window(handle);
  return w ? w->class_name : std::string();
}

WindowSize FakeDesktop::window_size(WindowHandle handle) {
  Window* w = window(handle);
  return w ? w->size : WindowSize{};
}

ProcessId FakeDesktop::window_process_id(WindowHandle handle) {
  Window* w = window(handle);
  return w ? w->process_id : 0;
}

bool FakeDesktop::is_window(WindowHandle handle) { return window(handle) != nullptr; }

bool FakeDesktop::is_window_visible(WindowHandle handle) {
  Window* w = window(handle);
  return w && w->visible;
}

void FakeDesktop::post_close(WindowHandle handle) {
  close_requests.push_back(handle);
  Window* w = window(handle);
  if (w && w->closes_on_request) w->exists = false;
}

void FakeDesktop::hide_async(WindowHandle handle) {
  hide_requests.push_back(handle);
  if (Window* w = window(handle)) w->visible = false;
}

void FakeDesktop::wait_handling_messages(unsigned ms) {
  if (during_wait) during_wait();
  ticks_ += ms + 1;
}

void FakeDesktop::handle_pending_messages() {
  if (during_wait) during_wait();
  ticks_ += 1;
}

std::optional<std::vector<ProcessEntry>> FakeDesktop::process_snapshot() {
  ++snapshots_taken;
  if (snapshot_fails) return std::nullopt;
  return processes;
}

void FakeDesktop::show_file_in_folder(const std::string& path) { shown_files.push_back(path); }

// --- Leftover-process termination ---

std::optional<std::string> FakeDesktop::first_module_path(ProcessId id) {
  ++module_snapshots_taken;
  auto found = module_paths.find(id);
  if (found == module_paths.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> FakeDesktop::process_image_name(ProcessId id) {
  auto found = image_names.find(id);
  if (found == image_names.end()) return std::nullopt;
  return found->second;
}

bool FakeDesktop::terminate_process(ProcessId id) {
  termination_attempts.push_back(id);
  auto result = terminate_results.find(id);
  if (result != terminate_results.end() && !result->second) return false;
  for (auto p = processes.begin(); p != processes.end(); ++p) {
    if (p->id == id) {
      processes.erase(p);
      return true;
    }
  }
  return false;  // no such process: OpenProcess fails
}

std::string FakeDesktop::environment_variable(const std::string& name) {
  auto found = environment.find(name);
  return found == environment.end() ? std::string() : found->second;
}

}  // namespace qvk
