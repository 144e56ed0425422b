#include <gtest/gtest.h>

#include "process/termination_pass.h"
#include "process/tests/pass_fixture.h"

namespace qvk {
namespace {

using testing_support::ProcessContext;
using Rows = std::vector<std::vector<std::string>>;
using Lines = std::vector<std::string>;

// Every behaviour holds for both ways of answering the lookups: the pass's one snapshot must show
// the user exactly what a fresh snapshot per lookup shows.
class TerminationPass : public testing::TestWithParam<SnapshotUse>, public ProcessContext {
 protected:
  void SetUp() override {
    desktop.own_process_id = 2;
    desktop.add_process(2, "qvk.exe");
    state.ProcessMonitorState = "监控中";
  }
  void run_pass() { ProcessTerminationPass(context, GetParam())(); }
  void add_process(ProcessId id, std::string name, std::string path) {
    desktop.add_process(id, name);
    desktop.module_paths[id] = std::move(path);
  }
};

TEST_P(TerminationPass, RowsAreRebuiltFromTheRulesOnEveryTick) {
  run_pass();
  EXPECT_TRUE(lists.leftover.rows().empty()) << "no rules, no rows";

  add_process(10, "Updater.exe", "D:\\软件\\Updater.exe");
  add_rule("Main.EXE", "更新：UPDATER.EXE*托盘：tray.exe*");
  add_rule("empty.exe", "");
  add_rule("", "*乙：b.exe");
  state.ProcessMonitorState = "未监控";
  run_pass();
  const Rows expected = {
      {"1", "更新", "UPDATER.EXE", "Main.EXE", "D:\\软件\\Updater.exe"},
      {"2", "托盘", "tray.exe", "Main.EXE", "程序未运行或已被关闭"},
      {"3", "", "", "", "程序未运行或已被关闭"},
      {"4", "乙", "b.exe", "", "程序未运行或已被关闭"},
  };
  EXPECT_EQ(leftover_rows(), expected);

  // The next tick writes every row again: a changed rule shows, an ended process is gone.
  lists.process.replace_all({{"标题", "Main.EXE", "更新：updater.exe", "", "1"}});
  desktop.processes.pop_back();
  run_pass();
  EXPECT_EQ(leftover_rows(), (Rows{{"1", "更新", "updater.exe", "Main.EXE", "程序未运行或已被关闭"}}));
}

TEST_P(TerminationPass, EndsNothingUnlessTheStateIsExactlyMonitoring) {
  add_process(10, "updater.exe", "D:\\u.exe");
  add_rule("main.exe", "更新：updater.exe");
  for (const char* off : {"未监控", "", "监控中 "}) {
    state.ProcessMonitorState = off;
    run_pass();
    EXPECT_EQ(leftover_rows(), (Rows{{"1", "更新", "updater.exe", "main.exe", "D:\\u.exe"}})) << off;
  }
  EXPECT_TRUE(desktop.termination_attempts.empty());
  EXPECT_EQ(state.TerminatedCount, "0");
  EXPECT_TRUE(log.lines.empty());
}

TEST_P(TerminationPass, ARunningMainProgramKeepsItsLeftoversOnly) {
  add_process(10, "main.exe", "D:\\main.exe");
  add_process(11, "updater.exe", "D:\\u.exe");
  add_process(12, "helper.exe", "D:\\h.exe");
  add_rule("MAIN.exe", "更新：updater.exe");
  add_rule("gone.exe", "助手：helper.exe");
  run_pass();
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{12}));
  EXPECT_EQ(state.TerminatedCount, "1");
  EXPECT_EQ(log.actions(), (Lines{"     终结进程 助手"}));
  // The row shows the path the process had when it was found.
  EXPECT_EQ(leftover_rows()[1], (std::vector<std::string>{"2", "助手", "helper.exe", "gone.exe", "D:\\h.exe"}));
}

TEST_P(TerminationPass, ThreeLeftoversOfOneNameEndOnePerTick) {
  for (ProcessId id : {30, 31, 32}) add_process(id, "updater.exe", "D:\\u" + std::to_string(id) + ".exe");
  add_rule("", "更新：updater.exe");  // an empty main-program name never runs
  for (int tick = 1; tick <= 4; ++tick) {
    run_pass();
    EXPECT_EQ(state.TerminatedCount, std::to_string(std::min(tick, 3))) << tick;
  }
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{30, 31, 32}));
  EXPECT_EQ(log.actions(), (Lines{"     终结进程 更新", "     终结进程 更新", "     终结进程 更新"}));
  EXPECT_EQ(leftover_rows()[0][4], "程序未运行或已被关闭");
}

TEST_P(TerminationPass, AFailedTerminationIsCountedAndLoggedOnEveryTick) {
  add_process(30, "stuck.exe", "D:\\stuck.exe");
  desktop.terminate_results[30] = false;
  add_rule("main.exe", "卡住：stuck.exe");
  run_pass();
  run_pass();
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{30, 30}));
  EXPECT_EQ(state.TerminatedCount, "2");
  EXPECT_EQ(log.actions(), (Lines{"     终结进程 卡住", "     终结进程 卡住"}));
  EXPECT_EQ(leftover_rows()[0][4], "D:\\stuck.exe");
}

TEST_P(TerminationPass, LogLinesFollowTheRulesAndPiecesInOrder) {
  add_process(30, "a.exe", "D:\\a.exe");
  add_process(31, "b.exe", "D:\\b.exe");
  add_process(32, "c.exe", "D:\\c.exe");
  add_rule("m1.exe", "乙：b.exe*甲：a.exe");
  add_rule("m2.exe", "丙：c.exe");
  run_pass();
  EXPECT_EQ(log.actions(), (Lines{"     终结进程 乙", "     终结进程 甲", "     终结进程 丙"}));
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{31, 30, 32}));
  EXPECT_EQ(state.TerminatedCount, "3");
}

TEST_P(TerminationPass, NeverEndsItselfOrCoreSystemProcesses) {
  add_process(4, "System", "");
  add_process(20, "csrss.exe", "C:\\Windows\\system32\\csrss.exe");
  add_process(21, "lsass.exe", "");  // path unreadable
  add_process(22, "services.exe", "D:\\下载\\services.exe");
  desktop.module_paths[2] = "D:\\qvk.exe";
  add_rule("", "系统：System*会话：CSRSS.EXE*安全：lsass.exe*自己：qvk.exe*假冒：services.exe");
  run_pass();
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{22}));
  EXPECT_EQ(state.TerminatedCount, "1");
  EXPECT_EQ(log.actions(), (Lines{"     终结进程 假冒"}));
  const Rows expected = {
      {"1", "系统", "System", "", "C:\\Windows\\system32\\"},
      {"2", "会话", "CSRSS.EXE", "", "C:\\Windows\\system32\\csrss.exe"},
      {"3", "安全", "lsass.exe", "", ""},
      {"4", "自己", "qvk.exe", "", "D:\\qvk.exe"},
      {"5", "假冒", "services.exe", "", "D:\\下载\\services.exe"},
  };
  EXPECT_EQ(leftover_rows(), expected);
}

TEST_P(TerminationPass, AnEndedProcessIsNotFoundAgainLaterInThePass) {
  add_process(30, "a.exe", "D:\\a.exe");
  add_rule("m1.exe", "甲：a.exe");
  add_rule("m2.exe", "又甲：A.exe");
  run_pass();
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{30}));
  EXPECT_EQ(state.TerminatedCount, "1");
  EXPECT_EQ(leftover_rows()[1], (std::vector<std::string>{"2", "又甲", "A.exe", "m2.exe", "程序未运行或已被关闭"}));
}

TEST_P(TerminationPass, AProcessThatDidNotEndIsFoundAgainLaterInThePass) {
  add_process(30, "a.exe", "D:\\a.exe");
  desktop.terminate_results[30] = false;
  add_rule("m1.exe", "甲：a.exe");
  add_rule("m2.exe", "又甲：a.exe");
  run_pass();
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{30, 30}));
  EXPECT_EQ(state.TerminatedCount, "2");
  EXPECT_EQ(leftover_rows()[1][4], "D:\\a.exe");
}

TEST_P(TerminationPass, AMainProgramEndedAsALeftoverFreesItsOwnLeftovers) {
  add_process(30, "host.exe", "D:\\host.exe");
  add_process(31, "child.exe", "D:\\child.exe");
  add_rule("gone.exe", "宿主：host.exe");
  add_rule("host.exe", "子：child.exe");
  run_pass();
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{30, 31}));
  EXPECT_EQ(log.actions(), (Lines{"     终结进程 宿主", "     终结进程 子"}));
}

TEST_P(TerminationPass, NoProcessListMeansNoProcess) {
  add_process(30, "a.exe", "D:\\a.exe");
  desktop.snapshot_fails = true;
  add_rule("", "甲：a.exe");
  run_pass();
  EXPECT_EQ(leftover_rows(), (Rows{{"1", "甲", "a.exe", "", "程序未运行或已被关闭"}}));
  EXPECT_TRUE(desktop.termination_attempts.empty());
}

INSTANTIATE_TEST_SUITE_P(SnapshotUses, TerminationPass,
                         testing::Values(SnapshotUse::OnePerPass, SnapshotUse::OnePerLookup),
                         [](const testing::TestParamInfo<SnapshotUse>& info) {
                           return info.param == SnapshotUse::OnePerPass ? "OneSnapshotPerPass"
                                                                        : "OneSnapshotPerLookup";
                         });

TEST(TerminationPassCost, OneProcessSnapshotPerPass) {
  ProcessContext c;
  c.state.ProcessMonitorState = "监控中";
  for (ProcessId id = 10; id < 30; ++id) c.desktop.add_process(id, "p" + std::to_string(id) + ".exe");
  c.add_rule("p10.exe", "甲：p11.exe*乙：p12.exe*丙：none.exe");
  c.add_rule("none.exe", "丁：p13.exe*戊：p14.exe");
  ProcessTerminationPass(c.context)();
  EXPECT_EQ(c.desktop.snapshots_taken, 1);
  EXPECT_EQ(c.desktop.termination_attempts, (std::vector<ProcessId>{13, 14}));

  // A path is read once per found process and pass, however many pieces name it.
  c.desktop.module_snapshots_taken = 0;
  c.state.ProcessMonitorState = "未监控";
  c.lists.process.replace_all({{"标题", "a.exe", "甲：p20.exe*乙：P20.EXE", "", "1"}, {"标题", "b.exe", "丙：p20.exe", "", "2"}});
  ProcessTerminationPass(c.context)();
  EXPECT_EQ(c.desktop.module_snapshots_taken, 1);
  EXPECT_EQ(c.desktop.snapshots_taken, 2);

  // Nothing to look up, nothing taken.
  c.lists.process.replace_all({{"标题", "a.exe", "", "", "1"}});
  ProcessTerminationPass(c.context)();
  EXPECT_EQ(c.desktop.snapshots_taken, 2);
}

}  // namespace
}  // namespace qvk
