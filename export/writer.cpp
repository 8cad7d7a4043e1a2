#include "export/writer.h"

#include "platform/codepage.h"

namespace kvn::exporting {

std::string TQExportWriter::AlignToStr(TQExportColAlign align) const {
  switch (align) {
    case TQExportColAlign::ecaLeft:
      return "Left alignment";
    case TQExportColAlign::ecaCenter:
      return "Center alignment";
    case TQExportColAlign::ecaRight:
      return "Right alignment";
  }
  return "Unknown alignment";
}

void TQExportWriter::WriteLn(std::string_view text) {
  Write(text);
  Write("\r\n");
}

void TQExportWriter::CharLine(char c, int count) {
  std::string line(count > 0 ? static_cast<size_t>(count) : 0, c);
  line += "\r\n";
  Write(line);
}

// Widths count characters, not the bytes of their UTF-8 form.
std::string TQExportWriter::PadLeft(std::string_view text, char c, int width) {
  std::string out;
  const auto length = static_cast<int>(platform::Utf8Length(text));
  if (length < width) out.assign(static_cast<size_t>(width - length), c);
  out.append(text);
  return out;
}

std::string TQExportWriter::PadRight(std::string_view text, char c, int width) {
  std::string out(text);
  const auto length = static_cast<int>(platform::Utf8Length(text));
  if (length < width) out.append(static_cast<size_t>(width - length), c);
  return out;
}

std::string TQExportWriter::PadCenter(std::string_view text, char c, int width) {
  int len = static_cast<int>(platform::Utf8Length(text));
  if (len >= width) return std::string(text);
  int left = (width - len) / 2;
  std::string out(static_cast<size_t>(left), c);
  out.append(text);
  out.append(static_cast<size_t>(width - len - left), c);
  return out;
}

}  // namespace kvn::exporting
