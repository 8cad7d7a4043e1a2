// Outputs made of several files (HTML pages with their index and style sheet,
// a DBF table with its memo file) replaced as one. Each member is written to a
// hidden temporary file beside its target, exactly as a single output file;
// the commit makes all of them durable at once, writes a commit record, renames
// every member over its target and removes the record.
//
// Files on disk while a set lives, for a set whose id is ABCDEF:
//   .kvn-set-ABCDEF          the record, in the folder of the first member; it
//                            lists the other folders as they join, and at the
//                            commit the members and a final COMMIT mark
//   .kvn-set-ABCDEF          in every other folder: names the first record
//   .<name>.kvn-ABCDEF       each member's bytes, beside its target
// The writer holds a lock on each record while it lives. After a kill, the
// next output made in any of these folders finds the record with its lock
// free: a committed set is rolled forward (the renames finished), an
// unfinished one is removed. A reader thus finds the whole earlier set or,
// once that run has passed, the whole new set; never a mix of the two.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/output_file.h"
#include "platform/stream.h"

namespace kvn::platform {

class OutputSet {
 public:
  explicit OutputSet(OutputOptions options = {});
  ~OutputSet();
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  // Checks the target as an output file does (protected files, folders, a
  // device written directly), creates its temporary file and returns its
  // open stream, whose messages name the target. Throws kvn::Error.
  FileStream& Add(const std::string& target);
  size_t Count() const { return m_members.size(); }
  const std::string& Target(size_t member) const;
  // The member's stream, opened again at its end when it was closed.
  FileStream& Stream(size_t member);
  // Writes out and closes the member's file (a set may hold more files than
  // the process may keep open). Throws on a failed write.
  void Close(size_t member);

  // Makes every member durable at once (one flush of each file system), then
  // replaces the targets as one. Throws kvn::Error; on a failure before the
  // record is written every target keeps its earlier content.
  void Commit();
  // Drops every member; the targets stay as they were. Never throws.
  void Discard() noexcept;
  bool Committed() const { return m_committed; }

 private:
  struct Member;
  struct Folder;
  Folder& FolderFor(const std::string& folder);

  OutputOptions m_options;
  std::string m_id;
  std::vector<std::unique_ptr<Member>> m_members;
  std::vector<std::unique_ptr<Folder>> m_folders;  // the first holds the record
  bool m_committed = false;
};

// Finishes or removes the sets that killed writers left in a folder; called by
// RemoveStaleOutputFiles before it removes single temporary files.
void RecoverOutputSets(const std::string& folder) noexcept;
// Whether a hidden temporary file belongs to a set whose record is in folder.
bool BelongsToOutputSet(int folderFd, const std::string& name);

// A point where a test may stop the program: when the environment variable
// KVN_PAUSE_AT names it, the process stops itself (SIGSTOP) there, so that a
// test can kill it in a known phase.
void PausePointForTests(const char* point);

}  // namespace kvn::platform
