// The program's shell as a user meets it: the main window, how a start shows or hides it, a
// second start, the close button and where the program looks for its settings.
#include "driver.h"

#include "app/control_ids.h"

namespace qvk::wine {
namespace {

constexpr const char kTitle[] = "QVK 岚窗精灵 1.2.2";

// The close button hides the window into the notification area unless the setting says "假".
constexpr const char kTrayOff[] = "托盘事件=假";

// --- The main window ------------------------------------------------------------------------

class MainWindow : public WineTest {
 protected:
  void SetUp() override {
    WineTest::SetUp();
    qvk_ = start_qvk();
    ASSERT_NE(qvk_.main, nullptr);
  }
  HWND control(int id) {
    HWND found = find_control(qvk_.main, id);
    EXPECT_NE(found, nullptr) << "no control with id " << id;
    return found;
  }

  Qvk qvk_;
};

TEST_F(MainWindow, HasItsTitleSizeAndPlace) {
  EXPECT_EQ(window_text(qvk_.main), kTitle) << window_text(qvk_.main);
  const RECT rect = window_rect(qvk_.main);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.top, 50);
  EXPECT_EQ(rect.right - rect.left, 1070);
  EXPECT_EQ(rect.bottom - rect.top, 570);
  EXPECT_TRUE(IsWindowVisible(qvk_.main));
  EXPECT_EQ(top_windows(ids::kMainWindowClass, kTitle).size(), 1u);
}

// Each tab shows the controls of its own page and hides the others'; a picture of every page
// is kept in the run's screenshots folder for a look at the layout.
TEST_F(MainWindow, ShowsSevenPagesInOrder) {
  HWND tab = control(ids::kTab);
  ASSERT_NE(tab, nullptr);
  const std::vector<std::string> pages = {"弹窗拦截", "程序列表", "残留进程", "监控记录",
                                          "设置中心", "使用教程", "更新日志"};
  EXPECT_EQ(tab_texts(tab), pages) << joined(tab_texts(tab));
  const struct {
    const char* picture;
    std::vector<int> controls;
  } page_controls[] = {
      {"popups", {ids::kPopupList}},
      {"programs", {ids::kProcessList}},
      {"leftovers", {ids::kLeftoverList}},
      {"log", {ids::kLogBox}},
      {"settings",
       {ids::kAutostartBox, ids::kTrayOnCloseBox, ids::kPopupAutoBox, ids::kProcessAutoBox,
        ids::kForceCloseBox, ids::kElevateBox}},
      {"tutorial", {ids::kIntroBox, ids::kTutorialButton1, ids::kTutorialButton2}},
      {"changes", {ids::kChangeLog}},
  };
  for (int shown : {1, 2, 3, 4, 5, 6, 0}) {
    SCOPED_TRACE("page " + std::to_string(shown));
    select_tab(tab, shown);
    EXPECT_TRUE(wait_until([&] {
      for (int page = 0; page < 7; ++page) {
        for (int id : page_controls[page].controls) {
          HWND wnd = find_control(qvk_.main, id);
          if (!wnd || (IsWindowVisible(wnd) != FALSE) != (page == shown)) return false;
        }
      }
      return true;
    })) << "the page " << pages[shown] << " is not the only one shown";
    if (under_harness()) {
      wait_idle(qvk_.process, qvk_.main);
      screenshot("page-" + std::to_string(shown) + "-" + page_controls[shown].picture);
    }
  }
}

TEST_F(MainWindow, StatusBarHasSevenPartsRewrittenAtStartUp) {
  HWND bar = control(ids::kStatusBar);
  ASSERT_NE(bar, nullptr);
  const std::vector<int> edges = status_bar_parts(bar);
  ASSERT_EQ(edges.size(), 7u);
  for (size_t i = 0; i + 1 < edges.size(); ++i) EXPECT_EQ(edges[i], 152 * int(i + 1)) << i;
  EXPECT_TRUE(edges[6] == 152 * 7 || edges[6] == -1) << edges[6];

  // The layout's captions of parts 1 and 4 differ from the refreshed labels; the lists are
  // empty on a first start and both counters start at 0.
  const std::vector<std::string> texts = status_bar_texts(bar);
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[0].rfind("弹窗拦截：", 0), 0u) << texts[0];
  EXPECT_EQ(texts[1], "弹窗规则：0") << texts[1];
  EXPECT_EQ(texts[2], "拦截数量：0") << texts[2];
  EXPECT_EQ(texts[3].rfind("进程监控：", 0), 0u) << texts[3];
  EXPECT_EQ(texts[4], "程序列表：0") << texts[4];
  EXPECT_EQ(texts[5], "残留进程：0") << texts[5];
  EXPECT_EQ(texts[6], "关闭次数：0") << texts[6];
}

// --- Starting ---------------------------------------------------------------------------------

TEST(StartVisibility, AnyArgumentStartsHidden) {
  const struct {
    std::vector<std::string> args;
    bool visible;
  } cases[] = {
      {{}, true},
      {{"-qvk"}, false},           // the autostart switch
      {{"随便什么"}, false},       // its text is not examined
      {{"-qvk", "/x"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? std::string("no argument") : c.args[0]);
    reset_state();
    Qvk qvk = start_qvk(c.args);
    ASSERT_NE(qvk.main, nullptr);
    EXPECT_EQ(IsWindowVisible(qvk.main) != FALSE, c.visible);
    EXPECT_TRUE(qvk.process.running());
  }
}

class SecondInstance : public WineTest {
 protected:
  // Starts qvk.exe once more and expects it to end by itself with code 0, showing nothing.
  void start_second_and_expect_it_ends() {
    Process second = launch_qvk();
    ASSERT_TRUE(second);
    HWND box = nullptr;
    // The search for the running instance's window is bounded (a few seconds when it shows
    // none); generous margin.
    const bool ended = wait_until(
        [&] {
          if (!box) box = wait_message_box(second.pid(), 0ms);
          return !second.running();
        },
        15s);
    EXPECT_EQ(box, nullptr) << "the second instance showed: " << message_box_text(box);
    ASSERT_TRUE(ended) << "the second instance does not end";
    EXPECT_EQ(second.wait_exit(0ms), std::optional<DWORD>(0));
  }
};

TEST_F(SecondInstance, BringsTheVisibleFirstToTheFrontAndEnds) {
  const struct {
    const char* name;
    bool minimized;
  } cases[] = {{"in the background", false}, {"minimised", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reset_state();
    Qvk first = start_qvk();
    ASSERT_NE(first.main, nullptr);
    ASSERT_TRUE(IsWindowVisible(first.main));

    // Another program's window in front of it.
    Process other = launch(program_dir() + "testwin.exe",
                           {"QvkTestFront", "前面的窗口", "500x400@300,200", "-"});
    HWND front = wait_window("QvkTestFront", "前面的窗口", other.pid(), kStartTimeout, true);
    ASSERT_NE(front, nullptr);
    if (!wait_until([&] { return GetForegroundWindow() == front; }, 1s)) {
      SetForegroundWindow(front);
    }
    if (c.minimized) {
      ShowWindowAsync(first.main, SW_MINIMIZE);
      ASSERT_TRUE(wait_until([&] { return IsIconic(first.main) != FALSE; }));
    }
    ASSERT_TRUE(wait_until([&] { return GetForegroundWindow() == front; }));

    start_second_and_expect_it_ends();

    EXPECT_TRUE(wait_until([&] { return GetForegroundWindow() == first.main; }))
        << "foreground window: " << window_text(GetForegroundWindow());
    EXPECT_FALSE(IsIconic(first.main));
    EXPECT_TRUE(IsWindowVisible(first.main));
    EXPECT_EQ(process_ids("qvk.exe"), std::vector<DWORD>{first.process.pid()});
  }
}

TEST_F(SecondInstance, LeavesAHiddenFirstHidden) {
  Qvk first = start_qvk({"-qvk"});
  ASSERT_NE(first.main, nullptr);
  start_second_and_expect_it_ends();
  EXPECT_FALSE(IsWindowVisible(first.main));
  EXPECT_EQ(process_ids("qvk.exe"), std::vector<DWORD>{first.process.pid()});
}

// --- Closing ----------------------------------------------------------------------------------

// Closes the main window by the window's close request or the system menu's, and expects the
// program to end (exit code 0, no message) or to go on hidden.
void close_and_expect(Qvk& qvk, bool by_system_menu, bool ends) {
  ASSERT_NE(qvk.main, nullptr);
  ASSERT_TRUE(IsWindowVisible(qvk.main));
  if (by_system_menu) post_sys_close(qvk.main);
  else post_close(qvk.main);
  if (ends) {
    EXPECT_EQ(qvk.process.wait_exit(), std::optional<DWORD>(0))
        << (qvk.process.running() ? "still running" : "ended with another code");
    return;
  }
  EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(qvk.main); })) << "not hidden";
  // The close has been handled once the window answers again; it must still be there.
  EXPECT_TRUE(wait_idle(qvk.process, qvk.main));
  EXPECT_TRUE(IsWindow(qvk.main));
  EXPECT_TRUE(qvk.process.running());
  EXPECT_EQ(wait_message_box(qvk.process.pid(), 0ms), nullptr);
}

TEST(CloseButton, HidesUnlessTheTraySettingIsOff) {
  const struct {
    const char* name;
    std::vector<std::string> settings;  // nothing: no settings file at all
    bool ends;
  } cases[] = {
      {"no settings file", {}, false},
      {"托盘事件=假", {kTrayOff}, true},
      {"托盘事件=真", {"托盘事件=真"}, false},
      {"托盘事件 empty", {"托盘事件="}, false},
      {"托盘事件=0", {"托盘事件=0"}, false},
      {"only other keys off", {"弹窗拦截=假", "进程终结=假", "强制关闭=假"}, false},
  };
  for (const auto& c : cases) {
    for (bool by_system_menu : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (by_system_menu ? ", SC_CLOSE" : ", WM_CLOSE"));
      reset_state();
      if (!c.settings.empty()) write_settings("D:\\", c.settings);
      Qvk qvk = start_qvk();
      close_and_expect(qvk, by_system_menu, c.ends);
    }
  }
}

// --- Data root ------------------------------------------------------------------------------

// The program keeps its files under the first of D:, E:, F:, G: that is a folder, else under
// the system drive: its rule database appears there and nowhere else, and only the settings
// file there can make the close button end it.
TEST(DataRoot, FirstDriveThatIsAFolderElseTheSystemDrive) {
  const struct {
    const char* drives;         // mapped drive letters; none of the others exist
    const char* chosen;         // the root the program must use
    const char* settings_root;  // where the settings file with 托盘事件=假 lies
  } cases[] = {
      {"d", "D:\\", "D:\\"},  {"d", "D:\\", "C:\\"},  {"", "C:\\", "C:\\"},
      {"e", "E:\\", "E:\\"},  {"de", "D:\\", "E:\\"}, {"f", "F:\\", "F:\\"},
      {"ef", "E:\\", "F:\\"}, {"g", "G:\\", "G:\\"},  {"fg", "F:\\", "G:\\"},
      {"g", "G:\\", "C:\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("drives \"") + c.drives + "\", settings on " + c.settings_root);
    reset_state();
    for (char drive : {'d', 'e', 'f', 'g'}) {
      const bool wanted = std::string(c.drives).find(drive) != std::string::npos;
      if (wanted || drive == 'd') map_drive(drive, wanted);
    }
    write_settings(c.settings_root, {kTrayOff});
    Qvk qvk = start_qvk();
    for (const char* root : {"C:\\", "D:\\", "E:\\", "F:\\", "G:\\"}) {
      const std::string database = settings_dir(root) + "\\岚窗数据库.mdb";
      EXPECT_EQ(file_exists(database), std::string(root) == c.chosen) << database;
    }
    close_and_expect(qvk, false, std::string(c.settings_root) == c.chosen);
  }
}

}  // namespace
}  // namespace qvk::wine
