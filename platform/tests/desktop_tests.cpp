#include <gtest/gtest.h>

#include "platform/fake_desktop.h"

namespace qvk {
namespace {

// "进程" and a name that differs from it only in the trail byte of the second character.
const std::string kChineseName = "进程.exe";
std::string with_altered_trail_byte(std::string name) {
  name[3] = static_cast<char>(name[3] + 1);
  return name;
}

TEST(FindProcessByName, FoldsOnlyAsciiLettersAndTakesTheFirstInListOrder) {
  FakeDesktop desktop;
  desktop.add_process(8, "System");
  desktop.add_process(20, "explorer.exe");
  desktop.add_process(24, "EXPLORER.EXE");
  desktop.add_process(30, kChineseName);
  desktop.add_process(31, "a[b].exe");

  struct Case {
    std::string name;
    ProcessId expected;
  } cases[] = {
      {"EXPLORER.EXE", 20},
      {"Explorer.Exe", 20},
      {"explorer", 0},
      {"explorer.exe ", 0},
      {kChineseName, 30},
      {with_altered_trail_byte(kChineseName), 0},
      {"A{B}.EXE", 0},  // '[' and '{' differ by 0x20 like letters do, but are not letters
      {"A[B].EXE", 31},
      {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find_process_by_name(desktop, c.name), c.expected) << c.name;
  }
}

TEST(FindProcessByName, EmptyNameTakesNoSnapshotAndFailedSnapshotGivesZero) {
  FakeDesktop desktop;
  desktop.add_process(20, "explorer.exe");
  EXPECT_EQ(find_process_by_name(desktop, ""), 0u);
  EXPECT_EQ(desktop.snapshots_taken, 0);
  desktop.snapshot_fails = true;
  EXPECT_EQ(find_process_by_name(desktop, "explorer.exe"), 0u);
}

}  // namespace
}  // namespace qvk
