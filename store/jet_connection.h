// The rule connection on the program's own Jet 4 engine.
#pragma once

#include <memory>
#include <string>

#include "store/rule_store.h"

namespace jet4 {
class Database;
}

namespace qvk {

class JetConnection : public RuleConnection {
 public:
  explicit JetConnection(std::unique_ptr<jet4::Database> database);
  ~JetConnection() override;
  bool execute(const std::string& statement) override;
  std::optional<std::vector<Record>> query(const std::string& statement) override;

 private:
  std::unique_ptr<jet4::Database> database_;
};

// Opens a rule file for reading and writing for the whole run; nothing when it is not a Jet 4
// database, is locked by another program, or cannot be read. The path is GBK.
std::unique_ptr<RuleConnection> open_jet_connection(const std::string& path);

}  // namespace qvk
