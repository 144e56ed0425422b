#include "platform/text.h"

#include <charconv>

namespace qvk {

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

std::string decimal_text(std::uint64_t value) { return std::to_string(value); }

std::optional<std::int64_t> parse_decimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string incremented_counter(std::string_view counter_text) {
  std::int64_t value = parse_decimal(counter_text).value_or(0);
  return std::to_string(value + 1);
}

}  // namespace qvk
