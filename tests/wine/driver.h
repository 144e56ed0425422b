// Drives qvk.exe from outside, as a user would: starts it, finds its windows and controls,
// reads what they show (also list views, tabs and status bars of another process), clicks,
// sends menu commands and answers message boxes. Runs inside the Wine prefix of a test run
// (scripts/wine-env.sh) and works the same on Windows, except the host_* helpers.
//
// All texts are code page 936, like the program's.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qvk::wine {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// Bounds of the waits. Generous: they are only reached when something is wrong.
inline constexpr Millis kStartTimeout = 15s;
inline constexpr Millis kWaitTimeout = 5s;

// Polls `done` every few milliseconds until it returns true or `timeout` has passed; returns
// its last answer.
bool wait_until(const std::function<bool()>& done, Millis timeout = kWaitTimeout);

// --- Programs -------------------------------------------------------------------------------

// A started process. Owns its handle; the process itself lives on when this is destroyed.
class Process {
 public:
  Process() = default;
  Process(HANDLE handle, DWORD pid) : handle_(handle), pid_(pid) {}
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  HANDLE handle() const { return handle_; }
  DWORD pid() const { return pid_; }
  explicit operator bool() const { return handle_ != nullptr; }

  bool running() const;
  // The exit code once the process has ended within `timeout`, else nothing.
  std::optional<DWORD> wait_exit(Millis timeout = kWaitTimeout) const;
  void kill() const;

 private:
  HANDLE handle_ = nullptr;
  DWORD pid_ = 0;
};

// Folder of the test program, with the trailing backslash. qvk.exe and the helper programs
// (testwin.exe, verinfo.exe) are built into the same folder.
std::string program_dir();
// qvk.exe to test: %QVK_EXE% when set, else qvk.exe beside the test program.
std::string qvk_exe();

// Starts `exe` with `args` (each quoted as needed). Fails the test (and returns an empty
// Process) when it cannot be started.
Process launch(const std::string& exe, const std::vector<std::string>& args = {});
inline Process launch_qvk(const std::vector<std::string>& args = {}) {
  return launch(qvk_exe(), args);
}

// Waits until the process has finished starting: its thread waits for input with nothing
// left to do, and `window` (when given) has answered a message. qvk.exe runs its start-up
// before its message loop, so afterwards the start-up is complete.
bool wait_idle(const Process& process, HWND window = nullptr, Millis timeout = kStartTimeout);

// A started qvk.exe with its main window, start-up done.
struct Qvk {
  Process process;
  HWND main = nullptr;
};
// Starts qvk.exe with `args`; fails the test when no main window appears or the start-up does
// not finish.
Qvk start_qvk(const std::vector<std::string>& args = {});

// Ids of the running processes whose executable file name is `exe_name` (any case).
std::vector<DWORD> process_ids(const std::string& exe_name);
// Ends every process named `exe_name` and waits until they are gone.
void kill_processes(const std::string& exe_name);

// --- Windows --------------------------------------------------------------------------------

std::string window_text(HWND wnd);  // WM_GETTEXT: works across processes
std::string class_name(HWND wnd);
DWORD window_pid(HWND wnd);
RECT window_rect(HWND wnd);  // screen coordinates

// Top-level windows with this class and title (nullptr = any) that belong to `pid` (0 = any),
// in z-order.
std::vector<HWND> top_windows(const char* cls, const char* title, DWORD pid = 0);
// Waits for such a window; nullptr when none appears within `timeout`.
HWND wait_window(const char* cls, const char* title, DWORD pid, Millis timeout = kStartTimeout,
                 bool visible_only = false);
// The main window of qvk.exe process `pid` (hidden or not).
HWND wait_main_window(DWORD pid, Millis timeout = kStartTimeout);

// The first window below `parent` (at any depth) with this control id, or nullptr.
HWND find_control(HWND parent, int id);
std::vector<HWND> child_windows(HWND parent);  // all descendants
// Centre of a window on the screen.
POINT window_centre(HWND wnd);

// Sends WM_CLOSE / WM_SYSCOMMAND+SC_CLOSE, posted so that a message box it opens cannot block.
void post_close(HWND wnd);
void post_sys_close(HWND wnd);
// WM_COMMAND with a menu command id (Wine menus of another process cannot be opened).
void post_command(HWND wnd, int command_id);
// BM_CLICK, posted.
void click(HWND button);
// Check box state: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
int check_state(HWND box);

// --- Common controls of another process -------------------------------------------------------

std::string edit_text(HWND edit);

int list_view_count(HWND list);
std::vector<std::string> list_view_columns(HWND list);
std::string list_view_text(HWND list, int item, int sub_item);
std::vector<std::vector<std::string>> list_view_rows(HWND list);  // every item, every column
// Selects and focuses row `item` the way a click does (the owner gets LVN_ITEMCHANGED).
bool select_list_row(HWND list, int item);

std::vector<std::string> tab_texts(HWND tab);
int tab_selection(HWND tab);
// Makes page `index` current the way a click does (the program gets TCN_SELCHANGE).
void select_tab(HWND tab, int index);

// Right edges of the status bar's parts (-1 = to the end), one per part.
std::vector<int> status_bar_parts(HWND bar);
std::string status_bar_text(HWND bar, int part);
std::vector<std::string> status_bar_texts(HWND bar);

// The entries of the log page 监控记录 of qvk.exe's main window, each without its "\r\n\r\n " and
// time stamp ("yyyy-MM-dd hh:mm:ss"), oldest first.
std::vector<std::string> log_entries(HWND main);

// --- Message boxes --------------------------------------------------------------------------

inline constexpr const char kMessageBoxCaption[] = "信息：";

// A message box ("#32770" captioned 信息：) of process `pid`, or nullptr after `timeout`.
HWND wait_message_box(DWORD pid, Millis timeout = kWaitTimeout);
std::string message_box_text(HWND box);
// Answers with IDOK, IDYES, IDNO or IDCANCEL.
void answer_message_box(HWND box, int answer);

// Texts joined for a failure message (GoogleTest prints non-ASCII bytes of a std::string as
// escapes; the harness shows streamed texts as Chinese).
std::string joined(const std::vector<std::string>& texts);

// --- Files ----------------------------------------------------------------------------------

bool is_directory(const std::string& path);
bool file_exists(const std::string& path);
bool write_file(const std::string& path, const std::string& bytes);
std::optional<std::string> read_file(const std::string& path);
// Creates the folder and its parents.
bool make_dirs(const std::string& path);
// Deletes a file or a whole folder; true when it is gone.
bool remove_tree(const std::string& path);

// The program's settings folder and file under a data root such as "D:\\".
std::string settings_dir(const std::string& root);
std::string settings_file(const std::string& root);
// Writes the settings file under `root` with these "key=value" lines in section [qvk].
void write_settings(const std::string& root, const std::vector<std::string>& lines);

// --- The rule file --------------------------------------------------------------------------

// Where qvk.exe keeps its rules when D: is the data root.
inline constexpr const char kRuleDatabase[] = "D:\\软件配置\\岚窗精灵\\岚窗数据库.mdb";
// A value for a statement: between single quotes, a quote inside doubled.
std::string sql_text(const std::string& value);
// Runs the engine's own tool, qvkdb.exe (built beside qvk.exe), and expects it to succeed; e.g.
// {"create", kRuleDatabase} or {"exec", kRuleDatabase, "insert into ..."}.
void run_qvkdb(const std::vector<std::string>& args);

// --- The test run (host side, only under the harness) ----------------------------------------

// True when running inside a run prepared by scripts/wine-env.sh (QVK_RUN_DIR is set and this
// is Wine).
bool under_harness();
// Runs `script` with /bin/sh on the Linux host and returns its exit status, or -1 when it did
// not finish within `timeout` or cannot run here. The run's variables (WINEPREFIX,
// QVK_RUN_DIR, DISPLAY) are set.
int host_run(const std::string& script, Millis timeout = 20s);
// Maps drive `letter` ('d'..'z') to the folder drive-<letter> of the run, or removes it.
// Wine notices at once.
void map_drive(char letter, bool mapped);
// The drives of a fresh run: D: mapped, E:, F:, G: absent.
void standard_drives();
// Real mouse input through the X server (xdotool), in screen coordinates, which under the
// harness's virtual desktop are the Win32 ones. A drag presses the left button at `from`, moves
// to `to`, holds `hold` there (so that timers of the program tick meanwhile) and releases.
void mouse_click(POINT at, int button = 1);
void mouse_drag(POINT from, POINT to, Millis hold = 400ms);
// Saves a picture of the whole screen as screenshots/<name>.png of the run; returns the host
// path or "" when it failed.
std::string screenshot(const std::string& name);

// Puts the prefix back to the state of a fresh run: no qvk.exe or helper program running,
// standard drives, no settings folder on C:, D:, E:, F: or G:.
void reset_state();

// Base of the Wine test fixtures: each test starts from the state of a fresh run. What a test
// leaves running stays until the next test starts (so a failure's screenshot still shows it)
// or the run ends.
class WineTest : public testing::Test {
 protected:
  void SetUp() override { reset_state(); }
};

}  // namespace qvk::wine
