#include <gtest/gtest.h>

#include "process/rule_text.h"

namespace qvk {
namespace {

struct Piece {
  std::string description, exe_name;
  bool operator==(const Piece&) const = default;
};

std::vector<Piece> pieces_of(std::string_view text) {
  std::vector<Piece> out;
  for (const RulePiece& p : split_rule_text(text)) out.push_back({p.description, p.exe_name});
  return out;
}

void PrintTo(const Piece& p, std::ostream* os) { *os << "{" << p.description << " | " << p.exe_name << "}"; }

TEST(SplitRuleText, PiecesDescriptionsAndNames) {
  // "埃和" is B0 A3 BA CD: the colon's bytes A3 BA straddle two characters. "\x81*" is a lead
  // byte with 0x2A after it, stepped over as one character like the system's own stepping does.
  struct Case {
    const char* what;
    std::string text;
    std::vector<Piece> expected;
  } cases[] = {
      {"empty text", "", {}},
      {"one piece", "更新助手：updater.exe", {{"更新助手", "updater.exe"}}},
      {"two pieces", "更新：up.exe*托盘：tray.exe", {{"更新", "up.exe"}, {"托盘", "tray.exe"}}},
      {"trailing *", "更新：up.exe*", {{"更新", "up.exe"}}},
      {"leading *", "*更新：up.exe", {{"", ""}, {"更新", "up.exe"}}},
      {"** between pieces", "甲：a.exe**乙：b.exe", {{"甲", "a.exe"}, {"", ""}, {"乙", "b.exe"}}},
      {"only *", "*", {{"", ""}}},
      {"no full-width colon", "updater.exe", {{"", ""}}},
      {"half-width colon", "更新:up.exe", {{"", ""}}},
      {"two colons", "甲：乙：x.exe", {{"甲", "x.exe"}}},
      {"colon first", "：x.exe", {{"", "x.exe"}}},
      {"colon last", "甲：", {{"甲", ""}}},
      {"A3 BA across characters", "埃和x.exe", {{"", ""}}},
      {"A3 BA across characters before a colon", "埃和：x.exe", {{"埃和", "x.exe"}}},
      {"A3 BA across characters in the name", "甲：埃和.exe", {{"甲", "埃和.exe"}}},
      {"0x2A after a lead byte", "甲：a\x81*b.exe", {{"甲", "a\x81*b.exe"}}},
      {"Chinese name", "助手：岚窗助手.exe*", {{"助手", "岚窗助手.exe"}}},
      {"lone lead byte at the end", "甲：a.exe*\x81", {{"甲", "a.exe"}, {"", ""}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pieces_of(c.text), c.expected) << c.what;
  }
}

TEST(SplitRuleText, PieceTextsKeepEverythingBetweenSeparators) {
  EXPECT_EQ(split_rule_pieces("a*b:c*"), (std::vector<std::string>{"a", "b:c"}));
  EXPECT_EQ(split_rule_pieces("**"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(split_rule_pieces("甲*乙"), (std::vector<std::string>{"甲", "乙"}));
}

}  // namespace
}  // namespace qvk
