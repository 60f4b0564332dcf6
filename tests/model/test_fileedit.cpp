// SPDX-License-Identifier: MIT
// The edit layer on real files: the exact bytes after each operation, the
// refusals that leave the file as it was, and the answers it asks for.
#include "model/fileedit.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/readonlyfolder.h"
#include "common/tempfolder.h"
#include "model/errors.h"
#include "model/fieldrecords.h"
#include "model/inimemory.h"
#include "model/writebywrite.h"

namespace quorvel::model {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

// Two groups; Sales/Open has a combo list and notes (as the editors write them).
const std::string kBase =
    "[General]\r\nProtocol=0\r\n\r\n"
    "[Groups]\r\nSales=\r\nReports=\r\n\r\n"
    "[Sales]\r\nOpen=\r\nClose=\r\n"
    "[SalesOpen]\r\n"
    "Commands=0,\"&Amount\",\"Total\",2,\"\",1,12,1,0,10,2,0\r\n"
    "Answers=\"Total\",2,2\r\n"
    "CL1=\"1,2,\"three four\"\"\r\n"
    "Notes=\"\"first line\",second\"\r\n"
    "[SalesClose]\r\nCommands=\r\nAnswers=\r\n"
    "[Reports]\r\nX=\r\n"
    "[ReportsX]\r\nCommands=\r\nAnswers=\"Z\",0,0\r\n";

class FileEditTest : public ::testing::Test {
 protected:
  // Writes content, runs one operation and returns the bytes on disk afterwards.
  template <typename Operation>
  std::string After(const std::string& content, Operation operation) {
    WriteBytes(Path, content);
    TTerminalFileEditor editor(Path);
    operation(editor);
    return ReadBytes(Path);
  }

  // The bytes the same change leaves when done one INI write at a time.
  template <typename Operation>
  std::string AfterWriteByWrite(const std::string& content, Operation operation) {
    const std::string path = Folder.File("writebywrite.qvl");
    WriteBytes(path, content);
    TExtIniFile file(path);
    operation(file);
    return ReadBytes(path);
  }

  // The operation is refused with this reason and the file keeps its bytes.
  template <typename Operation>
  std::string Refusal(const std::string& content, TEditRefusal reason, Operation operation) {
    WriteBytes(Path, content);
    TTerminalFileEditor editor(Path);
    std::string message = "(not refused)";
    try {
      operation(editor);
    } catch (const TEditRefused& refused) {
      EXPECT_EQ(refused.Reason(), reason) << refused.what();
      message = refused.what();
    }
    EXPECT_EQ(ReadBytes(Path), content) << message;
    return message;
  }

  testing::TTempFolder Folder{"quorvel-fileedit"};
  std::string Path = Folder.File("edit.qvl");
};

TCopyAsk NeverAsked() {
  return [](const std::string& name) -> TCopyChoice {
    ADD_FAILURE() << "asked about " << name;
    return TCopyChoice::Cancel();
  };
}

TCommandField Field(const std::string& caption, int textType = kTextAlphaNumeric) {
  TCommandField field;
  field.Caption = caption;
  field.TextType = textType;
  return field;
}

TCommandFieldEntry Entry(const TCommandField& field, std::vector<std::string> items = {},
                         std::vector<std::string> notes = {}) {
  return TCommandFieldEntry{field, std::move(items), std::move(notes)};
}

// ---- groups and commands ----

TEST_F(FileEditTest, EachTreeOperationLeavesTheBytesOfItsWriteByWriteSequence) {
  namespace w = writebywrite;
  struct Case {
    const char* what;
    std::function<void(TTerminalFileEditor&)> layer;
    std::function<void(TExtIniFile&)> single;
  };
  const Case cases[] = {
      {"add group", [](auto& e) { e.AddGroup("Fiscal"); }, [](auto& f) { w::AddGroup(f, "Fiscal"); }},
      {"rename group", [](auto& e) { e.RenameGroup("sales", "Selling"); },
       [](auto& f) { w::RenameGroup(f, "sales", "Selling"); }},
      {"remove group", [](auto& e) { e.RemoveGroup("Sales"); }, [](auto& f) { w::RemoveGroup(f, "Sales"); }},
      {"add command", [](auto& e) { e.AddCommand("Reports", "Y"); },
       [](auto& f) { w::AddCommand(f, "Reports", "Y"); }},
      {"rename command", [](auto& e) { e.RenameCommand("Sales", "Open", "Start"); },
       [](auto& f) { w::RenameCommand(f, "Sales", "Open", "Start"); }},
      {"remove command", [](auto& e) { e.RemoveCommand("Sales", "open"); },
       [](auto& f) { w::RemoveCommand(f, "Sales", "open"); }},
      {"duplicate group", [](auto& e) { e.DuplicateGroup("Sales"); },
       [](auto& f) { w::DuplicateGroup(f, "Sales", "Sales1"); }},
      {"merge group", [](auto& e) { e.MergeGroup("Sales", "Reports", {}); },
       [](auto& f) { w::MergeGroup(f, "Sales", "Reports"); }},
      {"copy command", [](auto& e) { e.CopyCommandToGroup("Sales", "Open", "Reports", NeverAsked()); },
       [](auto& f) { w::CopyCommandToGroup(f, "Sales", "Open", "Reports", "Open"); }},
      {"copy section", [](auto& e) { e.CopySection("SalesOpen", "ReportsX"); },
       [](auto& f) { w::CopySection(f, "SalesOpen", "ReportsX"); }},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(After(kBase, c.layer), AfterWriteByWrite(kBase, c.single)) << c.what;
  }
}

TEST_F(FileEditTest, OperationsLeaveTheseBytes) {
  const std::string small = "[Groups]\r\nSales=\r\n[Sales]\r\nOpen=\r\n[SalesOpen]\r\nCommands=\r\nAnswers=\r\n"
                            "CL7=\"x\"\r\n";
  struct Case {
    const char* what;
    std::function<void(TTerminalFileEditor&)> operation;
    std::string expected;
  };
  const Case cases[] = {
      {"a new group is the last key of Groups", [](auto& e) { e.AddGroup("Fiscal"); },
       "[Groups]\r\nSales=\r\nFiscal=\r\n[Sales]\r\nOpen=\r\n[SalesOpen]\r\nCommands=\r\nAnswers=\r\nCL7=\"x\"\r\n"},
      {"a new command gets its section with both lists empty", [](auto& e) { e.AddCommand("Sales", "Close"); },
       "[Groups]\r\nSales=\r\n[Sales]\r\nOpen=\r\nClose=\r\n[SalesOpen]\r\nCommands=\r\nAnswers=\r\nCL7=\"x\"\r\n"
       "[SalesClose]\r\nCommands=\r\nAnswers=\r\n"},
      {"a renamed group moves its sections and goes last", [](auto& e) { e.RenameGroup("Sales", "Shop"); },
       "[Groups]\r\nShop=\r\n[Shop]\r\nOpen=\r\n[ShopOpen]\r\nCommands=\r\nAnswers=\r\nCL7=\"x\"\r\n"},
      {"removing a group erases its command sections", [](auto& e) { e.RemoveGroup("Sales"); }, "[Groups]\r\n"},
      {"a copy over an existing command keeps the keys only it has",
       [](auto& e) {
         e.AddCommand("Sales", "Other");
         TCommandField field = Field("A");
         field.MaxLength = 5;
         e.WriteCommandFields("SalesOther", {field});
         e.CopyCommandToGroup("Sales", "Other", "Sales", [](const std::string&) { return TCopyChoice::Overwrite(); },
                              "Open");
       },
       "[Groups]\r\nSales=\r\n[Sales]\r\nOpen=\r\nOther=\r\n"
       "[SalesOpen]\r\nCommands=0,\"A\",\"\",0,\"\",0,5,0,0,0,0,0\r\nAnswers=\r\nCL7=\"x\"\r\n"
       "[SalesOther]\r\nCommands=0,\"A\",\"\",0,\"\",0,5,0,0,0,0,0\r\nAnswers=\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(After(small, c.operation), c.expected) << c.what;
}

TEST_F(FileEditTest, RefusedNamesLeaveTheFileAsItWas) {
  const std::string file = kBase + "[Sa]\r\n";
  const std::string withSa = "[Groups]\r\nSales=\r\nSa=\r\n[Sales]\r\nOpen=\r\n[SalesOpen]\r\nCommands=\r\n";
  const std::string withShop = "[Groups]\r\nSales=\r\nShopOpen=\r\n[Sales]\r\nOpen=\r\n";
  struct Case {
    const char* what;
    const std::string* content;
    TEditRefusal reason;
    std::function<void(TTerminalFileEditor&)> operation;
    const char* message;  // the whole message, or nullptr where only the reason is pinned
  };
  const Case cases[] = {
      {"existing group", &file, TEditRefusal::GroupExists, [](auto& e) { e.AddGroup("SALES"); },
       "Group already exists"},
      {"fixed name", &file, TEditRefusal::GroupExists, [](auto& e) { e.AddGroup("general"); }, nullptr},
      {"fixed name", &file, TEditRefusal::GroupExists, [](auto& e) { e.AddGroup("GROUPS"); }, nullptr},
      {"fixed name", &file, TEditRefusal::GroupExists, [](auto& e) { e.AddGroup("return code"); }, nullptr},
      {"return-code section", &file, TEditRefusal::GroupExists, [](auto& e) { e.AddGroup("Return codes"); },
       nullptr},
      {"rename to itself in another case", &file, TEditRefusal::GroupExists,
       [](auto& e) { e.RenameGroup("Sales", "sales"); }, nullptr},
      {"rename to a fixed name", &file, TEditRefusal::GroupExists,
       [](auto& e) { e.RenameGroup("Sales", "FiscalAnswer"); }, nullptr},
      {"existing command", &file, TEditRefusal::CommandExists, [](auto& e) { e.AddCommand("Sales", "open"); },
       "The command already exists"},
      {"command renamed to itself", &file, TEditRefusal::CommandExists,
       [](auto& e) { e.RenameCommand("Sales", "Open", "Open"); }, nullptr},
      {"equals sign", &file, TEditRefusal::InvalidName, [](auto& e) { e.AddGroup("a=b"); },
       "The group name \"a=b\" holds \"=\", which a line of the file cannot hold"},
      {"bracket", &file, TEditRefusal::InvalidName, [](auto& e) { e.AddCommand("Sales", "[x"); },
       "The command name \"[x\" holds \"[\", which a line of the file cannot hold"},
      {"closing bracket", &file, TEditRefusal::InvalidName, [](auto& e) { e.RenameGroup("Sales", "x]"); }, nullptr},
      {"leading semicolon", &file, TEditRefusal::InvalidName, [](auto& e) { e.AddGroup(";x"); },
       "The group name \";x\" starts with \";\""},
      {"leading blank", &file, TEditRefusal::InvalidName, [](auto& e) { e.AddGroup(" x"); },
       "The group name \" x\" starts with a blank"},
      {"trailing blank", &file, TEditRefusal::InvalidName, [](auto& e) { e.AddCommand("Sales", "x "); },
       "The command name \"x \" ends with a blank"},
      {"line break", &file, TEditRefusal::InvalidName, [](auto& e) { e.AddGroup("a\nb"); },
       "The group name \"a\nb\" holds a line break, which a line of the file cannot hold"},
      {"empty", &file, TEditRefusal::InvalidName, [](auto& e) { e.AddCommand("Sales", ""); },
       "The command name is empty"},
      {"command section of another pair", &withSa, TEditRefusal::SectionCollision,
       [](auto& e) { e.AddCommand("Sa", "lesOpen"); },
       "Group \"Sa\" with command \"lesOpen\" would use the section [SalesOpen], which the file already uses"},
      {"group named like a command section", &file, TEditRefusal::SectionCollision,
       [](auto& e) { e.AddGroup("SalesOpen"); }, nullptr},
      {"command section of a fixed name", &withSa, TEditRefusal::SectionCollision,
       [](auto& e) { e.AddCommand("Sa", "les"); }, nullptr},  // Sa + les is the group section Sales
      {"renamed group whose command section is another group", &withShop, TEditRefusal::SectionCollision,
       [](auto& e) { e.RenameGroup("Sales", "Shop"); },
       "Group \"Shop\" with command \"Open\" would use the section [ShopOpen], which the file already uses"},
      {"no such group", &file, TEditRefusal::NotFound, [](auto& e) { e.RemoveGroup("Nothing"); },
       "There is no group \"Nothing\""},
      {"no such command", &file, TEditRefusal::NotFound, [](auto& e) { e.RemoveCommand("Sales", "Nothing"); },
       "There is no command \"Nothing\" in group \"Sales\""},
  };
  for (const Case& c : cases) {
    const std::string message = Refusal(*c.content, c.reason, c.operation);
    if (c.message != nullptr) {
      EXPECT_EQ(message, c.message) << c.what;
    }
  }
}

TEST_F(FileEditTest, FixedNamesAreGroupNamesOnly) {
  // As command names they are ordinary names.
  const std::string after = After(kBase, [](auto& e) {
    e.AddCommand("Sales", "general");
    e.AddCommand("Sales", "GROUPS");
  });
  EXPECT_NE(after.find("[Sales]\r\nOpen=\r\nClose=\r\ngeneral=\r\nGROUPS=\r\n"), std::string::npos);
  EXPECT_NE(after.find("[Salesgeneral]\r\nCommands=\r\nAnswers=\r\n"), std::string::npos);
}

TEST_F(FileEditTest, DuplicateTakesTheSmallestFreeNumberAndCopiesEveryCommandInOrder) {
  const std::string file = "[Groups]\r\nSales=\r\nSales1=\r\nSales2=\r\n[Sales]\r\nB=\r\nA=\r\n"
                           "[SalesB]\r\nCommands=\r\nAnswers=\"b\",0,0\r\nCL1=\"x y\"\r\n[SalesA]\r\nCommands=\r\n";
  WriteBytes(Path, file);
  TTerminalFileEditor editor(Path);
  const TDuplicateResult result = editor.DuplicateGroup("Sales");
  EXPECT_EQ(result.NewGroup, "Sales3");
  EXPECT_EQ(result.Commands, (std::vector<std::string>{"B", "A"}));
  EXPECT_EQ(ReadBytes(Path),
            "[Groups]\r\nSales=\r\nSales1=\r\nSales2=\r\nSales3=\r\n[Sales]\r\nB=\r\nA=\r\n"
            "[SalesB]\r\nCommands=\r\nAnswers=\"b\",0,0\r\nCL1=\"x y\"\r\n[SalesA]\r\nCommands=\r\n"
            "[Sales3]\r\nB=\r\nA=\r\n"
            "[Sales3B]\r\nCommands=\r\nAnswers=\"b\",0,0\r\nCL1=\"x y\"\r\n[Sales3A]\r\nCommands=\r\n");
  EXPECT_EQ(result.After, ReadBytes(Path));
  EXPECT_EQ(result.Before, file);
}

TEST_F(FileEditTest, DuplicateSkipsANumberWhoseSectionsTheFileUses) {
  // Group "Sales" with command "1" owns the section "Sales1": the copy is "Sales2".
  WriteBytes(Path, "[Groups]\r\nSales=\r\n[Sales]\r\n1=\r\n[Sales1]\r\nCommands=\r\n");
  EXPECT_EQ(TTerminalFileEditor(Path).DuplicateGroup("Sales").NewGroup, "Sales2");
}

TEST_F(FileEditTest, MergeAsksOnlyAboutCommandsTheTargetHasAndFollowsEachAnswer) {
  const std::string file = "[Groups]\r\nA=\r\nB=\r\n[A]\r\nX=\r\nY=\r\nZ=\r\n"
                           "[AX]\r\nCommands=\r\nAnswers=\"from A\",0,0\r\n[AY]\r\nAnswers=\"from A\",0,0\r\n"
                           "[AZ]\r\nAnswers=\"from A\",0,0\r\n"
                           "[B]\r\nx=\r\nz=\r\n[Bx]\r\nAnswers=\"B's own\",0,0\r\n[Bz]\r\nAnswers=\"B's own\",0,0\r\n";
  WriteBytes(Path, file);
  TTerminalFileEditor editor(Path);
  EXPECT_EQ(editor.ConflictingCommands("A", "B"), (std::vector<std::string>{"X", "Z"}));
  std::vector<std::string> asked;
  const TMergeResult result = editor.MergeGroup("A", "B", [&asked](const std::string& command) {
    asked.push_back(command);
    return command == "X" ? TMergeChoice::Overwrite : TMergeChoice::Skip;
  });
  EXPECT_EQ(asked, (std::vector<std::string>{"X", "Z"}));
  EXPECT_EQ(result.Added, std::vector<std::string>{"Y"});
  EXPECT_EQ(result.Overwritten, std::vector<std::string>{"X"});
  TIniMemory copy(Path);
  EXPECT_EQ(copy.ReadSectionKeys("B"), (std::vector<std::string>{"X", "z", "Y"}));  // overwritten key renamed in place
  EXPECT_EQ(copy.ReadValue("BX", "Answers", ""), "\"from A\",0,0");
  EXPECT_EQ(copy.ReadValue("BY", "Answers", ""), "\"from A\",0,0");
  EXPECT_EQ(copy.ReadValue("BZ", "Answers", ""), "\"B's own\",0,0");
}

TEST_F(FileEditTest, MergingAGroupIntoItselfChangesNothing) {
  WriteBytes(Path, kBase);
  int asked = 0;
  const TMergeResult result = TTerminalFileEditor(Path).MergeGroup("Sales", "Sales", [&asked](const std::string&) {
    ++asked;
    return TMergeChoice::Overwrite;
  });
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(result.Changed());
  EXPECT_EQ(ReadBytes(Path), kBase);
}

TEST_F(FileEditTest, CopyIntoItsOwnGroupAsksAndTakesEachNewName) {
  WriteBytes(Path, kBase);
  TTerminalFileEditor editor(Path);
  for (const char* name : {"Open2", "Open3", "Open4"}) {
    std::vector<std::string> asked;
    const TCopyResult result = editor.CopyCommandToGroup("Sales", "Open", "Sales", [&](const std::string& existing) {
      asked.push_back(existing);
      // The first new name offered is taken already: the ask comes again.
      return asked.size() == 1 ? TCopyChoice::Rename("close") : TCopyChoice::Rename(name);
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"Open", "close"}));
    EXPECT_EQ(result.Name, name);
    EXPECT_FALSE(result.Overwritten);
  }
  TIniMemory copy(Path);
  EXPECT_EQ(copy.ReadSectionKeys("Sales"), (std::vector<std::string>{"Open", "Close", "Open2", "Open3", "Open4"}));
  EXPECT_EQ(copy.ReadValue("SalesOpen4", "CL1", ""), copy.ReadValue("SalesOpen", "CL1", ""));
  EXPECT_EQ(copy.ReadValue("SalesOpen4", "Notes", ""), copy.ReadValue("SalesOpen", "Notes", ""));

  const TCopyResult over = editor.CopyCommandToGroup("Sales", "Open", "Sales",
                                                     [](const std::string&) { return TCopyChoice::Overwrite(); });
  EXPECT_TRUE(over.Overwritten);
  EXPECT_FALSE(over.Changed());
  for (const TCopyChoice& choice : {TCopyChoice::Cancel(), TCopyChoice::Rename("")}) {
    const TCopyResult cancelled =
        editor.CopyCommandToGroup("Sales", "Open", "Sales", [&](const std::string&) { return choice; });
    EXPECT_TRUE(cancelled.Cancelled);
    EXPECT_FALSE(cancelled.Changed());
  }
}

TEST_F(FileEditTest, ACopyUnderABadNewNameIsRefusedWhole) {
  Refusal(kBase, TEditRefusal::InvalidName, [](auto& e) {
    e.CopyCommandToGroup("Sales", "Open", "Sales", [](const std::string&) { return TCopyChoice::Rename("a=b"); });
  });
}

TEST_F(FileEditTest, ACopyReadsKeyNamesWithoutRegardToCase) {
  // A hand-written "commands" key is a field list too: quoting it would hide its fields.
  const std::string file = "[Groups]\r\nG=\r\n[G]\r\nA=\r\n[GA]\r\ncommands=0,\"C\",\"\",0,\"\",0,0,0,0,0,0,0\r\n";
  WriteBytes(Path, file);
  TTerminalFileEditor(Path).CopyCommandToGroup("G", "A", "G", [](const std::string&) {
    return TCopyChoice::Rename("B");
  });
  TIniMemory copy(Path);
  EXPECT_EQ(copy.ReadValue("GB", "Commands", ""), "0,\"C\",\"\",0,\"\",0,0,0,0,0,0,0");
  EXPECT_EQ(ReadCommandDefinition(copy, "GB").Fields.size(), 1u);
}

TEST_F(FileEditTest, ACopyKeepsValuesLongerThanTheReaderTakes) {
  const std::string longList = "\"" + std::string(9000, 'x') + "\"";
  const std::string file = "[Groups]\r\nG=\r\n[G]\r\nA=\r\n[GA]\r\nCL1=" + longList + "\r\n";
  WriteBytes(Path, file);
  TTerminalFileEditor(Path).RenameCommand("G", "A", "B");
  EXPECT_EQ(TIniMemory(Path).ReadValue("GB", "CL1", ""), longList);
}

// ---- field lists ----


TEST_F(FileEditTest, AddingCommandFieldsWritesListsNotesAndTheRecord) {
  const std::string file = "[Groups]\r\nG=\r\n[G]\r\nC=\r\n[GC]\r\nCommands=\r\nAnswers=\r\n";
  EXPECT_EQ(After(file,
                  [](auto& e) {
                    TCommandField first = Field("&Amount", kTextCurrency);
                    first.Mode = 1;
                    first.MaxLength = 12;
                    first.Required = true;
                    e.AddCommandField("GC", Entry(first, {"one", "two words"}, {"a note"}));
                    // Field 2 takes field 1's mode; its notes are not field 1's to keep.
                    e.AddCommandField("GC", Entry(Field("Say \"hi\""), {}, {"ignored"}));
                  }),
            "[Groups]\r\nG=\r\n[G]\r\nC=\r\n[GC]\r\n"
            "Commands=1,\"&Amount\",\"\",2,\"\",0,12,1,0,0,0,0,1,\"Say \"\"hi\"\"\",\"\",0,\"\",0,0,0,0,0,0,0\r\n"
            "Answers=\r\nCL1=\"one,\"two words\"\"\r\nNotes=\"\"a note\"\"\r\n");
  // The quote in the caption reads back whole in the terminal window.
  const TCommandDefinition definition = ReadCommandDefinition(TIniMemory(Path), "GC");
  ASSERT_EQ(definition.Fields.size(), 2u);
  EXPECT_EQ(definition.Fields[1].Caption, "Say \"hi\"");
  EXPECT_EQ(definition.Fields[1].Mode, 1);
  EXPECT_EQ(ReadItemList(TIniMemory(Path), "GC", 1), (std::vector<std::string>{"one", "two words"}));
}

TEST_F(FileEditTest, RemovingACommandFieldMovesTheLaterListsAndDropsTheNotes) {
  const std::string three = "0,\"A\",\"\",0,\"\",1,0,0,0,0,0,0,0,\"B\",\"\",0,\"\",0,0,0,0,0,0,0,"
                            "0,\"C\",\"\",0,\"\",1,0,0,0,0,0,0";
  struct Case {
    const char* what;
    std::string lists;  // the "CL" keys before
    int removed;
    std::string expected;  // the section after
  };
  const Case cases[] = {
      {"only field 1 had a list", "CL1=\"a\"\r\nNotes=\"n\"\r\n", 1,
       "Commands=0,\"B\",\"\",0,\"\",0,0,0,0,0,0,0,0,\"C\",\"\",0,\"\",1,0,0,0,0,0,0\r\n"},
      {"only field 3 had a list", "CL3=\"c\"\r\nNotes=\"n\"\r\n", 1,
       "Commands=0,\"B\",\"\",0,\"\",0,0,0,0,0,0,0,0,\"C\",\"\",0,\"\",1,0,0,0,0,0,0\r\nCL2=\"c\"\r\n"},
      {"the last field", "CL1=\"a\"\r\nCL3=\"c\"\r\n", 3,
       "Commands=0,\"A\",\"\",0,\"\",1,0,0,0,0,0,0,0,\"B\",\"\",0,\"\",0,0,0,0,0,0,0\r\nCL1=\"a\"\r\n"},
  };
  for (const Case& c : cases) {
    const std::string file = "[GC]\r\nCommands=" + three + "\r\n" + c.lists;
    EXPECT_EQ(After(file, [&](auto& e) { e.RemoveCommandField("GC", c.removed); }), "[GC]\r\n" + c.expected)
        << c.what;
  }
  EXPECT_EQ(After("[GC]\r\nCommands=0,\"A\",\"\",0,\"\",0,0,0,0,0,0,0\r\nNotes=\"n\"\r\n",
                  [](auto& e) { e.RemoveCommandField("GC", 1); }),
            "[GC]\r\nCommands=\r\n");
}

TEST_F(FileEditTest, ModifyingAFieldRewritesItsListAndFieldOnesNotes) {
  const std::string file = "[GC]\r\nCommands=0,\"A\",\"\",0,\"\",1,0,0,0,0,0,0,0,\"B\",\"\",0,\"\",1,0,0,0,0,0,0\r\n"
                           "CL1=\"a\"\r\nCL2=\"b\"\r\nNotes=\"n\"\r\n";
  // Field 2 cannot change the mode; an empty list deletes its key.
  TCommandField second = Field("B2");
  second.Mode = 1;
  EXPECT_EQ(After(file, [&](auto& e) { e.ModifyCommandField("GC", 2, Entry(second, {}, {"ignored"})); }),
            "[GC]\r\nCommands=0,\"A\",\"\",0,\"\",1,0,0,0,0,0,0,0,\"B2\",\"\",0,\"\",0,0,0,0,0,0,0\r\n"
            "CL1=\"a\"\r\nNotes=\"n\"\r\n");
  // Field 1 writes its notes, two quotes when there are none.
  EXPECT_EQ(After(file, [](auto& e) { e.ModifyCommandField("GC", 1, Entry(Field("A1"), {"x"}, {})); }),
            "[GC]\r\nCommands=0,\"A1\",\"\",0,\"\",0,0,0,0,0,0,0,0,\"B\",\"\",0,\"\",1,0,0,0,0,0,0\r\n"
            "CL1=\"x\"\r\nCL2=\"b\"\r\nNotes=\"\"\r\n");
}

TEST_F(FileEditTest, TheEditorReadsTheListsAsItsGridsShowThem) {
  WriteBytes(Path, "[GC]\r\nCommands=5,\"A\",\"h\",12,\"d\",7,abc,2,1,x,3,1,0,\"B\"\r\n"
                   "Answers=\"P\",2,4,\"Q\",3,4,\"R\",1\r\n");
  TTerminalFileEditor editor(Path);
  const std::vector<TCommandField> fields = editor.ReadCommandFields("GC");
  ASSERT_EQ(fields.size(), 1u);  // the 13th and 14th items are no field
  EXPECT_EQ(fields[0], (TCommandField{1, "A", "h", 0, "d", 0, 0, false, true, 0, 3, true}));
  EXPECT_EQ(editor.ReadAnswerFields("GC"), (std::vector<TAnswerField>{{"P", 2, 4}, {"Q", 3, 0}}));
}

TEST_F(FileEditTest, AnswerDecimalsAreKeptForCurrencyOnly) {
  EXPECT_EQ(After("[GC]\r\nAnswers=\r\n",
                  [](auto& e) {
                    e.AddAnswerField("GC", {"Total, gross", kTextCurrency, 2});
                    e.AddAnswerField("GC", {"Name", kTextAlphaNumeric, 5});
                    e.ModifyAnswerField("GC", 2, {"Code", kTextHexa, 3});
                    e.AddAnswerField("GC", {"Gone", kTextAlpha, 0});
                    e.RemoveAnswerField("GC", 3);
                  }),
            "[GC]\r\nAnswers=\"Total, gross\",2,2,\"Code\",5,0\r\n");
}

TEST_F(FileEditTest, RefusedFieldChangesLeaveTheFileAsItWas) {
  std::string seventy;
  for (int i = 0; i < 70; ++i) seventy += std::string(i ? "," : "") + "0,\"F\",\"\",0,\"\",0,0,0,0,0,0,0";
  const std::string full = "[GC]\r\nCommands=" + seventy + "\r\nAnswers=\r\n";
  const std::string empty = "[GC]\r\nCommands=\r\nAnswers=\r\n";
  const std::string tooLong = "[GC]\r\nCommands=0,\"" + std::string(8200, 'x') + "\",\"\",0,\"\",0,0,0,0,0,0,0\r\n";
  struct Case {
    const char* what;
    const std::string* content;
    TEditRefusal reason;
    std::function<void(TTerminalFileEditor&)> operation;
  };
  const Case cases[] = {
      {"71st field", &full, TEditRefusal::TooManyFields, [](auto& e) { e.AddCommandField("GC", Entry(Field("X"))); }},
      {"caption with a line break", &empty, TEditRefusal::InvalidValue,
       [](auto& e) { e.AddCommandField("GC", Entry(Field("a\r\nb"))); }},
      {"item with a line break", &empty, TEditRefusal::InvalidValue,
       [](auto& e) { e.AddCommandField("GC", Entry(Field("A"), {"a\nb"})); }},
      {"list longer than its reader", &empty, TEditRefusal::ValueTooLong,
       [](auto& e) { e.AddCommandField("GC", Entry(Field("A"), {std::string(2048, 'i')})); }},
      {"notes longer than their reader", &empty, TEditRefusal::ValueTooLong,
       [](auto& e) { e.AddCommandField("GC", Entry(Field("A"), {}, {std::string(1500, 'n'), std::string(600, 'n')})); }},
      {"record longer than its reader", &empty, TEditRefusal::ValueTooLong,
       [](auto& e) { e.AddCommandField("GC", Entry(Field(std::string(8200, 'c')))); }},
      {"stored record already too long to edit", &tooLong, TEditRefusal::ValueTooLong,
       [](auto& e) { e.RemoveCommandField("GC", 1); }},
      {"no such field", &empty, TEditRefusal::NotFound, [](auto& e) { e.RemoveCommandField("GC", 1); }},
      {"no such answer", &empty, TEditRefusal::NotFound, [](auto& e) { e.ModifyAnswerField("GC", 2, {}); }},
      {"text type out of range", &empty, TEditRefusal::InvalidValue,
       [](auto& e) { e.AddCommandField("GC", Entry(Field("A", 10))); }},
  };
  for (const Case& c : cases) Refusal(*c.content, c.reason, c.operation);

  std::string seventyAnswers;
  for (int i = 0; i < 70; ++i) seventyAnswers += std::string(i ? "," : "") + "\"A\",0,0";
  EXPECT_EQ(Refusal("[GC]\r\nAnswers=" + seventyAnswers + "\r\n", TEditRefusal::TooManyFields,
                    [](auto& e) { e.AddAnswerField("GC", {"B", 0, 0}); }),
            "Maximum number of dynamic controls reached!!!");
}

TEST_F(FileEditTest, AListOfExactlyTheReadersLimitIsWritten) {
  const std::string item(2047, 'i');
  After("[GC]\r\nCommands=\r\n", [&](auto& e) { e.AddCommandField("GC", Entry(Field("A"), {item})); });
  EXPECT_EQ(TTerminalFileEditor(Path).ReadItemList("GC", 1), std::vector<std::string>{item});
}

// ---- the type rule of the record dialog ----

TEST(CommandFieldBoxesTest, FollowTheTextTypeAndTheControlType) {
  struct Case {
    int textType, controlType;
    bool opening;
    int expectedType, defaultLimit, maxLength;
    bool textTypeOn, defaultOn, itemsOn, maxOn, minOn, decimalsOn;
  };
  const Case cases[] = {
      {kTextAlphaNumeric, kControlSimple, false, kTextAlphaNumeric, 0, 0, true, true, false, true, false, false},
      {kTextCurrency, kControlSimple, false, kTextCurrency, 0, 0, true, true, false, true, true, true},
      {kTextDecimal, kControlDropDown, false, kTextDecimal, 0, 0, true, false, true, true, true, false},
      {kTextHexa, kControlSimple, false, kTextHexa, 0, 0, true, true, false, true, true, false},
      {kTextHexa, kControlDropDownList, false, kTextHexa, 0, 0, true, false, true, true, false, false},
      {kTextHexa, kControlDropDownList, true, kTextHexa, 0, 0, true, false, true, true, true, false},
      {kTextBinary, kControlSimple, false, kTextBinary, 0, 0, true, true, false, true, false, false},
      {kTextBinary, kControlSimple, true, kTextBinary, 0, 0, true, true, false, true, true, false},
      {kTextBoolean, kControlSimple, false, kTextBoolean, 1, 1, true, true, false, false, false, false},
      {kTextTime, kControlSimple, false, kTextTime, 10, 10, true, true, false, false, false, false},
      {kTextAlphaNumeric, kControlDate, false, kTextDate, 0, 10, false, false, false, false, false, false},
      {kTextCurrency, kControlTime, false, kTextTime, 0, 10, false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    const TFieldBoxes boxes = CommandFieldBoxes(c.textType, c.controlType, c.opening);
    SCOPED_TRACE(::testing::Message() << "type " << c.textType << " control " << c.controlType << " opening "
                                      << c.opening);
    EXPECT_EQ(boxes.TextType, c.expectedType);
    EXPECT_EQ(boxes.DefaultTextMaxLength, c.defaultLimit);
    EXPECT_EQ(boxes.MaxLength, c.maxLength);
    EXPECT_EQ(boxes.TextTypeEnabled, c.textTypeOn);
    EXPECT_EQ(boxes.DefaultTextEnabled, c.defaultOn);
    EXPECT_EQ(boxes.ItemsEnabled, c.itemsOn);
    EXPECT_EQ(boxes.MaxLengthEnabled, c.maxOn);
    EXPECT_EQ(boxes.MinLengthEnabled, c.minOn);
    EXPECT_EQ(boxes.DecimalsEnabled, c.decimalsOn);
  }
  EXPECT_EQ(CommandFieldBoxes(kTextBoolean, kControlSimple, false).DefaultTextFilter, ftdBool);
  EXPECT_EQ(CommandFieldBoxes(kTextDate, kControlSimple, false).DefaultTextFilter, ftdAlphaNumeric);
}

// ---- undo and refused writes ----

TEST_F(FileEditTest, RestorePutsTheEarlierBytesBackOnlyWhileTheFileHoldsWhatTheEditWrote) {
  WriteBytes(Path, kBase);
  TTerminalFileEditor editor(Path);
  const TEditResult added = editor.AddGroup("Fiscal");
  editor.RestoreBytes(added.After, added.Before);
  EXPECT_EQ(ReadBytes(Path), kBase);

  const TEditResult again = editor.AddGroup("Fiscal");
  WriteBytes(Path, again.After + "[Other]\r\n");  // someone else changed the file
  try {
    editor.RestoreBytes(again.After, again.Before);
    ADD_FAILURE() << "not refused";
  } catch (const TEditRefused& refused) {
    EXPECT_EQ(refused.Reason(), TEditRefusal::FileChanged);
    EXPECT_EQ(std::string(refused.what()),
              "Cannot undo: " + Path + " has been changed by something else since the last edit");
  }
  EXPECT_EQ(ReadBytes(Path), again.After + "[Other]\r\n");
}

TEST(FileEditRefusedWriteTest, AWriteTheFileSystemRefusesLeavesTheFileAsItWas) {
  testing::TReadOnlyFolder folder({{"edit.qvl", kBase}});
  if (!folder.Available()) GTEST_SKIP() << "cannot mount a read-only tmpfs here";
  const std::string path = folder.File("edit.qvl");
  TTerminalFileEditor editor(path);
  const std::vector<std::function<void()>> operations = {
      [&] { editor.RenameGroup("Sales", "Shop"); },
      [&] { editor.RemoveCommand("Sales", "Open"); },
      [&] { editor.DuplicateGroup("Sales"); },
      [&] { editor.AddCommandField("SalesOpen", Entry(Field("X"))); },
      [&] { editor.RestoreBytes(kBase, "[Groups]\r\n"); },
  };
  for (const auto& operation : operations) {
    try {
      operation();
      ADD_FAILURE() << "not refused";
    } catch (const TIniError& error) {
      EXPECT_EQ(std::string(error.what()), "Unable to write to " + path + ": Read-only file system");
    }
    EXPECT_EQ(ReadBytes(path), kBase);
  }
  // Nothing to change is no write: not refused.
  EXPECT_FALSE(editor.MergeGroup("Sales", "Sales", [](const std::string&) { return TMergeChoice::Skip; }).Changed());
}

}  // namespace
}  // namespace quorvel::model
