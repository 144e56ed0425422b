// The rule store: the rule file, the loading of both rule lists, and every statement that adds,
// changes or deletes a rule. Each change is one statement followed by a full reload of its list.
// Texts are GBK here; the connection converts them to the file's UTF-16 and back.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/user_dialogs.h"

namespace qvk {

// One result row: column name -> value as text (NULL and empty give the empty text, integers
// their decimal digits).
using Record = std::map<std::string, std::string>;

// The open database connection.
class RuleConnection {
 public:
  virtual ~RuleConnection() = default;
  // True when the statement ran (also when it touched no row), false when it was refused.
  virtual bool execute(const std::string& statement) = 0;
  // The rows of a select in the table's order; nothing when the query could not run.
  virtual std::optional<std::vector<Record>> query(const std::string& statement) = 0;
};

// The folders and files the store creates.
class StoreFiles {
 public:
  virtual ~StoreFiles() = default;
  virtual bool is_directory(const std::string& path) = 0;
  virtual void create_directory(const std::string& path) = 0;
  // Anything at the path, file or folder.
  virtual bool exists(const std::string& path) = 0;
  // Writes a new file; false when it cannot be written.
  virtual bool write_new_file(const std::string& path, const std::vector<std::uint8_t>& bytes) = 0;
  // Opens the rule file for the whole run; nothing when it is not a readable Jet 4 database.
  virtual std::unique_ptr<RuleConnection> open_database(const std::string& path) = 0;
  // The FileDescription of an executable's version resource; empty when there is none.
  virtual std::string file_description(const std::string& path) = 0;
};

// The fields an editor hands over when it closes.
struct PopupRuleFields {
  std::string 弹窗窗口标题, 弹窗窗口类名, 弹窗窗口大小, 关闭隐藏, 弹窗窗口路径;
};
struct ProcessRuleFields {
  std::string 进程窗口标题, 进程窗口名称, 进程规则文本, 进程窗口路径;
};

enum class RuleList { Popup, Process };

// A value placed between single quotes: a quote inside is doubled, so the value is stored
// exactly and never read as part of the statement.
std::string quoted(const std::string& value);

std::string add_popup_rule_statement(const PopupRuleFields& f);
std::string change_popup_rule_statement(const PopupRuleFields& f, const std::string& id);
std::string add_process_rule_statement(const ProcessRuleFields& f);
std::string change_process_rule_statement(const ProcessRuleFields& f, const std::string& id);
std::string delete_rule_statement(RuleList list, const std::string& id);

class RuleStore {
 public:
  RuleStore(AppContext context, StoreFiles& files, UserDialogs& dialogs,
            std::function<std::vector<std::uint8_t>()> template_bytes);

  // Start-up: folders, the template when nothing is at the file's path, the connection, both loads.
  void ensure_rule_database();
  void open_rule_database();
  void load_popup_rules();
  void load_process_rules();
  bool execute_rule_statement(const std::string& statement);
  bool connected() const { return connection_ != nullptr; }

  // The editors' closing. The process flow may fill in "未知标题"/"未知路径", so it takes the
  // fields to write back into the editor.
  void save_popup_rule(const PopupRuleFields& fields);
  void save_process_rule(ProcessRuleFields& fields);
  void delete_selected_rule(RuleList list);
  void clear_rules(RuleList list);

 private:
  void reload(RuleList list);
  // Runs one statement; reloads the list after it, or beeps and reports `failure`.
  void run_then_reload(const std::string& statement, RuleList list, const char* failure);
  void fail(const char* message);

  AppContext context_;
  StoreFiles& files_;
  UserDialogs& dialogs_;
  std::function<std::vector<std::uint8_t>()> template_bytes_;
  std::unique_ptr<RuleConnection> connection_;
};

}  // namespace qvk
