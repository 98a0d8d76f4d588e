#include "library.h"

#include <windows.h>

namespace installctl {
namespace {

constexpr const char kLibraryName[] = "Install.dll";

std::string ExecutableFolder() {
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return ".";
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/"));
}

}  // namespace

InstallLibrary::~InstallLibrary() {
  if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

std::string InstallLibrary::DefaultPath() { return ExecutableFolder() + "\\" + kLibraryName; }

bool InstallLibrary::Load(const std::string& path, std::string* error) {
  handle_ = ::LoadLibraryA(path.c_str());
  if (handle_ == nullptr)
    *error = "LoadLibrary failed with error " + std::to_string(::GetLastError());
  return handle_ != nullptr;
}

void* InstallLibrary::FindAddress(const char* name) const {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void SetEnvironmentValue(const char* name, const char* value) {
  ::SetEnvironmentVariableA(name, value);
}

}  // namespace installctl
