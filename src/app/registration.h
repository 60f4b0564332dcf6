#pragma once
// Registers the terminal-file type (*.qvl) with the desktop: a shared-mime-info
// package and a desktop entry under the user's data folder, then the desktop's
// update commands where they are installed. A refused registration is silent.
#include <QImage>
#include <QString>

namespace quorvel::app {

struct TRegistrationPaths {
  QString mimePackage;   // <data>/mime/packages/<program>.xml
  QString desktopEntry;  // <data>/applications/<program>.desktop
  QString icon;          // <data>/icons/hicolor/64x64/apps/<program>.png
};

class TFileTypeRegistration {
 public:
  // `dataHome` is the user's data folder (XDG_DATA_HOME); `executable` the full
  // path of the program that opens the files.
  TFileTypeRegistration(const QString& programName, const QString& executable, const QString& dataHome);

  static QString MimeType(const QString& programName) { return QStringLiteral("application/x-") + programName; }
  TRegistrationPaths Paths() const;

  // Writes what differs from what is there and runs the update commands when
  // something changed. Returns false when anything could not be written.
  bool Register(const QImage& icon) const;

  // Text of the two files (also used by the tests).
  QString MimePackageText() const;
  QString DesktopEntryText() const;

 private:
  QString programName_;
  QString executable_;
  QString dataHome_;
};

// Registers this program with the user's data folder; silent on failure.
void RegisterTerminalFileType(const QImage& icon);

}  // namespace quorvel::app
