#include "process/process_ops.h"

#include <array>

#include "platform/text.h"

namespace qvk {
namespace {

constexpr ProcessId kSystemProcessId = 4;

constexpr std::array<std::string_view, 6> kSystemCoreProcesses = {
    "smss.exe", "csrss.exe", "wininit.exe", "winlogon.exe", "services.exe", "lsass.exe"};

std::string without_trailing_backslash(std::string_view folder) {
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.remove_suffix(1);
  return std::string(folder);
}

// The folder part of a path, without its trailing backslash; steps over double-byte characters
// so that a trail byte 0x5C is not taken for a separator.
std::string folder_of(std::string_view path) {
  std::size_t last_separator = std::string_view::npos;
  for (std::size_t at = 0; at < path.size(); at += gbk_character_length(path, at)) {
    if (path[at] == '\\' || path[at] == '/') last_separator = at;
  }
  return last_separator == std::string_view::npos ? std::string() : std::string(path.substr(0, last_separator));
}

}  // namespace

bool is_process_running(Desktop& desktop, const std::string& name) {
  return find_process_by_name(desktop, name) != 0;
}

std::string process_image_path(Desktop& desktop, ProcessId id) {
  if (id == kSystemProcessId) {
    std::string folder = desktop.system_directory();
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
  }
  std::optional<std::string> path = desktop.first_module_path(id);
  if (!path || path->empty()) path = desktop.process_image_name(id);
  if (!path) return {};

  constexpr std::string_view kSystemRoot = "\\SystemRoot", kDevicePrefix = "\\??\\";
  if (path->starts_with(kSystemRoot)) {
    return desktop.environment_variable("SystemRoot") + path->substr(kSystemRoot.size());
  }
  if (path->starts_with(kDevicePrefix)) return path->substr(kDevicePrefix.size());
  return *path;
}

bool is_protected_process(Desktop& desktop, ProcessId id, std::string_view exe_name,
                          std::string_view image_path) {
  if (id == kSystemProcessId || id == desktop.current_process_id()) return true;
  bool core_name = false;
  for (std::string_view core : kSystemCoreProcesses) core_name = core_name || equals_ignoring_ascii_case(exe_name, core);
  if (!core_name) return false;
  if (image_path.empty()) return true;
  return equals_ignoring_ascii_case(folder_of(image_path), without_trailing_backslash(desktop.system_directory()));
}

bool terminate_process_by_name(Desktop& desktop, const std::string& name) {
  ProcessId id = find_process_by_name(desktop, name);
  if (id == 0) return false;
  if (is_protected_process(desktop, id, name, process_image_path(desktop, id))) return false;
  return desktop.terminate_process(id);
}

}  // namespace qvk
