#include "archive/zip_format.h"

#include <algorithm>
#include <cstring>

#include "archive/zf_exception.h"
#include "archive/zip_crypto.h"
#include "platform/codepage.h"
#include "platform/endian.h"

namespace kvn::archive {

using platform::AppendLE16;
using platform::AppendLE32;
using platform::AppendLE64;
using platform::GetLE16;
using platform::GetLE32;
using platform::GetLE64;
using platform::SeekOrigin;

std::string NameToArchive(const std::string& cp1252) {
  return platform::Cp1252ToCp850(cp1252);
}

std::string NameFromArchive(const std::string& cp850) {
  std::string name = platform::Cp850ToCp1252(cp850);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

std::string StoredNameBytes(const std::string& utf8, uint16_t& flags) {
  const std::string cp850 = platform::Utf8ToCp850(utf8);
  if (platform::Cp850ToUtf8(cp850) == utf8) return cp850;
  // Code page 850 cannot hold it: the language-encoding flag keeps it whole,
  // so distinct names stay distinct and readers show the real one.
  flags |= kFlagUtf8;
  return utf8;
}

std::string NameFromArchive(const std::string& raw, uint16_t flags) {
  if (!(flags & kFlagUtf8)) return NameFromArchive(raw);
  std::string name = platform::Utf8ToCp1252(raw);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

namespace {

void WriteAll(platform::Stream& s, const std::string& bytes, const std::string& component = "") {
  if (s.Write(bytes.data(), bytes.size()) != bytes.size()) {
    auto* file = dynamic_cast<platform::FileStream*>(&s);
    ThrowArchiverError(component, 46, {}, file ? file->LastError() : 0);
  }
}

// The bytes a name is written with: its own for an entry that has them.
std::string RawName(const TDirItem& e) {
  return e.rawName.empty() ? NameToArchive(e.name) : e.rawName;
}

std::string LocalHeaderBytes(const TDirItem& e, bool zip64, uint32_t crc, uint32_t compressed,
                             uint32_t uncompressed, const std::string& storedName) {
  std::string h;
  h.reserve(kLocalHeaderSize + storedName.size());
  AppendLE32(h, kLocalHeaderSignature);
  AppendLE16(h, zip64 ? 45 : 20);
  AppendLE16(h, e.flags);
  AppendLE16(h, e.method);
  AppendLE16(h, e.time);
  AppendLE16(h, e.date);
  AppendLE32(h, crc);
  AppendLE32(h, compressed);
  AppendLE32(h, uncompressed);
  AppendLE16(h, static_cast<uint16_t>(storedName.size()));
  AppendLE16(h, zip64 ? 20 : 0);
  h += storedName;
  return h;
}

}  // namespace

int WriteLocalHeader(platform::Stream& s, const TDirItem& e, bool zip64, uint64_t sourceSize) {
  const std::string name = RawName(e);
  std::string h = LocalHeaderBytes(e, zip64, kEscape32, 0,
                                   zip64 ? kEscape32 : static_cast<uint32_t>(sourceSize), name);
  if (zip64) h.append(20, '\0');
  WriteAll(s, h);
  return static_cast<int>(h.size());
}

void PatchLocalHeader(platform::Stream& s, uint64_t offset, const TDirItem& e, bool zip64) {
  const int64_t end = s.Seek(0, SeekOrigin::End);
  s.Seek(static_cast<int64_t>(offset), SeekOrigin::Begin);
  const std::string name = RawName(e);
  std::string h = LocalHeaderBytes(e, zip64, e.crc, zip64 ? kEscape32 : e.compressedSize,
                                   zip64 ? kEscape32 : e.uncompressedSize, name);
  if (zip64) {
    AppendLE16(h, kZip64ExtraId);
    AppendLE16(h, 16);
    AppendLE64(h, e.UncompressedSize());
    AppendLE64(h, e.CompressedSize());
  }
  WriteAll(s, h);
  s.Seek(end, SeekOrigin::Begin);
}

std::string CentralZip64Extra(const TDirItem& e) {
  std::string data;
  if (e.uncompressedSize == kEscape32) AppendLE64(data, e.uncompressedSize64);
  if (e.compressedSize == kEscape32) AppendLE64(data, e.compressedSize64);
  if (e.localHeaderOffset == kEscape32) AppendLE64(data, e.localHeaderOffset64);
  if (e.diskNumberStart == 0xFFFF) AppendLE32(data, e.diskNumberStart32);
  if (data.empty()) return data;
  std::string field;
  AppendLE16(field, kZip64ExtraId);
  AppendLE16(field, static_cast<uint16_t>(data.size()));
  return field + data;
}

std::string CentralHeaderBytes(const TDirItem& e) {
  const std::string name = RawName(e);
  std::string extra = CentralZip64Extra(e);
  // An entry read from an archive keeps its other extra fields (Unix times,
  // owners, links' data) and the system that made it.
  if (e.fromArchive) {
    for (const ExtraField& f : e.extra) {
      if (f.id == kZip64ExtraId) continue;
      AppendLE16(extra, f.id);
      AppendLE16(extra, static_cast<uint16_t>(f.data.size()));
      extra += f.data;
    }
  }
  std::string h;
  AppendLE32(h, kCentralHeaderSignature);
  AppendLE16(h, e.fromArchive ? e.versionMadeBy : (e.versionNeeded & 0x00FF));
  AppendLE16(h, e.versionNeeded);
  AppendLE16(h, e.flags);
  AppendLE16(h, e.method);
  AppendLE16(h, e.time);
  AppendLE16(h, e.date);
  AppendLE32(h, e.crc);
  AppendLE32(h, e.compressedSize);
  AppendLE32(h, e.uncompressedSize);
  AppendLE16(h, static_cast<uint16_t>(name.size()));
  AppendLE16(h, static_cast<uint16_t>(extra.size()));
  AppendLE16(h, static_cast<uint16_t>(e.comment.size()));
  AppendLE16(h, e.diskNumberStart);
  AppendLE16(h, e.fromArchive ? e.internalAttributes : 0);
  AppendLE32(h, e.externalAttributes);
  AppendLE32(h, e.localHeaderOffset);
  return h + name + extra + e.comment;
}

void WriteCentralDirectory(platform::Stream& s, const std::vector<TDirItem>& entries,
                           const std::string& comment, const std::string& component) {
  const uint64_t start = static_cast<uint64_t>(s.Position());
  std::string block;
  for (const TDirItem& e : entries) {
    block += CentralHeaderBytes(e);
    if (block.size() >= (1u << 20)) {
      WriteAll(s, block, component);
      block.clear();
    }
  }
  WriteAll(s, block, component);
  const uint64_t end = static_cast<uint64_t>(s.Position());
  const uint64_t size = end - start;
  const uint64_t count = entries.size();
  std::string tail;
  // Zip64 end records when the directory lies beyond 32-bit offsets or the
  // entries do not fit in 16 bits.
  if (end >= kEscape32 || count > 65534) {
    AppendLE32(tail, kZip64EndRecordSignature);
    AppendLE64(tail, 44);
    AppendLE16(tail, 45);
    AppendLE16(tail, 45);
    AppendLE32(tail, 0);
    AppendLE32(tail, 0);
    AppendLE64(tail, count);
    AppendLE64(tail, count);
    AppendLE64(tail, size);
    AppendLE64(tail, start);
    AppendLE32(tail, kZip64LocatorSignature);
    AppendLE32(tail, 0);
    AppendLE64(tail, end);
    AppendLE32(tail, 1);
  }
  AppendLE32(tail, kEndRecordSignature);
  AppendLE16(tail, 0);
  AppendLE16(tail, 0);
  const uint16_t entries16 = count > 65534 ? 0xFFFF : static_cast<uint16_t>(count);
  AppendLE16(tail, entries16);
  AppendLE16(tail, entries16);
  AppendLE32(tail, size >= kEscape32 ? kEscape32 : static_cast<uint32_t>(size));
  AppendLE32(tail, start >= kEscape32 ? kEscape32 : static_cast<uint32_t>(start));
  AppendLE16(tail, static_cast<uint16_t>(comment.size()));
  tail += comment;
  WriteAll(s, tail, component);
}

namespace {

// Reads exactly n bytes at offset, or throws "damaged".
std::string ReadAt(platform::Stream& s, uint64_t offset, size_t n, const std::string& component) {
  std::string buf(n, '\0');
  try {
    s.Seek(static_cast<int64_t>(offset), SeekOrigin::Begin);
    s.ReadBuffer(buf.data(), n);
  } catch (const kvn::Error&) {
    ThrowArchiverError(component, 48);
  }
  return buf;
}

const uint8_t* Bytes(const std::string& s, size_t at = 0) {
  return reinterpret_cast<const uint8_t*>(s.data()) + at;
}

struct EndLocation {
  bool found = false;
  uint64_t position = 0;  // of the end record
  EndRecord record;
  std::string comment;
};

EndLocation LocateEndRecord(platform::Stream& s) {
  EndLocation loc;
  const uint64_t size = static_cast<uint64_t>(s.Size());
  const uint64_t tailSize = std::min<uint64_t>(size, 65600);
  if (tailSize < kEndRecordSize) return loc;
  std::string tail(tailSize, '\0');
  s.Seek(static_cast<int64_t>(size - tailSize), SeekOrigin::Begin);
  if (s.Read(tail.data(), tailSize) != tailSize) return loc;
  for (int64_t i = static_cast<int64_t>(tailSize) - kEndRecordSize; i >= 0; --i) {
    if (GetLE32(Bytes(tail, static_cast<size_t>(i))) != kEndRecordSignature) continue;
    const size_t at = static_cast<size_t>(i);
    const uint16_t commentLength = GetLE16(Bytes(tail, at + 20));
    if (at + kEndRecordSize + commentLength != tailSize) continue;  // must reach the end exactly
    loc.found = true;
    loc.position = size - tailSize + at;
    EndRecord& r = loc.record;
    r.thisDisk = GetLE16(Bytes(tail, at + 4));
    r.directoryDisk = GetLE16(Bytes(tail, at + 6));
    r.entriesOnDisk = GetLE16(Bytes(tail, at + 8));
    r.totalEntries = GetLE16(Bytes(tail, at + 10));
    r.directorySize = GetLE32(Bytes(tail, at + 12));
    r.directoryOffset = GetLE32(Bytes(tail, at + 16));
    r.commentLength = commentLength;
    loc.comment = tail.substr(at + kEndRecordSize, commentLength);
    return loc;
  }
  return loc;
}

// Searches forward from offset for a local header signature accepted by test;
// windows of 65535 bytes overlapping by 4.
template <typename Test>
bool SearchLocalHeader(platform::Stream& s, uint64_t from, uint64_t size, Test test,
                       uint64_t& found) {
  std::string window;
  uint64_t pos = from;
  while (pos + 4 <= size) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(65535, size - pos));
    window.resize(n);
    s.Seek(static_cast<int64_t>(pos), SeekOrigin::Begin);
    if (s.Read(window.data(), n) != n) return false;
    for (size_t i = 0; i + 4 <= n; ++i) {
      if (GetLE32(Bytes(window, i)) == kLocalHeaderSignature && test(pos + i)) {
        found = pos + i;
        return true;
      }
    }
    if (n < 65535) break;
    pos += n - 4;
  }
  return false;
}

void ParseExtra(TDirItem& e, const std::string& bytes) {
  size_t at = 0;
  while (at + 4 <= bytes.size()) {
    ExtraField f;
    f.id = GetLE16(Bytes(bytes, at));
    size_t declared = GetLE16(Bytes(bytes, at + 2));
    at += 4;
    size_t size = std::min(declared, bytes.size() - at);  // a field longer than what is left is cut
    f.data = bytes.substr(at, size);
    at += size;
    if (f.id == kZip64ExtraId) {
      e.zip64 = true;
      size_t p = 0;
      auto take64 = [&](uint64_t& v) {
        if (p + 8 <= f.data.size()) {
          v = GetLE64(Bytes(f.data, p));
          p += 8;
        }
      };
      if (e.uncompressedSize == kEscape32) take64(e.uncompressedSize64);
      if (e.compressedSize == kEscape32) take64(e.compressedSize64);
      if (e.localHeaderOffset == kEscape32) take64(e.localHeaderOffset64);
      if (e.diskNumberStart == 0xFFFF && p + 4 <= f.data.size()) {
        e.diskNumberStart32 = GetLE32(Bytes(f.data, p));
        p += 4;
      }
    }
    e.extra.push_back(std::move(f));
  }
}

TDirItem ItemFromLocalHeader(const std::string& h, uint64_t offset) {
  TDirItem e;
  e.versionNeeded = GetLE16(Bytes(h, 4));
  e.versionMadeBy = e.versionNeeded;
  e.flags = GetLE16(Bytes(h, 6));
  e.method = GetLE16(Bytes(h, 8));
  e.time = GetLE16(Bytes(h, 10));
  e.date = GetLE16(Bytes(h, 12));
  e.crc = GetLE32(Bytes(h, 14));
  e.compressedSize = GetLE32(Bytes(h, 18));
  e.uncompressedSize = GetLE32(Bytes(h, 22));
  e.compressedSize64 = e.compressedSize;
  e.uncompressedSize64 = e.uncompressedSize;
  e.externalAttributes = e.uncompressedSize != 0 ? 0x20 : 0x10;
  e.localHeaderOffset = static_cast<uint32_t>(std::min<uint64_t>(offset, kEscape32));
  e.localHeaderOffset64 = offset;
  return e;
}

ReadDirectory RebuildFromLocalHeaders(platform::Stream& s, const std::string& component) {
  ReadDirectory dir;
  dir.rebuilt = true;
  const uint64_t size = static_cast<uint64_t>(s.Size());
  uint64_t from = 0, found = 0;
  // A header counts only when its record fits in the file: header, name,
  // extra field and, when the header gives it, the data. Signatures inside
  // other data seldom pass, and never make more entries than the file holds.
  auto fits = [&](uint64_t at) {
    if (at + kLocalHeaderSize > size) return false;
    std::string h = ReadAt(s, at, kLocalHeaderSize, component);
    uint64_t end = at + kLocalHeaderSize + GetLE16(Bytes(h, 26)) + GetLE16(Bytes(h, 28));
    const uint32_t compressed = GetLE32(Bytes(h, 18));
    if (!(GetLE16(Bytes(h, 6)) & kFlagDataDescriptor) && compressed != kEscape32) end += compressed;
    return end <= size;
  };
  while (SearchLocalHeader(s, from, size, fits, found)) {
    std::string h = ReadAt(s, found, kLocalHeaderSize, component);
    TDirItem e = ItemFromLocalHeader(h, found);
    const uint16_t nameLength = GetLE16(Bytes(h, 26));
    e.rawName = ReadAt(s, found + kLocalHeaderSize, nameLength, component);
    e.name = ShownName(e);
    e.nameLength = nameLength;
    e.fromArchive = true;
    dir.entries.push_back(std::move(e));
    from = found + 4;
  }
  if (dir.entries.empty()) ThrowArchiverError(component, 35);
  dir.directoryStart = size;
  return dir;
}

}  // namespace

uint64_t FindDirectoryStart(platform::Stream& s) {
  EndLocation loc = LocateEndRecord(s);
  if (!loc.found) return static_cast<uint64_t>(s.Size());
  uint64_t end = loc.position;
  uint64_t size = loc.record.directorySize;
  if (loc.position >= kZip64LocatorSize + kZip64EndRecordSize) {
    std::string locator = ReadAt(s, loc.position - kZip64LocatorSize, kZip64LocatorSize, "");
    if (GetLE32(Bytes(locator)) == kZip64LocatorSignature) {
      end = loc.position - kZip64LocatorSize - kZip64EndRecordSize;
      std::string rec = ReadAt(s, end, kZip64EndRecordSize, "");
      if (GetLE32(Bytes(rec)) == kZip64EndRecordSignature) size = GetLE64(Bytes(rec, 40));
    }
  }
  return size <= end ? end - size : end;
}

ReadDirectory ReadArchiveDirectory(platform::Stream& s, const std::string& component,
                                   bool openCorrupted) {
  EndLocation loc = LocateEndRecord(s);
  if (!loc.found) {
    if (!openCorrupted) ThrowArchiverError(component, 48);
    return RebuildFromLocalHeaders(s, component);
  }
  ReadDirectory dir;
  dir.comment = loc.comment;
  uint64_t directoryEnd = loc.position;
  uint64_t directorySize = loc.record.directorySize;
  uint64_t entryCount = loc.record.totalEntries;
  uint64_t emptyPrefix = loc.position;
  if (loc.position >= kZip64LocatorSize) {
    std::string locator = ReadAt(s, loc.position - kZip64LocatorSize, kZip64LocatorSize, component);
    if (GetLE32(Bytes(locator)) == kZip64LocatorSignature) {
      dir.zip64 = true;
      const uint64_t recordOffset = GetLE64(Bytes(locator, 8));
      if (recordOffset > static_cast<uint64_t>(s.Size()) - kZip64EndRecordSize)
        ThrowArchiverError(component, 40);
      std::string rec = ReadAt(s, recordOffset, kZip64EndRecordSize, component);
      if (GetLE32(Bytes(rec)) != kZip64EndRecordSignature) ThrowArchiverError(component, 40);
      entryCount = GetLE64(Bytes(rec, 32));
      directorySize = GetLE64(Bytes(rec, 40));
      if (loc.position < kZip64LocatorSize + kZip64EndRecordSize) ThrowArchiverError(component, 40);
      directoryEnd = loc.position - kZip64LocatorSize - kZip64EndRecordSize;
      emptyPrefix = directoryEnd;
    }
  }
  // The directory ends where the end records start and begins its size before:
  // data placed in front of the archive is then tolerated.
  if (directorySize > directoryEnd) ThrowArchiverError(component, 48);
  const uint64_t start = directoryEnd - directorySize;
  dir.directoryStart = start;
  std::string bytes = ReadAt(s, start, static_cast<size_t>(directorySize), component);
  size_t at = 0;
  for (uint64_t i = 0; i < entryCount; ++i) {
    if (at + kCentralHeaderSize > bytes.size() ||
        GetLE32(Bytes(bytes, at)) != kCentralHeaderSignature)
      ThrowArchiverError(component, 48);
    TDirItem e;
    const uint8_t* h = Bytes(bytes, at);
    e.versionMadeBy = GetLE16(h + 4);
    e.versionNeeded = GetLE16(h + 6);
    e.flags = GetLE16(h + 8);
    e.method = GetLE16(h + 10);
    e.time = GetLE16(h + 12);
    e.date = GetLE16(h + 14);
    e.crc = GetLE32(h + 16);
    e.compressedSize = GetLE32(h + 20);
    e.uncompressedSize = GetLE32(h + 24);
    const uint16_t nameLength = GetLE16(h + 28);
    const uint16_t extraLength = GetLE16(h + 30);
    const uint16_t commentLength = GetLE16(h + 32);
    e.diskNumberStart = GetLE16(h + 34);
    e.internalAttributes = GetLE16(h + 36);
    e.externalAttributes = GetLE32(h + 38);
    e.localHeaderOffset = GetLE32(h + 42);
    e.compressedSize64 = e.compressedSize;
    e.uncompressedSize64 = e.uncompressedSize;
    e.localHeaderOffset64 = e.localHeaderOffset;
    e.diskNumberStart32 = e.diskNumberStart;
    at += kCentralHeaderSize;
    if (at + nameLength + extraLength + commentLength > bytes.size())
      ThrowArchiverError(component, 48);
    e.rawName = bytes.substr(at, nameLength);
    e.name = ShownName(e);
    e.fromArchive = true;
    at += nameLength;
    ParseExtra(e, bytes.substr(at, extraLength));
    at += extraLength;
    e.comment = bytes.substr(at, commentLength);
    at += commentLength;
    e.nameLength = nameLength;
    e.extraLength = extraLength;
    e.commentLength = commentLength;
    dir.entries.push_back(std::move(e));
  }

  // Data in front of the archive: find the first entry's local header.
  const uint64_t size = static_cast<uint64_t>(s.Size());
  uint64_t shift = 0;
  if (dir.entries.empty()) {
    dir.prefix = emptyPrefix;
  } else {
    const TDirItem& first = dir.entries.front();
    const uint64_t recorded = first.LocalHeaderOffset();
    auto matches = [&](uint64_t pos) {
      if (pos + kLocalHeaderSize > size) return false;
      std::string h = ReadAt(s, pos, kLocalHeaderSize, component);
      return GetLE16(Bytes(h, 4)) == first.versionNeeded && GetLE16(Bytes(h, 6)) == first.flags &&
             GetLE16(Bytes(h, 8)) == first.method && GetLE16(Bytes(h, 10)) == first.time &&
             GetLE16(Bytes(h, 12)) == first.date && GetLE32(Bytes(h, 14)) == first.crc &&
             GetLE32(Bytes(h, 18)) == first.compressedSize &&
             GetLE32(Bytes(h, 22)) == first.uncompressedSize;
    };
    uint64_t found = recorded;
    if (recorded < size && SearchLocalHeader(s, recorded, size, matches, found))
      shift = found - recorded;
    for (TDirItem& e : dir.entries) {
      e.localHeaderOffset64 = e.LocalHeaderOffset() + shift;
      if (e.localHeaderOffset != kEscape32)
        e.localHeaderOffset = e.localHeaderOffset64 >= kEscape32
                                  ? kEscape32
                                  : static_cast<uint32_t>(e.localHeaderOffset64);
    }
    dir.prefix = shift + recorded;
  }
  return dir;
}

std::string ShownName(const TDirItem& e) {
  if (e.versionNeeded != kVersionNameCipher) return NameFromArchive(e.rawName, e.flags);
  // An enciphered name; the bytes kept as they are when the cipher fails.
  std::string plain = e.rawName;
  DecipherName(plain);
  return NameFromArchive(plain, e.flags);
}

}  // namespace kvn::archive
