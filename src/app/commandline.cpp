// SPDX-License-Identifier: MIT
#include "app/commandline.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "quorvel_version.h"

namespace quorvel::app {
namespace {

const QString kDemoPorts = QStringLiteral("--demo-ports");

}  // namespace

bool AsksForTextOnly(const QStringList& arguments) {
  for (const QString& argument : arguments.mid(1)) {
    if (argument == QStringLiteral("--")) return false;
    if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h") ||
        argument == QStringLiteral("--help-all") || argument == QStringLiteral("--version") ||
        argument == QStringLiteral("-v"))
      return true;
  }
  return false;
}

TCommandLine ReadCommandLine(const QStringList& arguments) {
  TCommandLine line;
  // --demo-ports takes two values, which QCommandLineParser cannot read: it is taken
  // out first and declared to the parser only for the help text.
  QStringList rest = arguments;
  const qsizetype demo = rest.indexOf(kDemoPorts);
  if (demo > 0 && (rest.indexOf(QStringLiteral("--")) < 0 || demo < rest.indexOf(QStringLiteral("--")))) {
    if (demo + 2 >= rest.size()) {
      line.action = TCommandLine::TAction::Error;
      line.text = QStringLiteral("--demo-ports needs two devices: HOST DGI");
      return line;
    }
    line.runPorts = TRunPorts{rest.at(demo + 1).toStdString(), rest.at(demo + 2).toStdString()};
    rest.remove(demo, 3);
  }

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("A test terminal for fiscal printers: composes printer commands in forms built from a "
                     "terminal file, sends them on a serial line or USB and shows the answer field by field."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help and exit."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Show the program's name and version and exit."));
  const QCommandLineOption demoPorts(
      kDemoPorts.mid(2),
      QStringLiteral("Map the host port (Com1) and the fiscal port (Com2, switched on) to the devices HOST and "
                     "DGI for this run only; the settings are not written."),
      QStringLiteral("HOST DGI"));
  parser.addOption(help);
  parser.addOption(version);
  parser.addOption(demoPorts);
  parser.addPositionalArgument(QStringLiteral("FILE.qvl"),
                               QStringLiteral("The terminal file to open (else the one open at the last exit)."),
                               QStringLiteral("[FILE.qvl]"));

  const bool parsed = parser.parse(rest);
  if (parser.isSet(help)) {
    line.action = TCommandLine::TAction::Help;
    // The parser names the program by its path, or "<executable_name>" without an
    // application object: the usage line says "quorvel" either way.
    line.text = parser.helpText();
    const QString usage = QStringLiteral("Usage: ");
    const qsizetype nameEnd = line.text.indexOf(QStringLiteral(" [options]"));
    if (line.text.startsWith(usage) && nameEnd > usage.size())
      line.text.replace(usage.size(), nameEnd - usage.size(), QStringLiteral("quorvel"));
    return line;
  }
  if (parser.isSet(version)) {
    line.action = TCommandLine::TAction::Version;
    line.text = QStringLiteral("quorvel %1\n").arg(QString::fromLatin1(kVersion));
    return line;
  }
  if (parser.isSet(demoPorts)) {  // "--demo-ports=HOST": the second device is missing
    line.action = TCommandLine::TAction::Error;
    line.text = QStringLiteral("--demo-ports needs two devices: HOST DGI");
    return line;
  }
  if (!parsed) {
    line.action = TCommandLine::TAction::Error;
    line.text = parser.errorText();
    return line;
  }
  line.files = parser.positionalArguments();
  return line;
}

}  // namespace quorvel::app
