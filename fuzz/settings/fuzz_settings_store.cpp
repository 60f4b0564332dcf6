// SPDX-License-Identifier: MIT
// Any bytes as the per-user settings file: loading must terminate without faults,
// and what was loaded must survive a save and a second load unchanged.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/settings.h"
#include "model/settingsrecord.h"

using quorvel::app::TSettingsStore;
using quorvel::model::TSettingsRecord;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SameStoredValues(const TSettingsRecord& a, const TSettingsRecord& b) {
  return a.TVWidth == b.TVWidth && a.File == b.File && a.Language == b.Language &&
         a.ExtReservedFields == b.ExtReservedFields && a.HComm == b.HComm && a.HBaud == b.HBaud &&
         a.DGIEnabled == b.DGIEnabled && a.DComm == b.DComm && a.DTimeOut == b.DTimeOut &&
         a.HostColor == b.HostColor && a.FPColor == b.FPColor && a.DGIColor == b.DGIColor &&
         a.LowLevel == b.LowLevel && a.ports.com == b.ports.com && a.ports.usb == b.ports.usb;
}

// A folder of this process in memory-backed storage when there is one, removed at exit.
// Every input gets file names of its own: the settings layer caches files by name, and
// a rewritten file of the same size within the same millisecond would read as before.
const QString& WorkFolder() {
  static const QString folder = [] {
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString path = base + QStringLiteral("/fuzz_settings_store.%1").arg(::getpid());
    QDir().mkpath(path);
    std::atexit([] { QDir(WorkFolder()).removeRecursively(); });
    return path;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::uint64_t counter = 0;
  ++counter;
  const QString loaded = WorkFolder() + QStringLiteral("/in%1.conf").arg(counter);
  const QString saved = WorkFolder() + QStringLiteral("/out%1.conf").arg(counter);
  {
    QFile file(loaded);
    Check(file.open(QIODevice::WriteOnly));
    Check(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == static_cast<qint64>(size));
  }

  TSettingsRecord first;
  TSettingsStore::AtPath(loaded).Load(first);
  for (const auto& path : first.ports.com) Check(!path.empty());

  Check(TSettingsStore::AtPath(saved).Save(first));
  TSettingsRecord second;
  TSettingsStore::AtPath(saved).Load(second);
  Check(SameStoredValues(first, second));

  QFile::remove(loaded);
  QFile::remove(saved);
  return 0;
}
