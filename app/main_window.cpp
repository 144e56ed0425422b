#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>

#include "app/control_ids.h"
#include "app/data_root.h"
#include "app/page_texts.h"
#include "app/paths.h"
#include "platform/text.h"

namespace qvk {
namespace {

constexpr int kPopupPage = 0, kProcessPage = 1, kLeftoverPage = 2, kLogPage = 3, kSettingsPage = 4,
              kTutorialPage = 5, kChangeLogPage = 6;

// The log box keeps at most this many bytes; older entries are dropped first.
constexpr std::size_t kLogCapacity = 1 << 20;

std::string read_setting(const std::string& file, const char* key) {
  std::string value(10240, '\0');
  DWORD length = GetPrivateProfileStringA(kSettingsSection, key, "", value.data(),
                                          static_cast<DWORD>(value.size()), file.c_str());
  value.resize(length);
  return value;
}

void insert_columns(HWND list, const ListColumn* columns, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(columns[i].header);
    column.cx = columns[i].width;
    column.iSubItem = static_cast<int>(i);
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
}

}  // namespace

void show_message(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), kMessageCaption, MB_OK | MB_TASKMODAL);
}

bool ask_question(const std::string& text) {
  return MessageBoxA(nullptr, text.c_str(), kMessageCaption, MB_YESNO | MB_TASKMODAL) == IDYES;
}

std::string program_path() {
  char path[MAX_PATH * 2] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, length);
}

std::string program_file_name() {
  std::string path = program_path();
  return path.substr(path.find_last_of("\\/") + 1);
}

bool is_administrator() {
  HMODULE advpack = LoadLibraryA("advpack.dll");
  if (!advpack) return false;
  using IsNTAdminFn = BOOL(WINAPI*)(DWORD, DWORD*);
  auto is_nt_admin = reinterpret_cast<IsNTAdminFn>(reinterpret_cast<void*>(GetProcAddress(advpack, "IsNTAdmin")));
  DWORD reserved = 0;
  bool admin = is_nt_admin && is_nt_admin(0, &reserved) != 0;
  FreeLibrary(advpack);
  return admin;
}

bool restart_elevated() {
  std::string path = program_path();
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC;
  info.lpVerb = "runas";
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWDEFAULT;
  return ShellExecuteExA(&info) != FALSE;
}

MainWindow::MainWindow(AppState& state, Desktop& desktop, bool started_with_argument)
    : state_(state), desktop_(desktop), started_with_argument_(started_with_argument) {}

MainWindow::~MainWindow() {
  if (font_) DeleteObject(font_);
}

bool MainWindow::create(HINSTANCE instance) {
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  window_class.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, 16, 16, 0));
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = ids::kMainWindowClass;
  if (!RegisterClassExA(&window_class)) return false;

  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font_ = CreateFontIndirectA(&metrics.lfMessageFont);
  }

  window_ = CreateWindowExA(0, ids::kMainWindowClass, kMainWindowTitle,
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                            50, 50, 1070, 570, nullptr, nullptr, instance, this);
  if (!window_) return false;
  create_controls();
  select_page(0);
  return true;
}

HWND MainWindow::add_control(int page, const char* class_name, const char* text, DWORD style, int x, int y,
                             int width, int height, int id, DWORD ex_style) {
  HWND control = CreateWindowExA(ex_style, class_name, text, WS_CHILD | style, x, y, width, height, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  if (font_) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (page >= 0) page_controls_[page].push_back(control);
  return control;
}

void MainWindow::create_controls() {
  // The pages' controls are siblings of the tab control, above it in z-order; the tab control
  // clips them out of its own painting.
  HWND tab = add_control(-1, WC_TABCONTROLA, "", WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 1224, 521, ids::kTab);
  for (size_t i = 0; i < kPageNames.size(); ++i) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(kPageNames[i]);
    SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }

  const DWORD list_style = LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_TABSTOP;
  const DWORD list_ex = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
  struct ListPage {
    int page, id;
    const ListColumn* columns;
    size_t count;
  } lists[] = {
      {kPopupPage, ids::kPopupList, kPopupListColumns.data(), kPopupListColumns.size()},
      {kProcessPage, ids::kProcessList, kProcessListColumns.data(), kProcessListColumns.size()},
      {kLeftoverPage, ids::kLeftoverList, kLeftoverListColumns.data(), kLeftoverListColumns.size()},
  };
  for (const ListPage& l : lists) {
    HWND list = add_control(l.page, WC_LISTVIEWA, "", list_style, 0, 20, 1065, 500, l.id, WS_EX_CLIENTEDGE);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, list_ex, list_ex);
    insert_columns(list, l.columns, l.count);
  }

  const DWORD text_box = ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL;
  HWND log = add_control(kLogPage, "EDIT", "", text_box, 0, 20, 1064, 499, ids::kLogBox, WS_EX_CLIENTEDGE);
  SendMessageA(log, EM_SETLIMITTEXT, kLogCapacity * 2, 0);

  const int label_y[] = {50, 90, 130, 170};
  for (int i = 0; i < 4; ++i) {
    add_control(kSettingsPage, "STATIC", kSettingLabels[i], SS_LEFT, 30, label_y[i], 60, 25,
                ids::kSettingLabelBase + i);
  }
  struct Box {
    int id, x, y, width;
  } boxes[] = {
      {ids::kAutostartBox, 100, 50, 476},   {ids::kTrayOnCloseBox, 100, 90, 400},
      {ids::kPopupAutoBox, 100, 130, 270},  {ids::kProcessAutoBox, 400, 130, 300},
      {ids::kForceCloseBox, 100, 170, 276}, {ids::kElevateBox, 400, 170, 476},
  };
  for (int i = 0; i < 6; ++i) {
    add_control(kSettingsPage, "BUTTON", kSettingCaptions[i], BS_AUTOCHECKBOX | WS_TABSTOP, boxes[i].x,
                boxes[i].y, boxes[i].width, 25, boxes[i].id);
  }

  add_control(kTutorialPage, "BUTTON", kTutorialButton1Caption, BS_PUSHBUTTON | WS_TABSTOP, 250, 50, 200, 50,
              ids::kTutorialButton1);
  add_control(kTutorialPage, "BUTTON", kTutorialButton2Caption, BS_PUSHBUTTON | WS_TABSTOP, 600, 48, 200, 50,
              ids::kTutorialButton2);
  add_control(kTutorialPage, "EDIT", introduction_text().c_str(), text_box, -1, 130, 1066, 390, ids::kIntroBox,
              WS_EX_CLIENTEDGE);
  add_control(kChangeLogPage, "EDIT", change_history_text().c_str(), text_box, -1, 20, 1065, 499,
              ids::kChangeLog, WS_EX_CLIENTEDGE);

  HWND status = add_control(-1, STATUSCLASSNAMEA, "", WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 510,
                            1044, 20, ids::kStatusBar);
  int edges[kStatusBarParts];
  for (int i = 0; i < kStatusBarParts; ++i) edges[i] = (i + 1) * kStatusBarPartWidth;
  SendMessageA(status, SB_SETPARTS, kStatusBarParts, reinterpret_cast<LPARAM>(edges));
  auto captions = status_bar_layout_captions();
  for (int i = 0; i < kStatusBarParts; ++i) {
    SendMessageA(status, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(captions[i].c_str()));
  }
  SetWindowPos(tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::select_page(int index) {
  SendMessageA(control(ids::kTab), TCM_SETCURSEL, index, 0);
  for (int page = 0; page < 7; ++page) {
    for (HWND c : page_controls_[page]) ShowWindow(c, page == index ? SW_SHOW : SW_HIDE);
  }
}

void MainWindow::append_log(const std::string& line) {
  HWND box = control(ids::kLogBox);
  int length = GetWindowTextLengthA(box);
  if (static_cast<std::size_t>(length) + line.size() > kLogCapacity) {
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(GetWindowTextA(box, text.data(), length + 1));
    // Drop a quarter at once so that trimming does not come back with every new line.
    std::size_t drop = log_bytes_to_drop(text, line.size(), kLogCapacity * 3 / 4);
    SendMessageA(box, EM_SETSEL, 0, static_cast<LPARAM>(drop));
    SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
    length = GetWindowTextLengthA(box);
  }
  SendMessageA(box, EM_SETSEL, length, length);
  SendMessageA(box, EM_SCROLLCARET, 0, 0);
  SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
}

bool MainWindow::ensure_single_instance() {
  if (HANDLE running = OpenEventA(EVENT_ALL_ACCESS, FALSE, kSingleInstanceEventName)) {
    CloseHandle(running);
    activate_running_instance();
    exit_program();
    return false;
  }
  single_instance_event_ = CreateEventA(nullptr, FALSE, FALSE, kSingleInstanceEventName);
  return true;
}

void MainWindow::activate_running_instance() {
  HWND target = reinterpret_cast<HWND>(find_running_instance_window(desktop_, program_file_name()));
  if (!target) return;
  ShowWindow(target, SW_RESTORE);
  SetForegroundWindow(target);
  SetWindowPos(target, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void MainWindow::choose_data_root() {
  char windows_folder[MAX_PATH] = {};
  GetWindowsDirectoryA(windows_folder, sizeof windows_folder);
  state_.DataRoot = qvk::choose_data_root(
      [](const std::string& root) { return PathIsDirectoryA(root.c_str()) == FILE_ATTRIBUTE_DIRECTORY; },
      drive_root_of(windows_folder));
}

void MainWindow::load_settings() {
  const std::string file = settings_file_path(state_.DataRoot);
  state_.TrayOnCloseSetting = read_setting(file, "托盘事件");
  state_.PopupAutoStartSetting = read_setting(file, "弹窗拦截");
  state_.ProcessAutoStartSetting = read_setting(file, "进程终结");
  state_.ElevateSetting = read_setting(file, "强力拦截");
  state_.ForceCloseSetting = read_setting(file, "强制关闭");
  struct Tick {
    const std::string& setting;
    int box;
  } ticks[] = {
      {state_.TrayOnCloseSetting, ids::kTrayOnCloseBox},
      {state_.PopupAutoStartSetting, ids::kPopupAutoBox},
      {state_.ProcessAutoStartSetting, ids::kProcessAutoBox},
      {state_.ElevateSetting, ids::kElevateBox},
      {state_.ForceCloseSetting, ids::kForceCloseBox},
  };
  for (const Tick& t : ticks) {
    if (setting_is_on(t.setting)) SendMessageA(control(t.box), BM_SETCHECK, BST_CHECKED, 0);
  }
  state_.BlockedCount = "0";
  state_.TerminatedCount = "0";
}

bool MainWindow::needs_elevated_restart() {
  return SendMessageA(control(ids::kElevateBox), BM_GETCHECK, 0, 0) == BST_CHECKED && !is_administrator();
}

void MainWindow::restart_elevated_and_exit() {
  ShowWindow(window_, SW_HIDE);
  restart_elevated();
  exit_program();
}

void MainWindow::refresh_status_bar() {
  ListCounts counts;
  counts.popup_rules = static_cast<size_t>(SendMessageA(control(ids::kPopupList), LVM_GETITEMCOUNT, 0, 0));
  counts.process_rules = static_cast<size_t>(SendMessageA(control(ids::kProcessList), LVM_GETITEMCOUNT, 0, 0));
  counts.leftover_processes =
      static_cast<size_t>(SendMessageA(control(ids::kLeftoverList), LVM_GETITEMCOUNT, 0, 0));
  auto texts = status_bar_texts(state_, counts);
  for (int i = 0; i < kStatusBarParts; ++i) {
    SendMessageA(control(ids::kStatusBar), SB_SETTEXTA, i, reinterpret_cast<LPARAM>(texts[i].c_str()));
  }
}

void MainWindow::apply_start_visibility() {
  if (started_with_argument_) return;
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
}

bool MainWindow::on_close_requested() {
  if (setting_is_on(state_.TrayOnCloseSetting)) {
    ShowWindow(window_, SW_HIDE);
    return false;
  }
  return true;
}

void MainWindow::exit_program() {
  if (exiting_) return;
  exiting_ = true;
  if (IsWindow(window_)) DestroyWindow(window_);
  PostQuitMessage(0);
}

void MainWindow::open_tutorial_page(int which) {
  ShellExecuteA(nullptr, "open", which == 1 ? kPopupTutorialUrl : kProcessTutorialUrl, nullptr, nullptr,
                SW_SHOWNORMAL);
}

void MainWindow::on_command(int id, int code) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case ids::kTutorialButton1: open_tutorial_page(1); break;
    case ids::kTutorialButton2: open_tutorial_page(2); break;
    default: break;
  }
}

LRESULT CALLBACK MainWindow::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return DefWindowProcA(window, message, wparam, lparam);
  return self->handle_message(message, wparam, lparam);
}

LRESULT MainWindow::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      on_command(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->idFrom == ids::kTab && header->code == TCN_SELCHANGE) {
        select_page(static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      // Labels and check boxes are drawn transparently on the page.
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_CLOSE:
      if (on_close_requested()) exit_program();
      return 0;
    case WM_DESTROY:
      if (!exiting_) {
        exiting_ = true;
        PostQuitMessage(0);
      }
      return 0;
    default:
      return DefWindowProcA(window_, message, wparam, lparam);
  }
}

}  // namespace qvk
