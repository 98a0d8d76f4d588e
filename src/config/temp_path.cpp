#include "config/temp_path.h"

#include "platform/ascii.h"

namespace install::config {
namespace {

constexpr char kDriveMark = ':';
constexpr std::size_t kDriveLength = 2;  // a letter and the colon
constexpr char kExtensionMark = '.';
constexpr std::string_view kDirectorySeparators = "\\/";

// Where the extension starts, or the path's length when the file name has
// no ".". Only the file name is searched: a "." in a directory does not count.
std::size_t ExtensionStart(std::string_view path) {
  std::size_t name_start = 0;
  if (path.size() >= kDriveLength && path[1] == kDriveMark) name_start = kDriveLength;
  std::size_t last_separator = path.find_last_of(kDirectorySeparators);
  if (last_separator != std::string_view::npos && last_separator + 1 > name_start) {
    name_start = last_separator + 1;
  }
  std::size_t dot = path.rfind(kExtensionMark);
  if (dot == std::string_view::npos || dot < name_start) return path.size();
  return dot;
}

}  // namespace

std::string TemporaryPathFor(std::string_view path) {
  std::string temporary(path.substr(0, ExtensionStart(path)));
  temporary.append(kTemporaryExtension);
  return temporary;
}

bool IsOwnTemporaryName(std::string_view path) {
  return platform::EqualsIgnoringAsciiCase(path.substr(ExtensionStart(path)), kTemporaryExtension);
}

}  // namespace install::config
