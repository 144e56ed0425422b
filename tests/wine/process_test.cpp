// Leftover processes as a user meets them: qvk.exe against real processes, copies of testwin.exe
// started under leftover names, with the process rules written into the rule file before the
// program starts. The monitor is started by the list menus' command ids (Wine cannot open another
// process's menu); the settings keep it off at start-up so that each test decides when it runs.
#include "driver.h"

#include <algorithm>

#include "app/control_ids.h"
#include "process/process_menus.h"

namespace qvk::wine {
namespace {

constexpr const char kLeftoverFolder[] = "D:\\残留\\";
constexpr const char kNotRunning[] = "程序未运行或已被关闭";

struct ProcessRuleRow {
  std::string main_name, rule_text;
};

// The rule file with these process rules, made by the engine's own tool.
void write_process_rules(const std::vector<ProcessRuleRow>& rules) {
  ASSERT_TRUE(make_dirs("D:\\软件配置\\岚窗精灵"));
  remove_tree(kRuleDatabase);
  run_qvkdb({"create", kRuleDatabase});
  for (const ProcessRuleRow& r : rules) {
    run_qvkdb({"exec", kRuleDatabase,
           "insert into 进程列表(主程序名,进程名称,规则文本,文件路径) values ('主程序'," + sql_text(r.main_name) +
               "," + sql_text(r.rule_text) + ",'C:\\main.exe')"});
  }
}

// The entries that start with `action`, in order.
std::vector<std::string> entries_of(HWND main, const std::string& action) {
  std::vector<std::string> found;
  for (const std::string& e : log_entries(main)) {
    if (e.rfind(action, 0) == 0) found.push_back(e);
  }
  return found;
}

std::string joined(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& e : entries) text += "[" + e + "]\n";
  return text;
}

bool same_path(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

class LeftoverProcesses : public WineTest {
 protected:
  void SetUp() override {
    WineTest::SetUp();
    end_leftovers();
    remove_tree("D:\\残留");
    ASSERT_TRUE(make_dirs("D:\\残留"));
  }
  void TearDown() override { end_leftovers(); }
  void end_leftovers() {
    for (const char* name : {"leftover.exe", "更新助手.exe", "主程序.exe", "later.exe"}) kill_processes(name);
  }

  // A copy of testwin.exe named `name` in D:\残留\, running with one hidden window.
  Process start_leftover(const std::string& name) {
    const std::string path = kLeftoverFolder + name;
    if (!file_exists(path)) {
      EXPECT_TRUE(CopyFileA((program_dir() + "testwin.exe").c_str(), path.c_str(), FALSE)) << path;
    }
    Process process = launch(path, {"QvkLeftover", name, "120x60", "hidden"});
    EXPECT_TRUE(process) << path;
    EXPECT_NE(wait_window("QvkLeftover", name.c_str(), process.pid()), nullptr) << name << " shows no window";
    return process;
  }

  // Starts qvk.exe with these rules and the process monitor off until a test starts it.
  void start(const std::vector<ProcessRuleRow>& rules) {
    write_settings("D:\\", {"进程终结=假", "弹窗拦截=假"});
    write_process_rules(rules);
    qvk_ = start_qvk();
    ASSERT_NE(qvk_.main, nullptr);
    ASSERT_TRUE(wait_until([&] { return list_view_count(list(ids::kProcessList)) == static_cast<int>(rules.size()); }))
        << "the rules did not reach 进程列表";
  }
  HWND list(int id) { return find_control(qvk_.main, id); }
  std::vector<std::vector<std::string>> leftover_rows() { return list_view_rows(list(ids::kLeftoverList)); }
  void command(int id) { post_command(qvk_.main, id); }
  // Waits until the log holds `count` entries that start with `action`.
  bool wait_entries(const std::string& action, size_t count, Millis timeout = kWaitTimeout) {
    return wait_until([&] { return entries_of(qvk_.main, action).size() >= count; }, timeout);
  }

  Qvk qvk_;
};

TEST_F(LeftoverProcesses, LeftoversOfAnAbsentMainProgramEndOnePerNameAndTick) {
  Process updater = start_leftover("更新助手.exe");
  Process first = start_leftover("leftover.exe");
  Process second = start_leftover("leftover.exe");
  start({{"absent.exe", "更新：更新助手.exe*残留：leftover.exe*"}});

  // The start-up pass fills the list also while the monitor is off, and ends nothing.
  using Rows = std::vector<std::vector<std::string>>;
  const Rows found = leftover_rows();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0][0], "1");
  EXPECT_EQ(found[0][1], "更新");
  EXPECT_EQ(found[0][2], "更新助手.exe");
  EXPECT_EQ(found[0][3], "absent.exe");
  EXPECT_TRUE(same_path(found[0][4], "D:\\残留\\更新助手.exe")) << found[0][4];
  EXPECT_EQ(found[1][1], "残留");
  EXPECT_TRUE(same_path(found[1][4], "D:\\残留\\leftover.exe")) << found[1][4];
  select_tab(find_control(qvk_.main, ids::kTab), 2);
  screenshot("LeftoverProcesses.found-before-monitoring");
  EXPECT_TRUE(updater.running() && first.running() && second.running());
  EXPECT_TRUE(entries_of(qvk_.main, "     终结进程 ").empty());

  command(ids::kCmdOpenProcessMonitor);  // 打开监控: every 1000 ms
  ASSERT_TRUE(wait_until([&] { return !updater.running() && !first.running() && !second.running(); }, 10s))
      << joined(log_entries(qvk_.main));
  // Each ended with exit code 0; the two of one name on two ticks, the first of them first.
  EXPECT_EQ(updater.wait_exit(), 0u);
  EXPECT_EQ(first.wait_exit(), 0u);
  EXPECT_EQ(second.wait_exit(), 0u);
  EXPECT_EQ(entries_of(qvk_.main, "     终结进程 "),
            (std::vector<std::string>{"     终结进程 更新", "     终结进程 残留", "     终结进程 残留"}));
  EXPECT_TRUE(wait_until([&] {
    const Rows rows = leftover_rows();
    return rows.size() == 2 && rows[0][4] == kNotRunning && rows[1][4] == kNotRunning;
  })) << "the list still shows the ended processes";
  screenshot("LeftoverProcesses.ended");
  EXPECT_TRUE(qvk_.process.running());
}

TEST_F(LeftoverProcesses, WhileTheMainProgramRunsItsLeftoversStay) {
  Process main_program = start_leftover("主程序.exe");
  Process leftover = start_leftover("leftover.exe");
  start({{"主程序.EXE", "残留：leftover.exe*后来：later.exe"}});
  command(ids::kCmdOpenProcessMonitor);
  ASSERT_TRUE(wait_entries("     监控进程 开启", 1));

  // A leftover that starts now shows on a later tick: the monitor has looked at it.
  Process later = start_leftover("later.exe");
  ASSERT_TRUE(wait_until([&] {
    auto rows = leftover_rows();
    return rows.size() == 2 && same_path(rows[1][4], "D:\\残留\\later.exe");
  })) << "no tick rebuilt the list";
  EXPECT_TRUE(leftover.running());
  EXPECT_TRUE(later.running());
  EXPECT_TRUE(entries_of(qvk_.main, "     终结进程 ").empty()) << joined(log_entries(qvk_.main));

  // Once the main program is gone, the next tick ends both.
  main_program.kill();
  EXPECT_TRUE(wait_until([&] { return !leftover.running() && !later.running(); }, 10s))
      << joined(log_entries(qvk_.main));
  EXPECT_EQ(entries_of(qvk_.main, "     终结进程 "),
            (std::vector<std::string>{"     终结进程 残留", "     终结进程 后来"}));
}

TEST_F(LeftoverProcesses, AfterStopTheListIsStillRebuiltAndNothingEnds) {
  start({{"absent.exe", "后来：later.exe"}});
  const size_t stops = entries_of(qvk_.main, "     监控进程 关闭").size();
  command(ids::kCmdStartProcessMonitor);  // 开始监控: 3000 ms
  command(ids::kCmdStopProcessMonitor);
  ASSERT_TRUE(wait_entries("     监控进程 关闭", stops + 1)) << joined(log_entries(qvk_.main));
  using Rows = std::vector<std::vector<std::string>>;
  EXPECT_EQ(leftover_rows(), (Rows{{"1", "后来", "later.exe", "absent.exe", kNotRunning}}));

  Process later = start_leftover("later.exe");
  ASSERT_TRUE(wait_until([&] {
    auto rows = leftover_rows();
    return rows.size() == 1 && same_path(rows[0][4], "D:\\残留\\later.exe");
  }, 10s))
      << "the timer stopped rebuilding the list";
  EXPECT_TRUE(later.running());
  EXPECT_TRUE(entries_of(qvk_.main, "     终结进程 ").empty()) << joined(log_entries(qvk_.main));
}

TEST_F(LeftoverProcesses, NeverEndsTheSystemsServicesOrItself) {
  const std::vector<DWORD> services_before = process_ids("services.exe");
  ASSERT_FALSE(services_before.empty()) << "Wine runs no services.exe here";
  Process leftover = start_leftover("leftover.exe");
  start({{"absent.exe", "服务：services.exe*自己：qvk.exe*残留：leftover.exe"}});
  command(ids::kCmdOpenProcessMonitor);
  // The ordinary leftover ends, so a tick with the monitor on has passed the other two.
  ASSERT_TRUE(wait_until([&] { return !leftover.running(); }, 10s)) << joined(log_entries(qvk_.main));
  wait_until([] { return false; }, 1500ms);  // one tick more

  EXPECT_EQ(process_ids("services.exe"), services_before);
  EXPECT_TRUE(qvk_.process.running());
  EXPECT_EQ(entries_of(qvk_.main, "     终结进程 "), (std::vector<std::string>{"     终结进程 残留"}));
  auto rows = leftover_rows();
  ASSERT_EQ(rows.size(), 3u);
  char system_folder[MAX_PATH] = {};
  GetSystemDirectoryA(system_folder, sizeof system_folder);
  EXPECT_TRUE(same_path(rows[0][4], std::string(system_folder) + "\\services.exe")) << rows[0][4];
  EXPECT_TRUE(same_path(rows[1][4], qvk_exe())) << rows[1][4];
}

TEST_F(LeftoverProcesses, CommandsWithoutASelectedRow) {
  start({});
  command(ids::kCmdStartProcessMonitor);
  command(ids::kCmdOpenProcessMonitor);
  ASSERT_TRUE(wait_entries("     监控进程 开启", 2)) << joined(log_entries(qvk_.main));
  // 结束进程 logs an empty name and ends nothing; 文件定位 logs the empty path of no row.
  command(ids::kCmdEndMainProgram);
  command(ids::kCmdLocateLeftoverFile);
  ASSERT_TRUE(wait_entries("     进程监控定位文件 ", 1)) << joined(log_entries(qvk_.main));
  const auto entries = log_entries(qvk_.main);
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(entries.end() - 2, entries.end()),
            (std::vector<std::string>{"     主动结束进程 ", "     进程监控定位文件 "}));
  // 添加数据, 修改信息: the process rule editor is not built yet, so they change nothing.
  const auto before = log_entries(qvk_.main);
  command(ids::kCmdAddProcessRule);
  command(ids::kCmdChangeProcessRule);
  wait_until([] { return false; }, 500ms);
  EXPECT_EQ(log_entries(qvk_.main), before);
  EXPECT_TRUE(qvk_.process.running());
}

}  // namespace
}  // namespace qvk::wine
