// Code page 936 (GBK) <-> UTF-16. The program's texts are GBK; the rule file stores UTF-16.
#pragma once

#include <string>

namespace qvk {

// Bytes that are not valid GBK become U+FFFD; characters GBK cannot hold become '?'.
std::u16string gbk_to_utf16(const std::string& text);
std::string utf16_to_gbk(const std::u16string& text);

}  // namespace qvk
