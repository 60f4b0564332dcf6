// SPDX-License-Identifier: MIT
#pragma once
// The preferences dialog: host port, baud rate and protocol, DGI port and time-out,
// log colours and low-level logging, language, the two date formats and the display
// of reserved answer fields. It only copies values between its controls and the
// settings record; the main window reopens the ports afterwards.
//
// Beside each port choice the dialog shows the device path that port maps to on
// this machine; the path is editable and offers the serial and USB printer devices
// found. The paths live in the settings record's port map.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "model/settingsrecord.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace quorvel::app {

class TFormPreferences : public QDialog {
  Q_OBJECT

 public:
  // Loads every control from `settings`. exec() == QDialog::Accepted means OK, and
  // then the values have been copied into `settings`; Cancel leaves it unchanged.
  explicit TFormPreferences(model::TSettingsRecord& settings, QWidget* parent = nullptr);

  // Device paths offered beside the port choices: the serial and USB printer
  // devices found in `devDir` (ttyS*, ttyUSB*, ttyACM*, usb/lp*), in natural name
  // order. A ttyS* whose `sysTtyDir`/<name>/type reads 0 has no UART and is skipped.
  static QStringList DevicePathsIn(const QString& devDir = QStringLiteral("/dev"),
                                   const QString& sysTtyDir = QStringLiteral("/sys/class/tty"));

 private slots:
  void ButtonOkClick();
  void HostPortChanged(int index);
  void DgiPortChanged(int index);
  void HostDeviceEdited(const QString& path);
  void DgiDeviceEdited(const QString& path);

 private:
  void CreateControls(const QStringList& devices);
  void LoadFromSettings();
  std::string DevicePathOf(int hostPortIndex) const;
  void SetDevicePathOf(int hostPortIndex, const QString& path);
  // What an empty path stands for, shown as the device box's placeholder.
  static QString EmptyPathMeaning(int hostPortIndex);
  void ShowDevicePath(QComboBox* device, int index);

  model::TSettingsRecord& settings_;
  // Port map being edited; copied into the settings record on OK only.
  platform::TPortMap ports_;

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
