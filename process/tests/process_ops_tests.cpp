#include <gtest/gtest.h>

#include "platform/fake_desktop.h"
#include "process/process_ops.h"

namespace qvk {
namespace {

TEST(ProcessImagePath, SystemProcessModulePathAndFallback) {
  struct Case {
    const char* what;
    ProcessId id;
    std::optional<std::string> module, image_name;
    std::string system_folder, expected;
  } cases[] = {
      {"System process", 4, std::nullopt, std::nullopt, "C:\\Windows\\system32", "C:\\Windows\\system32\\"},
      {"System process, folder with backslash", 4, std::nullopt, std::nullopt, "C:\\sys\\", "C:\\sys\\"},
      {"module path", 40, "D:\\软件\\a.exe", "D:\\other\\a.exe", "", "D:\\软件\\a.exe"},
      {"\\SystemRoot", 40, "\\SystemRoot\\System32\\smss.exe", std::nullopt, "", "C:\\Windows\\System32\\smss.exe"},
      {"\\SystemRoot only at the start", 40, "C:\\x\\SystemRoot\\a.exe", std::nullopt, "", "C:\\x\\SystemRoot\\a.exe"},
      {"\\SystemRoot in exact case", 40, "\\systemroot\\a.exe", std::nullopt, "", "\\systemroot\\a.exe"},
      {"\\??\\", 40, "\\??\\C:\\Windows\\system32\\csrss.exe", std::nullopt, "", "C:\\Windows\\system32\\csrss.exe"},
      {"no module: image-name query", 40, std::nullopt, "C:\\Program Files\\x64.exe", "", "C:\\Program Files\\x64.exe"},
      {"empty module path: image-name query", 40, "", "C:\\x64.exe", "", "C:\\x64.exe"},
      {"neither", 40, std::nullopt, std::nullopt, "", ""},
  };
  for (const Case& c : cases) {
    FakeDesktop desktop;
    if (!c.system_folder.empty()) desktop.system_folder = c.system_folder;
    if (c.module) desktop.module_paths[c.id] = *c.module;
    if (c.image_name) desktop.image_names[c.id] = *c.image_name;
    EXPECT_EQ(process_image_path(desktop, c.id), c.expected) << c.what;
  }
}

TEST(ProtectedProcess, OwnSystemAndCoreProcessesFromTheSystemFolder) {
  FakeDesktop desktop;
  desktop.own_process_id = 77;
  struct Case {
    ProcessId id;
    std::string name, path;
    bool is_protected;
  } cases[] = {
      {77, "qvk.exe", "D:\\qvk.exe", true},
      {4, "System", "C:\\Windows\\system32\\", true},
      {500, "csrss.exe", "C:\\Windows\\system32\\csrss.exe", true},
      {501, "LSASS.EXE", "C:\\WINDOWS\\System32\\lsass.exe", true},
      {502, "smss.exe", "", true},  // unreadable, as a protected process looks without rights
      {503, "services.exe", "D:\\下载\\services.exe", false},
      {504, "winlogon.exe", "C:\\Windows\\system32\\sub\\winlogon.exe", false},
      {505, "wininit.exe", "C:\\Windows\\wininit.exe", false},
      {506, "updater.exe", "C:\\Windows\\system32\\updater.exe", false},
      {507, "updater.exe", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_protected_process(desktop, c.id, c.name, c.path), c.is_protected) << c.id << " " << c.name;
  }
}

class TerminateByName : public testing::Test {
 protected:
  void SetUp() override {
    desktop.own_process_id = 9;
    desktop.add_process(4, "System");
    desktop.add_process(9, "qvk.exe");
    desktop.add_process(20, "lsass.exe");
    desktop.add_process(30, "Updater.exe");
    desktop.add_process(31, "updater.exe");
    desktop.module_paths = {{9, "D:\\qvk.exe"}, {20, "C:\\Windows\\system32\\lsass.exe"}};
  }
  FakeDesktop desktop;
};

TEST_F(TerminateByName, EndsOnlyTheFirstOfThatName) {
  EXPECT_TRUE(terminate_process_by_name(desktop, "UPDATER.EXE"));
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{30}));
  EXPECT_TRUE(is_process_running(desktop, "updater.exe"));
  EXPECT_TRUE(terminate_process_by_name(desktop, "updater.exe"));
  EXPECT_FALSE(is_process_running(desktop, "updater.exe"));
}

TEST_F(TerminateByName, NeverAttemptsProtectedOrMissingProcesses) {
  for (const char* name : {"System", "qvk.exe", "lsass.exe", "", "absent.exe"}) {
    EXPECT_FALSE(terminate_process_by_name(desktop, name)) << name;
  }
  EXPECT_TRUE(desktop.termination_attempts.empty());
}

TEST_F(TerminateByName, ReportsAFailedTermination) {
  desktop.terminate_results[30] = false;
  EXPECT_FALSE(terminate_process_by_name(desktop, "updater.exe"));
  EXPECT_EQ(desktop.termination_attempts, (std::vector<ProcessId>{30}));
}

}  // namespace
}  // namespace qvk
