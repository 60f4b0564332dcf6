// SPDX-License-Identifier: MIT
#pragma once
// Registers the terminal-file type (*.qvl) with the desktop for a program run from its
// build folder: a shared-mime-info package, a desktop entry and an icon under the
// user's data folder, then the desktop's update commands where they are installed.
// An installed program finds its entry, type and icon in the system's data folders
// and writes nothing. A refused registration is silent.
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

namespace quorvel::app {

struct TRegistrationPaths {
  QString mimePackage;   // <data>/mime/packages/<program>.xml
  QString desktopEntry;  // <data>/applications/<program>.desktop
  QString icon;          // <data>/icons/hicolor/64x64/apps/<program>.png
};

// The program a desktop entry starts: the first word of its Exec value, with the
// entry's quoting and escapes undone. Empty when the entry has no Exec key.
QString ExecProgram(const QString& desktopEntryText);

class TFileTypeRegistration {
 public:
  // `dataHome` is the user's data folder (XDG_DATA_HOME), `systemDataDirs` the
  // system's (XDG_DATA_DIRS); `executable` the full path of the program that opens
  // the files.
  TFileTypeRegistration(const QString& programName, const QString& executable, const QString& dataHome,
                        const QStringList& systemDataDirs = {});

  // Runs a desktop database command (update-mime-database FOLDER, or
  // update-desktop-database FOLDER) after the files it reads have changed. By default
  // the command is started in the background when it is installed, and not waited for.
  using TUpdateRunner = std::function<void(const QString& program, const QStringList& arguments)>;
  void SetUpdateRunner(TUpdateRunner runner) { runUpdate_ = std::move(runner); }

  static QString MimeType() { return QStringLiteral("application/x-quorvel"); }
  TRegistrationPaths Paths() const;

  // The program that the first desktop entry of this name in the system's data
  // folders (not the user's) starts, found in PATH when the entry names no folder;
  // empty when no such entry starts a program that can be found.
  QString InstalledProgram() const;

  // Writes what differs from what is there and runs the update commands when
  // something changed. Writes nothing for an installed program; beside an installed
  // program, writes only over a user's entry that starts another, not installed
  // program (its own, an older build's), so it never hides or replaces the
  // installed program's entry. Returns false when anything could not be written.
  bool Register(const QImage& icon) const;

  // Text of the two files (also used by the tests): the installed mime package as
  // it is, the installed desktop entry with Exec naming this executable.
  QString MimePackageText() const;
  QString DesktopEntryText() const;

 private:
  QString programName_;
  QString executable_;
  QString dataHome_;
  QStringList systemDataDirs_;
  TUpdateRunner runUpdate_;
};

// True when `programFolder` is the program folder of an installation: beside it,
// share/applications holds the program's desktop entry, as `cmake --install` and the
// Debian package put it ("/usr/bin" and "/usr/share/applications"). A build folder
// holds none, however writable it is.
bool IsInstalledProgramFolder(const QString& programFolder, const QString& programName);

// Registers this program with the user's data folder; silent on failure.
void RegisterTerminalFileType(const QImage& icon);

}  // namespace quorvel::app
