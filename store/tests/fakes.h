#pragma once

#include <deque>
#include <set>

#include "platform/fake_desktop.h"
#include "store/rule_store.h"

namespace qvk {

// Remembers every statement; refuses those the test names or, like the engine, any that ends
// after "编号序列=".
class FakeConnection : public RuleConnection {
 public:
  std::vector<std::string>* statements;
  std::set<std::string> refused;
  std::vector<Record> popup_rows, process_rows;
  bool query_fails = false;
  int queries = 0;

  explicit FakeConnection(std::vector<std::string>* log) : statements(log) {}
  bool execute(const std::string& statement) override {
    statements->push_back(statement);
    const std::string open_id = "编号序列=";
    if (statement.size() >= open_id.size() && statement.compare(statement.size() - open_id.size(), open_id.size(), open_id) == 0) {
      return false;
    }
    return refused.count(statement) == 0;
  }
  std::optional<std::vector<Record>> query(const std::string& statement) override {
    ++queries;
    if (query_fails) return std::nullopt;
    return statement == "select * from 弹窗拦截" ? popup_rows : process_rows;
  }
};

class FakeFiles : public StoreFiles {
 public:
  std::set<std::string> directories, files;
  std::vector<std::string> created;  // folders, in order
  bool writes_fail = false, open_fails = false;
  std::vector<std::string> statements;
  FakeConnection* connection = nullptr;
  std::map<std::string, std::string> descriptions;

  bool is_directory(const std::string& path) override { return directories.count(path) > 0; }
  void create_directory(const std::string& path) override {
    created.push_back(path);
    directories.insert(path);
  }
  bool exists(const std::string& path) override { return files.count(path) > 0 || directories.count(path) > 0; }
  bool write_new_file(const std::string& path, const std::vector<std::uint8_t>&) override {
    if (writes_fail) return false;
    files.insert(path);
    return true;
  }
  std::unique_ptr<RuleConnection> open_database(const std::string&) override {
    if (open_fails) return nullptr;
    auto c = std::make_unique<FakeConnection>(&statements);
    connection = c.get();
    if (prepare) prepare(*c);
    return c;
  }
  std::string file_description(const std::string& path) override {
    auto it = descriptions.find(path);
    return it == descriptions.end() ? std::string() : it->second;
  }
  std::function<void(FakeConnection&)> prepare;
};

class FakeDialogs : public UserDialogs {
 public:
  std::deque<bool> answers;  // next answers to questions; Yes when empty
  std::vector<std::string> shown;  // "?question", "!message", "beep"
  bool ask(const std::string& question) override {
    shown.push_back("?" + question);
    bool answer = answers.empty() ? true : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void tell(const std::string& message) override { shown.push_back("!" + message); }
  void beep() override { shown.push_back("beep"); }
};

}  // namespace qvk
