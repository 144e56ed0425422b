// The invariant checker: everything a writer must keep true, checked from
// the bytes alone.
#include "internal.h"

#include <algorithm>
#include <functional>

namespace jet4 {

namespace {

std::string pg(uint32_t p) { return "page " + std::to_string(p); }

struct Checker {
    const Database::Impl& d;
    Problems& out;
    std::set<uint32_t> used;   // pages that something live refers to
    std::set<uint32_t> freep;  // pages the file's map calls free (their old contents stay)

    void bad(const std::string& s) { out.push_back(s); }

    struct Walk {
        std::vector<Entry> entries;                      // leaf entries in tree order
        std::map<int, std::vector<uint32_t>> by_level;   // pages per depth, in order
        std::set<uint32_t> pages;
    };

    // Walks the tree in key order; returns the last entry beneath `p`.
    std::optional<Entry> walk(const std::string& what, uint32_t p, int depth, Walk& w) {
        if (depth > 8) { bad(what + ": index deeper than 8 levels"); return std::nullopt; }
        if (p == 0 || p >= d.page_count()) { bad(what + ": index points to " + pg(p) + ", outside the file"); return std::nullopt; }
        if (!w.pages.insert(p).second) { bad(what + ": index " + pg(p) + " reached twice"); return std::nullopt; }
        const uint8_t* raw = d.page(p);
        IndexPage ip;
        try { ip = d.read_index_page(p); } catch (const Error& e) { bad(what + ": " + e.what()); return std::nullopt; }
        // Free space: what the entries leave of the 3616 bytes.
        uint32_t last_bit = 0;
        for (uint32_t b = 1; b < 453 * 8; ++b)
            if (raw[27 + b / 8] & (1u << (b % 8))) last_bit = b;
        if (rd16(raw + 2) != kPage - 480 - last_bit)
            bad(what + ": " + pg(p) + " free-space field " + std::to_string(rd16(raw + 2)) + ", contents leave " +
                std::to_string(kPage - 480 - last_bit));
        w.by_level[depth].push_back(p);
        if (ip.type == kLeaf) {
            if (ip.tail) bad(what + ": leaf " + pg(p) + " has a tail pointer");
            if (ip.entries.empty() && depth > 0) bad(what + ": empty leaf " + pg(p) + " below a node");
            for (auto& e : ip.entries) w.entries.push_back(e);
            if (ip.entries.empty()) return std::nullopt;
            return ip.entries.back();
        }
        std::optional<Entry> last;
        for (auto& e : ip.entries) {
            auto l = walk(what, e.child, depth + 1, w);
            if (!l) { bad(what + ": node " + pg(p) + " has an empty child " + pg(e.child)); continue; }
            if (l->key != e.key || l->row != e.row)
                bad(what + ": node " + pg(p) + " entry for child " + pg(e.child) + " is not the child's last key");
            last = l;
        }
        if (!ip.tail) bad(what + ": node " + pg(p) + " without a tail child");
        else last = walk(what, ip.tail, depth + 1, w);
        return last;
    }

    void check_index(const TableDef& t, size_t k, const std::vector<Database::Impl::RawRow>& rows,
                     const std::vector<Row>& vals) {
        const RealIndex& ix = t.real[k];
        std::string what = "table " + narrow(t.name) + " index " + std::to_string(k);
        for (auto& l : t.logical)
            if (l.real == k) { what = "table " + narrow(t.name) + " index " + narrow(l.name); break; }
        Walk w;
        walk(what, ix.root, 0, w);
        used.insert(w.pages.begin(), w.pages.end());
        // Siblings at each depth form a chain in key order.
        for (auto& [depth, list] : w.by_level) {
            for (size_t i = 0; i < list.size(); ++i) {
                const uint8_t* p = d.page(list[i]);
                uint32_t prev = i ? list[i - 1] : 0, next = i + 1 < list.size() ? list[i + 1] : 0;
                if (rd32(p + 12) != prev || rd32(p + 16) != next)
                    bad(what + ": " + pg(list[i]) + " prev/next " + std::to_string(rd32(p + 12)) + "/" +
                        std::to_string(rd32(p + 16)) + ", expected " + std::to_string(prev) + "/" + std::to_string(next));
            }
        }
        for (uint32_t p : w.pages)
            if (rd32(d.page(p) + 4) != t.page) bad(what + ": " + pg(p) + " belongs to another table");
        try {
            auto mapped = d.read_map(ix.map_ptr);
            std::set<uint32_t> in_file;
            for (uint32_t p : mapped) if (p < d.page_count()) in_file.insert(p);
            if (in_file != w.pages) bad(what + ": usage map does not list exactly the index's pages");
        } catch (const Error& e) { bad(what + ": " + e.what()); }
        for (size_t i = 1; i < w.entries.size(); ++i)
            if (!(w.entries[i - 1] < w.entries[i])) { bad(what + ": entries out of order"); break; }
        // Every entry names a live row, every live row has one entry.
        std::set<RowRef> live;
        for (auto& r : rows) live.insert(r.where);
        std::set<RowRef> named;
        for (auto& e : w.entries) {
            if (!live.count(e.row)) { bad(what + ": entry for a row that does not exist (" + pg(e.row.page) + " row " + std::to_string(e.row.slot) + ")"); break; }
            named.insert(e.row);
        }
        if (named.size() != w.entries.size() || named.size() != live.size())
            bad(what + ": " + std::to_string(w.entries.size()) + " entries for " + std::to_string(live.size()) + " rows");
        bool keys_known = true;
        for (auto [cn, asc] : ix.cols) {
            (void)asc;
            for (auto& c : t.cols) if (c.number == cn && !index_column_supported(c.type)) keys_known = false;
        }
        std::set<std::vector<uint8_t>> distinct;
        for (auto& e : w.entries) distinct.insert(e.key);
        if (ix.flags & 0x01) {
            for (size_t i = 1; i < w.entries.size(); ++i)
                if (w.entries[i - 1].key == w.entries[i].key && w.entries[i].key.size() > 1) {
                    bad(what + ": unique index holds a key twice"); break;
                }
        }
        uint32_t count = rd32(d.page(t.page) + ix.count_off);
        uint32_t expect = (ix.flags & 0x01) ? uint32_t(w.entries.size()) : uint32_t(distinct.size());
        if (count != expect)
            bad(what + ": key count " + std::to_string(count) + ", index holds " + std::to_string(expect));
        if (!keys_known) return;
        std::vector<Entry> want;
        for (size_t i = 0; i < rows.size(); ++i) {
            try { want.push_back(Entry{index_key(t, ix, vals[i]), rows[i].where, 0}); }
            catch (const Error& e) { bad(what + ": " + e.what()); return; }
        }
        std::sort(want.begin(), want.end());
        bool same = want.size() == w.entries.size();
        for (size_t i = 0; same && i < want.size(); ++i)
            same = want[i].key == w.entries[i].key && want[i].row == w.entries[i].row;
        if (!same) bad(what + ": entries are not exactly the rows' keys");
    }

    void check_table(const TableDef& t) {
        std::string what = "table " + narrow(t.name);
        for (uint32_t p : t.def_pages) used.insert(p);
        const uint8_t* tp = d.page(t.page);
        if (t.def_pages.size() == 1 && rd16(tp + 2) != kPage - 8 - rd32(tp + 8))
            bad(what + ": definition free-space field does not match its length");
        std::set<uint32_t> owned, freem;
        try {
            owned = d.read_map(t.owned_map);
            freem = d.read_map(t.free_map);
        } catch (const Error& e) { bad(what + ": " + e.what()); return; }
        used.insert(t.owned_map >> 8);
        used.insert(t.free_map >> 8);
        for (auto& ix : t.real) used.insert(ix.map_ptr >> 8);
        std::set<uint32_t> pages_of_table;
        for (uint32_t p = 0; p < d.page_count(); ++p) {
            const uint8_t* q = d.page(p);
            if (q[0] == kData && rd32(q + 4) == t.page && !freep.count(p)) pages_of_table.insert(p);
        }
        std::set<uint32_t> owned_in_file;
        for (uint32_t p : owned) if (p < d.page_count()) owned_in_file.insert(p);
        if (owned_in_file != pages_of_table)
            bad(what + ": owned-page map lists " + std::to_string(owned_in_file.size()) + " pages, the table has " +
                std::to_string(pages_of_table.size()) + " data pages");
        for (uint32_t p : freem)
            if (p < d.page_count() && !pages_of_table.count(p)) { bad(what + ": free-space map lists " + pg(p) + ", not one of its pages"); break; }
        for (uint32_t p : pages_of_table) {
            used.insert(p);
            try {
                uint32_t f = page_free(d.page(p));
                if (rd16(d.page(p) + 2) != f)
                    bad(what + ": " + pg(p) + " free-space field " + std::to_string(rd16(d.page(p) + 2)) + ", contents leave " + std::to_string(f));
            } catch (const Error& e) { bad(what + ": " + pg(p) + ": " + e.what()); }
        }
        std::vector<Database::Impl::RawRow> rows;
        std::vector<Row> vals;
        try {
            rows = d.scan(t);
            for (auto& r : rows) vals.push_back(d.decode_row(t, r.p, r.len));
        } catch (const Error& e) { bad(what + ": " + e.what()); return; }
        if (t.row_count != rows.size())
            bad(what + ": row count " + std::to_string(t.row_count) + ", table holds " + std::to_string(rows.size()));
        for (size_t i = 0; i < t.cols.size(); ++i) {
            if (!t.cols[i].autonumber()) continue;
            for (auto& r : vals)
                if (r[i].kind == Value::Kind::Int && r[i].i > int64_t(t.autonumber)) {
                    bad(what + ": AutoNumber " + std::to_string(t.autonumber) + " below id " + std::to_string(r[i].i));
                    break;
                }
        }
        for (size_t k = 0; k < t.real.size(); ++k) check_index(t, k, rows, vals);
    }

    void run() {
        const uint8_t* gp = d.page(1);
        if (gp[0] != kData) { bad("page 1 is not the file's page map"); return; }
        used.insert(0);
        used.insert(1);
        used.insert(2);
        try { freep = d.read_map((1u << 8) | 0); } catch (const Error& e) { bad(std::string("file page map: ") + e.what()); return; }
        for (auto& t : d.tables) {
            if (!t.bad.empty()) { bad("table " + narrow(t.name) + ": " + t.bad); continue; }
            check_table(t);
        }
        for (uint32_t p : freep)
            if (p < d.page_count() && used.count(p)) { bad("file page map calls " + pg(p) + " free, but it is in use"); break; }
    }
};

}  // namespace

Problems Database::Impl::check() const {
    Problems out;
    Checker c{*this, out, {}, {}};
    try { c.run(); } catch (const Error& e) { out.push_back(e.what()); }
    return out;
}

}  // namespace jet4
