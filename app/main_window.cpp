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

int track_context_menu(HWND owner, std::span<const MenuItem> items, UINT align, POINT offset) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return 0;
  for (const MenuItem& item : items) {
    if (item.command == 0) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(item.command), item.text);
    }
  }
  POINT at = {};
  GetCursorPos(&at);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(owner);
  int command = static_cast<int>(
      TrackPopupMenu(menu, align | TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x + offset.x,
                     at.y + offset.y, 0, owner, nullptr));
  PostMessageA(owner, WM_NULL, 0, 0);
  DestroyMenu(menu);
  return command;
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

void Win32Timer::set_period(unsigned ms) {
  if (ms == period_) return;
  period_ = ms;
  if (ms == 0) {
    KillTimer(window_, id_);
  } else {
    SetTimer(window_, id_, ms, nullptr);
  }
}

MainWindow::MainWindow(AppState& state, Desktop& desktop, RuleLists& lists, bool started_with_argument)
    : state_(state), desktop_(desktop), lists_(lists), started_with_argument_(started_with_argument) {}

AppContext MainWindow::context() {
  return {state_, desktop_, *this, lists_, [this] { refresh_status_bar(); }};
}

MonitorTimer& MainWindow::timer(unsigned timer_id) {
  auto& timer = timers_[timer_id];
  if (!timer) timer = std::make_unique<Win32Timer>(window_, timer_id);
  return *timer;
}

namespace {

// The cells of a row after column 0, which shows the row's 1-based position.
std::vector<std::string> cells_of(const PopupRule& r) {
  return {r.窗口标题, r.窗口类名, r.窗口大小, r.拦截方式, r.文件描述, r.弹窗来源, r.编号序列};
}
std::vector<std::string> cells_of(const ProcessRule& r) { return {r.主程序名, r.进程名称, r.规则文本, r.文件路径, r.编号序列}; }
std::vector<std::string> cells_of(const LeftoverRow& r) { return {r.驻留程序, r.子进程名, r.主程序名, r.文件路径}; }

}  // namespace

template <class Row>
void MainWindow::bind_list(int list_id, RowList<Row>& rows) {
  rows.changed = [this, list_id, &rows] {
    std::vector<std::vector<std::string>> cells;
    for (size_t i = 0; i < rows.size(); ++i) {
      cells.push_back({std::to_string(i + 1)});
      std::vector<std::string> rest = cells_of(rows[i]);
      cells.back().insert(cells.back().end(), rest.begin(), rest.end());
    }
    show_rows(list_id, cells);
  };
}

void MainWindow::show_rows(int list_id, const std::vector<std::vector<std::string>>& rows) {
  HWND list = control(list_id);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < rows.size(); ++i) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(rows[i][0].c_str());
    int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t column = 1; column < rows[i].size(); ++column) {
      LVITEMA cell = {};
      cell.iSubItem = static_cast<int>(column);
      cell.pszText = const_cast<char*>(rows[i][column].c_str());
      SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&cell));
    }
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

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
  bind_list(ids::kPopupList, lists_.popup);
  bind_list(ids::kProcessList, lists_.process);
  bind_list(ids::kLeftoverList, lists_.leftover);
  select_page(0);
  return true;
}

HWND MainWindow::add_control(int page, const char* class_name, const char* text, DWORD style, int x, int y,
                             int width, int height, int id, DWORD ex_style) {
  HWND control = CreateWindowExA(ex_style, class_name, text, WS_CHILD | WS_CLIPSIBLINGS | style, x, y, width, height, window_,
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
  // The pages reach below the status bar's top edge; the bar stays in front of them.
  SetWindowPos(status, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
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

void MainWindow::refresh_status_bar() {
  ListCounts counts{lists_.popup.size(), lists_.process.size(), lists_.leftover.size()};
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

void MainWindow::handle_command(int id, int code) {
  if (auto handler = command_handlers_.find(id); handler != command_handlers_.end()) {
    // Menu items arrive with code 0, buttons and check boxes with BN_CLICKED.
    if (code == 0 || code == BN_CLICKED) handler->second();
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case ids::kTutorialButton1: open_tutorial_page(1); break;
    case ids::kTutorialButton2: open_tutorial_page(2); break;
    default: break;
  }
}

void MainWindow::on_list_notify(int list_id, NMHDR* header) {
  if (header->code == LVN_ITEMCHANGED) {
    auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    if ((change->uChanged & LVIF_STATE) && change->iItem >= 0) {
      bool now_selected = change->uNewState & LVIS_SELECTED;
      bool was_selected = change->uOldState & LVIS_SELECTED;
      if (now_selected != was_selected) {
        int selected = static_cast<int>(SendMessageA(header->hwndFrom, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
        if (list_id == ids::kPopupList) lists_.popup.select(selected);
        if (list_id == ids::kProcessList) lists_.process.select(selected);
        if (list_id == ids::kLeftoverList) lists_.leftover.select(selected);
      }
    }
    return;
  }
  ListEvent event;
  if (header->code == NM_RCLICK) {
    event = ListEvent::RightClick;
  } else if (header->code == NM_DBLCLK) {
    event = ListEvent::DoubleClick;
  } else {
    return;
  }
  if (auto handler = list_handlers_.find({list_id, event}); handler != list_handlers_.end()) {
    handler->second(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
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
      handle_command(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_TIMER:
      if (auto handler = timer_handlers_.find(static_cast<unsigned>(wparam)); handler != timer_handlers_.end()) {
        handler->second();
      }
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      const int id = static_cast<int>(header->idFrom);
      if (id == ids::kTab && header->code == TCN_SELCHANGE) {
        select_page(static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
      } else if (id == ids::kPopupList || id == ids::kProcessList || id == ids::kLeftoverList) {
        on_list_notify(id, header);
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
      if (on_destroy) on_destroy();
      if (!exiting_) {
        exiting_ = true;
        PostQuitMessage(0);
      }
      return 0;
    default:
      if (auto handler = message_handlers_.find(message); handler != message_handlers_.end()) {
        return handler->second(wparam, lparam);
      }
      return DefWindowProcA(window_, message, wparam, lparam);
  }
}

}  // namespace qvk
