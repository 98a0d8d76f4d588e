// The frame every export runs in: the library's module context is current
// for the whole call and the caller's is put back on every way out; gated
// exports refuse a wrong token before doing anything; nothing is thrown
// across the library's boundary.
#pragma once

#include <cstdint>

#include "entry/call_log.h"
#include "framework/module_state.h"
#include "install.h"

namespace install {

struct ExportRule {
  bool gated;
  std::int32_t refusal;   // returned, with no other effect, for a wrong token
  std::int32_t failure;   // returned when the work fails unexpectedly
  const char* name = "";  // as the diagnostic log shows it
};

#define INSTALL_EXPORT_RULE(name, gated, refusal, failure) \
  inline constexpr ExportRule k##name##Rule{gated != 0, refusal, failure, #name};
INSTALL_EXPORT_TABLE(INSTALL_EXPORT_RULE)
#undef INSTALL_EXPORT_RULE

inline bool TokenMatches(const std::int32_t* value) {
  return value != nullptr && *value == INSTALL_ACCESS_TOKEN;
}

inline const char* TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }

// `text` is the caller's text as the call received it, for the log.
template <typename Work>
std::int32_t RunExport(const ExportRule& rule, const std::int32_t* lpIValue, const char* text,
                       Work&& work) noexcept {
  AFX_MAINTAIN_STATE library_context(AfxGetStaticModuleState());
  CallLog log(rule.name, text);
  if (rule.gated && !TokenMatches(lpIValue)) return log.Write(TokenCheck::kRefused, rule.refusal);
  std::int32_t result = rule.failure;
  try {
    result = work();
  } catch (...) {
    platform::NoteFailure("finish the call", "out of memory, or an unexpected fault");
  }
  return log.Write(rule.gated ? TokenCheck::kAccepted : TokenCheck::kNotGated, result);
}

}  // namespace install
