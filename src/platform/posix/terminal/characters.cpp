#include "platform/posix/terminal/characters.h"

#include <langinfo.h>

#include <cstring>
#include <cwchar>
#include <cwctype>

#include "platform/call_notes.h"

namespace install::platform::terminal {
namespace {

// What the C library calls the character set of the "C" and "POSIX"
// locales: ASCII.
constexpr char kAsciiCodeset[] = "ANSI_X3.4-1968";
constexpr char kUserLocale[] = "";
constexpr char kBytesFact[] =
    "the locale names no character set beyond ASCII: the form takes each byte as a character";

bool CurrentLocaleIsAscii() { return std::strcmp(nl_langinfo(CODESET), kAsciiCodeset) == 0; }

// The character at the start of `bytes`, if the locale can read one.
bool ReadCharacter(const char* bytes, std::size_t size, std::size_t* length, wchar_t* character) {
  std::mbstate_t state{};
  const std::size_t got = std::mbrtowc(character, bytes, size, &state);
  if (got == static_cast<std::size_t>(-1) || got == static_cast<std::size_t>(-2)) return false;
  *length = got == 0 ? 1 : got;  // a zero byte is one byte long
  return true;
}

}  // namespace

CharacterLocale::CharacterLocale() {
  if (CurrentLocaleIsAscii()) {
    own_ = ::newlocale(LC_CTYPE_MASK, kUserLocale, static_cast<locale_t>(0));
    if (own_ != static_cast<locale_t>(0)) previous_ = ::uselocale(own_);
  }
  knows_characters_ = !CurrentLocaleIsAscii();
  if (!knows_characters_) NoteFact(kBytesFact);
}

CharacterLocale::~CharacterLocale() {
  if (own_ == static_cast<locale_t>(0)) return;
  ::uselocale(previous_);
  ::freelocale(own_);
}

Decoded DecodeCharacter(const char* bytes, std::size_t size, std::size_t* length) {
  std::mbstate_t state{};
  wchar_t character;
  const std::size_t got = std::mbrtowc(&character, bytes, size, &state);
  if (got == static_cast<std::size_t>(-2)) return Decoded::kIncomplete;
  if (got == static_cast<std::size_t>(-1)) return Decoded::kInvalid;
  *length = got == 0 ? 1 : got;
  return Decoded::kCharacter;
}

bool IsTextCharacter(const std::string& character) {
  std::size_t length;
  wchar_t decoded;
  if (!ReadCharacter(character.data(), character.size(), &length, &decoded)) return true;
  return std::iswprint(static_cast<wint_t>(decoded)) != 0;
}

}  // namespace install::platform::terminal
