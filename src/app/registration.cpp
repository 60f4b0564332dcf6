// SPDX-License-Identifier: MIT
#include "app/registration.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include "app/settings.h"

// The installed desktop files, compiled into the program (static library: the
// resource must be pulled in by name, outside any namespace).
static void InitDesktopResources() { Q_INIT_RESOURCE(desktop); }

namespace quorvel::app {
namespace {

// Replaces `path` with `content` unless it already holds exactly that.
// Returns {written ok, changed}.
struct TWriteResult {
  bool ok = true;
  bool changed = false;
};

TWriteResult WriteIfDifferent(const QString& path, const QByteArray& content) {
  QFile existing(path);
  if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content) return {true, false};
  existing.close();
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return {false, false};
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {false, false};
  file.write(content);
  return {file.commit(), true};
}

QString ReadText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString DesktopResource(const QString& name) {
  InitDesktopResources();
  return ReadText(QStringLiteral(":/desktop/") + name);
}

// A desktop-entry Exec argument: quoted, with the reserved characters escaped,
// then the string-value escape of the backslash.
QString QuotedExecArgument(const QString& argument) {
  QString quoted;
  for (const QChar c : argument) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
    quoted += c;
  }
  quoted = u'"' + quoted + u'"';
  quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
  return quoted.replace(QStringLiteral("%"), QStringLiteral("%%"));
}

// The value of the first Exec key of the [Desktop Entry] group, as written.
QString ExecValue(const QString& text) {
  bool inEntry = false;
  for (const QString& line : text.split(u'\n')) {
    if (line.startsWith(u'[')) inEntry = line.trimmed() == QStringLiteral("[Desktop Entry]");
    else if (inEntry && line.startsWith(QStringLiteral("Exec="))) return line.mid(5).trimmed();
  }
  return {};
}

// The string-value escapes of a desktop entry: \s \n \t \r \\.
QString UnescapeValue(const QString& value) {
  QString text;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != u'\\' || i + 1 == value.size()) {
      text += value[i];
      continue;
    }
    const QChar next = value[++i];
    if (next == u's') text += u' ';
    else if (next == u'n') text += u'\n';
    else if (next == u't') text += u'\t';
    else if (next == u'r') text += u'\r';
    else text += next;
  }
  return text;
}

// A program named without a folder is looked up in PATH, as the desktop does.
QString ResolvedProgram(const QString& program) {
  if (program.isEmpty() || program.contains(u'/')) return program;
  return QStandardPaths::findExecutable(program);
}

bool SameProgram(const QString& a, const QString& b) {
  const QString canonicalA = QFileInfo(a).canonicalFilePath();
  return a == b || (!canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath());
}

void RunIfInstalled(const QString& program, const QStringList& arguments) {
  const QString path = QStandardPaths::findExecutable(program);
  if (!path.isEmpty()) QProcess::startDetached(path, arguments);
}

}  // namespace

QString ExecProgram(const QString& desktopEntryText) {
  const QString command = UnescapeValue(ExecValue(desktopEntryText));
  QString program;
  if (!command.startsWith(u'"')) {
    program = command.section(u' ', 0, 0);
  } else {
    for (qsizetype i = 1; i < command.size() && command[i] != u'"'; ++i) {
      if (command[i] == u'\\' && i + 1 < command.size()) ++i;
      program += command[i];
    }
  }
  return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

TFileTypeRegistration::TFileTypeRegistration(const QString& programName, const QString& executable,
                                             const QString& dataHome, const QStringList& systemDataDirs)
    : programName_(programName),
      executable_(executable),
      dataHome_(dataHome),
      systemDataDirs_(systemDataDirs),
      runUpdate_(RunIfInstalled) {}

TRegistrationPaths TFileTypeRegistration::Paths() const {
  const QDir data(dataHome_);
  return {data.filePath(QStringLiteral("mime/packages/%1.xml").arg(programName_)),
          data.filePath(QStringLiteral("applications/%1.desktop").arg(programName_)),
          data.filePath(QStringLiteral("icons/hicolor/64x64/apps/%1.png").arg(programName_))};
}

QString TFileTypeRegistration::MimePackageText() const { return DesktopResource(QStringLiteral("quorvel.xml")); }

QString TFileTypeRegistration::DesktopEntryText() const {
  QString text = DesktopResource(QStringLiteral("quorvel.desktop"));
  static const QRegularExpression exec(QStringLiteral("^Exec=\\S+"), QRegularExpression::MultilineOption);
  return text.replace(exec, QStringLiteral("Exec=") + QuotedExecArgument(executable_));
}

QString TFileTypeRegistration::InstalledProgram() const {
  for (const QString& dir : systemDataDirs_) {
    if (QDir(dir) == QDir(dataHome_)) continue;
    const QString entry = QDir(dir).filePath(QStringLiteral("applications/%1.desktop").arg(programName_));
    const QString starts = ResolvedProgram(ExecProgram(ReadText(entry)));
    if (!starts.isEmpty()) return starts;
  }
  return {};
}

bool TFileTypeRegistration::Register(const QImage& icon) const {
  const QString installed = InstalledProgram();
  // The installed program: the system has its entry, type and icon.
  if (!installed.isEmpty() && SameProgram(installed, executable_)) return true;
  const TRegistrationPaths paths = Paths();
  // Beside an installed program, a program run from a build folder writes no entry of
  // its own (a user's entry hides the system's of the same name), and it never
  // replaces a user's entry that starts the installed program. It keeps its own user
  // entry, or one of another build, current.
  const QString userEntryProgram = ExecProgram(ReadText(paths.desktopEntry));
  if (!installed.isEmpty() &&
      (userEntryProgram.isEmpty() || SameProgram(ResolvedProgram(userEntryProgram), installed)))
    return true;

  const TWriteResult mime = WriteIfDifferent(paths.mimePackage, MimePackageText().toUtf8());
  const TWriteResult desktop = WriteIfDifferent(paths.desktopEntry, DesktopEntryText().toUtf8());
  TWriteResult iconResult;
  if (!icon.isNull()) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    icon.save(&buffer, "PNG");
    iconResult = WriteIfDifferent(paths.icon, png);
  }
  if (mime.changed) runUpdate_(QStringLiteral("update-mime-database"), {QDir(dataHome_).filePath("mime")});
  if (desktop.changed) runUpdate_(QStringLiteral("update-desktop-database"), {QDir(dataHome_).filePath("applications")});
  return mime.ok && desktop.ok && iconResult.ok;
}

bool IsInstalledProgramFolder(const QString& programFolder, const QString& programName) {
  return QFileInfo::exists(
      QDir(programFolder).filePath(QStringLiteral("../share/applications/%1.desktop").arg(programName)));
}

void RegisterTerminalFileType(const QImage& icon) {
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (dataHome.isEmpty()) return;
  TFileTypeRegistration(ProgramBaseName(), QCoreApplication::applicationFilePath(), dataHome,
                        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
      .Register(icon);
}

}  // namespace quorvel::app
