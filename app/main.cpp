#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "platform/win32_desktop.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  qvk::AppState state;
  qvk::Win32Desktop desktop;
  // Any argument after the program path starts the program hidden; its text is not examined.
  qvk::RuleLists lists;
  qvk::MainWindow main_window(state, desktop, lists, __argc > 1);
  if (!main_window.create(instance)) return 0;
  qvk::run_start_up(main_window);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  CoUninitialize();
  return 0;
}
