// Reading: every table of every real file against two independent readers,
// refusal of files this engine must not misread, and the checker.
#include "support.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>
#include <utility>

using jet4::Database;
using jet4::Error;

namespace {

// The header's middle is RC4-enciphered; XOR with the same stream toggles it.
void toggle_header(std::vector<uint8_t>& img) {
    uint8_t s[256];
    const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) { j = (j + s[i] + key[i % 4]) & 255; std::swap(s[i], s[j]); }
    for (size_t k = 0, i = 0, j = 0; k < 0x80; ++k) {
        i = (i + 1) & 255; j = (j + s[i]) & 255; std::swap(s[i], s[j]);
        img[0x18 + k] ^= s[(s[i] + s[j]) & 255];
    }
}

TEST(JetRead, EveryFixtureTableMatchesMdbJsonAndMdbReader) {
    JET_NEED_FIXTURES();
    if (!jt::have_tool("mdb-json") || !jt::have_mdb_reader()) GTEST_SKIP() << "mdb-json or mdb-reader missing";
    size_t tables = 0, rows = 0, reader_tables = 0;
    for (auto& f : jt::fixture_files()) {
        auto db = Database::open(f);
        // Our table list equals mdbtools' (system tables included).
        std::vector<std::string> ours, theirs;
        for (auto& t : db->tables(true)) ours.push_back(jt::u8(t.name));
        std::istringstream in(jt::run("mdb-tables -S -1 '" + f + "'"));
        for (std::string l; std::getline(in, l);) if (!l.empty()) theirs.push_back(l);
        std::sort(ours.begin(), ours.end());
        std::sort(theirs.begin(), theirs.end());
        EXPECT_EQ(ours, theirs) << f;
        auto mine = jt::all_rows("qvkdb", f, ours);
        auto mj = jt::all_rows("mdb-json", f, ours);
        auto mr = jt::all_rows("mdb-reader", f, ours);
        for (auto& t : ours) {
            SCOPED_TRACE(f + " " + t);
            EXPECT_EQ(mine[t].size(), db->rows(jt::u16(t)).size());
            EXPECT_EQ(mine[t], mj[t]);
            // mdb-reader refuses a column type newer Access versions add to
            // MSysAccessObjects.
            bool refused = !mr[t].empty() && mr[t][0].rfind("#ERROR", 0) == 0;
            if (!refused) { EXPECT_EQ(mine[t], mr[t]); ++reader_tables; }
            ++tables;
            rows += mine[t].size();
        }
    }
    EXPECT_GT(rows, 1000u);
    std::printf("compared %zu tables (%zu with mdb-reader), %zu rows\n", tables, reader_tables, rows);
}

TEST(JetRead, DecodesEveryValueKindOfTheTypedFixture) {
    JET_NEED_FIXTURES();
    auto db = Database::open(jt::fixtures() + "/testV2003.mdb");
    auto rows = db->rows(u"Table1");
    ASSERT_FALSE(rows.empty());
    auto& r = rows[0];  // A..I: text, text, byte, int, long, double, date, currency, bool
    EXPECT_EQ(r[0].text, u"abcdefg");
    EXPECT_EQ(r[2].i, 2);
    EXPECT_EQ(r[3].i, 222);
    EXPECT_EQ(r[4].i, 333333333);
    EXPECT_DOUBLE_EQ(r[5].d, 444.555);
    EXPECT_EQ(jet4::value_to_text(r[6]), "1974-09-21 00:00:00");
    EXPECT_EQ(r[7].i, 35000);  // 3.5000
    EXPECT_EQ(r[8].kind, jet4::Value::Kind::Bool);
    EXPECT_EQ(r[8].i, 1);
    // Compressed and uncompressed Unicode text of many scripts.
    auto uc = Database::open(jt::fixtures() + "/testUnicodeCompV2003.mdb");
    bool cjk = false;
    for (auto& row : uc->rows(u"Table"))
        if (row[1].text.find(u"漢字") != std::u16string::npos) cjk = true;
    EXPECT_TRUE(cjk);
}

TEST(JetRead, RefusesFilesItMustNotMisread) {
    JET_NEED_FIXTURES();
    const auto good = jt::read_file(jt::fixtures() + "/adox_jet4.mdb");
    struct Case { const char* what; std::function<void(std::vector<uint8_t>&)> change; Error::Code code; };
    std::vector<Case> cases = {
        {"Jet 3", [](auto& b) { b[0x14] = 0; }, Error::Code::NotJet4},
        {"Access 2007", [](auto& b) { b[0x14] = 2; }, Error::Code::NotJet4},
        {"ACE magic", [](auto& b) { std::memcpy(b.data() + 4, "Standard ACE DB", 15); }, Error::Code::NotJet4},
        {"not a database", [](auto& b) { b[1] = 7; }, Error::Code::NotJet4},
        {"empty file", [](auto& b) { b.clear(); }, Error::Code::NotJet4},
        {"encrypted", [](auto& b) { toggle_header(b); b[0x3E] = 0x2A; toggle_header(b); }, Error::Code::Encrypted},
        {"password", [](auto& b) { toggle_header(b); b[0x42] ^= 'p'; b[0x44] ^= 'w'; toggle_header(b); }, Error::Code::Password},
        {"truncated", [](auto& b) { b.resize(2 * 4096); }, Error::Code::Corrupt},
        {"catalog page not a definition", [](auto& b) { b[2 * 4096] = 1; }, Error::Code::Corrupt},
    };
    for (auto& c : cases) {
        auto img = good;
        c.change(img);
        std::string path = jt::scratch("refuse.mdb");
        jt::write_file(path, img);
        try {
            Database::open(path);
            ADD_FAILURE() << c.what << ": opened";
        } catch (const Error& e) {
            EXPECT_EQ(int(e.code), int(c.code)) << c.what << ": " << e.what();
        }
        EXPECT_EQ(jt::read_file(path), img) << c.what << ": file changed";
    }
}

TEST(JetCheck, PureJetFilesPassAndAccessFilesOnlyShowStaleStatistics) {
    JET_NEED_FIXTURES();
    for (auto& f : jt::fixture_files()) {
        auto problems = Database::open(f)->check();
        bool jet_made = f.find("adox") != std::string::npos || f.find("emptyJet4") != std::string::npos;
        if (jet_made) { EXPECT_TRUE(problems.empty()) << f << ": " << (problems.empty() ? "" : problems[0]); }
        // Access leaves stale row and key counts on its own system tables;
        // nothing else may be reported.
        for (auto& p : problems) {
            bool stale = p.find("table MSys") == 0 && (p.find("key count") != std::string::npos || p.find("row count") != std::string::npos);
            EXPECT_TRUE(stale) << f << ": " << p;
        }
    }
}

// Damage a file with rows in one specific way; the checker must say so.
TEST(JetCheck, ReportsEachBrokenInvariant) {
    std::string base = jt::scratch("check-base.mdb");
    jt::write_file(base, jet4::create_rule_database_template());
    jet4::testing::set_flush(false);
    {
        auto db = Database::open(base, Database::Mode::ReadWrite);
        for (int i = 0; i < 30; ++i)
            jet4::execute(*db, u"insert into 进程列表(主程序名,进程名称,规则文本,文件路径) values ('a','b','c','d')");
        ASSERT_TRUE(db->check().empty());
    }
    const auto img = jt::read_file(base);
    auto db0 = Database::open(base);
    uint32_t tdef = 0;
    for (auto& t : db0->tables()) if (t.name == u"进程列表") tdef = t.tdef_page;
    uint32_t leaf = db0->indexes(u"进程列表")[0].root_page;
    uint32_t data = 0;
    for (uint32_t p = 0; p < img.size() / 4096; ++p)
        if (img[p * 4096] == 1 && img[p * 4096 + 4] == tdef && img[p * 4096 + 5] == 0) data = p;
    ASSERT_NE(data, 0u);
    struct Case { const char* what; std::function<void(std::vector<uint8_t>&)> change; const char* expect; };
    std::vector<Case> cases = {
        {"row count", [&](auto& b) { b[tdef * 4096 + 16] += 1; }, "row count"},
        {"AutoNumber behind", [&](auto& b) { b[tdef * 4096 + 20] = 5; }, "AutoNumber"},
        {"key count", [&](auto& b) { b[tdef * 4096 + 63 + 4] += 1; }, "key count"},
        {"data page free field", [&](auto& b) { b[data * 4096 + 2] ^= 4; }, "free-space field"},
        {"index free field", [&](auto& b) { b[leaf * 4096 + 2] ^= 4; }, "free-space field"},
        {"index entry changed", [&](auto& b) { b[leaf * 4096 + 480 + 4] ^= 0x40; }, "index"},
        {"page claims another table", [&](auto& b) { b[data * 4096 + 4] = uint8_t(tdef + 1); }, "owned-page map"},
        {"deleted row still indexed", [&](auto& b) {
             uint32_t slot_off = data * 4096 + 14;
             b[slot_off + 1] |= 0xC0;
         }, "rows"},
    };
    for (auto& c : cases) {
        auto bad = img;
        c.change(bad);
        auto problems = Database::from_bytes(bad)->check();
        std::string all;
        for (auto& p : problems) all += p + "\n";
        EXPECT_NE(all.find(c.expect), std::string::npos) << c.what << " not reported; got:\n" << all;
    }
}

}  // namespace
