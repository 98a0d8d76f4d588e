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

// Whether the thread's messages are the untranslated ones of "C" (or
// "C.UTF-8") or "POSIX", as in a host that never chose a language.
bool CurrentMessagesUntranslated() {
  const char* name = nl_langinfo(_NL_LOCALE_NAME(LC_MESSAGES));
  return std::strcmp(name, "C") == 0 || std::strncmp(name, "C.", 2) == 0 ||
         std::strcmp(name, "POSIX") == 0;
}

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
  const int categories = (CurrentLocaleIsAscii() ? LC_CTYPE_MASK : 0) |
                         (CurrentMessagesUntranslated() ? LC_MESSAGES_MASK : 0);
  // Characters without messages where the user's messages locale is missing.
  for (const int wanted : {categories, categories & LC_CTYPE_MASK}) {
    if (wanted == 0 || own_ != static_cast<locale_t>(0)) continue;
    // The other categories as the thread has them; on failure the copy is ours.
    const locale_t base = ::duplocale(::uselocale(static_cast<locale_t>(0)));
    if (base == static_cast<locale_t>(0)) break;
    own_ = ::newlocale(wanted, kUserLocale, base);
    if (own_ == static_cast<locale_t>(0)) ::freelocale(base);
  }
  if (own_ != static_cast<locale_t>(0)) previous_ = ::uselocale(own_);
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
