#pragma once
// The preferences dialog: host port, baud rate and protocol, DGI port and time-out,
// log colours and low-level logging, language, the two date formats and the display
// of reserved answer fields. It only copies values between its controls and the
// settings record; the main window reopens the ports afterwards.
#include <QDialog>

#include "model/settingsrecord.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace quorvel::app {

class TFormPreferences : public QDialog {
  Q_OBJECT

 public:
  // Loads every control from `settings`. exec() == QDialog::Accepted means OK, and
  // then the values have been copied into `settings`; Cancel leaves it unchanged.
  TFormPreferences(model::TSettingsRecord& settings, QWidget* parent = nullptr);

  // The sixteen standard colours offered by the colour lists, in list order.
  struct TNamedColor {
    const char* name;
    std::uint32_t value;  // 0x00BBGGRR
  };
  static const TNamedColor kStandardColors[16];

  // Device paths offered beside the port choices: the serial and USB printer
  // devices found under `devDir` (ttyS*, ttyUSB*, ttyACM*, usb/lp*), in name order.
  static QStringList DevicePathsIn(const QString& devDir = QStringLiteral("/dev"));

 private slots:
  void ButtonOkClick();
  void HostPortChanged(int index);
  void DgiPortChanged(int index);

 private:
  void CreateControls();
  void LoadFromSettings();
  void ShowHostDevicePath(int portIndex);
  void ShowDgiDevicePath(int portIndex);
  void KeepHostDevicePath();
  void KeepDgiDevicePath();

  model::TSettingsRecord& settings_;
  // Port map being edited; copied into the settings record on OK only.
  platform::TPortMap ports_;
  int shownHostPort_ = -1;
  int shownDgiPort_ = -1;

 public:
  // Controls, public so tests can drive the dialog as a user would.
  QTabWidget* PageControl = nullptr;
  QComboBox* ComboBoxProtocoll = nullptr;
  QComboBox* ComboBoxHostComm = nullptr;
  QComboBox* ComboBoxHostDevice = nullptr;
  QComboBox* ComboBoxHostBaudRate = nullptr;
  QComboBox* ComboBoxDgiComm = nullptr;
  QComboBox* ComboBoxDgiDevice = nullptr;
  QSpinBox* CSpinEditDgiTimeOut = nullptr;
  QComboBox* ColorComboBoxHostColor = nullptr;
  QComboBox* ColorComboBoxFPColor = nullptr;
  QComboBox* ColorComboBoxDgiColor = nullptr;
  QCheckBox* CheckBoxLowLevelLog = nullptr;
  QComboBox* ComboBoxLanguge = nullptr;
  QComboBox* ComboBoxInputDateFormat = nullptr;
  QComboBox* ComboBoxOutputDateFormat = nullptr;
  QCheckBox* CheckBoxReservedFields = nullptr;
  QPushButton* ButtonOk = nullptr;
  QPushButton* ButtonCancel = nullptr;
};

}  // namespace quorvel::app
