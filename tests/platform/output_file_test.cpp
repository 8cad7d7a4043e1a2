// Output files: the target is replaced only by a complete file; a failure, a
// full disk or a kill leaves the earlier file byte for byte; the catalogue's
// files are never a target, whatever their spelling.
#include "platform/output_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/file_info.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::platform {
namespace {

using test::HiddenFiles;
using test::MessageOf;
using test::ReadFile;
using test::TempDir;

using Names = std::vector<std::string>;

TEST(OutputFile, ReplacesTheTargetOnlyOnceCommitted) {
  TempDir dir;
  const std::string target = dir / "liste.csv";
  test::WriteFile(target, "ancien");
  ::chmod(target.c_str(), 0640);
  {
    OutputFile out(target);
    out.Stream().WriteString("nouveau contenu");
    out.Stream().Flush();
    // Until the commit the bytes live beside the target, hidden.
    EXPECT_EQ(ReadFile(target), "ancien");
    ASSERT_EQ(HiddenFiles(dir.Path()).size(), 1u);
    EXPECT_TRUE(IsOutputTemporaryName(HiddenFiles(dir.Path())[0])) << HiddenFiles(dir.Path())[0];
    out.Commit();
  }
  EXPECT_EQ(ReadFile(target), "nouveau contenu");
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});
  struct stat st {};
  ::stat(target.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u) << "the earlier file's mode is kept";

  // Not committed (an error on the way): the earlier file stays.
  try {
    OutputFile out(target);
    out.Stream().WriteString("à moitié");
    throw Error("panne");
  } catch (const Error&) {
  }
  EXPECT_EQ(ReadFile(target), "nouveau contenu");
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});

  // A new file gets the usual mode; a file without a folder lands in the current one.
  OutputFile fresh(dir / "neuf.txt");
  fresh.Stream().WriteString("x");
  fresh.Commit();
  ::stat((dir / "neuf.txt").c_str(), &st);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask);
}

TEST(OutputFile, AFullDiskLeavesTheEarlierFile) {
  TempDir dir;
  const std::string target = dir / "export.txt";
  test::WriteFile(target, "précédent");
  const std::string bytes(5000, 'z');
  // The last byte does not fit: nothing is replaced, the message says why.
  std::string message = test::RunInChild(
      [&] {
        return MessageOf([&] {
          OutputFile out(target);
          out.Stream().WriteString(bytes);
          out.Commit();
        });
      },
      static_cast<int64_t>(bytes.size()) - 1);
  EXPECT_EQ(message,
            "Erreur d'écriture dans le fichier \"" + target + "\". Le fichier est trop grand.");
  EXPECT_EQ(ReadFile(target), "précédent");
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});
  // Exactly enough room: the file is replaced.
  message = test::RunInChild(
      [&] {
        return MessageOf([&] {
          OutputFile out(target);
          out.Stream().WriteString(bytes);
          out.Commit();
        });
      },
      static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(message, "(no error)");
  EXPECT_EQ(ReadFile(target), bytes);

  // A disk that really fills up, where this process may mount one.
  test::SmallDisk disk(64);
  if (disk.Mounted()) {
    test::WriteFile(disk / "gros.txt", std::string(40000, 'a'));
    message = MessageOf([&] {
      OutputFile out(disk / "gros.txt");
      out.Stream().WriteString(std::string(40000, 'b'));
      out.Commit();
    });
    EXPECT_EQ(message, "Erreur d'écriture dans le fichier \"" + (disk / "gros.txt") +
                           "\". Il n'y a pas assez d'espace sur le disque.");
    EXPECT_EQ(ReadFile(disk / "gros.txt"), std::string(40000, 'a'));
    EXPECT_EQ(HiddenFiles(disk.Path()), Names{});
  }
}

TEST(OutputFile, LinksDevicesAndDirectories) {
  TempDir dir;
  test::WriteFile(dir / "vrai.txt", "ancien");
  ASSERT_EQ(::symlink("vrai.txt", (dir / "lien.txt").c_str()), 0);
  OutputFile linked(dir / "lien.txt");
  linked.Stream().WriteString("par le lien");
  linked.Commit();
  EXPECT_EQ(ReadFile(dir / "vrai.txt"), "par le lien");
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "lien.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";

  // A device is written as it is, and its failures are reported.
  OutputFile null("/dev/null");
  EXPECT_TRUE(null.Direct());
  null.Stream().WriteString("rien");
  null.Commit();
  EXPECT_EQ(MessageOf([] {
              OutputFile full("/dev/full");
              full.Stream().WriteString("plein");
              full.Commit();
            }),
            "Erreur d'écriture dans le fichier \"/dev/full\". Il n'y a pas assez d'espace sur le "
            "disque.");
  EXPECT_EQ(MessageOf([&] { OutputFile d(dir.Path()); }),
            "Impossible de créer le fichier \"" + dir.Path() + "\". Le nom désigne un répertoire.");
  EXPECT_EQ(MessageOf([&] { OutputFile d(dir / "absent/f.txt"); }),
            "Impossible de créer le fichier \"" + (dir / "absent/f.txt") +
                "\". Le chemin d'accès spécifié est introuvable.");
}

TEST(OutputFile, ProtectedFilesAreNeverATarget) {
  TempDir dir;
  platform::ForceDirectories(dir / "Archive");
  platform::ForceDirectories(dir / "autre");
  test::WriteFile(dir / "video.DB", "table");
  test::WriteFile(dir / "kvn.ini", "[BASEDB]");
  ASSERT_EQ(::link((dir / "video.DB").c_str(), (dir / "autre/lien-dur.DB").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "kvn.ini").c_str(), (dir / "autre/lien.ini").c_str()), 0);
  ClearOutputProtection();
  ProtectFromOutput(dir / "video.DB");
  ProtectFromOutput(dir / "video.DB-journal");
  ProtectFromOutput(dir / "kvn.ini");
  ProtectFolderFromOutput(dir / "Archive");
  ProtectFolderFromOutput(dir / "Sauvegardes");  // does not exist yet
  const std::string refused = "fait partie du catalogue";
  for (const std::string& target :
       {dir / "video.DB", dir / "autre/../video.DB", dir / "autre/lien-dur.DB",
        dir / "autre/lien.ini", dir / "video.DB-journal", dir / "./autre/../video.DB-journal",
        dir / "Archive/video.zip", dir / "Archive/sous/x.csv", dir / "Sauvegardes/x.csv",
        dir / "Archive"}) {
    SCOPED_TRACE(target);
    EXPECT_NE(MessageOf([&] { OutputFile out(target); }).find(refused), std::string::npos);
  }
  EXPECT_EQ(ReadFile(dir / "video.DB"), "table");
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});
  // Other names are free; the program's own writers may pass.
  for (const std::string& target :
       {dir / "video.csv", dir / "autre/video.DB", dir / "Archiver.txt"}) {
    SCOPED_TRACE(target);
    EXPECT_EQ(MessageOf([&] { OutputFile out(target); }), "(no error)");
  }
  OutputFile archive(dir / "Archive/video.zip", {.allowProtected = true});
  archive.Stream().WriteString("PK");
  archive.Commit();
  EXPECT_EQ(ReadFile(dir / "Archive/video.zip"), "PK");
  ClearOutputProtection();
}

// The program's own writes (archive, settings, restored catalogue) may name a
// protected file, but never one whose links lead to another protected file.
TEST(OutputFile, OwnWritesRefuseLinksToAnotherProtectedFile) {
  TempDir dir;
  platform::ForceDirectories(dir / "Archive");
  test::WriteFile(dir / "video.DB", "table");
  test::WriteFile(dir / "ailleurs.ini", "[A]");
  ClearOutputProtection();
  ProtectFromOutput(dir / "video.DB");
  ProtectFromOutput(dir / "video.DB-journal");
  ProtectFromOutput(dir / "kvn.ini");
  ProtectFolderFromOutput(dir / "Archive");
  struct Case {
    const char* target;
    const char* link;  // what the target is made of
    bool hard;
    bool refused;
  };
  const Case cases[] = {
      {"Archive/video.zip", "../video.DB", false, true},
      {"Archive/video.zip", "video.DB", true, false},  // a hard link: its own name, renamed over
      {"kvn.ini", "video.DB", false, true},
      {"kvn.ini", "Archive/video.zip", false, true},
      {"kvn.ini", "video.DB-journal", false, true},  // a journal that does not exist yet
      {"kvn.ini", "ailleurs.ini", false, false},     // settings kept elsewhere
      {"Archive/video.zip", "../ailleurs.ini", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.target) + " -> " + c.link);
    const std::string target = dir / c.target;
    ::unlink(target.c_str());
    test::WriteFile(dir / "Archive/video.zip", "PK-ancien");
    ::unlink(target.c_str());
    if (c.hard)
      ASSERT_EQ(::link((dir / c.link).c_str(), target.c_str()), 0);
    else
      ASSERT_EQ(::symlink(c.link, target.c_str()), 0);
    const std::string message = MessageOf([&] {
      OutputFile out(target, {.allowProtected = true});
      out.Stream().WriteString("nouveau");
      out.Commit();
    });
    if (c.refused) {
      EXPECT_NE(message.find("fait partie du catalogue"), std::string::npos) << message;
      EXPECT_EQ(ReadFile(dir / "video.DB"), "table");
      EXPECT_FALSE(platform::FileExists(dir / "video.DB-journal"));
    } else {
      EXPECT_EQ(message, "(no error)");
    }
    EXPECT_EQ(ReadFile(dir / "video.DB"), "table");
    ::unlink(target.c_str());
  }
  // The catalogue reached through a link from a protected name stays writable
  // by its own name (a restore), and the settings file through its own link.
  ASSERT_EQ(::symlink("video.DB", (dir / "kvn.ini").c_str()), 0);
  EXPECT_EQ(MessageOf([&] { OutputFile out(dir / "video.DB", {.allowProtected = true}); }),
            "(no error)");
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});
  ClearOutputProtection();
}

// A protected file that does not exist yet is recognised through another
// mount of its folder by the folder's identity and its name.
TEST(OutputFile, AMissingJournalSeenThroughABindMount) {
  TempDir dir;
  platform::ForceDirectories(dir / "catalogue");
  platform::ForceDirectories(dir / "vue");
  if (::mount((dir / "catalogue").c_str(), (dir / "vue").c_str(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "no bind mount here";
  ClearOutputProtection();
  ProtectFromOutput(dir / "catalogue/video.DB-wal");
  EXPECT_NE(
      MessageOf([&] { OutputFile out(dir / "vue/video.DB-wal"); }).find("fait partie du catalogue"),
      std::string::npos);
  EXPECT_EQ(MessageOf([&] { OutputFile out(dir / "vue/autre.csv"); }), "(no error)");
  ClearOutputProtection();
  ::umount2((dir / "vue").c_str(), MNT_DETACH);
}

TEST(OutputFile, AKilledWritersFileIsRemovedByTheNextOutput) {
  TempDir dir;
  test::WriteFile(dir / "video.csv", "bon");
  // A writer killed in the middle of its file.
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    OutputFile out(dir / "video.csv");
    out.Stream().WriteString(std::string(100000, 'x'));
    out.Stream().Flush();
    ::raise(SIGKILL);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadFile(dir / "video.csv"), "bon");
  ASSERT_EQ(HiddenFiles(dir.Path()).size(), 1u);

  // A live writer's file is left alone; the dead one's goes.
  OutputFile live(dir / "autre.csv");
  EXPECT_EQ(HiddenFiles(dir.Path()).size(), 1u) << "only the live writer's file is left";
  RemoveStaleOutputFiles(dir.Path());
  EXPECT_EQ(HiddenFiles(dir.Path()).size(), 1u);
  live.Discard();
  EXPECT_EQ(HiddenFiles(dir.Path()), Names{});
  // Only the output's own names are touched.
  test::WriteFile(dir / ".video.csv.kvn-", "");
  test::WriteFile(dir / ".config", "");
  RemoveStaleOutputFiles(dir.Path());
  EXPECT_EQ(HiddenFiles(dir.Path()).size(), 2u);
}

}  // namespace
}  // namespace kvn::platform
