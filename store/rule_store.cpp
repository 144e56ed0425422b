#include "store/rule_store.h"

#include "app/paths.h"

namespace qvk {

namespace {
constexpr const char kSelectPopupRules[] = "select * from 弹窗拦截";
constexpr const char kSelectProcessRules[] = "select * from 进程列表";

std::string field(const Record& record, const char* name) {
  auto it = record.find(name);
  return it == record.end() ? std::string() : it->second;
}
}  // namespace

std::string quoted(const std::string& value) {
  std::string out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

std::string add_popup_rule_statement(const PopupRuleFields& f) {
  return "insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values (" + quoted(f.弹窗窗口标题) + "," +
         quoted(f.弹窗窗口类名) + "," + quoted(f.弹窗窗口大小) + "," + quoted(f.关闭隐藏) + "," +
         quoted(f.弹窗窗口路径) + ")";
}

std::string change_popup_rule_statement(const PopupRuleFields& f, const std::string& id) {
  return "update 弹窗拦截 set 窗口标题=" + quoted(f.弹窗窗口标题) + ",窗口类名=" + quoted(f.弹窗窗口类名) +
         ",窗口大小=" + quoted(f.弹窗窗口大小) + ",拦截方式=" + quoted(f.关闭隐藏) + ",弹窗来源=" +
         quoted(f.弹窗窗口路径) + " where 编号序列=" + id;
}

std::string add_process_rule_statement(const ProcessRuleFields& f) {
  return "insert into 进程列表(主程序名,进程名称,规则文本,文件路径) values (" + quoted(f.进程窗口标题) + "," +
         quoted(f.进程窗口名称) + "," + quoted(f.进程规则文本) + "," + quoted(f.进程窗口路径) + ")";
}

std::string change_process_rule_statement(const ProcessRuleFields& f, const std::string& id) {
  return "update 进程列表 set 主程序名=" + quoted(f.进程窗口标题) + ",进程名称=" + quoted(f.进程窗口名称) +
         ",规则文本=" + quoted(f.进程规则文本) + ",文件路径=" + quoted(f.进程窗口路径) + " where 编号序列=" + id;
}

std::string delete_rule_statement(RuleList list, const std::string& id) {
  return std::string(list == RuleList::Popup ? "delete from 弹窗拦截" : "delete from 进程列表") +
         " where 编号序列=" + id;
}

RuleStore::RuleStore(AppContext context, StoreFiles& files, UserDialogs& dialogs,
                     std::function<std::vector<std::uint8_t>()> template_bytes)
    : context_(context), files_(files), dialogs_(dialogs), template_bytes_(std::move(template_bytes)) {}

void RuleStore::ensure_rule_database() {
  const std::string& root = context_.state.DataRoot;
  if (files_.is_directory(config_parent_folder(root))) {
    if (!files_.is_directory(config_folder(root))) files_.create_directory(config_folder(root));
  } else {
    files_.create_directory(config_parent_folder(root));
    files_.create_directory(config_folder(root));
  }
  const std::string path = rule_database_path(root);
  if (!files_.exists(path) && !files_.write_new_file(path, template_bytes_())) {
    dialogs_.tell("创建数据库失败");
    return;
  }
  open_rule_database();
}

void RuleStore::open_rule_database() {
  connection_ = files_.open_database(rule_database_path(context_.state.DataRoot));
  if (!connection_) {
    dialogs_.tell("数据库连接失败");
    return;
  }
  load_popup_rules();
  load_process_rules();
}

void RuleStore::load_popup_rules() {
  std::vector<PopupRule> rows;
  if (auto records = connection_ ? connection_->query(kSelectPopupRules) : std::nullopt) {
    for (const Record& r : *records) {
      std::string source = field(r, "弹窗来源");
      rows.push_back({field(r, "窗口标题"), field(r, "窗口类名"), field(r, "窗口大小"), field(r, "拦截方式"),
                      files_.file_description(source), source, field(r, "编号序列")});
    }
  }
  context_.lists.popup.replace_all(std::move(rows));
  context_.refresh_status_bar();
}

void RuleStore::load_process_rules() {
  std::vector<ProcessRule> rows;
  if (auto records = connection_ ? connection_->query(kSelectProcessRules) : std::nullopt) {
    for (const Record& r : *records) {
      rows.push_back({field(r, "主程序名"), field(r, "进程名称"), field(r, "规则文本"), field(r, "文件路径"),
                      field(r, "编号序列")});
    }
  }
  context_.lists.process.replace_all(std::move(rows));
  context_.refresh_status_bar();
}

bool RuleStore::execute_rule_statement(const std::string& statement) {
  return connection_ && connection_->execute(statement);
}

void RuleStore::reload(RuleList list) {
  if (list == RuleList::Popup) {
    load_popup_rules();
  } else {
    load_process_rules();
  }
}

void RuleStore::run_then_reload(const std::string& statement, RuleList list, const char* failure) {
  if (execute_rule_statement(statement)) {
    reload(list);
  } else {
    fail(failure);
  }
}

void RuleStore::fail(const char* message) {
  dialogs_.beep();
  dialogs_.tell(message);
}

void RuleStore::save_popup_rule(const PopupRuleFields& f) {
  if (f.弹窗窗口标题.empty() || f.弹窗窗口大小.empty() || f.关闭隐藏.empty()) return;
  if (context_.state.EditorMode == "添加") {
    if (!dialogs_.ask("已获取到广告窗口数据，是否添加并拦截此广告？")) return;
    run_then_reload(add_popup_rule_statement(f), RuleList::Popup, "添加数据失败");
    return;
  }
  const PopupRuleSnapshot& before = context_.state.PopupEditSnapshot;
  bool changed = f.弹窗窗口标题 != before.title || f.弹窗窗口类名 != before.class_name ||
                 f.弹窗窗口大小 != before.size || f.弹窗窗口路径 != before.source || f.关闭隐藏 != before.action;
  if (!changed) return;
  if (!dialogs_.ask("弹窗广告数据已被改动，是否修改并保存？")) return;
  const PopupRule* selected = context_.lists.popup.selected();
  run_then_reload(change_popup_rule_statement(f, selected ? selected->编号序列 : std::string()), RuleList::Popup,
                  "修改数据失败");
}

void RuleStore::save_process_rule(ProcessRuleFields& f) {
  if (f.进程窗口名称.empty() || f.进程规则文本.empty()) return;
  if (context_.state.EditorMode == "添加") {
    if (f.进程窗口标题.empty()) f.进程窗口标题 = "未知标题";
    if (f.进程窗口路径.empty()) f.进程窗口路径 = "未知路径";
    if (!dialogs_.ask("已获取到进程数据，是否添加并监控此程序的残留进程？")) return;
    run_then_reload(add_process_rule_statement(f), RuleList::Process, "添加数据失败");
    return;
  }
  const ProcessRuleSnapshot& before = context_.state.ProcessEditSnapshot;
  bool changed = f.进程窗口标题 != before.main_title || f.进程窗口名称 != before.process_name ||
                 f.进程窗口路径 != before.path || f.进程规则文本 != before.rule_text;
  if (!changed) return;
  if (!dialogs_.ask("进程数据已被改动，是否修改并保存？")) return;
  const ProcessRule* selected = context_.lists.process.selected();
  run_then_reload(change_process_rule_statement(f, selected ? selected->编号序列 : std::string()),
                  RuleList::Process, "修改数据失败");
}

void RuleStore::delete_selected_rule(RuleList list) {
  std::string id;
  if (list == RuleList::Popup) {
    if (const PopupRule* selected = context_.lists.popup.selected()) id = selected->编号序列;
  } else {
    if (const ProcessRule* selected = context_.lists.process.selected()) id = selected->编号序列;
  }
  run_then_reload(delete_rule_statement(list, id), list, "删除数据失败");
}

void RuleStore::clear_rules(RuleList list) {
  dialogs_.beep();
  if (!dialogs_.ask("是否删除全部数据，请确认当前操作")) return;
  // The ids are taken first: nothing reloads the list until every statement has run.
  std::vector<std::string> ids;
  if (list == RuleList::Popup) {
    for (const PopupRule& r : context_.lists.popup.rows()) ids.push_back(r.编号序列);
  } else {
    for (const ProcessRule& r : context_.lists.process.rows()) ids.push_back(r.编号序列);
  }
  for (const std::string& id : ids) execute_rule_statement(delete_rule_statement(list, id));
  reload(list);
}

}  // namespace qvk
