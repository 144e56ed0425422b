// The process-rule text: the leftover processes of one main program, written as pieces joined by
// "*", each piece a description, the full-width colon "：" and an executable file name, for
// example 更新助手：updater.exe*托盘：tray.exe. All texts are code page 936.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qvk {

struct RulePiece {
  std::string description;  // before the first "："; only shown and logged
  std::string exe_name;     // after the last "："; matched against running processes
};

// Pieces in order. An empty text gives none; each "*" ends a piece, even an empty one, so a
// leading "*" or "**" gives an empty piece; the text after the last "*" counts only when it is
// not empty. Double-byte characters are stepped over whole, so their bytes never split.
std::vector<std::string> split_rule_pieces(std::string_view rule_text);
// A piece without "：" has an empty description and an empty name. "：" is found only where its
// bytes A3 BA form one character.
RulePiece split_rule_piece(std::string_view piece);
// The two steps together.
std::vector<RulePiece> split_rule_text(std::string_view rule_text);

}  // namespace qvk
