// Where the operating system keeps no resources inside the binary, a
// module's dialog templates are these records and the module's resource
// handle points to its ResourceTable. Positions are in dialog units.
#pragma once

#include <cstddef>

namespace install::platform {

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

}  // namespace install::platform
