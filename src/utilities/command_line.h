// A Windows command line read the way Windows programs read their own, so
// that a script's command line means the same program and arguments on
// every platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace install::utilities {

// Splits `line` into the program name and its arguments:
// - arguments are separated by spaces and tabs outside double quotes;
// - the program name is taken as a path: quotes group and are dropped, and a
//   backslash is always an ordinary character;
// - in the arguments, 2n backslashes before a quote give n backslashes and
//   the quote opens or closes a quoted part; 2n+1 give n backslashes and a
//   literal quote; inside a quoted part "" gives a literal quote; other
//   backslashes are ordinary;
// - an unclosed quote runs to the end of the line.
// An empty or blank line gives no words at all.
std::vector<std::string> SplitWindowsCommandLine(std::string_view line);

}  // namespace install::utilities
