#include "popup/win32_popup.h"

#include "app/control_ids.h"
#include "popup/popup_monitor.h"

namespace qvk {
namespace {

HWND to_hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

void run_hook(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

void force_close_window(HWND window) {
  HWND parent = CreateWindowExA(0, "#32770", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  SetParent(window, parent);
  DestroyWindow(parent);
}

WindowHandle Win32PopupWindows::find_window(const std::optional<std::string>& class_name,
                                            const std::optional<std::string>& title) {
  return reinterpret_cast<WindowHandle>(FindWindowExA(nullptr, nullptr, class_name ? class_name->c_str() : nullptr,
                                                      title ? title->c_str() : nullptr));
}

void Win32PopupWindows::force_close_window(WindowHandle window) { qvk::force_close_window(to_hwnd(window)); }

PopupMonitor::PopupMonitor(MainWindow& window) : window_(window), context_(window.context()) {}

void PopupMonitor::start() { start_popup_monitor(context_, window_.timer(ids::kPopupMonitorTimer)); }
void PopupMonitor::stop() { stop_popup_monitor(context_, window_.timer(ids::kPopupMonitorTimer)); }
void PopupMonitor::pause() { pause_popup_monitor(context_, window_.timer(ids::kPopupMonitorTimer)); }
void PopupMonitor::resume() { resume_popup_monitor(context_, window_.timer(ids::kPopupMonitorTimer)); }
void PopupMonitor::locate_rule_file() { qvk::locate_rule_file(context_); }
void PopupMonitor::run_pass() { run_popup_blocking_pass(context_, windows_); }

void PopupMonitor::show_menu() {
  // The chosen item goes the way of every menu command: WM_COMMAND (code 0) to the main window.
  if (int command = track_context_menu(window_.handle(), popup_menu::kItems)) {
    SendMessageA(window_.handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  }
}

std::unique_ptr<PopupMonitor> install_popup_monitor(MainWindow& window) {
  auto monitor = std::make_unique<PopupMonitor>(window);
  PopupMonitor* m = monitor.get();
  window.on_timer(ids::kPopupMonitorTimer, [m] { m->run_pass(); });
  window.on_command(popup_menu::kAddRule, [m] { run_hook(m->hooks.add_rule); });
  window.on_command(popup_menu::kEditRule, [m] { run_hook(m->hooks.edit_rule); });
  window.on_command(popup_menu::kDeleteRule, [m] { run_hook(m->hooks.delete_rule); });
  window.on_command(popup_menu::kClearRules, [m] { run_hook(m->hooks.clear_rules); });
  window.on_command(popup_menu::kLocateFile, [m] { m->locate_rule_file(); });
  window.on_command(popup_menu::kStartBlocking, [m] { m->start(); });
  window.on_command(popup_menu::kStopBlocking, [m] { m->stop(); });
  // Anywhere in the list, on a row or below the rows.
  window.on_list_event(ids::kPopupList, ListEvent::RightClick, [m](int) { m->show_menu(); });
  window.on_list_event(ids::kPopupList, ListEvent::DoubleClick, [m](int row) {
    if (row >= 0) run_hook(m->hooks.edit_rule);
  });
  window.timer(ids::kPopupMonitorTimer);  // made now, stopped: period 0 until a command sets it
  return monitor;
}

}  // namespace qvk
