// The desktop operations the program performs on windows and processes, its own and other
// programs'. The logic of every subsystem is written against this interface: Win32 implements
// it for the real program, FakeDesktop for the native unit tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvk {

using WindowHandle = std::uintptr_t;  // an HWND as a number; 0 is no window
using ProcessId = std::uint32_t;

struct WindowSize {
  long width = 0;
  long height = 0;
};

struct ProcessEntry {
  ProcessId id = 0;
  ProcessId parent_id = 0;
  std::string exe_name;  // bare file name with extension, as the process list reports it
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Top-level windows in z-order: the window after `previous` (0 begins), 0 after the last.
  virtual WindowHandle next_top_level_window(WindowHandle previous) = 0;
  virtual std::string window_title(WindowHandle window) = 0;
  virtual std::string window_class(WindowHandle window) = 0;
  // All zero when the window does not exist.
  virtual WindowSize window_size(WindowHandle window) = 0;
  virtual ProcessId window_process_id(WindowHandle window) = 0;
  virtual bool is_window(WindowHandle window) = 0;
  virtual bool is_window_visible(WindowHandle window) = 0;
  virtual void post_close(WindowHandle window) = 0;
  virtual void hide_async(WindowHandle window) = 0;

  // Lets the GUI handle its pending messages for `ms` milliseconds; any handler, timer ticks
  // included, may run inside.
  virtual void wait_handling_messages(unsigned ms) = 0;
  // Dispatches the messages already waiting and returns at once.
  virtual void handle_pending_messages() = 0;
  // Milliseconds since some fixed moment; wraps like GetTickCount.
  virtual std::uint32_t tick_count() = 0;

  // A fresh list of running processes in the system's order; nothing when no list could be taken.
  virtual std::optional<std::vector<ProcessEntry>> process_snapshot() = 0;
  virtual ProcessId current_process_id() = 0;

  // Opens an Explorer window on the file's folder with the file selected; nothing happens when
  // the path does not exist.
  virtual void show_file_in_folder(const std::string& path) = 0;

  // --- Leftover-process termination: ending processes and reading their paths ---
  // Path of the first module of a module snapshot of the process (as the snapshot reports it);
  // nothing when no snapshot can be taken or its first module cannot be read. A 32-bit program
  // gets nothing here for every 64-bit process.
  virtual std::optional<std::string> first_module_path(ProcessId id) = 0;
  // The full path of the process's executable by the image-name query with limited query
  // rights, which works across 32/64 bits; nothing when it fails.
  virtual std::optional<std::string> process_image_name(ProcessId id) = 0;
  // Opens the process with the right to terminate, terminates it with exit code 0 and closes
  // the handle; whether the termination call succeeded.
  virtual bool terminate_process(ProcessId id) = 0;
  // The system folder (GetSystemDirectoryA), as the system gives it.
  virtual std::string system_directory() = 0;
  // The value of an environment variable of this process; empty when unset.
  virtual std::string environment_variable(const std::string& name) = 0;
};

// Id of the first process in the list whose executable name equals `name` with only the ASCII
// letters compared without case; 0 when none matches, the name is empty or no list was taken.
ProcessId find_process_by_name(Desktop& desktop, const std::string& name);
ProcessId find_process_by_name(const std::vector<ProcessEntry>& processes, const std::string& name);

}  // namespace qvk
