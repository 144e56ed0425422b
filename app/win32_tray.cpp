#include "app/win32_tray.h"

#include <cstring>
#include <initializer_list>

namespace qvk {
namespace {

static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V2_SIZE == 488, "the shell expects 488 bytes on 32 bits");
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88, "the shell expects 88 bytes on 32 bits");

// The tip field holds 64 characters; the old shells show no more than 62 of them.
constexpr std::size_t kTipLength = 62;

// Follows a chain of window classes from a top-level window down through its children; stops
// with no window at the first link that is missing, since a null parent would search the whole
// desktop.
HWND find_window_chain(const char* top_class, std::initializer_list<const char*> child_classes) {
  HWND window = FindWindowA(top_class, nullptr);
  for (const char* child_class : child_classes) {
    if (!window) return nullptr;
    window = FindWindowExA(window, nullptr, child_class, nullptr);
  }
  return window;
}

}  // namespace

TrayIcon::TrayIcon() : taskbar_created_(RegisterWindowMessageA("TaskbarCreated")) {
  data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
}

TrayIcon::~TrayIcon() { remove_icon(); }

HWND TrayIcon::find_tray_toolbar() {
  return find_window_chain("Shell_TrayWnd", {"TrayNotifyWnd", "SysPager", "ToolbarWindow32"});
}

HWND TrayIcon::find_overflow_toolbar() {
  return find_window_chain("NotifyIconOverflowWindow", {"ToolbarWindow32"});
}

bool TrayIcon::remove_icon() {
  data_.szInfo[0] = '\0';
  data_.szInfoTitle[0] = '\0';
  return Shell_NotifyIconA(NIM_DELETE, &data_) != FALSE;
}

void TrayIcon::sweep_stale_icons(bool use_overflow) {
  HWND toolbar = use_overflow ? find_overflow_toolbar() : find_tray_toolbar();
  RECT client = {};
  if (toolbar) GetClientRect(toolbar, &client);
  for_each_sweep_point(client.right - client.left, client.bottom - client.top, [toolbar](Point at) {
    SendMessageA(toolbar, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  });
}

NOTIFYICONDATAA MainTrayIcon::record(UINT flags) const {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window_.handle();
  data.uID = kTrayIconId;
  data.uFlags = flags;
  return data;
}

bool MainTrayIcon::set_icon(HICON icon, const char* tip) {
  NOTIFYICONDATAA data = record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon;
  std::strncpy(data.szTip, tip, kTipLength);
  const bool had_icon = icon_ != nullptr;
  const bool done = Shell_NotifyIconA(had_icon ? NIM_MODIFY : NIM_ADD, &data) != FALSE;
  if (had_icon) DestroyIcon(icon_);
  icon_ = icon;
  return done;
}

bool MainTrayIcon::remove_icon() {
  if (!icon_) return false;
  NOTIFYICONDATAA data = record(0);
  const bool done = Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
  DestroyIcon(icon_);
  icon_ = nullptr;
  return done;
}

void MainTrayIcon::refresh_tray_icon() {
  TrayIcon tray;
  struct Actions : TrayRefreshActions {
    MainTrayIcon& main;
    TrayIcon& tray;
    Actions(MainTrayIcon& main, TrayIcon& tray) : main(main), tray(tray) {}
    void remove_main_icon() override { main.remove_icon(); }
    void set_main_icon() override {
      // The notification area shows small icons; the resource's one 128x128 image is scaled.
      HICON icon = static_cast<HICON>(LoadImageA(main.instance_, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
      main.set_icon(icon, kTrayTip);
    }
    void sweep_stale_icons(bool use_overflow) override { tray.sweep_stale_icons(use_overflow); }
  } actions(*this, tray);
  AppContext context = window_.context();
  qvk::refresh_tray_icon(context.state, context.desktop, actions);
}

void MainTrayIcon::handle_tray_event(TrayEvent type) {
  switch (type) {
    case TrayEvent::LeftClick:
    case TrayEvent::DoubleClick: show_and_centre(); break;
    case TrayEvent::Menu: show_menu(); break;
    case TrayEvent::None: break;
  }
}

void MainTrayIcon::show_and_centre() {
  HWND window = window_.handle();
  ShowWindow(window, SW_SHOW);
  if (IsIconic(window) || IsZoomed(window)) ShowWindow(window, SW_RESTORE);
  RECT rect = {};
  GetWindowRect(window, &rect);
  if (auto place = centred_place(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 rect.right - rect.left, rect.bottom - rect.top, {rect.left, rect.top})) {
    SetWindowPos(window, nullptr, place->x, place->y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
  }
}

void MainTrayIcon::show_menu() {
  // The chosen item goes the way of every menu command: WM_COMMAND (code 0) to the main window.
  if (int command = track_context_menu(window_.handle(), tray_menu::kItems, TPM_RIGHTALIGN, {-5, -5})) {
    SendMessageA(window_.handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  }
}

std::unique_ptr<MainTrayIcon> install_tray_icon(MainWindow& window, HINSTANCE instance) {
  auto tray = std::make_unique<MainTrayIcon>(window, instance);
  MainTrayIcon* icon = tray.get();
  window.refresh_tray_icon_step = [icon] { icon->refresh_tray_icon(); };
  window.on_timer(ids::kTrayRefreshTimer, [icon] { icon->refresh_tray_icon(); });
  window.timer(ids::kTrayRefreshTimer).set_period(kTrayRefreshPeriodMs);
  window.on_message(kTrayCallbackMessage, [icon](WPARAM, LPARAM lparam) -> LRESULT {
    icon->handle_tray_event(tray_event_type(static_cast<unsigned>(lparam)));
    return 0;
  });
  // A destroyed window's icon would stay in the notification area until the mouse passes over it.
  window.on_destroy = [icon] { icon->remove_icon(); };

  const auto hook = [icon](std::function<void()> TrayMenuHooks::*member) {
    return [icon, member] {
      if (icon->hooks.*member) (icon->hooks.*member)();
    };
  };
  window.on_command(tray_menu::kAddPopupRule, hook(&TrayMenuHooks::add_popup_rule));
  window.on_command(tray_menu::kAddProcessRule, hook(&TrayMenuHooks::add_process_rule));
  window.on_command(tray_menu::kPausePopupMonitor, hook(&TrayMenuHooks::pause_popup_monitor));
  window.on_command(tray_menu::kResumePopupMonitor, hook(&TrayMenuHooks::resume_popup_monitor));
  window.on_command(tray_menu::kStopProcessMonitor, hook(&TrayMenuHooks::stop_process_monitor));
  window.on_command(tray_menu::kStartProcessMonitor, hook(&TrayMenuHooks::start_process_monitor));
  window.on_command(tray_menu::kExit, [&window] { window.exit_program(); });
  return tray;
}

}  // namespace qvk
