#include "app/registration.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "app/settings.h"

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

void RunIfInstalled(const QString& program, const QStringList& arguments) {
  const QString path = QStandardPaths::findExecutable(program);
  if (!path.isEmpty()) QProcess::startDetached(path, arguments);
}

}  // namespace

TFileTypeRegistration::TFileTypeRegistration(const QString& programName, const QString& executable,
                                             const QString& dataHome)
    : programName_(programName), executable_(executable), dataHome_(dataHome) {}

TRegistrationPaths TFileTypeRegistration::Paths() const {
  const QDir data(dataHome_);
  return {data.filePath(QStringLiteral("mime/packages/%1.xml").arg(programName_)),
          data.filePath(QStringLiteral("applications/%1.desktop").arg(programName_)),
          data.filePath(QStringLiteral("icons/hicolor/64x64/apps/%1.png").arg(programName_))};
}

QString TFileTypeRegistration::MimePackageText() const {
  return QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
             "  <mime-type type=\"%1\">\n"
             "    <comment>Quorvel terminal file</comment>\n"
             "    <sub-class-of type=\"text/plain\"/>\n"
             "    <glob pattern=\"*.qvl\"/>\n"
             "  </mime-type>\n"
             "</mime-info>\n")
      .arg(MimeType(programName_));
}

QString TFileTypeRegistration::DesktopEntryText() const {
  return QStringLiteral(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=Quorvel\n"
             "Comment=Test terminal for fiscal printers\n"
             "Exec=%1 %f\n"
             "Icon=%2\n"
             "MimeType=%3;\n"
             "Terminal=false\n"
             "Categories=Development;Utility;\n")
      .arg(QuotedExecArgument(executable_), programName_, MimeType(programName_));
}

bool TFileTypeRegistration::Register(const QImage& icon) const {
  const TRegistrationPaths paths = Paths();
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
  if (mime.changed) RunIfInstalled(QStringLiteral("update-mime-database"), {QDir(dataHome_).filePath("mime")});
  if (desktop.changed) {
    RunIfInstalled(QStringLiteral("update-desktop-database"), {QDir(dataHome_).filePath("applications")});
  }
  return mime.ok && desktop.ok && iconResult.ok;
}

void RegisterTerminalFileType(const QImage& icon) {
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (dataHome.isEmpty()) return;
  TFileTypeRegistration(ProgramBaseName(), QCoreApplication::applicationFilePath(), dataHome).Register(icon);
}

}  // namespace quorvel::app
