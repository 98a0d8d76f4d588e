// Layout and drawing of a terminal form: where each item goes, in the
// template's own frame or, on a small screen, compacted; all measured in
// screen cells, so that wide characters (most CJK ones and emoji take two
// cells) keep the frame and the cursor in place.
#include <algorithm>
#include <cstdio>

#include "platform/posix/terminal/characters.h"
#include "platform/posix/terminal/form.h"
#include "platform/posix/terminal/messages.h"

namespace install::platform {

using terminal::Cells;
using terminal::ClusterAt;
using terminal::ClusterLength;
using terminal::Translate;

namespace {

// A dialog unit is a quarter of a character cell across and an eighth down.
constexpr int kUnitsPerColumn = 4;
constexpr int kUnitsPerRow = 8;
constexpr int kFrameCells = 2;  // one border cell on each side

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
// Shown (with a bell) when a key would take a field past its limit.
constexpr char kLimitNote[] = "At most %zu characters";
// Room for either note in any language, numbers filled in.
constexpr std::size_t kTranslatedNoteBytes = 256;

int Columns(int units) { return (units + kUnitsPerColumn - 1) / kUnitsPerColumn; }
int Rows(int units) { return units / kUnitsPerRow; }

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
// wraps onto the next line: a wide character that has room for only half
// of itself goes too.
std::string Clip(const std::string& text, int column, int screen_columns) {
  const int room = screen_columns - column;
  if (room <= 0) return "";
  std::string out;
  int cells = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] == kEscapeByte) {  // attributes take no cell
      std::size_t end = at + 1;
      while (end < text.size() && !(text[end] >= '@' && text[end] <= '~' && text[end] != '[')) {
        ++end;
      }
      end = std::min(end + 1, text.size());
      out.append(text, at, end - at);
      at = end;
      continue;
    }
    const terminal::Cluster cluster = ClusterAt(text, at);
    cells += cluster.cells;
    if (cells > room) break;
    out.append(text, at, cluster.length);
    at += cluster.length;
  }
  return out;
}

// What a field of `inner` cells shows of its text: as much as fits, from
// where it must start for the cursor to be in view with a cell of its own
// (an edit control scrolls its text so); `first` is where that is.
std::string Visible(const std::string& text, std::size_t cursor, int inner, std::size_t* first) {
  std::size_t start = 0;
  while (start < cursor && Cells(text.substr(start, cursor - start)) > inner - 1) {
    start += ClusterLength(text, start);
  }
  *first = start;
  std::size_t end = start;
  for (int cells = 0; end < text.size();) {
    const terminal::Cluster cluster = ClusterAt(text, end);
    cells += cluster.cells;
    if (cells > inner) break;
    end += cluster.length;
  }
  return text.substr(start, end - start);
}

// "&Accept" shows as "Accept" with its mnemonic underlined.
std::string WithMnemonic(const std::string& label, const std::string& attributes) {
  const std::size_t amp = label.find('&');
  if (amp == std::string::npos || amp + 1 >= label.size()) return label;
  // The whole character, however many bytes it takes ("&Übernehmen").
  const std::size_t length = ClusterLength(label, amp + 1);
  return label.substr(0, amp) + kUnderline + label.substr(amp + 1, length) + kNoUnderline +
         attributes + label.substr(amp + 1 + length);
}

std::string PlainLabel(const std::string& label) {
  std::string out = label;
  const std::size_t amp = out.find('&');
  if (amp != std::string::npos) out.erase(amp, 1);
  return out;
}

}  // namespace

std::string TerminalForm::BaseAttributes(const DialogColors* colors) {
  std::string attributes = kResetAttributes;
  if (colors != nullptr) {
    attributes += "\x1b[" + std::to_string(30 + NearestBasicColour(colors->text)) + ";" +
                  std::to_string(40 + NearestBasicColour(colors->background)) + "m";
  }
  return attributes;
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
        return Cells(item.text);
      case DialogItemKind::kEdit:
        return item.limit == kUnlimitedText
                   ? Columns(item.source->cx)
                   : std::min(Columns(item.source->cx),
                              static_cast<int>(item.limit) + kFieldDecorationCells);
      case DialogItemKind::kDefaultButton:
        break;
    }
    return Cells(PlainLabel(item.text)) + kButtonDecorationCells;
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
    char request[kTranslatedNoteBytes];
    std::snprintf(request, sizeof request, Translate(kEnlargeRequest).c_str(), layout.width,
                  layout.height);
    put(0, 0, request);
    session_.Write(out);
    return;
  }

  const int top = layout.top;
  const int left = layout.left;
  const int width = layout.width;
  std::string note;
  if (refused_limit_ != 0) {
    char text[kTranslatedNoteBytes];
    std::snprintf(text, sizeof text, Translate(kLimitNote).c_str(), refused_limit_);
    note = text;
  }
  // A border with a text in it, as the title sits in the top one, measured
  // in cells: "+-", the text as far as it fits, at least one more "-", "+".
  auto dashes = [](int cells) { return std::string(static_cast<std::size_t>(cells), '-'); };
  auto border = [&](const std::string& text) {
    if (text.empty()) return "+" + dashes(width - 2) + "+";
    const std::string shown = Clip(" " + text + " ", 0, width - 4);
    return "+-" + shown + dashes(width - 3 - Cells(shown)) + "+";
  };
  if (layout.framed) {
    put(top, left, border(title_));
    for (int row = 1; row < layout.height - 1; ++row) {
      put(top + row, left, "|" + std::string(static_cast<std::size_t>(width - 2), ' ') + "|");
    }
    put(top + layout.height - 1, left, border(note));
  } else {
    put(top, left, title_);
    put(top + layout.height, left, note);
  }

  int cursor_row = top + 1;
  int cursor_column = left + 1;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const Item& item = items_[i];
    const auto [row, column, cells] = layout.places[i];
    const std::string& text = item.text;
    if (item.source->kind == DialogItemKind::kLabel) {
      const int pad = std::max(0, cells - Cells(text));
      put(row, column, std::string(static_cast<std::size_t>(pad), ' ') + text);
    } else if (item.source->kind == DialogItemKind::kEdit) {
      const int inner = cells - kFieldDecorationCells;
      std::size_t first = 0;
      const std::string visible = Visible(text, item.cursor, inner, &first);
      const int pad = std::max(0, inner - Cells(visible));
      const std::string shown = item.selected ? kReverse + visible + base_attributes_ : visible;
      put(row, column, "[" + shown + std::string(static_cast<std::size_t>(pad), ' ') + "]");
      if (i == focus_) {
        cursor_row = row;
        cursor_column = column + 1 + Cells(text.substr(first, item.cursor - first));
      }
    } else {
      const std::string plain = PlainLabel(text);
      const int pad = std::max(0, cells - kButtonDecorationCells - Cells(plain));
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
