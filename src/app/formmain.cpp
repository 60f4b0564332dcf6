// SPDX-License-Identifier: MIT
#include "app/formmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <exception>

#include "app/about.h"
#include "app/logwindow.h"
#include "app/pictures.h"
#include "app/preferences.h"
#include "app/registration.h"
#include "app/settings.h"
#include "dgi/fpauxcontrol.h"
#include "editors/amrcmdansfields.h"
#include "editors/amrfixanswer.h"
#include "editors/amrreturncodes.h"
#include "editors/overnewdlg.h"
#include "editors/testfixanswer.h"
#include "host/fiscalcontrol.h"
#include "model/errors.h"
#include "model/extinifile.h"
#include "widgets/prompts.h"
#include "model/terminalfile.h"
#include "platform/serialport.h"
#include "terminal/terminal.h"

namespace quorvel::app {
namespace {

const QString kReady = QStringLiteral("Ready");
const QString kError = QStringLiteral("Error");
const QString kTerminalFilter = QStringLiteral("Quorvel Files ( *.qvl) (*.qvl)");
constexpr std::array<int, 4> kPanelWidths{300, 70, 150, 100};

// A hint "short|long": the short part as tooltip, the long part as status text.
// A hint without a bar is both.
void SetHint(QAction* action, const QString& hint) {
  const qsizetype bar = hint.indexOf(u'|');
  action->setToolTip(bar < 0 ? hint : hint.left(bar));
  action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QString LongHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(u'|');
  return bar < 0 ? hint : hint.mid(bar + 1);
}

// " 9600,N,8,1" and the like; empty for a value outside the speeds offered.
QString HostBaudText(int baud) {
  if (baud < host::br1200 || baud > host::br115200) return QString();
  return QStringLiteral(" %1,N,8,1").arg(host::BitsPerSecond(static_cast<host::TBaudRate>(baud)));
}

host::TProtocolType ProtocolOf(std::uint8_t protocol) {
  return model::IsExtendedProtocol(protocol) ? host::protocol_Extended : host::protocol_Compatible;
}

}  // namespace

TFormMain::TFormMain(TFormMainOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)) {
  prompts_ = options_.prompts;
  if (prompts_ == nullptr) {
    ownPrompts_ = std::make_unique<widgets::TDialogPrompts>();
    prompts_ = ownPrompts_.get();
  }

  // The window and the two controls; neither port is open yet.
  setWindowTitle(QStringLiteral("Quorvel"));
  setWindowIcon(ProgramIcon());
  host_ = std::make_unique<host::TFPHostControl>(loop_);
  host_->SetCommPort(host::Com2);
  host_->SetBaudRate(host::br38400);
  host_->SetProtocol(host::protocol_Extended);
  dgi_ = std::make_unique<dgi::TFPAuxControl>(loop_);

  mdiArea_ = new QMdiArea(this);
  mdiArea_->setBackground(QBrush(BackgroundTile()));
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdiArea_);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  connect(qApp, &QApplication::focusChanged, this, &TFormMain::UpdateEditActions);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TFormMain::UpdateEditActions);

  // Start-up, in order: settings, registration, [General] values, host port,
  // DGI port, status panels, command line, dropped files.
  LoadSettings();
  if (options_.registerFileType) RegisterTerminalFileType(ProgramImage());
  settings_.OutputDateFormat = 0;
  settings_.InputDateFormat = 0;
  settings_.Protocol = 0;
  ActionEditRC->setEnabled(false);
  ConnectHostEvents();
  ConnectDgiEvents();
  OpenHostPort();
  ApplyDgiPortAtStart();
  UpdatePortStatus();
  ReadCommandLine(options_.arguments);
  setAcceptDrops(true);
  UpdateEditActions();
}

TFormMain::~TFormMain() { Shutdown(); }

// ---- Construction of the window ----

void TFormMain::CreateActions() {
  struct TActionEntry {
    QAction** action;
    const char* caption;
    const char* hint;
    QKeySequence shortcut;
    TPicture picture;
    bool hasPicture;
  };
  const TActionEntry actionEntries[] = {
      {&ActionNew, "New", "New terminal file", {}, TPicture::New, true},
      {&ActionOpen, "Open", "Open terminal file", QKeySequence(Qt::CTRL | Qt::Key_O), TPicture::Open, true},
      {&ActionClose, "Close", "Close terminal file", {}, TPicture::New, false},
      {&ActionSaveAs, "Save Terminal As ...", "Save terminal file", {}, TPicture::SaveAs, true},
      {&ActionExit, "Exit", "Application exit ", {}, TPicture::New, false},
      {&ActionEditUndo, "&Undo", "Undo|Undo the last change made in the command tree or a command's fields",
       QKeySequence(Qt::CTRL | Qt::Key_Z), TPicture::New, false},
      {&ActionEditCut, "Cu&t", "Cut|Cut", QKeySequence(Qt::CTRL | Qt::Key_X), TPicture::Cut, true},
      {&ActionEditCopy, "&Copy", "Copy|Copy", QKeySequence(Qt::CTRL | Qt::Key_C), TPicture::Copy, true},
      {&ActionEditPaste, "&Paste", "Paste|Paste", QKeySequence(Qt::CTRL | Qt::Key_V), TPicture::Paste, true},
      {&ActionWindowCascade, "&Cascade", "Cascade windows", {}, TPicture::Cascade, true},
      {&ActionWindowTileHorizontal, "Tile &Horizontally", "Tile horizontally", {}, TPicture::TileHorizontal, true},
      {&ActionWindowTileVertical, "&Tile Vertically", "Tile vertically", {}, TPicture::TileVertical, true},
      {&ActionWindowMinimizeAll, "&Minimize All", "Minimize windows", {}, TPicture::New, false},
      {&ActionWindowArrange, "&Arrange", "Arrange windows", {}, TPicture::New, false},
      {&ActionEditFixAnswer, "Edit fixed answer fields", "Edit fixed answer fields", {}, TPicture::EditFixAnswer,
       true},
      {&ActionTestFixAnswer, "Test fixed answer fields", "Test fixed answer fields", {}, TPicture::TestFixAnswer,
       true},
      {&ActionEditRC, "Edit Return code ", "Edit return code description", {}, TPicture::EditReturnCode, true},
      {&ActionResetPorts, "Reset serial ports", "Reset all open serial ports", {}, TPicture::New, false},
      {&ActionPreferences, "Preferences", "System preferences|System preferences", {}, TPicture::New, false},
      {&ActionAbout, "&About...", "About|Displays program information, version number, and copyright", {},
       TPicture::New, false},
  };
  for (const TActionEntry& entry : actionEntries) {
    auto* action = new QAction(QString::fromLatin1(entry.caption), this);
    SetHint(action, QString::fromLatin1(entry.hint));
    if (!entry.shortcut.isEmpty()) action->setShortcut(entry.shortcut);
    if (entry.hasPicture) action->setIcon(PictureIcon(entry.picture));
    *entry.action = action;
  }
  // New, Close and Exit have no keys of their own: they take every key the desktop
  // binds to the standard action, or the usual one where it binds none. Open keeps its
  // own Ctrl+O.
  const auto standardKeys = [](QAction* action, QKeySequence::StandardKey key, QKeySequence usual) {
    const QList<QKeySequence> bound = QKeySequence::keyBindings(key);
    action->setShortcuts(bound.isEmpty() ? QList<QKeySequence>{usual} : bound);
  };
  standardKeys(ActionNew, QKeySequence::New, QKeySequence(Qt::CTRL | Qt::Key_N));
  standardKeys(ActionClose, QKeySequence::Close, QKeySequence(Qt::CTRL | Qt::Key_W));
  standardKeys(ActionExit, QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(ActionNew, &QAction::triggered, this, &TFormMain::ActionNewExecute);
  connect(ActionOpen, &QAction::triggered, this, &TFormMain::ActionOpenExecute);
  connect(ActionClose, &QAction::triggered, this, &TFormMain::ActionCloseExecute);
  connect(ActionSaveAs, &QAction::triggered, this, &TFormMain::ActionSaveAsExecute);
  connect(ActionExit, &QAction::triggered, this, &QWidget::close);
  connect(ActionEditUndo, &QAction::triggered, this, &TFormMain::ActionEditUndoExecute);
  connect(ActionEditCut, &QAction::triggered, this, &TFormMain::ActionEditCutExecute);
  connect(ActionEditCopy, &QAction::triggered, this, &TFormMain::ActionEditCopyExecute);
  connect(ActionEditPaste, &QAction::triggered, this, &TFormMain::ActionEditPasteExecute);
  connect(ActionWindowCascade, &QAction::triggered, mdiArea_, &QMdiArea::cascadeSubWindows);
  connect(ActionWindowTileHorizontal, &QAction::triggered, this, &TFormMain::ActionWindowTileHorizontalExecute);
  connect(ActionWindowTileVertical, &QAction::triggered, this, &TFormMain::ActionWindowTileVerticalExecute);
  connect(ActionWindowMinimizeAll, &QAction::triggered, this, &TFormMain::ActionWindowMinimizeAllExecute);
  connect(ActionWindowArrange, &QAction::triggered, this, &TFormMain::ArrangeIcons);
  connect(ActionEditFixAnswer, &QAction::triggered, this, &TFormMain::ActionEditFixAnswerExecute);
  connect(ActionTestFixAnswer, &QAction::triggered, this, &TFormMain::ActionTestFixAnswerExecute);
  connect(ActionEditRC, &QAction::triggered, this, &TFormMain::ActionEditRCExecute);
  connect(ActionResetPorts, &QAction::triggered, this, &TFormMain::ActionResetPortsExecute);
  connect(ActionPreferences, &QAction::triggered, this, &TFormMain::ActionPreferencesExecute);
  connect(ActionAbout, &QAction::triggered, this, &TFormMain::ActionAboutExecute);
  UpdateFileActions();
}

void TFormMain::CreateMenus() {
  auto addMenu = [this](const char* title, const char* hint) {
    QMenu* menu = menuBar()->addMenu(QString::fromLatin1(title));
    SetHint(menu->menuAction(), QString::fromLatin1(hint));
    return menu;
  };
  QMenu* file = addMenu("File", "File related commands");
  file->addAction(ActionNew);
  file->addAction(ActionOpen);
  file->addAction(ActionClose);
  // The File menu names Save As by its own caption.
  file->addAction(ProxyOf(ActionSaveAs, QStringLiteral("Save terminal file As ..."), ActionSaveAs->statusTip()));
  file->addSeparator();
  file->addAction(ActionExit);

  QMenu* edit = addMenu("Edit", "Edit commands");
  edit->addAction(ActionEditUndo);
  edit->addSeparator();
  edit->addAction(ActionEditCopy);
  edit->addAction(ActionEditPaste);
  edit->addAction(ActionEditCut);

  QMenu* optionsMenu = addMenu("Options", "Options|Options ");
  optionsMenu->addAction(ActionEditFixAnswer);
  optionsMenu->addAction(ActionTestFixAnswer);
  optionsMenu->addAction(ActionEditRC);
  optionsMenu->addSeparator();
  optionsMenu->addAction(ActionResetPorts);
  optionsMenu->addSeparator();
  optionsMenu->addAction(ActionPreferences);

  MenuWindow = addMenu("Window", "Window related commands");
  connect(MenuWindow, &QMenu::aboutToShow, this, &TFormMain::FillWindowMenu);
  FillWindowMenu();

  QMenu* help = addMenu("Help", "Help topics");
  help->addAction(ActionAbout);

  PopupMenuMain = new QMenu(this);
  PopupMenuMain->addAction(ActionWindowMinimizeAll);
  PopupMenuMain->addAction(ActionWindowCascade);
  PopupMenuMain->addAction(ActionWindowArrange);
  mdiArea_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(mdiArea_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenuMain->popup(mdiArea_->mapToGlobal(at)); });
}

void TFormMain::FillWindowMenu() {
  MenuWindow->clear();
  MenuWindow->addAction(ActionWindowCascade);
  MenuWindow->addAction(ActionWindowTileHorizontal);
  MenuWindow->addAction(ActionWindowTileVertical);
  MenuWindow->addAction(ActionWindowMinimizeAll);
  MenuWindow->addAction(ActionWindowArrange);
  const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
  if (!windows.isEmpty()) MenuWindow->addSeparator();
  int number = 1;
  for (QMdiSubWindow* window : windows) {
    QAction* item = MenuWindow->addAction(QStringLiteral("&%1 %2").arg(number++).arg(window->windowTitle()));
    item->setCheckable(true);
    item->setChecked(window == mdiArea_->activeSubWindow());
    connect(item, &QAction::triggered, window, [this, window] {
      if (window->isMinimized()) window->showNormal();
      mdiArea_->setActiveSubWindow(window);
    });
  }
}

// An action that stands for `target` under another caption or hint: it shows the
// target's picture, follows its enabled state and triggers it.
QAction* TFormMain::ProxyOf(QAction* target, const QString& text, const QString& hint) {
  auto* proxy = new QAction(target->icon(), text, this);
  SetHint(proxy, hint);
  proxy->setEnabled(target->isEnabled());
  connect(proxy, &QAction::triggered, target, &QAction::trigger);
  connect(target, &QAction::changed, proxy, [proxy, target] { proxy->setEnabled(target->isEnabled()); });
  return proxy;
}

void TFormMain::CreateToolBar() {
  QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
  bar->setObjectName(QStringLiteral("ToolBarMain"));
  bar->setMovable(false);
  bar->addAction(ActionNew);
  bar->addAction(ActionOpen);
  // Save As has a hint of its own on the toolbar. A tooltip set on the button
  // would be reset each time the action changes, so the button gets its own action.
  bar->addAction(ProxyOf(ActionSaveAs, ActionSaveAs->text(), QStringLiteral("Save terminal file as ...")));
  bar->addSeparator();
  bar->addAction(ActionEditCut);
  bar->addAction(ActionEditCopy);
  bar->addAction(ActionEditPaste);
  bar->addSeparator();
  bar->addAction(ActionWindowCascade);
  bar->addAction(ActionWindowTileHorizontal);
  bar->addAction(ActionWindowTileVertical);
  bar->addSeparator();
  bar->addAction(ActionEditFixAnswer);
  bar->addAction(ActionTestFixAnswer);
  bar->addAction(ActionEditRC);
  bar->addSeparator();
  ToolButtonFiscal = new QToolButton(bar);
  ToolButtonFiscal->setObjectName(QStringLiteral("ToolButtonFiscal"));
  ToolButtonFiscal->setCheckable(true);
  connect(ToolButtonFiscal, &QToolButton::clicked, this, &TFormMain::ToolButtonFiscalClick);
  bar->addWidget(ToolButtonFiscal);
  ShowFiscalButton(false);
}

void TFormMain::CreateStatusBar() {
  for (std::size_t i = 0; i < statusPanels_.size(); ++i) {
    auto* panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    if (i == 0) {
      // Hints come and go with the pointer: a long one must not push the other panels about.
      panel->setFixedWidth(kPanelWidths[i]);
    } else {
      // At least the classic width, wider where the text needs it in the desktop's
      // font: a port text is never cut.
      panel->setMinimumWidth(kPanelWidths[i]);
      panel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addWidget(panel);
    statusPanels_[i] = panel;
  }
  SetStatusText(1, kReady);
}

// ---- Context of the terminal window ----

void TFormMain::SetStatusText(int panel, const QString& text) {
  if (panel >= 0 && panel < static_cast<int>(statusPanels_.size())) {
    statusPanels_[static_cast<std::size_t>(panel)]->setText(text);
  }
}

QString TFormMain::StatusText(int panel) const {
  if (panel < 0 || panel >= static_cast<int>(statusPanels_.size())) return {};
  return statusPanels_[static_cast<std::size_t>(panel)]->text();
}

void TFormMain::ShowHint(const QString& hint) { SetStatusText(0, LongHint(hint)); }

bool TFormMain::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    // The long part of the hint under the pointer goes to panel 0, not over the panels.
    SetStatusText(0, static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

// ---- Settings and ports ----

QString TFormMain::SettingsFilePath() const {
  return options_.settingsFile.isEmpty() ? TSettingsStore(ProgramBaseName()).FilePath() : options_.settingsFile;
}

void TFormMain::LoadSettings() {
  TSettingsStore::AtPath(SettingsFilePath()).Load(settings_);
  if (options_.runPorts) {
    // Host port Com1 and fiscal port Com2, mapped to the given devices, for this run only.
    settings_.HComm = 0;
    settings_.DComm = 1;
    settings_.DGIEnabled = true;
    settings_.ports.com[0] = options_.runPorts->host;
    settings_.ports.com[1] = options_.runPorts->dgi;
  }
}

void TFormMain::PortError(const QString& text, int systemError) {
  const std::string reason = platform::OpenFailureText(systemError);
  widgets::ShowError(*prompts_, this, reason.empty() ? text : text + u'\n' + QString::fromStdString(reason), kError);
}

void TFormMain::OpenHostPort() {
  host_->SetPortMap(settings_.ports);
  host_->SetCommPort(static_cast<host::TCommPort>(settings_.HComm));
  host_->SetBaudRate(static_cast<host::TBaudRate>(settings_.HBaud));
  if (host_->OpenPort()) {
    settings_.HostPortOpen = true;
    host_->SetProtocol(ProtocolOf(settings_.Protocol));
    SetStatusText(1, kReady);
  } else {
    PortError(QStringLiteral("Error when trying to open the Host port"), host_->LastSystemError());
    settings_.HostPortOpen = false;
    SetStatusText(1, kError);
  }
}

void TFormMain::ShowFiscalButton(bool portOn) {
  const QString hint = portOn ? QStringLiteral("Disable Fiscal port") : QStringLiteral("Enable Fiscal port");
  ToolButtonFiscal->setToolTip(hint);
  ToolButtonFiscal->setStatusTip(hint);
  ToolButtonFiscal->setIcon(PictureIcon(portOn ? TPicture::PortOn : TPicture::PortOff));
  ToolButtonFiscal->setChecked(!portOn);  // pressed means the port is off
}

void TFormMain::ApplyDgiPortAtStart() {
  if (!settings_.DGIEnabled) {
    CloseDgiPort();
    ShowFiscalButton(false);
  } else {
    ShowFiscalButton(OpenDgiPort());
  }
}

bool TFormMain::OpenDgiPort() {
  if (dgi_->State() != dgi::FEFP_S_Close) dgi_->ClosePort();
  dgi_->SetPortMap(settings_.ports);
  dgi_->SetCommPort(static_cast<dgi::TFCommPort>(settings_.DComm));
  dgi_->SetTimeOut(static_cast<std::int32_t>(settings_.DTimeOut));
  if (dgi_->OpenPort()) {
    settings_.DgiPortOpen = true;
    SetStatusText(1, kReady);
    return true;
  }
  PortError(QStringLiteral("Error when trying to open the Fiscal port"), dgi_->LastSystemError());
  settings_.DgiPortOpen = false;
  SetStatusText(1, kError);
  return false;
}

void TFormMain::CloseDgiPort() {
  dgi_->ClosePort();
  settings_.DgiPortOpen = false;
}

void TFormMain::UpdatePortStatus() {
  if (settings_.HComm == 16) {
    SetStatusText(2, QStringLiteral("USB"));
  } else {
    SetStatusText(2, QStringLiteral("COM%1").arg(settings_.HComm + 1) + HostBaudText(settings_.HBaud));
  }
  if (settings_.DGIEnabled && settings_.DgiPortOpen) {
    SetStatusText(3, QStringLiteral("COM%1 9600,N,8,1").arg(settings_.DComm + 1));
  } else {
    SetStatusText(3, QStringLiteral("Disabled"));
  }
}

void TFormMain::ToolButtonFiscalClick() {
  if (ToolButtonFiscal->isChecked()) {  // switched off
    settings_.DGIEnabled = false;
    ShowFiscalButton(false);
    CloseDgiPort();
    UpdatePortStatus();
    return;
  }
  settings_.DGIEnabled = true;  // stays true on failure, so the next start tries again
  if (OpenDgiPort()) {
    ShowFiscalButton(true);
    UpdatePortStatus();
  } else {
    ToolButtonFiscal->setChecked(true);
  }
}

void TFormMain::ActionResetPortsExecute() {
  host_->Purge();
  dgi_->Purge();
  if (terminalWindow_) terminalWindow_->StopWaiting();
  SetStatusText(1, kReady);
}

void TFormMain::ActionPreferencesExecute() {
  TFormPreferences dialog(settings_, this);
  if (dialog.exec() == QDialog::Accepted) ApplyPreferences();
  UpdatePortStatus();
}

void TFormMain::ApplyPreferences() {
  if (host_->State() != host::EFP_S_Close) host_->ClosePort();
  OpenHostPort();
  host_->SetProtocol(ProtocolOf(settings_.Protocol));
  UpdateReturnCodeAction();
  if (settings_.DgiPortOpen) ShowFiscalButton(OpenDgiPort());
  QueueToLog([](TFormChildLogWindow& log) { log.LogSettingsChanged(); });
}

// ---- Command line and first show ----

void TFormMain::ReadCommandLine(const QStringList& arguments) {
  if (arguments.isEmpty()) return;
  const QString& argument = arguments.first();
  // Only an existing file whose extension is exactly ".qvl" (capitals do not count).
  if (!argument.endsWith(QStringLiteral(".qvl"), Qt::CaseSensitive)) return;
  const QFileInfo info(argument);
  if (!info.isFile()) return;
  settings_.File = PathBytes(info.absoluteFilePath());
}

void TFormMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (firstShowDone_) return;
  firstShowDone_ = true;
  QMetaObject::invokeMethod(this, &TFormMain::FirstShown, Qt::QueuedConnection);
}

void TFormMain::FirstShown() {
  if (!settings_.File.empty()) OpenTerminalFile();
  ScheduleArrangeIcons();
}

// ---- Terminal file actions ----

QString TFormMain::DefaultTerminalFile() const {
  const QString name = QStringLiteral("default.qvl");
  const QString programFolder =
      options_.programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : options_.programFolder;
  if (QFileInfo(programFolder).isDir() && QFileInfo(programFolder).isWritable() &&
      !IsInstalledProgramFolder(programFolder, ProgramBaseName()))
    return QDir(programFolder).filePath(name);
  // An installed program: its folder belongs to the system (even when root may
  // write it), so the default file lives in the user's data folder
  // ($XDG_DATA_HOME/quorvel) instead.
  const QString dataFolder =
      QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(ProgramBaseName());
  QDir().mkpath(dataFolder);
  return QDir(dataFolder).filePath(name);
}

void TFormMain::OpenTerminalFile() {
  const QString fileName = PathText(settings_.File);
  try {
    auto* terminal = new terminal::TFormChildTerminalWindow(*this, fileName);
    terminalWindow_ = terminal;
    terminalSub_ = mdiArea_->addSubWindow(terminal);
    auto* log = new TFormChildLogWindow(settings_, fileName, prompts_);
    logWindow_ = log;
    logSub_ = mdiArea_->addSubWindow(log);
  } catch (const std::exception& error) {
    CloseTerminalWindows();
    widgets::ShowError(*prompts_, this, QString::fromLocal8Bit(error.what()), kError);
    UpdateFileActions();
    return;
  }
  for (QMdiSubWindow* window : {terminalSub_.data(), logSub_.data()}) {
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    // The child's own Close (its system menu) would take the desktop's Close key
    // too, and a key claimed twice does nothing: the key closes the terminal file.
    if (QMenu* menu = window->systemMenu()) {
      for (QAction* action : menu->actions()) {
        const QList<QKeySequence> keys = action->shortcuts();
        if (std::any_of(keys.begin(), keys.end(), [&](const QKeySequence& key) {
              return ActionClose->shortcuts().contains(key);
            }))
          action->setShortcuts({});
      }
    }
    connect(window, &QMdiSubWindow::windowStateChanged, this, &TFormMain::ScheduleArrangeIcons);
  }
  logSub_->showMinimized();
  ReadGeneralSettings();
  host_->SetProtocol(ProtocolOf(settings_.Protocol));
  UpdateFileActions();
  terminalSub_->showMaximized();
}

void TFormMain::CloseTerminalWindows() {
  // The terminal window goes first (it stores its tree width), then the log
  // window (it closes its log file).
  if (terminalWindow_) terminalWindow_->SetCloseAllowed(true);
  if (logWindow_) logWindow_->SetCloseAllowed(true);
  delete terminalSub_.data();
  delete terminalWindow_.data();  // when it never got a sub-window
  delete logSub_.data();
  delete logWindow_.data();
  terminalWindow_ = nullptr;
  terminalSub_ = nullptr;
  logWindow_ = nullptr;
  logSub_ = nullptr;
}

void TFormMain::ReadGeneralSettings() {
  try {
    const model::TGeneralSettings general = model::ReadGeneral(model::TIniFile(settings_.File));
    settings_.Protocol = static_cast<std::uint8_t>(general.Protocol);
    settings_.OutputDateFormat = static_cast<std::uint8_t>(general.OutputDateFormat);
    settings_.InputDateFormat = static_cast<std::uint8_t>(general.InputDateFormat);
  } catch (const std::exception& error) {
    settings_.Protocol = settings_.OutputDateFormat = settings_.InputDateFormat = 0;
    widgets::ShowError(*prompts_, this, QString::fromLocal8Bit(error.what()), kError);
  }
}

void TFormMain::WriteGeneralSettings() {
  try {
    model::TIniFile file(settings_.File);
    model::WriteGeneral(file, {settings_.Protocol, settings_.InputDateFormat, settings_.OutputDateFormat});
  } catch (const std::exception& error) {
    widgets::ShowError(*prompts_, this, QString::fromLocal8Bit(error.what()), kError);
  }
}

void TFormMain::UpdateReturnCodeAction() {
  ActionEditRC->setEnabled(TerminalFileOpen() && model::IsExtendedProtocol(settings_.Protocol));
}

void TFormMain::UpdateFileActions() {
  const bool open = TerminalFileOpen();
  ActionSaveAs->setEnabled(open);
  ActionClose->setEnabled(open);
  ActionEditFixAnswer->setEnabled(open);
  ActionTestFixAnswer->setEnabled(open);
  UpdateReturnCodeAction();
  UndoChanged();
}

// ---- The editors the command tree opens, and Undo ----

void TFormMain::EditFields(QWidget* owner, const std::string& fileName, const std::string& section,
                           const TFileChanged& changed) {
  editors::TDialogRecordDialogs dialogs;
  editors::TFormEditCmdAns editor(owner, fileName, section, *prompts_, dialogs, changed);
  editor.exec();
}

terminal::TTerminalContext::TOverwriteChoice TFormMain::ChooseOverwriteOrNew(QWidget* owner) {
  editors::TFormOverwriteNewCommand dialog(owner);
  switch (dialog.exec()) {
    case editors::TFormOverwriteNewCommand::ResultOk: return TOverwriteChoice::Overwrite;
    case editors::TFormOverwriteNewCommand::ResultYes: return TOverwriteChoice::New;
    default: return TOverwriteChoice::Cancel;
  }
}

void TFormMain::UndoChanged() { ActionEditUndo->setEnabled(TerminalFileOpen() && terminalWindow_->CanUndo()); }

void TFormMain::ActionEditUndoExecute() {
  if (TerminalFileOpen()) terminalWindow_->Undo();
}

void TFormMain::ActionNewExecute() {
  const QString target = DefaultTerminalFile();
  CloseTerminalWindows();
  try {
    model::WriteTemplate(PathBytes(target));
  } catch (const std::exception& error) {
    // The windows still open, on a file that reads as empty.
    widgets::ShowError(*prompts_, this, QString::fromLocal8Bit(error.what()), kError);
  }
  settings_.File = PathBytes(target);
  OpenTerminalFile();
}

void TFormMain::ActionOpenExecute() {
  const std::optional<QString> chosen =
      prompts_->OpenFileName(this, QStringLiteral("Open dialog"), QDir::currentPath(), kTerminalFilter);
  if (!chosen || chosen->isEmpty()) return;
  CloseTerminalWindows();
  settings_.File = PathBytes(QFileInfo(*chosen).absoluteFilePath());
  OpenTerminalFile();
}

void TFormMain::ActionSaveAsExecute() {
  if (!settings_.File.empty()) WriteGeneralSettings();
  std::optional<QString> chosen = prompts_->SaveFileName(this, QStringLiteral("Save as "), QDir::currentPath(),
                                                         kTerminalFilter, QStringLiteral("qvl"));
  if (!chosen || chosen->isEmpty()) return;
  QString target = QFileInfo(*chosen).absoluteFilePath();
  if (QFileInfo(target).suffix().isEmpty()) target += QStringLiteral(".qvl");
  const QString source = PathText(settings_.File);
  if (QFileInfo(source).absoluteFilePath() != target && QFileInfo::exists(source)) {
    // The copy replaces the target at once, or not at all.
    QFile in(source);
    QSaveFile out(target);
    QString reason;
    if (!in.open(QIODevice::ReadOnly)) reason = in.errorString();
    else if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) != in.size() || !out.commit())
      reason = out.errorString();
    if (!reason.isEmpty()) {
      widgets::ShowError(*prompts_, this, QStringLiteral("Unable to write to %1: %2").arg(target, reason), kError);
      return;  // the open file stays open
    }
  }
  settings_.File = PathBytes(target);
  CloseTerminalWindows();
  OpenTerminalFile();
}

void TFormMain::ActionCloseExecute() {
  CloseTerminalWindows();
  if (!settings_.File.empty()) WriteGeneralSettings();
  UpdateFileActions();
  ScheduleArrangeIcons();
}

void TFormMain::OpenDroppedFile(const QString& path) {
  if (QFileInfo(path).suffix().toLower() != QStringLiteral("qvl")) return;
  settings_.File = PathBytes(QFileInfo(path).absoluteFilePath());
  CloseTerminalWindows();
  OpenTerminalFile();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  event->acceptProposedAction();
  if (!urls.isEmpty() && urls.first().isLocalFile()) OpenDroppedFile(urls.first().toLocalFile());
}

// ---- Editors ----
//
// Each editor is a modal dialog on the open file, which it changes at once; when it
// closes, the terminal window reads the file again.

void TFormMain::ActionEditFixAnswerExecute() {
  if (!terminalWindow_) return;
  editors::TFormEditFixAnswer editor(settings_.File, *prompts_, this);
  editor.exec();
  if (!terminalWindow_) return;
  terminalWindow_->ClearStatusPanels();
  terminalWindow_->ReloadFile();
}

void TFormMain::ActionTestFixAnswerExecute() {
  if (!terminalWindow_) return;
  editors::TFormTestFixedAnswer tester(this);
  if (tester.exec() != QDialog::Accepted || !terminalWindow_) return;
  terminalSub_->showMaximized();
  terminalWindow_->ShowAnswer(tester.FiscalWord(), tester.PrinterWord(), {}, 0);
}

void TFormMain::ActionEditRCExecute() {
  if (!terminalWindow_) return;
  editors::TFormEditReturnCode editor(settings_.File, *prompts_, this);
  editor.exec();
  if (terminalWindow_) terminalWindow_->ReloadFile();
}

void TFormMain::ActionAboutExecute() {
  TFormAbout about(this);
  about.exec();
}

// ---- Edit actions on the focused control ----

QWidget* TFormMain::FocusedTextControl() const {
  QWidget* focus = QApplication::focusWidget();
  if (auto* combo = qobject_cast<QComboBox*>(focus)) focus = combo->lineEdit();
  if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus)) {
    return focus;
  }
  return nullptr;
}

void TFormMain::UpdateEditActions() {
  QWidget* control = FocusedTextControl();
  if (control != watchedTextControl_) {
    if (watchedTextControl_) disconnect(watchedTextControl_, nullptr, this, nullptr);
    watchedTextControl_ = control;
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
      connect(line, &QLineEdit::selectionChanged, this, &TFormMain::UpdateEditActions);
    } else if (auto* text = qobject_cast<QTextEdit*>(control)) {
      connect(text, &QTextEdit::selectionChanged, this, &TFormMain::UpdateEditActions);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
      connect(plain, &QPlainTextEdit::selectionChanged, this, &TFormMain::UpdateEditActions);
    }
  }
  bool selected = false;
  bool editable = false;
  if (auto* line = qobject_cast<QLineEdit*>(control)) {
    selected = line->hasSelectedText();
    editable = !line->isReadOnly();
  } else if (auto* text = qobject_cast<QTextEdit*>(control)) {
    selected = text->textCursor().hasSelection();
    editable = !text->isReadOnly();
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
    selected = plain->textCursor().hasSelection();
    editable = !plain->isReadOnly();
  }
  const QClipboard* clipboard = QApplication::clipboard();
  ActionEditCut->setEnabled(selected && editable);
  ActionEditCopy->setEnabled(selected);
  ActionEditPaste->setEnabled(control != nullptr && editable && !clipboard->text().isEmpty());
}

void TFormMain::ActionEditCutExecute() {
  if (QWidget* control = FocusedTextControl()) QMetaObject::invokeMethod(control, "cut");
}

void TFormMain::ActionEditCopyExecute() {
  if (QWidget* control = FocusedTextControl()) QMetaObject::invokeMethod(control, "copy");
}

void TFormMain::ActionEditPasteExecute() {
  if (QWidget* control = FocusedTextControl()) QMetaObject::invokeMethod(control, "paste");
}

// ---- Window arrangement ----

void TFormMain::ActionWindowMinimizeAllExecute() {
  for (QMdiSubWindow* window : mdiArea_->subWindowList()) window->showMinimized();
  ArrangeIcons();
}

namespace {

// Lays the windows that are not minimized side by side (vertical tiling) or
// one above the other (horizontal tiling), each filling its share of the area.
void TileWindows(QMdiArea* area, bool sideBySide) {
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* window : area->subWindowList()) {
    if (!window->isMinimized() && window->isVisible()) windows.append(window);
  }
  if (windows.isEmpty()) return;
  // The row of minimized icons along the bottom stays free.
  QRect room = area->viewport()->rect();
  for (QMdiSubWindow* window : area->subWindowList()) {
    if (window->isMinimized()) {
      room.setBottom(room.bottom() - window->height());
      break;
    }
  }
  const int count = static_cast<int>(windows.size());
  for (int i = 0; i < count; ++i) {
    QMdiSubWindow* window = windows[i];
    if (window->isMaximized()) window->showNormal();
    if (sideBySide) {
      const int width = room.width() / count;
      window->setGeometry(i * width, 0, width, room.height());
    } else {
      const int height = room.height() / count;
      window->setGeometry(0, i * height, room.width(), height);
    }
  }
}

}  // namespace

void TFormMain::ActionWindowTileHorizontalExecute() { TileWindows(mdiArea_, false); }

void TFormMain::ActionWindowTileVerticalExecute() { TileWindows(mdiArea_, true); }

void TFormMain::ArrangeIcons() {
  const QRect room = mdiArea_->viewport()->rect();
  int x = 0;
  int y = room.height();
  int rowHeight = 0;
  for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
    if (!window->isMinimized()) continue;
    const QSize size = window->size();
    if (rowHeight == 0) {
      rowHeight = size.height();
      y -= rowHeight;
    } else if (x + size.width() > room.width() && x > 0) {
      x = 0;
      y -= rowHeight;
    }
    window->move(x, y);
    x += size.width();
  }
}

void TFormMain::ScheduleArrangeIcons() {
  // Done once the events now pending have been handled, and only while no child
  // window is maximized.
  if (arrangeScheduled_) return;
  arrangeScheduled_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        arrangeScheduled_ = false;
        for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
          if (window->isMaximized()) return;
        }
        ArrangeIcons();
      },
      Qt::QueuedConnection);
}

void TFormMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ScheduleArrangeIcons();
}

// ---- Event routing ----

template <typename TFunction>
void TFormMain::QueueToLog(TFunction function) {
  if (shutDown_ || !logWindow_) return;
  TFormChildLogWindow* log = logWindow_.data();
  // Queued on the log window itself: dropped if the window goes first.
  QMetaObject::invokeMethod(log, [log, function] { function(*log); }, Qt::QueuedConnection);
}

template <typename TFunction>
void TFormMain::QueueToTerminal(TFunction function) {
  if (shutDown_ || !terminalWindow_) return;
  terminal::TFormChildTerminalWindow* window = terminalWindow_.data();
  QMetaObject::invokeMethod(window, [window, function] { function(*window); }, Qt::QueuedConnection);
}

void TFormMain::ConnectHostEvents() {
  using host::TFPHostControl;
  host_->OnOpen = [this](TFPHostControl& sender) {
    const int port = static_cast<int>(sender.CommPort());
    const int baud = static_cast<int>(sender.BaudRate());
    QueueToLog([port, baud](TFormChildLogWindow& log) { log.LogHostOpen(port, baud); });
  };
  host_->OnClose = [this](TFPHostControl&) { QueueToLog([](TFormChildLogWindow& log) { log.LogHostClose(); }); };
  host_->OnWrite = [this](TFPHostControl&, const std::string& value) {
    lastWrittenFrame_ = value;
    QueueToLog([frame = value](TFormChildLogWindow& log) { log.LogHostWrite(frame); });
  };
  host_->OnRead = [this](TFPHostControl&, const std::string& value) {
    lastReadFrame_ = value;
    QueueToLog([frame = value](TFormChildLogWindow& log) { log.LogFrameRead(frame); });
  };
  host_->OnAck = [this](TFPHostControl&) { QueueToLog([](TFormChildLogWindow& log) { log.LogAck(); }); };
  host_->OnNack = [this](TFPHostControl&) { QueueToLog([](TFormChildLogWindow& log) { log.LogNack(); }); };
  host_->OnIntermediateAnswer = [this](TFPHostControl&) {
    QueueToLog([](TFormChildLogWindow& log) { log.LogIntermediateAnswer(); });
  };
  host_->OnFinalAnswer = [this](TFPHostControl&) {
    QueueToTerminal([](terminal::TFormChildTerminalWindow& window) { window.HostFinalAnswer(); });
  };
  host_->OnError = [this](TFPHostControl&) {
    QueueToTerminal([](terminal::TFormChildTerminalWindow& window) { window.HostError(); });
  };
}

void TFormMain::ConnectDgiEvents() {
  using dgi::TFPAuxControl;
  dgi_->OnOpen = [this](TFPAuxControl& sender) {
    const int port = static_cast<int>(sender.GetCommPort());
    QueueToLog([port](TFormChildLogWindow& log) { log.LogDgiOpen(port); });
  };
  dgi_->OnClose = [this](TFPAuxControl&) { QueueToLog([](TFormChildLogWindow& log) { log.LogDgiClose(); }); };
  dgi_->OnWrite = [this](TFPAuxControl&, const std::string& value) {
    lastWrittenFrame_ = value;
    QueueToLog([frame = value](TFormChildLogWindow& log) { log.LogDgiWrite(frame); });
  };
  dgi_->OnRead = [this](TFPAuxControl&, const std::string& value) {
    lastReadFrame_ = value;
    QueueToLog([frame = value](TFormChildLogWindow& log) { log.LogFrameRead(frame); });
  };
  dgi_->OnAck = [this](TFPAuxControl&) {
    QueueToLog([](TFormChildLogWindow& log) { log.LogAck(); });
    QueueToTerminal([](terminal::TFormChildTerminalWindow& window) { window.DgiAck(); });
  };
  dgi_->OnNack = [this](TFPAuxControl&) { QueueToLog([](TFormChildLogWindow& log) { log.LogNack(); }); };
  dgi_->OnAnswer = [this](TFPAuxControl& sender, bool isFinal) {
    // The answer travels with the notification: the next frame replaces Answer.
    if (isFinal) {
      QueueToTerminal([answer = sender.Answer()](terminal::TFormChildTerminalWindow& window) {
        window.DgiFinalAnswer(answer);
      });
    } else {
      QueueToTerminal([answer = sender.Answer()](terminal::TFormChildTerminalWindow& window) {
        window.DgiAnswer(answer);
      });
    }
  };
  dgi_->OnError = [this](TFPAuxControl&) {
    QueueToTerminal([](terminal::TFormChildTerminalWindow& window) { window.DgiError(); });
  };
}

void TFormMain::DisconnectControlEvents() {
  host_->OnOpen = host_->OnClose = host_->OnAck = host_->OnNack = nullptr;
  host_->OnIntermediateAnswer = host_->OnFinalAnswer = host_->OnError = nullptr;
  host_->OnWrite = host_->OnRead = nullptr;
  dgi_->OnOpen = dgi_->OnClose = dgi_->OnAck = dgi_->OnNack = dgi_->OnError = nullptr;
  dgi_->OnAnswer = nullptr;
  dgi_->OnWrite = dgi_->OnRead = nullptr;
}

// ---- Shutdown ----

void TFormMain::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;  // events of the controls are no longer forwarded
  DisconnectControlEvents();
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QApplication::clipboard(), nullptr, this, nullptr);
  if (watchedTextControl_) disconnect(watchedTextControl_, nullptr, this, nullptr);
  CloseTerminalWindows();
  if (!options_.runPorts) {
    TSettingsStore::AtPath(SettingsFilePath()).Save(settings_);
  }
  if (!settings_.File.empty()) WriteGeneralSettings();
  // Last the controls, which closes the ports.
  host_.reset();
  dgi_.reset();
}

}  // namespace quorvel::app
