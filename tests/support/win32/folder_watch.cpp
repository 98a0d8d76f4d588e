#include "support/folder_watch.h"

#include <windows.h>

#include <stdexcept>

namespace install::testing {

// Notices reach the watcher some time after the change; once none has come
// for this long, all that the call did is taken to be in.
constexpr DWORD kQuietMs = 150;

struct FolderWatch::State {
  HANDLE folder;
  OVERLAPPED pending = {};
  alignas(DWORD) char buffer[16384];

  void Listen() {
    ::ResetEvent(pending.hEvent);
    ::ReadDirectoryChangesW(folder, buffer, sizeof buffer, FALSE,
                            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE, nullptr,
                            &pending, nullptr);
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
  // Indexed by FILE_ACTION_*.
  const char* const kinds[] = {"", "created", "deleted", "written", "moved away", "replaced"};
  std::string changes;
  DWORD size = 0;
  while (::WaitForSingleObject(state_->pending.hEvent, kQuietMs) == WAIT_OBJECT_0 &&
         ::GetOverlappedResult(state_->folder, &state_->pending, &size, FALSE)) {
    for (const char* at = state_->buffer; size > 0;) {
      const auto* notice = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
      char narrow[MAX_PATH] = {};
      ::WideCharToMultiByte(CP_ACP, 0, notice->FileName, notice->FileNameLength / sizeof(WCHAR),
                            narrow, MAX_PATH - 1, nullptr, nullptr);
      if (name == narrow && notice->Action < 6) NoteChange(kinds[notice->Action], &changes);
      if (notice->NextEntryOffset == 0) break;
      at += notice->NextEntryOffset;
    }
    state_->Listen();
  }
  return changes;
}

}  // namespace install::testing
