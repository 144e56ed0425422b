#include "process/rule_text.h"

#include "platform/text.h"

namespace qvk {
namespace {

constexpr std::string_view kFullWidthColon = "\xA3\xBA";


}  // namespace

std::vector<std::string> split_rule_pieces(std::string_view rule_text) {
  std::vector<std::string> pieces;
  std::size_t piece_start = 0;
  for (std::size_t at = 0; at < rule_text.size(); at += gbk_character_length(rule_text, at)) {
    if (rule_text[at] == '*') {
      pieces.emplace_back(rule_text.substr(piece_start, at - piece_start));
      piece_start = at + 1;
    }
  }
  if (piece_start < rule_text.size()) pieces.emplace_back(rule_text.substr(piece_start));
  return pieces;
}

RulePiece split_rule_piece(std::string_view piece) {
  std::size_t first = std::string_view::npos, last = std::string_view::npos;
  for (std::size_t at = 0; at < piece.size(); at += gbk_character_length(piece, at)) {
    if (piece.substr(at, kFullWidthColon.size()) == kFullWidthColon) {
      if (first == std::string_view::npos) first = at;
      last = at;
    }
  }
  if (first == std::string_view::npos) return {};
  return {std::string(piece.substr(0, first)), std::string(piece.substr(last + kFullWidthColon.size()))};
}

std::vector<RulePiece> split_rule_text(std::string_view rule_text) {
  std::vector<RulePiece> pieces;
  for (const std::string& piece : split_rule_pieces(rule_text)) pieces.push_back(split_rule_piece(piece));
  return pieces;
}

}  // namespace qvk
