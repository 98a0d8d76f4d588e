// The work of RequestUserInfo once the frame has admitted the call: ask for
// the user and company names until there is a user name or the user leaves,
// then record both in the settings store.
#pragma once

#include <cstdint>

namespace install::userinfo {

constexpr char kMissingUserNameText[] = "Please enter a user name.";
constexpr char kMissingUserNameCaption[] = "User Information";
constexpr unsigned kMessageBoxOkNoIcon = 0;
constexpr char kNoCompanyName[] = "(none)";
constexpr char kUserNameEntry[] = "UserName";
constexpr char kCompanyNameEntry[] = "CompanyName";
// The application key itself, not a section below it.
constexpr char kApplicationSection[] = "";

constexpr std::int32_t kUserLeft = 0;
constexpr std::int32_t kUserAccepted = 1;

// Runs under the library's module context; `owner` is the caller's window.
std::int32_t RequestUserInfo(void* owner);

}  // namespace install::userinfo
