// The generated rule database: deterministic, pinned, and read the same by
// every reader.
#include "support.h"

using jet4::Database;

namespace {

uint64_t fnv1a(const std::vector<uint8_t>& b) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t x : b) { h ^= x; h *= 1099511628211ull; }
    return h;
}

TEST(JetCreate, TemplateIsDeterministicAndPinned) {
    auto a = jet4::create_rule_database_template();
    EXPECT_EQ(a, jet4::create_rule_database_template());
    EXPECT_EQ(a.size(), 20u * 4096);
    // Any change to the template's bytes must be deliberate: update this
    // value only together with a reason in the commit.
    EXPECT_EQ(fnv1a(a), 0x4f7443259bffc5a7ull) << std::hex << "0x" << fnv1a(a);
}

TEST(JetCreate, TemplateHasTheRuleTablesForEveryReader) {
    std::string f = jt::scratch("template.mdb");
    jt::write_file(f, jet4::create_rule_database_template());
    auto db = Database::open(f);
    EXPECT_TRUE(db->check().empty());
    std::vector<std::u16string> names;
    for (auto& t : db->tables(false)) names.push_back(t.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"弹窗拦截", u"进程列表"}));
    for (auto& t : names) {
        auto cols = db->columns(t);
        EXPECT_EQ(cols[0].name, u"编号序列");
        EXPECT_EQ(cols[0].type, jet4::Type::Long);
        EXPECT_TRUE(cols[0].autonumber());
        for (size_t i = 1; i < cols.size(); ++i) {
            EXPECT_EQ(cols[i].type, jet4::Type::Text);
            EXPECT_EQ(cols[i].length, 510);
            EXPECT_TRUE(cols[i].compressed());
        }
        auto ix = db->indexes(t);
        ASSERT_EQ(ix.size(), 1u);
        EXPECT_EQ(ix[0].name, u"PrimaryKey");
        EXPECT_EQ(ix[0].kind, 1);
        EXPECT_TRUE(db->rows(t).empty());
    }
    if (!jt::have_tool("mdb-schema")) GTEST_SKIP() << "mdbtools missing";
    std::string schema = jt::run("mdb-schema '" + f + "' 2>/dev/null");
    for (const char* want : {
             "CREATE TABLE [弹窗拦截]\n (\n\t[编号序列]\t\t\tLong Integer, \n\t[窗口标题]\t\t\tText (255), \n"
             "\t[窗口类名]\t\t\tText (255), \n\t[窗口大小]\t\t\tText (255), \n\t[拦截方式]\t\t\tText (255), \n"
             "\t[弹窗来源]\t\t\tText (255)\n);",
             "CREATE TABLE [进程列表]\n (\n\t[编号序列]\t\t\tLong Integer, \n\t[主程序名]\t\t\tText (255), \n"
             "\t[进程名称]\t\t\tText (255), \n\t[规则文本]\t\t\tText (255), \n\t[文件路径]\t\t\tText (255)\n);"})
        EXPECT_NE(schema.find(want), std::string::npos) << schema;
    std::string pg = jt::run("mdb-schema '" + f + "' postgres 2>/dev/null");
    EXPECT_NE(pg.find("ALTER TABLE \"弹窗拦截\" ADD CONSTRAINT \"弹窗拦截_pkey\" PRIMARY KEY (\"编号序列\");"), std::string::npos) << pg;
    EXPECT_EQ(jt::run("mdb-tables -1 '" + f + "'"), "弹窗拦截\n进程列表\n");
    if (!jt::have_mdb_reader()) return;
    std::string cols = jt::run("node '" + std::string(JET4_NPM) + "/mdb-reader-dump.mjs' --columns '" + f + "' 进程列表");
    EXPECT_NE(cols.find("{\"name\":\"编号序列\",\"type\":\"long\",\"size\":4,\"autoLong\":true}"), std::string::npos) << cols;
    EXPECT_NE(cols.find("{\"name\":\"文件路径\",\"type\":\"text\",\"size\":510,\"autoLong\":false}"), std::string::npos) << cols;
    // The catalog reads the same in every reader.
    for (const char* t : {"MSysObjects", "MSysACEs"})
        EXPECT_EQ(jt::rows_mdb_json(f, t), jt::rows_mdb_reader(f, t)) << t;
}

TEST(JetCreate, LaidOutLikeJetsOwnEmptyDatabase) {
    JET_NEED_FIXTURES();
    // The catalog tables have the same columns, indexes and rows (other than
    // dates and the two new tables) as the database Jet itself created.
    auto jet = Database::open(jt::fixtures() + "/adox_jet4.mdb");
    auto ours = Database::from_bytes(jet4::create_rule_database_template());
    for (const char16_t* t : {u"MSysObjects", u"MSysACEs", u"MSysQueries", u"MSysRelationships"}) {
        auto a = jet->columns(t), b = ours->columns(t);
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].name, b[i].name);
            EXPECT_EQ(a[i].type, b[i].type);
            EXPECT_EQ(a[i].flags, b[i].flags);
            EXPECT_EQ(a[i].length, b[i].length);
        }
        auto ia = jet->indexes(t), ib = ours->indexes(t);
        ASSERT_EQ(ia.size(), ib.size());
        for (size_t i = 0; i < ia.size(); ++i) {
            EXPECT_EQ(ia[i].name, ib[i].name);
            EXPECT_EQ(ia[i].columns, ib[i].columns);
            EXPECT_EQ(ia[i].flags, ib[i].flags);
            EXPECT_EQ(ia[i].root_page, ib[i].root_page);
        }
    }
    auto ra = jet->rows(u"MSysACEs"), rb = ours->rows(u"MSysACEs");
    ASSERT_EQ(rb.size(), ra.size() + 2);
    for (size_t i = 0; i < ra.size(); ++i) EXPECT_EQ(ra[i], rb[i]) << i;
}

}  // namespace
