// A program whose windows the tests aim at: other programs' pop-ups, windows to capture,
// windows that refuse to close, and one window with the common controls the driver reads.
//
//   testwin.exe CLASS TITLE SIZE FLAGS [CLASS TITLE SIZE FLAGS ...]
//       One top-level window per group of four arguments:
//       SIZE   "WxH" or "WxH@X,Y" (outer size, place on the screen; default place 100,100)
//       FLAGS  "-" or a comma list of: ignore-close (WM_CLOSE and SC_CLOSE do nothing),
//              hidden (created invisible)
//       The program ends when its last window is gone.
//   testwin.exe --controls
//       One window "QvkTestControls" / "控件窗口" holding a tab control (id 10), a report list
//       view (id 11), a status bar (id 12), an edit box (id 13), a check box (id 14) and a button
//       (id 15) that asks a Yes/No question in a message box captioned "信息：". The edit box
//       shows what happened: "page N" after a tab change, "yes"/"no" after the question, and
//       "drag X,Y" (screen coordinates) when a left-button drag that began on the window's free
//       area ends, wherever that is (the window captures the mouse, like a cross-hair tool).
//
// verinfo.exe is the same program with a version resource of its own.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int g_windows = 0;

struct WindowRequest {
  std::string cls, title;
  int width = 200, height = 100, x = 100, y = 100;
  bool ignore_close = false, hidden = false;
};

LRESULT CALLBACK plain_proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  const bool ignore_close = GetWindowLongPtrA(wnd, GWLP_USERDATA) != 0;
  switch (msg) {
    case WM_CLOSE:
      if (ignore_close) return 0;
      break;
    case WM_SYSCOMMAND:
      if (ignore_close && (wparam & 0xFFF0) == SC_CLOSE) return 0;
      break;
    case WM_DESTROY:
      if (--g_windows == 0) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(wnd, msg, wparam, lparam);
}

bool parse_request(char** args, WindowRequest* request) {
  request->cls = args[0];
  request->title = args[1];
  if (std::sscanf(args[2], "%dx%d@%d,%d", &request->width, &request->height, &request->x, &request->y) < 2)
    return false;
  const std::string flags = args[3];
  request->ignore_close = flags.find("ignore-close") != std::string::npos;
  request->hidden = flags.find("hidden") != std::string::npos;
  return true;
}

bool create_plain(const WindowRequest& request) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = plain_proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = request.cls.c_str();
  RegisterClassA(&wc);  // a second window of the same class finds it registered
  HWND wnd = CreateWindowExA(0, request.cls.c_str(), request.title.c_str(), WS_OVERLAPPEDWINDOW,
                             request.x, request.y, request.width, request.height, nullptr, nullptr,
                             wc.hInstance, nullptr);
  if (!wnd) return false;
  ++g_windows;
  SetWindowLongPtrA(wnd, GWLP_USERDATA, request.ignore_close ? 1 : 0);
  if (!request.hidden) ShowWindow(wnd, SW_SHOWNORMAL);
  return true;
}

// --- --controls --------------------------------------------------------------------------------

enum { kTab = 10, kList = 11, kStatus = 12, kEdit = 13, kCheck = 14, kAsk = 15 };

LRESULT CALLBACK controls_proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->idFrom == kTab && header->code == TCN_SELCHANGE) {
        const int page = static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0));
        SetDlgItemTextA(wnd, kEdit, ("page " + std::to_string(page)).c_str());
      }
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == kAsk) {
        const int answer = MessageBoxA(nullptr, "继续吗？", "信息：", MB_YESNO | MB_TASKMODAL);
        SetDlgItemTextA(wnd, kEdit, answer == IDYES ? "yes" : "no");
      }
      return 0;
    case WM_LBUTTONDOWN:
      SetCapture(wnd);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == wnd) {
        ReleaseCapture();
        POINT at;
        GetCursorPos(&at);
        SetDlgItemTextA(wnd, kEdit,
                        ("drag " + std::to_string(at.x) + "," + std::to_string(at.y)).c_str());
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(wnd, msg, wparam, lparam);
}

bool create_controls() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = controls_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "QvkTestControls";
  RegisterClassA(&wc);
  HWND wnd = CreateWindowExA(0, wc.lpszClassName, "控件窗口", WS_OVERLAPPEDWINDOW, 60, 60, 640,
                             420, nullptr, nullptr, instance, nullptr);
  if (!wnd) return false;
  auto child = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
                   int id) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, wnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };

  HWND tab = child(WC_TABCONTROLA, "", WS_CLIPSIBLINGS, 0, 0, 620, 30, kTab);
  const char* pages[] = {"第一页", "第二页", "第三页"};
  for (int i = 0; i < 3; ++i) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(pages[i]);
    SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }

  HWND list = child(WC_LISTVIEWA, "", LVS_REPORT | WS_BORDER, 0, 40, 620, 150, kList);
  const char* columns[] = {"名称", "路径"};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 200;
    column.pszText = const_cast<char*>(columns[i]);
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  const char* cells[2][2] = {{"记事本", "C:\\windows\\notepad.exe"},
                             {"岚窗精灵", "D:\\软件\\qvk.exe"}};
  for (int row = 0; row < 2; ++row) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(cells[row][0]);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(cells[row][1]);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  }

  HWND status = child(STATUSCLASSNAMEA, "", 0, 0, 0, 0, 0, kStatus);
  int edges[] = {150, 300, -1};
  SendMessageA(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  const char* parts[] = {"弹窗拦截：拦截中", "拦截数量：3", ""};
  for (int i = 0; i < 3; ++i) SendMessageA(status, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(parts[i]));

  child("EDIT", "第一行\r\n第二行", ES_MULTILINE | WS_BORDER, 0, 200, 300, 60, kEdit);
  HWND check = child("BUTTON", "选择框", BS_AUTOCHECKBOX, 320, 200, 120, 25, kCheck);
  SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
  child("BUTTON", "提问", BS_PUSHBUTTON, 320, 240, 120, 30, kAsk);

  ShowWindow(wnd, SW_SHOWNORMAL);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--controls") == 0) {
    if (!create_controls()) return 2;
  } else {
    if (argc < 5 || (argc - 1) % 4 != 0) {
      std::fprintf(stderr, "usage: testwin CLASS TITLE WxH[@X,Y] FLAGS ... | --controls\n");
      return 2;
    }
    for (int i = 1; i < argc; i += 4) {
      WindowRequest request;
      if (!parse_request(argv + i, &request) || !create_plain(request)) return 2;
    }
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
