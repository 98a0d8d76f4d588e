#include "platform/posix/terminal_form.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace install::platform {
namespace {

// A dialog unit is a quarter of a character cell across and an eighth down.
constexpr int kUnitsPerColumn = 4;
constexpr int kUnitsPerRow = 8;
constexpr int kFrameCells = 2;  // one border cell on each side
constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();

constexpr char kResetAttributes[] = "\x1b[0m";
constexpr char kReverse[] = "\x1b[7m";
constexpr char kUnderline[] = "\x1b[4m";
constexpr char kNoUnderline[] = "\x1b[24m";
constexpr char kClearScreen[] = "\x1b[H\x1b[2J";
constexpr char kEscapeByte = '\x1b';
constexpr int kCompactGapCells = 1;        // between a label and its field
constexpr int kButtonDecorationCells = 4;  // "< " and " >"
constexpr int kFieldDecorationCells = 2;   // "[" and "]"
constexpr char kEnlargeRequest[] = "Enlarge the window to %dx%d";

int Columns(int units) { return (units + kUnitsPerColumn - 1) / kUnitsPerColumn; }
int Rows(int units) { return units / kUnitsPerRow; }

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Bytes in the UTF-8 character that `lead` starts; 1 for any other byte.
std::size_t SequenceLength(char lead) {
  const auto b = static_cast<unsigned char>(lead);
  if (b >= 0xF0 && b <= 0xF7) return 4;
  if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
  if (b >= 0xC0) return 2;
  return 1;
}

// Cells a text takes: one per character, however many bytes encode it.
int Width(const std::string& text) {
  return static_cast<int>(
      std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

// The nearest of the eight basic terminal colours to 0x00BBGGRR.
int NearestBasicColour(std::uint32_t colour) {
  const bool red = (colour & 0xFF) >= 0x80;
  const bool green = ((colour >> 8) & 0xFF) >= 0x80;
  const bool blue = ((colour >> 16) & 0xFF) >= 0x80;
  return (red ? 1 : 0) | (green ? 2 : 0) | (blue ? 4 : 0);
}

std::string MoveTo(int row, int column) {
  return "\x1b[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H";
}

// Drops what would fall off the right edge of the screen, so that nothing
// wraps onto the next line.
std::string Clip(const std::string& text, int column, int screen_columns) {
  const int room = screen_columns - column;
  if (room <= 0) return "";
  std::string out;
  int cells = 0;
  bool in_sequence = false;  // attributes take no cell
  for (char c : text) {
    if (c == kEscapeByte) in_sequence = true;
    if (!in_sequence && !IsContinuationByte(c) && ++cells > room) break;
    if (in_sequence && c >= '@' && c <= '~' && c != '[') in_sequence = false;
    out += c;
  }
  return out;
}

// "&Accept" shows as "Accept" with its mnemonic underlined.
std::string WithMnemonic(const std::string& label, const std::string& attributes) {
  const std::size_t amp = label.find('&');
  if (amp == std::string::npos || amp + 1 >= label.size()) return label;
  return label.substr(0, amp) + kUnderline + label[amp + 1] + kNoUnderline + attributes +
         label.substr(amp + 2);
}

std::string PlainLabel(const std::string& label) {
  std::string out = label;
  const std::size_t amp = out.find('&');
  if (amp != std::string::npos) out.erase(amp, 1);
  return out;
}

}  // namespace

TerminalForm::TerminalForm(const DialogTemplate& dialog, const DialogColors* colors,
                           terminal::Session& session)
    : dialog_(dialog), session_(session) {
  base_attributes_ = kResetAttributes;
  if (colors != nullptr) {
    base_attributes_ += "\x1b[" + std::to_string(30 + NearestBasicColour(colors->text)) + ";" +
                        std::to_string(40 + NearestBasicColour(colors->background)) + "m";
  }
  for (std::size_t i = 0; i < dialog.item_count; ++i) {
    items_.push_back({&dialog.items[i], dialog.items[i].text, kUnlimited});
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
      case KeyKind::kAltAccept:
        events.OnOK(*this);
        break;
      case KeyKind::kText:
        if (on_button && key.byte == ' ') {
          events.OnOK(*this);
        } else {
          Type(key.byte);
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
    // A step over one character: its lead byte and what continues it.
    std::size_t before = cursor;
    while (before > 0 && IsContinuationByte(text[--before])) {
    }
    std::size_t after = cursor < text.size() ? cursor + 1 : cursor;
    while (after < text.size() && IsContinuationByte(text[after])) ++after;
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

void TerminalForm::Type(char byte) {
  Item* focused = FocusedField();
  if (focused == nullptr) return;
  Item& field = *focused;
  // The limit counts bytes, as the dialog manager counts 8-bit characters;
  // a character of several bytes goes in whole or not at all.
  if (IsContinuationByte(byte)) {
    if (dropping_continuations_ > 0) {
      --dropping_continuations_;
      return;
    }
  } else {
    if (field.selected) {
      field.text.clear();
      field.cursor = 0;
      field.selected = false;
    }
    const std::size_t length = SequenceLength(byte);
    dropping_continuations_ = 0;
    if (field.text.size() + length > field.limit) {
      dropping_continuations_ = length - 1;
      return;
    }
  }
  if (field.text.size() < field.limit) field.text.insert(field.cursor++, 1, byte);
}

// The template's own layout in a frame, centred.
TerminalForm::Layout TerminalForm::FullLayout(terminal::ScreenSize screen) const {
  Layout layout;
  layout.framed = true;
  layout.width = Columns(dialog_.cx) + kFrameCells;
  layout.height = Rows(dialog_.cy) + kFrameCells;
  layout.fits = layout.width <= screen.columns && layout.height <= screen.rows;
  layout.top = std::max(0, (screen.rows - layout.height) / 2);
  layout.left = std::max(0, (screen.columns - layout.width) / 2);
  for (const Item& item : items_) {
    layout.places.push_back({layout.top + 1 + Rows(item.source->y),
                             layout.left + 1 + item.source->x / kUnitsPerColumn,
                             Columns(item.source->cx)});
  }
  return layout;
}

// For a screen smaller than the template: no frame, the title on the first
// line, then one line for each line of the template, every item as narrow
// as its text allows; a label before a field on its line takes the width of
// the widest such label.
TerminalForm::Layout TerminalForm::CompactLayout(terminal::ScreenSize screen) const {
  auto same_line = [&](std::size_t a, std::size_t b) {
    return Rows(items_[a].source->y) == Rows(items_[b].source->y);
  };
  auto cells_of = [&](const Item& item) {
    switch (item.source->kind) {
      case DialogItemKind::kLabel:
        return Width(item.text);
      case DialogItemKind::kEdit:
        return item.limit == kUnlimited
                   ? Columns(item.source->cx)
                   : std::min(Columns(item.source->cx),
                              static_cast<int>(item.limit) + kFieldDecorationCells);
      case DialogItemKind::kDefaultButton:
        break;
    }
    return Width(PlainLabel(item.text)) + kButtonDecorationCells;
  };
  int label_cells = 0;
  for (std::size_t i = 0; i + 1 < items_.size(); ++i) {
    if (items_[i].source->kind == DialogItemKind::kLabel && same_line(i, i + 1)) {
      label_cells = std::max(label_cells, cells_of(items_[i]));
    }
  }
  Layout layout;
  int line = 0;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const bool continues_line = i > 0 && same_line(i - 1, i);
    if (!continues_line) ++line;
    const bool leads_label = items_[i].source->kind == DialogItemKind::kLabel &&
                             i + 1 < items_.size() && same_line(i, i + 1);
    const bool alone = !continues_line && !leads_label;
    const int column = leads_label || (alone && label_cells == 0) ||
                               (alone && items_[i].source->kind == DialogItemKind::kLabel)
                           ? 0
                           : label_cells + kCompactGapCells;
    const int cells = leads_label ? label_cells : cells_of(items_[i]);
    layout.places.push_back({line, column, cells});
    layout.width = std::max(layout.width, column + cells);
  }
  layout.height = line + 1;
  layout.fits = layout.width <= screen.columns && layout.height <= screen.rows;
  layout.top = std::max(0, (screen.rows - layout.height) / 2);
  layout.left = std::max(0, (screen.columns - layout.width) / 2);
  for (Place& place : layout.places) {
    place.row += layout.top;
    place.column += layout.left;
  }
  return layout;
}

void TerminalForm::Draw() {
  const terminal::ScreenSize screen = session_.Size();
  Layout layout = FullLayout(screen);
  if (!layout.fits) layout = CompactLayout(screen);
  fits_ = layout.fits;

  std::string out = kResetAttributes;
  out += kClearScreen;
  out += base_attributes_;
  auto put = [&](int row, int column, const std::string& text) {
    if (row >= screen.rows) return;
    out += MoveTo(row, column) + Clip(text, column, screen.columns);
  };
  if (!layout.fits) {
    char request[sizeof kEnlargeRequest + 2 * 12];
    std::snprintf(request, sizeof request, kEnlargeRequest, layout.width, layout.height);
    put(0, 0, request);
    session_.Write(out);
    return;
  }

  const int top = layout.top;
  const int left = layout.left;
  const int width = layout.width;
  const std::string title = " " + std::string(dialog_.title) + " ";
  if (layout.framed) {
    std::string border = "+" + std::string(static_cast<std::size_t>(width - 2), '-') + "+";
    border.replace(2, std::min(title.size(), border.size() - 4), title, 0, border.size() - 4);
    put(top, left, border);
    for (int row = 1; row < layout.height - 1; ++row) {
      put(top + row, left, "|" + std::string(static_cast<std::size_t>(width - 2), ' ') + "|");
    }
    put(top + layout.height - 1, left,
        "+" + std::string(static_cast<std::size_t>(width - 2), '-') + "+");
  } else {
    put(top, left, dialog_.title);
  }

  int cursor_row = top + 1;
  int cursor_column = left + 1;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const Item& item = items_[i];
    const auto [row, column, cells] = layout.places[i];
    const std::string& text = item.text;
    if (item.source->kind == DialogItemKind::kLabel) {
      const int pad = std::max(0, cells - Width(text));
      put(row, column, std::string(static_cast<std::size_t>(pad), ' ') + text);
    } else if (item.source->kind == DialogItemKind::kEdit) {
      const int pad = std::max(0, cells - kFieldDecorationCells - Width(text));
      const std::string shown = item.selected ? kReverse + text + base_attributes_ : text;
      put(row, column, "[" + shown + std::string(static_cast<std::size_t>(pad), ' ') + "]");
      if (i == focus_) {
        cursor_row = row;
        cursor_column = column + 1 + Width(text.substr(0, item.cursor));
      }
    } else {
      const std::string plain = PlainLabel(text);
      const int pad = std::max(0, cells - kButtonDecorationCells - Width(plain));
      const std::string attributes = i == focus_ ? base_attributes_ + kReverse : base_attributes_;
      const std::string face = std::string(static_cast<std::size_t>(pad / 2), ' ') +
                               WithMnemonic(text, attributes) +
                               std::string(static_cast<std::size_t>(pad - pad / 2), ' ');
      out += attributes;
      put(row, column, "< " + face + " >");
      out += base_attributes_;
      if (i == focus_) {
        cursor_row = row;
        cursor_column = column + 2 + pad / 2;
      }
    }
  }
  out += MoveTo(std::min(cursor_row, screen.rows - 1), std::min(cursor_column, screen.columns - 1));
  session_.Write(out);
}

}  // namespace install::platform
