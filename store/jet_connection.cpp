#include "store/jet_connection.h"

#include "jet/jet4.h"
#include "platform/encoding.h"

namespace qvk {

JetConnection::JetConnection(std::unique_ptr<jet4::Database> database) : database_(std::move(database)) {}
JetConnection::~JetConnection() = default;

bool JetConnection::execute(const std::string& statement) {
  try {
    jet4::execute(*database_, gbk_to_utf16(statement));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::optional<std::vector<Record>> JetConnection::query(const std::string& statement) {
  try {
    jet4::Result result = jet4::execute(*database_, gbk_to_utf16(statement));
    std::vector<std::string> names;
    for (const jet4::Column& column : result.columns) names.push_back(utf16_to_gbk(column.name));
    std::vector<Record> records;
    for (const jet4::Row& row : result.rows) {
      Record record;
      for (size_t i = 0; i < row.size() && i < names.size(); ++i) {
        const jet4::Value& value = row[i];
        // Texts go straight from UTF-16 to GBK; numbers are ASCII digits either way.
        record[names[i]] = value.kind == jet4::Value::Kind::Text ? utf16_to_gbk(value.text)
                                                                 : jet4::value_to_text(value);
      }
      records.push_back(std::move(record));
    }
    return records;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::unique_ptr<RuleConnection> open_jet_connection(const std::string& path) {
  try {
#ifdef _WIN32
    std::u16string wide = gbk_to_utf16(path);
    auto database = jet4::Database::open(std::wstring(wide.begin(), wide.end()), jet4::Database::Mode::ReadWrite);
#else
    auto database = jet4::Database::open(path, jet4::Database::Mode::ReadWrite);
#endif
    return std::make_unique<JetConnection>(std::move(database));
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace qvk
