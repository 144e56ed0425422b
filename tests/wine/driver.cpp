#include "driver.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/control_ids.h"

namespace qvk::wine {
namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr Millis kPollInterval = 15ms;

// Delivers pending messages of the test's own windows while it waits, so that a window the
// test made keeps answering (foreground changes, cross-process sends).
void pump_messages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// SendMessage that gives up on a hung or stopped target instead of hanging the test.
LRESULT send(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam, bool* ok = nullptr) {
  DWORD_PTR result = 0;
  LRESULT sent = SendMessageTimeoutA(wnd, msg, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                                     &result);
  if (ok) *ok = sent != 0;
  return static_cast<LRESULT>(result);
}

// A block of memory inside the process that owns a window: common-control messages that carry
// pointers are not marshalled between processes, so their structures and text buffers must
// lie in the target's address space. The target has the same bitness as the test program,
// so the structures are laid out alike.
class RemoteBlock {
 public:
  RemoteBlock(HWND wnd, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                               PROCESS_QUERY_INFORMATION,
                           FALSE, pid);
    if (process_)
      base_ = static_cast<char*>(
          VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;
  ~RemoteBlock() {
    if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }

  explicit operator bool() const { return base_ != nullptr; }
  char* at(size_t offset) const { return base_ + offset; }
  bool write(size_t offset, const void* data, size_t n) const {
    SIZE_T done = 0;
    return offset + n <= size_ && WriteProcessMemory(process_, base_ + offset, data, n, &done) &&
           done == n;
  }
  bool read(size_t offset, void* data, size_t n) const {
    SIZE_T done = 0;
    return offset + n <= size_ && ReadProcessMemory(process_, base_ + offset, data, n, &done) &&
           done == n;
  }
  // The zero-terminated text at `offset`, at most `max` bytes.
  std::string read_text(size_t offset, size_t max) const {
    std::string text(max, '\0');
    if (!read(offset, text.data(), max)) return {};
    text.resize(strnlen(text.data(), max));
    return text;
  }

 private:
  HANDLE process_ = nullptr;
  char* base_ = nullptr;
  size_t size_ = 0;
};

constexpr size_t kTextMax = 4096;

// Sends `msg` whose lParam points at a structure `T` that itself points at a text buffer
// (`text` member, `cch` member), both placed in the window's process. Returns the text the
// control wrote, or nothing when the message failed.
template <typename T>
std::optional<std::string> remote_text_query(HWND wnd, UINT msg, WPARAM wparam, T item,
                                             LPSTR T::*text, int T::*cch,
                                             bool result_is_success) {
  RemoteBlock block(wnd, sizeof(T) + kTextMax);
  if (!block) {
    ADD_FAILURE() << "cannot place memory in the process of window " << wnd;
    return std::nullopt;
  }
  item.*text = block.at(sizeof(T));
  item.*cch = static_cast<int>(kTextMax);
  const char zero = 0;
  if (!block.write(0, &item, sizeof item) || !block.write(sizeof(T), &zero, 1)) return {};
  bool sent = false;
  LRESULT result = send(wnd, msg, wparam, reinterpret_cast<LPARAM>(block.at(0)), &sent);
  if (!sent || (result_is_success && !result)) return std::nullopt;
  return block.read_text(sizeof(T), kTextMax);
}

std::string quote_arg(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') quoted.append(backslashes * 2 + 1, '\\');
    else quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Wine's own export for translating a host file name; absent on Windows.
using DosNameFn = WCHAR*(CDECL*)(LPCSTR);

DosNameFn dos_name_fn() {
  FARPROC fn = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name");
  return reinterpret_cast<DosNameFn>(reinterpret_cast<void*>(fn));
}

// Windows name of a host file, in the ANSI code page; "" when there is none.
std::string dos_name(const std::string& unix_path) {
  DosNameFn fn = dos_name_fn();
  if (!fn) return {};
  WCHAR* wide = fn(unix_path.c_str());
  if (!wide) return {};
  char buf[MAX_PATH * 2] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof buf, nullptr, nullptr);
  HeapFree(GetProcessHeap(), 0, wide);
  return buf;
}

std::string shell_quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

}  // namespace

bool wait_until(const std::function<bool()>& done, Millis timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return done();
    pump_messages();
    std::this_thread::sleep_for(kPollInterval);
  }
}

// --- Programs -------------------------------------------------------------------------------

Process::Process(Process&& other) noexcept : handle_(other.handle_), pid_(other.pid_) {
  other.handle_ = nullptr;
  other.pid_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    if (handle_) CloseHandle(handle_);
    handle_ = other.handle_;
    pid_ = other.pid_;
    other.handle_ = nullptr;
    other.pid_ = 0;
  }
  return *this;
}

Process::~Process() {
  if (handle_) CloseHandle(handle_);
}

bool Process::running() const {
  return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::wait_exit(Millis timeout) const {
  if (!handle_) return std::nullopt;
  bool ended = wait_until([&] { return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; },
                          timeout);
  DWORD code = 0;
  if (!ended || !GetExitCodeProcess(handle_, &code)) return std::nullopt;
  return code;
}

void Process::kill() const {
  if (!running()) return;
  TerminateProcess(handle_, 1);
  WaitForSingleObject(handle_, 5000);
}

std::string program_dir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir = path;
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string qvk_exe() {
  std::string configured = env("QVK_EXE");
  return configured.empty() ? program_dir() + "qvk.exe" : configured;
}

Process launch(const std::string& exe, const std::vector<std::string>& args) {
  std::string command = quote_arg(exe);
  for (const auto& arg : args) {
    command += ' ';
    command += quote_arg(arg);
  }
  std::string dir = exe.substr(0, exe.find_last_of("\\/") + 1);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!file_exists(exe)) {
    ADD_FAILURE() << "missing program " << exe;
    return {};
  }
  if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start " << command << " (error " << GetLastError() << ")";
    return {};
  }
  CloseHandle(info.hThread);
  return Process(info.hProcess, info.dwProcessId);
}

bool wait_idle(const Process& process, HWND window, Millis timeout) {
  if (!process) return false;
  if (WaitForInputIdle(process.handle(), static_cast<DWORD>(timeout.count())) != 0) return false;
  if (!window) return true;
  bool answered = false;
  DWORD_PTR result = 0;
  answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL,
                                 static_cast<UINT>(timeout.count()), &result) != 0;
  return answered;
}

Qvk start_qvk(const std::vector<std::string>& args) {
  Qvk qvk;
  qvk.process = launch_qvk(args);
  if (!qvk.process) return qvk;
  qvk.main = wait_main_window(qvk.process.pid());
  if (!qvk.main) {
    ADD_FAILURE() << "qvk.exe shows no main window (class " << qvk::ids::kMainWindowClass
                  << ")" << (qvk.process.running() ? "" : "; it has ended");
    return qvk;
  }
  EXPECT_TRUE(wait_idle(qvk.process, qvk.main)) << "qvk.exe does not finish its start-up";
  return qvk;
}

std::vector<DWORD> process_ids(const std::string& exe_name) {
  std::vector<DWORD> ids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
    if (lstrcmpiA(entry.szExeFile, exe_name.c_str()) == 0) ids.push_back(entry.th32ProcessID);
  }
  CloseHandle(snap);
  return ids;
}

void kill_processes(const std::string& exe_name) {
  for (DWORD pid : process_ids(exe_name)) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) continue;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }
  wait_until([&] { return process_ids(exe_name).empty(); });
}

// --- Windows --------------------------------------------------------------------------------

std::string window_text(HWND wnd) {
  // Not GetWindowTextA: for another process's control it gives "" (the text is only asked
  // for by message).
  bool ok = false;
  LRESULT length = send(wnd, WM_GETTEXTLENGTH, 0, 0, &ok);
  if (!ok || length <= 0) {
    char title[1024] = {};
    GetWindowTextA(wnd, title, sizeof title);
    return title;
  }
  std::string text(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied = send(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

std::string class_name(HWND wnd) {
  char name[256] = {};
  GetClassNameA(wnd, name, sizeof name);
  return name;
}

DWORD window_pid(HWND wnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  return pid;
}

RECT window_rect(HWND wnd) {
  RECT rect{};
  GetWindowRect(wnd, &rect);
  return rect;
}

std::vector<HWND> top_windows(const char* cls, const char* title, DWORD pid) {
  struct Query {
    const char* cls;
    const char* title;
    DWORD pid;
    std::vector<HWND> found;
  } query{cls, title, pid, {}};
  EnumWindows(
      [](HWND wnd, LPARAM param) -> BOOL {
        auto& q = *reinterpret_cast<Query*>(param);
        if (q.pid && window_pid(wnd) != q.pid) return TRUE;
        if (q.cls && class_name(wnd) != q.cls) return TRUE;
        if (q.title) {
          char text[1024] = {};
          GetWindowTextA(wnd, text, sizeof text);
          if (std::strcmp(text, q.title) != 0) return TRUE;
        }
        q.found.push_back(wnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND wait_window(const char* cls, const char* title, DWORD pid, Millis timeout,
                 bool visible_only) {
  HWND found = nullptr;
  wait_until(
      [&] {
        for (HWND wnd : top_windows(cls, title, pid)) {
          if (!visible_only || IsWindowVisible(wnd)) {
            found = wnd;
            return true;
          }
        }
        return false;
      },
      timeout);
  return found;
}

HWND wait_main_window(DWORD pid, Millis timeout) {
  return wait_window(qvk::ids::kMainWindowClass, nullptr, pid, timeout);
}

std::vector<HWND> child_windows(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(
      parent,
      [](HWND wnd, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(wnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND find_control(HWND parent, int id) {
  for (HWND wnd : child_windows(parent))
    if (GetDlgCtrlID(wnd) == id) return wnd;
  return nullptr;
}

POINT window_centre(HWND wnd) {
  const RECT rect = window_rect(wnd);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void post_close(HWND wnd) { PostMessageA(wnd, WM_CLOSE, 0, 0); }

void post_sys_close(HWND wnd) { PostMessageA(wnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

void post_command(HWND wnd, int command_id) {
  PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(command_id, 0), 0);
}

void click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

int check_state(HWND box) { return static_cast<int>(send(box, BM_GETCHECK, 0, 0)); }

// --- Common controls of another process -------------------------------------------------------

std::string edit_text(HWND edit) { return window_text(edit); }

int list_view_count(HWND list) { return static_cast<int>(send(list, LVM_GETITEMCOUNT, 0, 0)); }

std::vector<std::string> list_view_columns(HWND list) {
  std::vector<std::string> titles;
  HWND header = reinterpret_cast<HWND>(send(list, LVM_GETHEADER, 0, 0));
  int count = header ? static_cast<int>(send(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int i = 0; i < count; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    auto text = remote_text_query(list, LVM_GETCOLUMNA, i, column, &LVCOLUMNA::pszText,
                                  &LVCOLUMNA::cchTextMax, true);
    titles.push_back(text.value_or("<LVM_GETCOLUMNA failed>"));
  }
  return titles;
}

std::string list_view_text(HWND list, int item, int sub_item) {
  LVITEMA entry{};
  entry.iSubItem = sub_item;
  return remote_text_query(list, LVM_GETITEMTEXTA, item, entry, &LVITEMA::pszText,
                           &LVITEMA::cchTextMax, false)
      .value_or("");
}

std::vector<std::vector<std::string>> list_view_rows(HWND list) {
  std::vector<std::vector<std::string>> rows;
  const size_t columns = list_view_columns(list).size();
  const int count = list_view_count(list);
  for (int i = 0; i < count; ++i) {
    std::vector<std::string> row;
    for (size_t c = 0; c < columns; ++c) row.push_back(list_view_text(list, i, static_cast<int>(c)));
    rows.push_back(std::move(row));
  }
  return rows;
}

bool select_list_row(HWND list, int item) {
  RemoteBlock block(list, sizeof(LVITEMA));
  if (!block) return false;
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  if (!block.write(0, &state, sizeof state)) return false;
  return send(list, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(block.at(0))) != 0;
}

std::vector<std::string> tab_texts(HWND tab) {
  std::vector<std::string> texts;
  const int count = static_cast<int>(send(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    texts.push_back(remote_text_query(tab, TCM_GETITEMA, i, item, &TCITEMA::pszText,
                                      &TCITEMA::cchTextMax, true)
                        .value_or("<TCM_GETITEMA failed>"));
  }
  return texts;
}

int tab_selection(HWND tab) { return static_cast<int>(send(tab, TCM_GETCURSEL, 0, 0)); }

void select_tab(HWND tab, int index) {
  // TCM_SETCURFOCUS notifies the parent (TCN_SELCHANGING, TCN_SELCHANGE) like a click;
  // TCM_SETCURSEL would change the tab silently.
  send(tab, TCM_SETCURFOCUS, index, 0);
}

std::vector<int> status_bar_parts(HWND bar) {
  constexpr int kMaxParts = 256;
  RemoteBlock block(bar, sizeof(int) * kMaxParts);
  if (!block) return {};
  const int count = static_cast<int>(send(bar, SB_GETPARTS, kMaxParts,
                                          reinterpret_cast<LPARAM>(block.at(0))));
  std::vector<int> edges(count > 0 ? count : 0);
  if (!edges.empty()) block.read(0, edges.data(), edges.size() * sizeof(int));
  return edges;
}

std::string status_bar_text(HWND bar, int part) {
  // Not sized by SB_GETTEXTLENGTHA: Wine's answer counts UTF-16 units, not bytes.
  const size_t size = kTextMax;
  RemoteBlock block(bar, size);
  if (!block) return {};
  const char zero = 0;
  block.write(0, &zero, 1);
  send(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(block.at(0)));
  return block.read_text(0, size);
}

std::vector<std::string> status_bar_texts(HWND bar) {
  std::vector<std::string> texts;
  const size_t parts = status_bar_parts(bar).size();
  for (size_t i = 0; i < parts; ++i) texts.push_back(status_bar_text(bar, static_cast<int>(i)));
  return texts;
}

// --- Message boxes --------------------------------------------------------------------------

HWND wait_message_box(DWORD pid, Millis timeout) {
  return wait_window("#32770", kMessageBoxCaption, pid, timeout, true);
}

std::string message_box_text(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);  // the message's static control
  return text ? window_text(text) : std::string();
}

void answer_message_box(HWND box, int answer) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}

std::string joined(const std::vector<std::string>& texts) {
  std::string all = "{";
  for (size_t i = 0; i < texts.size(); ++i) all += (i ? ", \"" : "\"") + texts[i] + "\"";
  return all + "}";
}

// --- Files ----------------------------------------------------------------------------------

bool is_directory(const std::string& path) { return PathIsDirectoryA(path.c_str()) != FALSE; }

bool file_exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool write_file(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::optional<std::string> read_file(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(file, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
  CloseHandle(file);
  return bytes;
}

bool make_dirs(const std::string& path) {
  if (path.empty() || is_directory(path)) return true;
  const size_t slash = path.find_last_of('\\', path.size() - 2);
  if (slash != std::string::npos && slash > 2) make_dirs(path.substr(0, slash));
  return CreateDirectoryA(path.c_str(), nullptr) || is_directory(path);
}

bool remove_tree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path.c_str()) != FALSE;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (std::strcmp(entry.cFileName, ".") && std::strcmp(entry.cFileName, ".."))
        remove_tree(path + "\\" + entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  return RemoveDirectoryA(path.c_str()) || !file_exists(path);
}

std::string settings_dir(const std::string& root) { return root + "软件配置\\岚窗精灵"; }

std::string settings_file(const std::string& root) {
  return settings_dir(root) + "\\配置文本.ini";
}

void write_settings(const std::string& root, const std::vector<std::string>& lines) {
  ASSERT_TRUE(make_dirs(settings_dir(root))) << settings_dir(root);
  // As the program's own INI files: code page 936, CRLF, no byte-order mark.
  std::string text = "[qvk]\r\n";
  for (const auto& line : lines) text += line + "\r\n";
  ASSERT_TRUE(write_file(settings_file(root), text)) << settings_file(root);
}

// --- The test run ---------------------------------------------------------------------------

bool under_harness() { return !env("QVK_RUN_DIR").empty() && dos_name_fn() != nullptr; }

int host_run(const std::string& script, Millis timeout) {
  if (!under_harness()) {
    ADD_FAILURE() << "host commands need the Wine harness (scripts/wine-env.sh)";
    return -1;
  }
  static std::atomic<int> counter{0};
  const std::string run_dir = env("QVK_RUN_DIR");
  const std::string stem = run_dir + "/host." + std::to_string(GetCurrentProcessId()) + "." +
                           std::to_string(++counter);
  const std::string script_path = stem + ".sh", done_path = stem + ".done";
  const std::string dos_script = dos_name(script_path), dos_done = dos_name(done_path);
  // The exit status appears under its final name only once complete.
  const std::string text = "( " + script + "\n) >>" + shell_quote(run_dir + "/host.log") +
                           " 2>&1\necho $? >" + shell_quote(done_path + ".tmp") + " && mv " +
                           shell_quote(done_path + ".tmp") + " " + shell_quote(done_path) +
                           "\n";
  if (dos_script.empty() || !write_file(dos_script, text)) {
    ADD_FAILURE() << "cannot write " << script_path;
    return -1;
  }
  // Wine runs a host program directly when asked to start one; it gives no process handle,
  // hence the status file.
  std::string command = "/bin/sh " + quote_arg(script_path);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    ADD_FAILURE() << "cannot start /bin/sh (error " << GetLastError() << ")";
    DeleteFileA(dos_script.c_str());
    return -1;
  }
  if (info.hThread) CloseHandle(info.hThread);
  if (info.hProcess) CloseHandle(info.hProcess);
  int status = -1;
  if (wait_until([&] { return file_exists(dos_done); }, timeout)) {
    auto bytes = read_file(dos_done);
    status = bytes ? std::atoi(bytes->c_str()) : -1;
  } else {
    ADD_FAILURE() << "host command did not finish within " << timeout.count() << " ms:\n"
                  << script;
  }
  DeleteFileA(dos_script.c_str());
  DeleteFileA(dos_done.c_str());
  return status;
}

void map_drive(char letter, bool mapped) {
  const std::string l(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letter))));
  const std::string link = "\"$WINEPREFIX/dosdevices/" + l + ":\"";
  const std::string folder = "\"$QVK_RUN_DIR/drive-" + l + "\"";
  const std::string script =
      mapped ? "mkdir -p " + folder + " && ln -sfn " + folder + " " + link : "rm -f " + link;
  ASSERT_EQ(host_run(script), 0) << script;
  const std::string root = std::string(1, static_cast<char>(std::toupper(l[0]))) + ":\\";
  ASSERT_TRUE(wait_until([&] { return is_directory(root) == mapped; }))
      << "Wine does not see " << root << (mapped ? " mapped" : " unmapped");
}

void standard_drives() {
  ASSERT_EQ(host_run("cd \"$WINEPREFIX/dosdevices\" && rm -f e: f: g: && "
                     "rm -rf \"$QVK_RUN_DIR/drive-e\" \"$QVK_RUN_DIR/drive-f\" "
                     "\"$QVK_RUN_DIR/drive-g\" && mkdir -p \"$QVK_RUN_DIR/drive-d\" && "
                     "ln -sfn \"$QVK_RUN_DIR/drive-d\" d:"),
            0);
}

void mouse_click(POINT at, int button) {
  const std::string script = "xdotool mousemove " + std::to_string(at.x) + " " +
                             std::to_string(at.y) + " click " + std::to_string(button);
  EXPECT_EQ(host_run(script), 0) << script;
}

void mouse_drag(POINT from, POINT to, Millis hold) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", hold.count() / 1000.0);
  const std::string script = "xdotool mousemove " + std::to_string(from.x) + " " +
                             std::to_string(from.y) + " mousedown 1 sleep 0.1 mousemove " +
                             std::to_string(to.x) + " " + std::to_string(to.y) + " sleep " +
                             seconds + " mouseup 1";
  EXPECT_EQ(host_run(script), 0) << script;
}

std::string screenshot(const std::string& name) {
  if (!under_harness()) return {};
  std::string file;
  for (char c : name) file += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.') ? c : '_';
  const std::string path = env("QVK_RUN_DIR") + "/screenshots/" + file + ".png";
  return host_run("mkdir -p \"$QVK_RUN_DIR/screenshots\" && import -window root " +
                      shell_quote(path)) == 0
             ? path
             : std::string();
}

void reset_state() {
  for (const char* exe : {"qvk.exe", "testwin.exe", "verinfo.exe"}) kill_processes(exe);
  if (under_harness()) standard_drives();
  for (const char* root : {"C:\\", "D:\\", "E:\\", "F:\\", "G:\\"}) {
    if (is_directory(root)) {
      EXPECT_TRUE(remove_tree(std::string(root) + "软件配置")) << root;
    }
  }
  HKEY run = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                    KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
    RegDeleteValueA(run, "岚窗精灵");
    RegCloseKey(run);
  }
}

std::string sql_text(const std::string& value) {
  std::string quoted = "'";
  for (char c : value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

void run_qvkdb(const std::vector<std::string>& args) {
  Process tool = launch(program_dir() + "qvkdb.exe", args);
  ASSERT_TRUE(tool);
  auto code = tool.wait_exit(kStartTimeout);
  ASSERT_TRUE(code.has_value()) << "qvkdb did not finish";
  ASSERT_EQ(*code, 0u) << "qvkdb failed: " << args[0] << " " << (args.size() > 2 ? args[2] : "");
}

std::vector<std::string> log_entries(HWND main) {
  const std::string text = edit_text(find_control(main, ids::kLogBox));
  const std::string start = "\r\n\r\n ";
  const size_t stamp = std::string("yyyy-MM-dd hh:mm:ss").size();
  std::vector<std::string> entries;
  for (size_t at = text.find(start); at != std::string::npos;) {
    const size_t next = text.find(start, at + start.size());
    std::string entry = text.substr(at + start.size(),
                                    next == std::string::npos ? std::string::npos : next - at - start.size());
    entries.push_back(entry.size() >= stamp ? entry.substr(stamp) : entry);
    at = next;
  }
  return entries;
}

}  // namespace qvk::wine
