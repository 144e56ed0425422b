// Creating a database: the four catalog tables laid out as Jet lays them
// out in a database it creates itself, plus the given tables, each a Long
// AutoNumber primary key "PrimaryKey" and optional Text(255) columns with
// Unicode compression.
//
// Page layout (adding two pages per table to Jet's own 16):
//   0 header, 1 file page map, 2-5 catalog definitions, 6 usage maps,
//   7-13 catalog index leaves, 14 MSysObjects rows, 15 MSysACEs rows,
//   then per table its definition page, then per table its empty key leaf.
#include "internal.h"

#include <algorithm>

namespace jet4 {

namespace {

constexpr uint32_t kTablesId = 0x0F000001;   // the "Tables" container
constexpr uint32_t kRootId = 0x0F000000;
constexpr double kCreated = 45292.0;         // 2024-01-01 00:00:00: fixed, so output is repeatable
constexpr uint8_t kOwnerSid[2] = {0x65, 0x89};  // owner of the catalog objects
constexpr uint8_t kAdminSid[2] = {0x64, 0x8B};
constexpr uint8_t kCreatorSid[2] = {0x65, 0x8E};
constexpr uint8_t kUsersSid[2] = {0x65, 0x8B};

struct ColSpec {
    const char16_t* name;
    uint8_t type;
    uint16_t number, var_index;
    uint8_t flags, ext;
    uint16_t fixed_offset, length;
};

struct IndexSpec {
    std::vector<uint16_t> cols;
    uint8_t flags;
    const char16_t* name;
    uint8_t kind;  // 1 = primary key
    uint32_t leaf = 0;
    uint32_t map_row = 0;
};

struct TableLayout {
    std::u16string name;
    uint32_t page = 0;
    bool system = true;
    std::vector<ColSpec> cols;  // in definition order
    std::vector<IndexSpec> indexes;
    std::vector<uint16_t> long_cols;  // columns with their own long-value maps
    uint32_t owned_row = 0, free_row = 0;
    std::vector<std::pair<uint32_t, uint32_t>> lv_rows;
    std::vector<Row> rows;
    uint32_t data_page = 0;
    uint32_t autonumber = 0;
};

// Jet's catalog tables, column by column, as in a database Jet creates.
std::vector<TableLayout> catalog() {
    std::vector<TableLayout> t(4);
    t[0].name = u"MSysObjects";
    t[0].cols = {
        {u"Connect", 0x0C, 9, 3, 0x12, 0, 0, 0}, {u"Database", 0x0C, 8, 2, 0x12, 0, 0, 0},
        {u"DateCreate", 0x08, 4, 1, 0x13, 0, 10, 8}, {u"DateUpdate", 0x08, 5, 1, 0x13, 0, 18, 8},
        {u"Flags", 0x04, 7, 2, 0x13, 0, 26, 4}, {u"ForeignName", 0x0A, 10, 4, 0x12, 0, 0, 510},
        {u"Id", 0x04, 0, 0, 0x13, 0, 0, 4}, {u"Lv", 0x0B, 13, 7, 0x12, 0, 0, 0},
        {u"LvExtra", 0x0B, 16, 10, 0x12, 0, 0, 0}, {u"LvModule", 0x0B, 15, 9, 0x12, 0, 0, 0},
        {u"LvProp", 0x0B, 14, 8, 0x12, 0, 0, 0}, {u"Name", 0x0A, 2, 0, 0x12, 0, 0, 510},
        {u"Owner", 0x09, 6, 1, 0x32, 0, 0, 510}, {u"ParentId", 0x04, 1, 0, 0x13, 0, 4, 4},
        {u"RmtInfoLong", 0x0B, 12, 6, 0x12, 0, 0, 0}, {u"RmtInfoShort", 0x09, 11, 5, 0x12, 0, 0, 510},
        {u"Type", 0x03, 3, 1, 0x13, 0, 8, 2},
    };
    t[0].indexes = {{{1, 2}, 0x81, u"ParentIdName", 0}, {{0}, 0x81, u"Id", 0}};
    t[0].long_cols = {9, 8, 13, 16, 15, 14, 12};
    t[1].name = u"MSysACEs";
    t[1].cols = {
        {u"ACM", 0x04, 2, 1, 0x13, 0, 4, 4}, {u"FInheritable", 0x01, 3, 1, 0x13, 0, 0, 1},
        {u"ObjectId", 0x04, 0, 0, 0x13, 0, 0, 4}, {u"SID", 0x09, 1, 0, 0x32, 0, 0, 510},
    };
    t[1].indexes = {{{0}, 0x88, u"ObjectId", 0}};
    t[2].name = u"MSysQueries";
    t[2].cols = {
        {u"Attribute", 0x02, 1, 0, 0x13, 0, 4, 1}, {u"Expression", 0x0C, 5, 3, 0x12, 0, 0, 0},
        {u"Flag", 0x03, 6, 4, 0x13, 0, 5, 2}, {u"LvExtra", 0x04, 7, 4, 0x13, 0, 7, 4},
        {u"Name1", 0x0A, 3, 1, 0x12, 0, 0, 510}, {u"Name2", 0x0A, 4, 2, 0x12, 0, 0, 510},
        {u"ObjectId", 0x04, 0, 0, 0x13, 0, 0, 4}, {u"Order", 0x09, 2, 0, 0x12, 0, 0, 510},
    };
    t[2].indexes = {{{0, 1, 2}, 0x81, u"ObjectIdAttribute", 0}};
    t[2].long_cols = {5};
    t[3].name = u"MSysRelationships";
    t[3].cols = {
        {u"ccolumn", 0x04, 2, 1, 0x13, 0, 4, 4}, {u"grbit", 0x04, 1, 1, 0x13, 0, 0, 4},
        {u"icolumn", 0x04, 3, 1, 0x13, 0, 8, 4}, {u"szColumn", 0x0A, 5, 2, 0x12, 0, 0, 510},
        {u"szObject", 0x0A, 4, 1, 0x12, 0, 0, 510}, {u"szReferencedColumn", 0x0A, 7, 4, 0x12, 0, 0, 510},
        {u"szReferencedObject", 0x0A, 6, 3, 0x12, 0, 0, 510}, {u"szRelationship", 0x0A, 0, 0, 0x12, 0, 0, 510},
    };
    // Logical order differs from real order here: szObject, szReferencedObject, szRelationship.
    t[3].indexes = {{{0}, 0x82, u"szRelationship", 0}, {{4}, 0x82, u"szObject", 0}, {{6}, 0x82, u"szReferencedObject", 0}};
    for (uint32_t i = 0; i < 4; ++i) t[i].page = 2 + i;
    return t;
}

// Sort keys of the General (legacy) order for the characters catalog names
// use: case-insensitive letters, digits, and the Han characters of the rule
// tables' names.
std::vector<uint8_t> name_key(const std::u16string& s) {
    static const uint8_t letters[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59, 0x5B, 0x5C, 0x5E, 0x60,
                                        0x62, 0x64, 0x66, 0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
    static const std::pair<char16_t, uint16_t> han[] = {
        {u'弹', 0xB09C}, {u'窗', 0xCC51}, {u'拦', 0xB451}, {u'截', 0xB393},
        {u'进', 0xE1C5}, {u'程', 0xCBC3}, {u'列', 0xA345}, {u'表', 0xDA40},
    };
    std::vector<uint8_t> k{0x7F};
    for (char16_t c : s) {
        if (c >= u'a' && c <= u'z') k.push_back(letters[c - u'a']);
        else if (c >= u'A' && c <= u'Z') k.push_back(letters[c - u'A']);
        else if (c >= u'0' && c <= u'9') k.push_back(uint8_t(0x36 + 2 * (c - u'0')));
        else {
            auto it = std::find_if(std::begin(han), std::end(han), [&](auto& h) { return h.first == c; });
            if (it == std::end(han)) unsupported("table name " + narrow(s) + " has a character without a known sort key");
            k.push_back(uint8_t(it->second >> 8));
            k.push_back(uint8_t(it->second));
        }
    }
    k.push_back(0x01);
    k.push_back(0x00);
    return k;
}

std::vector<uint8_t> long_key(uint32_t v) {
    std::vector<uint8_t> k{0x7F, 0, 0, 0, 0};
    wr32be(k.data() + 1, v ^ 0x80000000u);
    return k;
}

TableDef as_def(const TableLayout& s) {
    TableDef t;
    t.name = s.name;
    t.page = s.page;
    for (auto& c : s.cols) {
        Column col;
        col.name = c.name;
        col.type = Type(c.type);
        col.number = c.number;
        col.var_index = c.var_index;
        col.flags = c.flags;
        col.ext_flags = c.ext;
        col.fixed_offset = c.fixed_offset;
        col.length = c.length;
        t.cols.push_back(col);
    }
    t.max_cols = uint16_t(s.cols.size());
    std::sort(t.cols.begin(), t.cols.end(), [](const Column& a, const Column& b) { return a.number < b.number; });
    return t;
}

Value text(const std::u16string& s) { return Value::of_text(s); }
Value num(int64_t v) { return Value::of_int(v); }
Value date() { Value v; v.kind = Value::Kind::DateTime; v.d = kCreated; return v; }
Value bin(const uint8_t* b) { Value v; v.kind = Value::Kind::Binary; v.bytes.assign(b, b + 2); return v; }
Value boolean(bool b) { Value v; v.kind = Value::Kind::Bool; v.i = b; return v; }

// A row of values by column name, in the definition's column order.
Row make_row(const TableDef& t, const std::vector<std::pair<const char16_t*, Value>>& vals) {
    Row r(t.cols.size());
    for (auto& [n, v] : vals)
        for (size_t i = 0; i < t.cols.size(); ++i)
            if (t.cols[i].name == n) r[i] = v;
    return r;
}

void pack_rows(uint8_t* pg, uint32_t tdef, const std::vector<std::vector<uint8_t>>& rows) {
    pg[0] = kData;
    pg[1] = 0x01;
    wr32(pg + 4, tdef);
    wr16(pg + 12, uint32_t(rows.size()));
    uint32_t at = kPage, used = 14 + 2 * uint32_t(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        at -= uint32_t(rows[i].size());
        used += uint32_t(rows[i].size());
        if (used > kPage) unsupported("catalog rows do not fit one page");
        std::memcpy(pg + at, rows[i].data(), rows[i].size());
        wr16(pg + 14 + 2 * i, at);
    }
    wr16(pg + 2, kPage - used);
}

std::vector<uint8_t> map_row(const std::vector<uint32_t>& pages) {
    std::vector<uint8_t> r(69, 0);  // inline: type 0, first page 0, 512 pages
    for (uint32_t p : pages) r[5 + p / 8] |= uint8_t(1u << (p % 8));
    return r;
}

void write_leaf(uint8_t* pg, uint32_t tdef, std::vector<std::vector<uint8_t>> entries) {
    std::sort(entries.begin(), entries.end());
    pg[0] = kLeaf;
    pg[1] = 0x01;
    wr32(pg + 4, tdef);
    uint32_t at = 0;
    for (auto& e : entries) {
        std::memcpy(pg + 480 + at, e.data(), e.size());
        at += uint32_t(e.size());
        pg[27 + at / 8] |= uint8_t(1u << (at % 8));
    }
    wr16(pg + 2, kPage - 480 - at);
}

std::vector<uint8_t> entry(std::vector<uint8_t> key, uint32_t page, uint8_t slot) {
    key.push_back(uint8_t(page >> 16));
    key.push_back(uint8_t(page >> 8));
    key.push_back(uint8_t(page));
    key.push_back(slot);
    return key;
}

void write_tdef(uint8_t* pg, const TableLayout& s, const std::vector<uint32_t>& key_counts) {
    std::vector<uint8_t> d(63, 0);
    d[0] = kTdef;
    d[1] = 0x01;
    wr32(d.data() + 12, 0x0659);
    wr32(d.data() + 16, uint32_t(s.rows.size()));
    wr32(d.data() + 20, s.autonumber);
    d[24] = 0x01;
    d[40] = s.system ? 0x53 : 0x4E;
    uint16_t nvar = 0;
    for (auto& c : s.cols) if (!(c.flags & 0x01)) ++nvar;
    wr16(d.data() + 41, uint32_t(s.cols.size()));
    wr16(d.data() + 43, nvar);
    wr16(d.data() + 45, uint32_t(s.cols.size()));
    wr32(d.data() + 47, uint32_t(s.indexes.size()));
    wr32(d.data() + 51, uint32_t(s.indexes.size()));
    wr32(d.data() + 55, (6u << 8) | s.owned_row);
    wr32(d.data() + 59, (6u << 8) | s.free_row);
    auto put = [&](const std::vector<uint8_t>& b) { d.insert(d.end(), b.begin(), b.end()); };
    for (size_t i = 0; i < s.indexes.size(); ++i) {
        std::vector<uint8_t> b(12, 0);
        wr32(b.data() + 4, key_counts[i]);
        put(b);
    }
    for (auto& c : s.cols) {
        std::vector<uint8_t> b(25, 0);
        b[0] = c.type;
        wr32(b.data() + 1, 0x0659);
        wr16(b.data() + 5, c.number);
        wr16(b.data() + 7, c.var_index);
        if (!s.system) wr16(b.data() + 9, c.number);
        wr32(b.data() + 11, 0x0409);  // General sort order
        b[15] = c.flags;
        b[16] = c.ext;
        wr16(b.data() + 21, c.fixed_offset);
        wr16(b.data() + 23, c.length);
        put(b);
    }
    for (auto& c : s.cols) {
        std::u16string n = c.name;
        std::vector<uint8_t> b(2 + 2 * n.size());
        wr16(b.data(), uint32_t(2 * n.size()));
        for (size_t k = 0; k < n.size(); ++k) wr16(b.data() + 2 + 2 * k, n[k]);
        put(b);
    }
    for (auto& ix : s.indexes) {
        std::vector<uint8_t> b(52, 0);
        wr32(b.data(), 0x0783);
        for (int k = 0; k < 10; ++k) {
            if (size_t(k) < ix.cols.size()) { wr16(b.data() + 4 + 3 * k, ix.cols[size_t(k)]); b[4 + 3 * k + 2] = 0x01; }
            else wr16(b.data() + 4 + 3 * k, 0xFFFF);
        }
        wr32(b.data() + 34, (6u << 8) | ix.map_row);
        wr32(b.data() + 38, ix.leaf);
        b[46] = ix.flags;
        put(b);
    }
    // Logical indexes are listed by name; each names its real index.
    std::vector<size_t> order(s.indexes.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (s.name == u"MSysRelationships") order = {1, 2, 0};
    if (s.name == u"MSysObjects") order = {1, 0};
    for (size_t li = 0; li < order.size(); ++li) {
        std::vector<uint8_t> b(28, 0);
        wr32(b.data(), 0x0659);
        wr32(b.data() + 4, uint32_t(li));
        wr32(b.data() + 8, uint32_t(order[li]));
        wr32(b.data() + 13, 0xFFFFFFFF);
        b[21] = 0x04;
        b[22] = 0x04;
        b[23] = s.indexes[order[li]].kind;
        put(b);
    }
    for (size_t li = 0; li < order.size(); ++li) {
        std::u16string n = s.indexes[order[li]].name;
        std::vector<uint8_t> b(2 + 2 * n.size());
        wr16(b.data(), uint32_t(2 * n.size()));
        for (size_t k = 0; k < n.size(); ++k) wr16(b.data() + 2 + 2 * k, n[k]);
        put(b);
    }
    for (size_t k = 0; k < s.long_cols.size(); ++k) {
        std::vector<uint8_t> b(10, 0);
        wr16(b.data(), s.long_cols[k]);
        wr32(b.data() + 2, (6u << 8) | s.lv_rows[k].first);
        wr32(b.data() + 6, (6u << 8) | s.lv_rows[k].second);
        put(b);
    }
    put({0xFF, 0xFF});
    if (d.size() > kPage) unsupported("table definition larger than one page");
    wr32(d.data() + 8, uint32_t(d.size()));
    wr16(d.data() + 2, kPage - 8 - uint32_t(d.size()));
    std::memcpy(pg, d.data(), d.size());
}

void rc4(uint8_t* data, size_t n) {
    static const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) { j = (j + s[i] + key[i % 4]) & 255; std::swap(s[i], s[j]); }
    for (size_t k = 0, i = 0, j = 0; k < n; ++k) {
        i = (i + 1) & 255; j = (j + s[i]) & 255; std::swap(s[i], s[j]);
        data[k] ^= s[(s[i] + s[j]) & 255];
    }
}

void write_header(uint8_t* pg) {
    static const uint8_t magic[] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a', 'r', 'd', ' ', 'J', 'e', 't', ' ', 'D', 'B', 0x00, 0x01};
    std::memcpy(pg, magic, sizeof magic);
    uint8_t h[0x80] = {};
    auto at = [&](size_t off) { return h + (off - 0x18); };
    // Plain-text values Jet writes in this area.
    for (uint32_t i = 0; i < 6; ++i) wr32(at(0x18 + 4 * i), i == 0 ? 0x0100 : (i == 1 ? 0x0101 : i));
    wr16(at(0x3C), 1252);  // code page
    uint64_t bits;
    std::memcpy(&bits, &kCreated, 8);
    uint8_t mask[4];
    wr32(mask, uint32_t(int32_t(kCreated)));
    for (int i = 0; i < 40; ++i) at(0x42)[i] = mask[i % 4];  // an empty password
    wr32(at(0x6E), 0x0409);  // General sort order, version 0
    wr64(at(0x72), bits);
    rc4(h, sizeof h);
    std::memcpy(pg + 0x18, h, sizeof h);
    pg[0x98] = 0x54; pg[0x99] = 0x06;
    pg[0x9C] = '4'; pg[0x9D] = '.'; pg[0x9E] = '0';
    pg[0xE00] = 0x01; pg[0xE01] = 0x01;
    for (uint32_t i = 0xE03; i < kPage; i += 2) pg[i] = 0x01;
}

}  // namespace

std::vector<uint8_t> create_database(const std::vector<NewTable>& tables) {
    std::vector<TableLayout> layouts = catalog();
    const uint32_t first_user = 16;
    uint32_t n = uint32_t(tables.size());
    if (n > 40) unsupported("too many tables for one map page");
    for (uint32_t k = 0; k < n; ++k) {
        const NewTable& nt = tables[k];
        if (nt.texts.size() > 200) unsupported("too many columns");
        TableLayout s;
        s.name = nt.name;
        s.system = false;
        s.page = first_user + k;
        // The key is the only fixed column; text columns follow in order.
        s.cols.push_back({nullptr, 0x04, 0, 0, 0x07, 0x00, 0, 4});
        for (size_t c = 0; c < nt.texts.size(); ++c)
            s.cols.push_back({nullptr, 0x0A, uint16_t(c + 1), uint16_t(c), 0x02, 0x01, 0, 510});
        s.indexes = {{{0}, 0x89, u"PrimaryKey", 1}};
        s.indexes[0].leaf = first_user + n + k;
        layouts.push_back(s);
    }
    // Names live outside the layouts' column entries for the new tables.
    std::vector<std::vector<std::u16string>> names(layouts.size());
    for (uint32_t k = 0; k < n; ++k) {
        names[4 + k].push_back(tables[k].key);
        for (auto& t : tables[k].texts) names[4 + k].push_back(t);
        for (size_t c = 0; c < layouts[4 + k].cols.size(); ++c) layouts[4 + k].cols[c].name = names[4 + k][c].c_str();
        for (size_t a = 0; a < names[4 + k].size(); ++a)
            for (size_t b = a + 1; b < names[4 + k].size(); ++b)
                if (same_name(names[4 + k][a], names[4 + k][b])) throw Error(Error::Code::Value, "column named twice");
    }

    // Usage-map rows on page 6, in the order Jet assigns them.
    uint32_t row = 0;
    for (auto& s : layouts) {
        s.owned_row = row++;
        s.free_row = row++;
        for (size_t k = 0; k < s.long_cols.size(); ++k) { s.lv_rows.push_back({row, row + 1}); row += 2; }
        for (auto& ix : s.indexes) ix.map_row = row++;
    }
    uint32_t leaf = 7;
    for (size_t i = 0; i < 4; ++i)
        for (auto& ix : layouts[i].indexes) ix.leaf = leaf++;

    // Catalog rows.
    TableDef objs = as_def(layouts[0]), aces = as_def(layouts[1]);
    struct Obj { uint32_t id, parent; std::u16string name; int type; const uint8_t* owner; uint32_t flags; };
    std::vector<Obj> objects = {
        {kTablesId, kRootId, u"Tables", 3, kOwnerSid, 0x80000000u},
        {0x0F000002, kRootId, u"Databases", 3, kOwnerSid, 0x80000000u},
        {0x0F000003, kRootId, u"Relationships", 3, kOwnerSid, 0x80000000u},
        {0x10000000, 0x0F000002, u"MSysDb", 2, kAdminSid, 0x80000000u},
        {2, kTablesId, u"MSysObjects", 1, kOwnerSid, 0x80000000u},
        {3, kTablesId, u"MSysACEs", 1, kOwnerSid, 0x80000000u},
        {4, kTablesId, u"MSysQueries", 1, kOwnerSid, 0x80000000u},
        {5, kTablesId, u"MSysRelationships", 1, kOwnerSid, 0x80000000u},
    };
    for (uint32_t k = 0; k < n; ++k) {
        for (auto& o : objects)
            if (same_name(o.name, tables[k].name)) throw Error(Error::Code::Value, "table named twice");
        objects.push_back({first_user + k, kTablesId, tables[k].name, 1, kAdminSid, 0});
    }
    struct Ace { uint32_t obj; const uint8_t* sid; uint32_t acm; bool inherit; };
    std::vector<Ace> acl = {
        {2, kAdminSid, 393216, false}, {3, kAdminSid, 393216, false}, {4, kAdminSid, 393216, false},
        {5, kAdminSid, 917504, false}, {kTablesId, kCreatorSid, 983294, true}, {kTablesId, kAdminSid, 393217, false},
        {0x0F000003, kCreatorSid, 983294, true}, {0x0F000003, kAdminSid, 393217, false},
        {0x0F000002, kAdminSid, 393216, false}, {0x10000000, kAdminSid, 393230, false},
        {0x10000000, kUsersSid, 14, false}, {4, kUsersSid, 20, false}, {5, kUsersSid, 20, false},
        {2, kUsersSid, 20, false}, {kTablesId, kUsersSid, 1048319, true}, {0x0F000003, kUsersSid, 1048575, true},
    };
    // A new table gets the rights its container passes on to the users group.
    for (uint32_t k = 0; k < n; ++k) acl.push_back({first_user + k, kUsersSid, 1048319, false});

    std::vector<std::vector<uint8_t>> obj_rows, ace_rows;
    std::vector<std::vector<uint8_t>> ix_name, ix_id, ix_ace;
    for (size_t i = 0; i < objects.size(); ++i) {
        auto& o = objects[i];
        obj_rows.push_back(encode_row_values(objs, make_row(objs, {
            {u"Id", num(int32_t(o.id))}, {u"ParentId", num(int32_t(o.parent))}, {u"Name", text(o.name)},
            {u"Type", num(o.type)}, {u"DateCreate", date()}, {u"DateUpdate", date()},
            {u"Owner", bin(o.owner)}, {u"Flags", num(int32_t(o.flags))}})));
        std::vector<uint8_t> k = long_key(o.parent);
        auto nk = name_key(o.name);
        k.insert(k.end(), nk.begin(), nk.end());
        ix_name.push_back(entry(k, 14, uint8_t(i)));
        ix_id.push_back(entry(long_key(o.id), 14, uint8_t(i)));
    }
    for (size_t i = 0; i < acl.size(); ++i) {
        auto& a = acl[i];
        ace_rows.push_back(encode_row_values(aces, make_row(aces, {
            {u"ObjectId", num(int32_t(a.obj))}, {u"SID", bin(a.sid)}, {u"ACM", num(a.acm)},
            {u"FInheritable", boolean(a.inherit)}})));
        ix_ace.push_back(entry(long_key(a.obj), 15, uint8_t(i)));
    }
    layouts[0].rows.resize(objects.size());
    layouts[1].rows.resize(acl.size());
    std::set<uint32_t> ace_objects;
    for (auto& a : acl) ace_objects.insert(a.obj);

    uint32_t pages = first_user + 2 * n;
    std::vector<uint8_t> img(size_t(pages) * kPage, 0);
    auto P = [&](uint32_t p) { return img.data() + size_t(p) * kPage; };
    write_header(P(0));

    // Page 1: the file's page map; a set bit means free (or past the end).
    {
        std::vector<uint8_t> r(69, 0);
        for (uint32_t p = pages; p < 512; ++p) r[5 + p / 8] |= uint8_t(1u << (p % 8));
        pack_rows(P(1), 1, {r, std::vector<uint8_t>(69, 0)});
    }
    for (size_t i = 0; i < layouts.size(); ++i) {
        std::vector<uint32_t> counts;
        for (size_t k = 0; k < layouts[i].indexes.size(); ++k) {
            if (i == 0) counts.push_back(uint32_t(objects.size()));
            else if (i == 1) counts.push_back(uint32_t(ace_objects.size()));
            else counts.push_back(0);
        }
        write_tdef(P(layouts[i].page), layouts[i], counts);
    }
    // Page 6: usage maps.
    {
        std::vector<std::vector<uint8_t>> rows;
        for (size_t i = 0; i < layouts.size(); ++i) {
            auto& s = layouts[i];
            std::vector<uint32_t> data;
            if (i == 0) data = {14};
            if (i == 1) data = {15};
            rows.push_back(map_row(data));
            rows.push_back(map_row(data));
            for (size_t k = 0; k < s.long_cols.size(); ++k) { rows.push_back(map_row({})); rows.push_back(map_row({})); }
            for (auto& ix : s.indexes) rows.push_back(map_row({ix.leaf}));
        }
        pack_rows(P(6), 0, rows);
    }
    write_leaf(P(layouts[0].indexes[0].leaf), 2, ix_name);
    write_leaf(P(layouts[0].indexes[1].leaf), 2, ix_id);
    write_leaf(P(layouts[1].indexes[0].leaf), 3, ix_ace);
    for (size_t i = 2; i < layouts.size(); ++i)
        for (auto& ix : layouts[i].indexes) write_leaf(P(ix.leaf), layouts[i].page, {});
    pack_rows(P(14), 2, obj_rows);
    pack_rows(P(15), 3, ace_rows);
    return img;
}

std::vector<uint8_t> create_rule_database_template() {
    return create_database({
        {u"弹窗拦截", u"编号序列", {u"窗口标题", u"窗口类名", u"窗口大小", u"拦截方式", u"弹窗来源"}},
        {u"进程列表", u"编号序列", {u"主程序名", u"进程名称", u"规则文本", u"文件路径"}},
    });
}

}  // namespace jet4
