#include "framework/framework_services.h"

#include <string>

#include "framework/module_state.h"
#include "platform/call_notes.h"
#include "platform/thread_slot.h"

namespace install::framework {
namespace {

class PlatformServices final : public FrameworkServices {
 public:
  int RunModalDialog(void* owner, const void* resources, int template_id,
                     const platform::DialogColors* colors,
                     platform::DialogEvents& events) override {
    return platform::RunModalDialog(owner, resources, template_id, colors, events);
  }
  int MessageBox(void* owner, const char* text, const char* caption, unsigned style) override {
    return platform::ShowMessageBox(owner, text, caption, style);
  }
  bool WriteProfileString(const platform::SettingsKey& key, const char* section, const char* entry,
                          const char* value) override {
    const platform::Status status = platform::WriteUserSetting(key, section, entry, value);
    if (!status.ok() && platform::IsNoting()) {
      platform::NoteFailure((std::string("write ") + entry).c_str(), status);
    }
    return status.ok();
  }
};

}  // namespace

// Per thread, like the module context, so a test's stand-in never leaks into
// another thread's calls.
FrameworkServices& Services() {
  static PlatformServices platform_services;
  auto* for_testing = static_cast<FrameworkServices*>(
      platform::GetThreadSlot(platform::ThreadSlot::kServicesForTesting));
  return for_testing != nullptr ? *for_testing : platform_services;
}

void SetFrameworkServicesForTesting(FrameworkServices* services) {
  platform::SetThreadSlot(platform::ThreadSlot::kServicesForTesting, services);
}

std::string LoadResourceString(int id, const char* fallback) {
  return platform::LoadResourceString(AfxGetModuleState()->m_hCurrentResourceHandle, id, fallback);
}

int MessageBoxA(void* owner, const char* text, const char* caption, unsigned style) {
  return Services().MessageBox(owner, text, caption, style);
}

}  // namespace install::framework
