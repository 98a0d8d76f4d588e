// The frame every export runs in: the library's module context is current
// for the whole call and the caller's is put back on every way out; gated
// exports refuse a wrong token before doing anything. The library throws
// nothing: every failure, running out of memory for the caller's text
// included, comes back as a value.
#pragma once

#include <cstdint>
#include <string_view>

#include "entry/call_log.h"
#include "framework/module_state.h"
#include "install.h"
#include "platform/text.h"

namespace install {

struct ExportRule {
  bool gated;
  std::int32_t refusal;   // returned, with no other effect, for a wrong token
  std::int32_t failure;   // returned when the work fails unexpectedly
  const char* name = "";  // as the diagnostic log shows it
};

// k<name>Rule for each export, and k<name>WRule for each Unicode twin.
#define INSTALL_EXPORT_RULE(name, gated, refusal, failure, wide)                  \
  inline constexpr ExportRule k##name##Rule{gated != 0, refusal, failure, #name}; \
  INSTALL_IF_TWIN(wide)                                                           \
  (inline constexpr ExportRule k##name##WRule{gated != 0, refusal, failure, #name "W"};)
INSTALL_EXPORT_TABLE(INSTALL_EXPORT_RULE)
#undef INSTALL_EXPORT_RULE

inline bool TokenMatches(const std::int32_t* value) {
  return value != nullptr && *value == INSTALL_ACCESS_TOKEN;
}

inline const char* TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }
inline const wchar_t* TextOrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }

// The caller's text as the log shows it, in the library's text: an ANSI
// text as the system converts it, a twin's with U+FFFD for what UTF-16
// cannot hold, so that even a refused text is shown. False when there is
// not the memory for it.
inline bool LoggedText(const char* text, platform::TextBuffer* logged) {
  return platform::TextFromCaller(TextOrEmpty(text), logged).ok() ||
         logged->Assign(TextOrEmpty(text));
}
inline bool LoggedText(const wchar_t* text, platform::TextBuffer* logged) {
  return platform::TextFromCaller(TextOrEmpty(text), logged, platform::InvalidText::kReplace).ok();
}

// `text` is the caller's text (char, or wchar_t for a twin) as the call
// received it, for the log.
template <typename Char, typename Work>
std::int32_t RunExport(const ExportRule& rule, const std::int32_t* lpIValue, const Char* text,
                       Work&& work) noexcept {
  AFX_MAINTAIN_STATE library_context(AfxGetStaticModuleState());
  CallLog log(rule.name);
  log.TakeText([&](platform::TextBuffer* logged) { return LoggedText(text, logged); });
  if (rule.gated && !TokenMatches(lpIValue)) return log.Write(TokenCheck::kRefused, rule.refusal);
  return log.Write(rule.gated ? TokenCheck::kAccepted : TokenCheck::kNotGated, work());
}

// For work that reads the whole text: it gets the text in the library's own
// form. A twin's text that UTF-16 cannot hold (an unpaired surrogate), or a
// text there is not the memory to copy, is answered with the export's
// failure value, and nothing is done.
template <typename Char, typename Work>
std::int32_t RunExportOnText(const ExportRule& rule, const std::int32_t* lpIValue, const Char* text,
                             Work&& work) noexcept {
  return RunExport(rule, lpIValue, text, [&]() -> std::int32_t {
    platform::TextBuffer own;
    if (!platform::TextFromCaller(TextOrEmpty(text), &own).ok()) return rule.failure;
    return work(own.c_str());
  });
}

}  // namespace install
