// The settings page as a user meets it: a click writes the INI file (GBK, section [qvk]), the
// settings hold across a restart, and 开机自启 writes and removes the Run value of the machine.
#include "driver.h"

#include "app/control_ids.h"

namespace qvk::wine {
namespace {

constexpr const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char kRunValue[] = "岚窗精灵";

std::optional<std::string> run_value() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  char data[1024] = {};
  DWORD size = sizeof data - 1, type = 0;
  LONG result = RegQueryValueExA(key, kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return std::string(data);
}

void remove_run_value() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, kRunValue);
  RegCloseKey(key);
}

class SettingsPage : public WineTest {
 protected:
  void SetUp() override {
    WineTest::SetUp();
    remove_run_value();
  }
  void TearDown() override { remove_run_value(); }

  // Clicks the box and answers the message box the click opens with OK; returns its text.
  std::string click_and_answer(const Qvk& qvk, int box_id) {
    click(find_control(qvk.main, box_id));
    HWND box = wait_message_box(qvk.process.pid());
    if (!box) return "<no message box>";
    std::string text = message_box_text(box);
    answer_message_box(box, IDOK);
    wait_idle(qvk.process, qvk.main);
    return text;
  }
};

TEST_F(SettingsPage, AClickWritesTheSettingAndItHoldsAfterARestart) {
  {
    Qvk qvk = start_qvk();
    ASSERT_NE(qvk.main, nullptr);
    // Without a settings file every setting is on.
    for (int id : {ids::kTrayOnCloseBox, ids::kPopupAutoBox, ids::kProcessAutoBox, ids::kForceCloseBox,
                   ids::kElevateBox}) {
      EXPECT_EQ(check_state(find_control(qvk.main, id)), BST_CHECKED) << id;
    }
    EXPECT_FALSE(file_exists(settings_file("D:\\"))) << "only a click writes the file";
    click(find_control(qvk.main, ids::kForceCloseBox));
    ASSERT_TRUE(wait_until([] { return file_exists(settings_file("D:\\")); }));
    EXPECT_EQ(read_file(settings_file("D:\\")).value_or(""), "[qvk]\r\n强制关闭=假\r\n");
    click(find_control(qvk.main, ids::kForceCloseBox));
    click(find_control(qvk.main, ids::kPopupAutoBox));
    ASSERT_TRUE(wait_until([] { return read_file(settings_file("D:\\")).value_or("").find("弹窗拦截=假") != std::string::npos; }));
    EXPECT_EQ(read_file(settings_file("D:\\")).value_or(""), "[qvk]\r\n强制关闭=真\r\n弹窗拦截=假\r\n");
    qvk.process.kill();
  }
  Qvk again = start_qvk();
  ASSERT_NE(again.main, nullptr);
  EXPECT_EQ(check_state(find_control(again.main, ids::kPopupAutoBox)), BST_UNCHECKED);
  EXPECT_EQ(check_state(find_control(again.main, ids::kForceCloseBox)), BST_CHECKED);
  EXPECT_EQ(check_state(find_control(again.main, ids::kTrayOnCloseBox)), BST_CHECKED);
}

TEST_F(SettingsPage, TheSavedSettingsDecideWhichMonitorsStart) {
  struct Case {
    std::vector<std::string> lines;
    const char* first_log;
    const char* second_log;
    const char* popup_state;
    const char* process_state;
  } cases[] = {
      {{"弹窗拦截=假", "进程终结=真"}, "     弹窗拦截 关闭", "     监控进程 开启", "弹窗拦截：未开启", "进程监控：监控中"},
      {{"弹窗拦截=0", "进程终结=假"}, "     弹窗拦截 开启", "     监控进程 关闭", "弹窗拦截：拦截中", "进程监控：未监控"},
  };
  for (const Case& c : cases) {
    reset_state();
    write_settings("D:\\", c.lines);
    Qvk qvk = start_qvk();
    ASSERT_NE(qvk.main, nullptr);
    const std::string log = edit_text(find_control(qvk.main, ids::kLogBox));
    const size_t first = log.find(c.first_log), second = log.find(c.second_log);
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_NE(second, std::string::npos) << log;
    EXPECT_LT(first, second) << log;
    size_t entries = 0;
    for (size_t at = log.find("\r\n\r\n "); at != std::string::npos; at = log.find("\r\n\r\n ", at + 1)) ++entries;
    EXPECT_EQ(entries, 2u) << "a start writes one line per monitor: " << log;
    auto status = status_bar_texts(find_control(qvk.main, ids::kStatusBar));
    ASSERT_EQ(status.size(), 7u);
    EXPECT_EQ(status[0], c.popup_state);
    EXPECT_EQ(status[3], c.process_state);
    qvk.process.kill();
  }
}

TEST_F(SettingsPage, AutostartWritesTheRunValueAndUntickingRemovesIt) {
  Qvk qvk = start_qvk();
  ASSERT_NE(qvk.main, nullptr);
  HWND box = find_control(qvk.main, ids::kAutostartBox);
  EXPECT_EQ(check_state(box), BST_UNCHECKED);

  EXPECT_EQ(click_and_answer(qvk, ids::kAutostartBox), "设置开机自启成功，下次开机时，软件将在后台自动运行");
  EXPECT_EQ(run_value(), "\"" + qvk_exe() + "\"-qvk");
  EXPECT_EQ(check_state(box), BST_CHECKED);

  // Removed behind the program's back: unticking still reports success.
  remove_run_value();
  EXPECT_EQ(click_and_answer(qvk, ids::kAutostartBox), "取消开机自启成功");
  EXPECT_EQ(run_value(), std::nullopt);
  EXPECT_EQ(click_and_answer(qvk, ids::kAutostartBox), "设置开机自启成功，下次开机时，软件将在后台自动运行");
  EXPECT_EQ(click_and_answer(qvk, ids::kAutostartBox), "取消开机自启成功");
  EXPECT_EQ(run_value(), std::nullopt);
  EXPECT_EQ(check_state(box), BST_UNCHECKED);

  const std::string log = edit_text(find_control(qvk.main, ids::kLogBox));
  size_t set = log.find("     设置软件自启 成功"), cancel = log.find("     取消软件自启 成功");
  EXPECT_NE(set, std::string::npos) << log;
  EXPECT_NE(cancel, std::string::npos) << log;
  EXPECT_LT(set, cancel);
}

TEST_F(SettingsPage, AStartWithTheRunValuePresentTicksTheBox) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char data[] = "anything";
  RegSetValueExA(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data);
  RegCloseKey(key);
  Qvk qvk = start_qvk();
  ASSERT_NE(qvk.main, nullptr);
  EXPECT_EQ(check_state(find_control(qvk.main, ids::kAutostartBox)), BST_CHECKED);
}

}  // namespace
}  // namespace qvk::wine
