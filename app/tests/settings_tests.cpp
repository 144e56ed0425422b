#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "app/settings.h"
#include "platform/fake_desktop.h"

namespace qvk {
namespace {

class RecordingLog : public MonitorLog {
 public:
  std::vector<std::string>* events;
  void append_log(const std::string& line) override {
    // The time stamp changes; keep the action.
    events->push_back("log:" + line.substr(line.find("     ")));
  }
};

class FakeFile : public SettingsFile {
 public:
  std::map<std::string, std::string> keys;  // a missing key reads as empty
  std::string read(const std::string& key) override { return keys.count(key) ? keys[key] : ""; }
  void write(const std::string& key, const std::string& value) override { keys[key] = value; }
};

class FakeAutostart : public AutostartValue {
 public:
  std::optional<std::string> value;
  bool writes_fail = false, removes_fail = false;
  bool exists() override { return value.has_value(); }
  bool write(const std::string& data) override {
    if (writes_fail) return false;
    value = data;
    return true;
  }
  bool remove() override {
    if (removes_fail || !value) return false;
    value.reset();
    return true;
  }
};

class FakeRights : public Rights {
 public:
  bool admin = false, restart_starts = true;
  int restarts = 0;
  bool is_administrator() override { return admin; }
  bool restart_elevated() override {
    ++restarts;
    return restart_starts;
  }
};

class SettingsTest : public ::testing::Test, public SettingsView, public UserDialogs {
 protected:
  SettingsTest()
      : settings({state, desktop, log, lists, [] {}}, file, autostart, rights, *this, *this, switches(),
                 "C:\\Tools\\app.exe") {
    log.events = &events;
  }
  MonitorSwitches switches() {
    return {[this] { events.push_back("start popup"); }, [this] { events.push_back("stop popup"); },
            [this] { events.push_back("start process"); }, [this] { events.push_back("stop process"); }};
  }
  bool ticked(SettingBox box) override { return boxes[box]; }
  void set_ticked(SettingBox box, bool on) override { boxes[box] = on; }
  void hide_main_window() override { events.push_back("hide"); }
  void exit_program() override { events.push_back("exit"); }
  bool ask(const std::string&) override { return true; }
  void tell(const std::string& message) override { events.push_back("tell:" + message); }
  void beep() override { events.push_back("beep"); }

  AppState state;
  FakeDesktop desktop;
  RecordingLog log;
  RuleLists lists;
  FakeFile file;
  FakeAutostart autostart;
  FakeRights rights;
  std::map<SettingBox, bool> boxes;
  std::vector<std::string> events;
  Settings settings;
};

TEST_F(SettingsTest, OnlyTheExactTextJiaTurnsASettingOff) {
  struct Case {
    std::optional<std::string> value;  // nothing: the key is missing
    bool on;
  } cases[] = {{std::nullopt, true}, {"", true}, {"0", true}, {"真", true}, {"假", false}, {"假 ", true}};
  const std::pair<const char*, SettingBox> keys[] = {{"托盘事件", SettingBox::TrayOnClose},
                                                     {"弹窗拦截", SettingBox::PopupAutoStart},
                                                     {"进程终结", SettingBox::ProcessAutoStart},
                                                     {"强力拦截", SettingBox::Elevate},
                                                     {"强制关闭", SettingBox::ForceClose}};
  for (const Case& c : cases) {
    for (auto [key, box] : keys) {
      file.keys.clear();
      boxes.clear();
      if (c.value) file.keys[key] = *c.value;
      settings.load_settings();
      EXPECT_EQ(boxes[box], c.on) << key << "=" << c.value.value_or("<missing>");
    }
  }
}

TEST_F(SettingsTest, LoadingStartsOrStopsBothMonitorsAndResetsTheCounters) {
  file.keys = {{"托盘事件", "假"}, {"弹窗拦截", "假"}};
  state.BlockedCount = "5";
  autostart.value = "x";
  settings.load_settings();
  EXPECT_EQ(events, (std::vector<std::string>{"stop popup", "start process"}));
  EXPECT_EQ(state.TrayOnCloseSetting, "假");
  EXPECT_EQ(state.ForceCloseSetting, "");
  EXPECT_TRUE(boxes[SettingBox::Autostart]);
  EXPECT_FALSE(boxes[SettingBox::TrayOnClose]);
  EXPECT_EQ(state.BlockedCount, "0");
  EXPECT_EQ(state.TerminatedCount, "0");
}

TEST_F(SettingsTest, ClickingABoxStoresZhenOrJiaAndMonitorBoxesActOnlyAtTheNextStart) {
  boxes[SettingBox::ProcessAutoStart] = true;
  settings.store_setting(SettingBox::ProcessAutoStart);
  EXPECT_EQ(file.keys["进程终结"], "真");
  boxes[SettingBox::TrayOnClose] = false;
  settings.store_setting(SettingBox::TrayOnClose);
  EXPECT_EQ(file.keys["托盘事件"], "假");
  EXPECT_EQ(state.TrayOnCloseSetting, "假");
  EXPECT_TRUE(events.empty());
}

TEST_F(SettingsTest, TickingElevationRestartsOnlyWithoutRightsAndEndsOnlyWhenTheCopyStarted) {
  struct Case {
    bool admin, restart_starts, ticked;
    std::vector<std::string> events;
    int restarts;
  } cases[] = {
      {true, true, true, {}, 0},
      {false, true, true, {"hide", "exit"}, 1},
      {false, false, true, {}, 1},  // declined: the program runs on
      {false, true, false, {}, 0},  // unticking never restarts
  };
  for (const Case& c : cases) {
    events.clear();
    rights = FakeRights{};
    rights.admin = c.admin;
    rights.restart_starts = c.restart_starts;
    boxes[SettingBox::Elevate] = c.ticked;
    settings.store_setting(SettingBox::Elevate);
    EXPECT_EQ(file.keys["强力拦截"], c.ticked ? "真" : "假");
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(rights.restarts, c.restarts);
  }
}

TEST_F(SettingsTest, StartUpElevationDecision) {
  boxes[SettingBox::Elevate] = true;
  EXPECT_TRUE(settings.needs_elevated_restart());
  rights.admin = true;
  EXPECT_FALSE(settings.needs_elevated_restart());
  rights.admin = false;
  boxes[SettingBox::Elevate] = false;
  EXPECT_FALSE(settings.needs_elevated_restart());
}

TEST_F(SettingsTest, AutostartOutcomesWithTheirMessagesAndLogLinesInOrder) {
  struct Case {
    bool ticked;
    std::optional<std::string> before;
    bool writes_fail, removes_fail;
    bool box_after;
    std::vector<std::string> events;
  } cases[] = {
      {true, std::nullopt, false, false, true,
       {"tell:设置开机自启成功，下次开机时，软件将在后台自动运行", "log:     设置软件自启 成功"}},
      {true, std::nullopt, true, false, false,
       {"tell:设置开机自启失败，请检查是否被安全软件拦截", "log:     设置软件自启 失败"}},
      {false, "x", false, false, false, {"tell:取消开机自启成功", "log:     取消软件自启 成功"}},
      {false, "x", false, true, true,
       {"log:     取消软件自启 失败", "tell:取消开机自启失败，请以管理员身份运行 或 检查是否被安全软件拦截"}},
      {false, std::nullopt, false, false, false, {"log:     取消软件自启 成功", "tell:取消开机自启成功"}},
  };
  for (const Case& c : cases) {
    events.clear();
    autostart = FakeAutostart{};
    autostart.value = c.before;
    autostart.writes_fail = c.writes_fail;
    autostart.removes_fail = c.removes_fail;
    boxes[SettingBox::Autostart] = c.ticked;
    settings.toggle_autostart();
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(boxes[SettingBox::Autostart], c.box_after);
  }
  EXPECT_EQ(autostart_data("C:\\Tools\\app.exe"), "\"C:\\Tools\\app.exe\"-qvk");
}

}  // namespace
}  // namespace qvk
