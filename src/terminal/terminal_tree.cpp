// SPDX-License-Identifier: MIT
// The command tree as the editor of the terminal file's structure: its context
// menu, Copy and Paste, drag and drop, the field list editor, and Undo. Every
// change is one operation of the model's edit layer; the window then shows it.
#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>

#include "model/errors.h"
#include "model/terminalfile.h"
#include "model/fileedit.h"
#include "terminal/terminal.h"
#include "terminal/terminalcontext.h"
#include "terminal/treenodes.h"
#include "widgets/prompts.h"

namespace quorvel::terminal {

namespace {

// A drag starts when the pointer has moved this far with the left button held.
constexpr int kDragDistance = 15;

const QString kWarningTitle = QStringLiteral(" W A R N I N G ");

}  // namespace

QString TFormChildTerminalWindow::NodeMimeType() {
  return QStringLiteral("application/x-quorvel-command-node");
}

// ---- the context menu ----

void TFormChildTerminalWindow::CreatePopupMenu() {
  terminalWindowPopupMenu_ = new QMenu(this);
  terminalWindowPopupMenu_->setObjectName(QStringLiteral("TerminalWindowPopupMenu"));
  auto item = [this](QMenu* menu, const char* name, const QString& caption, void (TFormChildTerminalWindow::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setParent(this);  // found by name whichever submenu holds it
    menu->addAction(action);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  auto submenu = [this](const char* name, const QString& caption) {
    QMenu* menu = terminalWindowPopupMenu_->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setParent(this);
    return menu;
  };
  QMenu* group = submenu("MenuItemGroupPopUp", QStringLiteral("&Group"));
  item(group, "MenuItemGroupAdd", QStringLiteral("&Add"), &TFormChildTerminalWindow::MenuItemGroupAddClick);
  item(group, "MenuItemGroupModify", QStringLiteral("&Rename"), &TFormChildTerminalWindow::MenuItemGroupModifyClick);
  item(group, "MenuItemGroupRemove", QStringLiteral("&Remove"), &TFormChildTerminalWindow::MenuItemGroupRemoveClick);
  QMenu* command = submenu("MenuItemCommandPopUp", QStringLiteral("&Command"));
  item(command, "MemuItemCommandAdd", QStringLiteral("&Add"), &TFormChildTerminalWindow::MemuItemCommandAddClick);
  item(command, "MenuItemCommandModify", QStringLiteral("&Rename"),
       &TFormChildTerminalWindow::MenuItemCommandModifyClick);
  item(command, "MenuItemCommandRemove", QStringLiteral("&Remove"),
       &TFormChildTerminalWindow::MenuItemCommandRemoveClick);
  terminalWindowPopupMenu_->addSeparator();
  item(terminalWindowPopupMenu_, "MenuItemEditFields", QStringLiteral("&Edit fields"),
       &TFormChildTerminalWindow::MenuItemEditFieldsClick);
  terminalWindowPopupMenu_->addSeparator();
  QAction* copy = item(terminalWindowPopupMenu_, "MenuItemCopyCommand", QStringLiteral("&Copy"),
                       &TFormChildTerminalWindow::MenuItemCopyCommandClick);
  copy->setIcon(QIcon::fromTheme(QStringLiteral("edit-copy"), style()->standardIcon(QStyle::SP_FileIcon)));
  copy->setEnabled(false);
  QAction* paste = item(terminalWindowPopupMenu_, "MenuItemPasteCommand", QStringLiteral("&Paste"),
                        &TFormChildTerminalWindow::MenuItemPasteCommandClick);
  paste->setIcon(QIcon::fromTheme(QStringLiteral("edit-paste"), style()->standardIcon(QStyle::SP_DialogSaveButton)));
  paste->setEnabled(false);
  QAction* undo = item(terminalWindowPopupMenu_, "MenuItemUndo", QStringLiteral("&Undo"), &TFormChildTerminalWindow::Undo);
  // Shown in the menu; the main window's Edit menu answers Ctrl+Z everywhere.
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  undo->setShortcutContext(Qt::WidgetShortcut);
  undo->setIcon(QIcon::fromTheme(QStringLiteral("edit-undo"), style()->standardIcon(QStyle::SP_ArrowBack)));
  undo->setEnabled(false);
  terminalWindowPopupMenu_->addSeparator();
  QMenu* nodes = submenu("MenuItemNodesCommand", QStringLiteral("&Nodes"));
  item(nodes, "MenuItemExpandall", QStringLiteral("Expand all"), &TFormChildTerminalWindow::MenuItemExpandallClick);
  item(nodes, "MenuItemCollapseall", QStringLiteral("Collapse all"),
       &TFormChildTerminalWindow::MenuItemCollapseallClick);
  item(nodes, "MenuItemExpandNode", QStringLiteral("Expand node"), &TFormChildTerminalWindow::MenuItemExpandNodeClick);
  item(nodes, "MenuItemCollapseNode", QStringLiteral("Collapse node"),
       &TFormChildTerminalWindow::MenuItemCollapseNodeClick);

  treeViewCommand_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(treeViewCommand_, &QWidget::customContextMenuRequested, this, &TFormChildTerminalWindow::ShowPopupMenu);
  treeViewCommand_->setAcceptDrops(true);
  treeViewCommand_->viewport()->setAcceptDrops(true);
}

QAction* TFormChildTerminalWindow::MenuItem(const QString& name) const {
  return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

QTreeWidgetItem* TFormChildTerminalWindow::SelectedNode() const {
  const QList<QTreeWidgetItem*> selected = treeViewCommand_->selectedItems();
  return selected.isEmpty() ? nullptr : selected.front();
}

void TFormChildTerminalWindow::ShowPopupMenu(const QPoint& at) {
  TerminalWindowPopupMenuPopup();
  terminalWindowPopupMenu_->popup(treeViewCommand_->viewport()->mapToGlobal(at));
}

void TFormChildTerminalWindow::TerminalWindowPopupMenuPopup() {
  QTreeWidgetItem* node = SelectedNode();
  const auto set = [this](const char* name, bool enabled) { MenuItem(QString::fromLatin1(name))->setEnabled(enabled); };
  bool groupMenu = true;
  bool groupItems = false;
  bool commandMenu = false;
  bool commandItems = false;
  bool fields = false;
  bool copy = false;
  bool paste = false;
  if (node == nullptr) {
    copyPending_ = false;
    copiedNode_ = nullptr;
  } else {
    switch (NodeKind(node)) {
      case TNodeKind::Root:
        paste = copyPending_ && copiedNode_ != nullptr && NodeKind(copiedNode_) == TNodeKind::Group;
        break;
      case TNodeKind::Group:
        groupItems = commandMenu = copy = true;
        paste = copyPending_;
        break;
      case TNodeKind::Command:
        groupMenu = false;
        commandMenu = commandItems = fields = copy = true;
        paste = copyPending_;
        break;
    }
  }
  set("MenuItemGroupPopUp", groupMenu);
  set("MenuItemGroupModify", groupItems);
  set("MenuItemGroupRemove", groupItems);
  set("MenuItemCommandPopUp", commandMenu);
  set("MenuItemCommandModify", commandItems);
  set("MenuItemCommandRemove", commandItems);
  set("MenuItemEditFields", fields);
  set("MenuItemCopyCommand", copy);
  set("MenuItemPasteCommand", paste);
  set("MenuItemGroupAdd", true);
  set("MemuItemCommandAdd", true);
  set("MenuItemUndo", CanUndo());
}

// ---- helpers ----

void TFormChildTerminalWindow::ShowRefusal(const std::exception& error) {
  widgets::ShowError(context_.Prompts(), this, QString::fromLatin1(error.what()));
}

void TFormChildTerminalWindow::RecordUndo(const std::string& before, const std::string& after) {
  if (before == after) return;
  undoSteps_.push_back({before, after});
  while (undoSteps_.size() > kUndoDepth) undoSteps_.pop_front();
  MenuItem(QStringLiteral("MenuItemUndo"))->setEnabled(true);
  context_.UndoChanged();
}

void TFormChildTerminalWindow::ForgetNode(QTreeWidgetItem* node) {
  for (QTreeWidgetItem* up = copiedNode_; up != nullptr; up = up->parent()) {
    if (up == node) {
      copiedNode_ = nullptr;
      copyPending_ = false;
      break;
    }
  }
  for (QTreeWidgetItem* up = dragSourceNode_; up != nullptr; up = up->parent()) {
    if (up == node) {
      dragSourceNode_ = nullptr;
      break;
    }
  }
}

void TFormChildTerminalWindow::FollowRename() {
  // The form shows the current node's command; its section has a new name now.
  const std::string section = CommandSection(treeViewCommand_->currentItem());
  if (!currentCommand_.empty() && !section.empty()) currentCommand_ = section;
}

bool TFormChildTerminalWindow::Edit(const std::function<model::TEditResult()>& operation) {
  model::TEditResult result;
  try {
    result = operation();
  } catch (const std::exception& error) {
    // A refused name or value, or a refused write: nothing was written.
    ShowRefusal(error);
    return false;
  }
  RecordUndo(result.Before, result.After);
  return true;
}

// ---- groups ----

void TFormChildTerminalWindow::MenuItemGroupAddClick() {
  QTreeWidgetItem* root = treeViewCommand_->topLevelItem(0);
  const std::string name = ToBytes(InputText(QStringLiteral("Add a new group")));
  if (!name.empty() && Edit([&] { return editor_.AddGroup(name); })) {
    AddNode(root, name);
    ReloadFile();
  }
  root->setExpanded(true);
}

void TFormChildTerminalWindow::MenuItemGroupModifyClick() {
  QTreeWidgetItem* node = SelectedNode();
  if (node == nullptr || NodeKind(node) != TNodeKind::Group) return;
  const std::string oldName = NodeName(node);
  const std::string name =
      ToBytes(InputText(QStringLiteral("Rename group \"") + FromBytes(oldName) + QStringLiteral("\"")));
  if (name.empty() || !Edit([&] { return editor_.RenameGroup(oldName, name); })) return;
  SetNodeName(node, name);
  ReloadFile();
  FollowRename();
}

void TFormChildTerminalWindow::MenuItemGroupRemoveClick() {
  QTreeWidgetItem* node = SelectedNode();
  if (node == nullptr || NodeKind(node) != TNodeKind::Group) return;
  const std::string name = NodeName(node);
  const widgets::TPromptResult answer = context_.Prompts().Message(
      this, widgets::TPromptIcon::Warning, kWarningTitle,
      QStringLiteral("Are you sure you want to delete group \"") + FromBytes(name) + QStringLiteral("\" ?"),
      widgets::TPromptButtons::OkCancel);
  if (answer != widgets::TPromptResult::Ok || !Edit([&] { return editor_.RemoveGroup(name); })) return;
  ForgetNode(node);
  delete node;
  ReloadFile();
}

// ---- commands ----

void TFormChildTerminalWindow::MemuItemCommandAddClick() {
  QTreeWidgetItem* node = SelectedNode();
  if (node == nullptr || NodeKind(node) == TNodeKind::Root) return;
  QTreeWidgetItem* group = NodeKind(node) == TNodeKind::Group ? node : node->parent();
  const std::string name = ToBytes(InputText(QStringLiteral("Add a new command")));
  if (name.empty() || !Edit([&] { return editor_.AddCommand(NodeName(group), name); })) return;
  AddNode(group, name);
  group->setExpanded(true);
  ReloadFile();
}

void TFormChildTerminalWindow::MenuItemCommandModifyClick() {
  QTreeWidgetItem* node = SelectedNode();
  if (node == nullptr || NodeKind(node) != TNodeKind::Command) return;
  const std::string oldName = NodeName(node);
  const std::string name =
      ToBytes(InputText(QStringLiteral("Rename command \"") + FromBytes(oldName) + QStringLiteral("\"")));
  if (name.empty() || !Edit([&] { return editor_.RenameCommand(NodeName(node->parent()), oldName, name); })) return;
  SetNodeName(node, name);
  ReloadFile();
  FollowRename();
}

void TFormChildTerminalWindow::MenuItemCommandRemoveClick() {
  QTreeWidgetItem* node = SelectedNode();
  if (node == nullptr || NodeKind(node) != TNodeKind::Command) return;
  const std::string name = NodeName(node);
  const widgets::TPromptResult answer = context_.Prompts().Message(
      this, widgets::TPromptIcon::Warning, kWarningTitle,
      QStringLiteral("Are you sure you want to delete command \"") + FromBytes(name) + QStringLiteral("\" ?"),
      widgets::TPromptButtons::OkCancel);
  if (answer != widgets::TPromptResult::Ok ||
      !Edit([&] { return editor_.RemoveCommand(NodeName(node->parent()), name); })) {
    return;
  }
  ForgetNode(node);
  delete node;
  ReloadFile();
}

// ---- the field list editor ----

void TFormChildTerminalWindow::MenuItemEditFieldsClick() {
  QTreeWidgetItem* node = SelectedNode();
  const std::string section = CommandSection(node);
  if (section.empty()) return;
  const QPointer<TFormChildTerminalWindow> self(this);
  context_.EditFields(this, terminalFile_->FileName(), section,
                      [this, self](const std::string& before, const std::string& after) {
                        if (!self.isNull()) RecordUndo(before, after);
                      });
  if (self.isNull()) return;
  ReloadFile();
  ClearCommandForm();
  LoadCommandDefinition(section);
  pageControl_->setCurrentWidget(tabSheetCommand_);
  currentCommand_ = section;
  BuildCommandForm(section);
}

// ---- Copy and Paste ----

void TFormChildTerminalWindow::MenuItemCopyCommandClick() {
  QTreeWidgetItem* node = SelectedNode();
  if (node == nullptr || NodeKind(node) == TNodeKind::Root) return;
  copiedNode_ = node;
  copyPending_ = true;
}

void TFormChildTerminalWindow::MenuItemPasteCommandClick() {
  QTreeWidgetItem* target = SelectedNode();
  if (!copyPending_ || copiedNode_ == nullptr || target == nullptr) return;
  PasteOrDrop(copiedNode_, target);
}

TFormChildTerminalWindow::TDropAction TFormChildTerminalWindow::DropAction(const QTreeWidgetItem* source,
                                                                           const QTreeWidgetItem* target) {
  if (source == nullptr || target == nullptr) return TDropAction::None;
  const TNodeKind from = NodeKind(source);
  const TNodeKind to = NodeKind(target);
  if (from == TNodeKind::Group && to == TNodeKind::Root) return TDropAction::DuplicateGroup;
  if (from == TNodeKind::Group && to == TNodeKind::Group) return TDropAction::MergeGroup;
  if (from == TNodeKind::Command && to != TNodeKind::Root) return TDropAction::CopyCommandToGroup;
  return TDropAction::None;
}

void TFormChildTerminalWindow::PasteOrDrop(QTreeWidgetItem* source, QTreeWidgetItem* target) {
  switch (DropAction(source, target)) {
    case TDropAction::DuplicateGroup: DuplicateGroup(source); break;
    case TDropAction::MergeGroup: MergeGroup(source, target); break;
    case TDropAction::CopyCommandToGroup:
      CopyCommandToGroup(source, NodeKind(target) == TNodeKind::Group ? target : target->parent());
      break;
    case TDropAction::None: break;
  }
  ReloadFile();
}

void TFormChildTerminalWindow::DuplicateGroup(QTreeWidgetItem* source) {
  model::TDuplicateResult duplicate;
  if (!Edit([&] { return duplicate = editor_.DuplicateGroup(NodeName(source)); })) return;
  QTreeWidgetItem* group = AddNode(treeViewCommand_->topLevelItem(0), duplicate.NewGroup);
  for (const std::string& command : duplicate.Commands) AddNode(group, command);
  group->setExpanded(true);
}

void TFormChildTerminalWindow::MergeGroup(QTreeWidgetItem* source, QTreeWidgetItem* target) {
  // Each command the target already has is overwritten only when the user says so.
  const auto ask = [this](const std::string& command) {
    const widgets::TPromptResult answer = context_.Prompts().Message(
        this, widgets::TPromptIcon::Warning, kWarningTitle,
        QStringLiteral("\"") + FromBytes(command) + QStringLiteral("\" command already exists, ovewrite?"),
        widgets::TPromptButtons::OkCancel);
    return answer == widgets::TPromptResult::Ok ? model::TMergeChoice::Overwrite : model::TMergeChoice::Skip;
  };
  model::TMergeResult merge;
  if (Edit([&] { return merge = editor_.MergeGroup(NodeName(source), NodeName(target), ask); })) {
    for (const std::string& command : merge.Added) AddNode(target, command);
  }
  target->setExpanded(true);
}

void TFormChildTerminalWindow::CopyCommandToGroup(QTreeWidgetItem* source, QTreeWidgetItem* targetGroup) {
  // While the name is taken: overwrite it, try another name, or give up.
  const auto ask = [this](const std::string&) {
    switch (context_.ChooseOverwriteOrNew(this)) {
      case TTerminalContext::TOverwriteChoice::Overwrite: return model::TCopyChoice::Overwrite();
      case TTerminalContext::TOverwriteChoice::New:
        return model::TCopyChoice::Rename(ToBytes(InputText(QStringLiteral("Input text:"))));
      case TTerminalContext::TOverwriteChoice::Cancel: break;
    }
    return model::TCopyChoice::Cancel();
  };
  model::TCopyResult copy;
  if (!Edit([&] {
        return copy = editor_.CopyCommandToGroup(NodeName(source->parent()), NodeName(source), NodeName(targetGroup),
                                                 ask);
      })) {
    return;
  }
  if (copy.Cancelled || copy.Overwritten) return;
  QTreeWidgetItem* node = AddNode(targetGroup, copy.Name);
  targetGroup->setExpanded(true);
  node->setExpanded(true);
}

// ---- drag and drop ----

bool TFormChildTerminalWindow::TreeMouseEvent(QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (event->type() == QEvent::MouseButtonPress) {
    // The right button opens the menu on the selected node without changing the selection.
    if (mouse->button() == Qt::RightButton) return true;
    if (mouse->button() == Qt::LeftButton) {
      QTreeWidgetItem* node = treeViewCommand_->itemAt(mouse->position().toPoint());
      dragArmed_ = node != nullptr;
      if (node != nullptr) {
        dragSourceNode_ = node;
        dragStart_ = mouse->position().toPoint();
      }
    }
    return false;
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    dragArmed_ = false;
    return false;
  }
  // A move with the left button held.
  if (dragArmed_ && (mouse->buttons() & Qt::LeftButton) && dragSourceNode_ != nullptr &&
      (mouse->position().toPoint() - dragStart_).manhattanLength() >= kDragDistance) {
    dragArmed_ = false;
    StartDrag();
    return true;
  }
  return false;
}

void TFormChildTerminalWindow::StartDrag() {
  auto* drag = new QDrag(treeViewCommand_);
  auto* mime = new QMimeData;
  mime->setData(NodeMimeType(), QByteArray::number(reinterpret_cast<quintptr>(this)));
  drag->setMimeData(mime);
  // A group drags several items, a command one; the root cannot be dropped anywhere.
  QStyle::StandardPixmap picture = QStyle::SP_FileIcon;
  switch (NodeKind(dragSourceNode_)) {
    case TNodeKind::Group: picture = QStyle::SP_DirIcon; break;
    case TNodeKind::Command: picture = QStyle::SP_FileIcon; break;
    case TNodeKind::Root: picture = QStyle::SP_BrowserStop; break;
  }
  drag->setPixmap(style()->standardIcon(picture).pixmap(16, 16));
  if (dragRunner_) {
    dragRunner_(*drag);
    delete drag;
  } else {
    drag->exec(Qt::CopyAction);
  }
}

QTreeWidgetItem* TFormChildTerminalWindow::AcceptedDropTarget(const QMimeData* mime, const QPoint& position) const {
  // Only a drag that started in this window's own tree.
  if (mime == nullptr || !mime->hasFormat(NodeMimeType()) ||
      mime->data(NodeMimeType()) != QByteArray::number(reinterpret_cast<quintptr>(this))) {
    return nullptr;
  }
  QTreeWidgetItem* target = treeViewCommand_->itemAt(position);
  return DropAction(dragSourceNode_, target) == TDropAction::None ? nullptr : target;
}

bool TFormChildTerminalWindow::TreeDragEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      // Accepting the enter lets the moves come; each move decides on its own node.
      if (event->type() == QEvent::DragEnter && drag->mimeData()->hasFormat(NodeMimeType())) {
        drag->acceptProposedAction();
      }
      if (AcceptedDropTarget(drag->mimeData(), drag->position().toPoint()) != nullptr) {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      } else {
        drag->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      QTreeWidgetItem* target = AcceptedDropTarget(drop->mimeData(), drop->position().toPoint());
      if (target == nullptr) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      PasteOrDrop(dragSourceNode_, target);
      return true;
    }
    case QEvent::DragLeave: return true;
    default: return false;
  }
}

// ---- expanding and collapsing ----

void TFormChildTerminalWindow::MenuItemExpandallClick() { treeViewCommand_->expandAll(); }

void TFormChildTerminalWindow::MenuItemCollapseallClick() { treeViewCommand_->collapseAll(); }

void TFormChildTerminalWindow::MenuItemExpandNodeClick() {
  if (QTreeWidgetItem* node = SelectedNode()) node->setExpanded(true);
}

void TFormChildTerminalWindow::MenuItemCollapseNodeClick() {
  if (QTreeWidgetItem* node = SelectedNode()) node->setExpanded(false);
}

// ---- Undo ----

void TFormChildTerminalWindow::RebuildTree() {
  // What the user had open and selected, by name.
  std::vector<std::string> expanded;
  QTreeWidgetItem* root = treeViewCommand_->topLevelItem(0);
  for (int g = 0; root != nullptr && g < root->childCount(); ++g) {
    if (root->child(g)->isExpanded()) expanded.push_back(model::FoldIniName(NodeName(root->child(g))));
  }
  QTreeWidgetItem* current = treeViewCommand_->currentItem();
  std::vector<std::string> selectedPath;
  for (QTreeWidgetItem* up = current; up != nullptr && up->parent() != nullptr; up = up->parent()) {
    selectedPath.insert(selectedPath.begin(), model::FoldIniName(NodeName(up)));
  }
  const bool rootExpanded = root == nullptr || root->isExpanded();
  ReadTree();
  root = treeViewCommand_->topLevelItem(0);
  root->setExpanded(rootExpanded);
  QTreeWidgetItem* select = current != nullptr ? root : nullptr;
  for (int g = 0; g < root->childCount(); ++g) {
    QTreeWidgetItem* group = root->child(g);
    const std::string folded = model::FoldIniName(NodeName(group));
    if (std::find(expanded.begin(), expanded.end(), folded) != expanded.end()) group->setExpanded(true);
    if (!selectedPath.empty() && selectedPath[0] == folded) {
      select = group;
      for (int c = 0; selectedPath.size() > 1 && c < group->childCount(); ++c) {
        if (model::FoldIniName(NodeName(group->child(c))) == selectedPath[1]) select = group->child(c);
      }
    }
  }
  if (select != nullptr) treeViewCommand_->setCurrentItem(select);
}

void TFormChildTerminalWindow::Undo() {
  if (undoSteps_.empty()) return;
  const TUndoStep step = undoSteps_.back();
  try {
    editor_.RestoreBytes(step.After, step.Before);
  } catch (const std::exception& error) {
    ShowRefusal(error);
    return;
  }
  undoSteps_.pop_back();
  // The tree is read again; node references from before are gone.
  copiedNode_ = nullptr;
  copyPending_ = false;
  dragSourceNode_ = nullptr;
  ReloadFile();
  // The form is built again for whatever node is selected after the tree is read again.
  ClearCommandForm();
  currentCommand_.clear();
  commandDefinition_ = {};
  ApplySendAvailability();
  RebuildTree();
  TreeViewCommandChange(treeViewCommand_->currentItem());
  MenuItem(QStringLiteral("MenuItemUndo"))->setEnabled(CanUndo());
  context_.UndoChanged();
}

}  // namespace quorvel::terminal

