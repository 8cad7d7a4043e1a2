// The export writer: turns text into bytes on a stream (as they are, or through
// an encoder a format sets; no byte-order mark of its own; CR LF line ends) and pads cells for the
// fixed-width formats.
#pragma once

#include <string>
#include <string_view>

#include "export/types.h"
#include "platform/stream.h"
#include "platform/text_encoder.h"

namespace kvn::exporting {

class TQExport;

class TQExportWriter {
 public:
  // The writer never owns the stream.
  TQExportWriter(TQExport* owner, platform::Stream& stream) : m_owner(owner), m_stream(&stream) {}
  virtual ~TQExportWriter() = default;

  virtual std::string AlignToStr(TQExportColAlign align) const;

  // Throw "Erreur d'écriture dans le flux" when the stream refuses bytes.
  // With an encoder, the UTF-8 text is written in its encoding.
  void Write(std::string_view text) {
    if (!m_encoder || m_encoder->IsUtf8()) return m_stream->WriteString(text);
    m_encoded.clear();
    m_encoder->Append(text, m_encoded);
    m_stream->WriteString(m_encoded);
  }
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
  // The encoding every later write goes through; nullptr writes the bytes as
  // they are. The writer does not own it.
  void SetEncoder(platform::TextEncoder* encoder) { m_encoder = encoder; }

 private:
  TQExport* m_owner;
  platform::Stream* m_stream;
  platform::TextEncoder* m_encoder = nullptr;
  std::string m_encoded;
};

}  // namespace kvn::exporting
