#include "app/tray.h"

#include <string>

namespace qvk {

void refresh_tray_icon(AppState& state, Desktop& desktop, TrayRefreshActions& actions) {
  const std::string explorer_id = std::to_string(find_process_by_name(desktop, "explorer.exe"));
  if (explorer_id == state.TrayExplorerIdText) return;
  state.TrayExplorerIdText = explorer_id;
  // Removing first makes the set an add: a new Explorer does not know the icon any more, so a
  // modification would fail.
  actions.remove_main_icon();
  actions.set_main_icon();
  actions.sweep_stale_icons(false);
}

TrayEvent tray_event_type(unsigned mouse_message) {
  switch (mouse_message) {
    case 514: return TrayEvent::LeftClick;    // WM_LBUTTONUP
    case 515: return TrayEvent::DoubleClick;  // WM_LBUTTONDBLCLK
    case 517:                                 // WM_RBUTTONUP
    case 123: return TrayEvent::Menu;         // WM_CONTEXTMENU
    default: return TrayEvent::None;
  }
}

std::optional<Point> centred_place(long screen_width, long screen_height, long window_width,
                                   long window_height, Point current) {
  const Point centre = {(screen_width - window_width) / 2, (screen_height - window_height) / 2};
  if (centre == current) return std::nullopt;
  return centre;
}

void for_each_sweep_point(long client_width, long client_height, const std::function<void(Point)>& visit) {
  for (long i = 1; i <= client_height / 2; ++i) {
    for (long j = 1; j <= client_width / 2; ++j) visit({2 * j, 2 * i});
  }
}

}  // namespace qvk
