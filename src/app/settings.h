// SPDX-License-Identifier: MIT
#pragma once
// The per-user settings store: an INI file in the user's configuration folder,
// named after the executable's base name (for example ~/.config/quorvel.conf).
#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>

#include "model/settingsrecord.h"

namespace quorvel::app {

class TSettingsStore {
 public:
  // The store of the program whose executable base name is `programName`.
  explicit TSettingsStore(const QString& programName);
  // A store in an explicit file (tests, tools).
  static TSettingsStore AtPath(const QString& filePath);

  const QString& FilePath() const { return filePath_; }

  // Creates the store with the fifteen first-run values when it does not exist
  // yet, then reads the thirteen start-up values and the port map into `record`.
  // A value that is missing or not a number falls back to its first-run value.
  void Load(model::TSettingsRecord& record) const;
  // Writes the thirteen values that are read at start (called once, at exit).
  // Returns false when the store could not be written.
  bool Save(const model::TSettingsRecord& record) const;

 private:
  struct TPathTag {};
  TSettingsStore(const QString& filePath, TPathTag);
  void WriteFirstRunValues() const;

  QString filePath_;
};

// File paths travel as bytes in the core (the file system's own encoding).
inline std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }
inline QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// The executable's file name without its extension ("quorvel").
QString ProgramBaseName();

}  // namespace quorvel::app
