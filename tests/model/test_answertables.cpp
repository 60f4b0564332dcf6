// SPDX-License-Identifier: MIT
// The return-code table and the fixed-answer sections as their editors change them:
// exact bytes on disk after each change, and refusals that leave file and table alone.
#include <gtest/gtest.h>

#include <functional>

#include "common/tempfolder.h"
#include "model/answertables.h"
#include "model/errors.h"
#include "model/inimemory.h"

namespace quorvel::model {
namespace {

using quorvel::testing::ReadBytes;
using quorvel::testing::TTempFolder;
using quorvel::testing::WriteBytes;

class AnswerTablesTest : public ::testing::Test {
 protected:
  TTempFolder Folder;
  std::string Path = Folder.File("test.qvl");

  // Writes content, runs one change on the return-code table and returns the bytes on disk.
  std::string AfterRc(const std::string& content, const std::function<void(TReturnCodeTable&)>& change) {
    WriteBytes(Path, content);
    TReturnCodeTable table(Path);
    change(table);
    return ReadBytes(Path);
  }
  std::string AfterFixed(const std::string& content, const std::function<void(TFixedAnswerSection&)>& change) {
    WriteBytes(Path, content);
    TFixedAnswerSection section(Path, std::string(kSectionFiscalAnswer));
    change(section);
    return ReadBytes(Path);
  }
};

// ---- return codes ----

TEST(ReturnCodeRules, NormalisingACode) {
  struct Case {
    const char* typed;
    const char* stored;
  };
  const Case cases[] = {{"007", "7"}, {"7", "7"}, {"0", "0"}, {"000", "0"}, {"99999", "99999"}, {"0012345", "12345"}};
  for (const Case& c : cases) EXPECT_EQ(NormaliseReturnCode(c.typed), c.stored) << c.typed;

  for (const char* bad : {"", "abc", "-1", "+5", " 5", "5 ", "0x10", "1.5"}) {
    try {
      NormaliseReturnCode(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const TConvertError& error) {
      EXPECT_EQ(std::string(error.what()), "'" + std::string(bad) + "' is not a valid integer value");
    }
  }
  EXPECT_THROW(NormaliseReturnCode("100000"), TEditRefused);
}

TEST(ReturnCodeRules, SortIsNumericAndKeepsEqualCodesInOrder) {
  std::vector<TReturnCodeEntry> rows{{"10", "ten"}, {"2", "two"}, {"5", "five"}, {"2", "again"}, {"100", "c"}};
  SortReturnCodes(rows);
  EXPECT_EQ(rows,
            (std::vector<TReturnCodeEntry>{{"2", "two"}, {"2", "again"}, {"5", "five"}, {"10", "ten"}, {"100", "c"}}));

  // A stored code that is not a number stops the sort before anything moves.
  std::vector<TReturnCodeEntry> broken{{"10", "a"}, {"x7", "b"}, {"2", "c"}};
  const auto before = broken;
  EXPECT_THROW(SortReturnCodes(broken), TConvertError);
  EXPECT_EQ(broken, before);
  // A single entry needs no sort, whatever it holds.
  std::vector<TReturnCodeEntry> single{{"x7", "b"}};
  EXPECT_NO_THROW(SortReturnCodes(single));
}

TEST_F(AnswerTablesTest, ReturnCodeChangesGiveTheseBytes) {
  struct Case {
    const char* name;
    std::string before;
    std::function<void(TReturnCodeTable&)> change;
    std::string after;
  };
  const std::string head = "[General]\r\nProtocol=1\r\n";
  const Case cases[] = {
      {"add into an empty file", "", [](auto& t) { t.Add("007", "Seven"); }, "[Return codes]\r\nRC7=Seven\r\n"},
      {"add sorts by number, not text", head + "[Return codes]\r\nRC10=Ten\r\nRC2=Two\r\n[Groups]\r\n",
       [](auto& t) { t.Add("5", "Five"); }, head + "[Groups]\r\n[Return codes]\r\nRC2=Two\r\nRC5=Five\r\nRC10=Ten\r\n"},
      {"modify keeping the code, typed with zeros", "[Return codes]\r\nRC3=Old\r\nRC1=One\r\n",
       [](auto& t) { t.Modify(0, "0003", "New"); }, "[Return codes]\r\nRC1=One\r\nRC3=New\r\n"},
      {"modify to a free code re-sorts", "[Return codes]\r\nRC1=One\r\nRC3=Three\r\n",
       [](auto& t) { t.Modify(0, "9", "Nine"); }, "[Return codes]\r\nRC3=Three\r\nRC9=Nine\r\n"},
      {"remove keeps the others' order", "[Return codes]\r\nRC9=a\r\nRC1=b\r\nRC5=c\r\n", [](auto& t) { t.Remove(1); },
       "[Return codes]\r\nRC9=a\r\nRC5=c\r\n"},
      {"removing the only entry erases the section", head + "[Return codes]\r\nRC1=x\r\n[Groups]\r\nA=\r\n",
       [](auto& t) { t.Remove(0); }, head + "[Groups]\r\nA=\r\n"},
      {"a description with quotes is written as typed", "", [](auto& t) { t.Add("4", "\"Paper\" low, \"soon\""); },
       "[Return codes]\r\nRC4=\"Paper\" low, \"soon\"\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(AfterRc(c.before, c.change), c.after) << c.name;
}

TEST_F(AnswerTablesTest, RowsKeepTheFileOrderUntilTheFirstSortingChange) {
  WriteBytes(Path, "[Return codes]\r\nRC10=Ten\r\nrc2= Two \r\nRC5=\"Five\"\r\n");
  TReturnCodeTable table(Path);
  // Quotes are kept: the editor shows the description as the terminal window does.
  EXPECT_EQ(table.Rows(), (std::vector<TReturnCodeEntry>{{"10", "Ten"}, {"2", "Two"}, {"5", "\"Five\""}}));
  table.Add("1", "One");
  EXPECT_EQ(table.Rows(),
            (std::vector<TReturnCodeEntry>{{"1", "One"}, {"2", "Two"}, {"5", "\"Five\""}, {"10", "Ten"}}));
  // A description that begins and ends with a quote reads back whole.
  EXPECT_EQ(TReturnCodeTable(Path).Rows(), table.Rows());
}

TEST_F(AnswerTablesTest, RefusedReturnCodeChangesLeaveFileAndTable) {
  const std::string content = "[Return codes]\r\nRC7=Seven\r\nRC2=Two\r\n";
  struct Case {
    const char* name;
    std::function<void(TReturnCodeTable&)> change;
    std::string message;
  };
  const Case cases[] = {
      {"add an existing code", [](auto& t) { t.Add("007", "Again"); }, "The return codes already exits !!!"},
      {"modify onto another entry", [](auto& t) { t.Modify(1, "7", "x"); }, "The return codes already exits !!!"},
      {"code that is not a number", [](auto& t) { t.Add("x1", "x"); }, "'x1' is not a valid integer value"},
      {"empty description", [](auto& t) { t.Add("3", ""); }, "A return code needs a description"},
      {"line break", [](auto& t) { t.Add("3", "two\nlines"); },
       "A return code description is one line: line breaks are refused"},
      {"carriage return", [](auto& t) { t.Modify(0, "7", "two\rlines"); },
       "A return code description is one line: line breaks are refused"},
      {"row out of range", [](auto& t) { t.Remove(2); }, "There is no return code row 3 (it has 2)"},
  };
  for (const Case& c : cases) {
    WriteBytes(Path, content);
    TReturnCodeTable table(Path);
    const auto rows = table.Rows();
    try {
      c.change(table);
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const std::exception& error) {
      EXPECT_EQ(error.what(), c.message) << c.name;
    }
    EXPECT_EQ(table.Rows(), rows) << c.name;
    EXPECT_EQ(ReadBytes(Path), content) << c.name;
  }
}

TEST_F(AnswerTablesTest, AHandEditedCodeIsShownAndStopsTheSortWithoutWriting) {
  const std::string content = "[Return codes]\r\nRCabc=Odd\r\nRC2=Two\r\n";
  WriteBytes(Path, content);
  TReturnCodeTable table(Path);
  EXPECT_EQ(table.Rows().front(), (TReturnCodeEntry{"abc", "Odd"}));
  for (const auto& change : std::vector<std::function<void()>>{
           [&] { table.Add("5", "Five"); },         // the sort meets "abc"
           [&] { table.Modify(0, "abc", "Odd"); },  // the row's own code is read as a number
           [&] { table.Modify(1, "3", "Three"); }}) {
    try {
      change();
      ADD_FAILURE() << "accepted";
    } catch (const TConvertError& error) {
      EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(ReadBytes(Path), content);
  }
  // Giving the row a number mends the table, and removing needs no sort.
  table.Modify(0, "9", "Nine");
  EXPECT_EQ(ReadBytes(Path), "[Return codes]\r\nRC2=Two\r\nRC9=Nine\r\n");
}

TEST_F(AnswerTablesTest, FindingACodeByItsNumber) {
  WriteBytes(Path, "[Return codes]\r\nRC10=Ten\r\nRCabc=Odd\r\nRC0=Zero\r\n");
  const TReturnCodeTable table(Path);
  struct Case {
    const char* code;
    std::optional<std::size_t> row;
  };
  const Case cases[] = {{"10", 0}, {"010", 0}, {"abc", 1},          {"ABC", 1},
                        {"0", 2},  {"000", 2}, {"1", std::nullopt}, {"", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(table.Find(c.code), c.row) << c.code;
}

TEST(ReturnCodeDevice, ARefusedWriteKeepsTheTableAndTheOldContentAndStoresOnce) {
  const std::string content = "[Return codes]\r\nRC1=One\r\n";
  auto device = std::make_shared<TMemoryDevice>(content, "dev.qvl");
  TReturnCodeTable table(device);
  table.Add("2", "Two");
  EXPECT_EQ(device->StoreCount, 1);
  device->RefuseStore = true;
  const auto rows = table.Rows();
  const std::string before = device->Bytes;
  try {
    table.Add("3", "Three");
    ADD_FAILURE() << "accepted";
  } catch (const TIniError& error) {
    EXPECT_STREQ(error.what(), "Unable to write to dev.qvl");
  }
  EXPECT_THROW(table.Remove(0), TIniError);
  EXPECT_EQ(table.Rows(), rows);
  EXPECT_EQ(device->Bytes, before);
}

// ---- fixed answers ----

TEST(FixedAnswerRules, PaddingAndMakingARecord) {
  struct Pad {
    const char* typed;
    const char* stored;
  };
  for (const Pad& c :
       {Pad{"a", "000a"}, Pad{"F", "000F"}, Pad{"1b", "001b"}, Pad{"ABC", "0ABC"}, Pad{"ff11", "ff11"}, Pad{"", ""}})
    EXPECT_EQ(PadHexWord(c.typed), c.stored) << c.typed;

  EXPECT_EQ(MakeFixedAnswerRow("16", "a", "0", "Paper out", clRed),
            (TFixedAnswerRow{"16", "000a", "0000", "Paper out", "clRed"}));
  EXPECT_EQ(MakeFixedAnswerRow("01", "FFFF", "00f0", std::string(25, 'x'), 0x00123456).Color, "$00123456");
  EXPECT_EQ(MakeFixedAnswerRow("1", "1", "1", "t", clNone).Color, "clNone");

  struct Bad {
    const char* panel;
    const char* mask;
    const char* result;
    std::string text;
    std::string message;
  };
  const Bad bad[] = {
      {"0", "1", "1", "t", "The panel number must be 1 to 16: 0"},
      {"17", "1", "1", "t", "The panel number must be 1 to 16: 17"},
      {"", "1", "1", "t", "The panel number must be 1 to 16: "},
      {"x", "1", "1", "t", "The panel number must be 1 to 16: x"},
      {"1", "", "1", "t", "The mask must be 1 to 4 hexadecimal digits: "},
      {"1", "12345", "1", "t", "The mask must be 1 to 4 hexadecimal digits: 12345"},
      {"1", "1", "g", "t", "The result must be 1 to 4 hexadecimal digits: g"},
      {"1", "1", "1", "", "The text on true cannot be empty"},
      {"1", "1", "1", std::string(26, 'y'), "The text on true has at most 25 characters: " + std::string(26, 'y')},
      {"1", "1", "1", "a\nb", "The text on true is one line: line breaks are refused"},
  };
  for (const Bad& c : bad) {
    try {
      MakeFixedAnswerRow(c.panel, c.mask, c.result, c.text, clBlack);
      ADD_FAILURE() << c.message << ": accepted";
    } catch (const TEditRefused& error) {
      EXPECT_EQ(error.what(), c.message);
    }
  }
}

TEST_F(AnswerTablesTest, FixedAnswerChangesGiveTheseBytes) {
  const TFixedAnswerRow red{"1", "FF11", "0011", "Message1", "clRed"};
  const TFixedAnswerRow lower{"2", "000a", "000a", "Lower", "clBlack"};
  struct Case {
    const char* name;
    std::string before;
    std::function<void(TFixedAnswerSection&)> change;
    std::string after;
  };
  const Case cases[] = {
      {"first record into an empty section", "[FiscalAnswer]\r\n[PrinterAnswer]\r\n", [&](auto& s) { s.Add(red); },
       "[PrinterAnswer]\r\n[FiscalAnswer]\r\nRecord1=1,1,FF11,0011,\"Message1\",clRed\r\n"},
      {"keys 3, 7, 9 renumbered 1 to 3 after a change",
       "[FiscalAnswer]\r\nRecord3=3,1,0001,0001,\"A\",clRed\r\nRecord7=7,2,0002,0002,\"B B\",clLime\r\n"
       "Record9=9,3,0004,0000,\"C\",$00123456\r\n",
       [&](auto& s) { s.Add(lower); },
       "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\nRecord2=2,2,0002,0002,\"B B\",clLime\r\n"
       "Record3=3,3,0004,0000,\"C\",$00123456\r\nRecord4=4,2,000a,000a,\"Lower\",clBlack\r\n"},
      {"modify replaces the row's cells", "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\n",
       [&](auto& s) { s.Modify(0, lower); }, "[FiscalAnswer]\r\nRecord1=1,2,000a,000a,\"Lower\",clBlack\r\n"},
      {"remove moves the later rows up",
       "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\nRecord2=2,2,0002,0002,\"B\",clLime\r\n"
       "Record3=3,3,0004,0000,\"C\",clBlue\r\n",
       [&](auto& s) { s.Remove(0); },
       "[FiscalAnswer]\r\nRecord1=1,2,0002,0002,\"B\",clLime\r\nRecord2=2,3,0004,0000,\"C\",clBlue\r\n"},
      {"removing the only record removes the section",
       "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\n[Groups]\r\n", [&](auto& s) { s.Remove(0); },
       "[Groups]\r\n"},
      {"a double quote in the text is doubled", "",
       [&](auto& s) {
         s.Add({"1", "0001", "0001", "Say \"hi\", then", "clRed"});
       },
       "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"Say \"\"hi\"\", then\",clRed\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(AfterFixed(c.before, c.change), c.after) << c.name;
}

TEST_F(AnswerTablesTest, FixedAnswerRowsReadBackAsWritten) {
  WriteBytes(Path, "");
  TFixedAnswerSection section(Path, std::string(kSectionPrinterAnswer));
  const std::vector<TFixedAnswerRow> rows{{"1", "FF11", "0011", "Say \"hi\", then", "clRed"},
                                          {"16", "000a", "000A", "\"quoted\"", "$00ABCDEF"},
                                          {"2", "0001", "0000", "two  blanks ", "clWhite"}};
  for (const auto& row : rows) section.Add(row);
  EXPECT_EQ(section.Rows(), rows);
  EXPECT_EQ(TFixedAnswerSection(Path, "printeranswer").Rows(), rows);
  // The terminal window reads the same records, the text whole.
  const auto table = ReadFixedAnswers(TIniMemory(Path), kSectionPrinterAnswer);
  ASSERT_EQ(table.Records.size(), 3u);
  EXPECT_EQ(table.Records[0].Text, "Say \"hi\", then");
  EXPECT_EQ(table.Records[1].Text, "\"quoted\"");
  EXPECT_EQ(table.Records[1].Mask, 0x000A);
}

TEST_F(AnswerTablesTest, AShortHandEditedLineLoadsWithEmptyCellsAndCanBeMendedOrRemoved) {
  const std::string content =
      "[FiscalAnswer]\r\nRecord1=1,1,0001\r\nRecord2=2,2,0002,0002,\"B\",clLime\r\nRecord3=\r\n";
  WriteBytes(Path, content);
  TFixedAnswerSection section(Path, std::string(kSectionFiscalAnswer));
  EXPECT_EQ(section.Rows(),
            (std::vector<TFixedAnswerRow>{
                {"1", "0001", "", "", ""}, {"2", "0002", "0002", "B", "clLime"}, {"", "", "", "", ""}}));
  section.Remove(2);
  section.Modify(0, {"1", "0001", "0001", "Mended", "clRed"});
  EXPECT_EQ(ReadBytes(Path),
            "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"Mended\",clRed\r\nRecord2=2,2,0002,0002,\"B\",clLime\r\n");
}

TEST(FixedAnswerDevice, ARefusedWriteKeepsTheRowsAndTheOldContent) {
  const std::string content = "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\n";
  auto device = std::make_shared<TMemoryDevice>(content, "dev.qvl");
  TFixedAnswerSection section(device, std::string(kSectionFiscalAnswer));
  device->RefuseStore = true;
  const auto rows = section.Rows();
  EXPECT_THROW(section.Add({"2", "0002", "0002", "B", "clLime"}), TIniError);
  EXPECT_THROW(section.Remove(0), TIniError);
  EXPECT_THROW(section.Modify(5, rows[0]), TEditRefused);
  EXPECT_EQ(section.Rows(), rows);
  EXPECT_EQ(device->Bytes, content);
}

}  // namespace
}  // namespace quorvel::model
