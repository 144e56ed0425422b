// Writing: rows changed through the engine must read back the same in
// mdb-json and mdb-reader, and leave every invariant the checker knows.
#include "support.h"

#include <algorithm>
#include <map>
#include <set>

using jet4::Database;
using jet4::Error;
using jet4::Value;

namespace {

const std::u16string kTable = u"弹窗拦截";
const std::vector<std::u16string> kCols = {u"窗口标题", u"窗口类名", u"窗口大小", u"拦截方式", u"弹窗来源"};

std::vector<std::pair<std::u16string, Value>> vals(const std::vector<std::u16string>& v) {
    std::vector<std::pair<std::u16string, Value>> out;
    for (size_t i = 0; i < v.size(); ++i) out.push_back({kCols[i], Value::of_text(v[i])});
    return out;
}

// The rows we expect, in the canonical form of tests/npm/rows.mjs.
std::string canon(int id, const std::vector<std::u16string>& v) {
    std::map<std::string, std::string> m;
    m["编号序列"] = std::to_string(id);
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i].empty()) continue;  // mdb-json cannot tell "" from NULL
        std::string s = "\"";
        for (char c : jt::u8(v[i])) s += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
        m[jt::u8(kCols[i])] = s + "\"";
    }
    // JSON.stringify orders these keys as inserted after a JS sort (UTF-16 order).
    std::vector<std::pair<std::u16string, std::string>> kv;
    for (auto& [k, x] : m) kv.push_back({jt::u16(k), x});
    std::sort(kv.begin(), kv.end());
    std::string out = "{";
    for (size_t i = 0; i < kv.size(); ++i) out += (i ? "," : "") + std::string("\"") + jt::u8(kv[i].first) + "\":" + kv[i].second;
    return out + "}";
}

void expect_readers_see(const std::string& file, const std::u16string& table, std::vector<std::string> want) {
    if (!jt::have_tool("mdb-json") || !jt::have_mdb_reader()) return;
    auto a = jt::rows_mdb_json(file, jt::u8(table));
    auto b = jt::rows_mdb_reader(file, jt::u8(table));
    std::sort(want.begin(), want.end());
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, want) << "mdb-json";
    EXPECT_EQ(b, want) << "mdb-reader";
}

void expect_ok(Database& db) {
    auto p = db.check();
    EXPECT_TRUE(p.empty()) << (p.empty() ? "" : p[0]) << (p.size() > 1 ? "\n" + p[1] : "");
}

class JetWrite : public ::testing::Test {
protected:
    void SetUp() override { jet4::testing::set_flush(false); }
    void TearDown() override { jet4::testing::set_flush(true); }
    std::string fresh(const char* name) {
        std::string p = jt::scratch(name);
        jt::write_file(p, jet4::create_rule_database_template());
        return p;
    }
};

TEST_F(JetWrite, InsertUpdateSmallerSameBiggerDelete) {
    std::string f = fresh("w1.mdb");
    std::map<int, std::vector<std::u16string>> want;
    {
        auto db = Database::open(f, Database::Mode::ReadWrite);
        for (int i = 1; i <= 6; ++i) {
            std::vector<std::u16string> v = {u"标题" + jt::u16(std::to_string(i)), u"#32770", u"0 x 0", u"关闭",
                                             u"C:\\Program Files\\app" + jt::u16(std::to_string(i)) + u".exe"};
            db->insert(kTable, vals(v));
            want[i] = v;
        }
        std::vector<std::u16string> smaller = {u"t", u"", u"1 x 1", u"隐藏", u""};
        std::vector<std::u16string> same = want[3];
        same[0] = u"标题X";
        std::vector<std::u16string> bigger = {std::u16string(200, u'长'), u"class \"quoted\" and \\", u"1920 x 1080", u"关闭",
                                              std::u16string(250, u'p')};
        EXPECT_EQ(db->update(kTable, u"编号序列", 2, vals(smaller)), 1u);
        EXPECT_EQ(db->update(kTable, u"编号序列", 3, vals(same)), 1u);
        EXPECT_EQ(db->update(kTable, u"编号序列", 4, vals(bigger)), 1u);
        EXPECT_EQ(db->remove(kTable, u"编号序列", 5), 1u);
        EXPECT_EQ(db->remove(kTable, u"编号序列", 5), 0u);     // already gone: no row, no error
        EXPECT_EQ(db->update(kTable, u"编号序列", 99, vals(smaller)), 0u);
        want[2] = smaller; want[3] = same; want[4] = bigger; want.erase(5);
        db->insert(kTable, vals({u"new", u"", u"", u"", u""}));
        want[7] = {u"new", u"", u"", u"", u""};  // AutoNumber 5 is never reused
        expect_ok(*db);
        auto rows = db->rows(kTable);
        ASSERT_EQ(rows.size(), want.size());
        size_t k = 0;
        for (auto& [id, v] : want) {
            EXPECT_EQ(rows[k][0].i, id);
            for (size_t c = 0; c < v.size(); ++c) EXPECT_EQ(rows[k][c + 1].text, v[c]);
            ++k;
        }
    }
    std::vector<std::string> lines;
    for (auto& [id, v] : want) lines.push_back(canon(id, v));
    expect_readers_see(f, kTable, lines);
    EXPECT_TRUE(Database::open(f)->check().empty());
}

TEST_F(JetWrite, TenThousandRowsSplitTheKeyIndexThenDeletesShrinkIt) {
    std::string f = fresh("w10k.mdb");
    auto db = Database::open(f, Database::Mode::ReadWrite);
    const int n = 10000;
    for (int i = 1; i <= n; ++i)
        db->insert(kTable, vals({u"窗口" + jt::u16(std::to_string(i)), u"Chrome_WidgetWin_1", u"800 x 600", u"关闭",
                                 u"D:\\tools\\p" + jt::u16(std::to_string(i)) + u".exe"}));
    expect_ok(*db);
    auto ix = db->indexes(kTable);
    ASSERT_EQ(ix.size(), 1u);
    EXPECT_EQ(db->image()[size_t(ix[0].root_page) * 4096], 3) << "root should have become a node";
    // Delete from the front, the middle and the end, including whole leaves.
    std::set<int> gone;
    for (int i = 1; i <= 600; ++i) gone.insert(i);
    for (int i = 3000; i <= n; i += 3) gone.insert(i);
    for (int i = n - 450; i <= n; ++i) gone.insert(i);
    for (int id : gone) ASSERT_EQ(db->remove(kTable, u"编号序列", id), 1u) << id;
    expect_ok(*db);
    // Updates through the index after the shape changed.
    EXPECT_EQ(db->update(kTable, u"编号序列", 1000, vals({u"改", u"", u"", u"", u""})), 1u);
    expect_ok(*db);
    std::vector<std::string> want;
    for (int i = 1; i <= n; ++i) {
        if (gone.count(i)) continue;
        if (i == 1000) { want.push_back(canon(i, {u"改", u"", u"", u"", u""})); continue; }
        want.push_back(canon(i, {u"窗口" + jt::u16(std::to_string(i)), u"Chrome_WidgetWin_1", u"800 x 600", u"关闭",
                                 u"D:\\tools\\p" + jt::u16(std::to_string(i)) + u".exe"}));
    }
    EXPECT_EQ(db->rows(kTable).size(), want.size());
    db.reset();
    expect_readers_see(f, kTable, want);
    // Delete everything: the index collapses back to one empty leaf.
    db = Database::open(f, Database::Mode::ReadWrite);
    for (int i = 1; i <= n; ++i) {
        if (!gone.count(i)) ASSERT_EQ(db->remove(kTable, u"编号序列", i), 1u);
    }
    expect_ok(*db);
    EXPECT_EQ(db->image()[size_t(ix[0].root_page) * 4096], 4);
    db->insert(kTable, vals({u"after", u"", u"", u"", u""}));
    EXPECT_EQ(db->rows(kTable).at(0)[0].i, n + 1);
    expect_ok(*db);
}

TEST_F(JetWrite, GrowingRowsMoveThroughOverflowRows) {
    std::string f = fresh("wover.mdb");
    auto db = Database::open(f, Database::Mode::ReadWrite);
    // Fill one page with mid-sized rows so no row can grow in place.
    std::u16string mid(60, u'中');
    for (int i = 0; i < 40; ++i) db->insert(kTable, vals({mid, u"", u"", u"", u""}));
    std::u16string big(250, u'大');
    for (int id : {3, 17, 30}) ASSERT_EQ(db->update(kTable, u"编号序列", id, vals({big, big, u"", u"", u""})), 1u);
    expect_ok(*db);
    // Grow a moved row again, shrink another, delete a third.
    ASSERT_EQ(db->update(kTable, u"编号序列", 3, vals({big, big, big, u"", u""})), 1u);
    ASSERT_EQ(db->update(kTable, u"编号序列", 17, vals({u"s", u"", u"", u"", u""})), 1u);
    ASSERT_EQ(db->remove(kTable, u"编号序列", 30), 1u);
    expect_ok(*db);
    std::vector<std::string> want;
    for (int i = 1; i <= 40; ++i) {
        if (i == 30) continue;
        if (i == 3) want.push_back(canon(i, {big, big, big, u"", u""}));
        else if (i == 17) want.push_back(canon(i, {u"s", u"", u"", u"", u""}));
        else want.push_back(canon(i, {mid, u"", u"", u"", u""}));
    }
    EXPECT_EQ(db->rows(kTable).size(), want.size());
    db.reset();
    expect_readers_see(f, kTable, want);
}

TEST_F(JetWrite, RefusedTablesLeaveTheFileUntouched) {
    JET_NEED_FIXTURES();
    struct Case { const char* file; const char16_t* table; Error::Code code; };
    std::vector<Case> cases = {
        {"indexTestV2003.mdb", u"Table1", Error::Code::Unsupported},        // relationships
        {"testUnicodeCompV2003.mdb", u"Table", Error::Code::Unsupported},   // index on a Text column
        {"adox_jet4.mdb", u"MSysACEs", Error::Code::Unsupported},           // catalog
        {"adox_jet4.mdb", u"NoSuchTable", Error::Code::NotFound},
    };
    for (auto& c : cases) {
        std::string f = jt::copy_to_scratch(jt::fixtures() + "/" + c.file, "refused.mdb");
        auto before = jt::read_file(f);
        {
            auto db = Database::open(f, Database::Mode::ReadWrite);
            try {
                db->insert(c.table, {});
                ADD_FAILURE() << c.file << ": insert accepted";
            } catch (const Error& e) { EXPECT_EQ(int(e.code), int(c.code)) << c.file << ": " << e.what(); }
            try {
                db->remove(c.table, u"id", 1);
                ADD_FAILURE() << c.file << ": delete accepted";
            } catch (const Error& e) { EXPECT_EQ(int(e.code), int(c.code)) << e.what(); }
        }
        EXPECT_EQ(jt::read_file(f), before) << c.file;
    }
}

// A table without indexes in an Access-made file that already holds rows
// Jet deleted: ours are deleted the same way, and nothing else changes.
TEST_F(JetWrite, AccessFileWithDeletedRows) {
    JET_NEED_FIXTURES();
    // Deleted rows stay deleted for the other readers too (delTest has Jet's own).
    std::string d = jt::copy_to_scratch(jt::fixtures() + "/delTestV2003.mdb", "del.mdb");
    {
        auto db = Database::open(d, Database::Mode::ReadWrite);
        db->insert(u"Table", {{u"a", Value::of_text(u"k")}, {u"b", Value::of_text(u"1")}});
        db->insert(u"Table", {{u"a", Value::of_text(u"ünïcödé 混合")}, {u"b", Value::of_text(u"2")}});
        Value n; n.kind = Value::Kind::Int; n.i = 5;
        try { db->insert(u"Table", {{u"a", n}}); ADD_FAILURE() << "number stored in a Text column"; }
        catch (const Error& e) { EXPECT_EQ(int(e.code), int(Error::Code::Value)); }
        EXPECT_EQ(db->check(), Database::open(jt::fixtures() + "/delTestV2003.mdb")->check());
    }
    if (!jt::have_tool("mdb-json") || !jt::have_mdb_reader()) return;
    auto rows = jt::rows_mdb_json(d, "Table");
    EXPECT_EQ(rows, jt::rows_mdb_reader(d, "Table"));
    EXPECT_EQ(rows, jt::rows_ours_json(d, "Table"));
    auto orig = jt::rows_mdb_json(jt::fixtures() + "/delTestV2003.mdb", "Table");
    orig.push_back("{\"a\":\"k\",\"b\":\"1\"}");
    orig.push_back("{\"a\":\"ünïcödé 混合\",\"b\":\"2\"}");
    EXPECT_EQ(rows, orig);
}

}  // namespace
