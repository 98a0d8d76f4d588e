// The terminal dialog for real: the library loaded by a host process on a
// pseudo-terminal, driven by keystrokes, its screen read back.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>

#include "library.h"
#include "platform/posix/settings_file.h"
#include "support/test_files.h"

namespace install {
namespace {

namespace fs = std::filesystem;

constexpr int kWatchedSignals[] = {SIGWINCH, SIGCONT, SIGTSTP, SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void HostHandler(int) {}
// Stops as many programs do: SIGSTOP, which no orphaned job ignores.
void HostStopHandler(int) { raise(SIGSTOP); }

// The C library marks every action it installs with its own return
// trampoline (SA_RESTORER on Linux); no program asks for that bit.
constexpr int kLibraryBookkeepingFlags = 0x04000000;

// The handler and flags of each of kWatchedSignals.
std::vector<std::pair<sighandler_t, int>> WatchedActions() {
  std::vector<std::pair<sighandler_t, int>> actions;
  for (int signal_number : kWatchedSignals) {
    struct sigaction action {};
    sigaction(signal_number, nullptr, &action);
    actions.emplace_back(action.sa_handler, action.sa_flags & ~kLibraryBookkeepingFlags);
  }
  return actions;
}

// The host: loads the library, calls RequestUserInfo and unloads it as a
// setup program would, and reports the call's result and whether the
// terminal's modes and the host's own signal handlers were left as they were.
std::string RunHost(bool sets_locale, int ignored_signal) {
  if (sets_locale) setlocale(LC_ALL, "");
  if (ignored_signal != 0) signal(ignored_signal, SIG_IGN);
  // The host's own handlers, which the dialog must hand back.
  signal(SIGINT, HostHandler);
  signal(SIGWINCH, HostHandler);
  signal(SIGHUP, SIG_IGN);
  signal(SIGTSTP, HostStopHandler);

  const auto actions_before = WatchedActions();
  const int tty = open("/dev/tty", O_RDONLY | O_NOCTTY);
  termios modes_before{};
  const bool have_tty = tty >= 0 && tcgetattr(tty, &modes_before) == 0;

  std::int32_t token = INSTALL_ACCESS_TOKEN, result = -2;
  {
    installctl::InstallLibrary library;
    std::string error;
    if (library.Load(installctl::InstallLibrary::DefaultPath(), &error))
      result = library.Find("RequestUserInfo")(nullptr, &token, nullptr);
  }

  termios modes_after{};
  const bool modes_kept =
      !have_tty || (tcgetattr(tty, &modes_after) == 0 &&
                    std::memcmp(&modes_before, &modes_after, sizeof modes_after) == 0);

  return "result=" + std::to_string(result) + " modes=" + (modes_kept ? "kept" : "changed") +
         " handlers=" + (WatchedActions() == actions_before ? "kept" : "changed") + "\n";
}

constexpr auto kPatience = std::chrono::seconds(20);
constexpr char kLeaveAlternateScreen[] = "\x1b[?1049l";
constexpr int kStillRunning = 1000;

constexpr char kLatin1Locale[] = "en_US.ISO-8859-1";
constexpr char kGermanLocale[] = "de_DE.UTF-8";
constexpr char kJapaneseLocale[] = "ja_JP.UTF-8";
// Made by the test (localedef, of Debian's locales), as few systems have
// them installed: the locale's source, its character set, its name.
constexpr const char* kMadeLocales[][3] = {{"en_US", "ISO-8859-1", kLatin1Locale},
                                            {"de_DE", "UTF-8", kGermanLocale},
                                            {"ja_JP", "UTF-8", kJapaneseLocale}};
std::string g_locale_folder;  // LOCPATH for them

// The host in a child process on a fresh pseudo-terminal, or with `rows` 0
// with no controlling terminal at all; the screen is read as it comes.
struct TerminalSession {
  TerminalSession(const fs::path& folder, unsigned short rows, unsigned short columns,
                  const char* locale, bool host_sets_locale, int host_ignores) {
    winsize size{rows, columns, 0, 0};
    child = rows == 0 ? ::fork() : ::forkpty(&master, nullptr, nullptr, &size);
    if (child != 0) return;
    if (rows == 0) ::setsid();
    ::setenv("TERM", "xterm", 1);
    ::setenv("LC_ALL", locale, 1);
    for (const auto& made : kMadeLocales) {
      if (locale == made[2]) ::setenv("LOCPATH", g_locale_folder.c_str(), 1);
    }
    // As a host that ships the library's catalogues would.
    ::bindtextdomain(INSTALL_TEXT_DOMAIN, INSTALL_TEST_CATALOGUES);
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    ::setenv(INSTALL_LOG_VARIABLE, (folder / "log").c_str(), 1);
    testing::WriteBytes(folder / "report", RunHost(host_sets_locale, host_ignores));
    ::_exit(0);
  }
  ~TerminalSession() {
    if (child > 0) ::kill(child, SIGKILL);
    if (child > 0) ::waitpid(child, nullptr, 0);
    if (master >= 0) ::close(master);
  }

  // Whether the host has stopped, with the terminal's modes as they were.
  bool StoppedAndGaveTheTerminalBack() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    const std::string stat = "/proc/" + std::to_string(child) + "/stat";
    bool stopped;
    while (!(stopped = testing::ReadBytes(stat).find(") T ") != std::string::npos) && ReadSome())
      if (std::chrono::steady_clock::now() > deadline) return false;
    termios modes{};
    return stopped && ::tcgetattr(master, &modes) == 0 && (modes.c_lflag & ICANON) != 0;
  }

  // Reads the screen until `text` has appeared since the last call.
  bool WaitFor(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    std::size_t found;
    while ((found = screen.find(text, mark)) == std::string::npos)
      if (std::chrono::steady_clock::now() > deadline || !ReadSome()) return false;
    mark = found + text.size();
    return true;
  }

  // Waits for the host to end and returns its exit code, or the negated
  // number of the signal that ended it; kStillRunning if it has not ended.
  int Finish() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    int status = 0;
    while (ReadSome() || ::waitpid(child, &status, WNOHANG) == 0)
      if (std::chrono::steady_clock::now() > deadline) return kStillRunning;
    child = -1;
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
  }

  bool ReadSome() {
    pollfd fd{master, POLLIN, 0};
    if (master < 0 || ::poll(&fd, 1, 200) < 0) return false;
    if ((fd.revents & POLLIN) == 0) return (fd.revents & (POLLHUP | POLLERR)) == 0;
    char buffer[4096];
    const ssize_t got = ::read(master, buffer, sizeof buffer);
    if (got <= 0) return false;  // EIO once the host has gone
    screen.append(buffer, static_cast<std::size_t>(got));
    return true;
  }

  int master = -1;
  pid_t child = -1;
  std::string screen;
  std::size_t mark = 0;
};

struct Step {
  std::string wait_for;  // on the screen before the keys are typed
  std::string keys;
  unsigned short rows = 0, columns = 0;  // the terminal's new size first, if set
  int signal = 0;                        // sent instead of keys, if set
};

struct TerminalCase {
  const char* name;
  std::vector<Step> script;
  const char* user_name;  // null: nothing stored
  const char* company_name;
  const char* log;  // in the call's log line; null: the host died before the call returned
  unsigned short rows = 30, columns = 100;
  const char* locale = "C.UTF-8";  // else the library finds it in the environment
  bool host_sets_locale = false;
  int host_ignores = 0;  // a signal the host sets to SIG_IGN
};

constexpr char kLeft[] = "\x1b[D";
constexpr char kSelected[] = "\x1b[7m";  // reverse video
// A joined family, a thumb with a skin tone, a flag: two cells each.
const std::string kEmoji =
    "\U0001F468\u200D\U0001F469\u200D\U0001F467\U0001F44D\U0001F3FD\U0001F1EB\U0001F1F7";

std::string Repeat(const std::string& text, int times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

TEST(TerminalDialog, KeysSizesAndSignalsDriveTheFormAndTheTerminalIsLeftAsItWas) {
  testing::TempFolder locales;
  g_locale_folder = locales.path().string();
  for (const auto& made : kMadeLocales) {
    const std::string command = std::string("localedef -i ") + made[0] + " -f " + made[1] + " " +
                                g_locale_folder + "/" + made[2];
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  const std::string twenty_emoji = Repeat("\U0001F600", 20);
  // clang-format off
  const TerminalCase cases[] = {
      {"Enter without a name, OK; keys edit in place; Tab selects (none) and typing replaces it",
       {{"User Name:", "\r"}, {"User Information", ""}, {"Please enter a user name.", "\r"},
        {"[(none)", std::string("Jne") + kLeft + kLeft + "a"},
        {"[Jane", "\x1b[F Roe\x1b[H\x1b[3~J"},  // End, Home, Delete
        {"[Jane Roe", "\t"}, {std::string(kSelected) + "(none)", "Acme Ltd"}, {"[Acme Ltd", "\r"}},
       "Jane Roe", "Acme Ltd", "result=1 notes=\"UserName written, 8 bytes; CompanyName written, 8 bytes\""},
      {"a field takes 20 characters, never half of one; Backspace takes a whole one",
       {{"Company Name:", std::string(19, 'x') + "éé"},
        {"[" + std::string(19, 'x') + "é" + std::string(12, ' ') + "]", "\x7F\x7F\x7F" "é\r"}},
       "xxxxxxxxxxxxxxxxxé", "(none)", "UserName written, 19 bytes"},
      {"double-width text keeps the frame and the cursor, and scrolls in its field",
       {{"Company Name:", "张伟"}, {"[张伟" + std::string(28, ' ') + "]", ""},
        {"\x1b[14;51H", "张张张张张张张张张张张张张张张张张张张"},  // 19: one too many
        {"[张张张张张张张张张张张张张张张  ]", "\x15张伟\r"}},  // its last 15
       "张伟", "(none)", "UserName written, 6 bytes"},
      {"Latin-1: each byte a character of one cell, 0xF0-0xFF too, in the form and on Accept",
       {{"Company Name:", "\xE9t\xB5" + std::string(17, '\xFF')},
        {"[\xE9t\xB5" + std::string(17, '\xFF') + std::string(12, ' ') + "]", "\x7F\r"}},
       "\xE9t\xB5\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", "(none)",
       "UserName written, 19 bytes", 30, 100, kLatin1Locale, true},
      {"an emoji is one character: 20 are taken and stored whole, a 21st rings and shows why",
       {{"Company Name:", Repeat("\U0001F600", 21)}, {"\a", ""}, {"At most 20 characters", "\r"}},
       twenty_emoji.c_str(), "(none)", "UserName written, 80 bytes"},
      {"a letter with its mark and emoji sequences: their cells as drawn, one Backspace each",
       {{"Company Name:", "a" + kEmoji + "e\u0301z"},
        {"[a" + kEmoji + "e\u0301z" + std::string(23, ' ') + "]", kLeft + std::string(4, '\x7F') + "\r"}},
       "az", "(none)", "UserName written, 2 bytes"},
      {"a joiner typed between two emoji joins them: the cursor goes after both, Backspace takes both",
       {{"Company Name:", "\U0001F468\U0001F469" + std::string(kLeft) + "\u200D\x7Fxy\r"}},
       "xy", "(none)", "UserName written, 2 bytes"},
      {"no character set in the locale: bytes are characters, and the log says so",
       {{"Company Name:", "ab\xC3\xA9"}, {"[ab\xC3\xA9", "\x7F\r"}},
       "ab\xC3", "(none)", "takes each byte as a character", 30, 100, "C"},
      {"a key code too long for any key is ignored; SIGTSTP gives the terminal back and stops, "
       "SIGCONT brings the form back; Shift+Tab selects, Backspace replaces; Space on Accept "
       "accepts; no company is (none)",
       {{"Company Name:", "\x1b[99999999999~Jo"}, {"[Jo", "", 0, 0, SIGTSTP},
        {kLeaveAlternateScreen, "", 0, 0, SIGCONT}, {"[Jo", "\t\x1b[Z"},
        {std::string(kSelected) + "Jo", "\x7F" "Al"}, {"[Al", "\t\t "}},
       "Al", "(none)", "result=1 notes=\"UserName written, 2 bytes; CompanyName written, 6 bytes"},
      {"50 x 12: the compact form, its fields and button on rows 6 to 8; Esc leaves without storing",
       {{"\x1b[6;22H[", ""}, {"\x1b[7;22H[", ""}, {"\x1b[8;22H< ", "Jo"}, {"[Jo", "\x1b"}},
       nullptr, nullptr, "result=0\n", 12, 50},
      {"too small: a request to enlarge, keys ignored, the form once the window grows",
       {{"Enlarge the window to 36x4", "x"}, {"Enlarge the window", "", 30, 100},
        {"User Name:", "Jo\r"}},
       "Jo", "(none)", "result=1", 3, 30},
      {"a signal that ends the host first gives the screen back, then ends it as it would have",
       {{"Company Name:", "Jane"}, {"[Jane", "", 0, 0, SIGTERM}}, nullptr, nullptr, nullptr},
      {"a signal the host ignores stays ignored: SIGTERM leaves the form up",
       {{"Company Name:", "Jo"}, {"[Jo", "", 0, 0, SIGTERM}, {"", "e"}, {"[Joe", "\r"}},
       "Joe", "(none)", "result=1", 30, 100, "C.UTF-8", false, SIGTERM},
      {"German: the catalogue's title, labels, message and button, the frame in place; Alt+Ü "
       "accepts",
       {{"\x1b[9;19H+- Erforderliche Installationsinformationen " + std::string(19, '-') + "+", ""},
        {"Benutzername:", "\r"}, {"Benutzerinformationen", ""},
        {"Bitte geben Sie einen Benutzernamen ein.", "\r"},
        {"\x1b[4m\u00DC\x1b[24m", "Jo\x1b\u00FC"}},
       "Jo", "(none)", "UserName written, 2 bytes", 30, 100, kGermanLocale},
      {"Japanese: two cells a character keep the frame; the message; Alt+A accepts",
       {{"\x1b[9;19H+- インストールに必要な情報 " + std::string(35, '-') + "+", ""},
        {"ユーザー名:", "\r"},
        {"ユーザー名を入力してください。", "\r"},
        {"会社名:", "山田\x1b" "a"}},
       "山田", "(none)", "UserName written, 6 bytes", 30, 100, kJapaneseLocale},
      {"without a controlling terminal nothing is shown", {}, nullptr, nullptr,
       "result=0 failed=\"show the form on /dev/tty\" reason=\"No such device or address", 0, 0},
  };
  // clang-format on
  for (const TerminalCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempFolder folder;
    TerminalSession session(folder.path(), c.rows, c.columns, c.locale, c.host_sets_locale,
                            c.host_ignores);
    ASSERT_GT(session.child, 0);
    int ending_signal = 0;
    for (const Step& step : c.script) {
      ASSERT_TRUE(session.WaitFor(step.wait_for)) << step.wait_for << "\n" << session.screen;
      winsize size{step.rows, step.columns, 0, 0};  // the form learns of it by SIGWINCH
      if (step.rows != 0) ::ioctl(session.master, TIOCSWINSZ, &size);
      if (step.signal == SIGCONT) {
        ASSERT_TRUE(session.StoppedAndGaveTheTerminalBack());
      }
      if (step.signal != 0) ::kill(session.child, step.signal);
      if (step.signal != SIGTSTP && step.signal != SIGCONT && step.signal != c.host_ignores)
        ending_signal = step.signal;
      ASSERT_EQ(::write(session.master, step.keys.data(), step.keys.size()),
                static_cast<ssize_t>(step.keys.size()));
    }
    ASSERT_EQ(session.Finish(), -ending_signal) << session.screen;
    EXPECT_EQ(session.screen.rfind(kLeaveAlternateScreen) != std::string::npos, c.rows != 0);
    const bool stored = c.user_name != nullptr;
    EXPECT_EQ(testing::ReadBytes(folder.path() / "report"),
              ending_signal != 0
                  ? ""
                  : std::string("result=") + (stored ? "1" : "0") + " modes=kept handlers=kept\n");
    const std::string log = testing::ReadBytes(folder.path() / "log");
    EXPECT_EQ(fs::exists(folder.path() / "log"), c.log != nullptr);
    EXPECT_NE(log.find(c.log != nullptr ? c.log : ""), std::string::npos) << log;
    const fs::path settings = folder.path() / "Halvemark" / "Installation.conf";
    ASSERT_EQ(fs::exists(settings), stored);
    if (!stored) continue;
    EXPECT_EQ(testing::ReadBytes(settings), std::string(platform::settings_file::kNewFileHeader) +
                                                "UserName=" + c.user_name +
                                                "\nCompanyName=" + c.company_name + "\n");
    EXPECT_EQ(log.find(c.user_name), std::string::npos) << "the log holds the name: " << log;
  }
}

}  // namespace
}  // namespace install
