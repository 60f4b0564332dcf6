// SPDX-License-Identifier: MIT
#pragma once
// The terminal window of the open terminal file: the command tree on the left,
// the input form of the selected command, the two answer pages, and the Send,
// Repeat and Cancel buttons below them.
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/fieldrecords.h"
#include "model/inimemory.h"
#include "model/sendtext.h"
#include "model/fileedit.h"
#include "model/terminalfile.h"

class QAction;
class QDrag;
class QFrame;
class QMenu;
class QMimeData;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel::terminal {

class TTerminalContext;

// Where the command form puts its controls; computed each time a form is built.
struct TCommandLayout {
  int columns = 1;
  int left = 20;
  int controlWidth = 200;
  int controlHeight = 20;
};
// The layout for a scroll box of `clientWidth` pixels on a screen of `dpi`.
TCommandLayout ComputeCommandLayout(int clientWidth, int dpi);

// Positions of the caption labels, in order; each control stands 18 below its label.
struct TFormPlacement {
  std::vector<QPoint> labels;
  int notesTop = 0;  // the notes label's top, if the command has notes
};
TFormPlacement PlaceCommandFields(const TCommandLayout& layout, std::size_t fieldCount);

class TFormChildTerminalWindow : public QWidget {
  Q_OBJECT

 public:
  enum class TNodeKind { Root, Group, Command };

  // Builds the window for the terminal file `fileName` (which need not exist:
  // a missing file reads as empty).
  TFormChildTerminalWindow(TTerminalContext& context, const QString& fileName,
                           QWidget* parent = nullptr);
  // Stores the tree's width into TVWidth.
  ~TFormChildTerminalWindow() override;

  const QString& FileName() const { return fileName_; }
  // Command section of the command whose form is shown; empty when none.
  const std::string& CurrentCommand() const { return currentCommand_; }
  const model::TCommandDefinition& CommandDefinition() const { return commandDefinition_; }
  const model::TIniMemory& TerminalFile() const { return *terminalFile_; }
  QTreeWidget* TreeViewCommand() const { return treeViewCommand_; }
  static TNodeKind NodeKind(const QTreeWidgetItem* node);
  // The command section of a command node ("" for other nodes).
  static std::string CommandSection(const QTreeWidgetItem* node);

  // The form's input controls, one per command field (TFieldTypeComboBox or a
  // date or time picker), and what the user has entered in them.
  std::size_t FieldCount() const { return fieldWidgets_.size(); }
  QWidget* FieldControl(std::size_t index) const { return fieldWidgets_.at(index).control; }
  QLabel* FieldLabel(std::size_t index) const { return fieldWidgets_.at(index).label; }
  model::TFieldEntry FieldEntry(std::size_t index) const;
  QLabel* NotesLabel() const { return notesLabel_; }
  QPlainTextEdit* NotesMemo() const { return notesMemo_; }
  const TCommandLayout& CommandLayout() const { return commandLayout_; }

  // The prompt "Input text:" with this caption; the answer cut to 25
  // characters, Cancel gives the empty text.
  QString InputText(const QString& caption);

  // Reloads the in-memory copy and reads the fixed-answer tables again.
  void ReloadFile();
  void ClearCommandForm();
  // Reads the command definition of `section`; a record that cannot be read
  // is reported in an error box and leaves a command without fields.
  void LoadCommandDefinition(const std::string& section);
  void BuildCommandForm(const std::string& section);
  // Send and Repeat by the selected command's mode and the ports' state.
  void ApplySendAvailability();

  // Closing by the close box only minimizes the window; the owner sets this
  // before it really closes it.
  void SetCloseAllowed(bool allowed) { closeAllowed_ = allowed; }

  // ---- Send, Repeat and Cancel ----
  // "Reset serial ports": no answer is awaited any more.
  void StopWaiting();

  // ---- Editing the tree (its context menu, Copy and Paste, drag and drop, Undo) ----
  QMenu* TerminalWindowPopupMenu() const { return terminalWindowPopupMenu_; }
  // The context menu's item of that component name ("MenuItemGroupAdd", ...).
  QAction* MenuItem(const QString& name) const;
  // Sets the items' enabled states from the selected node, as before the menu opens.
  void TerminalWindowPopupMenuPopup();
  // The node the menu works on: the selected one, or nullptr.
  QTreeWidgetItem* SelectedNode() const;
  QTreeWidgetItem* DragSourceNode() const { return dragSourceNode_; }
  QTreeWidgetItem* CopiedNode() const { return copiedNode_; }
  bool CopyPending() const { return copyPending_; }
  // What a drop of `source` onto `target` (or a paste) does.
  enum class TDropAction { None, DuplicateGroup, MergeGroup, CopyCommandToGroup };
  static TDropAction DropAction(const QTreeWidgetItem* source, const QTreeWidgetItem* target);
  // How a started drag is carried out; tests replace QDrag::exec, which waits for a user.
  void SetDragRunner(std::function<void(QDrag&)> runner) { dragRunner_ = std::move(runner); }
  // The MIME type of a drag of a tree node; its data names the window it started in.
  static QString NodeMimeType();

  // Undo of the last editor operations of this window (at most 50).
  static constexpr std::size_t kUndoDepth = 50;
  bool CanUndo() const { return !undoSteps_.empty(); }
  void Undo();

  void MenuItemGroupAddClick();
  void MenuItemGroupModifyClick();
  void MenuItemGroupRemoveClick();
  void MemuItemCommandAddClick();
  void MenuItemCommandModifyClick();
  void MenuItemCommandRemoveClick();
  void MenuItemEditFieldsClick();
  void MenuItemCopyCommandClick();
  void MenuItemPasteCommandClick();
  void MenuItemExpandallClick();
  void MenuItemCollapseallClick();
  void MenuItemExpandNodeClick();
  void MenuItemCollapseNodeClick();

  // ---- Answer page ----
  void ShowAnswer(std::uint16_t fiscalStatus, std::uint16_t printerStatus,
                  const std::vector<std::string>& values, std::uint16_t returnCode);
  void ClearStatusPanels();

 public slots:
  // Notifications of the main window.
  void HostFinalAnswer();
  void HostError();
  // `answer` is the DGI control's Answer as it was when the frame arrived: a
  // later frame may already have replaced it when the notification is handled.
  void DgiAnswer(const std::string& answer);
  void DgiFinalAnswer(const std::string& answer);
  void DgiError();
  void DgiAck();

  void ButtonSendClick();
  void ButtonRepeatClick();
  void ButtonCancelClick();
  void MemoFiscalAnswerDblClick();

  // The delayed selection change of the tree (also callable directly).
  void TreeViewCommandChange(QTreeWidgetItem* node);

 protected:
  // The long part of the hint under the pointer goes to the main window's status panel 0.
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct TFieldWidgets {
    QLabel* label = nullptr;
    QWidget* control = nullptr;
  };

  void CreateWidgets();
  void CreateButtonPanel(QWidget* panelMain);
  void ReadTree();
  void ReadFixedAnswerTables();
  void PageControlChange(int index);
  void TreeViewCommandClick();
  QWidget* CreateFieldControl(const model::TCommandField& field, const std::string& section,
                              std::size_t fieldIndex, QWidget* form);
  void CreateNotes(const std::string& section, int top, QWidget* form);
  // Lets pending window events run; false when this window was destroyed meanwhile.
  bool LetPendingEventsRun();

  // Editing the tree
  void CreatePopupMenu();
  void ShowPopupMenu(const QPoint& at);
  bool TreeMouseEvent(QEvent* event);
  bool TreeDragEvent(QEvent* event);
  // The node a drag over the viewport at `position` would drop on, if the drop is accepted.
  QTreeWidgetItem* AcceptedDropTarget(const QMimeData* mime, const QPoint& position) const;
  void StartDrag();
  // Carries out a paste or a drop; false when it did nothing.
  void PasteOrDrop(QTreeWidgetItem* source, QTreeWidgetItem* target);
  void DuplicateGroup(QTreeWidgetItem* source);
  void MergeGroup(QTreeWidgetItem* source, QTreeWidgetItem* target);
  void CopyCommandToGroup(QTreeWidgetItem* source, QTreeWidgetItem* targetGroup);
  // Records one change of the file for Undo.
  void RecordUndo(const std::string& before, const std::string& after);
  // Shows a refusal of the edit layer; nothing was written.
  void ShowRefusal(const std::exception& error);
  // A removed node takes the pending copy and the drag source with it.
  void ForgetNode(QTreeWidgetItem* node);
  // After a rename: the current command's section follows its new name.
  void FollowRename();
  // Runs one operation of the edit layer; a refusal is shown and nothing changes.
  bool Edit(const std::function<model::TEditResult()>& operation);
  // Reads the tree again from the in-memory copy, keeping what was expanded and selected.
  void RebuildTree();

  QMenu* terminalWindowPopupMenu_ = nullptr;
  QTreeWidgetItem* dragSourceNode_ = nullptr;
  QTreeWidgetItem* copiedNode_ = nullptr;
  bool copyPending_ = false;
  QPoint dragStart_;
  bool dragArmed_ = false;
  std::function<void(QDrag&)> dragRunner_;
  struct TUndoStep {
    std::string Before;
    std::string After;
  };
  std::deque<TUndoStep> undoSteps_;

  TTerminalContext& context_;
  QString fileName_;
  model::TTerminalFileEditor editor_;  // the edit layer on this file
  std::unique_ptr<model::TIniMemory> terminalFile_;
  std::string currentCommand_;
  model::TCommandDefinition commandDefinition_;
  std::vector<TFieldWidgets> fieldWidgets_;
  QLabel* notesLabel_ = nullptr;
  QPlainTextEdit* notesMemo_ = nullptr;
  TCommandLayout commandLayout_;
  int treeWidth_ = 127;  // kept while shown, stored into TVWidth at the end
  bool closeAllowed_ = false;
  bool changingSelection_ = false;
  bool selectionChangedMeanwhile_ = false;

  // Widgets.
  QTreeWidget* treeViewCommand_ = nullptr;
  QTimer* treeChangeDelay_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QWidget* panelMain_ = nullptr;
  QTabWidget* pageControl_ = nullptr;
  QWidget* tabSheetCommand_ = nullptr;
  QScrollArea* scrollBoxCommand_ = nullptr;
  QWidget* commandForm_ = nullptr;  // the scroll box's content
  QWidget* tabSheetAnswer_ = nullptr;
  QScrollArea* scrollBoxAnswer_ = nullptr;
  QWidget* answerForm_ = nullptr;  // the answer scroll box's content
  QGroupBox* groupBoxFiscalAnswer_ = nullptr;
  QGroupBox* groupBoxPrinterAnswer_ = nullptr;
  QFrame* bevelSeparator_ = nullptr;
  QWidget* tabSheetFiscalAnswer_ = nullptr;
  QPlainTextEdit* memoFiscalAnswer_ = nullptr;
  QWidget* buttonPanel_ = nullptr;
  QPushButton* buttonSend_ = nullptr;
  QPushButton* buttonRepeat_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;

  // Fixed-answer tables of the two status words, read at creation and by ReloadFile.
  model::TFixedAnswerTable fiscalAnswers_;
  model::TFixedAnswerTable printerAnswers_;

  // Send, Repeat and Cancel
  enum class TPort { Host, Dgi };
  enum class TWaitResult { Idle, PortClosed, WindowGone };
  void SetStatus(const QString& text);
  bool IsDgiCommand() const;
  // Handles window events until the port is not busy (sleeping while there are none).
  TWaitResult WaitUntilIdle(TPort port);
  bool AddField(const model::TCommandField& field, std::size_t index, int repetition);
  // AddField for every field; on bad input the box, purge, focus and "Error".
  bool AddCommandFields(int repetition, bool purgeDgi);
  void StopRepeat(const QString& status, bool purge);
  void ShowFailure(const char* status, const char* message);
  bool commandInProgress_ = false;
  bool cancelRequested_ = false;
  std::string sentCommand_;   // section of the last host command handed over
  std::string dgiFrameText_;  // the fields of a DGI command joined together

  // Answer page
  struct TAnswerRowWidgets {
    QLabel* label = nullptr;
    QWidget* box = nullptr;
  };
  int BuildStatusBox(QGroupBox* box, const char* caption, std::uint16_t word,
                     const model::TFixedAnswerTable& table, std::vector<QLabel*>& panels,
                     const char* panelName);
  void BuildAnswerRows(const std::vector<std::string>& values, std::uint16_t returnCode);
  void DestroyAnswerRows();
  // Places the boxes, panels, separator and rows of the shown answer for the
  // current client width of ScrollBoxAnswer; again whenever that width changes.
  void LayOutAnswerPage();
  void PlaceAnswerWidgets(int width);
  std::vector<QLabel*> fiscalPanels_;   // built panels of the fiscal-status word
  std::vector<QLabel*> printerPanels_;  // ... and of the printer-status word
  std::vector<TAnswerRowWidgets> answerRows_;
  // The panel counts of the shown answer: the boxes keep their height when
  // ClearStatusPanels removes the panels, so the rows below stay in place.
  int fiscalPanelCount_ = 0;
  int printerPanelCount_ = 0;
  bool answerPageBuilt_ = false;
  bool layingOutAnswerPage_ = false;
};

}  // namespace quorvel::terminal
