// SPDX-License-Identifier: MIT
// quorvel [--demo-ports HOST DGI] [FILE.qvl] | --help | --version
//   --demo-ports maps the host port (Com1) and the fiscal port (Com2, switched on)
//   to the given devices for this run only; the settings store is then not written.
#include <QApplication>
#include <QProxyStyle>
#include <QStringList>

#include <cstdio>

#include "app/commandline.h"
#include "app/formmain.h"
#include "app/pictures.h"

namespace {

// Tooltips appear as soon as the pointer rests on an item.
class TQuorvelStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == QStyle::SH_ToolTip_WakeUpDelay) return 1;
    if (hint == QStyle::SH_ToolTip_FallAsleepDelay) return 10000;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

QStringList RawArguments(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

// Help and version on standard output; 1 when it cannot be written.
int PrintText(const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

int CommandLineError(const QString& why) {
  std::fprintf(stderr, "quorvel: %s\nTry 'quorvel --help' for more information.\n", qPrintable(why));
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  using quorvel::app::TCommandLine;
  // --help and --version are answered before the window system is reached, so they
  // work on a text console too.
  if (quorvel::app::AsksForTextOnly(RawArguments(argc, argv))) {
    const TCommandLine line = quorvel::app::ReadCommandLine(RawArguments(argc, argv));
    if (line.action == TCommandLine::TAction::Error) return CommandLineError(line.text);
    return PrintText(line.text);
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  QApplication::setOrganizationName(QStringLiteral("Quorvel Project"));
  // The application object has taken its own options (-platform, -style ...) out.
  const TCommandLine line = quorvel::app::ReadCommandLine(QApplication::arguments());
  if (line.action == TCommandLine::TAction::Error) return CommandLineError(line.text);
  if (line.action != TCommandLine::TAction::Run) return PrintText(line.text);

  QApplication::setWindowIcon(quorvel::app::ProgramIcon());
  QApplication::setStyle(new TQuorvelStyle);
  app.setStyleSheet(QStringLiteral("QToolTip { border: 1px solid palette(shadow); padding: 2px; }"));

  quorvel::app::TFormMainOptions options;
  options.runPorts = line.runPorts;
  options.arguments = line.files;
  quorvel::app::TFormMain window(std::move(options));
  window.showMaximized();
  return app.exec();
}
