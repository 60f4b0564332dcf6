// SPDX-License-Identifier: MIT
// Terminal-file access: the new-file template, [General], return codes, fixed answers
// and the command tree, on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>

#include "common/tempfolder.h"
#include "model/answerdecode.h"
#include "model/errors.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"

namespace quorvel::model {
namespace {

using quorvel::testing::ReadBytes;
using quorvel::testing::TTempFolder;
using quorvel::testing::WriteBytes;

std::uint32_t Fnv1a(std::string_view bytes) {
  std::uint32_t hash = 0x811C9DC5u;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x01000193u;
  }
  return hash;
}

std::vector<std::string> SplitCrLf(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find("\r\n", begin)) != std::string_view::npos; begin = end + 2) {
    lines.emplace_back(text.substr(begin, end - begin));
  }
  EXPECT_EQ(begin, text.size()) << "text after the last CR LF";
  return lines;
}

class TerminalFileTest : public ::testing::Test {
 protected:
  TTempFolder Folder;
  std::string Path = Folder.File("printer.qvl");
};

TEST(NewFileTemplateTest, HasTheDocumentedShapeAndBytes) {
  const std::string_view text = NewFileTemplate();
  // 142 lines and six empty lines, all ended by CR LF, no other line breaks.
  const auto lines = SplitCrLf(text);
  ASSERT_EQ(lines.size(), 148u);
  for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  for (std::size_t i = 142; i < 148; ++i) EXPECT_EQ(lines[i], "") << "line " << i + 1;
  // Exactly these lines end with one blank.
  std::vector<int> trailing;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].empty() && lines[i].back() == ' ') {
      trailing.push_back(static_cast<int>(i + 1));
      EXPECT_NE(lines[i][lines[i].size() - 2], ' ') << "line " << i + 1;
    }
  }
  EXPECT_EQ(trailing, (std::vector<int>{11, 21, 32, 40, 49, 53, 61, 79, 85, 86, 89, 99, 104, 106, 117, 119}));
  EXPECT_EQ(lines[0], ";");
  EXPECT_EQ(lines[34], ";Record1=1,1,FF11,0011,\"Message1\",clRed");
  EXPECT_EQ(lines[130], "[General]");
  EXPECT_EQ(lines[141], "[Groups]");
  // Size and checksum taken from the format listing.
  EXPECT_EQ(text.size(), 4082u);
  EXPECT_EQ(Fnv1a(text), 0xA9DD02E8u);
}

TEST_F(TerminalFileTest, WriteTemplateCreatesOrReplacesTheFile) {
  WriteTemplate(Path);
  EXPECT_EQ(ReadBytes(Path), NewFileTemplate());
  WriteBytes(Path, "[Groups]\r\nOld=\r\n");
  ASSERT_EQ(chmod(Path.c_str(), 0600), 0);
  WriteTemplate(Path);
  EXPECT_EQ(ReadBytes(Path), NewFileTemplate());
  struct stat info {};
  ASSERT_EQ(stat(Path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);

  const std::string unreachable = Folder.File("no/such/folder.qvl");
  try {
    WriteTemplate(unreachable);
    FAIL() << "no error";
  } catch (const TIniError& error) {
    EXPECT_STREQ(error.what(), ("Unable to write to " + unreachable + ": No such file or directory").c_str());
  }
}

TEST_F(TerminalFileTest, ANewFileReadsAsAnEmptyTerminalFile) {
  WriteTemplate(Path);
  TIniFile file(Path);
  EXPECT_EQ(ReadGeneral(file), TGeneralSettings{});
  TIniMemory memory(Path);
  EXPECT_TRUE(ReadGroups(memory).empty());
  EXPECT_TRUE(ReadFixedAnswers(memory, kSectionFiscalAnswer).Records.empty());
  EXPECT_EQ(PanelCountOf(ReadFixedAnswers(memory, kSectionPrinterAnswer)), 0);
  EXPECT_EQ(ReadReturnCodeDescription(memory, 1), "");
  // The first group goes right under [Groups], before the six empty lines.
  file.WriteKey(kSectionGroups, "Sales", "");
  const std::string bytes = ReadBytes(Path);
  const std::string tail = "[Groups]\r\nSales=\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
  EXPECT_EQ(bytes.size(), NewFileTemplate().size() + 8);
}

TEST_F(TerminalFileTest, GeneralValues) {
  TIniFile file(Path);
  EXPECT_EQ(ReadGeneral(file), TGeneralSettings{});  // missing file
  WriteBytes(Path, "[General]\r\nProtocol=1\r\nInputDateFormat=seven\r\noutputdateformat=7\r\n");
  EXPECT_EQ(ReadGeneral(file), (TGeneralSettings{1, 0, 7}));
  WriteGeneral(file, {0, 3, 5});
  EXPECT_EQ(ReadBytes(Path), "[General]\r\nProtocol=0\r\nInputDateFormat=3\r\nOutputDateFormat=5\r\n");
}

TEST_F(TerminalFileTest, ReturnCodes) {
  EXPECT_EQ(ReturnCodeKey(33), "RC33");
  EXPECT_EQ(ReturnCodeKey(0), "RC0");
  WriteBytes(Path, "[Return codes]\r\nRC10=Paper out\r\nrc2= Cover open \r\n");
  TIniMemory memory(Path);
  EXPECT_EQ(ReadReturnCodeDescription(memory, 10), "Paper out");
  EXPECT_EQ(ReadReturnCodeDescription(memory, 2), " Cover open ");
  EXPECT_EQ(ReadReturnCodeDescription(memory, 3), "");

  TIniFile file(Path);
  EXPECT_EQ(ReadReturnCodes(file), (std::vector<TReturnCodeEntry>{{"10", "Paper out"}, {"2", "Cover open"}}));
  WriteReturnCodes(file, {{"2", "Cover open"}, {"5", "Jam"}, {"10", "Paper out"}});
  EXPECT_EQ(ReadBytes(Path), "[Return codes]\r\nRC2=Cover open\r\nRC5=Jam\r\nRC10=Paper out\r\n");
  WriteReturnCodes(file, {});
  EXPECT_EQ(ReadBytes(Path), "");
}

TEST_F(TerminalFileTest, FixedAnswerRecordsAsTheTerminalWindowReadsThem) {
  WriteBytes(Path,
             "[FiscalAnswer]\r\n"
             "Record1=1,1,FF11,0011,\"Message1\",clRed\r\n"
             "Record2=2,3,ff00,0100,\"Two, with comma\",clgreen\r\n"
             "Record3=3,2,0001,0001,\"Numbered\",$00123456\r\n"
             "Record4=4,16,8000,8000,Bare,255\r\n");
  const auto table = ReadFixedAnswers(TIniMemory(Path), kSectionFiscalAnswer);
  ASSERT_EQ(table.Records.size(), 4u);
  EXPECT_EQ(table.Records[0], (TFixedAnswer{1, 0xFF11, 0x0011, "Message1", 0x0000FF}));
  EXPECT_EQ(table.Records[1], (TFixedAnswer{3, 0xFF00, 0x0100, "Two, with comma", 0x008000}));
  EXPECT_EQ(table.Records[2].Color, 0x123456u);
  EXPECT_EQ(table.Records[3], (TFixedAnswer{16, 0x8000, 0x8000, "Bare", 255}));
  EXPECT_EQ(PanelCountOf(table), 16);
  // The INI layer reads them the same way.
  EXPECT_EQ(ReadFixedAnswers(TIniFile(Path), "fiscalanswer").Records, table.Records);
}

TEST_F(TerminalFileTest, BadFixedAnswerValuesStopTheReading) {
  struct Case {
    const char* value;
    const char* offending;
  };
  const Case cases[] = {
      {"1,x,FF11,0011,\"M\",clRed", "x"},        {"1,1,FG11,0011,\"M\",clRed", "FG11"},
      {"1,1,FF11,1FFFF,\"M\",clRed", "1FFFF"},   {"1,1,FF11,0011,\"M\",clPink", "clPink"},
      {"1,1,FF11", ""},                          {"1,1,,0011,\"M\",clRed", ""},
  };
  for (const Case& c : cases) {
    WriteBytes(Path, std::string("[PrinterAnswer]\r\nRecord1=") + c.value + "\r\n");
    try {
      ReadFixedAnswers(TIniMemory(Path), kSectionPrinterAnswer);
      ADD_FAILURE() << "no error for " << c.value;
    } catch (const TConvertError& error) {
      EXPECT_EQ(error.Text(), c.offending) << c.value;
      EXPECT_EQ(error.what(), "'" + std::string(c.offending) + "' is not a valid integer value (file " + Path +
                                  ", section [PrinterAnswer], key Record1)")
          << c.value;
    }
  }
}

TEST_F(TerminalFileTest, FixedAnswerTableHoldsSeventyRecordsOnPanelsOneToSixteen) {
  std::string content = "[FiscalAnswer]\r\nRecord1=1,0,0001,0001,\"panel 0\",clRed\r\nRecord2=2,17,0001,0001,\"panel 17\",clRed\r\n";
  for (int i = 3; i <= 80; ++i) {
    content += "Record" + std::to_string(i) + "=" + std::to_string(i) + "," + std::to_string(i % 5 + 1) +
               ",0001,0001,\"R" + std::to_string(i) + "\",clBlue\r\n";
  }
  WriteBytes(Path, content);
  const auto table = ReadFixedAnswers(TIniMemory(Path), kSectionFiscalAnswer);
  ASSERT_EQ(table.Records.size(), kMaxFixedAnswerRecords);
  EXPECT_EQ(table.Records.front().Text, "R3");
  EXPECT_EQ(table.Records.back().Text, "R72");
  EXPECT_EQ(PanelCountOf(table), 5);
}

TEST_F(TerminalFileTest, WrittenFixedAnswersReadBack) {
  const std::vector<TFixedAnswer> records{
      {1, 0xFF11, 0x0011, "Message1", clRed},
      {2, 0x000F, 0x0000, "Said \"no\", twice", 0x00ABCDEF},
      {16, 0x0001, 0x0001, "", clNone},
  };
  EXPECT_EQ(FixedAnswerRecordValue(1, records[0]), "1,1,FF11,0011,\"Message1\",clRed");
  EXPECT_EQ(FixedAnswerRecordValue(2, records[1]), "2,2,000F,0000,\"Said \"\"no\"\", twice\",$00ABCDEF");
  WriteBytes(Path, "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"old\",clRed\r\nRecord2=2,1,0001,0001,\"old\",clRed\r\n[Groups]\r\n");
  TIniFile file(Path);
  WriteFixedAnswers(file, kSectionFiscalAnswer, records);
  EXPECT_EQ(ReadBytes(Path), "[Groups]\r\n[FiscalAnswer]\r\n"
                             "Record1=1,1,FF11,0011,\"Message1\",clRed\r\n"
                             "Record2=2,2,000F,0000,\"Said \"\"no\"\", twice\",$00ABCDEF\r\n"
                             "Record3=3,16,0001,0001,\"\",clNone\r\n");
  EXPECT_EQ(ReadFixedAnswers(TIniMemory(Path), kSectionFiscalAnswer).Records, records);
  WriteFixedAnswers(file, kSectionFiscalAnswer, {});
  EXPECT_EQ(ReadBytes(Path), "[Groups]\r\n");
}

TEST_F(TerminalFileTest, CommandTreeInFileOrder) {
  WriteBytes(Path, "[Groups]\r\nSales=\r\nReports=\r\n[sales]\r\nOpen=\r\nClose=\r\n[SalesOpen]\r\nCommands=\r\nAnswers=\r\n");
  TIniMemory memory(Path);
  EXPECT_EQ(ReadGroups(memory), (std::vector<std::string>{"Sales", "Reports"}));
  EXPECT_EQ(ReadGroupCommands(memory, "Sales"), (std::vector<std::string>{"Open", "Close"}));
  EXPECT_TRUE(ReadGroupCommands(memory, "Reports").empty());
  EXPECT_EQ(CommandSectionName("Sales", "Open"), "SalesOpen");
  EXPECT_TRUE(memory.SectionExists(CommandSectionName("sales", "open")));
}

}  // namespace
}  // namespace quorvel::model
