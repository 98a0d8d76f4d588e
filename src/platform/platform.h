// The narrow interface between the library's logic and the operating system.
// Each concern has one file per backend with the same name
// (posix/fs.cpp, win32/fs.cpp); CMake picks the backend. Nothing above this
// layer includes a system header or tests for a platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace install::platform {

// What went wrong, with the same meaning on every platform. `native` keeps
// errno or GetLastError() for whoever is debugging.
enum class Error {
  kNone,
  kNotFound,
  kAccessDenied,
  kIsDirectory,
  kNoSpace,
  kIo,
  kOther,
  // Starting a program: a directory on the way to it is missing, the file is
  // not something the system can run, or the system is out of processes or
  // memory.
  kPathNotFound,
  kNotExecutable,
  kNoResources,
};

struct Status {
  Error error = Error::kNone;
  int native = 0;
  bool ok() const { return error == Error::kNone; }
};

// ---- The caller's text (text.cpp) ----------------------------------------
// The library's own text is UTF-8 on Windows and bytes as given on POSIX.
// Each export turns its caller's text into it once, at the frame.

// What to do with text that has no exact equivalent in the target form.
enum class InvalidText { kRefuse, kReplace };

// An export's 8-bit text: on Windows from the ANSI code page, as Windows' own
// A functions read it; on POSIX the bytes as they are.
Status TextFromCaller(std::string_view given, std::string* text);

// Windows only, for the Unicode twins (the POSIX library has none): their
// UTF-16 text. kRefuse fails on an unpaired surrogate; kReplace (for the
// log) puts U+FFFD in its place.
Status TextFromCaller(std::wstring_view given, std::string* text,
                      InvalidText invalid = InvalidText::kRefuse);

// Windows only: a twin's operand as the bytes a host configuration file
// holds, the ANSI code page, as the ANSI export would have received it. A
// character the code page has no exact byte for fails: no '?' and no
// look-alike is ever written or matched.
Status FileBytesFromCaller(std::wstring_view given, std::string* bytes);

// ---- Files (fs.cpp) -------------------------------------------------------

// The access test for reading: the path exists and may be read. On Windows
// the file is opened for reading, so an access list that denies it counts.
Status CheckReadable(const char* path);

// What an opened path turned out to be. Only regular files are edited.
enum class FileKind { kRegular, kDirectory, kOther };

// An open file, owned: the destructor closes it and ignores errors, so call
// Close() wherever a failure to close matters.
class File {
 public:
  File() = default;
  File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalidHandle; }
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  bool is_open() const { return handle_ != kInvalidHandle; }

  // Opens an existing file for appending only, so each write lands whole at
  // its end whatever else writes; never creates one, never waits on a FIFO.
  static Status OpenExistingForAppend(const char* path, File* out);

  // Writes all of `data` at the end of the file, or fails; `*written` (may
  // be null) counts the bytes that did reach the file either way.
  Status Append(const void* data, std::size_t size, std::size_t* written = nullptr);
  Status GetSize(std::uint64_t* size) const;
  Status Truncate(std::uint64_t size);
  // Flushes what was written to stable storage.
  Status Sync();
  Status Close();

  // Asked of the opened handle, never of the name, so nothing can swap the
  // file between the check and its use.
  Status GetKind(FileKind* kind) const;

  // ---- Rewriting a file through a temporary beside it -------------------

  // Opens an existing file for reading from its start; never waits on a
  // FIFO or device (GetKind tells them apart).
  static Status OpenForReading(const char* path, File* out);
  // Creates an empty file for writing (on POSIX readable only by its owner
  // until CopyAccessFrom). Whatever already has that name is removed first
  // rather than written through: it may be a link to some other file. For a
  // caller that serialises its own use of the name (see ReplacementFile).
  static Status CreateReplacing(const char* path, File* out);
  // Reads up to `capacity` bytes; `*size` is 0 at the end of the file.
  Status Read(void* buffer, std::size_t capacity, std::size_t* size);
  // Gives this file what a replace does not carry over by itself: on POSIX
  // the owner and group (where the process may set them), the permission
  // bits and the extended attributes (ACLs, security labels); on Windows the
  // attributes, less read-only. Any part that cannot be copied fails it.
  Status CopyAccessFrom(const File& source);

 private:
  // A POSIX descriptor or a Windows HANDLE; -1 is "none" on both.
  static constexpr std::intptr_t kInvalidHandle = -1;
  explicit File(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = kInvalidHandle;
};

// ---- Editing a file in place of the old one (fs.cpp, edit_lock.cpp) ------

// `path` itself, or where it leads when its last part is a symbolic link, so
// that a linked file is locked and rewritten in its own folder.
Status FinalPath(const char* path, std::string* final_path);

// The edit lock of a folder. Every edit of a file in it (by this library, in
// any process or thread) holds it throughout, so an append and a rewrite of
// one file take turns, and so do two rewrites whose temporaries share a name
// (host.cfg and host.ini). A crashed holder's lock is released by the
// system, so what an edit finds under its temporary name while it holds the
// lock is a leftover, never another edit's work. Take waits a bounded time
// for the edit under way, then fails.
class EditLock {
 public:
  EditLock() = default;
  EditLock(const EditLock&) = delete;
  EditLock& operator=(const EditLock&) = delete;
  ~EditLock();

  // Locks the folder that holds `path`.
  static Status Take(const char* path, EditLock* out);

 private:
  std::intptr_t handle_ = -1;  // a POSIX descriptor or a Windows HANDLE
};

// A new, empty file under a temporary name, made while the edit lock of its
// folder is held: a leftover under the name is removed first (a folder there
// is not, and fails it). Destroying one that has not replaced its target
// removes it.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  static Status Create(const char* path, ReplacementFile* out);
  File& file() { return file_; }

  // Puts the closed file in the place of `target`, in the same folder, in
  // one step: at every instant `target` names the complete old file or the
  // complete new one. On Windows the system's own replace keeps the target's
  // security, streams and encryption where it applies.
  Status Replace(const char* target);

 private:
  File file_;
  std::string path_;  // empty once it has replaced its target
};

// Puts the file at `from` in the place of the one at `to` in one step: at
// every instant `to` names the complete old file or the complete new one.
// Both must be in the same directory.
Status ReplaceAtomically(const char* from, const char* to);
Status RemoveFile(const char* path);

// ---- Directory trees (walk.cpp) -------------------------------------------

// Receives the size of each file a walk meets, in bytes.
class FileSizeSink {
 public:
  virtual void AddFile(std::uint64_t size) = 0;

 protected:
  ~FileSizeSink() = default;
};

// Reports the size of every file in the tree below `root` to `sink`, in one
// pass and in the order the file system lists them. `root` itself is followed
// when it is a link; below it, links and other name-surrogate reparse points
// are neither followed nor counted. The empty path is the root directory (of
// the current drive, on Windows). A sub-directory that cannot be listed is
// passed over; only a `root` that cannot be listed is an error.
Status WalkFileSizes(const char* root, FileSizeSink* sink);

// ---- Processes (process.cpp) ----------------------------------------------

// Runs `command` with the system's command interpreter and waits for it.
// `exit_code` receives the code the command ended with; a command ended by a
// signal ends with 128 plus the signal number, as shells report it. Fails
// only when the interpreter could not be started or waited for.
Status RunShellCommand(const char* command, int* exit_code);

// Starts a program in a normal window and returns without waiting for it.
// `command_line` is the caller's text; `arguments` is that text already
// split by the Windows rules, program first. Each backend takes the form its
// system starts programs from. No child is left for the caller to reap.
Status StartProgram(const char* command_line, const std::vector<std::string>& arguments);

// ---- Diagnostic log (log.cpp; error texts in error.cpp) -------------------

// The system's own words for `status`, with its code: "Permission denied
// (errno 13)", "Access is denied. (error 5)". An error with no system code
// gets a plain description of its kind.
std::string DescribeError(const Status& status);

// The environment variable `name` as the process has it now (on Windows
// including what the host set with SetEnvironmentVariable); false when it
// is unset or empty.
bool GetEnvironmentValue(const char* name, std::string* value);

struct UtcTime {
  unsigned year, month, day, hour, minute, second, millisecond;
};
UtcTime CurrentUtcTime();
unsigned long CurrentProcessId();

// Appends `line` and a line end to the file at `path`, created if missing,
// with one write on a file opened for appending, so that lines from several
// processes never interleave. A failure is ignored, and errno (on Windows
// the last error) is left as it was: logging never shows in a call's result.
void AppendLogLine(const char* path, const std::string& line);

}  // namespace install::platform

// ---- Per-user settings store (settings.cpp) --------------------------------
// Owned by the application object; nothing else writes here.

namespace install::platform {

// The per-user key Software\<company>\<application> that the application
// object's profile functions work on.
struct SettingsKey {
  const char* company;
  const char* application;
};

// Sets the string value `name` in `section` of the store; the empty section
// is the application key itself. Missing keys (or the file and its folders)
// are created, a value of the same name is replaced and every other value is
// kept. Either the whole write happens or the store is left as it was.
Status WriteUserSetting(const SettingsKey& key, const char* section, const char* name,
                        const char* value);

// Reads a value back. The library never does; tests and tools do.
Status ReadUserSettingForTesting(const SettingsKey& key, const char* section, const char* name,
                                 std::string* value);

}  // namespace install::platform

// ---- Modal dialogs and message boxes (dialog.cpp) --------------------------

namespace install::platform {

// End codes of a modal dialog, as the dialog manager reports them.
constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;
constexpr int kDialogNotCreated = -1;

struct DialogColors {
  std::uint32_t background;  // 0x00BBGGRR
  std::uint32_t text;
};

// A dialog while it is on the screen, as its owner class sees it.
class DialogWindow {
 public:
  virtual std::string GetItemText(int id) const = 0;
  virtual void SetItemText(int id, const std::string& text) = 0;
  // The most characters the user can type into an edit control.
  virtual void LimitItemText(int id, std::size_t max_chars) = 0;
  virtual void FocusItem(int id) = 0;
  // Closes the dialog once the current event returns; DoModal returns `code`.
  virtual void EndDialog(int code) = 0;

 protected:
  ~DialogWindow() = default;
};

// What the dialog reports to its owner class: the template's own events.
class DialogEvents {
 public:
  virtual void OnInitDialog(DialogWindow& window) = 0;
  virtual void OnOK(DialogWindow& window) = 0;      // Enter or the default button
  virtual void OnCancel(DialogWindow& window) = 0;  // Esc

 protected:
  ~DialogEvents() = default;
};

// Where the operating system keeps no resources inside the binary (POSIX),
// a module's dialog templates are these records and the module's resource
// handle points to its ResourceTable. Positions are in dialog units.
enum class DialogItemKind { kLabel, kEdit, kDefaultButton };

struct DialogItemTemplate {
  int id;
  DialogItemKind kind;
  const char* text;
  int x, y, cx, cy;
};

struct DialogTemplate {
  int id;
  const char* title;
  int cx, cy;
  const DialogItemTemplate* items;
  std::size_t item_count;
};

struct ResourceTable {
  const DialogTemplate* dialogs;
  std::size_t dialog_count;
};

// Runs dialog template `template_id` from `resources` (the module whose
// resources are current) modally over `owner`, which may be null; null
// `colors` keeps the system's. Returns the code given to EndDialog, or
// kDialogNotCreated when the dialog cannot be shown at all.
int RunModalDialog(void* owner, const void* resources, int template_id, const DialogColors* colors,
                   DialogEvents& events);

// A modal message box over `owner`; `style` 0 is an OK button and no icon.
// Returns the button pressed (kDialogOk), or 0 when the box cannot be shown.
int ShowMessageBox(void* owner, const char* text, const char* caption, unsigned style);

}  // namespace install::platform
