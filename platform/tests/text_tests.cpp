#include <gtest/gtest.h>

#include "platform/text.h"

namespace qvk {
namespace {

TEST(DecimalText, ParsesOnlyWholeDecimalTexts) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> expected;
  } cases[] = {
      {"0", 0}, {"42", 42}, {"-7", -7}, {"", std::nullopt}, {"12a", std::nullopt},
      {" 12", std::nullopt}, {"+3", std::nullopt}, {"99999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_decimal(c.text), c.expected) << c.text;
}

TEST(DecimalText, CounterGrowsByOneAndTreatsGarbageAsZero) {
  EXPECT_EQ(incremented_counter("0"), "1");
  EXPECT_EQ(incremented_counter("41"), "42");
  EXPECT_EQ(incremented_counter(""), "1");
  EXPECT_EQ(incremented_counter("abc"), "1");
}

}  // namespace
}  // namespace qvk
