// quorvel [--demo-ports HOST DGI] [FILE.qvl]
//   --demo-ports maps the host port (Com1) and the fiscal port (Com2, switched on)
//   to the given devices for this run only; the settings store is then not written.
#include <QApplication>
#include <QProxyStyle>
#include <QStringList>

#include <cstdio>

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

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvel"));
  QApplication::setOrganizationName(QStringLiteral("Quorvel Project"));
  QApplication::setWindowIcon(quorvel::app::ProgramIcon());
  QApplication::setStyle(new TQuorvelStyle);
  app.setStyleSheet(QStringLiteral("QToolTip { border: 1px solid palette(shadow); padding: 2px; }"));

  quorvel::app::TFormMainOptions options;
  QStringList arguments = QApplication::arguments().mid(1);
  if (!arguments.isEmpty() && arguments.first() == QStringLiteral("--demo-ports")) {
    if (arguments.size() < 3) {
      std::fprintf(stderr, "usage: quorvel [--demo-ports HOST DGI] [FILE.qvl]\n");
      return 2;
    }
    options.runPorts = quorvel::app::TRunPorts{arguments.at(1).toStdString(), arguments.at(2).toStdString()};
    arguments = arguments.mid(3);
  }
  options.arguments = arguments;

  quorvel::app::TFormMain window(std::move(options));
  window.showMaximized();
  return app.exec();
}
