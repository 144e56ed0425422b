// Shared by the engine's sources; not part of the public interface.
#pragma once

#include "jet4.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <set>

namespace jet4 {

constexpr uint32_t kPage = 4096;

enum PageType : uint8_t { kHeader = 0, kData = 1, kTdef = 2, kNode = 3, kLeaf = 4, kBitmap = 5 };

// Row-offset flags in a data page's slot table.
constexpr uint16_t kDeleted = 0xC000;
constexpr uint16_t kOverflowHeader = 0x4000;  // the slot only points to the real row
constexpr uint16_t kOverflowTarget = 0x8000;  // the real row, reached through a header
constexpr uint16_t kOffsetMask = 0x1FFF;

// Byte access with explicit little/big endianness; never unaligned casts.
inline uint16_t rd16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t rd24(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16); }
inline uint32_t rd32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
inline uint64_t rd64(const uint8_t* p) { return uint64_t(rd32(p)) | (uint64_t(rd32(p + 4)) << 32); }
inline uint32_t rd24be(const uint8_t* p) { return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]; }
inline uint32_t rd32be(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }
inline void wr16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void wr24(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); }
inline void wr32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); }
inline void wr64(uint8_t* p, uint64_t v) { for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i)); }
inline void wr24be(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 16); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v); }
inline void wr32be(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v); }

[[noreturn]] void corrupt(const std::string& what);
[[noreturn]] void unsupported(const std::string& what);

std::string narrow(const std::u16string& s);  // UTF-8, for messages

// A row address: page and slot, stored on disk as one byte of slot then
// three bytes of page.
struct RowRef {
    uint32_t page = 0;
    uint16_t slot = 0;
    auto operator<=>(const RowRef&) const = default;
};

struct RealIndex {
    std::vector<std::pair<uint16_t, bool>> cols;  // column number, ascending
    uint32_t map_ptr = 0;   // usage map of its pages
    uint32_t root = 0;
    uint8_t flags = 0;
    uint32_t count_off = 0; // offset in the first TDEF page of its key count
};

struct LogicalIndex {
    std::u16string name;
    uint32_t real = 0;
    uint8_t type = 0;
    bool foreign = false;
};

struct TableDef {
    std::u16string name;
    uint32_t page = 0;
    bool system = false;
    std::vector<uint32_t> def_pages;
    uint32_t row_count = 0;
    uint32_t autonumber = 0;
    uint16_t max_cols = 0, var_cols = 0;
    uint32_t owned_map = 0, free_map = 0;
    std::vector<Column> cols;        // in definition order
    std::vector<RealIndex> real;
    std::vector<LogicalIndex> logical;
    std::string bad;  // why the definition could not be read (empty if fine)
    const Column* find(const std::u16string& name) const;
};

// One index entry, decoded: key bytes (without the row pointer) and the row.
struct Entry {
    std::vector<uint8_t> key;
    RowRef row;
    uint32_t child = 0;  // node pages only
    bool operator<(const Entry& o) const;
};

struct IndexPage {
    uint8_t type = kLeaf;
    uint32_t tdef = 0, prev = 0, next = 0, tail = 0;
    std::vector<Entry> entries;
};

struct OsFile;

// A usage map's bits read where they lie: one run for an inline map (type
// 0), one per bitmap page for a reference map (type 1).  Page numbers are
// 64-bit so a run never wraps; runs ascend and do not overlap.  Writes ask
// single questions of a map, and building the whole page set each time
// would cost as much as the table is big.
struct MapBits {
    struct Run {
        uint64_t first;
        const uint8_t* bits;
        uint32_t bytes;
    };
    std::vector<Run> runs;

    bool has(uint64_t pn) const {
        for (auto& r : runs)
            if (pn >= r.first && pn < r.first + 8ull * r.bytes) {
                uint64_t i = pn - r.first;
                return r.bits[i / 8] & (1u << (i % 8));
            }
        return false;
    }
    // The lowest listed page in [lo, hi), or 0 if none.
    uint32_t lowest(uint32_t lo, uint32_t hi) const;
    // The highest listed page in [lo, hi) that `want` accepts, or 0 if none.
    template <class F>
    uint32_t highest(uint32_t lo, uint32_t hi, F&& want) const {
        for (size_t k = runs.size(); k-- > 0;) {
            const Run& r = runs[k];
            if (r.first >= hi || r.bytes == 0) continue;
            uint64_t top = std::min<uint64_t>(8ull * r.bytes, hi - r.first);  // bits below hi
            for (uint64_t byte = (top + 7) / 8; byte-- > 0;) {
                uint8_t m = r.bits[byte];
                for (int bit = 7; m && bit >= 0; --bit) {
                    if (!(m & (1u << bit))) continue;
                    uint64_t pn = r.first + byte * 8 + uint64_t(bit);
                    if (pn >= hi) continue;
                    if (pn < lo) return 0;
                    if (want(uint32_t(pn))) return uint32_t(pn);
                }
                if (r.first + byte * 8 <= lo) return 0;
            }
        }
        return 0;
    }
};

struct Database::Impl {
    std::deque<std::array<uint8_t, kPage>> pages;
    std::vector<TableDef> tables;  // from MSysObjects
    std::string path;
#ifdef _WIN32
    std::wstring wpath;
#endif
    bool writable = false;
    std::shared_ptr<OsFile> file;  // held for the life of the object
    bool broken = false;  // a commit died half-way; only reopening recovers
    std::vector<uint8_t> image_cache;
    mutable bool image_dirty = true;
    double create_date = 0;
    uint32_t db_key = 0;

    // The running transaction: pages' contents before the first change.
    std::map<uint32_t, std::array<uint8_t, kPage>> before;
    uint32_t pages_before = 0;
    bool in_tx = false;

    uint32_t page_count() const { return uint32_t(pages.size()); }
    const uint8_t* page(uint32_t n) const {
        if (n >= pages.size()) corrupt("page " + std::to_string(n) + " past the end of the file");
        return pages[n].data();
    }
    uint8_t* wpage(uint32_t n);       // records the old contents first
    uint32_t append_page();           // a zeroed page at the end

    void load(std::vector<uint8_t> image);
    void read_catalog();
    TableDef read_tdef(uint32_t page, const std::u16string& name, bool system) const;
    const TableDef& table(const std::u16string& name) const;
    TableDef& table_mut(const std::u16string& name);
    void reload_table(TableDef& t);

    // Rows of a table in scan order with their addresses (the header slot for
    // rows that moved through an overflow row).
    struct RawRow { RowRef where; const uint8_t* p; uint32_t len; };
    std::vector<RawRow> scan(const TableDef& t) const;
    std::set<uint32_t> read_map(uint32_t ptr) const;
    MapBits map_bits(uint32_t ptr) const;
    std::pair<const uint8_t*, uint32_t> row_at(RowRef r, uint16_t* flags = nullptr) const;
    std::pair<const uint8_t*, uint32_t> follow(RowRef r) const;  // through overflow headers
    Row decode_row(const TableDef& t, const uint8_t* p, uint32_t len) const;
    Value decode_value(const Column& c, const uint8_t* p, uint32_t len) const;
    std::vector<uint8_t> read_long_value(const uint8_t* p, uint32_t len) const;

    // Index pages.
    IndexPage read_index_page(uint32_t n) const;
    // Rows whose key equals `key` in the index rooted at `root`, in index order.
    std::vector<RowRef> index_rows(uint32_t root, const std::vector<uint8_t>& key) const;
    void write_index_page(uint32_t n, const IndexPage& ip);
    static bool fits(const IndexPage& ip);

    // Transactions.
    void begin();
    void commit();
    void rollback();

    Problems check() const;
};

// Values <-> bytes.
std::u16string decode_text(const uint8_t* p, uint32_t len);
std::vector<uint8_t> encode_text(const std::u16string& s, bool compress);
std::vector<uint8_t> encode_row_values(const TableDef& t, const Row& values);
std::vector<uint8_t> index_key(const TableDef& t, const RealIndex& ix, const Row& row);
bool index_column_supported(Type t);

// Data page layout helpers (shared by writer and checker).
struct Slot { uint16_t raw; uint32_t off, len; };
std::vector<Slot> page_slots(const uint8_t* pg);
uint32_t page_free(const uint8_t* pg);  // what the contents leave free

// The file layer.
void platform_open(Database::Impl& d, Database::Mode mode);
void platform_close(Database::Impl& d);
std::vector<uint8_t> platform_read_all(Database::Impl& d);
// A journal left by an interrupted commit: put the old pages back (writable)
// or lay them over the image read (read-only).
void recover_journal(Database::Impl& d);
void apply_journal_in_memory(Database::Impl& d, std::vector<uint8_t>& image);
std::string date_text(double v, bool mdb_style);
bool same_name(const std::u16string& a, const std::u16string& b);

}  // namespace jet4
