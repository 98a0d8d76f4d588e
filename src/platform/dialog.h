// Modal dialogs and message boxes (dialog.cpp of each backend).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
  // How many characters `text` holds as the edit controls count them for
  // that limit, so that a check on the way back counts the same way.
  virtual std::size_t CountItemText(const std::string& text) const = 0;
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

// Runs dialog template `template_id` from `resources` (the module whose
// resources are current) modally over `owner`, which may be null; null
// `colors` keeps the system's. Returns the code given to EndDialog, or
// kDialogNotCreated when the dialog cannot be shown at all.
int RunModalDialog(void* owner, const void* resources, int template_id, const DialogColors* colors,
                   DialogEvents& events);

// String `id` of `resources` as UTF-8, in the language the system's
// resource loader picks for the calling thread; `fallback` where there is no
// such string. The POSIX tables carry no strings: there the terminal form
// translates the texts it shows, `fallback` among them.
std::string LoadResourceString(const void* resources, int id, const char* fallback);

// A modal message box over `owner`; `style` 0 is an OK button and no icon.
// A text that reads right to left gets a box that does too.
// Returns the button pressed (kDialogOk), or 0 when the box cannot be shown.
int ShowMessageBox(void* owner, const char* text, const char* caption, unsigned style);

}  // namespace install::platform
