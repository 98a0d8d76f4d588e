// Dialogs on Windows: the dialog manager runs the template from the
// library's own resources, owned by the caller's window, which it keeps
// disabled while the dialog is up. A Unicode dialog, so that what the user
// types reaches the library whole, whatever the ANSI code page.
//
// The template holds only the window classes that user32 registers itself
// (static, edit, button), so no common control is loaded for it.
#include "platform/dialog.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/call_notes.h"
#include "platform/dialog.h"
#include "platform/text.h"
#include "platform/win32/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace install::platform {
namespace {

constexpr wchar_t kFirstRightToLeft = 0x0590;      // Hebrew
constexpr wchar_t kLastRightToLeft = 0x08FF;       // Arabic Extended-A
constexpr wchar_t kFirstRightToLeftForm = 0xFB1D;  // Hebrew presentation forms
constexpr wchar_t kLastRightToLeftForm = 0xFEFC;   // Arabic presentation forms-B

COLORREF ToColorRef(std::uint32_t colour) { return static_cast<COLORREF>(colour & 0xFFFFFF); }

std::wstring Wide(const std::string& text) {
  std::wstring wide;
  WideFromText(text, &wide);
  return wide;
}

class Win32Dialog final : public DialogWindow {
 public:
  Win32Dialog(DialogEvents& events, const DialogColors* colors) : events_(events), colors_(colors) {
    if (colors != nullptr) background_.reset(::CreateSolidBrush(ToColorRef(colors->background)));
  }

  std::string GetItemText(int id) const override {
    const HWND item = ::GetDlgItem(hwnd_, id);
    const int length = item != nullptr ? ::GetWindowTextLengthW(item) : 0;
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    ::GetDlgItemTextW(hwnd_, id, buffer.data(), length + 1);
    TextBuffer text;
    // Typed text has no unpaired surrogate; pasted text might, and loses it.
    TextFromCaller(buffer.data(), &text, InvalidText::kReplace);
    return std::string(text.view());
  }
  void SetItemText(int id, const std::string& text) override {
    ::SetDlgItemTextW(hwnd_, id, Wide(text).c_str());
  }
  // A Unicode edit control counts UTF-16 units.
  void LimitItemText(int id, std::size_t max_chars) override {
    ::SendDlgItemMessageW(hwnd_, id, EM_LIMITTEXT, static_cast<WPARAM>(max_chars), 0);
  }
  std::size_t CountItemText(const std::string& text) const override { return Wide(text).size(); }
  void FocusItem(int id) override {
    const HWND item = ::GetDlgItem(hwnd_, id);
    if (item == nullptr) return;
    ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
    focus_set_ = true;
  }
  void EndDialog(int code) override { ::EndDialog(hwnd_, code); }

  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
      ::SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
      reinterpret_cast<Win32Dialog*>(lparam)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Win32Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) return FALSE;
    return self->Handle(message, wparam, lparam);
  }

 private:
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_INITDIALOG:
        events_.OnInitDialog(*this);
        // TRUE lets the dialog manager put the focus on the first tab stop.
        return focus_set_ ? FALSE : TRUE;
      case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
          events_.OnOK(*this);
          return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
          events_.OnCancel(*this);
          return TRUE;
        }
        return FALSE;
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
        if (!background_) return FALSE;
        ::SetTextColor(reinterpret_cast<HDC>(wparam), ToColorRef(colors_->text));
        ::SetBkColor(reinterpret_cast<HDC>(wparam), ToColorRef(colors_->background));
        return reinterpret_cast<INT_PTR>(background_.get());
      default:
        (void)lparam;
        return FALSE;
    }
  }

  DialogEvents& events_;
  const DialogColors* colors_;
  UniqueBrush background_;
  HWND hwnd_ = nullptr;
  bool focus_set_ = false;
};

// Whether the first letter of `text` is of a script written right to left
// (Hebrew, Arabic and their presentation forms).
bool ReadsRightToLeft(const std::wstring& text) {
  for (const wchar_t c : text) {
    const bool right_to_left = (c >= kFirstRightToLeft && c <= kLastRightToLeft) ||
                               (c >= kFirstRightToLeftForm && c <= kLastRightToLeftForm);
    if (right_to_left) return true;
    if (::IsCharAlphaW(c)) return false;
  }
  return false;
}

// A handle that names no window gets the dialog manager's default owner
// rather than a dialog that cannot be created.
HWND OwnerWindow(void* owner) {
  const HWND hwnd = static_cast<HWND>(owner);
  return hwnd != nullptr && ::IsWindow(hwnd) ? hwnd : nullptr;
}

// A dialog in a window station that is not interactive (a service's, session
// 0's, a deployment agent's running the setup as SYSTEM), or on no desktop,
// is built where nobody can see it and would wait for ever. The reason why
// nobody can answer, or null when someone can.
const char* WhyNobodyCanAnswer() {
  const HWINSTA station = ::GetProcessWindowStation();
  USEROBJECTFLAGS flags{};
  // Flags that cannot be read count as a station nobody sees: better no
  // dialog than a wait without end.
  if (station == nullptr ||
      !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) ||
      (flags.dwFlags & WSF_VISIBLE) == 0) {
    return "the process's window station is not interactive";
  }
  return ::GetThreadDesktop(::GetCurrentThreadId()) == nullptr ? "the thread has no desktop"
                                                               : nullptr;
}

}  // namespace

int RunModalDialog(void* owner, const void* resources, int template_id, const DialogColors* colors,
                   DialogEvents& events) {
  if (resources == nullptr) {
    NoteFailure("show the dialog", "the library's resources are not loaded");
    return kDialogNotCreated;
  }
  if (const char* reason = WhyNobodyCanAnswer()) {
    NoteFailure("show the dialog", reason);
    return kDialogNotCreated;
  }
  Win32Dialog dialog(events, colors);
  const INT_PTR code = ::DialogBoxParamW(
      static_cast<HINSTANCE>(const_cast<void*>(resources)), MAKEINTRESOURCEW(template_id),
      OwnerWindow(owner), &Win32Dialog::Procedure, reinterpret_cast<LPARAM>(&dialog));
  if (code == kDialogNotCreated) NoteFailure("show the dialog", LastWindowsStatus());
  return static_cast<int>(code);
}

std::string LoadResourceString(const void* resources, int id, const char* fallback) {
  const wchar_t* found = nullptr;
  // A length of 0 asks for the text where it lies, read-only, in the module.
  const int length =
      resources == nullptr
          ? 0
          : ::LoadStringW(static_cast<HINSTANCE>(const_cast<void*>(resources)),
                          static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&found), 0);
  if (length <= 0 || found == nullptr) return fallback;
  std::string text;
  if (!TextFromWide(std::wstring_view(found, static_cast<std::size_t>(length)), &text).ok())
    return fallback;
  return text;
}

int ShowMessageBox(void* owner, const char* text, const char* caption, unsigned style) {
  const std::wstring wide_text = Wide(text);
  if (ReadsRightToLeft(wide_text)) style |= MB_RTLREADING | MB_RIGHT;
  return ::MessageBoxW(OwnerWindow(owner), wide_text.c_str(), Wide(caption).c_str(), style);
}

}  // namespace install::platform
