#include "app/win32_settings.h"

#include <shellapi.h>

#include "app/control_ids.h"
#include "app/paths.h"

namespace qvk {

namespace {

constexpr const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char kAutostartValueName[] = "岚窗精灵";

int box_id(SettingBox box) {
  switch (box) {
    case SettingBox::Autostart: return ids::kAutostartBox;
    case SettingBox::TrayOnClose: return ids::kTrayOnCloseBox;
    case SettingBox::PopupAutoStart: return ids::kPopupAutoBox;
    case SettingBox::ProcessAutoStart: return ids::kProcessAutoBox;
    case SettingBox::ForceClose: return ids::kForceCloseBox;
    case SettingBox::Elevate: return ids::kElevateBox;
  }
  return 0;
}

}  // namespace

std::string IniSettingsFile::read(const std::string& key) {
  std::string value(10240, '\0');
  DWORD length = GetPrivateProfileStringA(kSettingsSection, key.c_str(), "", value.data(),
                                          static_cast<DWORD>(value.size()), settings_file_path(state_.DataRoot).c_str());
  value.resize(length);
  return value;
}

void IniSettingsFile::write(const std::string& key, const std::string& value) {
  WritePrivateProfileStringA(kSettingsSection, key.c_str(), value.c_str(), settings_file_path(state_.DataRoot).c_str());
}

bool RunKeyAutostart::exists() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  bool found = RegQueryValueExA(key, kAutostartValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

bool RunKeyAutostart::write(const std::string& data) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS &&
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = RegSetValueExA(key, kAutostartValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool RunKeyAutostart::remove() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return false;
  bool ok = RegDeleteValueA(key, kAutostartValueName) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool Win32Rights::is_administrator() {
  HMODULE advpack = LoadLibraryA("advpack.dll");
  if (!advpack) return false;
  using IsNTAdminFn = BOOL(WINAPI*)(DWORD, DWORD*);
  auto is_nt_admin =
      reinterpret_cast<IsNTAdminFn>(reinterpret_cast<void*>(GetProcAddress(advpack, "IsNTAdmin")));
  DWORD reserved = 0;
  bool admin = is_nt_admin && is_nt_admin(0, &reserved) != 0;
  FreeLibrary(advpack);
  return admin;
}

bool Win32Rights::restart_elevated() {
  // No parameters: the elevated copy never sees the autostart switch, so it shows its window.
  std::string path = program_path();
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC;
  info.lpVerb = "runas";
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWDEFAULT;
  return ShellExecuteExA(&info) != FALSE;
}

Win32Settings::Win32Settings(MainWindow& window)
    : window_(window),
      file_(window.context().state),
      settings_(window.context(), file_, autostart_, rights_, *this, dialogs_, {}, program_path()) {
  window.load_settings_step = [this] { settings_.load_settings(); };
  window.needs_elevated_restart_step = [this] { return settings_.needs_elevated_restart(); };
  window.restart_elevated_step = [this] { return settings_.restart_elevated_and_exit(); };
  window.on_command(ids::kAutostartBox, [this] { settings_.toggle_autostart(); });
  for (SettingBox box : {SettingBox::TrayOnClose, SettingBox::PopupAutoStart, SettingBox::ProcessAutoStart,
                         SettingBox::ForceClose, SettingBox::Elevate}) {
    window.on_command(box_id(box), [this, box] { settings_.store_setting(box); });
  }
}

bool Win32Settings::ticked(SettingBox box) {
  return SendMessageA(window_.control(box_id(box)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Settings::set_ticked(SettingBox box, bool ticked) {
  SendMessageA(window_.control(box_id(box)), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Settings::hide_main_window() { ShowWindow(window_.handle(), SW_HIDE); }

void Win32Settings::exit_program() { window_.exit_program(); }

}  // namespace qvk
