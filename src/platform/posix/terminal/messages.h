// The texts a terminal form shows, in the user's language: the library's
// own message catalogue, looked up under the locale the calling thread has
// while the terminal session is open (characters.h).
#pragma once

#include <string>

namespace install::platform::terminal {

// `english` as the catalogue translates it for the calling thread's
// LC_MESSAGES, in its character set; `english` itself where there is no
// translation.
std::string Translate(const char* english);

}  // namespace install::platform::terminal
