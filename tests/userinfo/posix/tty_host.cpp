// A host program for the terminal dialog test: loads the library as a setup
// program would, calls RequestUserInfo, and reports whether the terminal's
// modes and its own signal handlers were left exactly as they were.
//   tty_host LIBRARY REPORT_FILE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "install.h"

namespace {

constexpr int kWatchedSignals[] = {SIGWINCH, SIGCONT, SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void HostHandler(int) {}

bool SameModes(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// The C library marks every action it has installed with its own return
// trampoline (SA_RESTORER on Linux); no program asks for that bit.
constexpr int kLibraryBookkeepingFlags = 0x04000000;

// Signal numbers a mask can hold on any system this runs on.
constexpr int kHighestSignal = 64;

// Compared member by member: the C library leaves the unused tail of a
// sigset_t as it finds it.
bool SameMask(const sigset_t& a, const sigset_t& b) {
  for (int signal_number = 1; signal_number <= kHighestSignal; ++signal_number) {
    if (sigismember(&a, signal_number) != sigismember(&b, signal_number)) return false;
  }
  return true;
}

bool SameAction(const struct sigaction& a, const struct sigaction& b) {
  return a.sa_handler == b.sa_handler &&
         (a.sa_flags & ~kLibraryBookkeepingFlags) == (b.sa_flags & ~kLibraryBookkeepingFlags) &&
         SameMask(a.sa_mask, b.sa_mask);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  // The host's own handlers, which the dialog must hand back.
  struct sigaction host {};
  host.sa_handler = HostHandler;
  host.sa_flags = SA_RESTART;
  sigaction(SIGINT, &host, nullptr);
  sigaction(SIGWINCH, &host, nullptr);
  signal(SIGHUP, SIG_IGN);

  struct sigaction before[std::size(kWatchedSignals)] = {};
  for (std::size_t i = 0; i < std::size(kWatchedSignals); ++i) {
    sigaction(kWatchedSignals[i], nullptr, &before[i]);
  }
  const int tty = open("/dev/tty", O_RDONLY | O_NOCTTY);
  termios modes_before{};
  const bool have_tty = tty >= 0 && tcgetattr(tty, &modes_before) == 0;

  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return 3;
  auto request = reinterpret_cast<InstallExportFn>(dlsym(library, "RequestUserInfo"));
  if (request == nullptr) return 4;
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  char text[] = "ignored";
  const std::int32_t result = request(nullptr, &token, text);
  dlclose(library);

  bool handlers_kept = true;
  for (std::size_t i = 0; i < std::size(kWatchedSignals); ++i) {
    struct sigaction after {};
    sigaction(kWatchedSignals[i], nullptr, &after);
    if (!SameAction(before[i], after)) {
      std::fprintf(stderr, "signal %d: handler %p flags %#x, was %p flags %#x\n",
                   kWatchedSignals[i], reinterpret_cast<void*>(after.sa_handler), after.sa_flags,
                   reinterpret_cast<void*>(before[i].sa_handler), before[i].sa_flags);
      handlers_kept = false;
    }
  }
  termios modes_after{};
  const bool modes_kept =
      !have_tty || (tcgetattr(tty, &modes_after) == 0 && SameModes(modes_before, modes_after));

  FILE* report = std::fopen(argv[2], "w");
  if (report == nullptr) return 5;
  std::fprintf(report, "result=%d modes=%s handlers=%s\n", result, modes_kept ? "kept" : "changed",
               handlers_kept ? "kept" : "changed");
  std::fclose(report);
  return 0;
}
