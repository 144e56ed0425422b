// Operations on running processes that the leftover-process pass and the list commands share.
#pragma once

#include <string>
#include <string_view>

#include "platform/desktop.h"

namespace qvk {

// True when a process of that executable name runs, in a fresh snapshot; ASCII letters compared
// without case.
bool is_process_running(Desktop& desktop, const std::string& name);

// Full path of the process's executable: the system folder with a trailing backslash for the
// System process (4); otherwise the first module's path, or the image-name query's when no module
// can be read (a 32-bit program reading a 64-bit process); "\SystemRoot" at the start becomes the
// value of %SystemRoot% and a leading "\??\" is dropped. Empty when nothing can be read.
std::string process_image_path(Desktop& desktop, ProcessId id);

// Processes the program never ends, whatever a rule or a command names: its own process, the
// System process (4), and smss.exe, csrss.exe, wininit.exe, winlogon.exe, services.exe and
// lsass.exe when they run from the system folder (or their path cannot be read, which is how a
// protected system process looks to a program without the rights to read it). Ending any of
// these brings Windows down.
bool is_protected_process(Desktop& desktop, ProcessId id, std::string_view exe_name,
                          std::string_view image_path);

// Ends the first process of that name in a fresh snapshot with exit code 0; whether the
// termination succeeded. Nothing is attempted for an empty name, when none runs, or when the
// process is protected.
bool terminate_process_by_name(Desktop& desktop, const std::string& name);

}  // namespace qvk
