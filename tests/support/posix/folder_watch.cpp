#include "support/folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace install::testing {

// inotify queues an event as the change happens, so everything a finished
// call did can be read at once, without waiting.
struct FolderWatch::State {
  int fd = -1;
};

FolderWatch::FolderWatch(const std::filesystem::path& folder) : state_(new State) {
  state_->fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (state_->fd < 0 ||
      ::inotify_add_watch(state_->fd, folder.c_str(),
                          IN_CREATE | IN_DELETE | IN_MODIFY | IN_MOVED_FROM | IN_MOVED_TO) < 0) {
    throw std::runtime_error("cannot watch " + folder.string());
  }
}

FolderWatch::~FolderWatch() { ::close(state_->fd); }

std::string FolderWatch::ChangesTo(const std::string& name) {
  const std::pair<std::uint32_t, const char*> kinds[] = {
      {IN_DELETE, "deleted"},        {IN_CREATE, "created"},    {IN_MODIFY, "written"},
      {IN_MOVED_FROM, "moved away"}, {IN_MOVED_TO, "replaced"},
  };
  std::string changes;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t size; (size = ::read(state_->fd, buffer, sizeof buffer)) > 0;) {
    for (char* at = buffer; at < buffer + size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(at);
      at += sizeof(inotify_event) + event->len;
      if (event->len == 0 || name != event->name) continue;
      for (const auto& [mask, kind] : kinds) {
        if ((event->mask & mask) == 0 || changes.find(kind) != std::string::npos) continue;
        changes += (changes.empty() ? "" : " ") + std::string(kind);
      }
    }
  }
  return changes;
}

}  // namespace install::testing
