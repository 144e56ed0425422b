#include <gtest/gtest.h>

#include "process/process_commands.h"
#include "process/termination_pass.h"
#include "process/tests/pass_fixture.h"

namespace qvk {
namespace {

using testing_support::FakeTimer;
using testing_support::ProcessContext;
using Lines = std::vector<std::string>;

class ProcessCommands : public testing::Test, public ProcessContext {
 protected:
  FakeTimer timer;
};

TEST_F(ProcessCommands, StartAndStopSetTheStateLogAndLeaveTheTimerTicking) {
  start_process_monitor(context, timer, kProcessMonitorPeriodMs);  // 开始监控
  EXPECT_EQ(state.ProcessMonitorState, "监控中");
  EXPECT_EQ(timer.period(), 3000u);
  start_process_monitor(context, timer, kProcessMonitorQuickPeriodMs);  // 打开监控
  EXPECT_EQ(timer.period(), 1000u);
  stop_process_monitor(context);
  stop_process_monitor(context);
  EXPECT_EQ(state.ProcessMonitorState, "未监控");
  EXPECT_EQ(timer.period(), 1000u);
  EXPECT_EQ(log.actions(),
            (Lines{"     监控进程 开启", "     监控进程 开启", "     监控进程 关闭", "     监控进程 关闭"}));
}

TEST_F(ProcessCommands, AfterStopTheTickRebuildsTheListAndEndsNothing) {
  desktop.add_process(10, "updater.exe");
  desktop.module_paths[10] = "D:\\u.exe";
  add_rule("main.exe", "更新：updater.exe");
  start_process_monitor(context, timer, kProcessMonitorPeriodMs);
  stop_process_monitor(context);
  ProcessTerminationPass{context}();
  ASSERT_EQ(lists.leftover.size(), 1u);
  EXPECT_EQ(lists.leftover[0].文件路径, "D:\\u.exe");
  EXPECT_TRUE(desktop.termination_attempts.empty());
  EXPECT_EQ(state.TerminatedCount, "0");
}

TEST_F(ProcessCommands, EndMainProgramLogsTheNameThenEndsTheFirstOfIt) {
  desktop.own_process_id = 2;
  desktop.add_process(2, "qvk.exe");
  desktop.add_process(10, "Main.exe");
  desktop.add_process(11, "main.exe");
  add_rule("MAIN.EXE", "");
  add_rule("qvk.exe", "");

  end_selected_main_program(context);  // no row selected
  EXPECT_TRUE(desktop.termination_attempts.empty());

  lists.process.select(0);
  end_selected_main_program(context);
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{10}));

  lists.process.select(1);  // the program's own process is never ended
  end_selected_main_program(context);
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{10}));
  EXPECT_EQ(log.actions(), (Lines{"     主动结束进程 ", "     主动结束进程 MAIN.EXE", "     主动结束进程 qvk.exe"}));
}

TEST_F(ProcessCommands, OpenRulePathShowsAndLogsEvenAMissingFile) {
  add_rule("main.exe", "", "D:\\不存在\\main.exe");
  lists.process.select(0);
  show_selected_rule_file(context);
  EXPECT_EQ(desktop.shown_files, (Lines{"D:\\不存在\\main.exe"}));
  EXPECT_EQ(log.actions(), (Lines{"     进程监控定位文件 D:\\不存在\\main.exe"}));
}

TEST_F(ProcessCommands, LocateLeftoverFileDoesNothingForAProcessThatDoesNotRun) {
  LeftoverRow absent{"更新", "updater.exe", "main.exe", "程序未运行或已被关闭"};
  show_leftover_file(context, &absent);
  EXPECT_TRUE(desktop.shown_files.empty());
  EXPECT_TRUE(log.lines.empty());

  LeftoverRow running{"更新", "updater.exe", "main.exe", "D:\\软件\\updater.exe"};
  show_leftover_file(context, &running);
  EXPECT_EQ(desktop.shown_files, (Lines{"D:\\软件\\updater.exe"}));
  EXPECT_EQ(log.actions(), (Lines{"     进程监控定位文件 D:\\软件\\updater.exe"}));
}

}  // namespace
}  // namespace qvk
