// The terminal dialog for real: the library loaded by a host program on a
// pseudo-terminal, driven by keystrokes, its screen read back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/test_files.h"

namespace install {
namespace {

namespace fs = std::filesystem;
using std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(20);
constexpr char kTitle[] = "Required Installation Information";
constexpr char kLeaveAlternateScreen[] = "\x1b[?1049l";

class TerminalSession {
 public:
  TerminalSession(const fs::path& config_home, const fs::path& report) {
    winsize size{};
    size.ws_row = 30;
    size.ws_col = 100;
    child_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (child_ == 0) {
      ::setenv("TERM", "xterm", 1);
      ::setenv("XDG_CONFIG_HOME", config_home.c_str(), 1);
      ::execl(TTY_HOST, TTY_HOST, INSTALL_LIBRARY, report.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~TerminalSession() {
    if (child_ > 0 && !reaped_) {
      ::kill(child_, SIGKILL);
      ::waitpid(child_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
  }

  bool started() const { return child_ > 0; }

  // Reads the screen until `text` has appeared since the last call.
  bool WaitFor(const std::string& text) {
    const auto deadline = steady_clock::now() + kPatience;
    while (screen_.find(text, mark_) == std::string::npos) {
      if (steady_clock::now() > deadline || !ReadSome()) return false;
    }
    mark_ = screen_.find(text, mark_) + text.size();
    return true;
  }

  void Type(const std::string& keys) {
    ASSERT_EQ(::write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  // Waits for the host to end and returns its exit code, or -1 when a
  // signal ended it (then in `*signal_number`).
  int Finish(int* signal_number = nullptr) {
    while (ReadSome()) {
    }
    int status = 0;
    ::waitpid(child_, &status, 0);
    reaped_ = true;
    if (signal_number != nullptr) *signal_number = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Signal(int signal_number) { ::kill(child_, signal_number); }

  const std::string& screen() const { return screen_; }

 private:
  bool ReadSome() {
    pollfd fd{master_, POLLIN, 0};
    if (::poll(&fd, 1, 200) < 0) return false;
    if ((fd.revents & POLLIN) == 0) return (fd.revents & (POLLHUP | POLLERR)) == 0;
    char buffer[4096];
    const ssize_t got = ::read(master_, buffer, sizeof buffer);
    if (got <= 0) return false;  // EIO once the host has gone
    screen_.append(buffer, static_cast<std::size_t>(got));
    return true;
  }

  int master_ = -1;
  pid_t child_ = -1;
  bool reaped_ = false;
  std::string screen_;
  std::size_t mark_ = 0;
};

struct TerminalCase {
  const char* name;
  // Keys to type, each after the screen shows the text before it.
  std::vector<std::pair<std::string, std::string>> script;
  std::string report;
  const char* user_name;  // null: nothing stored
  const char* company_name;
};

TEST(TerminalDialog, KeysDriveTheFormAndTheTerminalIsLeftAsItWas) {
  const TerminalCase cases[] = {
      {"Enter without a name, OK, then a name, Tab, a company and Enter",
       {{"User Name:", "\r"},
        {"User Information", ""},
        {"Please enter a user name.", "\r"},
        {"[(none)", "Jane Roe"},
        {"[Jane Roe", "\t\x15"},  // Tab to the company, Ctrl+U clears "(none)"
        {"[Jane Roe", "Acme Ltd"},
        {"[Acme Ltd", "\r"}},
       "result=1 modes=kept handlers=kept\n",
       "Jane Roe",
       "Acme Ltd"},
      {"Esc leaves without storing",
       {{"Company Name:", "Jane"}, {"[Jane", "\x1b"}},
       "result=0 modes=kept handlers=kept\n",
       nullptr,
       nullptr},
      {"a field takes 20 bytes and never half a character; Backspace takes a whole one",
       {{"Company Name:", std::string(18, 'x') + "\xC3\xA9\xC3\xA9"},
        {"[" + std::string(18, 'x') + "\xC3\xA9", "\x7F\x7F\x7F\xC3\xA9\r"}},
       "result=1 modes=kept handlers=kept\n",
       "xxxxxxxxxxxxxxxx\xC3\xA9",
       "(none)"},
      {"Tab to Accept and Space presses it; an empty company becomes (none)",
       {{"Company Name:", "Jo"}, {"[Jo", "\t\t "}},
       "result=1 modes=kept handlers=kept\n",
       "Jo",
       "(none)"},
  };
  for (const TerminalCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempFolder folder;
    const fs::path report = folder.path() / "report";
    TerminalSession session(folder.path(), report);
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.WaitFor(kTitle)) << session.screen();
    for (const auto& [wait_for, keys] : c.script) {
      ASSERT_TRUE(session.WaitFor(wait_for)) << wait_for << "\n" << session.screen();
      session.Type(keys);
    }
    ASSERT_EQ(session.Finish(), 0) << session.screen();
    EXPECT_NE(session.screen().rfind(kLeaveAlternateScreen), std::string::npos);
    EXPECT_EQ(testing::ReadBytes(report), c.report);
    const fs::path settings = folder.path() / "Halvemark" / "Installation.conf";
    if (c.user_name == nullptr) {
      EXPECT_FALSE(fs::exists(settings));
    } else {
      const std::string text = testing::ReadBytes(settings);
      EXPECT_NE(text.find(std::string("\nUserName=") + c.user_name + "\n"), std::string::npos)
          << text;
      EXPECT_NE(text.find(std::string("\nCompanyName=") + c.company_name + "\n"), std::string::npos)
          << text;
    }
  }
}

TEST(TerminalDialog, ASignalThatEndsTheHostFirstGivesTheScreenBack) {
  testing::TempFolder folder;
  TerminalSession session(folder.path(), folder.path() / "report");
  ASSERT_TRUE(session.started());
  ASSERT_TRUE(session.WaitFor("Company Name:")) << session.screen();
  session.Type("Jane");
  ASSERT_TRUE(session.WaitFor("[Jane")) << session.screen();
  // The host keeps SIGTERM's default: the form must end, give the screen
  // back, and let the signal end the host as it would have anyway.
  session.Signal(SIGTERM);
  int signal_number = 0;
  EXPECT_EQ(session.Finish(&signal_number), -1);
  EXPECT_EQ(signal_number, SIGTERM);
  EXPECT_NE(session.screen().rfind(kLeaveAlternateScreen), std::string::npos);
  EXPECT_FALSE(fs::exists(folder.path() / "report"));
  EXPECT_FALSE(fs::exists(folder.path() / "Halvemark"));
}

TEST(TerminalDialog, WithoutAControllingTerminalNothingIsShownOrStored) {
  testing::TempFolder folder;
  const fs::path report = folder.path() / "report";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setsid();  // a new session has no controlling terminal
    ::setenv("TERM", "xterm", 1);
    ::setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
    ::execl(TTY_HOST, TTY_HOST, INSTALL_LIBRARY, report.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(testing::ReadBytes(report), "result=0 modes=kept handlers=kept\n");
  EXPECT_FALSE(fs::exists(folder.path() / "Halvemark"));
}

}  // namespace
}  // namespace install
