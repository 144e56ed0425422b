// The working copy of the rules: the rows the three lists of the main window show. The passes,
// menus and editors read rules from here, never from the database; every change to the database
// is followed by a full reload of the list concerned. The list views are only displays of these
// rows and are redrawn whenever `changed` fires.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qvk {

// One row of 弹窗拦截列表 (column 0, the row number, is derived).
struct PopupRule {
  std::string 窗口标题;  // column 1
  std::string 窗口类名;  // column 2
  std::string 窗口大小;  // column 3
  std::string 拦截方式;  // column 4
  std::string 文件描述;  // column 5, derived from 弹窗来源's version resource
  std::string 弹窗来源;  // column 6
  std::string 编号序列;  // column 7, hidden: the database id as decimal text
};

// One row of 进程列表.
struct ProcessRule {
  std::string 主程序名;  // column 1
  std::string 进程名称;  // column 2
  std::string 规则文本;  // column 3
  std::string 文件路径;  // column 4
  std::string 编号序列;  // column 5, hidden
};

// One row of 程序终结列表: a leftover process named by a rule piece.
struct LeftoverRow {
  std::string 驻留程序;  // column 1, the piece's description
  std::string 子进程名;  // column 2
  std::string 主程序名;  // column 3
  std::string 文件路径;  // column 4
};

template <class Row>
class RowList {
 public:
  const std::vector<Row>& rows() const { return rows_; }
  std::size_t size() const { return rows_.size(); }
  const Row& operator[](std::size_t i) const { return rows_[i]; }

  void replace_all(std::vector<Row> rows) {
    rows_ = std::move(rows);
    selected_ = -1;
    if (changed) changed();
  }
  void append(Row row) {
    rows_.push_back(std::move(row));
    if (changed) changed();
  }
  void clear() { replace_all({}); }

  // The row the user selected in the list view, or nothing.
  const Row* selected() const {
    return selected_ >= 0 && static_cast<std::size_t>(selected_) < rows_.size() ? &rows_[selected_] : nullptr;
  }
  int selected_index() const { return selected() ? selected_ : -1; }
  void select(int index) { selected_ = index; }

  // Fired after the rows changed, so the list view can redraw them.
  std::function<void()> changed;

 private:
  std::vector<Row> rows_;
  int selected_ = -1;
};

struct RuleLists {
  RowList<PopupRule> popup;      // 弹窗拦截列表
  RowList<ProcessRule> process;  // 进程列表
  RowList<LeftoverRow> leftover; // 程序终结列表
};

}  // namespace qvk
