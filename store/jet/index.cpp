// Index pages: decoding and encoding leaf (0x04) and node (0x03) pages, key
// encoding for the column types this engine maintains, and reading a whole
// index in order.
#include "internal.h"

#include <algorithm>
#include <bit>

namespace jet4 {

namespace {
constexpr uint32_t kEntryStart = 480;  // first entry byte on an index page
constexpr uint32_t kMaskStart = 27;    // one bit per entry byte: where entries end
constexpr uint32_t kEntrySpace = kPage - kEntryStart;

}  // namespace

bool Entry::operator<(const Entry& o) const {
    if (key != o.key) return key < o.key;  // bytewise, as unsigned
    return row < o.row;
}

bool index_column_supported(Type t) { return t == Type::Long || t == Type::Int || t == Type::Byte; }

// Ascending keys: a 0x7F marker then big-endian bytes with the sign bit
// flipped, so byte order is numeric order; NULL is a lone 0x00.  Descending
// columns store every byte inverted.
std::vector<uint8_t> index_key(const TableDef& t, const RealIndex& ix, const Row& row) {
    std::vector<uint8_t> key;
    for (auto [cn, asc] : ix.cols) {
        size_t ci = 0;
        while (ci < t.cols.size() && t.cols[ci].number != cn) ++ci;
        if (ci == t.cols.size()) corrupt("index on a missing column");
        const Column& c = t.cols[ci];
        if (!index_column_supported(c.type))
            unsupported("index on a " + std::string(type_name(c.type)) + " column cannot be maintained");
        size_t start = key.size();
        const Value& v = row[ci];
        if (v.is_null()) {
            key.push_back(0x00);
        } else {
            key.push_back(0x7F);
            uint64_t x = uint64_t(v.i);
            switch (c.type) {
            case Type::Byte: key.push_back(uint8_t(x)); break;
            case Type::Int: x ^= 0x8000; key.push_back(uint8_t(x >> 8)); key.push_back(uint8_t(x)); break;
            default: {
                uint32_t y = uint32_t(x) ^ 0x80000000u;
                for (int s = 24; s >= 0; s -= 8) key.push_back(uint8_t(y >> s));
            }
            }
        }
        if (!asc)
            for (size_t k = start; k < key.size(); ++k) key[k] = uint8_t(~key[k]);
    }
    return key;
}

IndexPage Database::Impl::read_index_page(uint32_t n) const {
    const uint8_t* pg = page(n);
    if (pg[0] != kLeaf && pg[0] != kNode) corrupt("index page " + std::to_string(n) + " has the wrong type");
    IndexPage ip;
    ip.type = pg[0];
    ip.tdef = rd32(pg + 4);
    ip.prev = rd32(pg + 12);
    ip.next = rd32(pg + 16);
    ip.tail = rd32(pg + 20);
    uint32_t prefix = rd16(pg + 24);
    bool node = ip.type == kNode;
    uint32_t tail_len = node ? 8 : 4;
    // Every statement reads its leaf, and a full leaf holds hundreds of
    // entries: one buffer for all of them, and the mask read a byte at a time.
    const uint8_t* first = pg + kEntryStart;  // the first entry is stored whole
    uint32_t first_len = 0;                   // 0 until it is met
    std::vector<uint8_t> b;
    b.reserve(kEntrySpace);
    uint32_t start = 0;
    for (uint32_t byte = 0; byte <= kEntrySpace / 8; ++byte) {
        // Bit 0 never ends an entry; bits past kEntrySpace are not entry ends.
        uint32_t m = pg[kMaskStart + byte] & (byte == 0 ? 0xFEu : byte == kEntrySpace / 8 ? 0x01u : 0xFFu);
        for (; m; m &= m - 1) {
            uint32_t bit = byte * 8 + uint32_t(std::countr_zero(m));
            if (first_len) {
                if (prefix > first_len) corrupt("index prefix longer than the first entry");
                b.assign(first, first + prefix);
            } else {
                b.clear();
            }
            b.insert(b.end(), pg + kEntryStart + start, pg + kEntryStart + bit);
            if (!first_len) first_len = uint32_t(b.size());
            if (b.size() < tail_len + 1) corrupt("index entry too short on page " + std::to_string(n));
            Entry e;
            size_t k = b.size() - tail_len;
            e.key.assign(b.begin(), b.begin() + long(k));
            e.row.page = rd24be(b.data() + k);
            e.row.slot = b[k + 3];
            if (node) e.child = rd32be(b.data() + k + 4);
            ip.entries.push_back(std::move(e));
            start = bit;
        }
    }
    return ip;
}

namespace {
// What an index page's entries take: later entries leave out what they
// share with the first one; the shared part stops at the shortest key so it
// never covers a row pointer.
struct Layout {
    uint32_t prefix = 0;
    uint32_t stored = 0;
};
Layout layout(const IndexPage& ip) {
    Layout l;
    bool node = ip.type == kNode;
    uint32_t tail_len = node ? 8 : 4;
    if (!node && ip.entries.size() > 1) {
        const auto& k0 = ip.entries[0].key;
        size_t p = k0.size();
        for (auto& e : ip.entries) p = std::min(p, e.key.size());
        for (size_t i = 1; i < ip.entries.size() && p; ++i) {
            const auto& ki = ip.entries[i].key;
            size_t k = 0;
            while (k < p && ki[k] == k0[k]) ++k;
            p = k;
        }
        l.prefix = uint32_t(p);
    }
    for (size_t i = 0; i < ip.entries.size(); ++i)
        l.stored += uint32_t(ip.entries[i].key.size() + tail_len - (i ? l.prefix : 0));
    return l;
}
}  // namespace

bool Database::Impl::fits(const IndexPage& ip) { return layout(ip).stored <= kEntrySpace; }

void Database::Impl::write_index_page(uint32_t n, const IndexPage& ip) {
    Layout l = layout(ip);
    if (l.stored > kEntrySpace) throw std::logic_error("index page overfilled");
    bool node = ip.type == kNode;
    uint8_t* pg = wpage(n);
    std::memset(pg, 0, kPage);
    pg[0] = ip.type;
    pg[1] = 0x01;
    wr16(pg + 2, kEntrySpace - l.stored);
    wr32(pg + 4, ip.tdef);
    wr32(pg + 12, ip.prev);
    wr32(pg + 16, ip.next);
    wr32(pg + 20, ip.tail);
    wr16(pg + 24, l.prefix);
    uint8_t* out = pg + kEntryStart;
    for (size_t i = 0; i < ip.entries.size(); ++i) {
        const Entry& e = ip.entries[i];
        size_t skip = i ? l.prefix : 0;
        std::memcpy(out, e.key.data() + skip, e.key.size() - skip);
        out += e.key.size() - skip;
        wr24be(out, e.row.page);
        out[3] = uint8_t(e.row.slot);
        out += 4;
        if (node) { wr32be(out, e.child); out += 4; }
        uint32_t at = uint32_t(out - (pg + kEntryStart));
        pg[kMaskStart + at / 8] |= uint8_t(1u << (at % 8));
    }
}

}  // namespace jet4
