// A dialog template as a form on the terminal: keys, focus and the fields'
// text. Layout and drawing are in layout.cpp.
#include "platform/posix/terminal/form.h"

#include <cwchar>
#include <cwctype>

#include "platform/posix/terminal/characters.h"
#include "platform/posix/terminal/messages.h"

namespace install::platform {

using terminal::ClusterBoundary;
using terminal::ClusterCount;
using terminal::ClusterLength;
using terminal::PreviousCluster;
using terminal::Translate;

TerminalForm::TerminalForm(const DialogTemplate& dialog, const DialogColors* colors,
                           terminal::Session& session)
    : dialog_(dialog), title_(Translate(dialog.title)), session_(session) {
  base_attributes_ = BaseAttributes(colors);
  // A field's text is the user's; only what the template says is translated.
  for (std::size_t i = 0; i < dialog.item_count; ++i) {
    const DialogItemTemplate& item = dialog.items[i];
    items_.push_back({&item, item.kind == DialogItemKind::kEdit ? item.text : Translate(item.text),
                      kUnlimitedText});
  }
  // Focus starts at the first tab stop, as the dialog manager's does.
  while (focus_ < items_.size() && !IsFocusable(focus_)) ++focus_;
}

int TerminalForm::Run(DialogEvents& events) {
  using terminal::KeyKind;
  events.OnInitDialog(*this);
  if (focus_ < items_.size()) FocusAndSelect(focus_);
  while (!ended_) {
    Draw();
    const terminal::Key key = session_.ReadKey();
    refused_limit_ = 0;  // the note stays up until the next key
    const bool on_button =
        focus_ < items_.size() && items_[focus_].source->kind == DialogItemKind::kDefaultButton;
    // A form too small to be seen answers only the keys that leave it.
    const bool leaves = key.kind == KeyKind::kEscape || key.kind == KeyKind::kInterrupt ||
                        key.kind == KeyKind::kHangUp;
    if (!fits_ && !leaves) continue;
    switch (key.kind) {
      case KeyKind::kTab:
        MoveFocus(1);
        break;
      case KeyKind::kBackTab:
        MoveFocus(-1);
        break;
      case KeyKind::kEnter:
        events.OnOK(*this);
        break;
      case KeyKind::kAltCharacter:
        if (IsMnemonicOfButton(key.text)) events.OnOK(*this);
        break;
      case KeyKind::kText:
        if (on_button && key.text == " ") {
          events.OnOK(*this);
        } else {
          Type(key.text);
        }
        break;
      case KeyKind::kBackspace:
      case KeyKind::kDelete:
      case KeyKind::kLeft:
      case KeyKind::kRight:
      case KeyKind::kHome:
      case KeyKind::kEnd:
      case KeyKind::kClearLine:
        Edit(key.kind);
        break;
      case KeyKind::kEscape:
      case KeyKind::kInterrupt:
        events.OnCancel(*this);
        break;
      case KeyKind::kHangUp:
        // Nobody is left to answer the form.
        events.OnCancel(*this);
        if (!ended_) EndDialog(kDialogCancel);
        break;
      case KeyKind::kRedraw:
      case KeyKind::kIgnored:
        break;
    }
  }
  return end_code_;
}

// Whether `typed` is the character after '&' in the default button's label,
// in either case ("&Accept", "確定(&A)", "&Übernehmen").
bool TerminalForm::IsMnemonicOfButton(const std::string& typed) const {
  auto folded = [](const std::string& text, std::size_t at) {
    std::mbstate_t state{};
    wchar_t character = 0;
    const std::size_t got = std::mbrtowc(&character, text.data() + at, text.size() - at, &state);
    return got == 0 || got > text.size() ? WEOF : std::towlower(static_cast<wint_t>(character));
  };
  for (const Item& item : items_) {
    if (item.source->kind != DialogItemKind::kDefaultButton) continue;
    const std::size_t amp = item.text.find('&');
    if (amp != std::string::npos && amp + 1 < item.text.size() &&
        folded(item.text, amp + 1) != WEOF && folded(item.text, amp + 1) == folded(typed, 0)) {
      return true;
    }
  }
  return false;
}

std::string TerminalForm::GetItemText(int id) const {
  for (const Item& item : items_) {
    if (item.source->id == id) return item.text;
  }
  return "";
}

void TerminalForm::SetItemText(int id, const std::string& text) {
  for (Item& item : items_) {
    if (item.source->id != id) continue;
    item.text = text;
    item.cursor = text.size();
    item.selected = false;
  }
}

std::size_t TerminalForm::CountItemText(const std::string& text) const {
  return ClusterCount(text);
}

void TerminalForm::LimitItemText(int id, std::size_t max_chars) {
  for (Item& item : items_) {
    if (item.source->id == id) item.limit = max_chars;
  }
}

void TerminalForm::FocusItem(int id) {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].source->id == id && IsFocusable(i)) FocusAndSelect(i);
  }
}

void TerminalForm::EndDialog(int code) {
  ended_ = true;
  end_code_ = code;
}

bool TerminalForm::IsFocusable(std::size_t index) const {
  return items_[index].source->kind != DialogItemKind::kLabel;
}

TerminalForm::Item* TerminalForm::FocusedField() {
  if (focus_ >= items_.size() || items_[focus_].source->kind != DialogItemKind::kEdit) {
    return nullptr;
  }
  return &items_[focus_];
}

// As the dialog manager does for an edit control that focus moves to: its
// whole text is selected, so that typing replaces it.
void TerminalForm::FocusAndSelect(std::size_t index) {
  focus_ = index;
  if (Item* field = FocusedField()) {
    field->selected = !field->text.empty();
    field->cursor = field->text.size();
  }
}

void TerminalForm::MoveFocus(int step) {
  if (items_.empty()) return;
  const long count = static_cast<long>(items_.size());
  long next = focus_ < items_.size() ? static_cast<long>(focus_) : 0;
  for (long tried = 0; tried < count; ++tried) {
    next = (next + count + step) % count;
    if (IsFocusable(static_cast<std::size_t>(next))) {
      FocusAndSelect(static_cast<std::size_t>(next));
      return;
    }
  }
}

void TerminalForm::Edit(terminal::KeyKind kind) {
  using terminal::KeyKind;
  Item* field = FocusedField();
  if (field == nullptr) return;
  std::string& text = field->text;
  std::size_t& cursor = field->cursor;
  const bool erases = kind == KeyKind::kBackspace || kind == KeyKind::kDelete;
  if (field->selected && (erases || kind == KeyKind::kClearLine)) {
    text.clear();
    cursor = 0;
  } else if (field->selected && kind == KeyKind::kLeft) {
    cursor = 0;
  } else if (field->selected && kind == KeyKind::kRight) {
    cursor = text.size();
  } else {
    // A step over one whole character as the user sees it, with its marks
    // or the rest of its emoji sequence.
    const std::size_t before = PreviousCluster(text, cursor);
    const std::size_t after = cursor < text.size() ? cursor + ClusterLength(text, cursor) : cursor;
    switch (kind) {
      case KeyKind::kBackspace:
        text.erase(before, cursor - before);
        cursor = before;
        break;
      case KeyKind::kDelete:
        text.erase(cursor, after - cursor);
        break;
      case KeyKind::kLeft:
        cursor = before;
        break;
      case KeyKind::kRight:
        cursor = after;
        break;
      case KeyKind::kHome:
        cursor = 0;
        break;
      case KeyKind::kEnd:
        cursor = text.size();
        break;
      case KeyKind::kClearLine:
        text.clear();
        cursor = 0;
        break;
      default:
        break;
    }
  }
  field->selected = false;
}

void TerminalForm::Type(const std::string& character) {
  Item* field = FocusedField();
  if (field == nullptr) return;
  std::string text = field->selected ? std::string() : field->text;
  std::size_t cursor = field->selected ? 0 : field->cursor;
  text.insert(cursor, character);
  // The limit counts what the check on Accept counts (CountItemText), so a
  // text the form takes is never refused there. A character goes in whole
  // or not at all, and one that does not fit is refused where the user
  // sees it: a bell, and a note until the next key. A mark or a joined
  // character that becomes part of the last one adds nothing.
  if (ClusterCount(text) > field->limit) {
    refused_limit_ = field->limit;
    session_.Ring();
    return;
  }
  field->text = std::move(text);
  // A joiner typed between two characters makes them one: the cursor goes
  // after the whole of it.
  field->cursor = ClusterBoundary(field->text, cursor + character.size());
  field->selected = false;
}

}  // namespace install::platform
