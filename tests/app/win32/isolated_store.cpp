// Gives the whole test program a private, empty settings store, so that no
// test sees or touches the real one: HKEY_CURRENT_USER of this process
// becomes a fresh scratch key.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

constexpr char kScratchKey[] = "Software\\InstallTests";

class IsolatedSettingsStore final : public ::testing::Environment {
 public:
  void SetUp() override {
    path_ = std::string(kScratchKey) + "\\" + std::to_string(::GetCurrentProcessId());
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    ::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key_, nullptr);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, key_);
  }
  void TearDown() override {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(key_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    // Goes only once no other program's key is left in it.
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
  }

 private:
  std::string path_;
  HKEY key_ = nullptr;
};

const auto* const kIsolatedStore = ::testing::AddGlobalTestEnvironment(new IsolatedSettingsStore);

}  // namespace
