// The settings page on Win32: the INI file, the Run key, IsNTAdmin and the "runas" restart.
#pragma once

#include "app/main_window.h"
#include "app/settings.h"

namespace qvk {

class IniSettingsFile : public SettingsFile {
 public:
  explicit IniSettingsFile(const AppState& state) : state_(state) {}
  std::string read(const std::string& key) override;
  void write(const std::string& key, const std::string& value) override;

 private:
  const AppState& state_;  // the file lies under DataRoot, chosen before the settings load
};

class RunKeyAutostart : public AutostartValue {
 public:
  bool exists() override;
  bool write(const std::string& data) override;
  bool remove() override;
};

class Win32Rights : public Rights {
 public:
  bool is_administrator() override;
  bool restart_elevated() override;
};

class Win32Settings : public SettingsView {
 public:
  explicit Win32Settings(MainWindow& window);
  Settings& settings() { return settings_; }

  bool ticked(SettingBox box) override;
  void set_ticked(SettingBox box, bool ticked) override;
  void hide_main_window() override;
  void exit_program() override;

 private:
  MainWindow& window_;
  IniSettingsFile file_;
  RunKeyAutostart autostart_;
  Win32Rights rights_;
  Win32Dialogs dialogs_;
  Settings settings_;
};

}  // namespace qvk
