#include "library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "install_version.h"

namespace installctl {
namespace {

// The name the library is installed under (its SONAME), which is also the
// name the loader searches its own folders for.
constexpr const char kLibraryName[] = INSTALL_LIBRARY_SONAME;
// mkdtemp replaces the X's with random characters and makes the folder 0700.
constexpr const char kPrivateFolderPattern[] = "installctl-XXXXXX";

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string folder(path, static_cast<std::size_t>(length));
  return folder.substr(0, folder.rfind('/'));
}

}  // namespace

InstallLibrary::~InstallLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

std::string InstallLibrary::DefaultPath() {
  const std::string folder = ExecutableFolder();
  const std::string beside = folder + "/" + kLibraryName;
  if (::access(beside.c_str(), F_OK) == 0) return beside;
  const std::string installed = folder + "/../lib/" + kLibraryName;
  if (::access(installed.c_str(), F_OK) == 0) return installed;
  return kLibraryName;
}

bool InstallLibrary::Load(const std::string& path, std::string* error) {
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) *error = ::dlerror();
  return handle_ != nullptr;
}

void* InstallLibrary::FindAddress(const char* name) const { return ::dlsym(handle_, name); }

// The library takes bytes: there is no twin, and `ansi` changes nothing.
bool InstallLibrary::Call(const std::string& name, const std::string& text, bool /*ansi*/,
                          std::int32_t* value, std::int32_t* result) const {
  const InstallExportFn function = Find(name.c_str());
  if (function == nullptr) return false;
  std::string buffer = text;
  *result = function(nullptr, value, buffer.data());
  return true;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void SetEnvironmentValue(const char* name, const char* value) {
  if (value == nullptr) {
    ::unsetenv(name);
  } else {
    ::setenv(name, value, 1);
  }
}

bool MakePrivateFolder(std::string* path) {
  std::error_code error;
  const auto folder = std::filesystem::temp_directory_path(error);
  std::string pattern = (folder / kPrivateFolderPattern).string();
  if (error || ::mkdtemp(pattern.data()) == nullptr) return false;
  *path = pattern;
  return true;
}

}  // namespace installctl
