// SPDX-License-Identifier: MIT
// The INI layer on real files: names, reading rules, write placement, exact bytes,
// atomic replacement and refused writes.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "common/tempfolder.h"
#include "model/extinifile.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"

namespace quorvel::model {
namespace {

using quorvel::testing::ReadBytes;
using quorvel::testing::TTempFolder;
using quorvel::testing::WriteBytes;

class IniFileTest : public ::testing::Test {
 protected:
  TTempFolder Folder;
  std::string Path = Folder.File("test.qvl");

  // Writes content, runs one operation and returns the bytes on disk afterwards.
  template <typename Operation>
  std::string After(const std::string& content, Operation operation) {
    WriteBytes(Path, content);
    TIniFile file(Path);
    operation(file);
    return ReadBytes(Path);
  }
};

TEST_F(IniFileTest, NamesCompareWithoutRegardToCase) {
  WriteBytes(Path, "[salesopen]\r\ncommands=0,\"A\"\r\n");
  TIniFile file(Path);
  EXPECT_EQ(file.ReadValue("SalesOpen", "Commands", "none"), "0,\"A\"");
  EXPECT_TRUE(file.ValueExists("SALESOPEN", "COMMANDS"));
  EXPECT_FALSE(file.ValueExists("SalesOpen", "Answers"));
  EXPECT_FALSE(file.ValueExists("Sales", "Commands"));
  // Latin-1 letters too.
  WriteBytes(Path, "[\xC9t\xE9]\r\nK=1\r\n");
  EXPECT_EQ(file.ReadValue("\xE9T\xC9", "k", ""), "1");
}

TEST_F(IniFileTest, ReadValueTrimsAndRemovesOneEnclosingQuotePair) {
  struct Case {
    const char* line;
    const char* expected;
  };
  const Case cases[] = {
      {"K=plain", "plain"},
      {"  K  =  blanks around  ", "blanks around"},
      {"K=\t tabbed\t", "tabbed"},
      {"K=\"quoted\"", "quoted"},
      {"K='single'", "single"},
      {"K=\"\"a\"\"", "\"a\""},        // only one pair goes
      {"K=\"mixed'", "\"mixed'"},      // not the same quote character
      {"K=\"", "\""},                  // a lone quote stays
      {"K=  \"blank inside \"  ", "blank inside "},
      {"K=", ""},
      {"K=a=b", "a=b"},                // the first "=" splits
  };
  for (const Case& c : cases) {
    WriteBytes(Path, std::string("[S]\r\n") + c.line + "\r\n");
    EXPECT_EQ(TIniFile(Path).ReadValue("S", "K", "default"), c.expected) << c.line;
  }
}

TEST_F(IniFileTest, AbsentSectionOrKeyGivesTheDefault) {
  WriteBytes(Path, "K=before any section\r\n;K=comment\r\n[S]\r\n;K=comment\r\nno equals sign\r\n[T]\r\nK=t\r\n");
  TIniFile file(Path);
  EXPECT_EQ(file.ReadValue("S", "K", "default"), "default");
  EXPECT_EQ(file.ReadValue("X", "K", "default"), "default");
  EXPECT_EQ(file.ReadValue("T", "K", "default"), "t");
  EXPECT_TRUE(file.ReadSectionKeys("S").empty());
}

TEST_F(IniFileTest, ValuesAreCutAtTheReaderLimit) {
  std::string value;
  for (int i = 0; i < 9000; ++i) value += static_cast<char>('a' + i % 26);
  WriteBytes(Path, "[S]\r\nK=" + value + "\r\n");
  EXPECT_EQ(TExtIniFile(Path).ReadValue("S", "K", ""), value.substr(0, 8191));
  EXPECT_EQ(TIniFile(Path).ReadValue("S", "K", ""), value.substr(0, 2047));
  const std::string fits(2047, 'x');
  WriteBytes(Path, "[S]\r\nK=" + fits + "\r\n");
  EXPECT_EQ(TIniFile(Path).ReadValue("S", "K", ""), fits);
}

TEST_F(IniFileTest, ReadIntegerTakesDecimalAndHexadecimal) {
  struct Case {
    const char* text;
    int expected;
  };
  const Case cases[] = {
      {"12", 12},        {"-5", -5},           {"+7", 7},       {"0x1F", 31},       {"0X1f", 31},
      {" 42 ", 42},      {"0xFFFFFFFF", -1},   {"2147483647", 2147483647},      {"-2147483648", -2147483647 - 1},
      {"abc", -99},      {"", -99},            {"0x", -99},     {"12abc", -99},     {"0x1G", -99},
      {"2147483648", -99}, {"0x100000000", -99}, {"1 2", -99},  {"-", -99},
  };
  for (const Case& c : cases) {
    WriteBytes(Path, std::string("[S]\r\nN=") + c.text + "\r\n");
    EXPECT_EQ(TIniFile(Path).ReadInteger("S", "N", -99), c.expected) << c.text;
  }
  EXPECT_EQ(TIniFile(Path).ReadInteger("S", "Missing", 3), 3);
}

TEST_F(IniFileTest, SectionKeysAndLinesComeInFileOrder) {
  WriteBytes(Path, "[Groups]\r\nZeta=\r\n; note\r\n  Alpha = x \r\n\r\nMid=\"q\"\r\n[Other]\r\nB=\r\n[groups]\r\nLate=\r\n");
  TIniFile file(Path);
  EXPECT_EQ(file.ReadSectionKeys("groups"), (std::vector<std::string>{"Zeta", "Alpha", "Mid"}));
  EXPECT_EQ(file.ReadSectionLines("GROUPS"), (std::vector<std::string>{"Zeta=", "Alpha=x", "Mid=\"q\""}));
  EXPECT_TRUE(file.ReadSectionKeys("Missing").empty());
  EXPECT_TRUE(file.ReadSectionLines("Missing").empty());
}

TEST_F(IniFileTest, WriteReplacesAnExistingKeyInPlace) {
  // Everything but the rewritten line keeps its bytes: comments, blanks, LF and CR endings.
  const std::string before = ";head\n[A]\r\nX=1\nK=old\rY=2\r\n\r\n; tail\n[B]\r\nK=b\r\n";
  EXPECT_EQ(After(before, [](TIniFile& f) { f.WriteKey("a", "k", "new"); }),
            ";head\n[A]\r\nX=1\nk=new\rY=2\r\n\r\n; tail\n[B]\r\nK=b\r\n");
}

TEST_F(IniFileTest, WriteAppendsANewKeyAfterTheLastKeyOfItsSection) {
  const std::string before = "[A]\r\nX=1\r\nY=2\r\n\r\n; about B\r\n[B]\r\nZ=3\r\n";
  EXPECT_EQ(After(before, [](TIniFile& f) { f.WriteKey("A", "New", "v"); }),
            "[A]\r\nX=1\r\nY=2\r\nNew=v\r\n\r\n; about B\r\n[B]\r\nZ=3\r\n");
  // A section without keys gets its first key right after the header.
  EXPECT_EQ(After("[Groups]\r\n\r\n\r\n[C]\n", [](TIniFile& f) { f.WriteKey("Groups", "Sales", ""); }),
            "[Groups]\r\nSales=\r\n\r\n\r\n[C]\n");
  // The last line of the file without a line ending.
  EXPECT_EQ(After("[A]\r\nX=1", [](TIniFile& f) { f.WriteKey("A", "Y", "2"); }), "[A]\r\nX=1\r\nY=2\r\n");
  EXPECT_EQ(After("[A]", [](TIniFile& f) { f.WriteKey("A", "Y", "2"); }), "[A]\r\nY=2\r\n");
}

TEST_F(IniFileTest, WriteAppendsANewSectionAtTheEndOfTheFile) {
  EXPECT_EQ(After("[A]\r\nX=1\r\n\r\n; end\r\n", [](TIniFile& f) { f.WriteKey("B", "K", "v"); }),
            "[A]\r\nX=1\r\n\r\n; end\r\n[B]\r\nK=v\r\n");
  EXPECT_EQ(After("; no newline", [](TIniFile& f) { f.WriteKey("B", "K", "v"); }), "; no newline\r\n[B]\r\nK=v\r\n");
}

TEST_F(IniFileTest, FirstWriteCreatesAMissingFile) {
  TIniFile file(Path);
  EXPECT_EQ(file.ReadValue("S", "K", "default"), "default");
  EXPECT_TRUE(file.ReadSectionKeys("S").empty());
  EXPECT_FALSE(file.ValueExists("S", "K"));
  file.WriteInteger("General", "Protocol", 1);
  file.WriteKey("General", "InputDateFormat", "3");
  EXPECT_EQ(ReadBytes(Path), "[General]\r\nProtocol=1\r\nInputDateFormat=3\r\n");
  EXPECT_EQ(file.ReadInteger("general", "protocol", 0), 1);
}

TEST_F(IniFileTest, NothingIsCachedBetweenOperations) {
  TIniFile file(Path);
  file.WriteKey("S", "K", "one");
  WriteBytes(Path, "[S]\r\nK=changed elsewhere\r\nL=2\r\n");
  EXPECT_EQ(file.ReadValue("S", "K", ""), "changed elsewhere");
  file.WriteKey("S", "M", "3");
  EXPECT_EQ(ReadBytes(Path), "[S]\r\nK=changed elsewhere\r\nL=2\r\nM=3\r\n");
}

TEST_F(IniFileTest, DeleteKeyRemovesOnlyThatLine) {
  const std::string before = "[A]\r\nX=1\nK=2\r\n;c\r\n[B]\r\nK=3\r\n";
  EXPECT_EQ(After(before, [](TIniFile& f) { f.DeleteKey("a", "K"); }), "[A]\r\nX=1\n;c\r\n[B]\r\nK=3\r\n");
  EXPECT_EQ(After(before, [](TIniFile& f) { f.DeleteKey("A", "Missing"); }), before);
  EXPECT_EQ(After(before, [](TIniFile& f) { f.DeleteKey("Missing", "K"); }), before);
}

TEST_F(IniFileTest, EraseSectionRemovesHeaderAndAllItsLines) {
  const std::string before = ";top\r\n[A]\r\nX=1\r\n\r\n[B]\r\nK=3\r\n; b comment\r\n\r\n[C]\r\nY=4\r\n";
  EXPECT_EQ(After(before, [](TIniFile& f) { f.EraseSection("b"); }), ";top\r\n[A]\r\nX=1\r\n\r\n[C]\r\nY=4\r\n");
  EXPECT_EQ(After(before, [](TIniFile& f) { f.EraseSection("C"); }),
            ";top\r\n[A]\r\nX=1\r\n\r\n[B]\r\nK=3\r\n; b comment\r\n\r\n");
  EXPECT_EQ(After(before, [](TIniFile& f) { f.EraseSection("Missing"); }), before);
  // A section that appears twice is gone completely.
  EXPECT_EQ(After("[A]\r\nX=1\r\n[B]\r\n[a]\r\nY=2\r\n", [](TIniFile& f) { f.EraseSection("A"); }), "[B]\r\n");
}

TEST_F(IniFileTest, RefusedWriteRaisesTheMessageAndKeepsTheFile) {
  // The file's folder does not exist.
  const std::string unreachable = Folder.File("missing-folder/test.qvl");
  TIniFile file(unreachable);
  try {
    file.WriteKey("S", "K", "v");
    FAIL() << "no error";
  } catch (const TIniError& error) {
    EXPECT_STREQ(error.what(), ("Unable to write to " + unreachable + ": No such file or directory").c_str());
  }
  file.DeleteKey("S", "K");  // passes silently

  // A folder in place of the file.
  std::filesystem::create_directory(Path);
  EXPECT_THROW(TIniFile(Path).WriteKey("S", "K", "v"), TIniError);
  EXPECT_THROW(TIniFile(Path).EraseSection("S"), TIniError);
}

TEST(IniDeviceTest, RefusedStoreLeavesTheOldContent) {
  const std::string content = "[S]\r\nK=1\r\n";
  auto device = std::make_shared<TMemoryDevice>(content, "dev.qvl");
  device->RefuseStore = true;
  TIniFile file(device);
  EXPECT_THROW(file.WriteKey("S", "K", "2"), TIniError);
  EXPECT_THROW(file.EraseSection("S"), TIniError);
  EXPECT_NO_THROW(file.DeleteKey("S", "K"));
  EXPECT_EQ(device->Bytes, content);
}

TEST(IniDeviceTest, SeveralKeysAreWrittenInOneReplacement) {
  auto device = std::make_shared<TMemoryDevice>("[S]\r\nK=1\r\n[T]\r\nA=x\r\n", "dev.qvl");
  TIniFile file(device);
  file.WriteKeys("S", {{"K", "2"}, {"L", "3"}, {"k", "4"}});
  EXPECT_EQ(device->StoreCount, 1);
  EXPECT_EQ(device->Bytes, "[S]\r\nk=4\r\nL=3\r\n[T]\r\nA=x\r\n");
  file.ReplaceSection("T", {{"B", "y"}});
  EXPECT_EQ(device->StoreCount, 2);
  EXPECT_EQ(device->Bytes, "[S]\r\nk=4\r\nL=3\r\n[T]\r\nB=y\r\n");

  // Refused, or with one key an INI line cannot hold: none of the keys is written.
  const std::string before = device->Bytes;
  EXPECT_THROW(file.WriteKeys("S", {{"K", "5"}, {"bad=key", "6"}}), TIniError);
  device->RefuseStore = true;
  EXPECT_THROW(file.WriteKeys("S", {{"K", "5"}, {"M", "6"}}), TIniError);
  EXPECT_THROW(file.ReplaceSection("S", {}), TIniError);
  EXPECT_EQ(device->Bytes, before);
}

TEST(IniDeviceTest, UnreadableFileIsNeverOverwritten) {
  // Writing would otherwise replace a whole file we could not read with one line.
  auto device = std::make_shared<TMemoryDevice>("[S]\r\nK=1\r\n", "dev.qvl");
  device->RefuseLoad = true;
  TIniFile file(device);
  EXPECT_EQ(file.ReadValue("S", "K", "default"), "default");
  try {
    file.WriteKey("S", "K", "2");
    FAIL() << "no error";
  } catch (const TIniError& error) {
    EXPECT_STREQ(error.what(), "Unable to write to dev.qvl");
  }
  EXPECT_THROW(file.EraseSection("S"), TIniError);
  file.DeleteKey("S", "K");
  EXPECT_EQ(device->StoreCount, 0);
}

TEST_F(IniFileTest, ReplacementKeepsPermissionsAndLeavesNoTemporaryFiles) {
  WriteBytes(Path, "[S]\r\nK=1\r\n");
  ASSERT_EQ(chmod(Path.c_str(), 0640), 0);
  TIniFile file(Path);
  file.WriteKey("S", "K", "2");
  file.EraseSection("S");
  file.WriteKey("T", "K", "3");
  struct stat info {};
  ASSERT_EQ(stat(Path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(Path), "[T]\r\nK=3\r\n");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Folder.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(IniFileTest, FailedWriteOfTheNewContentKeepsTheOldFileWhole) {
  // A file size limit makes the write fail part-way, as a full disk would.
  const std::string content = "[S]\r\nK=1\r\n; keep me\r\n";
  WriteBytes(Path, content);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  EXPECT_THROW(TIniFile(Path).WriteKey("S", "Big", std::string(100000, 'x')), TIniError);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
  EXPECT_EQ(ReadBytes(Path), content);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Folder.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(IniFileTest, ReadOnlyFileIsNotReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser may write read-only files";
  const std::string content = "[S]\r\nK=1\r\n";
  WriteBytes(Path, content);
  ASSERT_EQ(chmod(Path.c_str(), 0444), 0);
  EXPECT_THROW(TIniFile(Path).WriteKey("S", "K", "2"), TIniError);
  EXPECT_THROW(TIniFile(Path).EraseSection("S"), TIniError);
  TIniFile(Path).DeleteKey("S", "K");
  EXPECT_EQ(ReadBytes(Path), content);
}

TEST_F(IniFileTest, WriteThroughASymbolicLinkReplacesItsTarget) {
  const std::string target = Folder.File("real.qvl");
  WriteBytes(target, "[S]\r\nK=1\r\n");
  std::filesystem::create_symlink(target, Path);
  TIniFile(Path).WriteKey("S", "K", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(Path));
  EXPECT_EQ(ReadBytes(target), "[S]\r\nK=2\r\n");
}

TEST_F(IniFileTest, NamesAndValuesThatALineCannotHoldAreRefused) {
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"S", "K", "two\r\nlines"}, {"S", "K", "lf\nonly"}, {"S", "K=", "v"},  {"S", "", "v"},
      {"S", ";K", "v"},           {"S", "[K]", "v"},      {"S", " K", "v"}, {"S", "K\n", "v"},
      {"", "K", "v"},             {"S\r\n[T]", "K", "v"}, {" S", "K", "v"},
  };
  const std::string content = "[S]\r\nK=1\r\n";
  for (const Case& c : cases) {
    WriteBytes(Path, content);
    EXPECT_THROW(TIniFile(Path).WriteKey(c.section, c.key, c.value), TIniError) << c.section << "/" << c.key;
    EXPECT_EQ(ReadBytes(Path), content);
  }
}

TEST_F(IniFileTest, ByteOrderMarkIsSkippedWhenReadingAndKeptWhenWriting) {
  const std::string mark = "\xEF\xBB\xBF";
  WriteBytes(Path, mark + "[General]\r\nProtocol=1\r\nInputDateFormat=3\r\n");
  EXPECT_EQ(ReadGeneral(TIniFile(Path)), (TGeneralSettings{1, 3, 0}));
  EXPECT_EQ(TIniMemory(Path).ReadValue("general", "Protocol", ""), "1");
  EXPECT_EQ(TIniFile(Path).ReadSectionKeys("General"), (std::vector<std::string>{"Protocol", "InputDateFormat"}));

  const auto write = [](TIniFile& f) { f.WriteKey("General", "Protocol", "0"); };
  EXPECT_EQ(After(mark + "[General]\r\nProtocol=1\r\n", write), mark + "[General]\r\nProtocol=0\r\n");
  EXPECT_EQ(After(mark, write), mark + "[General]\r\nProtocol=0\r\n");
  EXPECT_EQ(After(mark + "[General]\r\nProtocol=1\r\n[B]\r\n", [](TIniFile& f) { f.EraseSection("General"); }),
            mark + "[B]\r\n");
  // Only a mark at the very start is one.
  EXPECT_EQ(After("[A]\r\n" + mark + "X=1\r\n", [](TIniFile& f) { f.WriteKey("A", "X", "2"); }),
            "[A]\r\n" + mark + "X=1\r\nX=2\r\n");
}

// Paths that must never be read as a terminal file: reading them could block (a FIFO),
// never end (/dev/zero) or exhaust the memory. They are refused before anything is read,
// with the reason, and never replaced.
TEST_F(IniFileTest, PathsThatAreNotRegularFilesOrTooLargeAreRefusedBeforeReading) {
  const std::string folder = Folder.File("folder.qvl");
  std::filesystem::create_directory(folder);
  const std::string fifo = Folder.File("fifo.qvl");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string large = Folder.File("large.qvl");
  WriteBytes(large, "[General]\r\nProtocol=1\r\n");
  ASSERT_EQ(truncate(large.c_str(), static_cast<off_t>(kMaxIniFileBytes) + 1), 0);  // sparse: costs no disk
  const struct {
    std::string path;
    std::string reason;
  } cases[] = {
      {folder, "it is a folder"},
      {fifo, "not a regular file"},
      {"/dev/zero", "not a regular file"},
      {large, "larger than 64 MiB"},
  };
  for (const auto& c : cases) {
    TFileDevice device(c.path);
    std::string bytes = "stale";
    EXPECT_FALSE(device.Load(bytes)) << c.path;
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(device.FailureReason(), c.reason);
    try {
      TIniMemory memory(c.path);
      ADD_FAILURE() << "no error for " << c.path;
    } catch (const TIniError& error) {
      EXPECT_EQ(std::string(error.what()), "Unable to read " + c.path + ": " + c.reason);
    }
    EXPECT_EQ(TIniFile(c.path).ReadValue("General", "Protocol", "none"), "none");
    try {
      TIniFile(c.path).WriteKey("General", "Protocol", "0");
      ADD_FAILURE() << "no error for " << c.path;
    } catch (const TIniError& error) {
      EXPECT_EQ(std::string(error.what()), "Unable to write to " + c.path + ": " + c.reason);
    }
  }
  struct stat info {};
  ASSERT_EQ(stat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(std::filesystem::file_size(large), kMaxIniFileBytes + 1);

  // A file of exactly the limit is read.
  ASSERT_EQ(truncate(large.c_str(), static_cast<off_t>(kMaxIniFileBytes)), 0);
  EXPECT_EQ(TIniMemory(large).ReadValue("General", "Protocol", ""), "1");
}

// A small tmpfs remounted read-only: the file system refuses the write, whoever we are.
TEST_F(IniFileTest, RefusedWriteSaysWhyAndKeepsTheFile) {
  const std::string mountPoint = Folder.File("ro");
  std::filesystem::create_directory(mountPoint);
  if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
  const std::string path = mountPoint + "/shop.qvl";
  const std::string content = "[S]\r\nK=1\r\n";
  WriteBytes(path, content);
  const bool readOnly = mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  if (readOnly) {
    try {
      TIniFile(path).WriteKey("S", "K", "2");
      ADD_FAILURE() << "no error";
    } catch (const TIniError& error) {
      EXPECT_EQ(std::string(error.what()), "Unable to write to " + path + ": Read-only file system");
    }
    EXPECT_EQ(ReadBytes(path), content);
  }
  umount(mountPoint.c_str());
  if (!readOnly) GTEST_SKIP() << "cannot remount the tmpfs read-only";
}

// The names in folder that start with prefix.
std::vector<std::string> NamesStartingWith(const std::filesystem::path& folder, const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix)) names.push_back(name);
  }
  return names;
}

// A writer killed with SIGKILL in the middle of a replacement leaves its temporary file;
// the next write of the same file removes it, and leaves those of living writers alone.
TEST_F(IniFileTest, TemporaryFilesOfAKilledWriterGoAtTheNextWrite) {
  WriteBytes(Path, "[S]\r\nK=1\r\n");
  const std::string big(8 << 20, 'x');  // a write long enough to be caught in the middle
  const int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, Folder.Path().c_str(), IN_CREATE), 0);

  std::vector<std::string> debris;
  for (int attempt = 0; attempt < 20 && debris.empty(); ++attempt) {
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      for (;;) {
        try {
          TIniFile(Path).WriteKey("S", "Big", big);
        } catch (...) {
        }
      }
    }
    // Wait until the writer has created its temporary file, then kill it at once.
    const std::string prefix = ".test.qvl.tmp" + std::to_string(writer) + "-";
    alignas(inotify_event) char events[4096];
    for (bool created = false; !created;) {
      const ssize_t got = read(watch, events, sizeof events);
      ASSERT_GT(got, 0);
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        if (event->len > 0 && std::string(event->name).starts_with(prefix)) created = true;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    debris = NamesStartingWith(Folder.Path(), prefix);
  }
  close(watch);
  ASSERT_FALSE(debris.empty()) << "the writer was never caught in the middle of a write";

  // A temporary file of a process that still runs, even a hand-made one, stays.
  int hold[2];
  ASSERT_EQ(pipe(hold), 0);
  const pid_t living = fork();
  ASSERT_GE(living, 0);
  if (living == 0) {
    close(hold[1]);
    char byte;
    (void)!read(hold[0], &byte, 1);  // until the test closes its end
    _exit(0);
  }
  close(hold[0]);
  const std::string livingTemporary = ".test.qvl.tmp" + std::to_string(living) + "-7";
  WriteBytes(Folder.File(livingTemporary), "in progress");

  TIniFile(Path).WriteKey("S", "K", "2");
  EXPECT_EQ(TIniFile(Path).ReadValue("S", "K", ""), "2");
  for (const std::string& name : debris) EXPECT_FALSE(std::filesystem::exists(Folder.File(name))) << name;
  EXPECT_TRUE(std::filesystem::exists(Folder.File(livingTemporary)));
  close(hold[1]);
  waitpid(living, nullptr, 0);
}

TEST(IniLinesTest, SplitsEveryKindOfLineEnding) {
  const std::string text = "pre=1\r\n[A]\rK=v\n\r\nlast";
  const auto lines = SplitIniLines(text);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].Kind, TIniLineKind::Other);  // before the first section
  EXPECT_EQ(lines[1].Kind, TIniLineKind::Section);
  EXPECT_EQ(lines[1].Name, "A");
  EXPECT_EQ(lines[2].Kind, TIniLineKind::Key);
  EXPECT_EQ(lines[2].Value, "v");
  EXPECT_EQ(lines[3].Begin, lines[3].End);
  EXPECT_EQ(lines[4].End, text.size());
  EXPECT_EQ(lines[4].Next, text.size());
  EXPECT_EQ(lines[2].Next - lines[2].End, 1u);
  EXPECT_EQ(lines[0].Next - lines[0].End, 2u);
}

}  // namespace
}  // namespace quorvel::model
