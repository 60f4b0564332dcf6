// SPDX-License-Identifier: MIT
// Runs the real quorvel-cli on terminal files in a temporary folder.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "clirun.h"
#include "model/terminalfile.h"

namespace {

namespace fs = std::filesystem;
using quorvel::clitest::TCliRun;

class InspectTest : public quorvel::clitest::TCliTest {
 protected:
  std::string WriteTerminalFile(const std::string& text, const std::string& name = "t.qvl") const {
    const fs::path path = folder / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
};

TEST_F(InspectTest, PrintsEveryItemAsTheWindowReadsIt) {
  const std::string path = WriteTerminalFile(
      "; a comment\r\n"
      "[General]\r\nProtocol=1\r\nInputDateFormat=4\r\nOutputDateFormat=7\r\n\r\n"
      "[Return codes]\r\nRC0=Success\r\nRC33=Paper out, \"check\" it \r\nRC033=never looked up\r\n"
      "rc5=lower-case key\r\nRC5=second of the same code\r\n\r\n"
      "[FiscalAnswer]\r\nRecord1=1,1,FF11,0011,\"Message1\",clRed\r\n"
      "Record2=2,3,0001,0000,\"Ready, fine\",$00ABCDEF\r\n\r\n"
      "[PrinterAnswer]\r\nRecord1=1,2,8000,8000,\"Busy\",clgreen\r\n\r\n"
      "[Groups]\r\nSales=\r\nSetup=\r\n\r\n"
      "[Sales]\r\nOpen=\r\nClose=\r\n\r\n"
      "[SalesOpen]\r\n"
      "Commands=0,\"&Amount\",\"Total amount\",2,\"\",0,12,1,0,10,2,0,1,\"Item\",\"\",0,\"A\",1,0,0,0,0,0,1\r\n"
      "Answers=\"Total\",2,2,\"Count\",4,0\r\n"
      "CL2=\"\"a b\",c\"\r\n"
      "Notes=\"\"Line one\",\"line, two\"\"\r\n\r\n"
      "[SalesClose]\r\nCommands=\r\nAnswers=\r\n");
  const TCliRun run = RunCli({"inspect", path});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "general protocol=1 input=4 output=7\n"
            "returncode 0 Success\n"
            "returncode 33 Paper out, \"check\" it \n"
            "returncode 5 lower-case key\n"
            "fixed fiscal panel=1 mask=FF11 result=0011 color=000000FF Message1\n"
            "fixed fiscal panel=3 mask=0001 result=0000 color=00ABCDEF Ready, fine\n"
            "fixed printer panel=2 mask=8000 result=8000 color=00008000 Busy\n"
            "group Sales\n"
            "command Sales/Open mode=0 fields=2 answers=2\n"
            "cmdfield 1 caption=&Amount type=2 control=0 max=12 required=1 readonly=0 min=10 decimals=2 autoinc=0 "
            "default= items=\n"
            "cmdfield 2 caption=Item type=0 control=1 max=0 required=0 readonly=0 min=0 decimals=0 autoinc=1 "
            "default=A items=\"a b\",c\n"
            "ansfield 1 caption=Total type=2 decimals=2\n"
            "ansfield 2 caption=Count type=4 decimals=0\n"
            "notes \"Line one\",\"line, two\"\n"
            "command Sales/Close mode=0 fields=0 answers=0\n"
            "group Setup\n");
}

TEST_F(InspectTest, NewFileTemplateReadsAsAnEmptyTerminalFile) {
  const std::string path = (folder / "new.qvl").string();
  quorvel::model::WriteTemplate(path);
  const TCliRun run = RunCli({"inspect", path});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "general protocol=0 input=0 output=0\n");
}

TEST_F(InspectTest, ReadingErrorsStopWithStatusOne) {
  struct TCase {
    std::string Text;
    std::string Error;
  };
  const TCase cases[] = {
      {"[Groups]\r\nG=\r\n[G]\r\nC=\r\n[GC]\r\nCommands=0,\"A\",\"\",two,\"\",0,0,0,0,0,0,0\r\n",
       "'two' is not a valid integer value (file PATH, section [GC], key Commands)\n"},
      {"[Groups]\r\nG=\r\n[G]\r\nC=\r\n[GC]\r\nAnswers=\"A\",x2,0\r\n",
       "'x2' is not a valid integer value (file PATH, section [GC], key Answers)\n"},
      {"[FiscalAnswer]\r\nRecord1=1,1,FF11,0011,\"Message1\",clPink\r\n",
       "'clPink' is not a valid integer value (file PATH, section [FiscalAnswer], key Record1)\n"},
      {"[PrinterAnswer]\r\nRecord1=1,one,FF11,0011,\"M\",clRed\r\n",
       "'one' is not a valid integer value (file PATH, section [PrinterAnswer], key Record1)\n"},
  };
  for (const TCase& c : cases) {
    const std::string path = WriteTerminalFile("[General]\r\nProtocol=1\r\n" + c.Text);
    const TCliRun run = RunCli({"inspect", path});
    EXPECT_EQ(run.status, 1) << c.Text;
    std::string error = c.Error;
    error.replace(error.find("PATH"), 4, path);
    EXPECT_EQ(run.err, error) << c.Text;
    EXPECT_EQ(run.out, "") << "nothing of a file that could not be read completely";
  }
}

TEST_F(InspectTest, MissingFileAndWrongArgumentsAreRefused) {
  const TCliRun missing = RunCli({"inspect", (folder / "absent.qvl").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("absent.qvl"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(RunCli({"inspect"}).status, 2);
  EXPECT_EQ(RunCli({"inspect", "a.qvl", "b.qvl"}).status, 2);
}

// Paths that are not regular files, and files over 64 MiB, are refused before they are
// read: nothing blocks, nothing grows without bound, nothing is printed.
TEST_F(InspectTest, PathsThatCannotBeReadCompletelyAreRefusedBeforeReading) {
  const std::string fifo = (folder / "fifo.qvl").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string large = WriteTerminalFile("[General]\r\nProtocol=1\r\n", "large.qvl");
  fs::resize_file(large, (std::uintmax_t{64} << 20) + 1);
  const struct {
    std::string path;
    std::string reason;
  } cases[] = {
      {fifo, "not a regular file"},
      {"/dev/zero", "not a regular file"},
      {folder.string(), "it is a folder"},
      {large, "larger than 64 MiB"},
  };
  for (const auto& c : cases) {
    const TCliRun run = RunCli({"inspect", c.path});
    EXPECT_EQ(run.status, 1) << c.path;
    EXPECT_EQ(run.err, "Unable to read " + c.path + ": " + c.reason + "\n");
    EXPECT_EQ(run.out, "");
  }
}

// A byte-order mark that an editor put at the start does not hide the first section.
TEST_F(InspectTest, ByteOrderMarkDoesNotHideTheFirstSection) {
  const TCliRun run =
      RunCli({"inspect", WriteTerminalFile("\xEF\xBB\xBF[General]\r\nProtocol=1\r\nInputDateFormat=2\r\n")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "general protocol=1 input=2 output=0\n");
}

TEST_F(InspectTest, FieldsBeyondSeventyAreReportedNotRead) {
  std::string commands = "Commands=0,\"F\",\"\",0,\"\",0,0,0,0,0,0,0";
  for (int i = 1; i < 72; ++i) commands += ",0,\"F\",\"\",0,\"\",0,0,0,0,0,0,0";
  const TCliRun run = RunCli({"inspect", WriteTerminalFile("[Groups]\r\nG=\r\n[G]\r\nC=\r\n[GC]\r\n" + commands + "\r\n")});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("command G/C mode=0 fields=70 answers=0\n"), std::string::npos);
  EXPECT_NE(run.err.find("2 command fields beyond the first 70"), std::string::npos) << run.err;
}

}  // namespace
