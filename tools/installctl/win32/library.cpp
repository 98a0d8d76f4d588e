#include "library.h"

#include <windows.h>
// After windows.h, whose types they need.
#include <sddl.h>
#include <shellapi.h>

#include <memory>

#include "platform/win32/handles.h"

namespace installctl {
namespace {

constexpr const wchar_t kLibraryName[] = L"Install.dll";
constexpr const wchar_t kPrivateFolderPrefix[] = L"installctl-";
// Protected (nothing inherited from the folder above) and full access for
// one account, whose SID follows, and for what it creates inside.
constexpr const wchar_t kOwnerOnlyAccessPrefix[] = L"D:P(A;OICI;FA;;;";
constexpr const wchar_t kAccessSuffix[] = L")";
constexpr int kPrivateFolderTries = 100;

// The access list that lets only the account this process runs as in, in
// the security descriptor language; empty if it cannot be told.
std::wstring OwnerOnlyAccess() {
  install::platform::UniqueObject token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return L"";
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  const auto user = std::make_unique<char[]>(size);
  wchar_t* sid_text = nullptr;
  if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, user.get(), size, &size) ||
      !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid, &sid_text))
    return L"";
  const install::platform::UniqueLocalMemory sid(sid_text);
  return kOwnerOnlyAccessPrefix + std::wstring(sid_text) + kAccessSuffix;
}

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

// CreateDirectoryW fails on a name that exists, whatever it is (a junction
// made ready by someone else, say), so a name that is guessed in advance
// only costs another try.
bool MakePrivateFolder(std::string* path) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring access = OwnerOnlyAccess();
  install::platform::UniqueLocalMemory descriptor;
  if (length == 0 || length > MAX_PATH || access.empty() ||
      !::ConvertStringSecurityDescriptorToSecurityDescriptorW(access.c_str(), SDDL_REVISION_1,
                                                              descriptor.put(), nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
  for (int attempt = 0; attempt < kPrivateFolderTries; ++attempt) {
    const std::wstring folder = std::wstring(temp, length) + kPrivateFolderPrefix +
                                std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                std::to_wstring(::GetTickCount64() + attempt);
    if (::CreateDirectoryW(folder.c_str(), &attributes)) {
      *path = Narrow(folder, CP_UTF8);
      return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

}  // namespace installctl
