#include <gtest/gtest.h>

#include "popup/popup_pass.h"
#include "popup/tests/test_support.h"

namespace qvk {
namespace {

PopupRule rule(std::string title, std::string class_name, std::string size, std::string action) {
  PopupRule r;
  r.窗口标题 = std::move(title);
  r.窗口类名 = std::move(class_name);
  r.窗口大小 = std::move(size);
  r.拦截方式 = std::move(action);
  r.弹窗来源 = "C:\\广告\\ad.exe";
  r.编号序列 = "7";
  return r;
}

FakeDesktop::Window window(std::string title, std::string class_name, long width, long height) {
  FakeDesktop::Window w;
  w.title = std::move(title);
  w.class_name = std::move(class_name);
  w.size = {width, height};
  return w;
}

class PopupPass : public testing::Test, public PopupTestContext {
 protected:
  void pass() { run_popup_blocking_pass(context, windows); }
  void set_rules(std::vector<PopupRule> rules) { lists.popup.replace_all(std::move(rules)); }
};

// --- The pass's decision table, one rule against one window -----------------------------------

struct DecisionCase {
  const char* name;
  PopupRule rule;
  bool window_visible = true;
  bool closes_on_request = true;
  std::string force_close_setting;
  PopupRuleOutcome expected;
  bool waits = false;         // the 1000 ms wait that handles messages
  bool forced = false;        // force_close_window applied
  std::string logged;         // the entry after the time stamp, "" when nothing is logged
};

class PopupDecision : public PopupPass, public testing::WithParamInterface<DecisionCase> {};

TEST_P(PopupDecision, ActsLogsAndCountsOnlyWhenTheRuleMatches) {
  const DecisionCase& c = GetParam();
  desktop.add_window(window("其他窗口", "OtherClass", 400, 300));
  FakeDesktop::Window ad = window("广告", "AdClass", 400, 300);
  ad.visible = c.window_visible;
  ad.closes_on_request = c.closes_on_request;
  const WindowHandle target = desktop.add_window(ad);
  state.ForceCloseSetting = c.force_close_setting;
  state.BlockedCount = "41";
  set_rules({c.rule});
  const std::uint32_t ticks_before = desktop.tick_count();

  EXPECT_EQ(block_popup_by_rule(context, windows, lists.popup[0]), c.expected);

  const bool acted = c.expected != PopupRuleOutcome::Skipped;
  const bool closed = c.expected == PopupRuleOutcome::Closed;
  const bool hidden = c.expected == PopupRuleOutcome::Hidden;
  EXPECT_EQ(desktop.close_requests, closed ? std::vector<WindowHandle>{target} : std::vector<WindowHandle>{});
  EXPECT_EQ(desktop.hide_requests, hidden ? std::vector<WindowHandle>{target} : std::vector<WindowHandle>{});
  EXPECT_EQ(desktop.tick_count() - ticks_before > kForceCloseWaitMs, c.waits);
  EXPECT_EQ(windows.forced_closes, c.forced ? std::vector<WindowHandle>{target} : std::vector<WindowHandle>{});
  EXPECT_EQ(log.entries(), acted ? std::vector<std::string>{c.logged} : std::vector<std::string>{});
  EXPECT_EQ(state.BlockedCount, acted ? "42" : "41");
  EXPECT_EQ(status_bar_refreshes, acted ? 1 : 0);
  if (hidden) {
    EXPECT_FALSE(desktop.is_window_visible(target));
  }
}

const DecisionCase kDecisionCases[] = {
    {"AnySize", rule("广告", "AdClass", "0 x 0", "关闭"), true, true, "假", PopupRuleOutcome::Closed, false, false,
     "     拦截弹窗 广告"},
    {"ExactSize", rule("广告", "AdClass", "400 x 300", "关闭"), true, true, "假", PopupRuleOutcome::Closed, false,
     false, "     拦截弹窗 广告"},
    {"OtherSize", rule("广告", "AdClass", "400 x 301", "关闭"), true, true, "假", PopupRuleOutcome::Skipped},
    {"SizeWithoutSpaces", rule("广告", "AdClass", "400x300", "关闭"), true, true, "假", PopupRuleOutcome::Skipped},
    {"SizeWithOneSpace", rule("广告", "AdClass", "400 x300", "关闭"), true, true, "假", PopupRuleOutcome::Skipped},
    {"EmptySize", rule("广告", "AdClass", "", "关闭"), true, true, "假", PopupRuleOutcome::Skipped},
    {"NoWindowAnySize", rule("广告", "NoSuchClass", "0 x 0", "关闭"), true, true, "假", PopupRuleOutcome::Skipped},
    // The size text of "no window" is "0 x 0" too; a rule that names that size still needs a window.
    {"NoWindowExactSize", rule("广告", "NoSuchClass", "400 x 300", "关闭"), true, true, "",
     PopupRuleOutcome::Skipped},
    {"NoWindowWithTitle", rule("别的标题", "AdClass", "0 x 0", "隐藏"), true, true, "", PopupRuleOutcome::Skipped},
    {"HideVisible", rule("广告", "AdClass", "0 x 0", "隐藏"), true, true, "", PopupRuleOutcome::Hidden, false, false,
     "     隐藏弹窗 广告"},
    {"HideInvisible", rule("广告", "AdClass", "0 x 0", "隐藏"), false, true, "", PopupRuleOutcome::Skipped},
    // Only "隐藏" hides; every other action text closes.
    {"OtherActionCloses", rule("广告", "AdClass", "0 x 0", "hide"), true, true, "假", PopupRuleOutcome::Closed,
     false, false, "     拦截弹窗 广告"},
    {"EmptyActionCloses", rule("广告", "AdClass", "0 x 0", ""), false, true, "假", PopupRuleOutcome::Closed, false,
     false, "     拦截弹窗 广告"},
    // Forced close off: WM_CLOSE only, logged and counted even though the window stays.
    {"CloseForceOff", rule("广告", "AdClass", "0 x 0", "关闭"), true, false, "假", PopupRuleOutcome::Closed, false,
     false, "     拦截弹窗 广告"},
    // Forced close on (anything but "假"): wait, then force the window that is still there.
    {"CloseForceOnEmpty", rule("广告", "AdClass", "0 x 0", "关闭"), true, false, "", PopupRuleOutcome::Closed, true,
     true, "     拦截弹窗 广告"},
    {"CloseForceOnTrue", rule("广告", "AdClass", "0 x 0", "关闭"), true, false, "真", PopupRuleOutcome::Closed, true,
     true, "     拦截弹窗 广告"},
    {"CloseForceOnOther", rule("广告", "AdClass", "0 x 0", "关闭"), true, false, "假 ", PopupRuleOutcome::Closed,
     true, true, "     拦截弹窗 广告"},
    {"CloseForceOnWindowWent", rule("广告", "AdClass", "0 x 0", "关闭"), true, true, "真", PopupRuleOutcome::Closed,
     true, false, "     拦截弹窗 广告"},
    // Class names are matched by FindWindowExA, which ignores case; the title cell too.
    {"ClassAnyCase", rule("广告", "adclass", "0 x 0", "关闭"), true, true, "假", PopupRuleOutcome::Closed, false,
     false, "     拦截弹窗 广告"},
};

INSTANTIATE_TEST_SUITE_P(Table, PopupDecision, testing::ValuesIn(kDecisionCases),
                         [](const testing::TestParamInfo<DecisionCase>& info) { return info.param.name; });

// --- Finding the window ------------------------------------------------------------------------

TEST_F(PopupPass, EmptyClassCellIsAnyClassAndEmptyTitleCellIsAnyTitle) {
  desktop.add_window(window("标题一", "ClassOne", 100, 100));
  const WindowHandle two = desktop.add_window(window("标题二", "ClassTwo", 200, 100));
  set_rules({rule("标题二", "", "0 x 0", "隐藏"), rule("", "ClassTwo", "0 x 0", "关闭")});
  state.ForceCloseSetting = "假";
  pass();
  ASSERT_EQ(windows.find_calls.size(), 2u);
  EXPECT_EQ(windows.find_calls[0].class_name, std::nullopt);
  EXPECT_EQ(windows.find_calls[0].title, std::optional<std::string>("标题二"));
  EXPECT_EQ(windows.find_calls[1].class_name, std::optional<std::string>("ClassTwo"));
  EXPECT_EQ(windows.find_calls[1].title, std::nullopt);
  EXPECT_EQ(desktop.hide_requests, std::vector<WindowHandle>{two});
  EXPECT_EQ(desktop.close_requests, std::vector<WindowHandle>{two});
  // An empty title cell logs like "未知窗口".
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"     隐藏弹窗 标题二", "     拦截弹窗 未知窗口"}));
}

TEST_F(PopupPass, UnknownTitleWithAClassMatchesOnlyAnUntitledWindowOfThatClass) {
  desktop.add_window(window("有标题", "AdClass", 100, 100));
  desktop.add_window(window("", "OtherClass", 100, 100));
  const WindowHandle untitled = desktop.add_window(window("", "AdClass", 100, 100));
  set_rules({rule("未知窗口", "AdClass", "0 x 0", "关闭"), rule("未知窗口", "AdClass", "0 x 0", "隐藏")});
  state.ForceCloseSetting = "假";
  desktop.window(untitled)->closes_on_request = false;
  pass();
  ASSERT_FALSE(windows.find_calls.empty());
  EXPECT_EQ(windows.find_calls[0].title, std::optional<std::string>(""));  // an empty title, not "any"
  EXPECT_EQ(desktop.close_requests, std::vector<WindowHandle>{untitled});
  EXPECT_EQ(desktop.hide_requests, std::vector<WindowHandle>{untitled});
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"     拦截弹窗 未知窗口", "     隐藏弹窗 未知窗口"}));
  EXPECT_EQ(state.BlockedCount, "2");
}

TEST_F(PopupPass, UnknownTitleWithoutClassIsSkipped) {
  // The implementer's choice for "无类名" + "未知窗口": nothing is searched or touched.
  desktop.add_window(window("任何窗口", "AnyClass", 100, 100));
  desktop.add_window(window("", "Untitled", 100, 100));
  set_rules({rule("未知窗口", "无类名", "0 x 0", "关闭"), rule("未知窗口", "无类名", "0 x 0", "隐藏")});
  pass();
  EXPECT_TRUE(desktop.close_requests.empty());
  EXPECT_TRUE(desktop.hide_requests.empty());
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(state.BlockedCount, "0");
}

TEST_F(PopupPass, NoClassWithAnEmptyTitleCellTakesTheFirstTitledWindow) {
  // Not the implementer's choice: an empty title cell searches with the empty title, which the
  // title search accepts in every non-empty title.
  desktop.add_window(window("", "Untitled", 100, 100));
  const WindowHandle titled = desktop.add_window(window("x", "AnyClass", 100, 100));
  set_rules({rule("", "无类名", "0 x 0", "隐藏")});
  pass();
  EXPECT_EQ(desktop.hide_requests, std::vector<WindowHandle>{titled});
  EXPECT_EQ(log.entries(), std::vector<std::string>{"     隐藏弹窗 未知窗口"});
}

TEST_F(PopupPass, NoClassSearchesTheTitlesAndUsesNoClassSearch) {
  desktop.add_window(window("普通窗口", "Plain", 100, 100));
  const WindowHandle ad = desktop.add_window(window("Free ADVERT 广告", "Ad", 300, 200));
  set_rules({rule("aDvErT", "无类名", "300 x 200", "隐藏")});
  pass();
  EXPECT_TRUE(windows.find_calls.empty());
  EXPECT_EQ(desktop.hide_requests, std::vector<WindowHandle>{ad});
  // The log shows the rule's title as written, not the lower-cased search text.
  EXPECT_EQ(log.entries(), std::vector<std::string>{"     隐藏弹窗 aDvErT"});
}

TEST_F(PopupPass, OnlyTheFirstWindowFoundIsConsidered) {
  // Two windows match a close rule: one per pass. A hide rule whose first window is already
  // hidden is skipped although a visible one would match.
  const WindowHandle first = desktop.add_window(window("广告", "AdClass", 100, 100));
  const WindowHandle second = desktop.add_window(window("广告", "AdClass", 100, 100));
  state.ForceCloseSetting = "假";
  set_rules({rule("广告", "AdClass", "0 x 0", "关闭")});
  pass();
  EXPECT_EQ(desktop.close_requests, std::vector<WindowHandle>{first});
  pass();
  EXPECT_EQ(desktop.close_requests, (std::vector<WindowHandle>{first, second}));

  FakeDesktop::Window hidden = window("隐藏的广告", "HideClass", 100, 100);
  hidden.visible = false;
  desktop.add_window(hidden);
  desktop.add_window(window("隐藏的广告", "HideClass", 100, 100));
  set_rules({rule("隐藏的广告", "HideClass", "0 x 0", "隐藏")});
  pass();
  EXPECT_TRUE(desktop.hide_requests.empty());
}

// --- The title search --------------------------------------------------------------------------

TEST(TitleSearch, LowersAsciiLettersOnlyAndLeavesDoubleByteCharactersAlone) {
  EXPECT_EQ(lower_title_ascii("Ad AD aD [Z]@"), "ad ad ad [z]@");
  // "丄" is 0x81 0x41: its trail byte looks like 'A' and must stay as it is.
  EXPECT_EQ(lower_title_ascii("丄A"), "丄a");
  EXPECT_EQ(lower_title_ascii("广告ABC"), "广告abc");
  // A lead byte at the very end has no trail byte to skip.
  EXPECT_EQ(lower_title_ascii(std::string("X\x81", 2)), std::string("x\x81", 2));
}

TEST(TitleSearch, MatchesOnlyAtCharacterBoundaries) {
  EXPECT_TRUE(title_contains_at_character("free advert", "ad"));
  EXPECT_TRUE(title_contains_at_character("免费广告", "广告"));
  // "乤" is 0x81 0x61; 'a' (0x61) inside it is not a character.
  EXPECT_FALSE(title_contains_at_character("乤", "a"));
  EXPECT_TRUE(title_contains_at_character("乤a", "a"));
  // "广告" is B9 E3 B8 E6: the bytes E3 B8 straddle two characters.
  EXPECT_FALSE(title_contains_at_character("广告", "\xE3\xB8"));
  EXPECT_FALSE(title_contains_at_character("广", "广告"));
  EXPECT_TRUE(title_contains_at_character("x", ""));
  EXPECT_FALSE(title_contains_at_character("", ""));
  EXPECT_FALSE(title_contains_at_character("", "a"));
}

TEST(TitleSearch, FindsTheFirstWindowInZOrder) {
  FakeDesktop desktop;
  desktop.add_window(window("", "Untitled", 1, 1));
  const WindowHandle mixed = desktop.add_window(window("Please ADVERTISE here", "A", 1, 1));
  const WindowHandle chinese = desktop.add_window(window("免费广告弹窗", "B", 1, 1));
  const WindowHandle trail = desktop.add_window(window("丄", "C", 1, 1));
  const WindowHandle boundary = desktop.add_window(window("乤", "D", 1, 1));
  desktop.add_window(window("later advert", "E", 1, 1));

  struct Case {
    std::string title;
    WindowHandle expected;
  } cases[] = {
      {"Ad", mixed},       {"aD", mixed},       {"ADVERTISE HERE", mixed}, {"广告", chinese},
      {"广告弹窗", chinese}, {"广告窗", 0},       {"丄", trail},
      // 乤 (81 61) and 丄 (81 41) differ only in a trail byte that looks like a letter.
      {"乤", boundary},    {"\xE3\xB8", 0},
      // The trail byte 'a' of 乤 does not start a character: the later window matches instead.
      {"a", mixed},        {"x", 0},            {"", mixed},
  };
  for (const Case& c : cases) EXPECT_EQ(find_window_by_title_part(desktop, c.title), c.expected) << c.title;
  FakeDesktop empty;
  EXPECT_EQ(find_window_by_title_part(empty, "ad"), 0u);
}

TEST(TitleSearch, TrailByteIsNotACharacterStart) {
  FakeDesktop desktop;
  desktop.add_window(window("乤", "D", 1, 1));
  const WindowHandle plain = desktop.add_window(window("a", "E", 1, 1));
  EXPECT_EQ(find_window_by_title_part(desktop, "a"), plain);
  EXPECT_EQ(find_window_by_title_part(desktop, "A"), plain);
}

TEST(WindowSizeText, WidthXHeightOfTheRectangle) {
  FakeDesktop desktop;
  const WindowHandle w = desktop.add_window(window("t", "c", 400, 300));
  EXPECT_EQ(window_size_text(desktop, w), "400 x 300");
  EXPECT_EQ(window_size_text(desktop, 0), "0 x 0");
  desktop.window(w)->exists = false;
  EXPECT_EQ(window_size_text(desktop, w), "0 x 0");
}

// --- Counting and logging ----------------------------------------------------------------------

TEST_F(PopupPass, EveryActionIsOneLogLineOnePlusOneAndOneStatusBarRewrite) {
  desktop.add_window(window("广告一", "Ad1", 100, 100));
  desktop.add_window(window("广告二", "Ad2", 100, 100));
  desktop.add_window(window("广告三", "Ad3", 100, 100));
  state.ForceCloseSetting = "假";
  state.BlockedCount = "9";
  set_rules({rule("广告一", "Ad1", "0 x 0", "关闭"), rule("不存在", "Nope", "0 x 0", "关闭"),
             rule("广告二", "Ad2", "100 x 100", "隐藏"), rule("广告三", "Ad3", "1 x 1", "关闭")});
  // Each rewrite comes after that action's line and count.
  std::vector<std::pair<std::size_t, std::string>> at_refresh;
  on_refresh = [&] { at_refresh.emplace_back(log.lines.size(), state.BlockedCount); };
  pass();
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"     拦截弹窗 广告一", "     隐藏弹窗 广告二"}));
  EXPECT_EQ(state.BlockedCount, "11");
  EXPECT_EQ(at_refresh, (std::vector<std::pair<std::size_t, std::string>>{{1, "10"}, {2, "11"}}));
  // The second pass: 广告一 is gone, 广告二 is hidden already; nothing more.
  pass();
  EXPECT_EQ(log.lines.size(), 2u);
  EXPECT_EQ(state.BlockedCount, "11");
}

TEST_F(PopupPass, AWindowThatIgnoresCloseIsCountedOnEveryPass) {
  FakeDesktop::Window stubborn = window("关不掉", "Stubborn", 100, 100);
  stubborn.closes_on_request = false;
  desktop.add_window(stubborn);
  state.ForceCloseSetting = "假";
  set_rules({rule("关不掉", "Stubborn", "0 x 0", "关闭")});
  for (int i = 0; i < 3; ++i) pass();
  EXPECT_EQ(log.entries(), std::vector<std::string>(3, "     拦截弹窗 关不掉"));
  EXPECT_EQ(state.BlockedCount, "3");
}

TEST_F(PopupPass, EmptyListDoesNothing) {
  desktop.add_window(window("广告", "AdClass", 100, 100));
  pass();
  EXPECT_TRUE(windows.find_calls.empty());
  EXPECT_TRUE(desktop.close_requests.empty());
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(status_bar_refreshes, 0);
}

// --- A nested pass during the forced-close wait ------------------------------------------------

TEST_F(PopupPass, NestedPassDuringTheWaitDoesNotChangeWhatTheOuterPassLogs) {
  FakeDesktop::Window stubborn = window("外层广告", "Outer", 100, 100);
  stubborn.closes_on_request = false;
  const WindowHandle outer = desktop.add_window(stubborn);
  const WindowHandle inner = desktop.add_window(window("内层广告", "Inner", 100, 100));
  state.ForceCloseSetting = "真";
  set_rules({rule("外层广告", "Outer", "0 x 0", "关闭"), rule("不存在", "Nope", "0 x 0", "关闭"),
             rule("也不存在", "Nope", "0 x 0", "关闭")});

  // While the outer pass waits, the list is reloaded with one other rule and a timer tick runs
  // a whole pass over it.
  int nested = 0;
  desktop.during_wait = [&] {
    if (nested++ > 0) return;
    set_rules({rule("内层广告", "Inner", "0 x 0", "隐藏")});
    pass();
  };
  pass();

  EXPECT_EQ(nested, 1);
  // The nested pass logs first; the outer one still logs its own rule's title, and the rows it
  // reads afterwards lie beyond the reloaded list's end and match nothing.
  EXPECT_EQ(log.entries(), (std::vector<std::string>{"     隐藏弹窗 内层广告", "     拦截弹窗 外层广告"}));
  EXPECT_EQ(desktop.hide_requests, std::vector<WindowHandle>{inner});
  EXPECT_EQ(desktop.close_requests, std::vector<WindowHandle>{outer});
  EXPECT_EQ(windows.forced_closes, std::vector<WindowHandle>{outer});
  EXPECT_EQ(state.BlockedCount, "2");
  EXPECT_EQ(status_bar_refreshes, 2);
}

TEST_F(PopupPass, NestedPassOverTheSameRuleActsTooAndBothCount) {
  FakeDesktop::Window stubborn = window("关不掉", "Stubborn", 100, 100);
  stubborn.closes_on_request = false;
  const WindowHandle target = desktop.add_window(stubborn);
  state.ForceCloseSetting = "";
  set_rules({rule("关不掉", "Stubborn", "0 x 0", "关闭")});
  int depth = 0;
  desktop.during_wait = [&] {
    if (depth++ > 0) return;
    pass();  // finds the same window, closes and forces it
  };
  pass();
  EXPECT_EQ(log.entries(), std::vector<std::string>(2, "     拦截弹窗 关不掉"));
  EXPECT_EQ(desktop.close_requests, (std::vector<WindowHandle>{target, target}));
  // The outer pass finds the window gone after its wait and forces nothing more.
  EXPECT_EQ(windows.forced_closes, std::vector<WindowHandle>{target});
  EXPECT_EQ(state.BlockedCount, "2");
}

}  // namespace
}  // namespace qvk
