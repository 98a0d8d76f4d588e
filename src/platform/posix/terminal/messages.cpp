#include "platform/posix/terminal/messages.h"

#include <libintl.h>

#include <cstring>
#include <mutex>

namespace install::platform::terminal {
namespace {

// The library's own text domain and the folder its package installs the
// catalogues into. The host's text domain, its catalogue folders and its
// locale are never touched.
constexpr char kTextDomain[] = INSTALL_TEXT_DOMAIN;
constexpr char kCatalogueFolder[] = INSTALL_CATALOGUE_FOLDER;
// Where the C library looks for a domain that nobody has bound.
constexpr char kUnboundFolder[] = "/usr/share/locale";

// Binding is for the whole process: the library binds only its own domain,
// and only when the host has not bound it already (a host that ships the
// catalogues beside itself keeps its choice).
void BindOwnDomainOnce() {
  static std::once_flag bound;
  std::call_once(bound, [] {
    const char* current = ::bindtextdomain(kTextDomain, nullptr);
    if (current != nullptr && std::strcmp(current, kUnboundFolder) == 0 &&
        std::strcmp(kCatalogueFolder, kUnboundFolder) != 0) {
      ::bindtextdomain(kTextDomain, kCatalogueFolder);
    }
  });
}

}  // namespace

std::string Translate(const char* english) {
  // An empty text would look up the catalogue's header.
  if (english == nullptr || *english == '\0') return english != nullptr ? english : "";
  BindOwnDomainOnce();
  return ::dgettext(kTextDomain, english);
}

}  // namespace install::platform::terminal
