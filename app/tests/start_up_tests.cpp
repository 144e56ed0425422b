#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/data_root.h"
#include "app/start_up.h"
#include "platform/fake_desktop.h"

namespace qvk {
namespace {

class RecordingSteps : public StartUpSteps {
 public:
  bool first_instance = true;
  bool elevation_needed = false;
  bool elevated_copy_started = true;
  std::vector<std::string> done;

  bool ensure_single_instance() override {
    done.push_back("single-instance");
    return first_instance;
  }
  void choose_data_root() override { done.push_back("data-root"); }
  void load_settings() override { done.push_back("settings"); }
  bool needs_elevated_restart() override { return elevation_needed; }
  bool restart_elevated_and_exit() override {
    done.push_back("elevate");
    return elevated_copy_started;
  }
  void refresh_tray_icon() override { done.push_back("tray"); }
  void ensure_rule_database() override { done.push_back("database"); }
  void run_termination_pass() override { done.push_back("termination-pass"); }
  void refresh_status_bar() override { done.push_back("status-bar"); }
  void apply_start_visibility() override { done.push_back("visibility"); }
};

TEST(StartUp, StepsRunInOrderAndASecondInstanceLeavesNoTrace) {
  const std::vector<std::string> full = {"single-instance", "data-root",        "settings",   "tray",
                                         "database",        "termination-pass", "status-bar", "visibility"};
  std::vector<std::string> declined = full;
  declined.insert(declined.begin() + 3, "elevate");
  struct Case {
    bool first_instance, elevation_needed, elevated_copy_started;
    std::vector<std::string> expected;
  } cases[] = {
      {true, false, true, full},
      {false, false, true, {"single-instance"}},
      {true, true, true, {"single-instance", "data-root", "settings", "elevate"}},
      {true, true, false, declined},  // the elevated copy did not start: run on without it
  };
  for (const Case& c : cases) {
    RecordingSteps steps;
    steps.first_instance = c.first_instance;
    steps.elevation_needed = c.elevation_needed;
    steps.elevated_copy_started = c.elevated_copy_started;
    run_start_up(steps);
    EXPECT_EQ(steps.done, c.expected);
  }
}

TEST(DataRoot, FirstDirectoryAmongDToGElseTheSystemDrive) {
  struct Case {
    std::set<std::string> directories;
    std::string expected;
  } cases[] = {
      {{"D:\\", "E:\\"}, "D:\\"},
      {{"F:\\", "E:\\"}, "E:\\"},
      {{"G:\\"}, "G:\\"},
      {{}, "C:\\"},
      {{"C:\\"}, "C:\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(choose_data_root([&](const std::string& root) { return c.directories.count(root) > 0; }, "C:\\"),
              c.expected);
  }
  EXPECT_EQ(drive_root_of("C:\\Windows"), "C:\\");
  EXPECT_EQ(drive_root_of("x:\\WINNT"), "x:\\");
  EXPECT_EQ(drive_root_of("\\\\server\\share"), "C:\\");
}

class RunningInstanceSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop.own_process_id = 50;
    desktop.add_process(4, "System");
    desktop.add_process(50, "qvk.exe");  // this instance comes first in the list
    desktop.add_process(40, "QVK.EXE");
  }
  FakeDesktop desktop;
};

TEST_F(RunningInstanceSearch, FindsTheFirstVisibleWindowOfTheOtherProcess) {
  desktop.add_window({.title = "other", .process_id = 7});
  desktop.add_window({.title = "own hidden", .process_id = 50, .visible = false});
  desktop.add_window({.title = "running hidden", .process_id = 40, .visible = false});
  WindowHandle editor = desktop.add_window({.title = "editor", .process_id = 40});
  desktop.add_window({.title = "main", .process_id = 40});
  EXPECT_EQ(find_running_instance_window(desktop, "qvk.exe"), editor);
}

TEST_F(RunningInstanceSearch, KeepsSearchingWhileHandlingMessagesThenGivesUp) {
  desktop.add_window({.title = "tray only", .process_id = 40, .visible = false});
  int handled = 0;
  desktop.during_wait = [&] { ++handled; };
  std::uint32_t start = desktop.tick_count();
  EXPECT_EQ(find_running_instance_window(desktop, "qvk.exe", 500), 0u);
  EXPECT_GT(handled, 5);
  EXPECT_LE(desktop.tick_count() - start, 500u + 2 * kActivationSearchPauseMs + 10);
}

TEST_F(RunningInstanceSearch, AWindowShownDuringTheSearchIsFound) {
  WindowHandle main = desktop.add_window({.title = "main", .process_id = 40, .visible = false});
  int waits = 0;
  desktop.during_wait = [&] {
    if (++waits == 3) desktop.window(main)->visible = true;
  };
  EXPECT_EQ(find_running_instance_window(desktop, "qvk.exe"), main);
}

TEST_F(RunningInstanceSearch, NoOtherProcessMeansNoSearch) {
  desktop.processes.erase(desktop.processes.begin() + 2);
  desktop.add_window({.title = "own", .process_id = 50});
  EXPECT_EQ(find_running_instance_window(desktop, "qvk.exe"), 0u);
  EXPECT_EQ(desktop.snapshots_taken, 1);
}

}  // namespace
}  // namespace qvk
