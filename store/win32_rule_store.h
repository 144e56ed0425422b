// The rule store on Win32: real folders and files, message boxes, version resources.
#pragma once

#include "app/main_window.h"
#include "store/rule_store.h"

namespace qvk {

class Win32StoreFiles : public StoreFiles {
 public:
  bool is_directory(const std::string& path) override;
  void create_directory(const std::string& path) override;
  bool exists(const std::string& path) override;
  bool write_new_file(const std::string& path, const std::vector<std::uint8_t>& bytes) override;
  std::unique_ptr<RuleConnection> open_database(const std::string& path) override;
  std::string file_description(const std::string& path) override;
};

// The store of the running program, hooked into start-up.
class Win32RuleStore {
 public:
  explicit Win32RuleStore(MainWindow& window);
  RuleStore& store() { return store_; }

 private:
  Win32StoreFiles files_;
  Win32Dialogs dialogs_;
  RuleStore store_;
};

}  // namespace qvk
