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

namespace {
// An index page's entries read where they lie: only where each ends is
// listed, and an entry's bytes are the first entry's shared prefix followed
// by its own stored bytes.  A full leaf holds hundreds of entries and every
// statement looks keys up in one; copying them out first would cost more
// than all the rest of the statement.
struct PageView {
    const uint8_t* pg = nullptr;
    uint8_t type = kLeaf;
    uint32_t tdef = 0, prev = 0, next = 0, tail = 0;
    uint32_t tail_len = 4, prefix = 0;
    std::vector<uint16_t> ends;  // entry i's stored bytes end at this offset

    size_t size() const { return ends.size(); }
    uint32_t start(size_t i) const { return i ? ends[i - 1] : 0; }
    uint32_t shared(size_t i) const { return i ? prefix : 0; }
    uint32_t len(size_t i) const { return shared(i) + ends[i] - start(i); }
    uint32_t key_len(size_t i) const { return len(i) - tail_len; }
    uint8_t at(size_t i, uint32_t j) const {
        return pg[kEntryStart + (j < shared(i) ? j : start(i) + j - shared(i))];
    }
    RowRef row(size_t i) const {
        uint32_t k = key_len(i);
        return RowRef{(uint32_t(at(i, k)) << 16) | (uint32_t(at(i, k + 1)) << 8) | at(i, k + 2), at(i, k + 3)};
    }
    uint32_t child(size_t i) const {
        if (tail_len != 8) return 0;
        uint32_t k = key_len(i) + 4, c = 0;
        for (uint32_t j = 0; j < 4; ++j) c = (c << 8) | at(i, k + j);
        return c;
    }
    // Entry i against (key, r) in Entry's order: bytewise keys, then rows.
    bool below(size_t i, const std::vector<uint8_t>& key, RowRef r) const {
        uint32_t n = key_len(i);
        for (uint32_t j = 0; j < n && j < key.size(); ++j)
            if (uint8_t a = at(i, j); a != key[j]) return a < key[j];
        if (n != key.size()) return n < key.size();
        return row(i) < r;
    }
    bool key_is(size_t i, const std::vector<uint8_t>& key) const {
        uint32_t n = key_len(i);
        if (n != key.size()) return false;
        for (uint32_t j = 0; j < n; ++j)
            if (at(i, j) != key[j]) return false;
        return true;
    }
    size_t lower_bound(const std::vector<uint8_t>& key, RowRef r) const {
        size_t lo = 0, hi = size();
        while (lo < hi) {
            size_t mid = lo + (hi - lo) / 2;
            if (below(mid, key, r)) lo = mid + 1;
            else hi = mid;
        }
        return lo;
    }
};

PageView view_index_page(const Database::Impl& d, uint32_t n) {
    const uint8_t* pg = d.page(n);
    if (pg[0] != kLeaf && pg[0] != kNode) corrupt("index page " + std::to_string(n) + " has the wrong type");
    PageView v;
    v.pg = pg;
    v.type = pg[0];
    v.tdef = rd32(pg + 4);
    v.prev = rd32(pg + 12);
    v.next = rd32(pg + 16);
    v.tail = rd32(pg + 20);
    v.tail_len = v.type == kNode ? 8 : 4;
    v.prefix = rd16(pg + 24);
    v.ends.reserve(kEntrySpace / 16);
    for (uint32_t byte = 0; byte <= kEntrySpace / 8; ++byte) {
        // Bit 0 never ends an entry; bits past kEntrySpace are not entry ends.
        uint32_t m = pg[kMaskStart + byte] & (byte == 0 ? 0xFEu : byte == kEntrySpace / 8 ? 0x01u : 0xFFu);
        for (; m; m &= m - 1) {
            size_t i = v.ends.size();
            if (i && v.prefix > v.ends[0]) corrupt("index prefix longer than the first entry");
            v.ends.push_back(uint16_t(byte * 8 + uint32_t(std::countr_zero(m))));
            if (v.len(i) < v.tail_len + 1) corrupt("index entry too short on page " + std::to_string(n));
        }
    }
    return v;
}
}  // namespace

IndexPage Database::Impl::read_index_page(uint32_t n) const {
    PageView f = view_index_page(*this, n);
    IndexPage ip;
    ip.type = f.type;
    ip.tdef = f.tdef;
    ip.prev = f.prev;
    ip.next = f.next;
    ip.tail = f.tail;
    ip.entries.resize(f.size());
    for (size_t i = 0; i < f.size(); ++i) {
        Entry& e = ip.entries[i];
        e.key.resize(f.key_len(i));
        for (uint32_t j = 0; j < e.key.size(); ++j) e.key[j] = f.at(i, j);
        e.row = f.row(i);
        e.child = f.child(i);
    }
    return ip;
}

std::vector<RowRef> Database::Impl::index_rows(uint32_t root, const std::vector<uint8_t>& key) const {
    // Down the tree as an insert of (key, first possible row) would go.
    const RowRef none{0, 0};
    uint32_t p = root;
    PageView f;
    for (int depth = 0;; ++depth) {
        if (depth > 16) corrupt("index too deep");
        f = view_index_page(*this, p);
        if (f.type == kLeaf) break;
        size_t pos = f.lower_bound(key, none);
        uint32_t child = pos < f.size() ? f.child(pos) : f.tail;
        if (!child) corrupt("index node without a child");
        p = child;
    }
    std::vector<RowRef> out;
    size_t pos = f.lower_bound(key, none);
    for (int pages = 0; pages < 1 << 20; ++pages) {
        for (; pos < f.size(); ++pos) {
            if (!f.key_is(pos, key)) return out;
            out.push_back(f.row(pos));
        }
        if (!f.next) return out;
        f = view_index_page(*this, f.next);
        pos = 0;
    }
    return out;
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
