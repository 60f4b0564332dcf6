// SPDX-License-Identifier: MIT
#include "app/preferences.h"

#include "host/fiscalcontrol.h"
#include "model/colors.h"
#include "model/convert.h"
#include "widgets/colorlist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvel::app {

namespace {

constexpr int kUsbPortIndex = platform::TPortMap::kComCount;  // "USB" follows Com1 ... Com16
constexpr int kDgiPortCount = 4;


QComboBox* NewList(QWidget* parent, const QString& hint, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->addItems(items);
  box->setToolTip(hint);
  return box;
}

QStringList ComNames(int count) {
  QStringList names;
  for (int i = 1; i <= count; ++i) names << QStringLiteral("Com%1").arg(i);
  return names;
}

QComboBox* NewDeviceBox(QWidget* parent, const QStringList& devices) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(devices);
  box->setMinimumContentsLength(16);
  box->setToolTip(QObject::tr("Device this port is on"));
  return box;
}

// A stored colour outside the list leaves the list without a selection and stays
// unchanged unless the user picked a colour.
void StoreColor(const QComboBox* box, std::uint32_t& value) {
  if (const auto chosen = widgets::SelectedColor(box)) value = *chosen;
}

// An index outside the list shows no selection; OK then keeps the stored code.
void SelectIndex(QComboBox* box, int index) { box->setCurrentIndex(index < box->count() ? index : -1); }

void StoreIndex(const QComboBox* box, std::uint8_t& code) {
  if (box->currentIndex() >= 0) code = static_cast<std::uint8_t>(box->currentIndex());
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text, buddy->parentWidget());
  label->setBuddy(buddy);
  return label;
}

QWidget* Row(QWidget* parent, QWidget* first, QWidget* second) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  first->setParent(row);
  second->setParent(row);
  layout->addWidget(first);
  layout->addWidget(second, 1);
  return row;
}

// Name order with digit runs compared as numbers: ttyS2 before ttyS10.
bool NaturalLess(const QString& a, const QString& b) {
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      const qsizetype startA = i, startB = j;
      while (i < a.size() && a[i].isDigit()) ++i;
      while (j < b.size() && b[j].isDigit()) ++j;
      const qulonglong numberA = a.mid(startA, i - startA).toULongLong();
      const qulonglong numberB = b.mid(startB, j - startB).toULongLong();
      if (numberA != numberB) return numberA < numberB;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

bool HasNoUart(const QString& sysTtyDir, const QString& name) {
  QFile type(sysTtyDir + QLatin1Char('/') + name + QStringLiteral("/type"));
  if (!type.open(QIODevice::ReadOnly)) return false;
  return type.readAll().trimmed() == "0";
}

}  // namespace

QStringList TFormPreferences::DevicePathsIn(const QString& devDir, const QString& sysTtyDir) {
  QStringList found;
  const QDir dev(devDir);
  for (const QString& name : dev.entryList({"ttyS*", "ttyUSB*", "ttyACM*"}, QDir::System | QDir::Files)) {
    if (name.startsWith(QLatin1String("ttyS")) && HasNoUart(sysTtyDir, name)) continue;
    found << dev.filePath(name);
  }
  const QDir usb(dev.filePath(QStringLiteral("usb")));
  for (const QString& name : usb.entryList({"lp*"}, QDir::System | QDir::Files)) found << usb.filePath(name);
  std::sort(found.begin(), found.end(), NaturalLess);
  return found;
}

TFormPreferences::TFormPreferences(model::TSettingsRecord& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), ports_(settings.ports) {
  setWindowTitle(tr("System preferences"));
  setAttribute(Qt::WA_AlwaysShowToolTips);
  CreateControls(DevicePathsIn());
  LoadFromSettings();
  layout()->setSizeConstraint(QLayout::SetFixedSize);  // fixed dialog border
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    adjustSize();
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TFormPreferences::CreateControls(const QStringList& devices) {
  PageControl = new QTabWidget(this);

  auto* host = new QWidget(PageControl);
  ComboBoxProtocoll = NewList(host, tr("Select protocol type"), {tr("Compatible"), tr("Extended")});
  QStringList hostPorts = ComNames(platform::TPortMap::kComCount);
  hostPorts << QStringLiteral("USB");
  ComboBoxHostComm = NewList(host, tr("Select Comm port"), hostPorts);
  ComboBoxHostDevice = NewDeviceBox(host, devices);
  ComboBoxHostBaudRate = NewList(host, tr("Select baud rate port"), {});
  for (int baud = host::br1200; baud <= host::br115200; ++baud)
    ComboBoxHostBaudRate->addItem(QString::number(host::BitsPerSecond(static_cast<host::TBaudRate>(baud))));
  auto* hostForm = new QFormLayout(host);
  hostForm->addRow(BuddyLabel(tr("&Protocol"), ComboBoxProtocoll), ComboBoxProtocoll);
  QLabel* hostCommLabel = BuddyLabel(tr("Co&mm port"), ComboBoxHostComm);
  hostForm->addRow(hostCommLabel, Row(host, ComboBoxHostComm, ComboBoxHostDevice));
  hostForm->addRow(BuddyLabel(tr("&Baud rate"), ComboBoxHostBaudRate), ComboBoxHostBaudRate);
  PageControl->addTab(host, tr("&Host port"));
  PageControl->setTabToolTip(0, tr("Select Host related preferences"));

  auto* fiscal = new QWidget(PageControl);
  ComboBoxDgiComm = NewList(fiscal, tr("Select comm port"), ComNames(kDgiPortCount));
  ComboBoxDgiDevice = NewDeviceBox(fiscal, devices);
  CSpinEditDgiTimeOut = new QSpinBox(fiscal);
  CSpinEditDgiTimeOut->setRange(0, 10000000);
  CSpinEditDgiTimeOut->setSingleStep(100);
  CSpinEditDgiTimeOut->setToolTip(tr("Enter communications time-out in ms. Zero indicate infinite."));
  auto* fiscalForm = new QFormLayout(fiscal);
  fiscalForm->addRow(BuddyLabel(tr("Co&mm port"), ComboBoxDgiComm), Row(fiscal, ComboBoxDgiComm, ComboBoxDgiDevice));
  fiscalForm->addRow(BuddyLabel(tr("&Time out in ms"), CSpinEditDgiTimeOut), CSpinEditDgiTimeOut);
  PageControl->addTab(fiscal, tr("&Fiscal port"));
  PageControl->setTabToolTip(1, tr("Fiscal related preferences"));

  auto* log = new QWidget(PageControl);
  ColorComboBoxHostColor = widgets::NewColorList(log, tr("Select Host frame color"));
  ColorComboBoxFPColor = widgets::NewColorList(log, tr("Select Fiscal printer frame color"));
  ColorComboBoxDgiColor = widgets::NewColorList(log, tr("Select Fiscal frame color"));
  CheckBoxLowLevelLog = new QCheckBox(tr("Lo&w level log"), log);
  CheckBoxLowLevelLog->setToolTip(tr("Enable low level communications log"));
  auto* logForm = new QFormLayout(log);
  logForm->addRow(BuddyLabel(tr("&Host frame color"), ColorComboBoxHostColor), ColorComboBoxHostColor);
  logForm->addRow(BuddyLabel(tr("&Fiscal printer frame color"), ColorComboBoxFPColor), ColorComboBoxFPColor);
  logForm->addRow(BuddyLabel(tr("&Fiscal frame color"), ColorComboBoxDgiColor), ColorComboBoxDgiColor);
  logForm->addRow(CheckBoxLowLevelLog);
  PageControl->addTab(log, tr("&Log"));
  PageControl->setTabToolTip(2, tr("Log related preferences"));

  auto* other = new QWidget(PageControl);
  ComboBoxLanguge = NewList(other, tr("Select application language"), {tr("English"), tr("Spanish")});
  QStringList formats;
  for (const std::string& format : model::DateFormatNames()) formats << QString::fromStdString(format);
  ComboBoxInputDateFormat = NewList(other, tr("Select inputs fields date format"), formats);
  ComboBoxOutputDateFormat = NewList(other, tr("Select input fields date format"), formats);
  CheckBoxReservedFields = new QCheckBox(tr("&Show reserved fields"), other);
  CheckBoxReservedFields->setToolTip(tr("Show reserved fields in extended protocol"));
  auto* otherForm = new QFormLayout(other);
  otherForm->addRow(BuddyLabel(tr("&Language"), ComboBoxLanguge), ComboBoxLanguge);
  otherForm->addRow(BuddyLabel(tr("&Input date format"), ComboBoxInputDateFormat), ComboBoxInputDateFormat);
  otherForm->addRow(BuddyLabel(tr("&Output date format"), ComboBoxOutputDateFormat), ComboBoxOutputDateFormat);
  otherForm->addRow(CheckBoxReservedFields);
  PageControl->addTab(other, tr("O&ther"));
  PageControl->setTabToolTip(3, tr("Miscellaneous related preferences"));

  ButtonOk = new QPushButton(tr("&Ok"), this);
  ButtonCancel = new QPushButton(tr("&Cancel"), this);
  ButtonOk->setAutoDefault(false);
  ButtonCancel->setDefault(true);  // Enter cancels
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ButtonOk);
  buttons->addWidget(ButtonCancel);

  auto* main = new QVBoxLayout(this);
  main->addWidget(PageControl);
  main->addLayout(buttons);

  connect(ButtonOk, &QPushButton::clicked, this, &TFormPreferences::ButtonOkClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ComboBoxHostComm, &QComboBox::currentIndexChanged, this, &TFormPreferences::HostPortChanged);
  connect(ComboBoxDgiComm, &QComboBox::currentIndexChanged, this, &TFormPreferences::DgiPortChanged);
  connect(ComboBoxHostDevice, &QComboBox::editTextChanged, this, &TFormPreferences::HostDeviceEdited);
  connect(ComboBoxDgiDevice, &QComboBox::editTextChanged, this, &TFormPreferences::DgiDeviceEdited);
}

void TFormPreferences::LoadFromSettings() {
  widgets::SelectColor(ColorComboBoxHostColor, settings_.HostColor);
  widgets::SelectColor(ColorComboBoxFPColor, settings_.FPColor);
  widgets::SelectColor(ColorComboBoxDgiColor, settings_.DGIColor);
  CheckBoxLowLevelLog->setChecked(settings_.LowLevel);
  CheckBoxReservedFields->setChecked(settings_.ExtReservedFields);
  SelectIndex(ComboBoxHostBaudRate, settings_.HBaud);
  SelectIndex(ComboBoxHostComm, settings_.HComm);
  SelectIndex(ComboBoxDgiComm, settings_.DComm);
  SelectIndex(ComboBoxLanguge, settings_.Language);
  SelectIndex(ComboBoxProtocoll, settings_.Protocol);
  SelectIndex(ComboBoxInputDateFormat, settings_.InputDateFormat);
  SelectIndex(ComboBoxOutputDateFormat, settings_.OutputDateFormat);
  CSpinEditDgiTimeOut->setValue(static_cast<int>(std::min<std::uint32_t>(settings_.DTimeOut, 10000000)));
  HostPortChanged(ComboBoxHostComm->currentIndex());
  DgiPortChanged(ComboBoxDgiComm->currentIndex());
}

std::string TFormPreferences::DevicePathOf(int hostPortIndex) const {
  if (hostPortIndex == kUsbPortIndex) return ports_.usb;
  return ports_.ComPath(hostPortIndex);
}

// An emptied USB path means "the last /dev/usb/lp*"; an emptied Com path goes
// back to the port's default device, since a Com port always names one.
void TFormPreferences::SetDevicePathOf(int hostPortIndex, const QString& path) {
  const std::string bytes = path.trimmed().toStdString();
  if (hostPortIndex == kUsbPortIndex) {
    ports_.usb = bytes;
  } else if (hostPortIndex >= 0 && hostPortIndex < platform::TPortMap::kComCount) {
    const auto port = static_cast<std::size_t>(hostPortIndex);
    ports_.com[port] = bytes.empty() ? platform::TPortMap::DefaultComPaths()[port] : bytes;
  }
}

QString TFormPreferences::EmptyPathMeaning(int hostPortIndex) {
  if (hostPortIndex == kUsbPortIndex) return tr("last /dev/usb/lp*");
  if (hostPortIndex < 0 || hostPortIndex >= platform::TPortMap::kComCount) return {};
  return QString::fromStdString(platform::TPortMap::DefaultComPaths()[static_cast<std::size_t>(hostPortIndex)]);
}

void TFormPreferences::ShowDevicePath(QComboBox* device, int index) {
  const QSignalBlocker quiet(device);
  device->setEnabled(index >= 0);
  device->lineEdit()->setPlaceholderText(EmptyPathMeaning(index));
  device->setEditText(index >= 0 ? QString::fromStdString(DevicePathOf(index)) : QString());
}

void TFormPreferences::HostPortChanged(int index) { ShowDevicePath(ComboBoxHostDevice, index); }

void TFormPreferences::DgiPortChanged(int index) { ShowDevicePath(ComboBoxDgiDevice, index); }

// The DGI ports Com1 ... Com4 share the port map with the host port, so an edit
// of one path shows at once in the other choice when both name the same port.
void TFormPreferences::HostDeviceEdited(const QString& path) {
  const int port = ComboBoxHostComm->currentIndex();
  SetDevicePathOf(port, path);
  if (port >= 0 && port == ComboBoxDgiComm->currentIndex()) DgiPortChanged(port);
}

void TFormPreferences::DgiDeviceEdited(const QString& path) {
  const int port = ComboBoxDgiComm->currentIndex();
  SetDevicePathOf(port, path);
  if (port >= 0 && port == ComboBoxHostComm->currentIndex()) HostPortChanged(port);
}

void TFormPreferences::ButtonOkClick() {
  StoreColor(ColorComboBoxHostColor, settings_.HostColor);
  StoreColor(ColorComboBoxFPColor, settings_.FPColor);
  StoreColor(ColorComboBoxDgiColor, settings_.DGIColor);
  settings_.LowLevel = CheckBoxLowLevelLog->isChecked();
  settings_.ExtReservedFields = CheckBoxReservedFields->isChecked();
  StoreIndex(ComboBoxHostComm, settings_.HComm);
  StoreIndex(ComboBoxHostBaudRate, settings_.HBaud);
  StoreIndex(ComboBoxDgiComm, settings_.DComm);
  CSpinEditDgiTimeOut->interpretText();  // the field's text, as typed
  settings_.DTimeOut = static_cast<std::uint32_t>(CSpinEditDgiTimeOut->value());
  StoreIndex(ComboBoxLanguge, settings_.Language);
  StoreIndex(ComboBoxProtocoll, settings_.Protocol);
  StoreIndex(ComboBoxOutputDateFormat, settings_.OutputDateFormat);
  StoreIndex(ComboBoxInputDateFormat, settings_.InputDateFormat);
  settings_.ports = ports_;
  accept();
}

}  // namespace quorvel::app
