#include "platform/win32_desktop.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

namespace qvk {
namespace {

HWND to_hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle from_hwnd(HWND window) { return reinterpret_cast<WindowHandle>(window); }

}  // namespace

bool pump_pending_messages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

WindowHandle Win32Desktop::next_top_level_window(WindowHandle previous) {
  // A null class means any class; an empty class text matches nothing under Wine.
  return from_hwnd(FindWindowExA(nullptr, to_hwnd(previous), nullptr, nullptr));
}

std::string Win32Desktop::window_title(WindowHandle window) {
  int length = GetWindowTextLengthA(to_hwnd(window));
  if (length <= 0) return {};
  std::string title(static_cast<size_t>(length) + 1, '\0');
  int copied = GetWindowTextA(to_hwnd(window), title.data(), length + 1);
  title.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return title;
}

std::string Win32Desktop::window_class(WindowHandle window) {
  char name[256] = {};
  int copied = GetClassNameA(to_hwnd(window), name, sizeof name);
  return std::string(name, copied > 0 ? static_cast<size_t>(copied) : 0);
}

WindowSize Win32Desktop::window_size(WindowHandle window) {
  RECT rect = {};
  if (!GetWindowRect(to_hwnd(window), &rect)) return {};
  return {rect.right - rect.left, rect.bottom - rect.top};
}

ProcessId Win32Desktop::window_process_id(WindowHandle window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(to_hwnd(window), &process_id);
  return process_id;
}

bool Win32Desktop::is_window(WindowHandle window) { return IsWindow(to_hwnd(window)) != FALSE; }

bool Win32Desktop::is_window_visible(WindowHandle window) {
  return IsWindowVisible(to_hwnd(window)) != FALSE;
}

void Win32Desktop::post_close(WindowHandle window) { PostMessageA(to_hwnd(window), WM_CLOSE, 0, 0); }

void Win32Desktop::hide_async(WindowHandle window) { ShowWindowAsync(to_hwnd(window), SW_HIDE); }

void Win32Desktop::wait_handling_messages(unsigned ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (!pump_pending_messages()) return;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed > ms) return;
    // Sleep until a message arrives or the wait is over, instead of spinning a core.
    DWORD left = ms - elapsed + 1;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 10 ? left : 10, QS_ALLINPUT);
  }
}

void Win32Desktop::handle_pending_messages() { pump_pending_messages(); }

std::uint32_t Win32Desktop::tick_count() { return GetTickCount(); }

std::optional<std::vector<ProcessEntry>> Win32Desktop::process_snapshot() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<ProcessEntry> processes;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
  }
  CloseHandle(snapshot);
  return processes;
}

ProcessId Win32Desktop::current_process_id() { return GetCurrentProcessId(); }

void Win32Desktop::show_file_in_folder(const std::string& path) {
  if (!PathFileExistsA(path.c_str())) return;
  PIDLIST_ABSOLUTE item = ILCreateFromPathA(path.c_str());
  if (!item) return;
  SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
  ILFree(item);
}

// --- Leftover-process termination ---

std::optional<std::string> Win32Desktop::first_module_path(ProcessId id) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, id);
  if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
  MODULEENTRY32 module = {};
  module.dwSize = sizeof module;
  std::optional<std::string> path;
  if (Module32First(snapshot, &module)) path = module.szExePath;
  CloseHandle(snapshot);
  return path;
}

std::optional<std::string> Win32Desktop::process_image_name(ProcessId id) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!process) return std::nullopt;
  char path[MAX_PATH * 2] = {};
  DWORD size = sizeof path;
  std::optional<std::string> result;
  if (QueryFullProcessImageNameA(process, 0, path, &size)) result = std::string(path, size);
  CloseHandle(process);
  return result;
}

bool Win32Desktop::terminate_process(ProcessId id) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
  if (!process) return false;
  bool ended = TerminateProcess(process, 0) != FALSE;
  CloseHandle(process);
  return ended;
}

std::string Win32Desktop::system_directory() {
  char folder[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(folder, sizeof folder);
  return length < sizeof folder ? std::string(folder, length) : std::string();
}

std::string Win32Desktop::environment_variable(const std::string& name) {
  char value[32767];
  DWORD length = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
  return length < sizeof value ? std::string(value, length) : std::string();
}

}  // namespace qvk
