// The main window: the tab control with its seven pages, the status bar, and the start-up steps
// that act on the window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/monitor_log.h"
#include "app/start_up.h"
#include "app/status_bar.h"
#include "platform/win32_desktop.h"

namespace qvk {

class MainWindow : public MonitorLog, public StartUpSteps {
 public:
  MainWindow(AppState& state, Desktop& desktop, bool started_with_argument);
  ~MainWindow() override;

  bool create(HINSTANCE instance);
  HWND handle() const { return window_; }
  HWND control(int id) const { return GetDlgItem(window_, id); }

  // MonitorLog
  void append_log(const std::string& line) override;

  // StartUpSteps
  bool ensure_single_instance() override;
  void choose_data_root() override;
  void load_settings() override;
  bool needs_elevated_restart() override;
  void restart_elevated_and_exit() override;
  void refresh_tray_icon() override {}
  void ensure_rule_database() override {}
  void run_termination_pass() override {}
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
  void on_command(int id, int code);

  AppState& state_;
  Desktop& desktop_;
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

bool is_administrator();
bool restart_elevated();
std::string program_path();
std::string program_file_name();

}  // namespace qvk
