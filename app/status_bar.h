// The seven parts of the status bar, derived every time from the state and the three lists.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "app/app_state.h"

namespace qvk {

struct ListCounts {
  std::size_t popup_rules = 0;
  std::size_t process_rules = 0;
  std::size_t leftover_processes = 0;
};

inline constexpr int kStatusBarParts = 7;
inline constexpr int kStatusBarPartWidth = 152;

std::array<std::string, kStatusBarParts> status_bar_texts(const AppState& state, const ListCounts& counts);
// What the parts say before the first refresh.
std::array<std::string, kStatusBarParts> status_bar_layout_captions();

}  // namespace qvk
