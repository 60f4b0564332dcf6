// File-type registration: the mime package and the desktop entry under the data
// folder, their content, and a refused registration that changes nothing else.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "app/registration.h"

using quorvel::app::TFileTypeRegistration;

namespace {
QString ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
}  // namespace

class TestRegistration : public QObject {
  Q_OBJECT

 private slots:
  void writesTheMimePackageDesktopEntryAndIcon() {
    QTemporaryDir data;
    const TFileTypeRegistration registration(QStringLiteral("quorvel"), QStringLiteral("/opt/q/bin/quorvel"),
                                             data.path());
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    QVERIFY(registration.Register(icon));

    const auto paths = registration.Paths();
    QCOMPARE(paths.mimePackage, data.filePath(QStringLiteral("mime/packages/quorvel.xml")));
    QCOMPARE(paths.desktopEntry, data.filePath(QStringLiteral("applications/quorvel.desktop")));
    const QString mime = ReadAll(paths.mimePackage);
    QVERIFY(mime.contains(QStringLiteral("<mime-type type=\"application/x-quorvel\">")));
    QVERIFY(mime.contains(QStringLiteral("<glob pattern=\"*.qvl\"/>")));
    const QString desktop = ReadAll(paths.desktopEntry);
    QVERIFY(desktop.startsWith(QStringLiteral("[Desktop Entry]\n")));
    QVERIFY(desktop.contains(QStringLiteral("\nExec=\"/opt/q/bin/quorvel\" %f\n")));
    QVERIFY(desktop.contains(QStringLiteral("\nMimeType=application/x-quorvel;\n")));
    QVERIFY(QImage(paths.icon).size() == QSize(16, 16));

    // A second start finds everything in place and leaves the files alone.
    const QDateTime written = QFileInfo(paths.desktopEntry).lastModified();
    QVERIFY(registration.Register(icon));
    QCOMPARE(QFileInfo(paths.desktopEntry).lastModified(), written);
  }

  void quotesAnExecutablePathWithReservedCharacters() {
    const TFileTypeRegistration registration(QStringLiteral("quorvel"),
                                             QStringLiteral("/home/a b/100%/$x\"q\\uorvel"), QStringLiteral("/x"));
    // Inside the quotes " ` $ \ get a backslash; then every backslash is doubled
    // (string escape) and % is doubled (field-code escape).
    QVERIFY(registration.DesktopEntryText().contains(
        QStringLiteral("\nExec=\"/home/a b/100%%/\\\\$x\\\\\"q\\\\\\\\uorvel\" %f\n")));
  }

  void aRefusedRegistrationIsSilent() {
    QTemporaryDir base;
    // The data folder is a plain file, so nothing can be created beneath it.
    const QString blocked = base.filePath(QStringLiteral("data"));
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const TFileTypeRegistration registration(QStringLiteral("quorvel"), QStringLiteral("/usr/bin/quorvel"), blocked);
    QVERIFY(!registration.Register(QImage()));
    QCOMPARE(QFileInfo(blocked).size(), 0);
  }
};

QTEST_GUILESS_MAIN(TestRegistration)
#include "test_registration.moc"
