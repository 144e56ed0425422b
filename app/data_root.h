#pragma once

#include <functional>
#include <string>

namespace qvk {

// The drive root, with its trailing backslash, under which "软件配置\岚窗精灵" lives: the first of
// D:\, E:\, F:\ and G:\ that is a directory, so existing users find their files where they are;
// when none is, the root of the system drive, where the files can always be created.
std::string choose_data_root(const std::function<bool(const std::string&)>& is_directory,
                             const std::string& system_drive_root);

// "C:\Windows" -> "C:\"; falls back to "C:\" when the folder has no drive letter.
std::string drive_root_of(const std::string& folder);

}  // namespace qvk
