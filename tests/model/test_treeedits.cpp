// SPDX-License-Identifier: MIT
// The edit layer of the command tree and the field lists: the exact bytes each
// operation leaves, the names and values it refuses, and that a refusal or a
// refused write leaves the file's bytes as they were.
#include "model/treeedits.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "common/tempfolder.h"
#include "model/errors.h"

namespace quorvel::model {
namespace {

using TOperation = std::function<TEditResult(TTerminalEditor&)>;

const std::string kShop =
    "[Groups]\r\nSales=\r\nReports=\r\n"
    "[Sales]\r\nOpen=\r\nClose=\r\n"
    "[SalesOpen]\r\nCommands=0,\"A\",\"\",0,\"\",1,0,0,0,0,0,0\r\nAnswers=\r\nCL1=\"x,y\"\r\nNotes=\"n\"\r\n"
    "[SalesClose]\r\nCommands=\r\n"
    "[Reports]\r\nZ=\r\n"
    "[ReportsZ]\r\nCommands=\r\nCL7=\"keep\"\r\n";

// The bytes of a memory file after one operation, and what the operation reported.
struct TOutcome {
  std::string bytes;
  std::string refusal;  // the message of a refusal
  TEditResult result;
};

TOutcome Apply(const std::string& content, const TOperation& operation) {
  auto device = std::make_shared<TMemoryDevice>(content, "shop.qvl");
  TTerminalEditor editor(device);
  TOutcome outcome;
  try {
    outcome.result = operation(editor);
  } catch (const TEditRefused& error) {
    outcome.refusal = error.what();
  }
  outcome.bytes = device->Bytes;
  return outcome;
}

struct TCase {
  const char* name;
  TOperation operation;
  std::string expected;  // the whole file afterwards
};

TEST(TreeEdits, EachOperationLeavesTheseBytes) {
  const TCase cases[] = {
      {"add group", [](TTerminalEditor& e) { return e.AddGroup("Admin"); },
       "[Groups]\r\nSales=\r\nReports=\r\nAdmin=\r\n" + kShop.substr(kShop.find("[Sales]"))},
      {"add command", [](TTerminalEditor& e) { return e.AddCommand("Reports", "X"); },
       kShop.substr(0, kShop.find("[ReportsZ]")) + "X=\r\n" + kShop.substr(kShop.find("[ReportsZ]")) +
           "[ReportsX]\r\nCommands=\r\nAnswers=\r\n"},
      {"rename command", [](TTerminalEditor& e) { return e.RenameCommand("Reports", "Z", "Y"); },
       "[Groups]\r\nSales=\r\nReports=\r\n[Sales]\r\nOpen=\r\nClose=\r\n"
       "[SalesOpen]\r\nCommands=0,\"A\",\"\",0,\"\",1,0,0,0,0,0,0\r\nAnswers=\r\nCL1=\"x,y\"\r\nNotes=\"n\"\r\n"
       "[SalesClose]\r\nCommands=\r\n[Reports]\r\nY=\r\n[ReportsY]\r\nCommands=\r\nCL7=\"keep\"\r\n"},
      {"rename group", [](TTerminalEditor& e) { return e.RenameGroup("Sales", "Shop"); },
       "[Groups]\r\nReports=\r\nShop=\r\n[Reports]\r\nZ=\r\n[ReportsZ]\r\nCommands=\r\nCL7=\"keep\"\r\n"
       "[Shop]\r\nOpen=\r\nClose=\r\n"
       "[ShopOpen]\r\nCommands=0,\"A\",\"\",0,\"\",1,0,0,0,0,0,0\r\nAnswers=\r\nCL1=\"x,y\"\r\nNotes=\"n\"\r\n"
       "[ShopClose]\r\nCommands=\r\n"},
      {"remove group", [](TTerminalEditor& e) { return e.RemoveGroup("Sales"); },
       "[Groups]\r\nReports=\r\n[Reports]\r\nZ=\r\n[ReportsZ]\r\nCommands=\r\nCL7=\"keep\"\r\n"},
      {"remove command", [](TTerminalEditor& e) { return e.RemoveCommand("Sales", "Open"); },
       "[Groups]\r\nSales=\r\nReports=\r\n[Sales]\r\nClose=\r\n[SalesClose]\r\nCommands=\r\n"
       "[Reports]\r\nZ=\r\n[ReportsZ]\r\nCommands=\r\nCL7=\"keep\"\r\n"},
      // Overwriting keeps the keys only the destination has (CL7); the key line takes the name as given.
      {"copy over a command", [](TTerminalEditor& e) { return e.CopyCommandToGroup("Sales", "Open", "Reports", "z", true); },
       kShop.substr(0, kShop.find("Z=")) + "z=\r\n" +
           "[ReportsZ]\r\nCommands=0,\"A\",\"\",0,\"\",1,0,0,0,0,0,0\r\nCL7=\"keep\"\r\nAnswers=\r\nCL1=\"x,y\"\r\n"
           "Notes=\"n\"\r\n"},
      {"merge onto itself changes nothing",
       [](TTerminalEditor& e) { return e.MergeGroup("Sales", "Sales", {"Open", "Close"}); }, kShop},
  };
  for (const TCase& c : cases) {
    const TOutcome outcome = Apply(kShop, c.operation);
    EXPECT_EQ(outcome.refusal, "") << c.name;
    EXPECT_EQ(outcome.bytes, c.expected) << c.name;
    EXPECT_EQ(outcome.result.Before, kShop) << c.name;
    EXPECT_EQ(outcome.result.After, c.expected) << c.name;
  }
}

TEST(TreeEdits, DuplicateGroupTakesTheSmallestFreeNumber) {
  std::string name;
  const TOutcome outcome = Apply(
      "[Groups]\r\nSales=\r\nSales1=\r\nSales2=\r\n" + kShop.substr(kShop.find("[Sales]")),
      [&](TTerminalEditor& e) { return e.DuplicateGroup("Sales", name); });
  EXPECT_EQ(name, "Sales3");
  EXPECT_NE(outcome.bytes.find("Sales2=\r\nSales3=\r\n[Sales]"), std::string::npos);
  EXPECT_NE(outcome.bytes.find("[Sales3]\r\nOpen=\r\nClose=\r\n[Sales3Open]\r\nCommands=0,"), std::string::npos);
  EXPECT_NE(outcome.bytes.find("[Sales3Close]\r\nCommands=\r\n"), std::string::npos);
}

TEST(TreeEdits, RefusedNamesWriteNothing) {
  struct TRefusal {
    const char* name;
    TOperation operation;
    std::string message;  // empty: only that something was refused
  };
  const TRefusal refusals[] = {
      {"group in another case", [](TTerminalEditor& e) { return e.AddGroup("SALES"); }, "Group already exists"},
      {"fixed section", [](TTerminalEditor& e) { return e.AddGroup("general"); }, "Group already exists"},
      {"return codes", [](TTerminalEditor& e) { return e.AddGroup("return codes"); }, "Group already exists"},
      {"own name", [](TTerminalEditor& e) { return e.RenameGroup("Sales", "sales"); }, "Group already exists"},
      {"command exists", [](TTerminalEditor& e) { return e.AddCommand("Sales", "CLOSE"); },
       "The command already exists"},
      {"command to itself", [](TTerminalEditor& e) { return e.RenameCommand("Sales", "Open", "Open"); },
       "The command already exists"},
      {"equals sign", [](TTerminalEditor& e) { return e.AddGroup("a=b"); },
       "The name \"a=b\" cannot hold the character \"=\""},
      {"leading semicolon", [](TTerminalEditor& e) { return e.AddCommand("Sales", ";x"); },
       "The name \";x\" cannot start with \";\""},
      {"trailing blank", [](TTerminalEditor& e) { return e.AddGroup("G "); },
       "The name \"G \" cannot start or end with a blank"},
      {"line break", [](TTerminalEditor& e) { return e.AddCommand("Sales", "a\nb"); }, ""},
      {"section of another pair", [](TTerminalEditor& e) { return e.AddCommand("Sal", "esOpen"); },
       "The section \"SalesOpen\" would be that of the command \"Sales/Open\""},
      {"group named like a command section", [](TTerminalEditor& e) { return e.AddGroup("salesclose"); }, ""},
      {"section of another group", [](TTerminalEditor& e) { return e.AddCommand("Re", "ports"); }, ""},
      {"fixed section", [](TTerminalEditor& e) { return e.AddCommand("Return c", "odes"); },
       "The section \"Return codes\" is a fixed section of the terminal file"},
      {"renamed group's commands clash", [](TTerminalEditor& e) { return e.RenameGroup("Reports", "SalesOpen"); },
       ""},
      {"copy without overwrite", [](TTerminalEditor& e) { return e.CopyCommandToGroup("Sales", "Open", "Sales", "open", false); },
       "Command already exists, choose action"},
  };
  for (const TRefusal& r : refusals) {
    const TOutcome outcome = Apply(kShop, r.operation);
    EXPECT_FALSE(outcome.refusal.empty()) << r.name;
    if (!r.message.empty()) {
      EXPECT_EQ(outcome.refusal, r.message) << r.name;
    }
    EXPECT_EQ(outcome.bytes, kShop) << r.name;
  }
}

TEST(TreeEdits, RefusedWriteLeavesTheFileAsItWas) {
  auto device = std::make_shared<TMemoryDevice>(kShop, "shop.qvl");
  device->RefuseStore = true;
  TTerminalEditor editor(device);
  try {
    editor.RenameGroup("Sales", "Shop");
    FAIL() << "the write was not refused";
  } catch (const TIniError& error) {
    EXPECT_STREQ(error.what(), "Unable to write to shop.qvl");
  }
  EXPECT_EQ(device->Bytes, kShop);
  EXPECT_EQ(device->StoreCount, 0);
}

TEST(TreeEdits, OneReplacementOfARealFilePerOperation) {
  const testing::TTempFolder folder("quorvel-treeedits");
  const std::string path = folder.File("shop.qvl");
  testing::WriteBytes(path, kShop);
  TTerminalEditor editor(path);
  const TEditResult rename = editor.RenameGroup("Sales", "Shop");
  EXPECT_EQ(testing::ReadBytes(path), rename.After);
  EXPECT_EQ(rename.Before, kShop);
  // Undo: the bytes before come back while the file is as the operation left it.
  editor.RestoreIfUnchanged(rename.Before, rename.After);
  EXPECT_EQ(testing::ReadBytes(path), kShop);
  // Changed by something else since: refused, nothing written.
  const TEditResult add = editor.AddGroup("Admin");
  testing::WriteBytes(path, add.After + "[Other]\r\n");
  EXPECT_THROW(editor.RestoreIfUnchanged(add.Before, add.After), TEditRefused);
  EXPECT_EQ(testing::ReadBytes(path), add.After + "[Other]\r\n");
}

TEST(FieldListEdits, RemovingMovesTheItemListsAndDropsTheNotes) {
  const std::string field = "0,\"F\",\"\",0,\"\",1,0,0,0,0,0,0";
  const std::string content = "[S]\r\nCommands=" + field + "," + field + "," + field +
                              "\r\nCL1=\"a\"\r\nCL3=\"c,\"\"d e\"\"\"\r\nNotes=\"n\"\r\n";
  const TOutcome outcome = Apply(content, [](TTerminalEditor& e) { return e.RemoveCommandField("S", 1); });
  EXPECT_EQ(outcome.bytes, "[S]\r\nCommands=" + field + "," + field + "\r\nCL2=\"c,\"\"d e\"\"\"\r\n");
}

TEST(FieldListEdits, AddAndModifyWriteItemsNotesAndTheList) {
  TCommandFieldRecord record;
  record.Field.Caption = "Say \"hi\"";
  record.Items = {"x", "y z"};
  record.Notes = {"one"};
  TOutcome outcome = Apply("[S]\r\n", [&](TTerminalEditor& e) { return e.AddCommandField("S", record); });
  EXPECT_EQ(outcome.bytes,
            "[S]\r\nCL1=\"x,\"y z\"\"\r\nNotes=\"one\"\r\nCommands=0,\"Say \"\"hi\"\"\",\"\",0,\"\",0,0,0,0,0,0,0\r\n");
  record.Items.clear();
  record.Notes.clear();
  outcome = Apply(outcome.bytes, [&](TTerminalEditor& e) { return e.ModifyCommandField("S", 1, record); });
  EXPECT_EQ(outcome.bytes, "[S]\r\nNotes=\"\"\r\nCommands=0,\"Say \"\"hi\"\"\",\"\",0,\"\",0,0,0,0,0,0,0\r\n");
  // Answers: decimals only for Currency.
  outcome = Apply("[S]\r\n", [](TTerminalEditor& e) { return e.AddAnswerField("S", {"N", kTextNumeric, 3}); });
  EXPECT_EQ(outcome.bytes, "[S]\r\nAnswers=\"N\",3,0\r\n");
}

TEST(FieldListEdits, LimitsAreRefusedBeforeAnythingIsWritten) {
  const std::string field = "0,\"F\",\"\",0,\"\",0,0,0,0,0,0,0";
  std::string seventy = "[S]\r\nCommands=" + field;
  for (int i = 1; i < 70; ++i) seventy += "," + field;
  seventy += "\r\n";
  TOutcome outcome = Apply(seventy, [](TTerminalEditor& e) { return e.AddCommandField("S", {}); });
  EXPECT_EQ(outcome.refusal, "Maximum number of dynamic controls reached!!!");
  EXPECT_EQ(outcome.bytes, seventy);

  TCommandFieldRecord longCaption;
  longCaption.Field.Caption = std::string(8200, 'c');
  outcome = Apply("[S]\r\n", [&](TTerminalEditor& e) { return e.AddCommandField("S", longCaption); });
  EXPECT_NE(outcome.refusal.find("\"Commands\""), std::string::npos);
  EXPECT_EQ(outcome.bytes, "[S]\r\n");

  TCommandFieldRecord longItems;
  longItems.Items = {std::string(2048, 'i')};
  outcome = Apply("[S]\r\n", [&](TTerminalEditor& e) { return e.AddCommandField("S", longItems); });
  EXPECT_NE(outcome.refusal.find("\"CL1\""), std::string::npos);
  EXPECT_EQ(outcome.bytes, "[S]\r\n");
  longItems.Items = {std::string(2047, 'i')};
  outcome = Apply("[S]\r\n", [&](TTerminalEditor& e) { return e.AddCommandField("S", longItems); });
  EXPECT_EQ(outcome.refusal, "");
}

}  // namespace
}  // namespace quorvel::model
