// The caller's text (text.cpp of each backend). The library's own text is
// UTF-8 on Windows and bytes as given on POSIX. Each export turns its
// caller's text into it once, at the frame. Each conversion fills a
// FallibleBuffer: a text too large for the memory left is answered with
// Error::kNoResources, noted for the log.
#pragma once

#include <string_view>

#include "platform/fallible_buffer.h"
#include "platform/status.h"

namespace install::platform {

// An export's 8-bit text: on Windows from the ANSI code page, as Windows' own
// A functions read it; on POSIX the bytes as they are.
Status TextFromCaller(std::string_view given, TextBuffer* text);

// ---- Windows only: the Unicode twins' text (win32/text.cpp). The POSIX
// library has no twins and defines none of these; they are declared for all
// because the frame's templates name them.

// What to do with text that has no exact equivalent in the target form.
enum class InvalidText { kRefuse, kReplace };

// Their UTF-16 text. kRefuse fails on an unpaired surrogate; kReplace (for
// the log) puts U+FFFD in its place.
Status TextFromCaller(std::wstring_view given, TextBuffer* text,
                      InvalidText invalid = InvalidText::kRefuse);

// A twin's operand as the bytes a host configuration file holds, the ANSI
// code page, as the ANSI export would have received it. A character the
// code page has no exact byte for fails: no '?' and no look-alike is ever
// written or matched.
Status FileBytesFromCaller(std::wstring_view given, TextBuffer* bytes);

}  // namespace install::platform
