#include "archive/zip_forge.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "archive/checksum.h"
#include "archive/deflate_stream.h"
#include "archive/scan.h"
#include "archive/zip_crypto.h"
#include "platform/codepage.h"
#include "platform/endian.h"
#include "platform/file_info.h"
#include "platform/strings.h"

namespace kvn::archive {

using platform::FileMode;
using platform::FileStream;
using platform::SeekOrigin;

namespace {

// The key an entry is found by: its folded name, or, for a name that only
// UTF-8 can hold, its exact bytes (two such names never fold into one).
std::string EntryKey(const TDirItem& e) {
  if ((e.flags & kFlagUtf8) &&
      platform::Cp1252ToUtf8(platform::Utf8ToCp1252(e.rawName)) != e.rawName)
    return std::string(1, '\x01') + e.rawName;
  return NameKey(e.name);
}

// The bytes a password is used as: Windows-1252 when it holds every
// character (the bytes other zip programs use for such a password), else the
// UTF-8 bytes, so that passwords differing only in such characters never
// open each other's archives.
std::string PasswordBytes(const std::string& utf8) {
  const std::string cp1252 = platform::Utf8ToCp1252(utf8);
  return platform::Cp1252ToUtf8(cp1252) == utf8 ? cp1252 : utf8;
}

std::string CurrentWorkingDirectory() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  return CurrentWorkingDirectory() + "/" + path;
}

uint32_t NowDosDateTime() {
  return platform::DosDateTimeFromUnix(std::time(nullptr));
}

}  // namespace

TZFBaseArchiver::TZFBaseArchiver() {
  UpdateCompressionMethod();
}

TZFBaseArchiver::~TZFBaseArchiver() {
  Close();
}

TZipForge::TZipForge() {
  Zip64Mode = TZip64Mode::zmDisabled;
  UpdateCompressionMethod();
}

void TZFBaseArchiver::Fail(int nativeCode, const std::vector<std::string>& args) const {
  ThrowArchiverError(Name, nativeCode, args);
}

void TZFBaseArchiver::SetCompressionLevel(TZFCompressionLevel level) {
  m_level = level;
  switch (level) {
    case TZFCompressionLevel::clNone:
      m_mode = 0;
      break;
    case TZFCompressionLevel::clFastest:
      m_mode = 1;
      break;
    case TZFCompressionLevel::clNormal:
      m_mode = 6;
      break;
    case TZFCompressionLevel::clMax:
      m_mode = 9;
      break;
  }
  UpdateCompressionMethod();
}

void TZFBaseArchiver::SetCompressionMode(int mode) {
  if (mode < 0 || mode > 9) Fail(5);
  m_mode = mode;
  m_level = mode == 0   ? TZFCompressionLevel::clNone
            : mode <= 3 ? TZFCompressionLevel::clFastest
            : mode <= 6 ? TZFCompressionLevel::clNormal
                        : TZFCompressionLevel::clMax;
  UpdateCompressionMethod();
}

std::string TZFBaseArchiver::CurrentVersion() const {
  return "2.03 ";
}

const std::vector<TDirItem>& TZFBaseArchiver::Entries() const {
  return m_current;
}

std::string TZFBaseArchiver::MemoryBytes() const {
  auto* m = dynamic_cast<platform::MemoryStream*>(m_stream.get());
  return m ? m->Data() : std::string();
}

std::string TZFBaseArchiver::CurrentDirectory() const {
  return CanonicalDirectory(BaseDir.empty() ? CurrentWorkingDirectory() : Absolute(BaseDir));
}

// ------------------------------------------------------------- open and close

void TZFBaseArchiver::Open(uint16_t mode) {
  if (!m_inMemory && FilePart(FileName).empty()) Fail(10);
  if (mode != kCreateMode) {
    FindArchiveToOpen();
    if (!m_inMemory && !platform::FileExists(FileName)) Fail(12, {FileName});
    if (m_inMemory) Fail(28);
  }
  Close();
  m_openMode = mode;
  m_current.clear();
  m_snapshot.clear();
  m_comment.clear();
  m_prefix = 0;
  m_directoryStart = 0;
  m_volumeMode = TZFSpanningMode::smNone;
  m_volumeFiles.clear();
  m_created = mode == kCreateMode || m_inMemory;
  m_staleRemoved = false;
  if (m_created) m_sfxSet = false;
  if (mode == kCreateMode || m_inMemory) {
    if (m_inMemory) {
      if (SpanningMode != TZFSpanningMode::smNone) Fail(51);
      m_stream = std::make_unique<platform::MemoryStream>();
    } else if (SpanningMode != TZFSpanningMode::smNone) {
      // A stub that the first volume cannot hold is refused before anything
      // is written.
      if (!SFXStub.empty()) {
        const uint64_t limit = SpanningOptions.VolumeLimit(0);
        struct stat stub {};
        if (limit > 0 && ::stat(SFXStub.c_str(), &stub) == 0 &&
            static_cast<uint64_t>(stub.st_size) > limit)
          Fail(47);
      }
      m_volumeMode = SpanningMode;
      OpenWorkingFile();
    } else {
      try {
        auto file = std::make_unique<FileStream>(FileName, FileMode::Create);
        if (!ShownFileName.empty()) file->SetDisplayName(ShownFileName);
        m_stream = std::move(file);
      } catch (const kvn::Error&) {
        Fail(19, {FileName});
      }
    }
    if (!SFXStub.empty()) PlaceStub();
  } else {
    const int access = mode & 3;
    m_volumeMode = SpanningMode;
    bool volumes = m_volumeMode != TZFSpanningMode::smNone;
    if (!volumes) {
      // A set of volumes: its last one's end record names another disk.
      try {
        FileStream probe(FileName, FileMode::OpenRead);
        volumes = EndRecordDisk(probe) > 0;
      } catch (const kvn::Error&) {
        Fail(33, {FileName});
      }
    }
    // The naming of the set is found from the files there.
    if (volumes) JoinVolumes();
    if (!m_stream) {
      try {
        auto file = std::make_unique<FileStream>(
            FileName, access == 0 ? FileMode::OpenRead : FileMode::OpenReadWrite);
        if (!ShownFileName.empty()) file->SetDisplayName(ShownFileName);
        m_stream = std::move(file);
      } catch (const kvn::Error&) {
        Fail(33, {FileName});
      }
    }
    try {
      ReadDirectory dir = ReadArchiveDirectory(*m_stream, Name, OpenCorruptedArchives);
      m_current = std::move(dir.entries);
      m_comment = dir.comment;
      m_prefix = dir.prefix;
      m_directoryStart = dir.directoryStart;
    } catch (...) {
      m_stream.reset();
      throw;
    }
  }
  m_active = true;
  if (AfterOpen) AfterOpen(this);
}

void TZFBaseArchiver::OpenDefault() {
  if (!m_inMemory && FilePart(FileName).empty()) Fail(9);
  if (m_inMemory || !platform::FileExists(FileName)) {
    Open(kCreateMode);
    return;
  }
  int fd = ::open(FileName.c_str(), O_RDWR);
  if (fd >= 0) {
    ::close(fd);
    Open(0x22);
  } else {
    Open(0x40);
  }
}

void TZFBaseArchiver::Close() {
  if (!m_active) return;
  try {
    if (m_nesting > 0) {
      m_nesting = 1;
      EndUpdate();
    }
    // A new archive without entries: its empty directory (after the stub).
    // Never for an archive that was there: whatever its directory says, a
    // file this archiver did not create is only changed by a commit.
    if (m_created && m_stream && m_stream->Size() == static_cast<int64_t>(m_prefix) &&
        (m_openMode & 3) != 0) {
      m_stream->Seek(static_cast<int64_t>(m_prefix), SeekOrigin::Begin);
      WriteCentralDirectory(*m_stream, m_current, m_comment, Name);
      m_directoryStart = m_prefix;
      if (MultiVolume())
        SplitToVolumes();
      else if (!m_staleRemoved)
        RemoveStaleVolumes({FileName});
    }
    if (m_stream) m_stream->Flush();
  } catch (...) {
    // Closing never fails: the archive keeps what the last commit left.
  }
  m_stream.reset();
  if (!m_workingName.empty()) ::unlink(m_workingName.c_str());
  m_workingName.clear();
  m_current.clear();
  m_snapshot.clear();
  m_nesting = 0;
  m_active = false;
  m_created = false;
}

void TZFBaseArchiver::SetInMemory(bool inMemory) {
  if (inMemory == m_inMemory) return;
  if (!m_active) {
    m_inMemory = inMemory;
    return;
  }
  if (!inMemory) {
    if (FilePart(FileName).empty()) Fail(29);
    std::string bytes = MemoryBytes();
    Close();
    m_inMemory = false;
    try {
      FileStream f(FileName, FileMode::Create);
      f.WriteString(bytes);
      f.Close();
    } catch (const kvn::Error&) {
      Fail(19, {FileName});
    }
    OpenDefault();
  } else {
    Close();
    m_inMemory = true;
    Open(kCreateMode);
  }
}

// ------------------------------------------------------------- updates

void TZFBaseArchiver::BeginUpdate() {
  if (m_nesting == 0) {
    if (!m_active) OpenDefault();
    if ((m_openMode & 3) == 0 && m_openMode != kCreateMode && !m_inMemory) Fail(32);
    for (size_t i = 0; i < m_current.size(); ++i) {
      m_current[i].modified = false;
      m_current[i].snapshotIndex = static_cast<int>(i);
      m_current[i].replacesIndex = -1;
    }
    m_snapshot = m_current;
  }
  ++m_nesting;
}

void TZFBaseArchiver::EndUpdate() {
  if (m_nesting == 1)
    CommitUpdate();
  else if (m_nesting > 1)
    --m_nesting;
}

void TZFBaseArchiver::AbandonUpdate() {
  // Nothing was written: the directory goes back to what the archive holds.
  if (m_nesting > 0) m_current = m_snapshot;
  m_nesting = 0;
}

void TZFBaseArchiver::AddMatching(const std::string& fileMask, int searchAttr,
                                  const std::string& exclusionMask) {
  if (!m_active) Fail(13);
  // A set of volumes with entries changes only inside an explicit update.
  if (MultiVolume() && !m_current.empty() && m_nesting == 0) Fail(52);
  ScanRequest request;
  request.baseDirectory = CurrentDirectory();
  request.masks = {fileMask};
  if (!exclusionMask.empty()) request.exclusions.push_back(exclusionMask);
  request.searchAttributes = static_cast<uint32_t>(searchAttr);
  request.recurse = Options.Recurse;
  BeginUpdate();
  try {
    // Entries by folded name: looking up each found file costs the same
    // whatever the number of entries.
    std::unordered_map<std::string, size_t> index;
    for (size_t i = 0; i < m_current.size(); ++i) index.emplace(EntryKey(m_current[i]), i);
    // The archive itself, however its name is written (a link, "./", "../"),
    // is known by its device and inode.
    struct stat self {};
    const bool selfKnown = !m_inMemory && ::stat(FileName.c_str(), &self) == 0;
    ScanMasks(request, [&](const std::string& path, bool isDirectory) {
      struct stat found {};
      if (selfKnown && !isDirectory && ::stat(path.c_str(), &found) == 0 &&
          found.st_dev == self.st_dev && found.st_ino == self.st_ino)
        return;
      bool confirm = true;
      if (OnConfirmProcessFile)
        OnConfirmProcessFile(this, path, TZFProcessOperation::poAdd, confirm);
      if (!confirm) return;
      AddEntryForFile(path, isDirectory, request.baseDirectory, index);
    });
  } catch (...) {
    AbandonUpdate();
    throw;
  }
  EndUpdate();
}

void TZFBaseArchiver::AddEntryForFile(const std::string& path, bool isDirectory,
                                      const std::string& currentDir,
                                      std::unordered_map<std::string, size_t>& names) {
  std::string storedUtf8 = MakeStoredName(path, currentDir, Options.StorePath);
  if (storedUtf8.empty()) return;
  if (isDirectory) storedUtf8 += '/';
  TDirItem e;
  e.rawName = StoredNameBytes(storedUtf8, e.flags);
  const std::string stored = platform::Utf8ToCp1252(storedUtf8);
  e.name = stored;

  const auto dosTime = platform::FileDosDateTime(path);
  const uint32_t dateTime = dosTime ? *dosTime : NowDosDateTime();
  const std::string key = EntryKey(e);
  auto known = names.find(key);
  const int index = known == names.end() ? -1 : static_cast<int>(known->second);
  if (index >= 0) {
    const TDirItem& existing = m_current[static_cast<size_t>(index)];
    bool replace = false;
    switch (Options.OverwriteMode) {
      case TZFOverwriteMode::omAlways:
        replace = true;
        break;
      case TZFOverwriteMode::omNever:
        replace = false;
        break;
      case TZFOverwriteMode::omPrompt:
        if (OnConfirmOverwrite) {
          std::string dest = FilePart(existing.name);
          bool confirm = true;
          OnConfirmOverwrite(this, path, dest, confirm);
          replace = confirm;
        } else if (Questions) {
          switch (Questions->ConfirmOverwrite(FilePart(existing.name), path)) {
            case ArchiverQuestions::Overwrite::Yes:
              replace = true;
              break;
            case ArchiverQuestions::Overwrite::No:
              replace = false;
              break;
            case ArchiverQuestions::Overwrite::YesToAll:
              replace = true;
              Options.OverwriteMode = TZFOverwriteMode::omAlways;
              break;
            case ArchiverQuestions::Overwrite::NoToAll:
              replace = false;
              Options.OverwriteMode = TZFOverwriteMode::omNever;
              break;
          }
        } else {
          replace = true;
        }
        break;
      case TZFOverwriteMode::omIfNewer:
      case TZFOverwriteMode::omIfOlder: {
        const int32_t mine = static_cast<int32_t>(dateTime);
        const int32_t theirs =
            static_cast<int32_t>((static_cast<uint32_t>(existing.date) << 16) | existing.time);
        replace =
            Options.OverwriteMode == TZFOverwriteMode::omIfNewer ? mine > theirs : mine < theirs;
        break;
      }
    }
    if (!replace) return;
  }

  e.versionMadeBy = 20;
  e.versionNeeded = 20;
  // Entries added while a password is set are encrypted (a folder is flagged
  // too, without data to encrypt).
  e.password = Password;
  if (!Password.empty()) e.flags |= 1;
  e.method = static_cast<uint16_t>(m_method < 0 ? 0 : m_method);
  e.time = static_cast<uint16_t>(dateTime & 0xFFFF);
  e.date = static_cast<uint16_t>(dateTime >> 16);
  e.crc = kEscape32;
  auto attributes = platform::DosAttributes(path);
  e.externalAttributes = attributes ? *attributes : 0x20;
  e.nameLength = static_cast<uint16_t>(std::min<size_t>(e.rawName.size(), 0xFFFF));
  e.sourceFileName = isDirectory ? std::string() : path;
  if (!isDirectory && DataSourceOf) e.dataFileName = DataSourceOf(path);
  e.compressionMode = static_cast<uint8_t>(m_mode);
  e.modified = true;
  e.operation = index >= 0 ? TZFProcessOperation::poUpdate : TZFProcessOperation::poAdd;
  for (const auto& mask : NoCompressionMasks) {
    if (MaskCoversPath(path, mask, isDirectory, currentDir)) {
      e.compressionMode = 0;
      e.method = 0;
      break;
    }
  }
  if (index >= 0) {
    // What the entry replaces, for an Ignore that keeps the old one.
    const TDirItem& old = m_current[static_cast<size_t>(index)];
    e.replacesIndex = old.modified ? old.replacesIndex : old.snapshotIndex;
    m_current[static_cast<size_t>(index)] = std::move(e);
  } else {
    names.emplace(key, m_current.size());
    m_current.push_back(std::move(e));
  }
}

void TZFBaseArchiver::ExtractTo(const std::string& storedName, platform::Stream& out) {
  if (!m_active) Fail(13);
  for (const TDirItem& e : Entries()) {
    if (e.IsDirectory() ||
        !platform::Cp1252EqualsNoCase(e.name, platform::Utf8ToCp1252(storedName)))
      continue;
    try {
      ReadEntryData(*m_stream, e, PasswordBytes(Password), out, Name);
    } catch (const EZFException&) {
      throw;
    } catch (const kvn::Error&) {
      Fail(8);
    }
    return;
  }
  Fail(11, {storedName});
}

namespace {

// Takes bytes and keeps none: what a test reads goes nowhere.
class Sink : public platform::Stream {
 public:
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void*, size_t count) override {
    m_size += static_cast<int64_t>(count);
    return count;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    return origin == SeekOrigin::Begin ? offset : m_size;
  }
  void SetSize(int64_t size) override { m_size = size; }

 private:
  int64_t m_size = 0;
};

}  // namespace

void TZFBaseArchiver::TestFiles() {
  if (!m_active) Fail(13);
  Sink sink;
  for (const TDirItem& e : Entries()) {
    if (e.IsDirectory()) continue;
    try {
      ReadEntryData(*m_stream, e, PasswordBytes(Password), sink, Name);
    } catch (const EZFException&) {
      throw;
    } catch (const kvn::Error&) {
      Fail(8);
    }
  }
}

bool TZFBaseArchiver::FindEntry(const std::string& storedName, TZFArchiveItem& item) const {
  for (const TDirItem& e : m_current) {
    if (!EqualNames(e.name, storedName)) continue;
    item.FileName = FilePart(e.name);
    item.StoredPath = DirectoryPart(e.name);
    item.CompressedSize = e.CompressedSize();
    item.UncompressedSize = e.UncompressedSize();
    item.CompressionRate =
        item.UncompressedSize == 0
            ? 100
            : std::max(0.0, (1.0 - static_cast<double>(item.CompressedSize) /
                                       static_cast<double>(item.UncompressedSize)) *
                                100);
    item.Encrypted = (e.flags & 1) != 0;
    item.FileModificationTime = e.time;
    item.FileModificationDate = e.date;
    item.CRC = e.crc;
    item.ExternalFileAttributes = e.externalAttributes;
    item.Comment = e.comment;
    return true;
  }
  return false;
}

// ------------------------------------------------------------- commit

namespace {

// What progress and failure events call an entry: the source file for an
// added one, the stored name for a replaced one.
std::string EntryLabel(const TDirItem& e) {
  if (e.IsDirectory() || e.operation == TZFProcessOperation::poUpdate) return e.name;
  return e.sourceFileName;
}

}  // namespace

bool TZFBaseArchiver::FileProgress(TZFProgressPhase phase, const TDirItem& entry, double progress) {
  bool cancel = false;
  if (OnFileProgress)
    OnFileProgress(this, EntryLabel(entry), progress, entry.operation, phase, cancel);
  if (cancel) m_cancel = true;
  return !cancel;
}

bool TZFBaseArchiver::OverallProgress(TZFProgressPhase phase, double progress) {
  bool cancel = false;
  if (OnOverallProgress) OnOverallProgress(this, progress, m_operation, phase, cancel);
  if (cancel) m_cancel = true;
  return !cancel;
}

void TZFBaseArchiver::WriteDirectory() {
  platform::Stream& s = *m_stream;
  const uint64_t start = FindDirectoryStart(s);
  try {
    s.SetSize(static_cast<int64_t>(start));
    s.Seek(static_cast<int64_t>(start), SeekOrigin::Begin);
    WriteCentralDirectory(s, m_current, m_comment, Name);
    s.Flush();
  } catch (const EZFException&) {
    throw;
  } catch (const kvn::Error&) {
    Fail(46);
  }
  m_directoryStart = start;
}

namespace {

// The system's code behind a stream's last failure, when it is a file.
int StreamErrorOf(platform::Stream* s) {
  auto* file = dynamic_cast<FileStream*>(s);
  return file ? file->LastError() : 0;
}

}  // namespace

namespace {

// The CRC-32 of a whole file, read in blocks; the file is rewound afterwards.
uint32_t FileCrc(platform::Stream& source, int blockSize) {
  source.Seek(0, SeekOrigin::Begin);
  std::vector<unsigned char> block(static_cast<size_t>(blockSize));
  uint32_t crc = kCrcPreset;
  for (;;) {
    const size_t n = source.Read(block.data(), block.size());
    if (n == 0) break;
    crc = UpdateCrc(crc, block.data(), static_cast<int64_t>(n));
    if (n < block.size()) break;
  }
  source.Seek(0, SeekOrigin::Begin);
  return ~crc;
}

}  // namespace

void TZFBaseArchiver::WriteEntry(TDirItem& e, uint64_t offset) {
  platform::Stream& archive = *m_stream;
  const bool isDirectory = e.IsDirectory();
  std::unique_ptr<FileStream> source;
  int64_t sourceSize = 0;
  if (!isDirectory) {
    try {
      source = std::make_unique<FileStream>(
          e.dataFileName.empty() ? e.sourceFileName : e.dataFileName, FileMode::OpenRead);
      sourceSize = source->Size();
    } catch (const kvn::Error&) {
      Fail(33, {e.sourceFileName});
    }
  }
  const bool zip64 = Zip64Mode == TZip64Mode::zmAlways ||
                     static_cast<uint64_t>(sourceSize) >= kEscape32 || offset >= kEscape32;
  if (zip64 && Zip64Mode == TZip64Mode::zmDisabled)
    Fail(offset >= kEscape32 ? 43 : 41, {e.sourceFileName});

  e.localHeaderOffset64 = offset;
  e.localHeaderOffset = offset >= kEscape32 || Zip64Mode == TZip64Mode::zmAlways
                            ? kEscape32
                            : static_cast<uint32_t>(offset);
  e.versionNeeded = zip64 ? 45 : 20;
  e.versionMadeBy = e.versionNeeded;
  if (isDirectory) e.method = kMethodStored;
  // Every write failure of the entry, small or large, is the archiver's
  // "Write to stream error" with the system's reason, offered to the failure
  // question like the others.
  try {
    archive.Seek(static_cast<int64_t>(offset), SeekOrigin::Begin);
    WriteLocalHeader(archive, e, zip64, static_cast<uint64_t>(sourceSize));

    FileProgress(TZFProgressPhase::ppStart, e, 0);
    EntryData data;
    if (!isDirectory && !m_cancel) {
      std::unique_ptr<TraditionalCipher> cipher;
      uint32_t knownCrc = 0;
      if (!e.password.empty()) {
        // The header ends with the CRC: a first pass over the data gives it.
        knownCrc = FileCrc(*source, DeflateBlockSize(e.compressionMode));
        cipher = std::make_unique<TraditionalCipher>(PasswordBytes(e.password));
        auto header = EncryptionHeader(knownCrc);
        cipher->Encrypt(header.data(), header.size());
        archive.WriteBuffer(header.data(), header.size());
      }
      data = WriteEntryData(
          *source, sourceSize, archive, e.method, e.compressionMode, Name,
          [&](int64_t read) {
            const double part =
                sourceSize ? static_cast<double>(read) / static_cast<double>(sourceSize) : 1;
            const bool go = FileProgress(TZFProgressPhase::ppProcess, e, 100.0 * part);
            return OverallProgress(TZFProgressPhase::ppProcess,
                                   100.0 * (part + m_finished) / std::max(1, m_toProcess)) &&
                   go;
          },
          cipher.get());
      if (data.cancelled) m_cancel = true;
      if (cipher) {
        data.compressedSize += kEncryptionHeaderSize;
        // A file that changed between the two passes would not match its header.
        if (!data.cancelled && data.crc != knownCrc) Fail(8);
      }
    }
    if (m_cancel) return;
    if (isDirectory) {
      // No data: stored with the CRC of nothing, which readers check.
      e.crc = 0;
      e.method = kMethodStored;
      e.compressedSize = e.uncompressedSize = 0;
      e.compressedSize64 = e.uncompressedSize64 = 0;
    } else {
      e.crc = data.crc;
      e.method = static_cast<uint16_t>(data.method);
      e.compressedSize64 = data.compressedSize;
      e.uncompressedSize64 = data.uncompressedSize;
      const bool big = zip64 || data.compressedSize >= kEscape32;
      if (big && Zip64Mode == TZip64Mode::zmDisabled) Fail(41, {e.sourceFileName});
      e.compressedSize = big ? kEscape32 : static_cast<uint32_t>(data.compressedSize);
      e.uncompressedSize = zip64 ? kEscape32 : static_cast<uint32_t>(data.uncompressedSize);
    }
    e.zip64 = zip64;
    PatchLocalHeader(archive, offset, e, zip64);
    archive.Flush();
  } catch (const EZFException&) {
    throw;
  } catch (const kvn::Error&) {
    ThrowArchiverError(Name, 46, {}, StreamErrorOf(m_stream.get()));
  }
  FileProgress(TZFProgressPhase::ppEnd, e, 100);
}

void TZFBaseArchiver::CopyRecord(TDirItem& e, uint64_t offset) {
  // The record is read from where the entry itself says it was, so entries of
  // the same name each keep their own bytes.
  platform::Stream& tail = *m_tail;
  const uint64_t old = e.LocalHeaderOffset();
  const uint64_t tailSize = static_cast<uint64_t>(tail.Size());
  if (old < m_writePosition || old - m_writePosition + kLocalHeaderSize > tailSize) Fail(8);
  const uint64_t at = old - m_writePosition;
  uint8_t header[kLocalHeaderSize];
  tail.Seek(static_cast<int64_t>(at), SeekOrigin::Begin);
  if (tail.Read(header, kLocalHeaderSize) != kLocalHeaderSize ||
      platform::GetLE32(header) != kLocalHeaderSignature)
    Fail(8);
  uint64_t length = kLocalHeaderSize + platform::GetLE16(header + 26) +
                    platform::GetLE16(header + 28) + e.CompressedSize();
  if (length > tailSize - at) Fail(8);
  if (platform::GetLE16(header + 6) & kFlagDataDescriptor) {
    // The sizes follow the data: with or without the descriptor's signature,
    // 64-bit sizes for a Zip64 entry.
    uint8_t sig[4] = {};
    tail.Seek(static_cast<int64_t>(at + length), SeekOrigin::Begin);
    const bool hasSignature =
        tail.Read(sig, 4) == 4 && platform::GetLE32(sig) == kDataDescriptorSignature;
    length += (hasSignature ? 4 : 0) + (e.zip64 ? 20 : 12);
    if (length > tailSize - at) Fail(8);
  }
  platform::Stream& archive = *m_stream;
  tail.Seek(static_cast<int64_t>(at), SeekOrigin::Begin);
  archive.Seek(static_cast<int64_t>(offset), SeekOrigin::Begin);
  std::vector<char> buf(static_cast<size_t>(std::min<uint64_t>(length, 1 << 20)));
  uint64_t left = length;
  while (left > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
    if (tail.Read(buf.data(), n) != n) Fail(8);
    if (archive.Write(buf.data(), n) != n)
      ThrowArchiverError(Name, 46, {}, StreamErrorOf(m_stream.get()));
    left -= n;
  }
  e.localHeaderOffset64 = offset;
  if (e.localHeaderOffset != kEscape32) {
    if (offset >= kEscape32 && Zip64Mode == TZip64Mode::zmDisabled) Fail(43, {e.name});
    e.localHeaderOffset = offset >= kEscape32 ? kEscape32 : static_cast<uint32_t>(offset);
  }
}

void TZFBaseArchiver::DropTail() noexcept {
  m_tail.reset();
  if (!m_tempName.empty()) ::unlink(m_tempName.c_str());
  m_tempName.clear();
}

void TZFBaseArchiver::Rollback() {
  // The archive's bytes from the first change on are put back as they were:
  // the file is then exactly the one from before the update.
  m_current = m_snapshot;
  m_directoryStart = m_savedDirectoryStart;
  if (!m_tail) return;
  platform::Stream& s = *m_stream;
  try {
    s.SetSize(static_cast<int64_t>(m_writePosition));
    s.Seek(static_cast<int64_t>(m_writePosition), SeekOrigin::Begin);
    s.CopyFrom(*m_tail, 0);
    s.Flush();
  } catch (...) {
    DropTail();
    throw;
  }
  DropTail();
}

void TZFBaseArchiver::CommitUpdate() {
  m_savedDirectoryStart = m_directoryStart;
  m_nesting = 0;
  m_finished = 0;
  m_cancel = false;
  m_toProcess = static_cast<int>(std::count_if(m_current.begin(), m_current.end(),
                                               [](const TDirItem& e) { return e.modified; }));
  m_operation = TZFProcessOperation::poDelete;
  for (const TDirItem& e : m_current)
    if (e.modified) {
      m_operation = e.operation;
      break;
    }

  if (!OverallProgress(TZFProgressPhase::ppStart, 0)) {
    m_current = m_snapshot;
    return;
  }

  // Snapshot entries kept as they are; the first byte that changes is the
  // record, in file order, of the first one replaced or dropped, else the old
  // directory (new entries are appended there). Everything from that byte on
  // is kept aside: in memory when it is only a directory, else in a
  // temporary file.
  std::vector<bool> kept(m_snapshot.size(), false);
  for (const TDirItem& e : m_current)
    if (!e.modified && e.snapshotIndex >= 0 && static_cast<size_t>(e.snapshotIndex) < kept.size())
      kept[static_cast<size_t>(e.snapshotIndex)] = true;
  uint64_t from = m_snapshot.empty() ? m_prefix : m_directoryStart;
  for (size_t i = 0; i < m_snapshot.size(); ++i)
    if (!kept[i]) from = std::min(from, m_snapshot[i].LocalHeaderOffset());

  platform::Stream& archive = *m_stream;
  try {
    archive.Flush();
    const uint64_t end = static_cast<uint64_t>(archive.Size());
    if (from > end) Fail(8);
    const uint64_t length = end - from;
    if (from >= m_directoryStart || length <= (4u << 20)) {
      m_tail = std::make_unique<platform::MemoryStream>();
    } else {
      std::string dir = TempDir.empty() ? (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") : TempDir;
      std::string pattern = dir + "/FCXXXXXX";
      int fd = mkostemp(pattern.data(), O_CLOEXEC);
      if (fd < 0) Fail(19, {pattern});
      ::close(fd);
      m_tempName = pattern;
      m_tail = std::make_unique<FileStream>(m_tempName, FileMode::OpenReadWrite);
    }
    archive.Seek(static_cast<int64_t>(from), SeekOrigin::Begin);
    m_tail->CopyFrom(archive, static_cast<int64_t>(length));
    m_tail->Flush();
  } catch (...) {
    // Nothing was written yet: the directory goes back, the temporary file goes.
    const std::string temporary = m_tempName.empty() ? TempDir + "/FC" : m_tempName;
    m_current = m_snapshot;
    DropTail();
    try {
      throw;
    } catch (const EZFException&) {
      throw;
    } catch (const kvn::Error&) {
      Fail(19, {temporary});
    }
  }
  m_writePosition = from;

  bool aborted = false;
  try {
    archive.SetSize(static_cast<int64_t>(from));
    archive.Seek(static_cast<int64_t>(from), SeekOrigin::Begin);
    uint64_t position = from;
    // Unchanged records that lay after the first change, in their file order.
    std::vector<size_t> moved;
    for (size_t i = 0; i < m_current.size(); ++i)
      if (!m_current[i].modified && m_current[i].snapshotIndex >= 0 &&
          m_current[i].LocalHeaderOffset() >= from)
        moved.push_back(i);
    std::stable_sort(moved.begin(), moved.end(), [this](size_t a, size_t b) {
      return m_current[a].LocalHeaderOffset() < m_current[b].LocalHeaderOffset();
    });
    for (size_t i : moved) {
      CopyRecord(m_current[i], position);
      position = static_cast<uint64_t>(archive.Seek(0, SeekOrigin::End));
    }
    // New and replaced entries, in directory order.
    for (size_t i = 0; i < m_current.size() && !m_cancel && !aborted;) {
      TDirItem& e = m_current[i];
      const bool write = e.modified && e.operation != TZFProcessOperation::poRename &&
                         e.operation != TZFProcessOperation::poChangeAttr &&
                         e.operation != TZFProcessOperation::poChangeComment;
      if (!write) {
        ++i;
        continue;
      }
      try {
        WriteEntry(e, position);
        if (m_cancel) break;
        e.modified = false;
        position = static_cast<uint64_t>(archive.Seek(0, SeekOrigin::End));
        ++m_finished;
        ++i;
      } catch (const EZFException& failure) {
        TZFAction action = TZFAction::fxaAbort;
        m_failureSystemError = failure.SystemError();
        if (OnProcessFileFailure)
          OnProcessFileFailure(this, EntryLabel(e), e.operation, failure.NativeCode(),
                               failure.MessageNumber(), failure.what(), action);
        else if (Questions)
          action = Questions->FileFailure(std::string(failure.what()) +
                                          ". File processing error, possibly disk is full");
        archive.SetSize(static_cast<int64_t>(position));
        archive.Seek(static_cast<int64_t>(position), SeekOrigin::Begin);
        if (action == TZFAction::fxaRetry) continue;
        if (action == TZFAction::fxaAbort) {
          aborted = true;
          break;
        }
        // Ignore: a replaced entry keeps its old form, a new one is left out.
        if (e.replacesIndex >= 0 && static_cast<size_t>(e.replacesIndex) < m_snapshot.size()) {
          e = m_snapshot[static_cast<size_t>(e.replacesIndex)];
          CopyRecord(e, position);
          position = static_cast<uint64_t>(archive.Seek(0, SeekOrigin::End));
          ++i;
        } else {
          m_current.erase(m_current.begin() + static_cast<ptrdiff_t>(i));
        }
        ++m_finished;
      }
    }
    if (!m_cancel && !aborted) {
      archive.SetSize(static_cast<int64_t>(position));
      archive.Seek(static_cast<int64_t>(position), SeekOrigin::Begin);
      WriteCentralDirectory(archive, m_current, m_comment, Name);
      archive.Flush();
      m_directoryStart = position;
    }
  } catch (...) {
    try {
      Rollback();
    } catch (...) {
    }
    try {
      throw;
    } catch (const EZFException&) {
      throw;
    } catch (const kvn::Error&) {
      ThrowArchiverError(Name, 46, {}, StreamErrorOf(m_stream.get()));
    }
  }
  OverallProgress(TZFProgressPhase::ppEnd, 100);
  if (m_cancel || aborted) {
    Rollback();
    return;
  }
  if (MultiVolume()) {
    // The volumes follow the working file; when they cannot be written, the
    // working file goes back too, and the earlier volumes stay.
    try {
      SplitToVolumes();
    } catch (...) {
      try {
        Rollback();
      } catch (...) {
      }
      throw;
    }
  }
  DropTail();
  if (Options.FlushBuffers)
    if (auto* file = dynamic_cast<FileStream*>(m_stream.get())) file->Sync();
  // A single-file archive made over a set: the set's volumes go once the
  // archive is complete.
  if (m_created && !MultiVolume() && !m_staleRemoved) RemoveStaleVolumes({FileName});
}

}  // namespace kvn::archive
