// SPDX-License-Identifier: MIT
#pragma once
// What the editor tests share: record dialogs answered from queues, and a
// terminal file in a real temporary folder read back line by line.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "editors/amrcmdansfields.h"
#include "model/extinifile.h"

namespace quorvel::editors::test {

class TScriptedRecordDialogs final : public TRecordDialogs {
 public:
  struct TCall {
    int fieldNumber = 0;
    bool first = false;
    int mode = 0;
    bool stored = false;
    TCommandRecord storedRecord;
    model::TAnswerField storedAnswer;
  };
  std::deque<std::optional<TCommandRecord>> commandAnswers;
  std::deque<std::optional<model::TAnswerField>> answerAnswers;
  std::vector<TCall> calls;

  std::optional<TCommandRecord> EditCommandRecord(QWidget*, int fieldNumber, bool first, int mode,
                                                  const TCommandRecord* stored) override {
    calls.push_back({fieldNumber, first, mode, stored != nullptr, stored ? *stored : TCommandRecord{}, {}});
    if (commandAnswers.empty()) return std::nullopt;
    std::optional<TCommandRecord> answer = commandAnswers.front();
    commandAnswers.pop_front();
    return answer;
  }
  std::optional<model::TAnswerField> EditAnswerRecord(QWidget*, int fieldNumber,
                                                      const model::TAnswerField* stored) override {
    calls.push_back({fieldNumber, false, 0, stored != nullptr, {}, stored ? *stored : model::TAnswerField{}});
    if (answerAnswers.empty()) return std::nullopt;
    std::optional<model::TAnswerField> answer = answerAnswers.front();
    answerAnswers.pop_front();
    return answer;
  }
};

// Writes `lines` joined with CR LF into `name` in `folder`; returns its path.
inline std::string WriteLines(const QTemporaryDir& folder, const QString& name, const QStringList& lines) {
  const QString path = QDir(folder.path()).filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return std::string();
  file.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
  return QFile::encodeName(path).toStdString();
}

inline std::string FileBytes(const std::string& path) {
  std::string bytes;
  model::TFileDevice(path).Load(bytes);
  return bytes;
}

// The key lines of one section, in file order.
inline QStringList SectionLines(const std::string& path, const std::string& section) {
  QStringList lines;
  for (const std::string& line : model::TExtIniFile(path).ReadSectionLines(section)) {
    lines << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
  }
  return lines;
}

}  // namespace quorvel::editors::test
