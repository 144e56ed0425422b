// Changing rows: INSERT, UPDATE, DELETE with the table's rows, usage maps,
// counts and indexes kept the way Jet keeps them.
#include "internal.h"

#include <algorithm>
#include <cmath>

namespace jet4 {

namespace {

constexpr uint32_t kGlobalMap = (1u << 8) | 0;  // page 1, row 0
constexpr uint32_t kMaxRowsPerPage = 256;       // a row pointer has one byte of slot
constexpr uint32_t kMaxRow = kPage - 14 - 2;

// ---- data pages ----

struct PageRows {
    std::vector<uint16_t> flags;
    std::vector<std::vector<uint8_t>> data;
    uint32_t size() const {
        uint32_t s = 14 + 2 * uint32_t(flags.size());
        for (auto& d : data) s += uint32_t(d.size());
        return s;
    }
};

PageRows load_rows(const uint8_t* pg) {
    PageRows r;
    for (auto& s : page_slots(pg)) {
        r.flags.push_back(uint16_t(s.raw & ~kOffsetMask));
        r.data.emplace_back(pg + s.off, pg + s.off + s.len);
    }
    return r;
}

}  // namespace

struct Writer {
    Database::Impl& d;

    // Rows are packed downward from the page end in slot order; the slot
    // table grows upward from byte 14.
    void store_rows(uint32_t pn, const PageRows& r) {
        if (r.size() > kPage) throw std::logic_error("data page overfilled");
        uint8_t* pg = d.wpage(pn);
        uint32_t n = uint32_t(r.flags.size());
        std::memset(pg + 14, 0, kPage - 14);
        wr16(pg + 12, n);
        uint32_t at = kPage;
        for (uint32_t i = 0; i < n; ++i) {
            at -= uint32_t(r.data[i].size());
            if (!r.data[i].empty()) std::memcpy(pg + at, r.data[i].data(), r.data[i].size());
            wr16(pg + 14 + 2 * i, r.flags[i] | at);
        }
        wr16(pg + 2, kPage - r.size());
    }

    // ---- usage maps ----

    void map_set(uint32_t ptr, uint32_t pn, bool on, bool past_end_is_set) {
        RowRef where{ptr >> 8, uint16_t(ptr & 0xFF)};
        auto [p, len] = d.row_at(where);
        std::vector<uint8_t> row(p, p + len);
        if (row.empty()) corrupt("empty usage map");
        if (row[0] == 0) {
            if (row.size() < 5) corrupt("short usage map");
            uint32_t start = rd32(row.data() + 1);
            if (pn < start) unsupported("usage map starts after page " + std::to_string(pn));
            uint32_t bit = pn - start;
            if (bit >= (row.size() - 5) * 8) {
                if (!on && !past_end_is_set) return;
                // Widen the bitmap (whole 4-byte steps); pages it did not
                // cover before are "not set" for table maps and "free" for
                // the file's map.
                size_t bytes = ((bit / 8 + 1) + 3) / 4 * 4;
                row.resize(5 + bytes, past_end_is_set ? 0xFF : 0x00);
                PageRows pr = load_rows(d.page(where.page));
                pr.data[where.slot] = row;
                if (pr.size() > kPage) unsupported("usage map has no room to grow (file past its map's reach)");
                pr.data[where.slot][5 + bit / 8] = on ? (row[5 + bit / 8] | uint8_t(1u << (bit % 8)))
                                                      : (row[5 + bit / 8] & uint8_t(~(1u << (bit % 8))));
                store_rows(where.page, pr);
                return;
            }
            uint8_t b = row[5 + bit / 8];
            uint8_t nb = on ? uint8_t(b | (1u << (bit % 8))) : uint8_t(b & ~(1u << (bit % 8)));
            if (nb == b) return;
            // Same length: patch the byte where it lies.
            auto slots = page_slots(d.page(where.page));
            d.wpage(where.page)[slots[where.slot].off + 5 + bit / 8] = nb;
        } else if (row[0] == 1) {
            uint32_t per = (kPage - 4) * 8;
            uint32_t k = pn / per, bit = pn % per;
            if (1 + 4 * k + 4 > row.size()) unsupported("page beyond the reach of a reference usage map");
            uint32_t mp = rd32(row.data() + 1 + 4 * k);
            if (!mp) {
                if (!on && !past_end_is_set) return;
                unsupported("reference usage map needs a new bitmap page");
            }
            if (d.page(mp)[0] != kBitmap) corrupt("usage map points to a page that is not a bitmap");
            uint8_t* bp = d.wpage(mp);
            if (on) bp[4 + bit / 8] |= uint8_t(1u << (bit % 8));
            else bp[4 + bit / 8] &= uint8_t(~(1u << (bit % 8)));
        } else {
            corrupt("unknown usage map type");
        }
    }

    uint32_t alloc_page() {
        // A page the file's map calls free may still hold its old contents
        // (Jet leaves them); the map is what counts.
        // The lowest free page, found without listing the map: past the end
        // of the file it is all "free".
        if (uint32_t p = d.map_bits(kGlobalMap).lowest(3, d.page_count())) {
            map_set(kGlobalMap, p, false, true);
            std::memset(d.wpage(p), 0, kPage);
            return p;
        }
        uint32_t p = d.append_page();
        map_set(kGlobalMap, p, false, true);
        return p;
    }

    void free_page(uint32_t p) {
        std::memset(d.wpage(p), 0, kPage);
        map_set(kGlobalMap, p, true, true);
    }

    // ---- rows ----

    // The raw bytes of each column of a stored row (nullopt = NULL); Boolean
    // columns hold one byte 0/1.
    using Raw = std::vector<std::optional<std::vector<uint8_t>>>;

    Raw split_row(const TableDef& t, const uint8_t* p, uint32_t len) {
        Raw raw(t.cols.size());
        Row vals = d.decode_row(t, p, len);  // validates the layout
        uint32_t ncols = rd16(p);
        uint32_t mask_len = (ncols + 7) / 8;
        uint32_t nvar = rd16(p + len - mask_len - 2);
        auto var_off = [&](uint32_t i) -> uint32_t { return rd16(p + len - mask_len - 4 - 2 * i); };
        for (size_t i = 0; i < t.cols.size(); ++i) {
            const Column& c = t.cols[i];
            if (c.type == Type::Bool) { raw[i] = std::vector<uint8_t>{uint8_t(vals[i].i ? 1 : 0)}; continue; }
            if (vals[i].is_null()) continue;
            if (c.fixed()) raw[i] = std::vector<uint8_t>(p + 2 + c.fixed_offset, p + 2 + c.fixed_offset + c.length);
            else if (c.var_index < nvar)
                raw[i] = std::vector<uint8_t>(p + var_off(c.var_index), p + var_off(c.var_index + 1));
        }
        return raw;
    }

    std::vector<uint8_t> encode_row(const TableDef& t, const Raw& raw) {
        uint32_t ncols = t.max_cols, nvar = 0, fixed_len = 0;
        for (auto& c : t.cols) {
            ncols = std::max<uint32_t>(ncols, c.number + 1u);
            if (c.fixed()) { if (c.type != Type::Bool) fixed_len = std::max<uint32_t>(fixed_len, c.fixed_offset + c.length); }
            else nvar = std::max<uint32_t>(nvar, c.var_index + 1u);
        }
        uint32_t mask_len = (ncols + 7) / 8;
        std::vector<uint8_t> out(2 + fixed_len, 0);
        wr16(out.data(), ncols);
        std::vector<uint8_t> mask(mask_len, 0);
        std::vector<const std::vector<uint8_t>*> vars(nvar, nullptr);
        for (size_t i = 0; i < t.cols.size(); ++i) {
            const Column& c = t.cols[i];
            if (!raw[i]) continue;
            if (c.type == Type::Bool) {
                if ((*raw[i])[0]) mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
                continue;
            }
            mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
            if (c.fixed()) std::memcpy(out.data() + 2 + c.fixed_offset, raw[i]->data(), std::min<size_t>(c.length, raw[i]->size()));
            else vars[c.var_index] = &*raw[i];
        }
        std::vector<uint16_t> offs;
        for (uint32_t v = 0; v < nvar; ++v) {
            offs.push_back(uint16_t(out.size()));
            if (vars[v]) out.insert(out.end(), vars[v]->begin(), vars[v]->end());
        }
        offs.push_back(uint16_t(out.size()));  // end of the variable data
        if (out.size() + 2 * offs.size() + 2 + mask_len > kMaxRow) throw Error(Error::Code::Value, "row too long for a page");
        for (size_t k = offs.size(); k-- > 0;) { out.push_back(uint8_t(offs[k])); out.push_back(uint8_t(offs[k] >> 8)); }
        out.push_back(uint8_t(nvar));
        out.push_back(uint8_t(nvar >> 8));
        out.insert(out.end(), mask.begin(), mask.end());
        return out;
    }

    std::vector<uint8_t> encode_value(const Column& c, const Value& v) {
        auto bad = [&](const char* why) -> Error {
            return Error(Error::Code::Value, "column " + narrow(c.name) + ": " + why);
        };
        auto integer = [&]() -> int64_t {
            if (v.kind == Value::Kind::Int || v.kind == Value::Kind::Bool || v.kind == Value::Kind::Currency) return v.i;
            throw bad("needs a number");
        };
        auto real = [&]() -> double {
            if (v.kind == Value::Kind::Double || v.kind == Value::Kind::Single || v.kind == Value::Kind::DateTime) return v.d;
            if (v.kind == Value::Kind::Int) return double(v.i);
            throw bad("needs a number");
        };
        std::vector<uint8_t> b;
        switch (c.type) {
        case Type::Bool: return {uint8_t(integer() ? 1 : 0)};
        case Type::Byte: { int64_t x = integer(); if (x < 0 || x > 255) throw bad("out of range"); return {uint8_t(x)}; }
        case Type::Int: {
            int64_t x = integer(); if (x < -32768 || x > 32767) throw bad("out of range");
            b.resize(2); wr16(b.data(), uint16_t(x)); return b;
        }
        case Type::Long: {
            int64_t x = integer(); if (x < INT32_MIN || x > INT32_MAX) throw bad("out of range");
            b.resize(4); wr32(b.data(), uint32_t(x)); return b;
        }
        case Type::Currency: b.resize(8); wr64(b.data(), uint64_t(v.kind == Value::Kind::Currency ? v.i : integer() * 10000)); return b;
        case Type::Single: { float f = float(real()); uint32_t u; std::memcpy(&u, &f, 4); b.resize(4); wr32(b.data(), u); return b; }
        case Type::Double: case Type::DateTime: { double f = real(); uint64_t u; std::memcpy(&u, &f, 8); b.resize(8); wr64(b.data(), u); return b; }
        case Type::Guid: if (v.kind != Value::Kind::Guid || v.bytes.size() != 16) throw bad("needs 16 bytes"); return v.bytes;
        case Type::Binary:
            if (v.kind != Value::Kind::Binary) throw bad("needs bytes");
            if (v.bytes.size() > c.length) throw bad("value longer than the column");
            return v.bytes;
        case Type::Text: {
            if (v.kind != Value::Kind::Text) throw bad("needs text");
            if (v.text.size() * 2 > c.length)
                throw bad(("longer than " + std::to_string(c.length / 2) + " characters").c_str());
            return encode_text(v.text, c.compressed());
        }
        case Type::Memo: case Type::Ole: {
            std::vector<uint8_t> data;
            if (c.type == Type::Memo) { if (v.kind != Value::Kind::Text) throw bad("needs text"); data = encode_text(v.text, c.compressed()); }
            else { if (v.kind != Value::Kind::Binary) throw bad("needs bytes"); data = v.bytes; }
            // Stored inline only; long values in their own pages are not written.
            if (data.size() > 1024) unsupported("long values over 1024 bytes are not written by this engine");
            b.resize(12, 0);
            wr32(b.data(), uint32_t(data.size()) | 0x80000000u);
            b.insert(b.end(), data.begin(), data.end());
            return b;
        }
        default: throw bad("type not written by this engine");
        }
    }

    // ---- placing rows ----

    // A page of the table with room for `len` more bytes of row, or a new one.
    uint32_t page_for(TableDef& t, uint32_t len, uint32_t avoid = 0) {
        // Only the last of the table's pages with room is tried, as Jet does:
        // the highest page both maps list.
        MapBits owned = d.map_bits(t.owned_map), freem = d.map_bits(t.free_map);
        uint32_t last = freem.highest(0, d.page_count(), [&](uint32_t p) {
            if (p == avoid || !owned.has(p)) return false;
            const uint8_t* pg = d.page(p);
            return pg[0] == kData && rd32(pg + 4) == t.page;
        });
        if (last) {
            const uint8_t* pg = d.page(last);
            if (rd16(pg + 12) < kMaxRowsPerPage && page_free(pg) >= len + 2) return last;
        }
        uint32_t p = alloc_page();
        uint8_t* pg = d.wpage(p);
        std::memset(pg, 0, kPage);
        pg[0] = kData;
        pg[1] = 0x01;
        wr16(pg + 2, kPage - 14);
        wr32(pg + 4, t.page);
        map_set(t.owned_map, p, true, false);
        map_set(t.free_map, p, true, false);
        return p;
    }

    // Keeps the table's free-space map in step with a page's contents: a page
    // that cannot take one more smallest row leaves the map.
    void update_free_map(TableDef& t, uint32_t p) {
        const uint8_t* pg = d.page(p);
        uint32_t min_row = min_row_size(t);
        bool room = rd16(pg + 12) < kMaxRowsPerPage && page_free(pg) >= min_row + 2;
        map_set(t.free_map, p, room, false);
    }

    uint32_t min_row_size(const TableDef& t) {
        Raw none(t.cols.size());
        return uint32_t(encode_row(t, none).size());
    }

    RowRef add_row(TableDef& t, const std::vector<uint8_t>& bytes, uint16_t flags, uint32_t avoid = 0) {
        uint32_t p = page_for(t, uint32_t(bytes.size()), avoid);
        PageRows pr = load_rows(d.page(p));
        pr.flags.push_back(flags);
        pr.data.push_back(bytes);
        store_rows(p, pr);
        update_free_map(t, p);
        return RowRef{p, uint16_t(pr.flags.size() - 1)};
    }

    void delete_slot(TableDef& t, RowRef r) {
        PageRows pr = load_rows(d.page(r.page));
        pr.flags[r.slot] = kDeleted;
        pr.data[r.slot].clear();  // Jet gives the space back at once
        store_rows(r.page, pr);
        update_free_map(t, r.page);
    }

    // Replaces a live row's bytes, moving it through an overflow row when
    // its page has no room; index entries keep pointing at `r`.
    void replace_row(TableDef& t, RowRef r, const std::vector<uint8_t>& bytes) {
        PageRows pr = load_rows(d.page(r.page));
        if (pr.flags[r.slot] & kOverflowHeader) {
            const auto& h = pr.data[r.slot];
            RowRef target{rd24(h.data() + 1), h[0]};
            PageRows tr = load_rows(d.page(target.page));
            tr.data[target.slot] = bytes;
            if (tr.size() <= kPage) { store_rows(target.page, tr); update_free_map(t, target.page); return; }
            delete_slot(t, target);
            RowRef nt = add_row(t, bytes, kOverflowTarget, r.page);
            pr = load_rows(d.page(r.page));
            pr.data[r.slot] = pointer_row(nt);
            store_rows(r.page, pr);
            update_free_map(t, r.page);
            return;
        }
        pr.data[r.slot] = bytes;
        if (pr.size() <= kPage) { store_rows(r.page, pr); update_free_map(t, r.page); return; }
        RowRef nt = add_row(t, bytes, kOverflowTarget, r.page);
        pr = load_rows(d.page(r.page));
        pr.flags[r.slot] = kOverflowHeader;
        pr.data[r.slot] = pointer_row(nt);
        store_rows(r.page, pr);
        update_free_map(t, r.page);
    }

    static std::vector<uint8_t> pointer_row(RowRef r) {
        std::vector<uint8_t> b(4);
        b[0] = uint8_t(r.slot);
        wr24(b.data() + 1, r.page);
        return b;
    }

    void remove_row(TableDef& t, RowRef r) {
        uint16_t fl = 0;
        auto [p, len] = d.row_at(r, &fl);
        if (fl & kOverflowHeader) {
            if (len < 4) corrupt("short overflow row");
            RowRef target{rd24(p + 1), p[0]};
            delete_slot(t, target);
        }
        delete_slot(t, r);
    }

    // ---- indexes ----

    struct Step { uint32_t page; IndexPage ip; size_t pos; };

    std::vector<Step> descend(uint32_t root, const Entry& target) {
        std::vector<Step> path;
        uint32_t p = root;
        for (int depth = 0;; ++depth) {
            if (depth > 16) corrupt("index too deep");
            IndexPage ip = d.read_index_page(p);
            if (ip.type == kLeaf) {
                size_t pos = size_t(std::lower_bound(ip.entries.begin(), ip.entries.end(), target) - ip.entries.begin());
                path.push_back({p, std::move(ip), pos});
                return path;
            }
            size_t pos = size_t(std::lower_bound(ip.entries.begin(), ip.entries.end(), target) - ip.entries.begin());
            uint32_t child = pos < ip.entries.size() ? ip.entries[pos].child : ip.tail;
            if (!child) corrupt("index node without a child");
            path.push_back({p, std::move(ip), pos});
            p = child;
        }
    }

    Entry last_entry(const IndexPage& ip, int depth = 0) {
        if (depth > 16) corrupt("index too deep");
        if (ip.type == kLeaf) {
            if (ip.entries.empty()) corrupt("empty index leaf below a node");
            Entry e = ip.entries.back();
            e.child = 0;
            return e;
        }
        if (ip.tail) return last_entry(d.read_index_page(ip.tail), depth + 1);
        if (ip.entries.empty()) corrupt("empty index node");
        Entry e = ip.entries.back();
        e.child = 0;
        return e;
    }

    // Children of a node page in order, each with the last entry beneath it.
    std::vector<Entry> children(const IndexPage& ip) {
        std::vector<Entry> ch = ip.entries;
        if (ip.tail) {
            Entry e = last_entry(d.read_index_page(ip.tail));
            e.child = ip.tail;
            ch.push_back(e);
        }
        return ch;
    }

    static void set_children(IndexPage& ip, std::vector<Entry> ch) {
        ip.tail = ch.back().child;
        ch.pop_back();
        ip.entries = std::move(ch);
    }

    uint32_t new_index_page(const RealIndex& ix) {
        uint32_t p = alloc_page();
        map_set(ix.map_ptr, p, true, false);
        return p;
    }

    void drop_index_page(const RealIndex& ix, uint32_t p) {
        map_set(ix.map_ptr, p, false, false);
        free_page(p);
    }

    void set_prev(uint32_t p, uint32_t prev) {
        if (!p) return;
        IndexPage ip = d.read_index_page(p);
        ip.prev = prev;
        d.write_index_page(p, ip);
    }

    // Writes `content` for path[level]; splits it when it does not fit.
    void put(const RealIndex& ix, std::vector<Step>& path, size_t level, IndexPage content, bool appended) {
        if (Database::Impl::fits(content)) {
            d.write_index_page(path[level].page, content);
            path[level].ip = std::move(content);
            return;
        }
        bool node = content.type == kNode;
        std::vector<Entry> items = node ? children(content) : content.entries;
        size_t cut;
        // Appends at the far right leave full pages behind, as Jet does for
        // AutoNumber keys; anything else splits in the middle.
        if (appended && content.next == 0) cut = items.size() - (node ? 2 : 1);
        else cut = items.size() / 2;
        std::vector<Entry> left(items.begin(), items.begin() + long(cut)), right(items.begin() + long(cut), items.end());
        IndexPage a, b;
        a.type = b.type = content.type;
        a.tdef = b.tdef = content.tdef;
        if (node) { set_children(a, left); set_children(b, right); }
        else { a.entries = left; b.entries = right; }
        if (!Database::Impl::fits(a) || !Database::Impl::fits(b)) {
            // An append can still leave one half too full; fall back to halves.
            cut = items.size() / 2;
            left.assign(items.begin(), items.begin() + long(cut));
            right.assign(items.begin() + long(cut), items.end());
            if (node) { set_children(a, left); set_children(b, right); }
            else { a.entries = left; b.entries = right; }
        }
        Entry a_last = node ? left.back() : left.back();
        a_last.child = 0;
        if (level == 0) {
            // The root keeps its page number and becomes a node over two new pages.
            uint32_t pa = new_index_page(ix), pb = new_index_page(ix);
            a.prev = 0; a.next = pb; b.prev = pa; b.next = 0;
            d.write_index_page(pa, a);
            d.write_index_page(pb, b);
            IndexPage root;
            root.type = kNode;
            root.tdef = content.tdef;
            Entry e = a_last;
            e.child = pa;
            root.entries = {e};
            root.tail = pb;
            d.write_index_page(path[0].page, root);
            return;
        }
        uint32_t pa = path[level].page, pb = new_index_page(ix);
        b.prev = pa; b.next = content.next; a.prev = content.prev; a.next = pb;
        d.write_index_page(pa, a);
        d.write_index_page(pb, b);
        set_prev(b.next, pb);
        // The parent gains a child right after this one.
        Step& up = path[level - 1];
        std::vector<Entry> ch = children(up.ip);
        size_t pos = up.pos;
        Entry ea = a_last; ea.child = pa;
        Entry eb = node ? right.back() : right.back(); eb.child = pb;
        ch[pos] = ea;
        ch.insert(ch.begin() + long(pos) + 1, eb);
        IndexPage parent = up.ip;
        set_children(parent, ch);
        put(ix, path, level - 1, parent, appended && pos + 2 == ch.size());
    }

    // Node entries carry the last key beneath them; refresh them upward.
    void refresh_parents(std::vector<Step>& path) {
        for (size_t level = path.size() - 1; level-- > 0;) {
            Step& up = path[level];
            if (up.pos >= up.ip.entries.size()) continue;  // the tail child has no entry
            Entry last = last_entry(path[level + 1].ip);
            Entry& e = up.ip.entries[up.pos];
            if (e.key == last.key && e.row == last.row) continue;
            e.key = last.key;
            e.row = last.row;
            d.write_index_page(up.page, up.ip);
        }
    }

    void index_insert(const RealIndex& ix, Entry e) {
        auto path = descend(ix.root, e);
        Step& leaf = path.back();
        IndexPage content = std::move(leaf.ip);
        bool at_end = leaf.pos == content.entries.size();
        content.entries.insert(content.entries.begin() + long(leaf.pos), e);
        put(ix, path, path.size() - 1, std::move(content), at_end);
    }

    void index_remove(const RealIndex& ix, const Entry& e) {
        auto path = descend(ix.root, e);
        Step& leaf = path.back();
        if (leaf.pos >= leaf.ip.entries.size() || leaf.ip.entries[leaf.pos].key != e.key || leaf.ip.entries[leaf.pos].row != e.row)
            corrupt("index entry missing for a row");
        leaf.ip.entries.erase(leaf.ip.entries.begin() + long(leaf.pos));
        if (!leaf.ip.entries.empty() || path.size() == 1) {
            d.write_index_page(leaf.page, leaf.ip);
            refresh_parents(path);
            return;
        }
        remove_child(ix, path, path.size() - 1);
    }

    // path[level] became empty: unlink it and take it out of its parent.
    void remove_child(const RealIndex& ix, std::vector<Step>& path, size_t level) {
        Step& s = path[level];
        Step& up = path[level - 1];
        // The parent's children are read before the page goes away.
        std::vector<Entry> ch = up.ip.entries;
        if (up.ip.tail) {
            Entry e;
            if (up.ip.tail != s.page) e = last_entry(d.read_index_page(up.ip.tail));
            e.child = up.ip.tail;
            ch.push_back(e);
        }
        ch.erase(ch.begin() + long(up.pos));
        if (s.ip.prev) { IndexPage p = d.read_index_page(s.ip.prev); p.next = s.ip.next; d.write_index_page(s.ip.prev, p); }
        set_prev(s.ip.next, s.ip.prev);
        drop_index_page(ix, s.page);
        if (ch.empty()) {
            if (level - 1 == 0) {  // cannot happen with a live root, but stay valid
                IndexPage root;
                root.type = kLeaf;
                root.tdef = up.ip.tdef;
                d.write_index_page(up.page, root);
                return;
            }
            remove_child(ix, path, level - 1);
            return;
        }
        IndexPage parent = up.ip;
        set_children(parent, ch);
        up.ip = parent;
        up.pos = std::min(up.pos, ch.size() - 1);
        d.write_index_page(up.page, parent);
        // Shrink a root left with one child by pulling that child up.
        while (level - 1 == 0) {
            IndexPage root = d.read_index_page(path[0].page);
            if (root.type != kNode || !root.entries.empty()) break;
            uint32_t only = root.tail;
            IndexPage child = d.read_index_page(only);
            child.prev = child.next = 0;
            d.write_index_page(path[0].page, child);
            drop_index_page(ix, only);
        }
        path.resize(level);
        refresh_parents(path);
    }

    std::vector<RowRef> index_find(const RealIndex& ix, const std::vector<uint8_t>& key) {
        return d.index_rows(ix.root, key);
    }

    bool key_exists(const RealIndex& ix, const std::vector<uint8_t>& key) { return !index_find(ix, key).empty(); }

    void add_count(TableDef& t, const RealIndex& ix, int delta) {
        uint8_t* pg = d.wpage(t.page);
        wr32(pg + ix.count_off, rd32(pg + ix.count_off) + uint32_t(delta));
    }

    // ---- statements ----

    void writable(const TableDef& t) {
        if (t.system) unsupported("system table " + narrow(t.name) + " is not written");
        for (auto& l : t.logical)
            if (l.foreign) unsupported("table " + narrow(t.name) + " takes part in a relationship, which this engine cannot keep");
        for (auto& ix : t.real) {
            for (auto [cn, asc] : ix.cols) {
                (void)asc;
                for (auto& c : t.cols)
                    if (c.number == cn && !index_column_supported(c.type))
                        unsupported("table " + narrow(t.name) + " has an index on " + type_name(c.type) +
                                    " column " + narrow(c.name) + ", which this engine cannot keep");
            }
            if (ix.root >= d.page_count()) corrupt("index root past the end of the file");
        }
    }

    size_t col_index(const TableDef& t, const std::u16string& name) {
        for (size_t i = 0; i < t.cols.size(); ++i)
            if (same_name(t.cols[i].name, name)) return i;
        throw Error(Error::Code::NotFound, "no column " + narrow(name) + " in table " + narrow(t.name));
    }

    void check_keys(const TableDef& t, const Row& row, const std::vector<std::vector<uint8_t>>& keys,
                    const std::vector<RowRef>* except) {
        for (size_t k = 0; k < t.real.size(); ++k) {
            const RealIndex& ix = t.real[k];
            bool has_null = false;
            for (auto [cn, asc] : ix.cols) {
                (void)asc;
                for (size_t i = 0; i < t.cols.size(); ++i)
                    if (t.cols[i].number == cn && row[i].is_null()) has_null = true;
            }
            if (has_null && (ix.flags & 0x08)) throw Error(Error::Code::Value, "an indexed column that is required is empty");
            if ((ix.flags & 0x01) && !(has_null && (ix.flags & 0x02))) {
                for (RowRef r : index_find(ix, keys[k]))
                    if (!except || std::find(except->begin(), except->end(), r) == except->end())
                        throw Error(Error::Code::Value, "duplicate value in a unique index of " + narrow(t.name));
            }
        }
    }

    std::vector<std::vector<uint8_t>> keys_of(const TableDef& t, const Row& row) {
        std::vector<std::vector<uint8_t>> keys;
        for (auto& ix : t.real) keys.push_back(index_key(t, ix, row));
        return keys;
    }

    void insert(TableDef& t, const std::vector<std::pair<std::u16string, Value>>& values) {
        writable(t);
        Raw raw(t.cols.size());
        std::vector<bool> given(t.cols.size(), false);
        for (auto& [name, v] : values) {
            size_t i = col_index(t, name);
            if (given[i]) throw Error(Error::Code::Syntax, "column " + narrow(name) + " given twice");
            given[i] = true;
            if (t.cols[i].autonumber()) unsupported("AutoNumber column " + narrow(name) + " is assigned by the database");
            if (!v.is_null()) raw[i] = encode_value(t.cols[i], v);
        }
        uint32_t next_auto = t.autonumber;
        bool has_auto = false;
        for (size_t i = 0; i < t.cols.size(); ++i) {
            if (t.cols[i].type == Type::Bool && !raw[i]) raw[i] = std::vector<uint8_t>{0};
            if (t.cols[i].autonumber()) {
                has_auto = true;
                next_auto = t.autonumber + 1;
                if (next_auto > uint32_t(INT32_MAX)) unsupported("AutoNumber exhausted");
                raw[i] = std::vector<uint8_t>(4);
                wr32(raw[i]->data(), next_auto);
            }
        }
        std::vector<uint8_t> bytes = encode_row(t, raw);
        Row row = d.decode_row(t, bytes.data(), uint32_t(bytes.size()));
        auto keys = keys_of(t, row);
        check_keys(t, row, keys, nullptr);
        std::vector<bool> new_key(t.real.size());
        for (size_t k = 0; k < t.real.size(); ++k)
            new_key[k] = (t.real[k].flags & 0x01) || !key_exists(t.real[k], keys[k]);
        RowRef where = add_row(t, bytes, 0);
        uint8_t* tp = d.wpage(t.page);
        t.row_count += 1;
        wr32(tp + 16, t.row_count);
        if (has_auto) { t.autonumber = next_auto; wr32(tp + 20, next_auto); }
        for (size_t k = 0; k < t.real.size(); ++k) {
            if (new_key[k]) add_count(t, t.real[k], +1);
            index_insert(t.real[k], Entry{keys[k], where, 0});
        }
    }

    std::vector<RowRef> find_rows(TableDef& t, size_t key_col, int64_t id) {
        // Through a single-column index on the key when there is one.
        for (auto& ix : t.real) {
            if (ix.cols.size() == 1 && ix.cols[0].first == t.cols[key_col].number && index_column_supported(t.cols[key_col].type)) {
                Row probe(t.cols.size());
                probe[key_col] = Value::of_int(id);
                auto refs = index_find(ix, index_key(t, ix, probe));
                std::sort(refs.begin(), refs.end());
                return refs;
            }
        }
        std::vector<RowRef> out;
        for (auto& rr : d.scan(t)) {
            Row r = d.decode_row(t, rr.p, rr.len);
            const Value& v = r[key_col];
            if ((v.kind == Value::Kind::Int || v.kind == Value::Kind::Currency) && v.i == id) out.push_back(rr.where);
        }
        return out;
    }

    uint32_t update(TableDef& t, const std::u16string& key, int64_t id,
                    const std::vector<std::pair<std::u16string, Value>>& values) {
        writable(t);
        size_t kc = col_index(t, key);
        std::vector<std::pair<size_t, std::optional<std::vector<uint8_t>>>> sets;
        for (auto& [name, v] : values) {
            size_t i = col_index(t, name);
            if (t.cols[i].autonumber()) unsupported("AutoNumber column " + narrow(name) + " is assigned by the database");
            std::optional<std::vector<uint8_t>> b;
            if (!v.is_null()) b = encode_value(t.cols[i], v);
            else if (t.cols[i].type == Type::Bool) b = std::vector<uint8_t>{0};
            sets.push_back({i, b});
        }
        auto refs = find_rows(t, kc, id);
        for (RowRef r : refs) {
            auto [p, len] = d.follow(r);
            Raw raw = split_row(t, p, len);
            Row old_row = d.decode_row(t, p, len);
            for (auto& [i, b] : sets) raw[i] = b;
            std::vector<uint8_t> bytes = encode_row(t, raw);
            Row row = d.decode_row(t, bytes.data(), uint32_t(bytes.size()));
            auto old_keys = keys_of(t, old_row), keys = keys_of(t, row);
            std::vector<RowRef> self{r};
            check_keys(t, row, keys, &self);
            for (size_t k = 0; k < t.real.size(); ++k) {
                if (keys[k] == old_keys[k]) continue;
                index_remove(t.real[k], Entry{old_keys[k], r, 0});
                if (!(t.real[k].flags & 0x01) && !key_exists(t.real[k], old_keys[k])) add_count(t, t.real[k], -1);
                if ((t.real[k].flags & 0x01) || !key_exists(t.real[k], keys[k])) add_count(t, t.real[k], +1);
                index_insert(t.real[k], Entry{keys[k], r, 0});
            }
            replace_row(t, r, bytes);
        }
        return uint32_t(refs.size());
    }

    uint32_t remove(TableDef& t, const std::u16string& key, int64_t id) {
        writable(t);
        size_t kc = col_index(t, key);
        auto refs = find_rows(t, kc, id);
        for (RowRef r : refs) {
            auto [p, len] = d.follow(r);
            Row row = d.decode_row(t, p, len);
            auto keys = keys_of(t, row);
            for (size_t k = 0; k < t.real.size(); ++k) {
                index_remove(t.real[k], Entry{keys[k], r, 0});
                if ((t.real[k].flags & 0x01) || !key_exists(t.real[k], keys[k])) add_count(t, t.real[k], -1);
            }
            remove_row(t, r);
            t.row_count -= 1;
            wr32(d.wpage(t.page) + 16, t.row_count);
        }
        return uint32_t(refs.size());
    }
};

std::vector<uint8_t> encode_text(const std::u16string& s, bool compress) {
    std::vector<uint8_t> raw(s.size() * 2);
    for (size_t i = 0; i < s.size(); ++i) wr16(raw.data() + 2 * i, s[i]);
    if (!compress || s.empty()) return raw;
    // One byte per character for U+0001..U+00FF, a 00 byte switching to and
    // from two-byte characters; kept only when shorter.
    std::vector<uint8_t> c{0xFF, 0xFE};
    bool one = true;
    for (char16_t ch : s) {
        bool fits = ch >= 1 && ch <= 0xFF;
        if (fits != one) { c.push_back(0); one = fits; }
        if (one) c.push_back(uint8_t(ch));
        else { c.push_back(uint8_t(ch)); c.push_back(uint8_t(ch >> 8)); }
    }
    return c.size() < raw.size() ? c : raw;
}

namespace {
template <class F>
auto statement(Database::Impl& d, F&& body) {
    d.begin();
    try {
        auto r = body();
        d.commit();
        return r;
    } catch (const Error& e) {
        if (e.code == Error::Code::Injected) throw;
        if (d.in_tx) d.rollback();
        throw;
    } catch (...) {
        if (d.in_tx) d.rollback();
        throw;
    }
}
}  // namespace

int64_t Database::insert(const std::u16string& table, const std::vector<std::pair<std::u16string, Value>>& values) {
    return statement(*d_, [&] {
        Writer w{*d_};
        w.insert(d_->table_mut(table), values);
        return int64_t(1);
    });
}

uint32_t Database::update(const std::u16string& table, const std::u16string& key, int64_t id,
                          const std::vector<std::pair<std::u16string, Value>>& values) {
    return statement(*d_, [&] {
        Writer w{*d_};
        return w.update(d_->table_mut(table), key, id, values);
    });
}

uint32_t Database::remove(const std::u16string& table, const std::u16string& key, int64_t id) {
    return statement(*d_, [&] {
        Writer w{*d_};
        return w.remove(d_->table_mut(table), key, id);
    });
}

}  // namespace jet4

namespace jet4 {
// Row bytes for a full set of values (used by the database generator).
std::vector<uint8_t> encode_row_values(const TableDef& t, const Row& values) {
    Database::Impl dummy;
    Writer w{dummy};
    Writer::Raw raw(t.cols.size());
    for (size_t i = 0; i < t.cols.size(); ++i) {
        if (t.cols[i].type == Type::Bool) raw[i] = std::vector<uint8_t>{uint8_t(values[i].i ? 1 : 0)};
        else if (!values[i].is_null()) raw[i] = w.encode_value(t.cols[i], values[i]);
    }
    return w.encode_row(t, raw);
}
}  // namespace jet4
