// PopupWindows over a FakeDesktop, for the native tests: FindWindowExA by class and title as
// Win32 does it (the ASCII letters of both compared without case), and a forced close that
// takes the window away and is recorded.
#pragma once

#include <vector>

#include "platform/fake_desktop.h"
#include "popup/popup_pass.h"

namespace qvk {

class FakePopupWindows : public PopupWindows {
 public:
  explicit FakePopupWindows(FakeDesktop& desktop) : desktop_(desktop) {}

  WindowHandle find_window(const std::optional<std::string>& class_name,
                           const std::optional<std::string>& title) override;
  void force_close_window(WindowHandle window) override;

  struct FindCall {
    std::optional<std::string> class_name, title;
  };
  std::vector<FindCall> find_calls;
  std::vector<WindowHandle> forced_closes;

 private:
  FakeDesktop& desktop_;
};

}  // namespace qvk
