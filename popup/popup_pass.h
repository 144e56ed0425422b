// The pop-up blocking pass: on every tick of 弹窗拦截监控, each rule of 弹窗拦截列表
// looks for one matching top-level window and closes or hides it, with one log line, +1 on
// BlockedCount and a status bar rewrite per action.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/app_context.h"
#include "platform/desktop.h"
#include "store/rule_lists.h"

namespace qvk {

// The fixed texts of a rule's cells and of the log entries.
inline constexpr char kUnknownWindowTitle[] = "未知窗口";  // 窗口标题: the window had no title
inline constexpr char kNoClassName[] = "无类名";           // 窗口类名: search by title part
inline constexpr char kAnySize[] = "0 x 0";                // 窗口大小: no size comparison
inline constexpr char kHideAction[] = "隐藏";              // 拦截方式: hide; anything else closes
inline constexpr char kClosedLogAction[] = "     拦截弹窗 ";
inline constexpr char kHiddenLogAction[] = "     隐藏弹窗 ";
// How long a close waits (handling messages) before the forced close looks again.
inline constexpr unsigned kForceCloseWaitMs = 1000;

// The two window operations that only this subsystem (and the pop-up rule editor's test) uses,
// on top of the shared Desktop operations.
class PopupWindows {
 public:
  virtual ~PopupWindows() = default;
  // FindWindowExA(no parent, no child-after, class, title): the first top-level window of that
  // class and title, or 0. No class (nullopt, passed as NULL) matches any class, no title any
  // title; an empty title text matches only windows whose title is empty.
  virtual WindowHandle find_window(const std::optional<std::string>& class_name,
                                   const std::optional<std::string>& title) = 0;
  // Makes the window a child of a new invisible "#32770" window and destroys that window,
  // which takes the window with it.
  virtual void force_close_window(WindowHandle window) = 0;
};

// Lower-cases the ASCII letters A-Z only. A byte of 0x80 or above starts a double-byte
// character whose two bytes are left as they are (so a trail byte that looks like a capital
// letter is not folded).
std::string lower_title_ascii(std::string_view title);

// Whether `part` occurs in `title` starting at a character boundary (never at the trail byte of
// a double-byte character). An empty part occurs in every non-empty title and in no empty one.
bool title_contains_at_character(std::string_view title, std::string_view part);

// The first top-level window (walking z-order) whose title contains `title`, ASCII letters
// compared without case, double-byte characters exactly; 0 when none does.
WindowHandle find_window_by_title_part(Desktop& desktop, const std::string& title);

// "<width> x <height>" of the window rectangle; "0 x 0" when the window does not exist.
std::string window_size_text(Desktop& desktop, WindowHandle window);

// What the pass did with one rule.
enum class PopupRuleOutcome { Skipped, Closed, Hidden };

// Handles one rule (a copy of its row): the per-rule working values live in this call, so a
// nested pass run during the forced-close wait cannot change what this one logs.
PopupRuleOutcome block_popup_by_rule(AppContext& context, PopupWindows& windows, const PopupRule& rule);

// One pass over 弹窗拦截列表: the row count is taken once; rows read by index each time, and a
// row beyond the current end (the list was reloaded during a wait) reads as empty cells.
void run_popup_blocking_pass(AppContext& context, PopupWindows& windows);

}  // namespace qvk
