#include "support/folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <stdexcept>

namespace install::testing {

// inotify queues each event as the change happens, so all that a finished
// call did can be read at once, without waiting.
struct FolderWatch::State {
  int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
};

FolderWatch::FolderWatch(const std::filesystem::path& folder) : state_(new State) {
  const auto events = IN_CREATE | IN_DELETE | IN_MODIFY | IN_MOVED_FROM | IN_MOVED_TO;
  if (::inotify_add_watch(state_->fd, folder.c_str(), events) < 0)
    throw std::runtime_error("cannot watch " + folder.string());
}

FolderWatch::~FolderWatch() { ::close(state_->fd); }

std::string FolderWatch::ChangesTo(const std::string& name) {
  const std::pair<std::uint32_t, const char*> kinds[] = {
      {IN_DELETE, "deleted"},        {IN_CREATE, "created"},    {IN_MODIFY, "written"},
      {IN_MOVED_FROM, "moved away"}, {IN_MOVED_TO, "replaced"},
  };
  std::string changes;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t size; (size = ::read(state_->fd, buffer, sizeof buffer)) > 0;)
    for (char* at = buffer; at < buffer + size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(at);
      at += sizeof(inotify_event) + event->len;
      for (const auto& [mask, kind] : kinds)
        if (event->len > 0 && name == event->name && (event->mask & mask) != 0)
          NoteChange(kind, &changes);
    }
  return changes;
}

}  // namespace install::testing
