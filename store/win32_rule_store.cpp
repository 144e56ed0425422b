#include "store/win32_rule_store.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdio>

#include "app/main_window.h"
#include "jet/jet4.h"
#include "store/jet_connection.h"

namespace qvk {

bool Win32StoreFiles::is_directory(const std::string& path) { return PathIsDirectoryA(path.c_str()) != FALSE; }

void Win32StoreFiles::create_directory(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

bool Win32StoreFiles::exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32StoreFiles::write_new_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size() && FlushFileBuffers(file);
  CloseHandle(file);
  // A partly written database would fail every later start; leave nothing instead.
  if (!ok) DeleteFileA(path.c_str());
  return ok;
}

std::unique_ptr<RuleConnection> Win32StoreFiles::open_database(const std::string& path) {
  return open_jet_connection(path);
}

std::string Win32StoreFiles::file_description(const std::string& path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return {};
  char language[16] = "040904E4";
  WORD* translation = nullptr;
  UINT length = 0;
  if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
      translation && length >= 4) {
    std::snprintf(language, sizeof language, "%04x%04x", translation[0], translation[1]);
  }
  char query[64];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\%s\\FileDescription", language);
  char* description = nullptr;
  if (!VerQueryValueA(data.data(), query, reinterpret_cast<void**>(&description), &length) || !description ||
      length == 0) {
    return {};
  }
  return std::string(description);
}

Win32RuleStore::Win32RuleStore(MainWindow& window)
    : store_(window.context(), files_, dialogs_, [] { return jet4::create_rule_database_template(); }) {
  window.ensure_rule_database_step = [this] { store_.ensure_rule_database(); };
}

}  // namespace qvk
