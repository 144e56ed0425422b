// Jet 4 (.mdb, Access 2000 / 2002-2003) database engine: read every table,
// write rows of tables whose indexes it can keep exact, create the rule
// database, run the few SQL statement shapes the program uses, and check a
// file's invariants.  Self-contained: depends on nothing else in the program.
//
// Text is UTF-16 throughout (std::u16string).  Narrow std::string paths and
// statement texts are UTF-8; on Windows the path is converted to UTF-16 and
// opened with the wide API so non-ASCII folders work.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace jet4 {

class Error : public std::runtime_error {
public:
    enum class Code {
        Io,           // the file cannot be opened, read or written
        Locked,       // another program holds the file open or locked
        NotJet4,      // not a Jet 4 file (Jet 3, Access 2007+, or not a database)
        Encrypted,    // page encryption in use
        Password,     // a database password is set
        Corrupt,      // the file's structure is inconsistent
        Unsupported,  // valid Jet but beyond what this engine writes
        NotFound,     // no such table or column
        Syntax,       // statement not understood
        Value,        // a value does not fit its column
        Injected,     // a test fault point fired (simulated crash)
    };
    Error(Code c, const std::string& what) : std::runtime_error(what), code(c) {}
    Code code;
};

enum class Type : uint8_t {
    Bool = 0x01, Byte = 0x02, Int = 0x03, Long = 0x04, Currency = 0x05,
    Single = 0x06, Double = 0x07, DateTime = 0x08, Binary = 0x09, Text = 0x0A,
    Ole = 0x0B, Memo = 0x0C, Guid = 0x0F, Numeric = 0x10,
};
const char* type_name(Type t);

struct Column {
    std::u16string name;
    Type type = Type::Text;
    uint16_t number = 0;        // position in the null mask
    uint16_t var_index = 0;     // slot among the variable columns
    uint16_t fixed_offset = 0;  // offset among the fixed columns
    uint16_t length = 0;        // bytes (Text: 2 per character)
    uint8_t flags = 0;          // 0x01 fixed, 0x02 updatable, 0x04 AutoNumber Long
    uint8_t ext_flags = 0;      // 0x01 Unicode compression
    uint8_t precision = 0, scale = 0;  // Numeric only
    bool fixed() const { return flags & 0x01; }
    bool autonumber() const { return flags & 0x04; }
    bool compressed() const { return ext_flags & 0x01; }
};

struct IndexInfo {
    std::u16string name;
    uint32_t real_index = 0;
    std::vector<std::pair<uint16_t, bool>> columns;  // column number, ascending
    uint32_t root_page = 0;
    uint8_t flags = 0;       // 0x01 unique, 0x08 required, 0x80 ...
    uint8_t kind = 0;        // 1 primary key, 2 foreign key (relationship side)
    bool foreign = false;    // takes part in a relationship
};

struct Value {
    enum class Kind : uint8_t { Null, Bool, Int, Single, Double, Currency, DateTime, Text, Binary, Guid, Numeric };
    Kind kind = Kind::Null;
    int64_t i = 0;            // Bool, Int, Currency (x10000)
    double d = 0;             // Single, Double, DateTime (days since 1899-12-30)
    std::u16string text;      // Text and Memo; Numeric as decimal digits
    std::vector<uint8_t> bytes;  // Binary, OLE, Guid (16 bytes as stored)

    static Value null() { return {}; }
    static Value of_text(std::u16string s) { Value v; v.kind = Kind::Text; v.text = std::move(s); return v; }
    static Value of_int(int64_t x) { Value v; v.kind = Kind::Int; v.i = x; return v; }
    bool is_null() const { return kind == Kind::Null; }
    bool operator==(const Value&) const = default;
};
using Row = std::vector<Value>;

struct TableInfo {
    std::u16string name;
    uint32_t tdef_page = 0;
    bool system = false;
};

// One problem found by check(); an empty list means every invariant holds.
using Problems = std::vector<std::string>;

class Database {
public:
    enum class Mode { ReadOnly, ReadWrite };
    // path is UTF-8.  ReadWrite takes an exclusive write lock for the life of
    // the object; a file locked by someone else gives Error::Locked.
    static std::unique_ptr<Database> open(const std::string& path, Mode mode = Mode::ReadOnly);
#ifdef _WIN32
    static std::unique_ptr<Database> open(const std::wstring& path, Mode mode = Mode::ReadOnly);
#endif
    // Parses an image held in memory (read-only; used by tests and fuzzing).
    static std::unique_ptr<Database> from_bytes(std::vector<uint8_t> image);
    ~Database();

    std::vector<TableInfo> tables(bool with_system = true) const;
    std::vector<Column> columns(const std::u16string& table) const;
    std::vector<IndexInfo> indexes(const std::u16string& table) const;
    // Live rows in the order a table scan meets them.
    std::vector<Row> rows(const std::u16string& table) const;

    // Writes.  Each call is one statement: it reaches the file whole or not at
    // all.  Values are given by column name; missing columns are NULL (the
    // AutoNumber gets the next number).  Return the number of rows changed.
    int64_t insert(const std::u16string& table,
                   const std::vector<std::pair<std::u16string, Value>>& values);
    // Rows whose `key` column equals `id` (an integer column, looked up
    // through an index when it has one).
    uint32_t update(const std::u16string& table, const std::u16string& key, int64_t id,
                    const std::vector<std::pair<std::u16string, Value>>& values);
    uint32_t remove(const std::u16string& table, const std::u16string& key, int64_t id);

    // Runs every structural check over the whole file.
    Problems check() const;

    // The current image (after committed writes).
    const std::vector<uint8_t>& image() const;

    struct Impl;
private:
    explicit Database(std::unique_ptr<Impl> p);
    static std::unique_ptr<Database> open_named(std::unique_ptr<Impl> impl, Mode mode);
    std::unique_ptr<Impl> d_;
};

// The empty rule database the program writes when none exists: two tables,
// 弹窗拦截 and 进程列表, each a Long AutoNumber key "PrimaryKey" plus Text(255)
// columns.  Byte-for-byte deterministic.
std::vector<uint8_t> create_rule_database_template();

struct NewTable {
    std::u16string name;
    std::u16string key;                 // Long AutoNumber primary key column
    std::vector<std::u16string> texts;  // Text(255) columns
};
std::vector<uint8_t> create_database(const std::vector<NewTable>& tables);

// The statement layer.  Runs exactly:
//   insert into T(c1,...) values ('v1',...)
//   update T set c1='v1',... where K=N
//   delete from T where K=N
//   select * from T
struct Result {
    bool is_select = false;
    std::vector<Column> columns;
    std::vector<Row> rows;
    uint32_t changed = 0;
};
Result execute(Database& db, const std::u16string& statement);

// Formatting helpers for the tool and tests.
std::u16string utf8_to_utf16(const std::string& s);  // invalid bytes become U+FFFD
std::string utf16_to_utf8(const std::u16string& s);
// One row as a JSON object the way mdb-json prints it (NULLs left out).
std::string row_to_json(const std::vector<Column>& cols, const Row& row);
// A value as plain text (UTF-8): empty for NULL, digits for integers.
std::string value_to_text(const Value& v);

namespace testing {
// Makes the n-th file operation of the next commits (1-based) fail as if the
// process died there: nothing after it reaches the disk.  0 disarms.
void set_fault_point(int n);
// File operations performed by commits since the last call (to size loops).
int file_operations();
// Skips the flushes to disk (fsync) of commits; for tests that make
// thousands of statements.  The order of writes is unchanged.
void set_flush(bool on);
}  // namespace testing

}  // namespace jet4
