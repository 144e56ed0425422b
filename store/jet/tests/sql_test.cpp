// The statement layer and the qvkdb tool, run on the rule template.
#include "support.h"

using jet4::Database;
using jet4::Error;

namespace {

const char16_t* kInsert = u"insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('a','b','c','d','e')";

struct Outcome { bool ok; uint32_t changed; Error::Code code; };

TEST(JetSql, StatementsThePopupAndProcessListsBuild) {
    std::string f = jt::scratch("sql.mdb");
    jt::write_file(f, jet4::create_rule_database_template());
    auto db = Database::open(f, Database::Mode::ReadWrite);
    jet4::execute(*db, kInsert);
    jet4::execute(*db, kInsert);
    jet4::execute(*db, u"insert into 进程列表(主程序名,进程名称,规则文本,文件路径) values ('未知标题','x.exe','a*b','未知路径')");
    std::u16string long256(256, u'长'), long255(255, u'长');
    struct Case { std::u16string sql; Outcome want; };
    std::vector<Case> cases = {
        {u"update 弹窗拦截 set 窗口标题='it''s',窗口类名='b',窗口大小='0 x 0',拦截方式='关闭',弹窗来源='' where 编号序列=1", {true, 1, {}}},
        {u"UPDATE 弹窗拦截 SET 窗口标题='x' WHERE 编号序列=2;", {true, 1, {}}},
        {u"update 进程列表 set 主程序名='p',进程名称='q',规则文本='r',文件路径='s' where 编号序列=1", {true, 1, {}}},
        {u"delete from 弹窗拦截 where 编号序列=77", {true, 0, {}}},                        // no such id
        {u"delete from 弹窗拦截 where 编号序列=", {false, 0, Error::Code::Syntax}},         // no row selected
        {u"update 弹窗拦截 set 窗口标题='a' where 编号序列=", {false, 0, Error::Code::Syntax}},
        {u"insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('it's','b','c','d','e')", {false, 0, Error::Code::Syntax}},
        {u"insert into 弹窗拦截(窗口标题) values ('a'); delete from 弹窗拦截 where 编号序列=1", {false, 0, Error::Code::Syntax}},
        {u"update 弹窗拦截 set 窗口标题='" + long256 + u"' where 编号序列=1", {false, 0, Error::Code::Value}},
        {u"insert into 弹窗拦截(窗口标题) values ('" + long256 + u"')", {false, 0, Error::Code::Value}},
        {u"update 弹窗拦截 set 窗口标题='" + long255 + u"' where 编号序列=2", {true, 1, {}}},
        {u"insert into 弹窗拦截(编号序列) values ('5')", {false, 0, Error::Code::Unsupported}},
        {u"insert into 弹窗拦截(窗口标题,窗口类名) values ('a')", {false, 0, Error::Code::Syntax}},
        {u"insert into 弹窗拦截(没有这列) values ('a')", {false, 0, Error::Code::NotFound}},
        {u"delete from 没有这表 where 编号序列=1", {false, 0, Error::Code::NotFound}},
        {u"drop table 弹窗拦截", {false, 0, Error::Code::Syntax}},
        {u"delete from 弹窗拦截 where 编号序列=1 or 1=1", {false, 0, Error::Code::Syntax}},
        {u"delete from 弹窗拦截 where 编号序列=12abc", {false, 0, Error::Code::Syntax}},
        {u"insert into 弹窗拦截(窗口标题) values ('only')", {true, 1, {}}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(jt::u8(c.sql).substr(0, 120));
        auto before = db->image();
        try {
            auto r = jet4::execute(*db, c.sql);
            EXPECT_TRUE(c.want.ok) << "accepted";
            EXPECT_EQ(r.changed, c.want.changed);
        } catch (const Error& e) {
            EXPECT_FALSE(c.want.ok) << "refused: " << e.what();
            EXPECT_EQ(int(e.code), int(c.want.code)) << e.what();
            EXPECT_EQ(db->image(), before) << "a refused statement changed the file";
            EXPECT_EQ(jt::read_file(f), before);
        }
    }
    auto sel = jet4::execute(*db, u"select * from 弹窗拦截");
    ASSERT_TRUE(sel.is_select);
    ASSERT_EQ(sel.rows.size(), 3u);
    EXPECT_EQ(sel.columns[0].name, u"编号序列");
    EXPECT_EQ(sel.rows[0][1].text, u"it's");   // '' is one quote
    EXPECT_EQ(sel.rows[0][5].text, u"");       // zero-length, not NULL
    EXPECT_FALSE(sel.rows[0][5].is_null());
    EXPECT_EQ(sel.rows[1][1].text, long255);
    EXPECT_EQ(sel.rows[1][2].text, u"b");
    EXPECT_EQ(sel.rows[2][0].i, 3);
    EXPECT_TRUE(sel.rows[2][2].is_null());     // never set
    auto p = jet4::execute(*db, u"SELECT * FROM 进程列表");
    ASSERT_EQ(p.rows.size(), 1u);
    EXPECT_EQ(jet4::value_to_text(p.rows[0][0]), "1");
    EXPECT_EQ(p.rows[0][4].text, u"s");
    EXPECT_TRUE(db->check().empty());
}

TEST(JetSql, AsciiNamesMatchWithoutCase) {
    JET_NEED_FIXTURES();
    std::string f = jt::copy_to_scratch(jt::fixtures() + "/delTestV2003.mdb", "case.mdb");
    auto db = Database::open(f, Database::Mode::ReadWrite);
    size_t n = db->rows(u"Table").size();
    jet4::execute(*db, u"INSERT INTO table(A,B) VALUES ('x','y')");
    EXPECT_EQ(jet4::execute(*db, u"select * from [TABLE]").rows.size(), n + 1);
}

TEST(JetTool, CommandsPrintUtf8AndFailLoudly) {
    std::string q = JET4_QVKDB;
    std::string f = jt::scratch("tool.mdb");
    int rc = -1;
    jt::run("'" + q + "' create '" + f + "'", &rc);
    EXPECT_EQ(rc, 0);
    jt::run("'" + q + "' create '" + f + "' 2>/dev/null", &rc);
    EXPECT_NE(rc, 0) << "create must not overwrite";
    EXPECT_EQ(jt::run("'" + q + "' tables '" + f + "'", &rc), "弹窗拦截\n进程列表\n");
    EXPECT_EQ(jt::run("'" + q + "' exec '" + f + "' \"insert into 进程列表(主程序名,进程名称,规则文本,文件路径) values ('甲','乙','丙','丁')\"", &rc), "1\n");
    EXPECT_EQ(jt::run("'" + q + "' exec '" + f + "' 'select * from 进程列表'", &rc),
              "编号序列\t主程序名\t进程名称\t规则文本\t文件路径\n1\t甲\t乙\t丙\t丁\n");
    EXPECT_EQ(jt::run("'" + q + "' export --json '" + f + "' 进程列表", &rc),
              "{\"编号序列\":1,\"主程序名\":\"甲\",\"进程名称\":\"乙\",\"规则文本\":\"丙\",\"文件路径\":\"丁\"}\n");
    EXPECT_EQ(jt::run("'" + q + "' check '" + f + "'", &rc), "ok\n");
    EXPECT_EQ(rc, 0);
    std::string err = jt::run("'" + q + "' exec '" + f + "' 'delete from 进程列表 where 编号序列=' 2>&1 >/dev/null", &rc);
    EXPECT_NE(rc, 0);
    EXPECT_NE(err.find("qvkdb:"), std::string::npos);
    // A damaged file: check lists the problem and fails.
    auto img = jt::read_file(f);
    img[16 * 4096 + 16] += 3;  // first user table's row count
    jt::write_file(f, img);
    std::string out = jt::run("'" + q + "' check '" + f + "'", &rc);
    EXPECT_NE(rc, 0);
    EXPECT_NE(out.find("row count"), std::string::npos) << out;
}

}  // namespace
