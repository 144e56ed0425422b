// The settings page: five settings kept in the INI file, the autostart value in the registry,
// and the restart with administrator rights.
#pragma once

#include <functional>
#include <string>

#include "app/app_context.h"
#include "app/user_dialogs.h"

namespace qvk {

// Section "qvk" of the settings file. A read gives the key's text, or the empty text when the
// file, section or key is missing.
class SettingsFile {
 public:
  virtual ~SettingsFile() = default;
  virtual std::string read(const std::string& key) = 0;
  virtual void write(const std::string& key, const std::string& value) = 0;  // failures are silent
};

// The value "岚窗精灵" under the machine-wide Run key.
class AutostartValue {
 public:
  virtual ~AutostartValue() = default;
  virtual bool exists() = 0;
  virtual bool write(const std::string& data) = 0;
  virtual bool remove() = 0;
};

class Rights {
 public:
  virtual ~Rights() = default;
  virtual bool is_administrator() = 0;
  // Starts this program again through the "runas" verb; false when it was declined or failed.
  virtual bool restart_elevated() = 0;
};

enum class SettingBox { Autostart, TrayOnClose, PopupAutoStart, ProcessAutoStart, ForceClose, Elevate };

// The six check boxes and the window around them.
class SettingsView {
 public:
  virtual ~SettingsView() = default;
  virtual bool ticked(SettingBox box) = 0;
  virtual void set_ticked(SettingBox box, bool ticked) = 0;
  virtual void hide_main_window() = 0;
  virtual void exit_program() = 0;
};

struct MonitorSwitches {
  std::function<void()> start_popup_monitor, stop_popup_monitor;
  std::function<void()> start_process_monitor, stop_process_monitor;  // start uses 3000 ms
};

// The autostart value's data: "\"C:\Tools\app.exe\"-qvk", the switch right after the quote.
std::string autostart_data(const std::string& program_path);

class Settings {
 public:
  Settings(AppContext context, SettingsFile& file, AutostartValue& autostart, Rights& rights, SettingsView& view,
           UserDialogs& dialogs, MonitorSwitches monitors, std::string program_path);

  void load_settings();
  // The click on one of the five setting boxes.
  void store_setting(SettingBox box);
  // The click on 是否自启, after the box was toggled.
  void toggle_autostart();

  // Start-up: the elevation box is ticked and the program lacks administrator rights.
  bool needs_elevated_restart();
  // Ends this copy when the elevated one was started; when it was declined or failed the program
  // runs on without elevation, so a user without administrator rights can still use it.
  bool restart_elevated_and_exit();

  MonitorSwitches& monitors() { return monitors_; }

 private:
  AppContext context_;
  SettingsFile& file_;
  AutostartValue& autostart_;
  Rights& rights_;
  SettingsView& view_;
  UserDialogs& dialogs_;
  MonitorSwitches monitors_;
  std::string program_path_;
};

}  // namespace qvk
