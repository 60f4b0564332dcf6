// SPDX-License-Identifier: MIT
#pragma once
// The about box: the program's picture and its version information.
#include <QDialog>

class QLabel;
class QPushButton;

namespace quorvel::app {

// The program's version information, from the build.
struct TVersionInfo {
  QString ProductName;
  QString FileVersion;
  QString CompanyName;
  QString LegalCopyright;
};
TVersionInfo ProgramVersionInfo();

class TFormAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TFormAbout(QWidget* parent = nullptr);

  QLabel* LabelProductName = nullptr;
  QLabel* LabelFileVersion = nullptr;
  QLabel* LabelCompanyName = nullptr;
  QLabel* LabelLegalCopyright = nullptr;
  QPushButton* ButtonOk = nullptr;
};

}  // namespace quorvel::app
