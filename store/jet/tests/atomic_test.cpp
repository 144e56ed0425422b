// A statement reaches the file whole or not at all: stop the commit at every
// step in turn and check that the file opens with the old or the new rows.
#include "support.h"

using jet4::Database;
using jet4::Error;

namespace {

std::vector<jet4::Row> rows_of(const std::string& f) { return Database::open(f)->rows(u"弹窗拦截"); }

TEST(JetAtomic, KillAtEveryStepLeavesOldOrNew) {
    jet4::testing::set_flush(true);
    std::string base = jt::scratch("atomic-base.mdb");
    jt::write_file(base, jet4::create_rule_database_template());
    {
        auto db = Database::open(base, Database::Mode::ReadWrite);
        // Enough rows that the next insert splits the key leaf (many pages change).
        for (int i = 0; i < 401; ++i)
            jet4::execute(*db, u"insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('t','c','0 x 0','关闭','p')");
    }
    const std::vector<std::u16string> statements = {
        u"insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('新','c','0 x 0','关闭','p')",
        u"update 弹窗拦截 set 窗口标题='" + std::u16string(250, u'长') + u"' where 编号序列=7",
        u"delete from 弹窗拦截 where 编号序列=1",
    };
    for (auto& st : statements) {
        SCOPED_TRACE(jt::u8(st).substr(0, 60));
        const auto old_rows = rows_of(base);
        std::vector<jet4::Row> new_rows;
        {
            std::string f = jt::copy_to_scratch(base, "atomic-new.mdb");
            auto db = Database::open(f, Database::Mode::ReadWrite);
            jet4::execute(*db, st);
            new_rows = db->rows(u"弹窗拦截");
        }
        ASSERT_NE(old_rows, new_rows);
        int saw_old = 0, saw_new = 0;
        for (int step = 1;; ++step) {
            std::string f = jt::copy_to_scratch(base, "atomic.mdb");
            bool died = false;
            {
                auto db = Database::open(f, Database::Mode::ReadWrite);
                jet4::testing::set_fault_point(step);
                try { jet4::execute(*db, st); }
                catch (const Error& e) {
                    ASSERT_EQ(int(e.code), int(Error::Code::Injected)) << e.what();
                    died = true;
                }
                jet4::testing::set_fault_point(0);
                if (died) {
                    // A reader that opens the file before any recovery sees the old rows.
                    EXPECT_EQ(Database::open(f)->rows(u"弹窗拦截"), old_rows) << "step " << step;
                }
            }
            {
                auto db = Database::open(f, Database::Mode::ReadWrite);  // recovers
                auto rows = db->rows(u"弹窗拦截");
                bool is_old = rows == old_rows, is_new = rows == new_rows;
                EXPECT_TRUE(is_old || is_new) << "step " << step;
                saw_old += is_old;
                saw_new += is_new;
                EXPECT_TRUE(db->check().empty()) << "step " << step;
            }
            if (!died) break;
            ASSERT_LT(step, 200);
        }
        EXPECT_GT(saw_old, 0);
        EXPECT_GT(saw_new, 0);
        // Move on from the committed state.
        auto db = Database::open(base, Database::Mode::ReadWrite);
        jet4::execute(*db, st);
    }
}

TEST(JetAtomic, SecondWriterIsRefusedNotRacing) {
    std::string f = jt::scratch("locked.mdb");
    jt::write_file(f, jet4::create_rule_database_template());
    auto first = Database::open(f, Database::Mode::ReadWrite);
    try {
        Database::open(f, Database::Mode::ReadWrite);
        ADD_FAILURE() << "second writer opened the file";
    } catch (const Error& e) {
        EXPECT_EQ(int(e.code), int(Error::Code::Locked)) << e.what();
    }
    // Readers are still welcome.
    EXPECT_TRUE(Database::open(f)->check().empty());
}

}  // namespace
