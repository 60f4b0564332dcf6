// SPDX-License-Identifier: MIT
#include "model/fieldrecords.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/tempfolder.h"
#include "model/errors.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"

namespace quorvel::model {
namespace {

// A terminal file in a fresh temporary folder.
class FieldRecordFile : public ::testing::Test {
 protected:
  void WriteText(const std::string& text) const { testing::WriteBytes(Path, text); }
  std::string ReadText() const { return testing::ReadBytes(Path); }

  const testing::TTempFolder Folder{"quorvel-fieldrecords"};
  const std::string Path = Folder.File("test.qvl");
};

// Twelve values of one command field record as stored.
std::string Record(const std::string& mode, const std::string& textType = "0", const std::string& control = "0",
                   const std::string& maxLength = "0", const std::string& required = "0",
                   const std::string& readOnly = "0", const std::string& minLength = "0",
                   const std::string& decimals = "0", const std::string& autoInc = "0") {
  return mode + ",\"Cap\",\"Hint\"," + textType + ",\"Def\"," + control + "," + maxLength + "," + required + "," +
         readOnly + "," + minLength + "," + decimals + "," + autoInc;
}

TEST(ParseCommandDefinition, ReadsTheElevenValuesOfEachField) {
  const TCommandDefinition definition = ParseCommandDefinition(
      "0,\"&Amount\",\"Total amount\",2,\"\",0,12,1,0,10,2,0,"
      "1,\"Name, first\",\"\",0,\"x'41'\",1,abc,2,1,-3,zz,5");
  ASSERT_EQ(definition.Fields.size(), 2u);
  EXPECT_EQ(definition.Mode, 0);  // the second field's mode 1 is never read
  const TCommandField& amount = definition.Fields[0];
  EXPECT_EQ(amount, (TCommandField{0, "&Amount", "Total amount", 2, "", 0, 12, true, false, 10, 2, false}));
  const TCommandField& name = definition.Fields[1];
  EXPECT_EQ(name.Mode, 0);
  EXPECT_EQ(name.Caption, "Name, first");  // the quoted comma does not split the record
  EXPECT_EQ(name.DefaultText, "x'41'");
  EXPECT_EQ(name.ControlType, 1);
  EXPECT_EQ(name.MaxLength, 0);  // lenient: abc reads as 0
  EXPECT_TRUE(name.Required);    // strict, nonzero: 2 is true
  EXPECT_TRUE(name.ReadOnly);
  EXPECT_EQ(name.MinLength, -3);
  EXPECT_EQ(name.Decimals, 0);
  EXPECT_TRUE(name.AutoIncrement);
}

TEST(ParseCommandDefinition, IncompleteAndEmptyRecords) {
  EXPECT_TRUE(ParseCommandDefinition("").Fields.empty());
  EXPECT_TRUE(ParseCommandDefinition("0,\"a\",\"b\",0").Fields.empty());
  const std::string twentyFive = Record("1") + "," + Record("0") + ",surplus";
  const TCommandDefinition definition = ParseCommandDefinition(twentyFive);
  EXPECT_EQ(definition.Fields.size(), 2u);
  EXPECT_EQ(definition.Mode, 1);
  EXPECT_EQ(definition.Fields[1].Mode, 1);
}

TEST(ParseCommandDefinition, StrictValuesStopTheReading) {
  struct TCase {
    std::string Commands;
    std::string Offending;
  };
  const TCase cases[] = {
      {Record("h"), "h"},
      {Record("0", "two"), "two"},
      {Record("0", "0", "1.5"), "1.5"},
      {Record("0", "0", "0", "0", "yes"), "yes"},
      {Record("0", "0", "0", "0", "0", ""), ""},
      {Record("0") + "," + Record("0", "99999999999"), "99999999999"},
  };
  for (const TCase& c : cases) {
    try {
      ParseCommandDefinition(c.Commands);
      ADD_FAILURE() << "no error for " << c.Commands;
    } catch (const TConvertError& error) {
      EXPECT_EQ(error.Text(), c.Offending);
      EXPECT_EQ(std::string(error.what()), "'" + c.Offending + "' is not a valid integer value");
    }
  }
  // A later field's mode is never read, so it cannot stop the reading.
  EXPECT_NO_THROW(ParseCommandDefinition(Record("0") + "," + Record("bad")));
}

// A number that cannot be read says in which file, section and key it stands.
TEST(ReadRecords, ConversionErrorSaysWhere) {
  const std::string text =
      "[FiscalAnswer]\r\nRecord1=1,one,FF11,0011,\"M\",clRed\r\n"
      "[GC]\r\nCommands=0,\"A\",\"\",two,\"\",0,0,0,0,0,0,0\r\nAnswers=\"A\",x2,0\r\n";
  const TIniMemory memory(std::make_shared<TMemoryDevice>(text, "shop.qvl"));
  const auto messageOf = [](const auto& read) {
    try {
      read();
    } catch (const TConvertError& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(messageOf([&] { ReadCommandDefinition(memory, "GC"); }),
            "'two' is not a valid integer value (file shop.qvl, section [GC], key Commands)");
  EXPECT_EQ(messageOf([&] { ReadAnswerDefinition(memory, "GC"); }),
            "'x2' is not a valid integer value (file shop.qvl, section [GC], key Answers)");
  EXPECT_EQ(messageOf([&] { ReadFixedAnswers(memory, "FiscalAnswer"); }),
            "'one' is not a valid integer value (file shop.qvl, section [FiscalAnswer], key Record1)");
}

TEST(ParseCommandDefinition, UnwrittenCodesReadAsSoundMeanings) {
  const TCommandDefinition definition = ParseCommandDefinition(Record("7", "12", "-1") + "," + Record("0", "-4", "5"));
  EXPECT_EQ(definition.Mode, 1);
  EXPECT_EQ(definition.Fields[0].TextType, 0);
  EXPECT_EQ(definition.Fields[0].ControlType, 0);  // every field gets a control
  EXPECT_EQ(definition.Fields[1].TextType, 0);
  EXPECT_EQ(definition.Fields[1].ControlType, 0);
}

TEST(ParseCommandDefinition, HoldsAtMostSeventyFields) {
  std::string commands = Record("0");
  for (int i = 1; i < 73; ++i) commands += "," + Record("0", std::to_string(i % 10));
  const TCommandDefinition definition = ParseCommandDefinition(commands);
  EXPECT_EQ(definition.Fields.size(), MaxDynamicFields);
  EXPECT_EQ(definition.FieldsBeyondLimit, 3u);
  EXPECT_EQ(definition.Fields[69].TextType, 9);
}

TEST(ParseAnswerDefinition, ThreeValuesPerField) {
  const TAnswerDefinition definition = ParseAnswerDefinition("\"Total\",2,2,\"Name, last\",0,x,\"Left\"");
  ASSERT_EQ(definition.Fields.size(), 2u);
  EXPECT_EQ(definition.Fields[0], (TAnswerField{"Total", 2, 2}));
  EXPECT_EQ(definition.Fields[1], (TAnswerField{"Name, last", 0, 0}));
  EXPECT_THROW(ParseAnswerDefinition("\"a\",Currency,2"), TConvertError);
  EXPECT_EQ(ParseAnswerDefinition("\"a\",11,2").Fields[0].Type, 0);
  EXPECT_TRUE(ParseAnswerDefinition("").Fields.empty());
}

TEST(AssembleRecords, WritesTheValuesInOrder) {
  const TCommandField amount{0, "&Amount", "Total amount", 2, "", 0, 12, true, false, 10, 2, false};
  EXPECT_EQ(AssembleCommands({amount}), "0,\"&Amount\",\"Total amount\",2,\"\",0,12,1,0,10,2,0");
  EXPECT_EQ(AssembleCommands({}), "");
  EXPECT_EQ(AssembleCommands({amount, amount}).size(), 2 * AssembleCommands({amount}).size() + 1);
  // decimal digits are written only for Currency answers
  EXPECT_EQ(AssembleAnswers({{"Total", 2, 2}, {"Text", 0, 3}}), "\"Total\",2,2,\"Text\",0,0");
  EXPECT_EQ(AssembleAnswers({}), "");
  EXPECT_EQ(AssembleStoredItemList({"1", "2", "3"}), "\"1,2,3\"");
  EXPECT_EQ(AssembleStoredItemList({"a b", "c"}), "\"\"a b\",c\"");
}

TEST(AssembleRecords, DoubleQuoteInATextReadsBackWhole) {
  const TCommandField field{1, "Say \"hi\"", "a \"b\", c", 0, "\"", 1, 5, false, true, 0, 0, true};
  const TCommandDefinition definition = ParseCommandDefinition(AssembleCommands({field, field}));
  ASSERT_EQ(definition.Fields.size(), 2u);
  EXPECT_EQ(definition.Fields[0], field);
  EXPECT_EQ(definition.Fields[1], field);
  const TAnswerField answer{"He said \"no\"", 2, 3};
  EXPECT_EQ(ParseAnswerDefinition(AssembleAnswers({answer})).Fields.at(0), answer);
}

TEST(ParseStoredItemList, DropsTheEnclosingCharacters) {
  EXPECT_EQ(ParseStoredItemList("\"1,2,3\""), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(ParseStoredItemList(""), std::vector<std::string>{});
  EXPECT_EQ(ParseStoredItemList("\""), std::vector<std::string>{});
  EXPECT_EQ(ParseStoredItemList("\"\""), std::vector<std::string>{});
  EXPECT_EQ(ParseStoredItemList("x1,2y"), (std::vector<std::string>{"1", "2"}));  // whatever they are
}

TEST_F(FieldRecordFile, WrittenSectionReadsBackInTheWindowAndTheEditors) {
  const std::string section = "SalesOpen";
  const std::vector<TCommandField> fields{
      {0, "&Amount", "Total amount", 2, "", 0, 12, true, false, 10, 2, false},
      {1, "Item, kind", "Pick one", 0, "A", 1, 0, false, false, 0, 0, true},
  };
  const std::vector<std::string> items{"first item", "2", "", "say \"x\""};
  const std::vector<std::string> notes{"Line one", "line, two"};
  {
    TIniFile file(Path);
    WriteCommands(file, section, fields);
    WriteAnswers(file, section, {{"Total", 2, 2}, {"Flag", 7, 0}});
    WriteItemList(file, section, 2, items);
    WriteNotes(file, section, notes);
  }

  TIniMemory copy(Path);
  const TCommandDefinition definition = ReadCommandDefinition(copy, "salesopen");
  ASSERT_EQ(definition.Fields.size(), 2u);
  EXPECT_EQ(definition.Fields[0], fields[0]);
  EXPECT_EQ(definition.Fields[1].Mode, 0);  // the command's mode
  EXPECT_EQ(definition.Fields[1].Caption, "Item, kind");
  EXPECT_EQ(ReadAnswerDefinition(copy, section).Fields,
            (std::vector<TAnswerField>{{"Total", 2, 2}, {"Flag", 7, 0}}));
  EXPECT_EQ(ReadItemList(copy, section, 2), items);
  EXPECT_TRUE(ReadItemList(copy, section, 1).empty());
  EXPECT_EQ(ReadNotes(copy, section), notes);

  const TExtIniFile file(Path);
  EXPECT_EQ(ReadCommandDefinition(file, section).Fields.size(), 2u);
  EXPECT_EQ(ReadItemListForEditing(file, section, 2), items);
  EXPECT_EQ(ReadNotesForEditing(file, section), notes);
}

TEST_F(FieldRecordFile, EmptyItemListDeletesItsKey) {
  WriteText("[GOpen]\r\nCommands=\r\nCL1=\"a,b\"\r\nAnswers=\r\n");
  TIniFile file(Path);
  WriteItemList(file, "GOpen", 1, {});
  EXPECT_FALSE(file.ValueExists("GOpen", "CL1"));
  EXPECT_EQ(ReadText(), "[GOpen]\r\nCommands=\r\nAnswers=\r\n");
  WriteNotes(file, "GOpen", {});
  EXPECT_TRUE(ReadNotes(TIniMemory(Path), "GOpen").empty());
  EXPECT_TRUE(ReadNotesForEditing(file, "GOpen").empty());
}

TEST_F(FieldRecordFile, HandWrittenSectionAsTheWindowReadsIt) {
  WriteText(
      "[SalesOpen]\r\n"
      "commands=0,\"A\",\"\",3,\"1\",2,4,0,0,0,0,0\r\n"
      "CL1=\"1,2,3\"\r\n"
      "CL2= \"x\"\r\n"
      "Notes=\"\"\r\n");
  TIniMemory copy(Path);
  EXPECT_EQ(ReadCommandDefinition(copy, "SALESOPEN").Fields.at(0).TextType, 3);
  EXPECT_EQ(ReadItemList(copy, "SalesOpen", 1), (std::vector<std::string>{"1", "2", "3"}));
  // the copy takes the exact value: the blank and the quote go, "x" stays open
  EXPECT_EQ(ReadItemList(copy, "SalesOpen", 2), (std::vector<std::string>{"x"}));
  EXPECT_TRUE(ReadNotes(copy, "SalesOpen").empty());
  EXPECT_TRUE(ReadAnswerDefinition(copy, "SalesOpen").Fields.empty());  // missing "Answers"
  EXPECT_TRUE(ReadCommandDefinition(copy, "NoSuchCommand").Fields.empty());
}

TEST(WriteRecords, RefusedWriteRaisesAndKeepsTheFile) {
  auto device = std::make_shared<TMemoryDevice>("[GC]\r\nCommands=\r\n", "locked.qvl");
  device->RefuseStore = true;
  TIniFile file(device);
  try {
    WriteAnswers(file, "GC", {{"Total", 2, 2}});
    ADD_FAILURE() << "the refused write was not reported";
  } catch (const TIniError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to locked.qvl");
  }
  EXPECT_THROW(WriteItemList(file, "GC", 1, {"a"}), TIniError);
  EXPECT_EQ(device->Bytes, "[GC]\r\nCommands=\r\n");
}

TEST(ItemListKey, NumbersFromOne) {
  EXPECT_EQ(ItemListKey(1), "CL1");
  EXPECT_EQ(ItemListKey(70), "CL70");
}

}  // namespace
}  // namespace quorvel::model
