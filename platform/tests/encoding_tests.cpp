#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace qvk {
namespace {

TEST(Encoding, RoundTripsChineseAsciiAndFullWidthPunctuation) {
  // Narrow literals are GBK bytes in this build.
  const std::string gbk = "弹窗拦截 Tom's Updater：更新助手*x.exe";
  const std::u16string utf16 = u"弹窗拦截 Tom's Updater：更新助手*x.exe";
  EXPECT_EQ(gbk_to_utf16(gbk), utf16);
  EXPECT_EQ(utf16_to_gbk(utf16), gbk);
  EXPECT_EQ(gbk_to_utf16(""), u"");
}

TEST(Encoding, InvalidBytesAndUnmappableCharactersAreReplacedNotDropped) {
  EXPECT_EQ(gbk_to_utf16(std::string("a\xFF" "b", 3)), u"a\uFFFDb");
  EXPECT_EQ(utf16_to_gbk(u"a\U0001F600b"), "a??b");  // a surrogate pair: two UTF-16 units
}

}  // namespace
}  // namespace qvk
