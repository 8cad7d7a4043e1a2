// The archiver's exception: a native error code, the message number it maps
// to, and the text "<component>: <message> - Native error: 00013".
#pragma once

#include <string>
#include <vector>

#include "platform/error.h"

namespace kvn::archive {

class EZFException : public kvn::Error {
 public:
  EZFException(const std::string& message, int nativeCode, int messageNumber, int systemError = 0)
      : kvn::Error(message),
        m_nativeCode(nativeCode),
        m_messageNumber(messageNumber),
        m_systemError(systemError) {}
  int NativeCode() const { return m_nativeCode; }
  int MessageNumber() const { return m_messageNumber; }
  // The system's error code behind a file failure (a full disk, a refused
  // read), 0 when there is none: callers tell the user why in their words.
  int SystemError() const { return m_systemError; }

 private:
  int m_nativeCode;
  int m_messageNumber;
  int m_systemError;
};

// The message number of a native code (0 for codes the table does not know).
int MessageNumberOf(int nativeCode);
// The text of a message number, before its arguments are put in.
const char* MessageText(int messageNumber);
// The complete text: component name (when any), message with its arguments,
// and the native code on five digits.
std::string FormatArchiverMessage(const std::string& componentName, int nativeCode,
                                  const std::vector<std::string>& args);
[[noreturn]] void ThrowArchiverError(const std::string& componentName, int nativeCode,
                                     const std::vector<std::string>& args = {},
                                     int systemError = 0);

}  // namespace kvn::archive
