// The text argument of the configuration-editing exports: a configuration
// file path, "*", and an operand (a plug-in name, or the line to append).
// The request is split in the caller's own buffer, of char or, for a
// Unicode twin, of wchar_t; then the path becomes the library's text and
// the operand the bytes of the configuration file.
#pragma once

#include <cstdint>
#include <string_view>

#include "install.h"
#include "platform/call_notes.h"
#include "platform/text.h"

namespace install {

template <typename Char>
struct EditRequest {
  const Char* path = nullptr;     // null: the request names no file
  const Char* operand = nullptr;  // null: no "*" after the path, or nothing after it
  bool has_separator = false;     // a "*" ends the path
};

// Splits `text` in place. Leading "*" are skipped; the first "*" after the
// path becomes a zero, so the caller's buffer then reads as the path alone;
// every later "*" belongs to the operand. `text` may be null.
template <typename Char>
EditRequest<Char> SplitEditRequest(Char* text) {
  constexpr Char kRequestSeparator = '*';
  EditRequest<Char> request;
  if (text == nullptr) return request;
  while (*text == kRequestSeparator) ++text;
  if (*text == Char{}) return request;
  request.path = text;
  while (*text != Char{} && *text != kRequestSeparator) ++text;
  if (*text == kRequestSeparator) {
    request.has_separator = true;
    *text = Char{};
    if (text[1] != Char{}) request.operand = text + 1;
  }
  return request;
}

// The file work behind one of the editing exports: `path` in the library's
// text, `operand` in the configuration file's bytes.
using EditOperation = std::int32_t (*)(const char* path, const char* operand);

// Answers a request that names no file (INSTALL_EDIT_NOT_READABLE) or has
// no operand (INSTALL_EDIT_FILE_FAILED); 0 when it has both.
std::int32_t CheckEditRequest(const void* path, const void* operand, bool has_separator);

// The operand as the configuration file's bytes: an ANSI caller's bytes go
// to the file unchanged; a Unicode twin's text is converted to the ANSI code
// page, which is what the ANSI export would have been given.
inline platform::Status OperandBytes(std::string_view given, platform::TextBuffer* bytes) {
  if (bytes->Assign(given)) return platform::Status{};
  platform::NoteFailure("copy the operand", platform::kOutOfMemory);
  return platform::Status{platform::Error::kNoResources, 0};
}
inline platform::Status OperandBytes(std::wstring_view given, platform::TextBuffer* bytes) {
  return platform::FileBytesFromCaller(given, bytes);
}

// Splits the request and hands it to `operation`, with the path in the
// library's text and the operand in the file's bytes. A request that names
// no file, or has no operand, touches no file (CheckEditRequest); one whose
// path or operand cannot be converted, or not copied for want of memory,
// answers INSTALL_EDIT_FILE_FAILED and touches none either.
template <typename Char>
std::int32_t RunEditRequest(Char* text, EditOperation operation) {
  const EditRequest<Char> request = SplitEditRequest(text);
  const std::int32_t unusable =
      CheckEditRequest(request.path, request.operand, request.has_separator);
  if (unusable != 0) return unusable;
  platform::TextBuffer path;
  platform::TextBuffer operand;
  if (!platform::TextFromCaller(std::basic_string_view<Char>(request.path), &path).ok() ||
      !OperandBytes(std::basic_string_view<Char>(request.operand), &operand).ok()) {
    return INSTALL_EDIT_FILE_FAILED;
  }
  return operation(path.c_str(), operand.c_str());
}

// Notes what failed for the diagnostic log and answers
// INSTALL_EDIT_FILE_FAILED.
std::int32_t EditFileFailed(const char* step, const platform::Status& status);

}  // namespace install
