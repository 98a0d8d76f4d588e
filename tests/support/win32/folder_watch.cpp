#include "support/folder_watch.h"

#include <windows.h>

#include <stdexcept>

namespace install::testing {
namespace {

// Notices reach the watcher some time after the change; once none has come
// for this long, the call's changes are taken to be all in.
constexpr DWORD kQuietMs = 150;
constexpr DWORD kNameChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;

}  // namespace

struct FolderWatch::State {
  HANDLE folder = INVALID_HANDLE_VALUE;
  OVERLAPPED pending = {};
  alignas(DWORD) char buffer[16384];

  void Listen() {
    ::ReadDirectoryChangesW(folder, buffer, sizeof buffer, FALSE, kNameChanges, nullptr, &pending,
                            nullptr);
  }
};

FolderWatch::FolderWatch(const std::filesystem::path& folder) : state_(new State) {
  state_->folder =
      ::CreateFileA(folder.string().c_str(), FILE_LIST_DIRECTORY,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (state_->folder == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot watch the folder");
  state_->pending.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  state_->Listen();
}

FolderWatch::~FolderWatch() {
  ::CancelIo(state_->folder);
  ::CloseHandle(state_->folder);
  ::CloseHandle(state_->pending.hEvent);
}

std::string FolderWatch::ChangesTo(const std::string& name) {
  const char* kinds[] = {nullptr,   "created",    "deleted",
                         "written", "moved away", "replaced"};  // indexed by FILE_ACTION_*
  std::string changes;
  DWORD size = 0;
  while (::WaitForSingleObject(state_->pending.hEvent, kQuietMs) == WAIT_OBJECT_0 &&
         ::GetOverlappedResult(state_->folder, &state_->pending, &size, FALSE)) {
    for (DWORD at = 0; size > 0;) {
      const auto* notice = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(state_->buffer + at);
      char narrow[MAX_PATH] = {};
      ::WideCharToMultiByte(CP_ACP, 0, notice->FileName,
                            static_cast<int>(notice->FileNameLength / sizeof(WCHAR)), narrow,
                            MAX_PATH - 1, nullptr, nullptr);
      const char* kind = notice->Action < 6 ? kinds[notice->Action] : nullptr;
      if (kind != nullptr && name == narrow && changes.find(kind) == std::string::npos) {
        changes += (changes.empty() ? "" : " ") + std::string(kind);
      }
      if (notice->NextEntryOffset == 0) break;
      at += notice->NextEntryOffset;
    }
    ::ResetEvent(state_->pending.hEvent);
    state_->Listen();
  }
  return changes;
}

}  // namespace install::testing
