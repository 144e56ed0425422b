// Where the program keeps its files, under the data root chosen at start-up.
#pragma once

#include <string>

namespace qvk {

inline std::string config_parent_folder(const std::string& data_root) { return data_root + "软件配置"; }
inline std::string config_folder(const std::string& data_root) { return data_root + "软件配置\\岚窗精灵"; }
inline std::string settings_file_path(const std::string& data_root) {
  return config_folder(data_root) + "\\配置文本.ini";
}
inline std::string rule_database_path(const std::string& data_root) {
  return config_folder(data_root) + "\\岚窗数据库.mdb";
}

inline constexpr const char kSettingsSection[] = "qvk";
inline constexpr const char kSingleInstanceEventName[] = "岚窗精灵，拦截弹窗广告，终结残留进程";
inline constexpr const char kMainWindowTitle[] = "QVK 岚窗精灵 1.2.2";
inline constexpr const char kMessageCaption[] = "信息：";

}  // namespace qvk
