// Text helpers shared by every subsystem. All texts are code page 936 (GBK) byte strings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvk {

// Folds only the ASCII letters A-Z; every other byte, the bytes of double-byte characters
// included, stays as it is.
char ascii_lower(char c);
std::string ascii_lower(std::string_view text);
bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);

// True when byte c starts a double-byte character of code page 936.
inline bool is_gbk_lead_byte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
// Length in bytes of the character at `at`: a lead byte takes the byte after it along, whatever
// that byte is, so a trail byte such as '\\' or '*' is never read as a character of its own.
inline std::size_t gbk_character_length(std::string_view text, std::size_t at) {
  return is_gbk_lead_byte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// Decimal texts hold counters, process ids and window handles.
std::string decimal_text(std::uint64_t value);
// The whole text must be decimal digits (an optional leading '-' for negatives);
// anything else, or an empty text, gives nothing.
std::optional<std::int64_t> parse_decimal(std::string_view text);
// Adds 1 to a decimal counter text; a text that is not a number counts as 0.
std::string incremented_counter(std::string_view counter_text);

}  // namespace qvk
