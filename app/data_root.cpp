#include "app/data_root.h"

namespace qvk {

std::string choose_data_root(const std::function<bool(const std::string&)>& is_directory,
                             const std::string& system_drive_root) {
  for (const char* root : {"D:\\", "E:\\", "F:\\", "G:\\"}) {
    if (is_directory(root)) return root;
  }
  return system_drive_root;
}

std::string drive_root_of(const std::string& folder) {
  if (folder.size() >= 2 && folder[1] == ':' &&
      ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'))) {
    return folder.substr(0, 2) + "\\";
  }
  return "C:\\";
}

}  // namespace qvk
