// The export writer: turns 8-bit text into bytes on a stream (no conversion, no
// byte-order mark, CR LF line ends) and pads cells for the fixed-width formats.
#pragma once

#include <string>
#include <string_view>

#include "export/types.h"
#include "platform/stream.h"

namespace kvn::exporting {

class TQExport;

class TQExportWriter {
 public:
  // The writer never owns the stream.
  TQExportWriter(TQExport* owner, platform::Stream& stream) : m_owner(owner), m_stream(&stream) {}
  virtual ~TQExportWriter() = default;

  virtual std::string AlignToStr(TQExportColAlign align) const;

  // Throw "Erreur d'écriture dans le flux" when the stream refuses bytes.
  void Write(std::string_view text) { m_stream->WriteString(text); }
  void WriteLn(std::string_view text);
  void EmptyLine() { Write("\r\n"); }
  void CharLine(char c, int count);

  static std::string PadLeft(std::string_view text, char c, int width);
  static std::string PadRight(std::string_view text, char c, int width);
  static std::string PadCenter(std::string_view text, char c, int width);

  platform::Stream& Stream() { return *m_stream; }
  // Moves the output to another stream (the next page file of a multi-file export).
  void SetStream(platform::Stream& stream) { m_stream = &stream; }
  TQExport* Owner() const { return m_owner; }

 private:
  TQExport* m_owner;
  platform::Stream* m_stream;
};

}  // namespace kvn::exporting
