// The per-user settings store on Windows: string values in the registry
// under HKEY_CURRENT_USER\Software\<company>\<application>[\<section>].
// Registry functions return their error rather than setting the last one.
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/error.h"

namespace install::platform {
namespace {

constexpr char kSoftwareKey[] = "Software";

struct KeyCloser {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

std::string KeyPath(const SettingsKey& key, const char* section) {
  std::string path = std::string(kSoftwareKey) + "\\" + key.company + "\\" + key.application;
  // The empty section is the application key itself, not a sub-key of it.
  if (section != nullptr && section[0] != '\0') path += std::string("\\") + section;
  return path;
}

}  // namespace

Status WriteUserSetting(const SettingsKey& key, const char* section, const char* name,
                        const char* value) {
  HKEY raw = nullptr;
  // Creates every missing key on the way down.
  LONG code = ::RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(key, section).c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &raw, nullptr);
  if (code != ERROR_SUCCESS) return StatusFromWindowsError(static_cast<DWORD>(code));
  UniqueKey owned(raw);
  const DWORD size = static_cast<DWORD>(std::char_traits<char>::length(value) + 1);
  code = ::RegSetValueExA(owned.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), size);
  return StatusFromWindowsError(static_cast<DWORD>(code));
}

Status ReadUserSettingForTesting(const SettingsKey& key, const char* section, const char* name,
                                 std::string* value) {
  HKEY raw = nullptr;
  LONG code =
      ::RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(key, section).c_str(), 0, KEY_QUERY_VALUE, &raw);
  if (code != ERROR_SUCCESS) return StatusFromWindowsError(static_cast<DWORD>(code));
  UniqueKey owned(raw);
  DWORD type = 0;
  DWORD size = 0;
  code = ::RegQueryValueExA(owned.get(), name, nullptr, &type, nullptr, &size);
  if (code != ERROR_SUCCESS) return StatusFromWindowsError(static_cast<DWORD>(code));
  if (type != REG_SZ) return StatusFromWindowsError(ERROR_INVALID_DATA);
  std::vector<char> buffer(size + 1, '\0');
  code = ::RegQueryValueExA(owned.get(), name, nullptr, &type,
                            reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (code != ERROR_SUCCESS) return StatusFromWindowsError(static_cast<DWORD>(code));
  value->assign(buffer.data());
  return StatusFromWindowsError(ERROR_SUCCESS);
}

}  // namespace install::platform
