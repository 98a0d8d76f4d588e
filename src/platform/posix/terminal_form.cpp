#include "platform/posix/terminal_form.h"

#include <algorithm>
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
  for (char c : text) {
    if (!IsContinuationByte(c) && ++cells > room) break;
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
  while (!ended_) {
    Draw();
    const terminal::Key key = session_.ReadKey();
    const bool on_button =
        focus_ < items_.size() && items_[focus_].source->kind == DialogItemKind::kDefaultButton;
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
        Erase();
        break;
      case KeyKind::kClearLine:
        if (!on_button && focus_ < items_.size()) items_[focus_].text.clear();
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
    if (item.source->id == id) item.text = text;
  }
}

void TerminalForm::LimitItemText(int id, std::size_t max_chars) {
  for (Item& item : items_) {
    if (item.source->id == id) item.limit = max_chars;
  }
}

void TerminalForm::FocusItem(int id) {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].source->id == id && IsFocusable(i)) focus_ = i;
  }
}

void TerminalForm::EndDialog(int code) {
  ended_ = true;
  end_code_ = code;
}

bool TerminalForm::IsFocusable(std::size_t index) const {
  return items_[index].source->kind != DialogItemKind::kLabel;
}

void TerminalForm::MoveFocus(int step) {
  if (items_.empty()) return;
  const long count = static_cast<long>(items_.size());
  long next = focus_ < items_.size() ? static_cast<long>(focus_) : 0;
  for (long tried = 0; tried < count; ++tried) {
    next = (next + count + step) % count;
    if (IsFocusable(static_cast<std::size_t>(next))) {
      focus_ = static_cast<std::size_t>(next);
      return;
    }
  }
}

void TerminalForm::Type(char byte) {
  if (focus_ >= items_.size() || items_[focus_].source->kind != DialogItemKind::kEdit) return;
  Item& field = items_[focus_];
  // The limit counts bytes, as the dialog manager counts 8-bit characters;
  // a character of several bytes goes in whole or not at all.
  if (IsContinuationByte(byte)) {
    if (dropping_continuations_ > 0) {
      --dropping_continuations_;
      return;
    }
  } else {
    const std::size_t length = SequenceLength(byte);
    dropping_continuations_ = 0;
    if (field.text.size() + length > field.limit) {
      dropping_continuations_ = length - 1;
      return;
    }
  }
  if (field.text.size() < field.limit) field.text += byte;
}

void TerminalForm::Erase() {
  if (focus_ >= items_.size() || items_[focus_].source->kind != DialogItemKind::kEdit) return;
  std::string& text = items_[focus_].text;
  while (!text.empty() && IsContinuationByte(text.back())) text.pop_back();
  if (!text.empty()) text.pop_back();
}

void TerminalForm::Draw() {
  const terminal::ScreenSize screen = session_.Size();
  const int width = Columns(dialog_.cx) + kFrameCells;
  const int height = Rows(dialog_.cy) + kFrameCells;
  const int top = std::max(0, (screen.rows - height) / 2);
  const int left = std::max(0, (screen.columns - width) / 2);

  std::string out = kResetAttributes;
  out += kClearScreen;
  out += base_attributes_;
  auto put = [&](int row, int column, const std::string& text) {
    if (row >= screen.rows) return;
    out += MoveTo(row, column) + Clip(text, column, screen.columns);
  };

  const std::string title = " " + std::string(dialog_.title) + " ";
  std::string border = "+" + std::string(static_cast<std::size_t>(width - 2), '-') + "+";
  border.replace(2, std::min(title.size(), border.size() - 4), title, 0, border.size() - 4);
  put(top, left, border);
  for (int row = 1; row < height - 1; ++row) {
    put(top + row, left, "|" + std::string(static_cast<std::size_t>(width - 2), ' ') + "|");
  }
  put(top + height - 1, left, "+" + std::string(static_cast<std::size_t>(width - 2), '-') + "+");

  int cursor_row = top + 1;
  int cursor_column = left + 1;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const DialogItemTemplate& source = *items_[i].source;
    const int row = top + 1 + Rows(source.y);
    const int column = left + 1 + source.x / kUnitsPerColumn;
    const int cells = Columns(source.cx);
    const std::string& text = items_[i].text;
    if (source.kind == DialogItemKind::kLabel) {
      const int pad = std::max(0, cells - Width(text));
      put(row, column, std::string(static_cast<std::size_t>(pad), ' ') + text);
    } else if (source.kind == DialogItemKind::kEdit) {
      const int pad = std::max(0, cells - 2 - Width(text));
      put(row, column, "[" + text + std::string(static_cast<std::size_t>(pad), ' ') + "]");
      if (i == focus_) {
        cursor_row = row;
        cursor_column = column + 1 + Width(text);
      }
    } else {
      const std::string plain = PlainLabel(text);
      const int pad = std::max(0, cells - 4 - Width(plain));
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
