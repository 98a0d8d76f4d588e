#include "app/isolated_store.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace install::testing {

constexpr char kScratchKey[] = "Software\\InstallTests";

struct IsolatedSettingsStore::State {
  std::string path;
  HKEY key = nullptr;
};

// HKEY_CURRENT_USER of this process becomes a fresh scratch key.
IsolatedSettingsStore::IsolatedSettingsStore() : state_(std::make_unique<State>()) {
  static std::atomic<int> counter{0};
  state_->path = std::string(kScratchKey) + "\\" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(counter++);
  ::RegDeleteTreeA(HKEY_CURRENT_USER, state_->path.c_str());
  ::RegCreateKeyExA(HKEY_CURRENT_USER, state_->path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &state_->key, nullptr);
  ::RegOverridePredefKey(HKEY_CURRENT_USER, state_->key);
}

IsolatedSettingsStore::~IsolatedSettingsStore() {
  ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  ::RegCloseKey(state_->key);
  ::RegDeleteTreeA(HKEY_CURRENT_USER, state_->path.c_str());
  // Goes only once no other test's key is left in it.
  ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
}

}  // namespace install::testing
