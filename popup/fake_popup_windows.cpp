#include "popup/fake_popup_windows.h"

#include "platform/text.h"

namespace qvk {

WindowHandle FakePopupWindows::find_window(const std::optional<std::string>& class_name,
                                           const std::optional<std::string>& title) {
  find_calls.push_back({class_name, title});
  for (WindowHandle window = desktop_.next_top_level_window(0); window != 0;
       window = desktop_.next_top_level_window(window)) {
    if (class_name && !equals_ignoring_ascii_case(desktop_.window_class(window), *class_name)) continue;
    if (title && !equals_ignoring_ascii_case(desktop_.window_title(window), *title)) continue;
    return window;
  }
  return 0;
}

void FakePopupWindows::force_close_window(WindowHandle window) {
  forced_closes.push_back(window);
  if (FakeDesktop::Window* w = desktop_.window(window)) w->exists = false;
}

}  // namespace qvk
