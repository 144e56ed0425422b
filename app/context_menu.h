// The items of a list's context menu, in the order they are shown.
#pragma once

namespace qvk {

struct MenuItem {
  int command;       // the WM_COMMAND id; 0 is a separator
  const char* text;  // nullptr for a separator
};

}  // namespace qvk
