#include "support/folder_watch.h"

#include <windows.h>

#include <stdexcept>

namespace install::testing {

// Notices reach the watcher some time after the change, in order. A marker
// file made after the call shows when all that the call did has come in.
struct FolderWatch::State {
  std::filesystem::path marker;
  HANDLE folder;
  OVERLAPPED pending = {};
  alignas(DWORD) char buffer[16384];

  // Asks for the next notices; starting the request resets the event.
  void Listen() {
    ::ReadDirectoryChangesW(folder, buffer, sizeof buffer, FALSE,
                            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE, nullptr,
                            &pending, nullptr);
  }
};

FolderWatch::FolderWatch(const std::filesystem::path& folder) : state_(new State) {
  state_->marker = folder / "folder-watch.mark";
  state_->folder = ::CreateFileW(
      folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
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
  ::CloseHandle(
      ::CreateFileW(state_->marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  std::string changes;
  bool marker_seen = false;
  DWORD size = 0;
  while (!marker_seen &&
         ::WaitForSingleObject(state_->pending.hEvent, 20000 /* ms */) == WAIT_OBJECT_0 &&
         ::GetOverlappedResult(state_->folder, &state_->pending, &size, FALSE)) {
    for (const char* at = state_->buffer; size > 0;) {
      const auto* notice = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
      const std::filesystem::path changed(
          std::wstring(notice->FileName, notice->FileNameLength / sizeof(WCHAR)));
      marker_seen = marker_seen || changed == state_->marker.filename();
      if (changed == name && notice->Action < 6) NoteChange(kinds[notice->Action], &changes);
      if (notice->NextEntryOffset == 0) break;
      at += notice->NextEntryOffset;
    }
    state_->Listen();
  }
  ::DeleteFileW(state_->marker.c_str());
  if (!marker_seen) throw std::runtime_error("the folder's change notices stopped coming");
  return changes;
}

}  // namespace install::testing
