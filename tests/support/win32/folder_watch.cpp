#include "support/folder_watch.h"

#include <windows.h>

#include <stdexcept>

namespace install::testing {
namespace {

// Notices reach the watcher some time after the change, in order. A marker
// file made after the call shows when all that the call did has come in.
constexpr char kMarker[] = "folder-watch.mark";
constexpr DWORD kPatienceMs = 20000;

}  // namespace

struct FolderWatch::State {
  std::string folder_path;
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
  state_->folder_path = folder.string();
  state_->folder =
      ::CreateFileA(state_->folder_path.c_str(), FILE_LIST_DIRECTORY,
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
  const std::string marker = state_->folder_path + "\\" + kMarker;
  ::CloseHandle(::CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  std::string changes;
  bool marker_seen = false;
  DWORD size = 0;
  while (!marker_seen && ::WaitForSingleObject(state_->pending.hEvent, kPatienceMs) == 0 &&
         ::GetOverlappedResult(state_->folder, &state_->pending, &size, FALSE)) {
    for (const char* at = state_->buffer; size > 0;) {
      const auto* notice = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
      char narrow[MAX_PATH] = {};
      ::WideCharToMultiByte(CP_ACP, 0, notice->FileName, notice->FileNameLength / sizeof(WCHAR),
                            narrow, MAX_PATH - 1, nullptr, nullptr);
      marker_seen = marker_seen || std::string(narrow) == kMarker;
      if (name == narrow && notice->Action < 6) NoteChange(kinds[notice->Action], &changes);
      if (notice->NextEntryOffset == 0) break;
      at += notice->NextEntryOffset;
    }
    state_->Listen();
  }
  ::DeleteFileA(marker.c_str());
  if (!marker_seen) throw std::runtime_error("the folder's change notices stopped coming");
  return changes;
}

}  // namespace install::testing
