#include "popup/popup_pass.h"

#include "app/app_state.h"
#include "app/monitor_log.h"
#include "platform/text.h"

namespace qvk {
namespace {

// Length of the character that starts at byte `c`: 2 for a byte of 0x80 or above (a lead byte
// of code page 936), else 1.
std::size_t character_length(unsigned char c) { return c >= 0x80 ? 2 : 1; }

// The working values of the rule being handled. They belong to one call of
// block_popup_by_rule, never to the program.
struct RuleWork {
  std::string search_title;
  std::string class_name;
  std::string action;
  WindowHandle window = 0;
  std::string size_text;
};

}  // namespace

std::string lower_title_ascii(std::string_view title) {
  std::string lowered(title);
  // Both bytes of a double-byte character stay as they are.
  for (std::size_t i = 0; i < lowered.size(); i += character_length(static_cast<unsigned char>(lowered[i]))) {
    lowered[i] = ascii_lower(lowered[i]);
  }
  return lowered;
}

bool title_contains_at_character(std::string_view title, std::string_view part) {
  for (std::size_t at = 0; at < title.size(); at += character_length(static_cast<unsigned char>(title[at]))) {
    if (title.size() - at >= part.size() && title.compare(at, part.size(), part) == 0) return true;
  }
  return false;
}

WindowHandle find_window_by_title_part(Desktop& desktop, const std::string& title) {
  const std::string part = lower_title_ascii(title);
  for (WindowHandle window = desktop.next_top_level_window(0); window != 0;
       window = desktop.next_top_level_window(window)) {
    if (title_contains_at_character(lower_title_ascii(desktop.window_title(window)), part)) return window;
  }
  return 0;
}

std::string window_size_text(Desktop& desktop, WindowHandle window) {
  const WindowSize size = desktop.window_size(window);
  return std::to_string(size.width) + " x " + std::to_string(size.height);
}

PopupRuleOutcome block_popup_by_rule(AppContext& context, PopupWindows& windows, const PopupRule& rule) {
  Desktop& desktop = context.desktop;
  RuleWork work;
  const bool unknown_title = rule.窗口标题 == kUnknownWindowTitle;
  work.search_title = unknown_title ? std::string() : rule.窗口标题;
  work.class_name = rule.窗口类名;
  work.action = rule.拦截方式;

  if (work.class_name == kNoClassName) {
    // "无类名" with "未知窗口" is skipped. The rule stands for
    // a window with an empty title whose class was cleared, but the title search never matches
    // an empty title; with an empty search title it would take the first window that has any
    // title (the taskbar, this program's own window, ...) on every tick. So it matches nothing.
    if (unknown_title) return PopupRuleOutcome::Skipped;
    work.window = find_window_by_title_part(desktop, work.search_title);
  } else {
    // An empty class cell is no class (any class); Wine finds nothing for an empty class text.
    // An empty title cell is no title (any title); the replaced "未知窗口" is the empty title
    // text, which only windows without a title match.
    std::optional<std::string> class_name;
    if (!work.class_name.empty()) class_name = work.class_name;
    std::optional<std::string> title;
    if (unknown_title || !work.search_title.empty()) title = work.search_title;
    work.window = windows.find_window(class_name, title);
  }
  work.size_text = window_size_text(desktop, work.window);

  if (rule.窗口大小 != kAnySize && work.size_text != rule.窗口大小) return PopupRuleOutcome::Skipped;
  if (work.window == 0) return PopupRuleOutcome::Skipped;

  PopupRuleOutcome outcome;
  const char* log_action_text;
  if (work.action == kHideAction) {
    if (!desktop.is_window_visible(work.window)) return PopupRuleOutcome::Skipped;
    desktop.hide_async(work.window);
    outcome = PopupRuleOutcome::Hidden;
    log_action_text = kHiddenLogAction;
  } else {
    const bool force_close = setting_is_on(context.state.ForceCloseSetting);
    desktop.post_close(work.window);
    if (force_close) {
      // Other handlers run in here, a nested pass included; `work` is this call's own.
      desktop.wait_handling_messages(kForceCloseWaitMs);
      if (desktop.is_window(work.window)) windows.force_close_window(work.window);
    }
    outcome = PopupRuleOutcome::Closed;
    log_action_text = kClosedLogAction;
  }

  log_action(context.log, log_action_text,
             work.search_title.empty() ? std::string_view(kUnknownWindowTitle) : std::string_view(work.search_title));
  context.state.BlockedCount = incremented_counter(context.state.BlockedCount);
  if (context.refresh_status_bar) context.refresh_status_bar();
  return outcome;
}

void run_popup_blocking_pass(AppContext& context, PopupWindows& windows) {
  const std::size_t count = context.lists.popup.size();
  for (std::size_t i = 0; i < count; ++i) {
    // A copy: a reload during a wait replaces the rows under this pass.
    const RowList<PopupRule>& rows = context.lists.popup;
    const PopupRule rule = i < rows.size() ? rows[i] : PopupRule{};
    block_popup_by_rule(context, windows, rule);
  }
}

}  // namespace qvk
