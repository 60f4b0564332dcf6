// SPDX-License-Identifier: MIT
#include "app/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <array>
#include <limits>

namespace quorvel::app {
namespace {

// The fifteen values of the store with their first-run values, in the order
// they are written on the first run.
struct TFirstRunValue {
  const char* name;
  int value;  // every value is an integer except File, which is empty text
};
constexpr std::array<TFirstRunValue, 15> kFirstRunValues{{
    {"TVWidth", 0},
    {"File", 0},
    {"Language", 0},
    {"ExtReservedFields", 0},
    {"HComm", 0},
    {"HBaud", 3},
    {"HTimeOut", 1000},
    {"DComm", 1},
    {"DBaud", 3},
    {"DTimeOut", 1000},
    {"DGIEnabled", 0},
    {"HostColor", 0},
    {"FPColor", 0},
    {"DGIColor", 0},
    {"LowLevel", 0},
}};

int FirstRunValue(const char* name) {
  for (const auto& entry : kFirstRunValues) {
    if (qstrcmp(entry.name, name) == 0) return entry.value;
  }
  return 0;
}

// A 32-bit integer value; the first-run value when missing or not a number.
qint64 ReadInteger(const QSettings& store, const char* name) {
  bool ok = false;
  const qint64 value = store.value(name).toString().trimmed().toLongLong(&ok);
  if (!ok || value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<quint32>::max()) {
    return FirstRunValue(name);
  }
  return value;
}

template <typename T>
T ReadAs(const QSettings& store, const char* name) {
  return static_cast<T>(ReadInteger(store, name));
}

bool ReadBool(const QSettings& store, const char* name) { return ReadInteger(store, name) != 0; }

QString PortKey(int index) { return QStringLiteral("Ports/Com%1").arg(index + 1); }

// An empty or missing Com path stands for the port's default device.
platform::TPortMap ReadPortMap(const QSettings& store) {
  platform::TPortMap ports;
  for (int i = 0; i < platform::TPortMap::kComCount; ++i) {
    const QString path = store.value(PortKey(i)).toString().trimmed();
    if (!path.isEmpty()) ports.com[static_cast<std::size_t>(i)] = path.toStdString();
  }
  ports.usb = store.value(QStringLiteral("Ports/USB")).toString().trimmed().toStdString();
  return ports;
}

void WritePortMap(QSettings& store, const platform::TPortMap& ports) {
  for (int i = 0; i < platform::TPortMap::kComCount; ++i) {
    store.setValue(PortKey(i), QString::fromStdString(ports.com[static_cast<std::size_t>(i)]));
  }
  store.setValue(QStringLiteral("Ports/USB"), QString::fromStdString(ports.usb));
}

}  // namespace

QString ProgramBaseName() {
  QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  return name.isEmpty() ? QStringLiteral("quorvel") : name;
}

TSettingsStore::TSettingsStore(const QString& programName)
    : filePath_(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                    .filePath(programName + QStringLiteral(".conf"))) {}

TSettingsStore::TSettingsStore(const QString& filePath, TPathTag) : filePath_(filePath) {}

TSettingsStore TSettingsStore::AtPath(const QString& filePath) { return TSettingsStore(filePath, TPathTag{}); }

void TSettingsStore::WriteFirstRunValues() const {
  QSettings store(filePath_, QSettings::IniFormat);
  for (const auto& entry : kFirstRunValues) {
    if (qstrcmp(entry.name, "File") == 0) {
      store.setValue(entry.name, QString());
    } else {
      store.setValue(entry.name, entry.value);
    }
  }
  WritePortMap(store, platform::TPortMap{});
  store.sync();
}

void TSettingsStore::Load(model::TSettingsRecord& record) const {
  if (!QFileInfo::exists(filePath_)) {
    QDir().mkpath(QFileInfo(filePath_).absolutePath());
    WriteFirstRunValues();
  }
  const QSettings store(filePath_, QSettings::IniFormat);
  record.TVWidth = ReadAs<std::uint32_t>(store, "TVWidth");
  record.File = PathBytes(store.value("File").toString());
  record.Language = ReadAs<std::uint8_t>(store, "Language");
  record.ExtReservedFields = ReadBool(store, "ExtReservedFields");
  record.HComm = ReadAs<std::uint8_t>(store, "HComm");
  record.HBaud = ReadAs<std::uint8_t>(store, "HBaud");
  record.DGIEnabled = ReadBool(store, "DGIEnabled");
  record.DComm = ReadAs<std::uint8_t>(store, "DComm");
  record.DTimeOut = ReadAs<std::uint32_t>(store, "DTimeOut");
  record.HostColor = ReadAs<std::uint32_t>(store, "HostColor");
  record.FPColor = ReadAs<std::uint32_t>(store, "FPColor");
  record.DGIColor = ReadAs<std::uint32_t>(store, "DGIColor");
  record.LowLevel = ReadBool(store, "LowLevel");
  record.ports = ReadPortMap(store);
}

bool TSettingsStore::Save(const model::TSettingsRecord& record) const {
  QDir().mkpath(QFileInfo(filePath_).absolutePath());
  QSettings store(filePath_, QSettings::IniFormat);
  store.setValue("TVWidth", static_cast<qint64>(record.TVWidth));
  store.setValue("File", PathText(record.File));
  store.setValue("Language", record.Language);
  store.setValue("ExtReservedFields", record.ExtReservedFields ? 1 : 0);
  store.setValue("HComm", record.HComm);
  store.setValue("HBaud", record.HBaud);
  store.setValue("DGIEnabled", record.DGIEnabled ? 1 : 0);
  store.setValue("DComm", record.DComm);
  store.setValue("DTimeOut", static_cast<qint64>(record.DTimeOut));
  store.setValue("HostColor", static_cast<qint64>(record.HostColor));
  store.setValue("FPColor", static_cast<qint64>(record.FPColor));
  store.setValue("DGIColor", static_cast<qint64>(record.DGIColor));
  store.setValue("LowLevel", record.LowLevel ? 1 : 0);
  WritePortMap(store, record.ports);  // device paths chosen in the preferences
  store.sync();
  return store.status() == QSettings::NoError;
}

}  // namespace quorvel::app
