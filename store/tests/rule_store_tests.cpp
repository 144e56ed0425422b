#include <gtest/gtest.h>

#include "store/tests/fakes.h"

namespace qvk {
namespace {

class NullLog : public MonitorLog {
 public:
  void append_log(const std::string&) override {}
};

class RuleStoreTest : public ::testing::Test {
 protected:
  RuleStoreTest() : store(context(), files, dialogs, [] { return std::vector<std::uint8_t>{1, 2, 3}; }) {
    state.DataRoot = "D:\\";
  }
  AppContext context() { return {state, desktop, log, lists, [this] { ++status_refreshes; }}; }

  // Opens a database whose tables hold the given rows.
  void open_with(std::vector<Record> popup, std::vector<Record> process = {}) {
    files.prepare = [=](FakeConnection& c) {
      c.popup_rows = popup;
      c.process_rows = process;
    };
    store.open_rule_database();
    files.statements.clear();
    dialogs.shown.clear();
  }

  AppState state;
  FakeDesktop desktop;
  NullLog log;
  RuleLists lists;
  FakeFiles files;
  FakeDialogs dialogs;
  int status_refreshes = 0;
  RuleStore store;
};

const Record kAd = {{"编号序列", "7"}, {"窗口标题", "广告"}, {"窗口类名", "AdWnd"}, {"窗口大小", "400 x 300"},
                    {"拦截方式", "关闭"}, {"弹窗来源", "C:\\ad\\ad.exe"}};
const Record kNews = {{"编号序列", "9"}, {"窗口标题", "新闻"}, {"窗口大小", "0 x 0"}, {"拦截方式", "隐藏"}};

TEST_F(RuleStoreTest, FirstStartCreatesFoldersOneLevelAtATimeAndTheFileThenLoads) {
  store.ensure_rule_database();
  EXPECT_EQ(files.created, (std::vector<std::string>{"D:\\软件配置", "D:\\软件配置\\岚窗精灵"}));
  EXPECT_TRUE(files.files.count("D:\\软件配置\\岚窗精灵\\岚窗数据库.mdb"));
  EXPECT_TRUE(store.connected());
  EXPECT_EQ(files.connection->queries, 2);
  EXPECT_EQ(status_refreshes, 2);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RuleStoreTest, ExistingFileIsNeitherRewrittenNorExamined) {
  files.directories = {"D:\\软件配置"};
  files.files = {"D:\\软件配置\\岚窗精灵\\岚窗数据库.mdb"};
  files.writes_fail = true;  // any write would fail loudly
  store.ensure_rule_database();
  EXPECT_EQ(files.created, (std::vector<std::string>{"D:\\软件配置\\岚窗精灵"}));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(store.connected());
}

TEST_F(RuleStoreTest, FailuresToCreateOrConnectAreReportedAndLeaveTheListsEmpty) {
  struct Case {
    bool writes_fail, open_fails;
    std::string message;
  } cases[] = {{true, false, "!创建数据库失败"}, {false, true, "!数据库连接失败"}};
  for (const Case& c : cases) {
    FakeFiles f;
    FakeDialogs d;
    f.writes_fail = c.writes_fail;
    f.open_fails = c.open_fails;
    RuleStore s(context(), f, d, [] { return std::vector<std::uint8_t>{}; });
    s.ensure_rule_database();
    EXPECT_EQ(d.shown, std::vector<std::string>{c.message});
    EXPECT_FALSE(s.connected());
    EXPECT_EQ(lists.popup.size(), 0u);
    // Without a connection every statement fails.
    s.delete_selected_rule(RuleList::Popup);
    EXPECT_EQ(d.shown.back(), "!删除数据失败");
  }
}

TEST_F(RuleStoreTest, LoadFillsRowsWithDescriptionsIdsAndEmptyCellsForNulls) {
  files.descriptions["C:\\ad\\ad.exe"] = "广告助手";
  open_with({kAd, kNews});
  ASSERT_EQ(lists.popup.size(), 2u);
  const PopupRule& ad = lists.popup[0];
  EXPECT_EQ(ad.窗口标题, "广告");
  EXPECT_EQ(ad.文件描述, "广告助手");
  EXPECT_EQ(ad.弹窗来源, "C:\\ad\\ad.exe");
  EXPECT_EQ(ad.编号序列, "7");
  EXPECT_EQ(lists.popup[1].窗口类名, "");
  EXPECT_EQ(lists.popup[1].文件描述, "");
}

TEST_F(RuleStoreTest, AQueryThatFailsLeavesTheListClearedNotStale) {
  open_with({kAd});
  files.connection->query_fails = true;
  store.load_popup_rules();
  EXPECT_EQ(lists.popup.size(), 0u);
}

TEST_F(RuleStoreTest, QuotesInValuesAreDoubledSoTheyAreStoredExactly) {
  EXPECT_EQ(quoted("Tom's Updater"), "'Tom''s Updater'");
  EXPECT_EQ(quoted("''"), "''''''");
  EXPECT_EQ(add_popup_rule_statement({"Tom's", "c", "1 x 2", "关闭", ""}),
            "insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('Tom''s','c','1 x 2','关闭','')");
  EXPECT_EQ(change_process_rule_statement({"a", "b.exe", "x：y.exe", "p"}, "12"),
            "update 进程列表 set 主程序名='a',进程名称='b.exe',规则文本='x：y.exe',文件路径='p' where 编号序列=12");
  EXPECT_EQ(delete_rule_statement(RuleList::Popup, ""), "delete from 弹窗拦截 where 编号序列=");
}

TEST_F(RuleStoreTest, AddingAPopupRuleAsksRunsOneStatementAndReloads) {
  open_with({});
  state.EditorMode = "添加";
  struct Case {
    PopupRuleFields fields;
    bool answer;
    std::vector<std::string> statements;
  } cases[] = {
      {{"广告", "", "400 x 300", "关闭", ""}, true,
       {"insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('广告','','400 x 300','关闭','')"}},
      {{"广告", "c", "400 x 300", "关闭", "p"}, false, {}},
      {{"", "c", "400 x 300", "关闭", "p"}, true, {}},  // a required field is empty: nothing asked
      {{"广告", "c", "", "关闭", "p"}, true, {}},
      {{"广告", "c", "1 x 1", "", "p"}, true, {}},
  };
  for (const Case& c : cases) {
    files.statements.clear();
    dialogs.shown.clear();
    dialogs.answers = {c.answer};
    int queries = files.connection->queries;
    store.save_popup_rule(c.fields);
    EXPECT_EQ(files.statements, c.statements);
    bool asked = !dialogs.shown.empty();
    EXPECT_EQ(asked, !c.fields.弹窗窗口标题.empty() && !c.fields.弹窗窗口大小.empty() && !c.fields.关闭隐藏.empty());
    if (asked) EXPECT_EQ(dialogs.shown[0], "?已获取到广告窗口数据，是否添加并拦截此广告？");
    EXPECT_EQ(files.connection->queries - queries, c.statements.empty() ? 0 : 1);
  }
}

TEST_F(RuleStoreTest, ChangingAPopupRuleComparesWithTheSnapshotAndUsesTheSelectedId) {
  open_with({kAd, kNews});
  state.EditorMode = "修改";
  state.PopupEditSnapshot = {"新闻", "", "0 x 0", "", "隐藏"};
  lists.popup.select(1);

  store.save_popup_rule({"新闻", "", "0 x 0", "隐藏", ""});  // nothing differs
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(files.statements.empty());

  store.save_popup_rule({"新闻", "NewsWnd", "0 x 0", "隐藏", ""});
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"?弹窗广告数据已被改动，是否修改并保存？"});
  EXPECT_EQ(files.statements,
            std::vector<std::string>{"update 弹窗拦截 set 窗口标题='新闻',窗口类名='NewsWnd',窗口大小='0 x 0',"
                                     "拦截方式='隐藏',弹窗来源='' where 编号序列=9"});
}

TEST_F(RuleStoreTest, RefusedStatementsBeepAndReportWithoutReloading) {
  open_with({kAd});
  state.EditorMode = "修改";
  state.PopupEditSnapshot = {"广告", "AdWnd", "400 x 300", "C:\\ad\\ad.exe", "关闭"};
  int queries = files.connection->queries;
  store.save_popup_rule({"广告2", "AdWnd", "400 x 300", "关闭", "C:\\ad\\ad.exe"});  // no row selected
  EXPECT_EQ(dialogs.shown,
            (std::vector<std::string>{"?弹窗广告数据已被改动，是否修改并保存？", "beep", "!修改数据失败"}));
  EXPECT_EQ(files.connection->queries, queries);
  EXPECT_EQ(lists.popup.size(), 1u);
}

TEST_F(RuleStoreTest, AddingAProcessRuleFillsUnknownTitleAndPathBeforeAsking) {
  open_with({});
  state.EditorMode = "添加";
  ProcessRuleFields fields{"", "main.exe", "助手：helper.exe", ""};
  dialogs.answers = {false};
  store.save_process_rule(fields);
  EXPECT_EQ(fields.进程窗口标题, "未知标题");
  EXPECT_EQ(fields.进程窗口路径, "未知路径");
  EXPECT_TRUE(files.statements.empty());
  store.save_process_rule(fields);
  EXPECT_EQ(files.statements,
            std::vector<std::string>{"insert into 进程列表(主程序名,进程名称,规则文本,文件路径) values "
                                     "('未知标题','main.exe','助手：helper.exe','未知路径')"});
}

TEST_F(RuleStoreTest, ChangingAProcessRuleFillsNothingIn) {
  open_with({}, {{{"编号序列", "3"}, {"进程名称", "main.exe"}, {"规则文本", "a：b.exe"}}});
  state.EditorMode = "修改";
  state.ProcessEditSnapshot = {"", "main.exe", "", "a：b.exe"};
  lists.process.select(0);
  ProcessRuleFields fields{"", "main.exe", "a：c.exe", ""};
  store.save_process_rule(fields);
  EXPECT_EQ(fields.进程窗口标题, "");
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"?进程数据已被改动，是否修改并保存？"});
  EXPECT_EQ(files.statements, std::vector<std::string>{"update 进程列表 set 主程序名='',进程名称='main.exe',"
                                                       "规则文本='a：c.exe',文件路径='' where 编号序列=3"});
}

TEST_F(RuleStoreTest, DeleteAsksNothingAndClearSendsOneStatementPerShownRowThenOneReload) {
  open_with({kAd, kNews});
  lists.popup.select(0);
  store.delete_selected_rule(RuleList::Popup);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(files.statements, std::vector<std::string>{"delete from 弹窗拦截 where 编号序列=7"});

  files.statements.clear();
  dialogs.answers = {false};
  store.clear_rules(RuleList::Popup);
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"beep", "?是否删除全部数据，请确认当前操作"}));
  EXPECT_TRUE(files.statements.empty());

  files.connection->refused = {"delete from 弹窗拦截 where 编号序列=7"};  // outcomes are ignored
  int queries = files.connection->queries;
  store.clear_rules(RuleList::Popup);
  EXPECT_EQ(files.statements, (std::vector<std::string>{"delete from 弹窗拦截 where 编号序列=7",
                                                        "delete from 弹窗拦截 where 编号序列=9"}));
  EXPECT_EQ(files.connection->queries - queries, 1);
}

}  // namespace
}  // namespace qvk
