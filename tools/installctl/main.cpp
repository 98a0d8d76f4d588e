// installctl: loads the library the way a setup program does and calls one
// export, or runs the demo.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo.h"
#include "install.h"
#include "install_version.h"
#include "library.h"

namespace {

constexpr const char kUsage[] =
    "usage: installctl [--library PATH] [--value N] EXPORT [TEXT]\n"
    "       installctl [--library PATH] demo\n"
    "       installctl --help | --version\n";

void PrintHelp() {
  std::printf("%s", kUsage);
  std::printf(
      "\n"
      "Calls one export of the Install library with the arguments a setup script\n"
      "passes (owner window: none; integer: --value; text: TEXT, empty if left out)\n"
      "and prints its 32-bit result on a line of its own.\n"
      "\n"
      "  --library PATH  the library to load (default: the one beside installctl)\n"
      "  --value N       the integer argument, decimal or 0x hex\n"
      "                  (default: the access token, 0x%X)\n"
      "  demo            shows the library at work on a sample in a fresh folder\n"
      "\n"
      "Exports (gated ones refuse a wrong --value with the value shown):\n",
      INSTALL_ACCESS_TOKEN);
#define INSTALL_HELP_ROW(name, gated, refusal, failure)         \
  if (gated)                                                    \
    std::printf("  %-26s gated, refusal %d\n", #name, refusal); \
  else                                                          \
    std::printf("  %-26s not gated\n", #name);
  INSTALL_EXPORT_TABLE(INSTALL_HELP_ROW)
#undef INSTALL_HELP_ROW
  std::printf("\nResults of the two ExZKCFG_ exports:\n");
#define INSTALL_HELP_CODE(name, value, meaning) std::printf("  %d  %s\n", value, meaning);
  INSTALL_EDIT_RESULT_TABLE(INSTALL_HELP_CODE)
#undef INSTALL_HELP_CODE
}

bool IsExportName(const std::string& name) {
#define INSTALL_IS_EXPORT(export_name, gated, refusal, failure) \
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

int Fail(const std::string& message) {
  std::fprintf(stderr, "installctl: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string library_path;
  std::int32_t value = INSTALL_ACCESS_TOKEN;
  int arg = 1;
  for (; arg < argc && argv[arg][0] == '-' && argv[arg][1] == '-'; ++arg) {
    const std::string option = argv[arg];
    if (option == "--help") {
      PrintHelp();
      return 0;
    }
    if (option == "--version") {
      std::printf("installctl %s\n", INSTALL_VERSION_TEXT);
      return 0;
    }
    if (arg + 1 >= argc) return Fail(option + " needs a value");
    if (option == "--library") {
      library_path = argv[++arg];
    } else if (option == "--value") {
      if (!ParseValue(argv[++arg], &value)) return Fail("--value takes a 32-bit integer");
    } else {
      return Fail("unknown option " + option);
    }
  }
  if (arg >= argc) return Fail("no export named");
  const std::string command = argv[arg++];
  if (command != "demo" && !IsExportName(command)) return Fail("no export named " + command);
  if (argc - arg > 1) return Fail("too many arguments");

  installctl::InstallLibrary library;
  if (library_path.empty()) library_path = installctl::InstallLibrary::DefaultPath();
  std::string error;
  if (!library.Load(library_path, &error))
    return Fail("cannot load " + library_path + ": " + error);

  if (command == "demo") return installctl::RunDemo(library);

  InstallExportFn function = library.Find(command.c_str());
  if (function == nullptr) return Fail(library_path + " does not export " + command);
  // The exports may write into the text (the edit requests do), so they get
  // a buffer of their own.
  const char* text = arg < argc ? argv[arg] : "";
  std::vector<char> buffer(text, text + std::strlen(text) + 1);
  std::printf("%" PRId32 "\n", function(nullptr, &value, buffer.data()));
  return 0;
}
