// Loads the library by path and finds its exports, the way a setup program
// does, rather than linking against it.
#pragma once

#include <string>

#include "install.h"

namespace installctl {

class InstallLibrary {
 public:
  InstallLibrary() = default;
  InstallLibrary(const InstallLibrary&) = delete;
  InstallLibrary& operator=(const InstallLibrary&) = delete;
  ~InstallLibrary();

  // The library's file name beside this program (bin/), or in ../lib after
  // an install; on Linux failing those, the name for the loader to search
  // its usual folders (a packaged install puts it in a multiarch folder).
  static std::string DefaultPath();

  bool Load(const std::string& path, std::string* error);
  InstallExportFn Find(const char* name) const { return Find<InstallExportFn>(name); }
  // Any export by name, as `Function`: a twin is Find<InstallWideExportFn>.
  template <typename Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(FindAddress(name));
  }

 private:
  void* FindAddress(const char* name) const;

  void* handle_ = nullptr;
};

// Sets an environment variable where the library looks for it (on Windows
// the process environment, as a setup program's SetEnvironmentVariable
// does); a null value removes it.
void SetEnvironmentValue(const char* name, const char* value);

}  // namespace installctl
