#include "app/settings.h"

namespace qvk {

namespace {

struct Binding {
  SettingBox box;
  const char* key;
  std::string AppState::*member;
};

// In the order the keys are read.
constexpr Binding kBindings[] = {
    {SettingBox::TrayOnClose, "托盘事件", &AppState::TrayOnCloseSetting},
    {SettingBox::PopupAutoStart, "弹窗拦截", &AppState::PopupAutoStartSetting},
    {SettingBox::ProcessAutoStart, "进程终结", &AppState::ProcessAutoStartSetting},
    {SettingBox::Elevate, "强力拦截", &AppState::ElevateSetting},
    {SettingBox::ForceClose, "强制关闭", &AppState::ForceCloseSetting},
};

void call(const std::function<void()>& f) {
  if (f) f();
}

}  // namespace

std::string autostart_data(const std::string& program_path) { return "\"" + program_path + "\"-qvk"; }

Settings::Settings(AppContext context, SettingsFile& file, AutostartValue& autostart, Rights& rights,
                   SettingsView& view, UserDialogs& dialogs, MonitorSwitches monitors, std::string program_path)
    : context_(context),
      file_(file),
      autostart_(autostart),
      rights_(rights),
      view_(view),
      dialogs_(dialogs),
      monitors_(std::move(monitors)),
      program_path_(std::move(program_path)) {}

void Settings::load_settings() {
  AppState& state = context_.state;
  view_.set_ticked(SettingBox::Autostart, autostart_.exists());
  for (const Binding& b : kBindings) state.*b.member = file_.read(b.key);

  if (setting_is_on(state.TrayOnCloseSetting)) view_.set_ticked(SettingBox::TrayOnClose, true);
  if (setting_is_on(state.PopupAutoStartSetting)) {
    view_.set_ticked(SettingBox::PopupAutoStart, true);
    call(monitors_.start_popup_monitor);
  } else {
    call(monitors_.stop_popup_monitor);
  }
  if (setting_is_on(state.ProcessAutoStartSetting)) {
    view_.set_ticked(SettingBox::ProcessAutoStart, true);
    call(monitors_.start_process_monitor);
  } else {
    call(monitors_.stop_process_monitor);
  }
  if (setting_is_on(state.ElevateSetting)) view_.set_ticked(SettingBox::Elevate, true);
  if (setting_is_on(state.ForceCloseSetting)) view_.set_ticked(SettingBox::ForceClose, true);
  state.BlockedCount = "0";
  state.TerminatedCount = "0";
}

void Settings::store_setting(SettingBox box) {
  for (const Binding& b : kBindings) {
    if (b.box != box) continue;
    const bool ticked = view_.ticked(box);
    context_.state.*b.member = ticked ? "真" : "假";
    file_.write(b.key, context_.state.*b.member);
    if (box == SettingBox::Elevate && ticked && !rights_.is_administrator()) restart_elevated_and_exit();
    return;
  }
}

void Settings::toggle_autostart() {
  if (view_.ticked(SettingBox::Autostart)) {
    if (autostart_.write(autostart_data(program_path_))) {
      view_.set_ticked(SettingBox::Autostart, true);
      dialogs_.tell("设置开机自启成功，下次开机时，软件将在后台自动运行");
      log_action(context_.log, "     设置软件自启 成功");
    } else {
      view_.set_ticked(SettingBox::Autostart, false);
      dialogs_.tell("设置开机自启失败，请检查是否被安全软件拦截");
      log_action(context_.log, "     设置软件自启 失败");
    }
    return;
  }
  if (autostart_.remove()) {
    view_.set_ticked(SettingBox::Autostart, false);
    dialogs_.tell("取消开机自启成功");
    log_action(context_.log, "     取消软件自启 成功");
  } else if (autostart_.exists()) {
    log_action(context_.log, "     取消软件自启 失败");
    view_.set_ticked(SettingBox::Autostart, true);
    dialogs_.tell("取消开机自启失败，请以管理员身份运行 或 检查是否被安全软件拦截");
  } else {
    // Already removed by someone else: what the user wanted is true.
    log_action(context_.log, "     取消软件自启 成功");
    dialogs_.tell("取消开机自启成功");
  }
}

bool Settings::needs_elevated_restart() {
  return view_.ticked(SettingBox::Elevate) && !rights_.is_administrator();
}

bool Settings::restart_elevated_and_exit() {
  if (!rights_.restart_elevated()) return false;
  view_.hide_main_window();
  view_.exit_program();
  return true;
}

}  // namespace qvk
