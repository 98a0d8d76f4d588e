// installctl: loads the library the way a setup program does and calls one
// export, or runs the demo.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "demo.h"
#include "install.h"
#include "install_version.h"
#include "library.h"

namespace {

// In the form help2man reads for the manual page's synopsis.
constexpr const char kUsage[] =
    "Usage: installctl [--library PATH] [--value N] [--log FILE | -v] [--ansi] EXPORT [TEXT]\n"
    "  or:  installctl [--library PATH] [-v] demo\n"
    "  or:  installctl --help | --version\n";

void PrintHelp() {
  std::printf("%s", kUsage);
  std::printf(
      "\n"
      "Calls one export of the Install library with the arguments a setup script\n"
      "passes (owner window: none; integer: --value; text: TEXT, empty if left out)\n"
      "and prints its 32-bit result on a line of its own.\n"
      "\n"
      "  --library PATH  the library to load (default: the one beside installctl,\n"
      "                  else the installed one)\n"
      "  --value N       the integer argument, decimal or 0x hex\n"
      "                  (default: the access token, 0x%X)\n"
      "  --log FILE      appends the call's line of the diagnostic log to FILE\n"
      "                  (sets INSTALL_LOG for this call)\n"
      "  -v              prints the call's log line on standard error\n"
      "                  (with demo: the lines of all its calls)\n"
      "  --ansi          on Windows, calls the ANSI export with TEXT in the ANSI\n"
      "                  code page, as an ANSI installer does, instead of its\n"
      "                  Unicode twin (NameW, for the exports marked W)\n"
      "  demo            shows the library at work on a sample in a fresh folder\n"
      "\n"
      "Exports (gated ones refuse a wrong --value with the value shown):\n",
      INSTALL_ACCESS_TOKEN);
#define INSTALL_HELP_ROW(name, gated, refusal, failure, wide)                        \
  if (gated)                                                                         \
    std::printf("  %-26s %s gated, refusal %d\n", #name, wide ? "W" : " ", refusal); \
  else                                                                               \
    std::printf("  %-26s %s not gated\n", #name, wide ? "W" : " ");
  INSTALL_EXPORT_TABLE(INSTALL_HELP_ROW)
#undef INSTALL_HELP_ROW
  std::printf("\nResults of the two ExZKCFG_ exports:\n");
#define INSTALL_HELP_CODE(name, value, meaning) std::printf("  %d  %s\n", value, meaning);
  INSTALL_EDIT_RESULT_TABLE(INSTALL_HELP_CODE)
#undef INSTALL_HELP_CODE
  std::printf(
      "\n"
      "Exit status:\n"
      "  0  the export was called (its result is printed, not returned)\n"
      "  1  the demo, or -v for its log, could not create its folder\n"
      "  2  a wrong argument, or a library that cannot be loaded\n"
      "\n"
      "Environment:\n"
      "  %s     a file every call of the library appends its log line to\n",
      INSTALL_LOG_VARIABLE);
}

bool IsExportName(const std::string& name) {
#define INSTALL_IS_EXPORT(export_name, gated, refusal, failure, wide) \
  if (name == #export_name) return true;
  INSTALL_EXPORT_TABLE(INSTALL_IS_EXPORT)
#undef INSTALL_IS_EXPORT
  return false;
}

bool ParseValue(const char* text, std::int32_t* value) {
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX)
    return false;
  *value = static_cast<std::int32_t>(parsed);
  return true;
}

// The log line of a -v call goes to a file of its own first: the library
// appends to files, and standard error is not one on every system. The file
// is in a folder only this user can write, so nobody can have put a link or a
// file of theirs under its name.
constexpr const char kPrivateLogName[] = "call.log";

std::filesystem::path FromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

void CopyToStandardError(const std::string& utf8_folder) {
  const std::filesystem::path folder = FromUtf8(utf8_folder);
  {
    std::ifstream log(folder / kPrivateLogName, std::ios::binary);
    if (log) std::cerr << log.rdbuf();
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

constexpr const char kTooManyArguments[] = "too many arguments";

int Fail(const std::string& message) {
  std::fprintf(stderr, "installctl: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = installctl::ProgramArguments(argc, argv);
  const std::size_t count = args.size();
  std::string library_path;
  std::string log_path;
  bool log_to_standard_error = false;
  bool ansi = false;
  std::int32_t value = INSTALL_ACCESS_TOKEN;
  if (count < 2) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  std::size_t arg = 1;
  for (; arg < count && args[arg][0] == '-'; ++arg) {
    const std::string& option = args[arg];
    const bool alone = arg + 1 == count;
    if (option == "--help") {
      if (!alone) return Fail(kTooManyArguments);
      PrintHelp();
      return 0;
    }
    if (option == "--version") {
      if (!alone) return Fail(kTooManyArguments);
      std::printf("installctl %s\n", INSTALL_VERSION_TEXT);
      return 0;
    }
    if (option == "-v" || option == "--ansi") {
      (option == "-v" ? log_to_standard_error : ansi) = true;
      continue;
    }
    if (option != "--log" && option != "--library" && option != "--value") {
      return Fail("unknown option " + option);
    }
    if (arg + 1 >= count) return Fail(option + " needs a value");
    if (option == "--log") {
      log_path = args[++arg];
    } else if (option == "--library") {
      library_path = args[++arg];
    } else if (!ParseValue(args[++arg].c_str(), &value)) {
      return Fail("--value takes a 32-bit integer");
    }
  }
  if (arg >= count) return Fail("the export to call is missing");
  if (log_to_standard_error && !log_path.empty()) return Fail("--log and -v exclude each other");
  const std::string command = args[arg++];
  if (command != "demo" && !IsExportName(command)) return Fail("no export named " + command);
  const std::size_t texts_allowed = command == "demo" ? 0 : 1;
  if (count - arg > texts_allowed) return Fail(kTooManyArguments);

  installctl::InstallLibrary library;
  if (library_path.empty()) library_path = installctl::InstallLibrary::DefaultPath();
  std::string error;
  if (!library.Load(library_path, &error))
    return Fail("cannot load " + library_path + ": " + error);

  std::string private_folder;
  if (log_to_standard_error) {
    if (!installctl::MakePrivateFolder(&private_folder)) {
      std::fprintf(stderr, "installctl: cannot create a private folder for the log\n");
      return 1;
    }
    const std::u8string path = (FromUtf8(private_folder) / kPrivateLogName).u8string();
    log_path.assign(path.begin(), path.end());
  }
  if (!log_path.empty()) installctl::SetEnvironmentValue(INSTALL_LOG_VARIABLE, log_path.c_str());
  int status = 0;
  if (command == "demo") {
    status = installctl::RunDemo(library);
  } else {
    std::int32_t result = 0;
    if (!library.Call(command, arg < count ? args[arg] : "", ansi, &value, &result))
      return Fail(library_path + " does not export " + command);
    std::printf("%" PRId32 "\n", result);
  }
  std::fflush(stdout);
  if (log_to_standard_error) CopyToStandardError(private_folder);
  return status;
}
