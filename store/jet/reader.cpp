// Opening a file: header checks, the catalog, table definitions, row scans
// and value decoding.
#include "internal.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace jet4 {

void corrupt(const std::string& what) { throw Error(Error::Code::Corrupt, "damaged database: " + what); }
void unsupported(const std::string& what) { throw Error(Error::Code::Unsupported, what); }

std::string narrow(const std::u16string& s) { return utf16_to_utf8(s); }

const char* type_name(Type t) {
    switch (t) {
    case Type::Bool: return "Boolean";
    case Type::Byte: return "Byte";
    case Type::Int: return "Integer";
    case Type::Long: return "Long Integer";
    case Type::Currency: return "Currency";
    case Type::Single: return "Single";
    case Type::Double: return "Double";
    case Type::DateTime: return "DateTime";
    case Type::Binary: return "Binary";
    case Type::Text: return "Text";
    case Type::Ole: return "OLE";
    case Type::Memo: return "Memo";
    case Type::Guid: return "Replication ID";
    case Type::Numeric: return "Numeric";
    }
    return "?";
}

namespace {

// The header's middle is RC4-enciphered with a fixed key; decipher in place.
void rc4(uint8_t* data, size_t n, const uint8_t* key, size_t klen) {
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % klen]) & 255;
        std::swap(s[i], s[j]);
    }
    for (size_t k = 0, i = 0, j = 0; k < n; ++k) {
        i = (i + 1) & 255;
        j = (j + s[i]) & 255;
        std::swap(s[i], s[j]);
        data[k] ^= s[(s[i] + s[j]) & 255];
    }
}

uint16_t lower_ascii(uint16_t c) { return (c >= 'A' && c <= 'Z') ? uint16_t(c + 32) : c; }

}  // namespace

bool same_name(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower_ascii(a[i]) != lower_ascii(b[i])) return false;
    return true;
}

const Column* TableDef::find(const std::u16string& n) const {
    for (auto& c : cols)
        if (same_name(c.name, n)) return &c;
    return nullptr;
}

std::vector<Slot> page_slots(const uint8_t* pg) {
    uint32_t n = rd16(pg + 12);
    if (14 + 2 * n > kPage) corrupt("data page row table overruns the page");
    std::vector<Slot> out;
    out.reserve(n);
    uint32_t prev = kPage;
    for (uint32_t i = 0; i < n; ++i) {
        uint16_t raw = rd16(pg + 14 + 2 * i);
        uint32_t off = raw & kOffsetMask;
        if (off > prev || off < 14 + 2 * n) corrupt("row offset out of order");
        out.push_back({raw, off, prev - off});
        prev = off;
    }
    return out;
}

uint32_t page_free(const uint8_t* pg) {
    uint32_t n = rd16(pg + 12);
    uint32_t used = 14 + 2 * n;
    for (auto& s : page_slots(pg)) used += s.len;
    return kPage - used;
}

void Database::Impl::load(std::vector<uint8_t> img) {
    if (img.size() < 0x100 || img[0] != 0 || img[1] != 1 || img[2] != 0 || img[3] != 0)
        throw Error(Error::Code::NotJet4, "not an Access database");
    if (std::memcmp(img.data() + 4, "Standard ACE DB", 15) == 0)
        throw Error(Error::Code::NotJet4, "Access 2007 or later (ACE) database: only Jet 4 (Access 2000-2003) files are supported");
    if (std::memcmp(img.data() + 4, "Standard Jet DB", 15) != 0)
        throw Error(Error::Code::NotJet4, "not an Access database");
    uint8_t ver = img[0x14];
    if (ver == 0) throw Error(Error::Code::NotJet4, "Jet 3 (Access 97) database: only Jet 4 (Access 2000-2003) files are supported");
    if (ver != 1) throw Error(Error::Code::NotJet4, "Access 2007 or later database: only Jet 4 (Access 2000-2003) files are supported");
    if (img.size() < 3 * kPage) throw Error(Error::Code::Corrupt, "damaged database: file too short");

    uint8_t hdr[0x80];
    std::memcpy(hdr, img.data() + 0x18, sizeof hdr);
    static const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(hdr, sizeof hdr, key, 4);
    auto at = [&](size_t off) { return hdr + (off - 0x18); };
    db_key = rd32(at(0x3E));
    if (db_key != 0) throw Error(Error::Code::Encrypted, "the database is encrypted");
    uint64_t bits = rd64(at(0x72));
    std::memcpy(&create_date, &bits, 8);
    uint8_t mask[4];
    // The password bytes are stored XORed with the creation date's integer part.
    int32_t m = 0;
    if (std::isfinite(create_date) && create_date > -2147483648.0 && create_date < 2147483647.0)
        m = int32_t(create_date);
    wr32(mask, uint32_t(m));
    for (int i = 0; i < 40; ++i)
        if ((at(0x42)[i] ^ mask[i % 4]) != 0)
            throw Error(Error::Code::Password, "the database has a password");

    size_t n = img.size() / kPage;
    pages.clear();
    pages.resize(n);
    for (size_t i = 0; i < n; ++i) std::memcpy(pages[i].data(), img.data() + i * kPage, kPage);
    image_dirty = true;
    read_catalog();
}

std::pair<const uint8_t*, uint32_t> Database::Impl::row_at(RowRef r, uint16_t* flags) const {
    const uint8_t* pg = page(r.page);
    if (pg[0] != kData) corrupt("row pointer to page " + std::to_string(r.page) + " which holds no rows");
    auto slots = page_slots(pg);
    if (r.slot >= slots.size()) corrupt("row pointer past the rows of page " + std::to_string(r.page));
    if (flags) *flags = slots[r.slot].raw;
    return {pg + slots[r.slot].off, slots[r.slot].len};
}

std::pair<const uint8_t*, uint32_t> Database::Impl::follow(RowRef r) const {
    for (int hops = 0; hops < 8; ++hops) {
        uint16_t fl = 0;
        auto [p, len] = row_at(r, &fl);
        if ((fl & kDeleted) == kDeleted) corrupt("overflow chain reaches a deleted row");
        if (!(fl & kOverflowHeader)) return {p, len};
        if (len < 4) corrupt("short overflow row");
        r = RowRef{rd24(p + 1), p[0]};
    }
    corrupt("overflow chain too long");
}

MapBits Database::Impl::map_bits(uint32_t ptr) const {
    MapBits m;
    auto [p, len] = row_at(RowRef{ptr >> 8, uint16_t(ptr & 0xFF)});
    if (len < 1) corrupt("empty usage map");
    if (p[0] == 0) {
        if (len < 5) corrupt("short usage map");
        m.runs.push_back({rd32(p + 1), p + 5, len - 5});
    } else if (p[0] == 1) {
        for (uint32_t k = 0; 1 + 4 * k + 4 <= len; ++k) {
            uint32_t mp = rd32(p + 1 + 4 * k);
            if (!mp) continue;
            const uint8_t* bp = page(mp);
            if (bp[0] != kBitmap) corrupt("usage map points to a page that is not a bitmap");
            m.runs.push_back({uint64_t(k) * (kPage - 4) * 8, bp + 4, kPage - 4});
        }
    } else {
        corrupt("unknown usage map type");
    }
    return m;
}

uint32_t MapBits::lowest(uint32_t lo, uint32_t hi) const {
    for (auto& r : runs) {
        if (r.first + 8ull * r.bytes <= lo) continue;
        uint64_t from = lo > r.first ? (lo - r.first) / 8 : 0;
        for (uint64_t byte = from; byte < r.bytes; ++byte) {
            if (r.first + byte * 8 >= hi) return 0;
            for (uint32_t m = r.bits[byte]; m; m &= m - 1) {
                uint64_t pn = r.first + byte * 8 + uint64_t(std::countr_zero(m));
                if (pn >= hi) return 0;
                if (pn >= lo) return uint32_t(pn);
            }
        }
    }
    return 0;
}

std::set<uint32_t> Database::Impl::read_map(uint32_t ptr) const {
    std::set<uint32_t> out;
    for (auto& r : map_bits(ptr).runs)
        for (uint32_t i = 0; i < r.bytes * 8; ++i)
            if (r.bits[i / 8] & (1u << (i % 8))) out.insert(uint32_t(r.first + i));  // as stored, even if it wraps
    return out;
}

TableDef Database::Impl::read_tdef(uint32_t first, const std::u16string& name, bool system) const {
    TableDef t;
    t.name = name;
    t.page = first;
    t.system = system;
    std::vector<uint8_t> def;
    for (uint32_t p = first; p; ) {
        if (t.def_pages.size() > 64 || std::find(t.def_pages.begin(), t.def_pages.end(), p) != t.def_pages.end())
            corrupt("table definition chain loops");
        const uint8_t* pg = page(p);
        if (pg[0] != kTdef) corrupt("table definition page " + std::to_string(p) + " has the wrong type");
        t.def_pages.push_back(p);
        if (def.empty()) def.assign(pg, pg + kPage);
        else def.insert(def.end(), pg + 8, pg + kPage);
        p = rd32(pg + 4);
    }
    const uint8_t* d = def.data();
    size_t dlen = def.size();
    t.row_count = rd32(d + 16);
    t.autonumber = rd32(d + 20);
    t.max_cols = rd16(d + 41);
    t.var_cols = rd16(d + 43);
    uint32_t ncols = rd16(d + 45);
    uint32_t nlog = rd32(d + 47), nreal = rd32(d + 51);
    if (nlog > 1000 || nreal > nlog) corrupt("implausible index count");
    t.owned_map = rd32(d + 55);
    t.free_map = rd32(d + 59);
    size_t o = 63;
    auto need = [&](size_t n) { if (o + n > dlen) corrupt("table definition of " + narrow(name) + " is truncated"); };
    need(12 * size_t(nreal));
    t.real.resize(nreal);
    for (uint32_t i = 0; i < nreal; ++i) t.real[i].count_off = uint32_t(o + 12 * i + 4);
    o += 12 * size_t(nreal);
    need(25 * size_t(ncols));
    for (uint32_t i = 0; i < ncols; ++i, o += 25) {
        Column c;
        // Types this engine does not know are still read, as raw bytes.
        c.type = Type(d[o]);
        c.number = rd16(d + o + 5);
        c.var_index = rd16(d + o + 7);
        if (c.type == Type::Numeric) { c.precision = d[o + 11]; c.scale = d[o + 12]; }
        c.flags = d[o + 15];
        c.ext_flags = d[o + 16];
        c.fixed_offset = rd16(d + o + 21);
        c.length = rd16(d + o + 23);
        t.cols.push_back(c);
    }
    for (auto& c : t.cols) {
        need(2);
        uint32_t l = rd16(d + o);
        o += 2;
        need(l);
        if (l % 2) corrupt("odd column name length");
        for (uint32_t k = 0; k < l; k += 2) c.name.push_back(char16_t(rd16(d + o + k)));
        o += l;
    }
    need(52 * size_t(nreal));
    for (uint32_t i = 0; i < nreal; ++i, o += 52) {
        auto& r = t.real[i];
        for (int k = 0; k < 10; ++k) {
            uint16_t cn = rd16(d + o + 4 + 3 * k);
            if (cn == 0xFFFF) continue;
            r.cols.push_back({cn, d[o + 4 + 3 * k + 2] == 1});
        }
        r.map_ptr = rd32(d + o + 34);
        r.root = rd32(d + o + 38);
        r.flags = d[o + 46];
    }
    need(28 * size_t(nlog));
    for (uint32_t i = 0; i < nlog; ++i, o += 28) {
        LogicalIndex l;
        l.real = rd32(d + o + 8);
        if (l.real >= nreal) corrupt("logical index names a missing index");
        uint8_t rel_type = d[o + 12];
        uint32_t rel_idx = rd32(d + o + 13);
        l.foreign = rel_type != 0 || rel_idx != 0xFFFFFFFF;
        l.type = d[o + 23];
        t.logical.push_back(l);
    }
    for (auto& l : t.logical) {
        need(2);
        uint32_t len = rd16(d + o);
        o += 2;
        need(len);
        for (uint32_t k = 0; k + 1 < len; k += 2) l.name.push_back(char16_t(rd16(d + o + k)));
        o += len;
    }
    std::sort(t.cols.begin(), t.cols.end(), [](const Column& a, const Column& b) { return a.number < b.number; });
    return t;
}

void Database::Impl::read_catalog() {
    tables.clear();
    TableDef sys = read_tdef(2, u"MSysObjects", true);
    auto cId = sys.find(u"Id"), cParent = sys.find(u"ParentId"), cName = sys.find(u"Name"),
         cType = sys.find(u"Type"), cFlags = sys.find(u"Flags");
    if (!cId || !cParent || !cName || !cType || !cFlags) corrupt("catalog table lacks its columns");
    std::vector<TableDef> found;
    for (auto& rr : scan(sys)) {
        Row r = decode_row(sys, rr.p, rr.len);
        auto get = [&](const Column* c) -> const Value& {
            for (size_t i = 0; i < sys.cols.size(); ++i)
                if (&sys.cols[i] == c) return r[i];
            return r[0];
        };
        const Value& type = get(cType);
        const Value& parent = get(cParent);
        if (type.kind != Value::Kind::Int || type.i != 1) continue;
        if (parent.kind != Value::Kind::Int || uint32_t(parent.i) != 0x0F000001u) continue;
        uint32_t id = uint32_t(get(cId).i) & 0xFFFFFF;
        uint32_t flags = uint32_t(get(cFlags).i);
        TableDef t;
        if (id == 2) t = sys;
        else {
            // One unreadable definition must not hide the other tables.
            try { t = read_tdef(id, get(cName).text, false); }
            catch (const Error& e) { t = TableDef{}; t.page = id; t.bad = e.what(); }
        }
        t.name = get(cName).text;
        t.system = (flags & 0x80000002u) != 0;
        found.push_back(std::move(t));
    }
    if (found.empty()) found.push_back(sys);
    tables = std::move(found);
}

void Database::Impl::reload_table(TableDef& t) {
    TableDef n = read_tdef(t.page, t.name, t.system);
    t = std::move(n);
}

const TableDef& Database::Impl::table(const std::u16string& name) const {
    for (auto& t : tables)
        if (same_name(t.name, name)) {
            if (!t.bad.empty()) throw Error(Error::Code::Corrupt, t.bad);
            return t;
        }
    throw Error(Error::Code::NotFound, "no table named " + narrow(name));
}

TableDef& Database::Impl::table_mut(const std::u16string& name) {
    return const_cast<TableDef&>(table(name));
}

std::vector<Database::Impl::RawRow> Database::Impl::scan(const TableDef& t) const {
    // A row that grew may have moved: its original slot (flag 0x4000) then
    // only points to the real row (flag 0x8000).  Rows are listed where the
    // real row lies, the order other readers show, but addressed by the
    // original slot, which is what index entries point at.
    std::vector<RawRow> out;
    std::map<RowRef, RowRef> moved;  // real row -> original slot
    auto owned = read_map(t.owned_map);
    for (uint32_t pn : owned) {
        if (pn >= page_count()) continue;  // maps may reach past the end of the file
        const uint8_t* pg = page(pn);
        if (pg[0] != kData || rd32(pg + 4) != t.page) continue;
        auto slots = page_slots(pg);
        for (uint16_t i = 0; i < slots.size(); ++i) {
            if ((slots[i].raw & kDeleted) != kOverflowHeader) continue;
            if (slots[i].len < 4) corrupt("short overflow row");
            const uint8_t* p = pg + slots[i].off;
            moved[RowRef{rd24(p + 1), p[0]}] = RowRef{pn, i};
        }
    }
    for (uint32_t pn : owned) {
        if (pn >= page_count()) continue;
        const uint8_t* pg = page(pn);
        if (pg[0] != kData || rd32(pg + 4) != t.page) continue;
        auto slots = page_slots(pg);
        for (uint16_t i = 0; i < slots.size(); ++i) {
            uint16_t fl = slots[i].raw & kDeleted;
            if (fl == kDeleted || fl == kOverflowHeader) continue;
            RowRef where{pn, i};
            if (fl == kOverflowTarget) {
                auto it = moved.find(where);
                if (it == moved.end()) continue;  // orphan: no live row points here
                where = it->second;
            }
            out.push_back({where, pg + slots[i].off, slots[i].len});
        }
    }
    return out;
}

std::u16string decode_text(const uint8_t* p, uint32_t len) {
    std::u16string s;
    if (len >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bool compressed = true;
        uint32_t i = 2;
        while (i < len) {
            if (p[i] == 0) { compressed = !compressed; ++i; continue; }
            if (compressed) { s.push_back(char16_t(p[i])); ++i; }
            else {
                if (i + 1 >= len) break;
                s.push_back(char16_t(rd16(p + i)));
                i += 2;
            }
        }
        return s;
    }
    for (uint32_t i = 0; i + 1 < len; i += 2) s.push_back(char16_t(rd16(p + i)));
    return s;
}

std::vector<uint8_t> Database::Impl::read_long_value(const uint8_t* p, uint32_t len) const {
    if (len < 12) corrupt("long value header too short");
    uint32_t h = rd32(p);
    uint32_t total = h & 0x3FFFFFFF;
    uint8_t kind = uint8_t(h >> 24) & 0xC0;
    uint32_t ptr = rd32(p + 4);
    std::vector<uint8_t> out;
    if (kind == 0x80) {
        if (total > len - 12) corrupt("inline long value overruns its row");
        out.assign(p + 12, p + 12 + total);
    } else if (kind == 0x40) {
        auto [q, qlen] = row_at(RowRef{ptr >> 8, uint16_t(ptr & 0xFF)});
        if (total > qlen) corrupt("long value longer than its row");
        out.assign(q, q + total);
    } else if (kind == 0) {
        int hops = 0;
        while (out.size() < total) {
            if (!ptr || ++hops > 100000) corrupt("long value chain ends early");
            auto [q, qlen] = row_at(RowRef{ptr >> 8, uint16_t(ptr & 0xFF)});
            if (qlen < 4) corrupt("long value chain row too short");
            uint32_t take = std::min<uint32_t>(qlen - 4, total - uint32_t(out.size()));
            out.insert(out.end(), q + 4, q + 4 + take);
            ptr = rd32(q);
        }
    } else {
        corrupt("unknown long value kind");
    }
    return out;
}

namespace {
std::u16string numeric_text(const uint8_t* p, uint8_t scale) {
    // Sign byte, then a 128-bit magnitude as four little-endian 32-bit words,
    // most significant word first.
    uint32_t w[4];
    for (int i = 0; i < 4; ++i) w[i] = rd32(p + 1 + 4 * i);
    std::string digits;
    auto zero = [&] { return !w[0] && !w[1] && !w[2] && !w[3]; };
    while (!zero()) {
        uint64_t rem = 0;
        for (int i = 0; i < 4; ++i) {
            uint64_t cur = (rem << 32) | w[i];
            w[i] = uint32_t(cur / 10);
            rem = cur % 10;
        }
        digits.push_back(char('0' + rem));
    }
    while (digits.size() <= scale) digits.push_back('0');
    std::reverse(digits.begin(), digits.end());
    if (scale) digits.insert(digits.end() - scale, '.');
    if (p[0] & 0x80) digits.insert(digits.begin(), '-');
    return std::u16string(digits.begin(), digits.end());
}
}  // namespace

Value Database::Impl::decode_value(const Column& c, const uint8_t* p, uint32_t len) const {
    Value v;
    auto need = [&](uint32_t n) { if (len < n) corrupt("value of column " + narrow(c.name) + " too short"); };
    switch (c.type) {
    case Type::Bool: v.kind = Value::Kind::Bool; break;  // set by the caller from the null mask
    case Type::Byte: need(1); v.kind = Value::Kind::Int; v.i = p[0]; break;
    case Type::Int: need(2); v.kind = Value::Kind::Int; v.i = int16_t(rd16(p)); break;
    case Type::Long: need(4); v.kind = Value::Kind::Int; v.i = int32_t(rd32(p)); break;
    case Type::Currency: need(8); v.kind = Value::Kind::Currency; v.i = int64_t(rd64(p)); break;
    case Type::Single: {
        need(4); uint32_t b = rd32(p); float f; std::memcpy(&f, &b, 4);
        v.kind = Value::Kind::Single; v.d = f; break;
    }
    case Type::Double: case Type::DateTime: {
        need(8); uint64_t b = rd64(p); double f; std::memcpy(&f, &b, 8);
        v.kind = c.type == Type::Double ? Value::Kind::Double : Value::Kind::DateTime; v.d = f; break;
    }
    case Type::Guid: need(16); v.kind = Value::Kind::Guid; v.bytes.assign(p, p + 16); break;
    case Type::Numeric: need(17); v.kind = Value::Kind::Numeric; v.text = numeric_text(p, c.scale); break;
    case Type::Binary: v.kind = Value::Kind::Binary; v.bytes.assign(p, p + len); break;
    case Type::Text: v.kind = Value::Kind::Text; v.text = decode_text(p, len); break;
    case Type::Memo: {
        auto b = read_long_value(p, len);
        v.kind = Value::Kind::Text; v.text = decode_text(b.data(), uint32_t(b.size())); break;
    }
    case Type::Ole: v.kind = Value::Kind::Binary; v.bytes = read_long_value(p, len); break;
    default: v.kind = Value::Kind::Binary; v.bytes.assign(p, p + len); break;
    }
    return v;
}

Row Database::Impl::decode_row(const TableDef& t, const uint8_t* p, uint32_t len) const {
    Row row(t.cols.size());
    if (len < 2) corrupt("row too short");
    uint32_t ncols = rd16(p);
    uint32_t mask_len = (ncols + 7) / 8;
    if (2 + mask_len + 2 > len) corrupt("row too short for its null mask");
    const uint8_t* mask = p + len - mask_len;
    uint32_t nvar = rd16(p + len - mask_len - 2);
    if (2 + mask_len + 2 + 2 * (size_t(nvar) + 1) > len) corrupt("row too short for its variable columns");
    auto var_off = [&](uint32_t i) -> uint32_t { return rd16(p + len - mask_len - 4 - 2 * i); };
    uint32_t var_area_end = len - mask_len - 4 - 2 * nvar;  // first byte of the offset table
    for (size_t i = 0; i < t.cols.size(); ++i) {
        const Column& c = t.cols[i];
        if (c.number >= ncols) continue;  // column added after the row was written
        bool present = mask[c.number / 8] & (1u << (c.number % 8));
        if (c.type == Type::Bool) {
            row[i].kind = Value::Kind::Bool;
            row[i].i = present ? 1 : 0;
            continue;
        }
        if (!present) continue;
        if (c.fixed()) {
            uint32_t start = 2 + c.fixed_offset;
            if (start + c.length > len) corrupt("fixed column " + narrow(c.name) + " past the row end");
            row[i] = decode_value(c, p + start, c.length);
        } else {
            if (c.var_index >= nvar) continue;
            uint32_t a = var_off(c.var_index), b = var_off(c.var_index + 1);
            if (a > b || b > var_area_end) corrupt("variable column " + narrow(c.name) + " out of range");
            row[i] = decode_value(c, p + a, b - a);
        }
    }
    return row;
}

// ---- public reading interface ----

Database::Database(std::unique_ptr<Impl> p) : d_(std::move(p)) {}
Database::~Database() { platform_close(*d_); }

std::unique_ptr<Database> Database::from_bytes(std::vector<uint8_t> image) {
    auto impl = std::make_unique<Impl>();
    impl->load(std::move(image));
    return std::unique_ptr<Database>(new Database(std::move(impl)));
}

// Opens the file named in `impl`, finishes a commit a crash cut short, and reads it.
std::unique_ptr<Database> Database::open_named(std::unique_ptr<Impl> impl, Mode mode) {
    platform_open(*impl, mode);
    try {
        if (mode == Mode::ReadWrite) recover_journal(*impl);
        impl->load(platform_read_all(*impl));
    } catch (...) {
        platform_close(*impl);
        throw;
    }
    return std::unique_ptr<Database>(new Database(std::move(impl)));
}

std::unique_ptr<Database> Database::open(const std::string& path, Mode mode) {
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    return open_named(std::move(impl), mode);
}

#ifdef _WIN32
std::unique_ptr<Database> Database::open(const std::wstring& path, Mode mode) {
    std::u16string u(path.begin(), path.end());
    auto impl = std::make_unique<Impl>();
    impl->path = utf16_to_utf8(u);
    impl->wpath = path;
    return open_named(std::move(impl), mode);
}
#endif

std::vector<TableInfo> Database::tables(bool with_system) const {
    std::vector<TableInfo> out;
    for (auto& t : d_->tables)
        if (with_system || !t.system) out.push_back({t.name, t.page, t.system});
    return out;
}

std::vector<Column> Database::columns(const std::u16string& table) const { return d_->table(table).cols; }

std::vector<IndexInfo> Database::indexes(const std::u16string& table) const {
    const TableDef& t = d_->table(table);
    std::vector<IndexInfo> out;
    for (auto& l : t.logical) {
        IndexInfo ii;
        ii.name = l.name;
        ii.real_index = l.real;
        ii.columns = t.real[l.real].cols;
        ii.root_page = t.real[l.real].root;
        ii.flags = t.real[l.real].flags;
        ii.kind = l.type;
        ii.foreign = l.foreign;
        out.push_back(ii);
    }
    return out;
}

std::vector<Row> Database::rows(const std::u16string& table) const {
    const TableDef& t = d_->table(table);
    std::vector<Row> out;
    for (auto& rr : d_->scan(t)) out.push_back(d_->decode_row(t, rr.p, rr.len));
    return out;
}

const std::vector<uint8_t>& Database::image() const {
    if (d_->image_dirty) {
        d_->image_cache.resize(size_t(d_->pages.size()) * kPage);
        for (size_t i = 0; i < d_->pages.size(); ++i)
            std::memcpy(d_->image_cache.data() + i * kPage, d_->pages[i].data(), kPage);
        d_->image_dirty = false;
    }
    return d_->image_cache;
}

Problems Database::check() const { return d_->check(); }

}  // namespace jet4
