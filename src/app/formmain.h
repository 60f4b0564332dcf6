// SPDX-License-Identifier: MIT
#pragma once
// The main window: a multiple-document frame that exists for the whole run. It
// owns the settings record, the host control and the DGI control, and while a
// terminal file is open its two child windows (terminal window and log window).
// It forwards every control event to those windows as a queued notification.
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "app/logwindow.h"
#include "app/qtloop.h"
#include "model/settingsrecord.h"
#include "terminal/terminal.h"
#include "terminal/terminalcontext.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolButton;

namespace quorvel::widgets {
class TPrompts;
}
namespace quorvel::host {
class TFPHostControl;
}
namespace quorvel::dgi {
class TFPAuxControl;
}

namespace quorvel::app {

// Device paths that replace the host and DGI ports of the port map for one run
// (the demo points them at the emulator); the user's settings keep their own.
struct TRunPorts {
  std::string host;
  std::string dgi;
};

struct TFormMainOptions {
  // The command line after the program name; only the first entry counts.
  QStringList arguments;
  // Message boxes, prompts and file dialogs; nullptr: the real ones.
  widgets::TPrompts* prompts = nullptr;
  // The settings store file; empty: the per-user store named after the executable.
  QString settingsFile;
  // Folder of the default terminal file "default.qvl"; empty: the executable's
  // folder, or the per-user data folder when that one cannot be written.
  QString programFolder;
  bool registerFileType = true;
  std::optional<TRunPorts> runPorts;
};

class TFormMain : public QMainWindow, public terminal::TTerminalContext {
  Q_OBJECT

 public:
  explicit TFormMain(TFormMainOptions options = {}, QWidget* parent = nullptr);
  ~TFormMain() override;

  // TTerminalContext
  model::TSettingsRecord& Settings() override { return settings_; }
  const model::TSettingsRecord& Settings() const { return settings_; }
  host::TFPHostControl& Host() override { return *host_; }
  dgi::TFPAuxControl& Dgi() override { return *dgi_; }
  widgets::TPrompts& Prompts() override { return *prompts_; }
  void SetStatusText(int panel, const QString& text) override;
  void ShowHint(const QString& hint) override;
  void EditFields(QWidget* owner, const std::string& fileName, const std::string& section,
                  const TFileChanged& changed) override;
  TOverwriteChoice ChooseOverwriteOrNew(QWidget* owner) override;
  void UndoChanged() override;

  QString StatusText(int panel) const;
  terminal::TFormChildTerminalWindow* TerminalWindow() const { return terminalWindow_; }
  TFormChildLogWindow* LogWindow() const { return logWindow_; }
  QMdiSubWindow* TerminalSubWindow() const { return terminalSub_; }
  QMdiSubWindow* LogSubWindow() const { return logSub_; }
  QMdiArea* MdiArea() const { return mdiArea_; }
  bool TerminalFileOpen() const { return terminalWindow_ != nullptr; }
  // The two frame slots: the last frame written and the last frame read.
  const std::string& LastWrittenFrame() const { return lastWrittenFrame_; }
  const std::string& LastReadFrame() const { return lastReadFrame_; }
  // Where New writes the template.
  QString DefaultTerminalFile() const;
  QString SettingsFilePath() const;

  // Opens `File` into a new terminal window and log window.
  void OpenTerminalFile();
  void ReadGeneralSettings();
  // Writes the three [General] values into `File`; a refused write is reported.
  void WriteGeneralSettings();
  bool OpenDgiPort();
  void CloseDgiPort();
  void UpdatePortStatus();
  // Arranges the icons of the minimized child windows along the bottom.
  void ArrangeIcons();
  // A file dropped on the window (the first one of a drop).
  void OpenDroppedFile(const QString& path);
  // What follows an OK of the preferences dialog: the host port reopened, the
  // protocol set, the DGI port reopened when open, the log told.
  void ApplyPreferences();

  // Actions, shared by menus and toolbar.
  QAction* ActionNew = nullptr;
  QAction* ActionOpen = nullptr;
  QAction* ActionClose = nullptr;
  QAction* ActionSaveAs = nullptr;
  QAction* ActionExit = nullptr;
  QAction* ActionEditUndo = nullptr;
  QAction* ActionEditCut = nullptr;
  QAction* ActionEditCopy = nullptr;
  QAction* ActionEditPaste = nullptr;
  QAction* ActionWindowCascade = nullptr;
  QAction* ActionWindowTileHorizontal = nullptr;
  QAction* ActionWindowTileVertical = nullptr;
  QAction* ActionWindowMinimizeAll = nullptr;
  QAction* ActionWindowArrange = nullptr;
  QAction* ActionEditFixAnswer = nullptr;
  QAction* ActionTestFixAnswer = nullptr;
  QAction* ActionEditRC = nullptr;
  QAction* ActionResetPorts = nullptr;
  QAction* ActionPreferences = nullptr;
  QAction* ActionAbout = nullptr;
  QToolButton* ToolButtonFiscal = nullptr;
  QMenu* MenuWindow = nullptr;
  QMenu* PopupMenuMain = nullptr;

 public slots:
  void ActionNewExecute();
  void ActionOpenExecute();
  void ActionSaveAsExecute();
  void ActionCloseExecute();
  void ActionEditUndoExecute();
  void ActionEditCutExecute();
  void ActionEditCopyExecute();
  void ActionEditPasteExecute();
  void ActionWindowTileHorizontalExecute();
  void ActionWindowTileVerticalExecute();
  void ActionWindowMinimizeAllExecute();
  void ActionEditFixAnswerExecute();
  void ActionTestFixAnswerExecute();
  void ActionEditRCExecute();
  void ActionResetPortsExecute();
  void ActionPreferencesExecute();
  void ActionAboutExecute();
  void ToolButtonFiscalClick();
  void UpdateEditActions();

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  QAction* ProxyOf(QAction* target, const QString& text, const QString& hint);
  void CreateStatusBar();
  void ConnectHostEvents();
  void ConnectDgiEvents();
  void DisconnectControlEvents();
  void LoadSettings();
  void OpenHostPort();
  void ApplyDgiPortAtStart();
  void ShowFiscalButton(bool portOn);
  void ReadCommandLine(const QStringList& arguments);
  void FirstShown();
  void CloseTerminalWindows();
  void UpdateFileActions();
  void UpdateReturnCodeAction();
  void ScheduleArrangeIcons();
  void FillWindowMenu();
  void Shutdown();
  // The port error box: its own text, and on a second line the system's reason
  // (an errno, 0 when none is known) in plain words.
  void PortError(const QString& text, int systemError);
  QWidget* FocusedTextControl() const;

  // Event routing: a call made on the receiving window after the current event.
  template <typename TFunction>
  void QueueToLog(TFunction function);
  template <typename TFunction>
  void QueueToTerminal(TFunction function);

  TFormMainOptions options_;
  std::unique_ptr<widgets::TPrompts> ownPrompts_;
  widgets::TPrompts* prompts_ = nullptr;
  model::TSettingsRecord settings_;
  TQtLoop loop_;
  std::unique_ptr<host::TFPHostControl> host_;
  std::unique_ptr<dgi::TFPAuxControl> dgi_;
  std::string lastWrittenFrame_;
  std::string lastReadFrame_;

  QMdiArea* mdiArea_ = nullptr;
  std::array<QLabel*, 4> statusPanels_{};
  QPointer<terminal::TFormChildTerminalWindow> terminalWindow_;
  QPointer<TFormChildLogWindow> logWindow_;
  QPointer<QMdiSubWindow> terminalSub_;
  QPointer<QMdiSubWindow> logSub_;
  QPointer<QWidget> watchedTextControl_;
  bool firstShowDone_ = false;
  bool arrangeScheduled_ = false;
  bool shutDown_ = false;
};

}  // namespace quorvel::app
