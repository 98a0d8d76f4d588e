// Loads the library by path and finds its exports, the way a setup program
// does, rather than linking against it. Paths and texts here are UTF-8 on
// Windows, bytes elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  // Calls export `name` with a writable copy of `text`, as a setup program
  // would: on Windows through its Unicode twin where it has one, unless
  // `ansi`; the ANSI export gets the text in the ANSI code page, '?' for what
  // it cannot hold as Windows converts it (a look-alike or '?'), as an ANSI
  // installer's text. False: no such export.
  bool Call(const std::string& name, const std::string& text, bool ansi, std::int32_t* value,
            std::int32_t* result) const;
  // Any export by name, as `Function`: a twin is Find<InstallWideExportFn>.
  template <typename Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(FindAddress(name));
  }

 private:
  void* FindAddress(const char* name) const;

  void* handle_ = nullptr;
};

// The program's arguments, program name first: on Windows read from the
// Unicode command line, as UTF-8, so that any name survives.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Sets an environment variable where the library looks for it (on Windows
// the process environment, as a setup program's SetEnvironmentVariable
// does); a null value removes it.
void SetEnvironmentValue(const char* name, const char* value);

// Makes a new folder in the system's folder for temporary files that only
// this user can list or write, under a name nobody could have made ready for
// it (a name taken already is never used): false if none could be made.
bool MakePrivateFolder(std::string* path);

}  // namespace installctl
