// The characters of the text a terminal form shows and edits, in the
// locale's own encoding: how many bytes each takes and how many cells it
// fills on the screen (two for most CJK characters and emoji, none for a
// combining mark). Where the locale names no character set beyond ASCII, every byte
// is a character of one cell.
#pragma once

#include <clocale>
#include <cstddef>
#include <string>

namespace install::platform::terminal {

// While it lives, the calling thread reads characters by the host's
// locale as it is or, when the host has left its locale at "C" (as most
// programs that never call setlocale do), by the user's locale from the
// environment, as the host would have with setlocale(LC_ALL, ""). Messages
// likewise: in the host's language, or the user's where the host has none.
// Only this thread's locale is touched, and it is given back.
class CharacterLocale {
 public:
  CharacterLocale();
  ~CharacterLocale();
  CharacterLocale(const CharacterLocale&) = delete;
  CharacterLocale& operator=(const CharacterLocale&) = delete;

  // False when bytes are taken one by one: no locale knows the characters.
  bool knows_characters() const { return knows_characters_; }

 private:
  locale_t own_ = static_cast<locale_t>(0);
  locale_t previous_ = static_cast<locale_t>(0);
  bool knows_characters_ = false;
};

enum class Decoded { kCharacter, kIncomplete, kInvalid };

// Whether `bytes` begin with a whole character (its length in `length`),
// may still become one, or can never be one.
Decoded DecodeCharacter(const char* bytes, std::size_t size, std::size_t* length);

// A whole character that a field may hold: printable in the locale, or a
// byte it cannot read, which is kept as it is.
bool IsTextCharacter(const std::string& character);

// A user-perceived character, the unit of the cursor, of Backspace and
// Delete and of a field's limit (clusters.cpp): a character with the marks
// and joined characters that follow it. `length` in bytes (at least one),
// `cells` as a terminal draws it.
struct Cluster {
  std::size_t length;
  int cells;
};
Cluster ClusterAt(const std::string& text, std::size_t at);

std::size_t ClusterLength(const std::string& text, std::size_t at);
// Where the cluster before the one at `at` starts.
std::size_t PreviousCluster(const std::string& text, std::size_t at);
// Where the cluster holding the byte at `at` ends: `at` itself when a
// cluster starts there.
std::size_t ClusterBoundary(const std::string& text, std::size_t at);
std::size_t ClusterCount(const std::string& text);
int Cells(const std::string& text);

}  // namespace install::platform::terminal
