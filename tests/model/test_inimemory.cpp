// SPDX-License-Identifier: MIT
// The in-memory copy: exact values, its own key matching, reload, kept sections.
#include <gtest/gtest.h>

#include <memory>

#include "common/tempfolder.h"
#include "model/extinifile.h"
#include "model/errors.h"
#include "model/inimemory.h"

namespace quorvel::model {
namespace {

using quorvel::testing::TTempFolder;
using quorvel::testing::WriteBytes;

class IniMemoryTest : public ::testing::Test {
 protected:
  TTempFolder Folder;
  std::string Path = Folder.File("test.qvl");
};

TEST_F(IniMemoryTest, ValuesAreTheExactTextAfterTheEqualsSign) {
  const std::string longValue(9000, 'v');
  WriteBytes(Path, "[CL]\r\nCL1=\"\"1\",\"2\"\"\r\nNotes= \"padded\" \r\nLong=" + longValue + "\r\nEmpty=\r\n");
  TIniMemory memory(Path);
  TIniFile layer(Path);
  // The stored quotes stay in the copy, the INI layer removes them.
  EXPECT_EQ(memory.ReadValue("CL", "CL1", ""), "\"\"1\",\"2\"\"");
  EXPECT_EQ(layer.ReadValue("CL", "CL1", ""), "\"1\",\"2\"");
  EXPECT_EQ(memory.ReadValue("cl", "notes", ""), " \"padded\" ");
  EXPECT_EQ(layer.ReadValue("cl", "notes", ""), "padded");
  EXPECT_EQ(memory.ReadValue("CL", "Long", ""), longValue);  // no length limit
  EXPECT_EQ(memory.ReadValue("CL", "Empty", "default"), "");
  EXPECT_EQ(memory.ReadValue("CL", "Missing", "default"), "default");
  EXPECT_EQ(memory.ReadValue("Missing", "CL1", "default"), "default");
}

TEST_F(IniMemoryTest, AKeyWrittenWithBlanksBeforeTheEqualsSignIsNotFound) {
  WriteBytes(Path, "[S]\r\nSpaced =1\r\nTight=2\r\n");
  TIniMemory memory(Path);
  EXPECT_EQ(memory.ReadValue("S", "Spaced", "none"), "none");
  EXPECT_EQ(memory.ReadValue("s", "TIGHT", "none"), "2");
  EXPECT_EQ(TIniFile(Path).ReadValue("S", "Spaced", "none"), "1");
}

TEST_F(IniMemoryTest, SectionKeysInFileOrderAndTheFirstOfRepeatedSections) {
  WriteBytes(Path, "ignored=1\r\n[Groups]\r\nSales=\r\n; c\r\nReports=\r\n[Sales]\r\nOpen=\r\nClose=\r\n[GROUPS]\r\nLate=\r\n");
  TIniMemory memory(Path);
  EXPECT_EQ(memory.ReadSectionKeys("groups"), (std::vector<std::string>{"Sales", "Reports"}));
  EXPECT_EQ(memory.ReadSectionKeys("Sales"), (std::vector<std::string>{"Open", "Close"}));
  EXPECT_TRUE(memory.ReadSectionKeys("Reports").empty());
  EXPECT_TRUE(memory.SectionExists("SALES"));
  EXPECT_FALSE(memory.SectionExists("Reports"));
}

TEST_F(IniMemoryTest, OnlyTheNamedSectionsAreKept) {
  WriteBytes(Path, "[Groups]\r\nSales=\r\n[fiscalanswer]\r\nA=1\r\n[Sales]\r\nOpen=\r\n[PrinterAnswer]\r\nB=2\r\n");
  const TIniMemory tables(Path, {"FiscalAnswer", "PRINTERANSWER"});
  EXPECT_EQ(tables.ReadValue("FiscalAnswer", "A", ""), "1");
  EXPECT_EQ(tables.ReadValue("printeranswer", "b", ""), "2");
  EXPECT_FALSE(tables.SectionExists("Groups"));
  EXPECT_TRUE(tables.ReadSectionKeys("Sales").empty());
}

// The copy holds its keys as places in its own bytes: a copy made from it, and a copy
// kept after the original is gone, read the same values.
TEST_F(IniMemoryTest, ACopyOutlivesItsOriginal) {
  WriteBytes(Path, "[S]\r\nK=v\r\n");
  auto original = std::make_unique<TIniMemory>(Path);
  const TIniMemory copy = *original;
  TIniMemory moved = std::move(*original);
  original.reset();
  EXPECT_EQ(copy.ReadValue("S", "K", ""), "v");
  EXPECT_EQ(moved.ReadValue("S", "K", ""), "v");
}

TEST_F(IniMemoryTest, ReloadPicksUpChangesAndAMissingFileLoadsEmpty) {
  TIniMemory memory(Path);
  EXPECT_TRUE(memory.ReadSectionKeys("Groups").empty());
  TIniFile(Path).WriteKey("Groups", "Sales", "");
  EXPECT_TRUE(memory.ReadSectionKeys("Groups").empty());  // a copy until reloaded
  memory.Reload();
  EXPECT_EQ(memory.ReadSectionKeys("Groups"), (std::vector<std::string>{"Sales"}));
}

// A file that exists but cannot be read is refused rather than shown as empty, and a
// failed reload keeps what the copy held.
TEST(IniMemoryDeviceTest, UnreadableFileIsRefusedAndAFailedReloadKeepsTheCopy) {
  auto device = std::make_shared<TMemoryDevice>("[S]\r\nK=1\r\n");
  device->RefuseLoad = true;
  EXPECT_THROW(TIniMemory{device}, TIniError);
  device->RefuseLoad = false;
  TIniMemory memory(device);
  device->Bytes = "[S]\r\nK=2\r\n";
  device->RefuseLoad = true;
  EXPECT_THROW(memory.Reload(), TIniError);
  EXPECT_EQ(memory.ReadValue("S", "K", "default"), "1");
  device->RefuseLoad = false;
  memory.Reload();
  EXPECT_EQ(memory.ReadValue("S", "K", "default"), "2");
}

}  // namespace
}  // namespace quorvel::model
