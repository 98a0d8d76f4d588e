#include "entry/call_log.h"

#include <string>
#include <string_view>

#include "install.h"
#include "platform/log.h"

namespace install {
namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDeleteByte = 0x7F;

// Formatted by hand rather than with printf, which would bring the C
// runtime's whole formatter into the DLL.
void AppendDigits(std::string* out, unsigned value, int width, unsigned base = 10) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = "0123456789ABCDEF"[value % base];
    value /= base;
  } while (value != 0 && count < static_cast<int>(sizeof digits));
  for (int pad = count; pad < width; ++pad) *out += '0';
  while (count > 0) *out += digits[--count];
}

// As "2026-12-06T23:04:05.678Z".
std::string Timestamp(const platform::UtcTime& t) {
  const struct {
    unsigned value;
    int width;
    char after;
  } fields[] = {{t.year, 4, '-'},   {t.month, 2, '-'},  {t.day, 2, 'T'},        {t.hour, 2, ':'},
                {t.minute, 2, ':'}, {t.second, 2, '.'}, {t.millisecond, 3, 'Z'}};
  std::string text;
  for (const auto& field : fields) {
    AppendDigits(&text, field.value, field.width);
    text += field.after;
  }
  return text;
}

// The bytes of `text` as the log shows them: at most `limit` of them,
// control bytes and DEL as \xHH and a double quote as \"; other bytes, the
// backslashes of Windows paths among them, as they are, for legibility.
std::string EscapeForLog(std::string_view text, std::size_t limit) {
  std::string out;
  const std::size_t shown = text.size() < limit ? text.size() : limit;
  for (std::size_t i = 0; i < shown; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < kFirstPrintable || byte == kDeleteByte) {
      out += "\\x";
      AppendDigits(&out, byte, 2, 16);
    } else {
      if (byte == '"') out += '\\';
      out += static_cast<char>(byte);
    }
  }
  return out;
}

const char* TokenWord(TokenCheck token) {
  switch (token) {
    case TokenCheck::kAccepted:
      return "accepted";
    case TokenCheck::kRefused:
      return "refused";
    case TokenCheck::kNotGated:
      break;
  }
  return "not-gated";
}

std::string Quoted(const std::string& text) {
  return "\"" + EscapeForLog(text, text.size()) + "\"";
}

}  // namespace

CallLog::CallLog(const char* export_name) noexcept {
  if (!platform::GetEnvironmentValue(INSTALL_LOG_VARIABLE, &path_)) return;
  head_ = Timestamp(platform::CurrentUtcTime()) +
          " pid=" + std::to_string(platform::CurrentProcessId()) + " " + export_name;
  notes_.emplace();
}

void CallLog::SetText(std::string_view given) {
  text_ = " text=\"" + EscapeForLog(given, kLoggedTextLimit) + "\"";
  if (given.size() > kLoggedTextLimit) text_ += " text_bytes=" + std::to_string(given.size());
}

std::int32_t CallLog::Write(TokenCheck token, std::int32_t result) noexcept {
  if (path_.empty()) return result;
  std::string line =
      head_ + " token=" + TokenWord(token) + text_ + " result=" + std::to_string(result);
  if (!notes_->failed_step().empty()) {
    line += " failed=" + Quoted(notes_->failed_step()) + " reason=" + Quoted(notes_->reason());
  }
  if (!notes_->facts().empty()) line += " notes=" + Quoted(notes_->facts());
  platform::AppendLogLine(path_.c_str(), line);
  return result;
}

}  // namespace install
