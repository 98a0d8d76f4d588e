// A dialog template drawn as a form on the terminal: labels, one-line edit
// fields and a default button inside a frame with the title on top.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/posix/resource_table.h"
#include "platform/posix/terminal/session.h"

namespace install::platform {

class TerminalForm final : public DialogWindow {
 public:
  static constexpr std::size_t kUnlimitedText = static_cast<std::size_t>(-1);

  TerminalForm(const DialogTemplate& dialog, const DialogColors* colors,
               terminal::Session& session);

  // Runs the form until an event ends it; returns the end code.
  int Run(DialogEvents& events);

  std::string GetItemText(int id) const override;
  void SetItemText(int id, const std::string& text) override;
  std::size_t CountItemText(const std::string& text) const override;
  void LimitItemText(int id, std::size_t max_chars) override;
  void FocusItem(int id) override;
  void EndDialog(int code) override;

 private:
  struct Item {
    const DialogItemTemplate* source;
    std::string text;
    std::size_t limit;       // in characters as the user sees them (clusters)
    std::size_t cursor = 0;  // a byte offset into `text`, where a cluster starts
    bool selected = false;   // the whole text, as a field is when focus arrives
  };

  // Where an item goes on the screen, in cells.
  struct Place {
    int row, column, cells;
  };
  struct Layout {
    bool fits = false;
    bool framed = false;
    int top = 0, left = 0, width = 0, height = 0;
    std::vector<Place> places;
  };

  bool IsMnemonicOfButton(const std::string& typed) const;
  bool IsFocusable(std::size_t index) const;
  Item* FocusedField();
  void FocusAndSelect(std::size_t index);
  void MoveFocus(int step);
  void Edit(terminal::KeyKind kind);
  void Type(const std::string& character);
  static std::string BaseAttributes(const DialogColors* colors);
  Layout FullLayout(terminal::ScreenSize screen) const;
  Layout CompactLayout(terminal::ScreenSize screen) const;
  void Draw();

  const DialogTemplate& dialog_;
  std::string title_;  // in the user's language, as the labels and the button
  std::string base_attributes_;
  terminal::Session& session_;
  std::vector<Item> items_;
  std::size_t focus_ = 0;
  bool fits_ = true;               // the last drawing showed the form
  std::size_t refused_limit_ = 0;  // the limit a key just broke, shown until the next
  bool ended_ = false;
  int end_code_ = kDialogCancel;
};

}  // namespace install::platform
