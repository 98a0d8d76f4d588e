// The text of the per-user settings file: one value a line, grouped like an
// INI file, with every byte but NUL able to round-trip through an escape.
#pragma once

#include <string>

namespace install::platform::settings_file {

// The comment a new file starts with, so that whoever opens it knows what it
// is and how to read it.
extern const char kNewFileHeader[];

std::string Escape(const std::string& raw);
// Undoes Escape; an escape it does not know stands for itself.
std::string Unescape(const std::string& text);

// Returns `file_text` with `name` in `section` set to `value`: a line for the
// same name is replaced in place, a new one joins the end of its group (the
// empty section is the group before the first "[...]" line), and every other
// line is kept byte for byte.
std::string WithValue(const std::string& file_text, const std::string& section,
                      const std::string& name, const std::string& value);

// Finds `name` in `section`; false when it is not there.
bool FindValue(const std::string& file_text, const std::string& section, const std::string& name,
               std::string* value);

}  // namespace install::platform::settings_file
