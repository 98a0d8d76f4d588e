// Gives the whole test program a private, empty settings store, so that no
// test sees or touches the real one: HKEY_CURRENT_USER of this process
// becomes a fresh scratch key, made before the tests run and removed after
// them.
#include <windows.h>

#include <string>

namespace {

constexpr char kScratchKey[] = "Software\\InstallTests";

struct ScratchUserKey {
  ScratchUserKey() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    ::RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, key);
  }
  ~ScratchUserKey() {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(key);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    // Goes only once no other program's key is left in it.
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
  }

  const std::string path =
      std::string(kScratchKey) + "\\" + std::to_string(::GetCurrentProcessId());
  HKEY key = nullptr;
} const kIsolatedStore;

}  // namespace
