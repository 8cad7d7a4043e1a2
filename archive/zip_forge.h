// The archiver: creates and updates zip archives in update transactions. New
// entries are collected in memory; the commit writes the archive from the first
// changed entry to the end (what followed is kept in a temporary file) and puts
// the archive back as it was when the commit fails or is cancelled.
//
// Call order: set properties, Open/OpenDefault, AddMatching (each call one
// transaction, or several inside BeginUpdate/EndUpdate), Close. Every failure
// raises EZFException; Close swallows them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/masks.h"
#include "archive/zf_exception.h"
#include "archive/zip_format.h"
#include "platform/stream.h"

namespace kvn::archive {

enum class TZFCompressionLevel { clNone, clFastest, clNormal, clMax };
enum class TZFSpanningMode { smNone, smSpanning, smSplitting };
enum class TZFVolumeSize {
  vsAutoDetect,
  vsCustom,
  vs1_44MB,
  vs100MB,
  vs200MB,
  vs600MB,
  vs650MB,
  vs700MB,
  vs4700MB
};
enum class TZip64Mode { zmDisabled, zmAuto, zmAlways };
enum class TZFFileShareMode {
  smShareCompat,
  smShareExclusive,
  smShareDenyWrite,
  smShareDenyRead,
  smShareDenyNone
};
enum class TZFOverwriteMode { omPrompt, omAlways, omNever, omIfNewer, omIfOlder };
enum class TZFProgressPhase { ppStart, ppProcess, ppEnd };
enum class TZFAction { fxaRetry, fxaIgnore, fxaAbort };

struct TZFOptions {
  TZFStorePathMode StorePath = TZFStorePathMode::spRelativePath;
  bool Recurse = true;
  TZFFileShareMode ShareMode = TZFFileShareMode::smShareDenyNone;
  TZFOverwriteMode OverwriteMode = TZFOverwriteMode::omAlways;
  bool CreateDirs = true;
  bool ReplaceReadOnly = true;
  bool SetAttributes = true;
  uint16_t SearchAttr = 63;
  bool FlushBuffers = true;
};

class TZFSpanningOptions {
 public:
  bool AdvancedNaming = true;
  uint64_t FirstVolumeSize = 0;
  TZFVolumeSize VolumeSize = TZFVolumeSize::vsAutoDetect;
  uint64_t CustomVolumeSize() const { return m_customVolumeSize; }
  // A size below 65,536 bytes is raised to 65,536.
  void SetCustomVolumeSize(uint64_t size) { m_customVolumeSize = size < 65536 ? 65536 : size; }
  // The size limit of volume v (0-based); 0 when only the free space limits it.
  uint64_t VolumeLimit(int volume) const;

 private:
  uint64_t m_customVolumeSize = 0;
};

// The questions asked when no event handler answers: the GUI shows them; a
// program without one gets these answers from its own implementation.
class ArchiverQuestions {
 public:
  enum class Overwrite { Yes, No, NoToAll, YesToAll };
  virtual ~ArchiverQuestions() = default;
  // "Overwrite file "%s" with "%s"" (entry file name, source path).
  virtual Overwrite ConfirmOverwrite(const std::string& entryFileName,
                                     const std::string& sourcePath) = 0;
  // "%s. File processing error, possibly disk is full", Abort/Retry/Ignore.
  virtual TZFAction FileFailure(const std::string& message) = 0;
  // A request about a volume ("Please insert a blank disk #2"), OK or Cancel;
  // true for OK. Without an answer of its own, a program cancels.
  virtual bool VolumeRequest(const std::string& text) {
    (void)text;
    return false;
  }
};

struct TZFArchiveItem {
  std::string FileName, StoredPath, Comment;
  uint64_t CompressedSize = 0, UncompressedSize = 0;
  double CompressionRate = 0;
  bool Encrypted = false;
  uint16_t FileModificationTime = 0, FileModificationDate = 0;
  uint32_t CRC = 0, ExternalFileAttributes = 0;
};

class TZFBaseArchiver {
 public:
  TZFBaseArchiver();
  virtual ~TZFBaseArchiver();
  TZFBaseArchiver(const TZFBaseArchiver&) = delete;
  TZFBaseArchiver& operator=(const TZFBaseArchiver&) = delete;

  std::string Name;  // the component name that prefixes messages ("Archive")
  bool OpenCorruptedArchives = false;
  bool ExtractCorruptedFiles = false;
  std::string Password;
  std::string FileName;  // UTF-8; relative to the current directory
  // The name the stream's messages give the archive (FileName when empty): an
  // archive written under a temporary name is reported under its final one.
  std::string ShownFileName;
  std::string BaseDir;
  std::string TempDir;
  TZFSpanningMode SpanningMode = TZFSpanningMode::smNone;
  TZFSpanningOptions SpanningOptions;
  std::string SFXStub;
  TZFOptions Options;
  std::vector<std::string> FileMasks, ExclusionMasks, NoCompressionMasks;
  TZip64Mode Zip64Mode = TZip64Mode::zmAuto;
  ArchiverQuestions* Questions = nullptr;
  // Where the bytes of a file found by a mask are read from, when not from the
  // file itself (a consistent copy taken beforehand); the entry keeps the
  // file's name, time and attributes. An empty answer means the file itself.
  std::function<std::string(const std::string& path)> DataSourceOf;

  std::function<void(TZFBaseArchiver*, const std::string& fileName, double progress,
                     TZFProcessOperation, TZFProgressPhase, bool& cancel)>
      OnFileProgress;
  std::function<void(TZFBaseArchiver*, double progress, TZFProcessOperation, TZFProgressPhase,
                     bool& cancel)>
      OnOverallProgress;
  std::function<void(TZFBaseArchiver*, const std::string& source, std::string& dest, bool& confirm)>
      OnConfirmOverwrite;
  std::function<void(TZFBaseArchiver*, const std::string& fileName, TZFProcessOperation,
                     bool& confirm)>
      OnConfirmProcessFile;
  std::function<void(TZFBaseArchiver*)> AfterOpen;
  std::function<void(TZFBaseArchiver*, const std::string& fileName, TZFProcessOperation,
                     int nativeError, int errorCode, const std::string& errorMessage,
                     TZFAction& action)>
      OnProcessFileFailure;
  // The volumes of a multi-volume archive; numbers are 1-based, the file name
  // arrives filled with the volume's name and may be changed.
  std::function<void(TZFBaseArchiver*, int volumeNumber, std::string& volumeFileName, bool& cancel)>
      OnRequestBlankVolume;
  std::function<void(TZFBaseArchiver*, std::string& volumeFileName, bool& cancel)>
      OnRequestFirstVolume;
  std::function<void(TZFBaseArchiver*, std::string& volumeFileName, bool& cancel)>
      OnRequestLastVolume;
  std::function<void(TZFBaseArchiver*, int volumeNumber, std::string& volumeFileName, bool& cancel)>
      OnRequestMiddleVolume;
  std::function<void(TZFBaseArchiver*, int volumeNumber, const std::string& volumeFileName,
                     bool& cancel)>
      OnDiskFull;

  TZFCompressionLevel CompressionLevel() const { return m_level; }
  void SetCompressionLevel(TZFCompressionLevel level);
  int CompressionMode() const { return m_mode; }
  // Above 9: native error 5, nothing changes.
  void SetCompressionMode(int mode);
  std::string CurrentVersion() const;
  bool InMemory() const { return m_inMemory; }
  void SetInMemory(bool inMemory);

  void Open(uint16_t mode);
  void OpenDefault();
  void Close();
  bool Active() const { return m_active; }
  void SetActive(bool active) { active ? OpenDefault() : Close(); }
  void AddMatching(const std::string& fileMask, int searchAttr = 63,
                   const std::string& exclusionMask = "");
  void BeginUpdate();
  void EndUpdate();
  void AbandonUpdate();

  // The current directory of entries, and the archive's comment.
  // The system's error code behind the failure being reported to
  // OnProcessFileFailure or the failure question (a full disk, a file that
  // cannot be read), 0 when there is none.
  int FailureSystemError() const { return m_failureSystemError; }

  const std::vector<TDirItem>& Entries() const;
  int FileCount() const { return static_cast<int>(Entries().size()); }
  bool FindEntry(const std::string& storedName, TZFArchiveItem& item) const;
  // Writes an entry's data (decrypted with Password, inflated, its size and
  // CRC checked) to out: native error 8 when they do not match, 11 when there
  // is no such entry.
  void ExtractTo(const std::string& storedName, platform::Stream& out);
  // Reads every entry's data and checks it the same way.
  void TestFiles();
  std::string ArchiveComment() const { return m_comment; }
  // The in-memory archive's bytes (empty when the archive lives in a file).
  std::string MemoryBytes() const;

  static constexpr uint16_t kCreateMode = 0xFFFF;

  // The file of volume v (0-based; -1 for the last volume), by the archive's
  // name, the spanning mode and naming, and whether it is self-extracting.
  std::string VolumeName(int volume) const;
  // Bytes the caller may still write on the drive of a file (or of its folder).
  static uint64_t FreeSpace(const std::string& fileName);
  // Whether the open archive spreads over volumes.
  bool MultiVolume() const { return m_volumeMode != TZFSpanningMode::smNone; }
  // The volume files of the open multi-volume archive, in order.
  const std::vector<std::string>& VolumeFiles() const { return m_volumeFiles; }
  // The disks the last spanned write finished, in order (the name each
  // volume took on its disk): the whole set after a commit; the disks
  // written before a cancelled or failed request otherwise, which keep what
  // was written on them.
  const std::vector<std::string>& SpannedDisks() const { return m_spannedDisks; }

 protected:
  virtual void UpdateCompressionMethod() { m_method = -1; }
  int m_method = -1;

 private:
  void Fail(int nativeCode, const std::vector<std::string>& args = {}) const;
  std::string CurrentDirectory() const;
  void AddEntryForFile(const std::string& path, bool isDirectory, const std::string& currentDir,
                       std::unordered_map<std::string, size_t>& index);
  void CommitUpdate();
  void WriteEntry(TDirItem& e, uint64_t offset);
  // Copies an unchanged entry's local record from the saved tail to offset.
  void CopyRecord(TDirItem& e, uint64_t offset);
  void Rollback();
  void DropTail() noexcept;
  void WriteDirectory();
  // Raise the progress events; false when a handler asked to cancel.
  bool FileProgress(TZFProgressPhase phase, const TDirItem& entry, double progress);
  bool OverallProgress(TZFProgressPhase phase, double progress);
  // Multi-volume archives: the archive is kept as one working file (the
  // logical archive) and written out as volumes after each commit; an
  // existing set is joined into the working file when it is opened.
  void OpenWorkingFile();
  void SplitToVolumes();
  void JoinVolumes();
  // Once an archive written over an earlier one is complete: removes the
  // earlier set's volumes (found in both namings, "a_001.zip"... and
  // "a.z01"...) that the new archive does not use.
  void RemoveStaleVolumes(const std::vector<std::string>& keep);
  bool SelfExtracting() const;
  // Before opening an existing archive: its name as the file system has it
  // (a name differing only in case is found), and for the ".exe" first
  // volume of a split self-extracting set, the set's ".ZIP" last volume.
  void FindArchiveToOpen();
  void PlaceStub();

  bool m_active = false;
  bool m_inMemory = false;
  uint16_t m_openMode = 0;
  std::unique_ptr<platform::Stream> m_stream;
  std::vector<TDirItem> m_current, m_snapshot;
  std::string m_comment;
  uint64_t m_prefix = 0;
  bool m_created = false;       // this Open created the archive (its file or memory)
  bool m_staleRemoved = false;  // the volumes of a set it replaced are gone
  bool m_sfxSet = false;        // a split self-extracting set: "a.exe" ... "a.ZIP"
  uint64_t m_directoryStart = 0;
  uint64_t m_savedDirectoryStart = 0;  // before the commit in progress
  int m_nesting = 0;
  int m_finished = 0, m_toProcess = 0;
  bool m_cancel = false;
  TZFCompressionLevel m_level = TZFCompressionLevel::clFastest;
  int m_mode = 1;
  // The commit in progress: the first byte it changes, and the archive's bytes
  // from there to the end as they were (in memory, or in a temporary file),
  // which a rollback puts back.
  uint64_t m_writePosition = 0;
  std::unique_ptr<platform::Stream> m_tail;
  std::string m_tempName;
  TZFProcessOperation m_operation = TZFProcessOperation::poAdd;
  int m_failureSystemError = 0;
  // Multi-volume state: the mode in force (the property, or what opening
  // found), the working file's name, the volume files written or read.
  TZFSpanningMode m_volumeMode = TZFSpanningMode::smNone;
  std::string m_workingName;
  std::vector<std::string> m_volumeFiles;
  std::vector<std::string> m_spannedDisks;
};

class TZipForge : public TZFBaseArchiver {
 public:
  TZipForge();

 protected:
  void UpdateCompressionMethod() override { m_method = CompressionMode() > 0 ? 8 : 0; }
};

}  // namespace kvn::archive
