// The rule file as a user meets it: created on the first start, its rules shown in the two
// lists, a broken file reported, an existing file never rewritten. Rule files are made with the
// engine's own tool, qvkdb.exe, built beside qvk.exe.
#include "driver.h"

#include "app/control_ids.h"
#include "popup/popup_monitor.h"
#include "process/process_menus.h"

namespace qvk::wine {
namespace {

std::string template_bytes() {
  const std::string path = "D:\\template.mdb";
  remove_tree(path);
  run_qvkdb({"create", path});
  return read_file(path).value_or("");
}

class RuleFile : public WineTest {
 protected:
  HWND control(HWND main, int id) {
    HWND found = find_control(main, id);
    EXPECT_NE(found, nullptr) << "no control with id " << id;
    return found;
  }
};

TEST_F(RuleFile, FirstStartCreatesTheFoldersAndTheTemplateAndShowsNoRules) {
  const std::string expected = template_bytes();
  ASSERT_GT(expected.size(), 4096u * 4);
  Qvk qvk = start_qvk();
  ASSERT_NE(qvk.main, nullptr);
  EXPECT_TRUE(is_directory("D:\\软件配置\\岚窗精灵"));
  EXPECT_EQ(read_file(kRuleDatabase).value_or(""), expected) << "not the template, byte for byte";
  EXPECT_EQ(list_view_count(control(qvk.main, ids::kPopupList)), 0);
  EXPECT_EQ(list_view_count(control(qvk.main, ids::kProcessList)), 0);
  auto status = status_bar_texts(control(qvk.main, ids::kStatusBar));
  ASSERT_EQ(status.size(), 7u);
  EXPECT_EQ(status[1], "弹窗规则：0");
  EXPECT_EQ(status[4], "程序列表：0");
}

TEST_F(RuleFile, RulesOfTheFileShowWithRowNumbersIdsAndFileDescriptions) {
  make_dirs("D:\\软件配置\\岚窗精灵");
  run_qvkdb({"create", kRuleDatabase});
  const std::string verinfo = program_dir() + "verinfo.exe";
  run_qvkdb({"exec", kRuleDatabase,
         "insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('Tom''s 更新','TUpd','400 x 300','关闭','" +
             verinfo + "')"});
  run_qvkdb({"exec", kRuleDatabase,
         "insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('广告','','0 x 0','隐藏','C:\\无此文件.exe')"});
  run_qvkdb({"exec", kRuleDatabase, "delete from 弹窗拦截 where 编号序列=1"});
  run_qvkdb({"exec", kRuleDatabase,
         "insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('Tom''s 更新','TUpd','400 x 300','关闭','" +
             verinfo + "')"});
  run_qvkdb({"exec", kRuleDatabase,
         "insert into 进程列表(主程序名,进程名称,规则文本,文件路径) values ('主程序','main.exe','助手：helper.exe*更新：upd.exe','C:\\main.exe')"});
  const std::string before = read_file(kRuleDatabase).value_or("");

  Qvk qvk = start_qvk();
  ASSERT_NE(qvk.main, nullptr);
  using Rows = std::vector<std::vector<std::string>>;
  EXPECT_EQ(list_view_rows(control(qvk.main, ids::kPopupList)),
            (Rows{{"1", "广告", "", "0 x 0", "隐藏", "", "C:\\无此文件.exe", "2"},
                  {"2", "Tom's 更新", "TUpd", "400 x 300", "关闭", "广告弹窗测试程序", verinfo, "3"}}));
  EXPECT_EQ(list_view_rows(control(qvk.main, ids::kProcessList)),
            (Rows{{"1", "主程序", "main.exe", "助手：helper.exe*更新：upd.exe", "C:\\main.exe", "1"}}));
  auto status = status_bar_texts(control(qvk.main, ids::kStatusBar));
  EXPECT_EQ(status[1], "弹窗规则：2");
  EXPECT_EQ(status[4], "程序列表：1");
  if (under_harness()) screenshot("rule-lists");
  EXPECT_EQ(read_file(kRuleDatabase).value_or(""), before) << "loading changed the file";
}

TEST_F(RuleFile, AFileThatIsNoDatabaseIsReportedAndLeftAsItIs) {
  make_dirs("D:\\软件配置\\岚窗精灵");
  const std::string garbage(5000, 'x');
  ASSERT_TRUE(write_file(kRuleDatabase, garbage));
  Process qvk = launch_qvk();
  HWND box = wait_message_box(qvk.pid(), kStartTimeout);
  ASSERT_NE(box, nullptr) << "no message about the broken file";
  EXPECT_EQ(message_box_text(box), "数据库连接失败");
  answer_message_box(box, IDOK);
  HWND main = wait_main_window(qvk.pid());
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(wait_until([&] { return IsWindowVisible(main) != FALSE; }, kStartTimeout)) << "did not run on";
  EXPECT_EQ(list_view_count(control(main, ids::kPopupList)), 0);
  EXPECT_EQ(read_file(kRuleDatabase).value_or(""), garbage);
}

TEST_F(RuleFile, TheListMenusDeleteTheSelectedRuleAndClearAllAfterAYes) {
  make_dirs("D:\\软件配置\\岚窗精灵");
  run_qvkdb({"create", kRuleDatabase});
  for (const char* title : {"甲", "乙", "丙"}) {
    run_qvkdb({"exec", kRuleDatabase,
               std::string("insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('") + title +
                   "','NoSuchClass','1 x 1','关闭','')"});
  }
  for (const char* name : {"a.exe", "b.exe"}) {
    run_qvkdb({"exec", kRuleDatabase,
               std::string("insert into 进程列表(主程序名,进程名称,规则文本,文件路径) values ('主','") + name +
                   "','x：y.exe','')"});
  }
  Qvk qvk = start_qvk();
  ASSERT_NE(qvk.main, nullptr);
  HWND popups = control(qvk.main, ids::kPopupList);
  HWND processes = control(qvk.main, ids::kProcessList);
  ASSERT_EQ(list_view_count(popups), 3);

  // 删除规则 deletes the selected rule without a question; the list is numbered anew.
  ASSERT_TRUE(select_list_row(popups, 1));
  post_command(qvk.main, popup_menu::kDeleteRule);
  ASSERT_TRUE(wait_until([&] { return list_view_count(popups) == 2; }));
  EXPECT_EQ(wait_message_box(qvk.process.pid(), 300ms), nullptr);
  EXPECT_EQ(list_view_rows(popups)[1][0], "2");
  EXPECT_EQ(list_view_rows(popups)[1][1], "丙");
  EXPECT_EQ(list_view_rows(popups)[1][7], "3");

  // Nothing is selected after the reload: the statement is refused and reported.
  post_command(qvk.main, popup_menu::kDeleteRule);
  HWND box = wait_message_box(qvk.process.pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(message_box_text(box), "删除数据失败");
  answer_message_box(box, IDOK);

  // 清空规则 asks first; No keeps every rule, Yes deletes them all.
  for (int answer : {IDNO, IDYES}) {
    post_command(qvk.main, popup_menu::kClearRules);
    box = wait_message_box(qvk.process.pid());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_box_text(box), "是否删除全部数据，请确认当前操作");
    answer_message_box(box, answer);
    wait_idle(qvk.process, qvk.main);
  }
  ASSERT_TRUE(wait_until([&] { return list_view_count(popups) == 0; }));
  EXPECT_EQ(status_bar_texts(control(qvk.main, ids::kStatusBar))[1], "弹窗规则：0");

  // 删除选中 on 进程列表 does the same for process rules.
  ASSERT_TRUE(select_list_row(processes, 0));
  post_command(qvk.main, ids::kCmdDeleteProcessRule);
  ASSERT_TRUE(wait_until([&] { return list_view_count(processes) == 1; }));
  EXPECT_EQ(list_view_text(processes, 0, 2), "b.exe");

  // What the lists show is what the file holds: a new start reads the same.
  qvk.process.kill();
  Qvk again = start_qvk();
  ASSERT_NE(again.main, nullptr);
  EXPECT_EQ(list_view_count(control(again.main, ids::kPopupList)), 0);
  EXPECT_EQ(list_view_count(control(again.main, ids::kProcessList)), 1);
}

}  // namespace
}  // namespace qvk::wine
