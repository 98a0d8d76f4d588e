// Dialogs on POSIX: a form on the controlling terminal, drawn with a few
// ECMA-48 sequences that every terminal emulator in use understands. Never
// the host's standard input or output, which may be a pipe or a log.
#include "platform/dialog.h"

#include <algorithm>
#include <string>

#include "platform/call_notes.h"
#include "platform/posix/resource_table.h"
#include "platform/posix/terminal/characters.h"
#include "platform/posix/terminal/form.h"
#include "platform/posix/terminal/messages.h"
#include "platform/posix/terminal/session.h"

namespace install::platform {
namespace {

constexpr int kUnitsPerColumn = 4;
constexpr int kUnitsPerRow = 8;
constexpr int kMessageMarginColumns = 2;
constexpr int kMessageMinColumns = 24;
constexpr int kOkButtonColumns = 10;
constexpr int kMessageBoxItemId = -1;
constexpr char kOkButton[] = "OK";

const DialogTemplate* FindTemplate(const void* resources, int template_id) {
  if (resources == nullptr) return nullptr;
  const auto* table = static_cast<const ResourceTable*>(resources);
  for (std::size_t i = 0; i < table->dialog_count; ++i) {
    if (table->dialogs[i].id == template_id) return &table->dialogs[i];
  }
  return nullptr;
}

// A message box with only an OK button answers OK however it is closed.
class MessageBoxEvents final : public DialogEvents {
 public:
  void OnInitDialog(DialogWindow&) override {}
  void OnOK(DialogWindow& window) override { window.EndDialog(kDialogOk); }
  void OnCancel(DialogWindow& window) override { window.EndDialog(kDialogOk); }
};

}  // namespace

int RunModalDialog(void* /*owner: a terminal has one screen*/, const void* resources,
                   int template_id, const DialogColors* colors, DialogEvents& events) {
  const DialogTemplate* dialog = FindTemplate(resources, template_id);
  if (dialog == nullptr) {
    NoteFailure("show the dialog", "the library has no such dialog template");
    return kDialogNotCreated;
  }
  terminal::Session session;
  if (!session.Open()) return kDialogNotCreated;
  TerminalForm form(*dialog, colors, session);
  return form.Run(events);
}

std::string LoadResourceString(const void* /*resources*/, int /*id*/, const char* fallback) {
  return fallback;
}

int ShowMessageBox(void* /*owner*/, const char* text, const char* caption, unsigned /*style*/) {
  terminal::Session session;
  if (!session.Open()) return 0;
  // Translated and measured under the locale the open session reads by.
  const std::string message = terminal::Translate(text != nullptr ? text : "");
  const std::string title = terminal::Translate(caption != nullptr ? caption : "");
  const std::string ok = terminal::Translate(kOkButton);
  const int message_cells = terminal::Cells(message);
  const int columns =
      std::max({message_cells + 2 * kMessageMarginColumns,
                terminal::Cells(title) + 2 * kMessageMarginColumns, kMessageMinColumns});
  const DialogItemTemplate items[] = {
      {kMessageBoxItemId, DialogItemKind::kLabel, message.c_str(),
       kMessageMarginColumns * kUnitsPerColumn, 1 * kUnitsPerRow, message_cells * kUnitsPerColumn,
       kUnitsPerRow},
      {kDialogOk, DialogItemKind::kDefaultButton, ok.c_str(),
       (columns - kOkButtonColumns) / 2 * kUnitsPerColumn, 3 * kUnitsPerRow,
       kOkButtonColumns * kUnitsPerColumn, kUnitsPerRow},
  };
  const DialogTemplate box = {0,     title.c_str(),   columns * kUnitsPerColumn, 5 * kUnitsPerRow,
                              items, std::size(items)};
  TerminalForm form(box, nullptr, session);
  MessageBoxEvents events;
  return form.Run(events);
}

}  // namespace install::platform
