// The per-user settings store on Windows: string values in the registry
// under HKEY_CURRENT_USER\Software\<company>\<application>[\<section>].
// Registry functions return their error rather than setting the last one.
// Names and values go through the W calls, so a value is stored with every
// character the user typed; an ANSI reader gets the system's conversion.
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/call_notes.h"
#include "platform/settings.h"
#include "platform/win32/error.h"
#include "platform/win32/text.h"

namespace install::platform {
namespace {

constexpr char kSoftwareKey[] = "Software";

struct KeyCloser {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

constexpr char kUserRoot[] = "HKEY_CURRENT_USER\\";

std::string KeyPathText(const SettingsKey& key, const char* section) {
  std::string path = std::string(kSoftwareKey) + "\\" + key.company + "\\" + key.application;
  // The empty section is the application key itself, not a sub-key of it.
  if (section != nullptr && section[0] != '\0') path += std::string("\\") + section;
  return path;
}

Status KeyPath(const SettingsKey& key, const char* section, std::wstring* wide) {
  return WideFromText(KeyPathText(key, section), wide);
}

// For the diagnostic log: which key a failed write was at.
Status NotedAt(const char* step, const SettingsKey& key, const char* section, Status status) {
  if (!status.ok() && IsNoting()) {
    NoteFailure((step + (kUserRoot + KeyPathText(key, section))).c_str(), status);
  }
  return status;
}

}  // namespace

Status WriteUserSetting(const SettingsKey& key, const char* section, const char* name,
                        const char* value) {
  std::wstring path, wide_name, wide_value;
  Status status = KeyPath(key, section, &path);
  if (status.ok()) status = WideFromText(name, &wide_name);
  if (status.ok()) status = WideFromText(value, &wide_value);
  if (!status.ok()) return status;
  HKEY raw = nullptr;
  // Creates every missing key on the way down.
  LONG code = ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &raw, nullptr);
  if (code != ERROR_SUCCESS) {
    return NotedAt("open the settings key ", key, section,
                   StatusFromWindowsError(static_cast<DWORD>(code)));
  }
  UniqueKey owned(raw);
  const DWORD size = static_cast<DWORD>((wide_value.size() + 1) * sizeof(wchar_t));
  code = ::RegSetValueExW(owned.get(), wide_name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(wide_value.c_str()), size);
  return NotedAt("write a value under ", key, section,
                 StatusFromWindowsError(static_cast<DWORD>(code)));
}

Status ReadUserSettingForTesting(const SettingsKey& key, const char* section, const char* name,
                                 std::string* value) {
  std::wstring path, wide_name;
  Status status = KeyPath(key, section, &path);
  if (status.ok()) status = WideFromText(name, &wide_name);
  if (!status.ok()) return status;
  HKEY raw = nullptr;
  LONG code = ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &raw);
  if (code != ERROR_SUCCESS) return StatusFromWindowsError(static_cast<DWORD>(code));
  UniqueKey owned(raw);
  DWORD type = 0;
  DWORD size = 0;
  code = ::RegQueryValueExW(owned.get(), wide_name.c_str(), nullptr, &type, nullptr, &size);
  if (code != ERROR_SUCCESS) return StatusFromWindowsError(static_cast<DWORD>(code));
  if (type != REG_SZ) return StatusFromWindowsError(ERROR_INVALID_DATA);
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  code = ::RegQueryValueExW(owned.get(), wide_name.c_str(), nullptr, &type,
                            reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (code != ERROR_SUCCESS) return StatusFromWindowsError(static_cast<DWORD>(code));
  return TextFromWide(buffer.data(), value);
}

}  // namespace install::platform
