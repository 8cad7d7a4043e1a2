#include "archive/zf_exception.h"

#include <cstdio>

namespace kvn::archive {

namespace {

struct MessageEntry {
  int number;
  const char* text;
  std::initializer_list<int> codes;
};

const MessageEntry kMessages[] = {
    {0, "Unknown error", {0}},
    {1, "Index out of bounds", {1, 2, 3, 4, 7, 16, 21, 24}},
    {2, "Invalid compression mode. Mode must be in [0-9] range", {5}},
    {3, "Unexpected nil pointer", {6}},
    {4, "Invalid size or check sum of file or unsupported compression format", {8}},
    {5, "File name is blank. Specify appropriate file name", {9, 10, 29}},
    {6, "File \"%s\" not found", {11, 12, 15, 18, 30, 31, 38, 42}},
    {7, "Archive is not open", {13, 14}},
    {8, "SFXStub property is not specified", {17}},
    {9, "Cannot create file \"%s\"", {19, 23}},
    {10, "Cannot create directory \"%s\"", {20}},
    {11, "Internal error. Update is not started", {22, 25}},
    {12, "Cannot open file \"%s\"", {33}},
    {13, "Cannot proceed when update is not ended. Preceding EndUpdate call is required.", {26}},
    {14, "Cannot delete file \"%s\"", {27}},
    {15, "In-memory archive can be created only", {28}},
    {16, "File is open in read-only mode", {32}},
    {17, "Invalid compressed size, rfs.size = %d, count = %d", {34}},
    {18, "Invalid archive file.", {35}},
    {19,
     "Cannot create output file. Probably file is locked by another process. FileName = '%s'.",
     {36}},
    {20, "Archive is open. You should close it beore performing this operation.", {37}},
    {21, "Unable to create directory", {39}},
    {22, "Cannot find Zip64 directory end record", {40}},
    {23, "Cannot compress file '%s'. Zip64 mode is not enabled", {41, 43}},
    {24, "Cannot open archive file. Opening aborted or invalid file", {44, 45}},
    {25, "Write to stream error", {46}},
    {26, "Cannot place SFX stub on volume. Volume size limit is too small", {47}},
    {27, "Archive is damaged. Open failed", {48}},
    {28,
     "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive "
     "creation instead of MakeSFX",
     {49}},
    {29, "Archive already has SFX stub", {50}},
    {30, "Multi-volume archive is not allowed for custom stream", {51}},
    {31,
     "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate "
     "methods to add files several times",
     {52}},
};

}  // namespace

int MessageNumberOf(int nativeCode) {
  for (const auto& m : kMessages)
    for (int c : m.codes)
      if (c == nativeCode) return m.number;
  return 0;
}

const char* MessageText(int messageNumber) {
  for (const auto& m : kMessages)
    if (m.number == messageNumber) return m.text;
  return kMessages[0].text;
}

std::string FormatArchiverMessage(const std::string& componentName, int nativeCode,
                                  const std::vector<std::string>& args) {
  std::string pattern = MessageText(MessageNumberOf(nativeCode));
  std::string text;
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() &&
        (pattern[i + 1] == 's' || pattern[i + 1] == 'd')) {
      if (next < args.size()) text += args[next++];
      ++i;
    } else {
      text += pattern[i];
    }
  }
  if (!componentName.empty()) text = componentName + ": " + text;
  char code[16];
  std::snprintf(code, sizeof code, "%05d", nativeCode);
  return text + " - Native error: " + code;
}

void ThrowArchiverError(const std::string& componentName, int nativeCode,
                        const std::vector<std::string>& args, int systemError) {
  throw EZFException(FormatArchiverMessage(componentName, nativeCode, args), nativeCode,
                     MessageNumberOf(nativeCode), systemError);
}

}  // namespace kvn::archive
