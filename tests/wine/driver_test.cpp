// The driver against windows of known content in another process (testwin.exe), so that a
// failing program test points at the program and not at the way it was read.
#include "driver.h"

#include <commctrl.h>

namespace qvk::wine {
namespace {

class Driver : public WineTest {
 protected:
  void SetUp() override {
    WineTest::SetUp();
    controls_ = launch(program_dir() + "testwin.exe", {"--controls"});
    ASSERT_TRUE(controls_);
    window_ = wait_window("QvkTestControls", "控件窗口", controls_.pid(), kStartTimeout, true);
    ASSERT_NE(window_, nullptr) << "testwin --controls shows no window";
  }
  HWND control(int id) {
    HWND found = find_control(window_, id);
    EXPECT_NE(found, nullptr) << "no control " << id;
    return found;
  }

  Process controls_;
  HWND window_ = nullptr;
};

TEST_F(Driver, ReadsTheControlsOfAnotherProcess) {
  EXPECT_EQ(tab_texts(control(10)), (std::vector<std::string>{"第一页", "第二页", "第三页"}));
  EXPECT_EQ(list_view_columns(control(11)), (std::vector<std::string>{"名称", "路径"}));
  EXPECT_EQ(list_view_rows(control(11)),
            (std::vector<std::vector<std::string>>{{"记事本", "C:\\windows\\notepad.exe"},
                                                   {"岚窗精灵", "D:\\软件\\qvk.exe"}}));
  EXPECT_EQ(status_bar_parts(control(12)), (std::vector<int>{150, 300, -1}));
  EXPECT_EQ(status_bar_texts(control(12)),
            (std::vector<std::string>{"弹窗拦截：拦截中", "拦截数量：3", ""}));
  EXPECT_EQ(edit_text(control(13)), "第一行\r\n第二行");
  EXPECT_EQ(check_state(control(14)), BST_CHECKED);
  click(control(14));
  EXPECT_TRUE(wait_until([&] { return check_state(control(14)) == BST_UNCHECKED; }));
}

TEST_F(Driver, SelectingATabNotifiesTheOwnerLikeAClick) {
  select_tab(control(10), 2);
  EXPECT_EQ(tab_selection(control(10)), 2);
  EXPECT_TRUE(wait_until([&] { return edit_text(control(13)) == "page 2"; }))
      << edit_text(control(13));
}

TEST_F(Driver, AnswersMessageBoxes) {
  const struct {
    int answer;
    const char* seen;
  } cases[] = {{IDYES, "yes"}, {IDNO, "no"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seen);
    click(control(15));
    HWND box = wait_message_box(controls_.pid());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_box_text(box), "继续吗？");
    answer_message_box(box, c.answer);
    EXPECT_TRUE(wait_until([&] { return edit_text(control(13)) == c.seen; }))
        << edit_text(control(13));
    EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }));
  }
}

TEST_F(Driver, ClicksAndDragsWithTheRealMouse) {
  click(control(14));  // back to unchecked, so that the mouse click below shows
  ASSERT_TRUE(wait_until([&] { return check_state(control(14)) == BST_UNCHECKED; }));
  mouse_click(window_centre(control(14)));
  EXPECT_TRUE(wait_until([&] { return check_state(control(14)) == BST_CHECKED; }));

  // From the window's free area to a place outside it: the window keeps the mouse captured.
  const RECT rect = window_rect(window_);
  mouse_drag({rect.right - 40, rect.bottom - 60}, {900, 800});
  EXPECT_TRUE(wait_until([&] { return edit_text(control(13)) == "drag 900,800"; }))
      << edit_text(control(13));
}

TEST(Harness, VerinfoCarriesAChineseFileDescription) {
  const std::string exe = program_dir() + "verinfo.exe";
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u) << exe;
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, info.data()));
  void* text = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\080403a8\\FileDescription",
                             &text, &length));
  EXPECT_STREQ(static_cast<const char*>(text), "广告弹窗测试程序");
}

TEST(Harness, RunsHostCommandsAndMapsDrives) {
  ASSERT_TRUE(under_harness()) << "run through scripts/wine-env.sh exec";
  EXPECT_EQ(host_run("exit 3"), 3);
  reset_state();
  EXPECT_TRUE(is_directory("D:\\"));
  EXPECT_FALSE(is_directory("E:\\"));
  map_drive('e', true);
  ASSERT_TRUE(write_file("E:\\probe.txt", "x"));
  map_drive('d', false);
  EXPECT_FALSE(is_directory("D:\\"));
  // Back to a fresh run's drives: D: again, E: gone with what was written to it.
  reset_state();
  EXPECT_TRUE(is_directory("D:\\"));
  EXPECT_FALSE(is_directory("E:\\"));
  map_drive('e', true);
  EXPECT_FALSE(file_exists("E:\\probe.txt"));
  reset_state();
}

TEST(Harness, TestWindowsThatRefuseToClose) {
  reset_state();
  Process windows = launch(program_dir() + "testwin.exe",
                           {"QvkTestPlain", "普通窗口", "300x200@200,150", "-",
                            "QvkTestStubborn", "关不掉", "320x240", "ignore-close"});
  ASSERT_TRUE(windows);
  HWND plain = wait_window("QvkTestPlain", "普通窗口", windows.pid(), kStartTimeout, true);
  HWND stubborn = wait_window("QvkTestStubborn", "关不掉", windows.pid(), kStartTimeout, true);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(stubborn, nullptr);
  const RECT rect = window_rect(plain);
  EXPECT_EQ(rect.left, 200);
  EXPECT_EQ(rect.top, 150);
  EXPECT_EQ(rect.right - rect.left, 300);
  EXPECT_EQ(rect.bottom - rect.top, 200);

  // One thread reads both windows' messages in order: once the plain window is gone, the
  // other one has had its requests.
  post_close(stubborn);
  post_sys_close(stubborn);
  post_close(plain);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(plain); }));
  EXPECT_TRUE(IsWindow(stubborn));
  EXPECT_TRUE(windows.running());
  reset_state();
}

}  // namespace
}  // namespace qvk::wine
