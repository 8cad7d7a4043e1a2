// The zip records: local file header, central directory header, end of central
// directory record, Zip64 end record and locator; writing them and reading an
// archive's directory back.
//
//   [prefix] {local header, name, [Zip64 extra], data}* {central header, name,
//   [Zip64 extra], comment}* [Zip64 end record, locator] end record, comment
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/stream.h"

namespace kvn::archive {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndRecordSignature = 0x06054B50;
constexpr uint32_t kZip64EndRecordSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint32_t kEscape32 = 0xFFFFFFFFu;
constexpr int kLocalHeaderSize = 30;
constexpr int kCentralHeaderSize = 46;
constexpr int kEndRecordSize = 22;
constexpr int kZip64EndRecordSize = 56;
constexpr int kZip64LocatorSize = 20;
constexpr size_t kMaxNameBytes = 256;
// General-purpose flag bit 11: the name (and comment) are UTF-8.
constexpr uint16_t kFlagUtf8 = 0x0800;
// General-purpose flag bit 3: sizes and CRC follow the data in a descriptor.
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint32_t kDataDescriptorSignature = 0x08074B50;

enum class TZFProcessOperation : uint8_t {
  poAdd,
  poMove,
  poDelete,
  poUpdate,
  poExtract,
  poTest,
  poRename,
  poChangeAttr,
  poChangeComment
};

struct ExtraField {
  uint16_t id = 0;
  std::string data;
};

// One directory entry: the central header's fields, then what the archiver
// keeps about it. Names are Windows-1252 with "/" separators.
// The version needed of an entry whose name is enciphered (zip_crypto.h).
constexpr uint16_t kVersionNameCipher = 0x4114;

struct TDirItem {
  uint32_t signature = kCentralHeaderSignature;
  uint16_t versionMadeBy = 20;
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc = kEscape32;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  uint16_t commentLength = 0;
  uint16_t diskNumberStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;

  std::string name;  // as the archiver shows and compares it
  std::string
      rawName;  // the name's bytes in the archive (code page 850, or UTF-8 with flag bit 11)
  std::string oldName;
  std::string comment;
  std::vector<ExtraField> extra;
  bool zip64 = false;
  uint64_t uncompressedSize64 = 0;
  uint64_t compressedSize64 = 0;
  uint64_t localHeaderOffset64 = 0;
  uint32_t diskNumberStart32 = 0;
  bool modified = false;
  std::string password;
  std::string sourceFileName;  // UTF-8 path
  std::string dataFileName;    // where the bytes are read from, when not the source file
  uint8_t compressionMode = 0;
  TZFProcessOperation operation = TZFProcessOperation::poAdd;
  // Read from an archive: its version made by, flags, attributes and extra
  // fields are written back as read, and its name with its own bytes.
  bool fromArchive = false;
  // Within an update: the snapshot entry whose record this one is (unchanged),
  // and the one a new entry replaces; -1 for none.
  int snapshotIndex = -1;
  int replacesIndex = -1;

  // The sizes and offset whatever field holds them.
  uint64_t CompressedSize() const {
    return compressedSize == kEscape32 ? compressedSize64 : compressedSize;
  }
  uint64_t UncompressedSize() const {
    return uncompressedSize == kEscape32 ? uncompressedSize64 : uncompressedSize;
  }
  uint64_t LocalHeaderOffset() const {
    return localHeaderOffset == kEscape32 ? localHeaderOffset64 : localHeaderOffset;
  }
  bool IsDirectory() const { return !name.empty() && name.back() == '/'; }
};

// The name an entry read from an archive is shown and compared by: its bytes
// deciphered first when its version needed says the name is enciphered.
std::string ShownName(const TDirItem& e);

struct EndRecord {
  uint16_t thisDisk = 0;
  uint16_t directoryDisk = 0;
  uint16_t entriesOnDisk = 0;
  uint16_t totalEntries = 0;
  uint32_t directorySize = 0;
  uint32_t directoryOffset = 0;
  uint16_t commentLength = 0;
};

// The directory of an archive as read from its stream.
struct ReadDirectory {
  std::vector<TDirItem> entries;
  std::string comment;
  bool zip64 = false;
  // Where new entries start: after the last entry's data (the directory's start).
  uint64_t directoryStart = 0;
  // Bytes found before the archive (0 for an ordinary archive).
  uint64_t prefix = 0;
  bool rebuilt = false;  // from local headers, the end record being absent
};

// Stored names: Windows-1252 ↔ code page 850, "\" read back as "/".
std::string NameToArchive(const std::string& cp1252);
std::string NameFromArchive(const std::string& cp850);
// The bytes a new entry's name (UTF-8) is stored with: code page 850 when it
// holds every character, else UTF-8 with flag bit 11, which is then set in flags.
std::string StoredNameBytes(const std::string& utf8, uint16_t& flags);
// The name an archive's bytes give, by its flags: Windows-1252, "/" separators.
std::string NameFromArchive(const std::string& raw, uint16_t flags);

// Writes a new entry's local header (sizes still open) and returns its size.
int WriteLocalHeader(platform::Stream& s, const TDirItem& e, bool zip64, uint64_t sourceSize);
// Rewrites the local header at offset with the final CRC and sizes.
void PatchLocalHeader(platform::Stream& s, uint64_t offset, const TDirItem& e, bool zip64);
// The Zip64 extra field of a central header, empty when none applies.
std::string CentralZip64Extra(const TDirItem& e);
// One entry's central directory header with its name, extra field and comment.
std::string CentralHeaderBytes(const TDirItem& e);
// Writes the central directory from the current position, then the end
// records. Native error 46 (with the component's name) when the stream refuses them.
void WriteCentralDirectory(platform::Stream& s, const std::vector<TDirItem>& entries,
                           const std::string& comment, const std::string& componentName = "");

// Reads the directory of the archive in s. Throws EZFException: 48 without an
// end record (unless openCorrupted, which rebuilds it from local headers; 35
// when there is none), 40 for a Zip64 locator without its end record, 8 for a
// directory that does not fit in the stream.
ReadDirectory ReadArchiveDirectory(platform::Stream& s, const std::string& componentName,
                                   bool openCorrupted);

// The offset where the current directory starts (end of the last entry), or the
// stream size when there is no end record.
uint64_t FindDirectoryStart(platform::Stream& s);
// The disk number of the end record at the end of s; -1 when there is none.
int EndRecordDisk(platform::Stream& s);

}  // namespace kvn::archive
