// FileEdit on Windows: where an edit works is decided once, from the name
// the system will use; a failing step of a rewrite keeps the old file whole;
// the new file keeps the old one's access list; the lock waits for its holder.
#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include "config/temp_path.h"
#include "platform/edit.h"
#include "platform/fault_injection.h"
#include "support/system_state.h"
#include "support/test_files.h"

namespace install::testing {
namespace {

namespace fs = std::filesystem;
using platform::FaultPoint;
constexpr FaultPoint kNoFault = FaultPoint::kAllPoints;
constexpr char kOld[] = "MDOP\r\nKey old\r\n", kNew[] = "MDOP\r\nKey new\r\n";

bool Rewrite(const std::string& path, const std::string& bytes = kNew) {
  platform::FileEdit edit;
  return platform::FileEdit::Begin(path.c_str(), platform::EditKind::kRewrite,
                                   config::TemporaryPathFor, &edit)
             .ok() &&
         edit.CreateReplacement().ok() &&
         edit.replacement().Append(bytes.data(), bytes.size()).ok() &&
         edit.replacement().Close().ok() && edit.Commit().ok();
}

// The access list in the system's own text form, "" when there is none.
std::string AccessList(const fs::path& file) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  char* text = nullptr;
  std::string list;
  if (::GetNamedSecurityInfoW(file.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
      ::ConvertSecurityDescriptorToStringSecurityDescriptorA(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    list = text;
  }
  ::LocalFree(text);
  ::LocalFree(descriptor);
  return list;
}

TEST(FileEditWindows, EachSpellingAndFailingStepEndsWithOneWholeFileAndNoTemporary) {
  const struct {
    const char* checks;
    std::string spelling;  // "@" stands for the test's folder
    std::string file;      // what lies at the path
    FaultPoint fault;
    bool done;
  } rows[] = {
      {"a plain path", "@\\host.cfg", "host.cfg", kNoFault, true},
      {"a file in a drive root", "C:\\install-root.cfg", "C:\\install-root.cfg", kNoFault, true},
      {"a drive root with a slash", "C:/install-root.cfg", "C:\\install-root.cfg", kNoFault, true},
      {"a drive root as a device path", "\\\\.\\C:\\install-root.cfg", "C:\\install-root.cfg",
       kNoFault, true},
      {"the default stream named", "@\\host.cfg::$DATA", "host.cfg", kNoFault, true},
      {"a trailing dot and space", "@\\host.cfg. .", "host.cfg", kNoFault, true},
      {"the temporary's name with a dot", "@\\host.TMP.", "host.TMP", kNoFault, false},
      {"the temporary's name with a space", "@\\host.tmp ", "host.tmp", kNoFault, false},
      {"the temporary's name as a stream", "@\\host.TMP::$DATA", "host.TMP", kNoFault, false},
      {"the temporary's name and a separator", "@\\host.TMP\\", "host.TMP", kNoFault, false},
      {"a refused rename", "@\\host.cfg", "host.cfg", FaultPoint::kReplace, false},
      {"a missing way to rename", "@\\host.cfg", "host.cfg", FaultPoint::kRenameFirstWay, true},
      {"security that cannot be copied", "@\\host.cfg", "host.cfg", FaultPoint::kCopySecurity,
       false},
      {"a lock held for a moment", "@\\host.cfg", "host.cfg", FaultPoint::kLockAttempt, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.checks);
    TempFolder top;
    auto expand = [&](std::string text) {
      const std::size_t at = text.find('@');
      return at == std::string::npos ? text : text.replace(at, 1, top.path().string());
    };
    const fs::path file =
        fs::path(expand(row.file)).is_absolute() ? fs::path(row.file) : top.path() / row.file;
    WriteBytes(file, kOld);
    const std::set<std::string> listing = Listing(file.parent_path());
    if (row.fault != kNoFault) platform::InjectFaultForTesting(row.fault, platform::Error::kIo);
    EXPECT_EQ(Rewrite(expand(row.spelling)), row.done);
    platform::ClearFaultsForTesting();
    EXPECT_EQ(ReadBytes(file), row.done ? kNew : kOld);
    EXPECT_EQ(Listing(file.parent_path()), listing);
    if (file.parent_path() != top.path()) fs::remove(file);
  }
}

// Only the caller may open the temporary while it is written; the new file
// then has exactly the old one's access list, protected or inherited.
TEST(FileEditWindows, TheTemporaryIsPrivateAndTheNewFileKeepsTheAccessList) {
  for (const char* list : {"D:P(A;;FA;;;WD)", "D:P(A;;FR;;;BU)(A;;FA;;;SY)(A;;FA;;;BA)"}) {
    SCOPED_TRACE(list);
    TempFolder folder;
    const fs::path file = folder.path() / "host.cfg";
    WriteBytes(file, kOld);
    PSECURITY_DESCRIPTOR wanted = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(list, SDDL_REVISION_1,
                                                                       &wanted, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL access = nullptr;
    ::GetSecurityDescriptorDacl(wanted, &present, &access, &defaulted);
    ASSERT_EQ(
        ::SetNamedSecurityInfoW(const_cast<wchar_t*>(file.c_str()), SE_FILE_OBJECT,
                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, access, nullptr),
        ERROR_SUCCESS);
    ::LocalFree(wanted);
    const std::string before = AccessList(file);
    if (before != list) GTEST_SKIP() << "this file system keeps no access lists: " << before;

    platform::FileEdit edit;
    ASSERT_TRUE(platform::FileEdit::Begin(file.string().c_str(), platform::EditKind::kRewrite,
                                          config::TemporaryPathFor, &edit)
                    .ok());
    ASSERT_TRUE(edit.CreateReplacement().ok());
    const std::string private_list = AccessList(folder.path() / "host.TMP");
    EXPECT_EQ(private_list.rfind("D:P(A;;FA;;;", 0), 0u) << private_list;
    EXPECT_EQ(private_list.find(")("), std::string::npos) << private_list;  // one entry
    ASSERT_TRUE(edit.replacement().Close().ok());
    ASSERT_TRUE(edit.Commit().ok());
    EXPECT_EQ(AccessList(file), before);
    EXPECT_EQ(ReadBytes(file), "");
  }
}

// Another edit holding the temporary's name makes this one wait (up to a
// bound) instead of failing.
TEST(FileEditWindows, AnEditWaitsForTheHolderOfTheTemporarysName) {
  TempFolder folder;
  const fs::path file = folder.path() / "host.cfg";
  WriteBytes(file, kOld);
  HANDLE held = ::CreateFileW((folder.path() / "host.TMP").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const Work calls[2] = {[&] { return std::int32_t{Rewrite(file.string())}; },
                         [&] {
                           ::Sleep(300);
                           return std::int32_t{::CloseHandle(held) != 0};
                         }};
  std::int32_t answers[2] = {0, 0};
  RunTogether(calls, answers);
  EXPECT_EQ(answers[0], 1);
  EXPECT_EQ(ReadBytes(file), kNew);
  EXPECT_EQ(Listing(folder.path()), std::set<std::string>{"host.cfg"});
}

// A relative path is resolved once: a host thread changing the current
// folder mid-call cannot move any later step to another folder.
TEST(FileEditWindows, ARelativePathStaysInTheFolderItWasResolvedIn) {
  static TempFolder* elsewhere = nullptr;
  TempFolder here, there;
  elsewhere = &there;
  for (const TempFolder* folder : {&here, &there}) WriteBytes(folder->path() / "host.cfg", kOld);
  const fs::path before = fs::current_path();
  fs::current_path(here.path());
  platform::SetEditStepHookForTesting([] { fs::current_path(elsewhere->path()); });
  const bool done = Rewrite("host.cfg");
  platform::SetEditStepHookForTesting(nullptr);
  fs::current_path(before);
  EXPECT_TRUE(done);
  EXPECT_EQ(ReadBytes(here.path() / "host.cfg"), kNew);
  EXPECT_EQ(ReadBytes(there.path() / "host.cfg"), kOld);
  EXPECT_EQ(Listing(there.path()), std::set<std::string>{"host.cfg"});
}

// A link the caller made is followed: the file it leads to is rewritten in
// its own folder and the link stays.
TEST(FileEditWindows, ALinkTheCallerMadeIsFollowedToItsFolder) {
  TempFolder folder, target;
  WriteBytes(target.path() / "real.cfg", kOld);
  const fs::path link = folder.path() / "host.cfg";
  ::CreateSymbolicLinkW(link.c_str(), (target.path() / "real.cfg").c_str(), 0);
  if (!fs::is_symlink(link)) GTEST_SKIP() << "this system makes no symbolic links here";
  EXPECT_TRUE(Rewrite(link.string()));
  EXPECT_EQ(ReadBytes(target.path() / "real.cfg"), kNew);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Listing(target.path()), std::set<std::string>{"real.cfg"});
}

}  // namespace
}  // namespace install::testing
