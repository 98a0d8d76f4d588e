#include "library.h"

#include <windows.h>
// After windows.h, whose types it needs.
#include <shellapi.h>

namespace installctl {
namespace {

constexpr const wchar_t kLibraryName[] = L"Install.dll";

std::wstring Widen(const std::string& text, UINT code_page) {
  const int length =
      ::MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  ::MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

// Characters the code page lacks become a look-alike or '?', as they do in
// the text an ANSI installer passes.
std::string Narrow(const std::wstring& wide, UINT code_page) {
  const int length = ::WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  ::WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                        length, nullptr, nullptr);
  return text;
}

std::string ExecutableFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return ".";
  const std::string folder = Narrow(std::wstring(path, length), CP_UTF8);
  return folder.substr(0, folder.find_last_of("\\/"));
}

}  // namespace

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
  // The ANSI argv has already lost what the code page cannot hold.
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; wide != nullptr && i < count; ++i) {
    arguments.push_back(Narrow(wide[i], CP_UTF8));
  }
  ::LocalFree(wide);
  return arguments;
}

InstallLibrary::~InstallLibrary() {
  if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

std::string InstallLibrary::DefaultPath() {
  return ExecutableFolder() + "\\" + Narrow(kLibraryName, CP_UTF8);
}

bool InstallLibrary::Load(const std::string& path, std::string* error) {
  handle_ = ::LoadLibraryW(Widen(path, CP_UTF8).c_str());
  if (handle_ == nullptr)
    *error = "LoadLibrary failed with error " + std::to_string(::GetLastError());
  return handle_ != nullptr;
}

void* InstallLibrary::FindAddress(const char* name) const {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

bool InstallLibrary::Call(const std::string& name, const std::string& text, bool ansi,
                          std::int32_t* value, std::int32_t* result) const {
  const auto twin = ansi ? nullptr : Find<InstallWideExportFn>((name + "W").c_str());
  if (twin != nullptr) {
    std::wstring buffer = Widen(text, CP_UTF8);
    *result = twin(nullptr, value, buffer.data());
    return true;
  }
  const InstallExportFn function = Find(name.c_str());
  if (function == nullptr) return false;
  std::string buffer = Narrow(Widen(text, CP_UTF8), CP_ACP);
  *result = function(nullptr, value, buffer.data());
  return true;
}

void SetEnvironmentValue(const char* name, const char* value) {
  ::SetEnvironmentVariableW(Widen(name, CP_UTF8).c_str(),
                            value != nullptr ? Widen(value, CP_UTF8).c_str() : nullptr);
}

}  // namespace installctl
