// The main window: the tab control with its seven pages, the status bar, and the start-up steps
// that act on the window.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>

#include "app/app_context.h"
#include "app/app_state.h"
#include "app/context_menu.h"
#include "app/user_dialogs.h"
#include "app/monitor_log.h"
#include "app/start_up.h"
#include "app/status_bar.h"
#include "platform/win32_desktop.h"

namespace qvk {

// A window timer of the main window.
class Win32Timer : public MonitorTimer {
 public:
  Win32Timer(HWND window, unsigned id) : window_(window), id_(id) {}
  void set_period(unsigned ms) override;
  unsigned period() const override { return period_; }

 private:
  HWND window_;
  unsigned id_;
  unsigned period_ = 0;
};

enum class ListEvent { RightClick, DoubleClick };

class MainWindow : public MonitorLog, public StartUpSteps {
 public:
  MainWindow(AppState& state, Desktop& desktop, RuleLists& lists, bool started_with_argument);
  AppContext context();

  // Subsystems hook their handlers in here: timer ticks, menu commands, list clicks (the row
  // under the mouse, -1 below the rows), and start-up steps.
  void on_timer(unsigned timer_id, std::function<void()> handler) { timer_handlers_[timer_id] = std::move(handler); }
  void on_command(int command_id, std::function<void()> handler) { command_handlers_[command_id] = std::move(handler); }
  void on_list_event(int list_id, ListEvent event, std::function<void(int row)> handler) {
    list_handlers_[{list_id, event}] = std::move(handler);
  }
  // Any other message of the main window, such as a notification icon's callback.
  void on_message(UINT message, std::function<LRESULT(WPARAM, LPARAM)> handler) {
    message_handlers_[message] = std::move(handler);
  }
  // Runs on WM_DESTROY, while the window still exists.
  std::function<void()> on_destroy;
  MonitorTimer& timer(unsigned timer_id);
  std::function<void()> load_settings_step;
  std::function<bool()> needs_elevated_restart_step;
  std::function<bool()> restart_elevated_step;
  std::function<void()> ensure_rule_database_step;
  std::function<void()> termination_pass_step;
  std::function<void()> refresh_tray_icon_step;

  ~MainWindow() override;

  bool create(HINSTANCE instance);
  HWND handle() const { return window_; }
  HWND control(int id) const { return GetDlgItem(window_, id); }

  // MonitorLog
  void append_log(const std::string& line) override;

  // StartUpSteps
  bool ensure_single_instance() override;
  void choose_data_root() override;
  void load_settings() override {
    if (load_settings_step) load_settings_step();
  }
  bool needs_elevated_restart() override { return needs_elevated_restart_step && needs_elevated_restart_step(); }
  bool restart_elevated_and_exit() override { return restart_elevated_step && restart_elevated_step(); }
  void refresh_tray_icon() override {
    if (refresh_tray_icon_step) refresh_tray_icon_step();
  }
  void ensure_rule_database() override {
    if (ensure_rule_database_step) ensure_rule_database_step();
  }
  void run_termination_pass() override {
    if (termination_pass_step) termination_pass_step();
  }
  void refresh_status_bar() override;
  void apply_start_visibility() override;

  void activate_running_instance();
  bool on_close_requested();
  void exit_program();
  void open_tutorial_page(int which);
  void select_page(int index);
  bool exiting() const { return exiting_; }

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);
  void create_controls();
  HWND add_control(int page, const char* class_name, const char* text, DWORD style, int x, int y,
                   int width, int height, int id, DWORD ex_style = 0);
  void handle_command(int id, int code);
  void on_list_notify(int list_id, NMHDR* header);
  // Redraws the list view from `rows` whenever they change.
  template <class Row>
  void bind_list(int list_id, RowList<Row>& rows);
  void show_rows(int list_id, const std::vector<std::vector<std::string>>& rows);

  AppState& state_;
  Desktop& desktop_;
  RuleLists& lists_;
  std::map<unsigned, std::function<void()>> timer_handlers_;
  std::map<int, std::function<void()>> command_handlers_;
  std::map<UINT, std::function<LRESULT(WPARAM, LPARAM)>> message_handlers_;
  std::map<std::pair<int, ListEvent>, std::function<void(int)>> list_handlers_;
  std::map<unsigned, std::unique_ptr<Win32Timer>> timers_;
  bool started_with_argument_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HANDLE single_instance_event_ = nullptr;
  bool exiting_ = false;
  // The controls of each page, shown while that page is selected.
  std::vector<HWND> page_controls_[7];
};

// Message boxes of the program: caption "信息：", no owner, task-modal.
void show_message(const std::string& text);
bool ask_question(const std::string& text);

// Shows a context menu at the mouse, moved by `offset` and aligned there by `align` (a TPM_
// alignment flag), for `owner` and returns the chosen command, 0 when none.
int track_context_menu(HWND owner, std::span<const MenuItem> items, UINT align = TPM_LEFTALIGN,
                       POINT offset = {0, 0});

class Win32Dialogs : public UserDialogs {
 public:
  bool ask(const std::string& question) override { return ask_question(question); }
  void tell(const std::string& message) override { show_message(message); }
  void beep() override { MessageBeep(MB_OK); }
};

std::string program_path();
std::string program_file_name();

}  // namespace qvk
