#include "export/writer.h"

namespace kvn::exporting {

std::string TQExportWriter::AlignToStr(TQExportColAlign align) const {
  switch (align) {
    case TQExportColAlign::ecaLeft: return "Left alignment";
    case TQExportColAlign::ecaCenter: return "Center alignment";
    case TQExportColAlign::ecaRight: return "Right alignment";
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

std::string TQExportWriter::PadLeft(std::string_view text, char c, int width) {
  std::string out;
  if (static_cast<int>(text.size()) < width) out.assign(static_cast<size_t>(width) - text.size(), c);
  out.append(text);
  return out;
}

std::string TQExportWriter::PadRight(std::string_view text, char c, int width) {
  std::string out(text);
  if (static_cast<int>(text.size()) < width) out.append(static_cast<size_t>(width) - text.size(), c);
  return out;
}

std::string TQExportWriter::PadCenter(std::string_view text, char c, int width) {
  int len = static_cast<int>(text.size());
  if (len >= width) return std::string(text);
  int left = (width - len) / 2;
  std::string out(static_cast<size_t>(left), c);
  out.append(text);
  out.append(static_cast<size_t>(width - len - left), c);
  return out;
}

}  // namespace kvn::exporting
