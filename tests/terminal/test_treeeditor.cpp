// SPDX-License-Identifier: MIT
// The command tree as the editor of the terminal file: its context menu and
// the items' states, the name prompts, Copy and Paste, drag and drop, the
// field list editor's return, and Undo. Every test works on a real file and
// checks both what the file holds and what the tree shows.
#include <QAction>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "model/extinifile.h"
#include "model/fieldrecords.h"
#include "terminal/terminal.h"
#include "terminaltestcontext.h"

using quorvel::terminal::TFormChildTerminalWindow;
using quorvel::terminal::TTerminalContext;
using quorvel::terminal::test::TTestContext;
using quorvel::terminal::test::WriteTerminalFile;
using quorvel::widgets::TPromptResult;
using TChoice = TTerminalContext::TOverwriteChoice;

namespace {

QStringList ShopFile() {
  return {
      "[General]", "Protocol=0",
      "[Groups]", "Sales=", "Reports=",
      "[Sales]", "Open=", "Close=",
      "[SalesOpen]", "Commands=0,\"Amount\",\"\",2,\"\",0,12,1,0,10,2,0", "Answers=", "CL1=\"A,B\"", "Notes=\"n\"",
      "[SalesClose]", "Commands=", "Answers=",
      "[Reports]", "Z=",
      "[ReportsZ]", "Commands=", "Answers=",
  };
}

QByteArray Bytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// The tree as text: "Group(Command,Command)" per group.
QString TreeText(const TFormChildTerminalWindow& window) {
  QStringList groups;
  QTreeWidgetItem* root = window.TreeViewCommand()->topLevelItem(0);
  for (int g = 0; g < root->childCount(); ++g) {
    QStringList commands;
    for (int c = 0; c < root->child(g)->childCount(); ++c) commands << root->child(g)->child(c)->text(0);
    groups << root->child(g)->text(0) + "(" + commands.join(',') + ")";
  }
  return groups.join(' ');
}

QStringList Keys(const QString& path, const std::string& section) {
  QStringList keys;
  for (const std::string& key : quorvel::model::TIniFile(path.toStdString()).ReadSectionKeys(section)) {
    keys << QString::fromStdString(key);
  }
  return keys;
}

}  // namespace

class TestTreeEditor : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void menuHoldsItsItemsAndCaptions();
  void menuStatesFollowTheSelectedNode_data();
  void menuStatesFollowTheSelectedNode();
  void groupAddRenameRemove();
  void commandAddRenameRemove();
  void refusedNamesLeaveFileAndTreeUnchanged_data();
  void refusedNamesLeaveFileAndTreeUnchanged();
  void emptyOrCancelledPromptDoesNothing();
  void renamingFollowsTheShownCommand();
  void pasteActsByTargetAndSource_data();
  void pasteActsByTargetAndSource();
  void pastingACommandIntoItsOwnGroupAsksFirst();
  void mergingAsksForEachCommandTheTargetHas();
  void removedNodeDropsThePendingCopy();
  void dropsFollowTheAcceptanceTable_data();
  void dropsFollowTheAcceptanceTable();
  void dragFromElsewhereIsRefused();
  void dragStartsAfterFifteenPixels();
  void editFieldsRebuildsTheCommandPage();
  void undoPutsThePreviousBytesBack();
  void undoRefusesAFileChangedElsewhere();
  void undoKeepsTheLastFiftySteps();
  void expandAndCollapse();

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<TTestContext> context_;
  std::unique_ptr<TFormChildTerminalWindow> window_;
  QString path_;

  TFormChildTerminalWindow& Open(const QStringList& lines = ShopFile());
  QTreeWidgetItem* Node(const QString& group = QString(), const QString& command = QString()) const;
  void Select(QTreeWidgetItem* node);
  bool Enabled(const char* item) const { return window_->MenuItem(item)->isEnabled(); }
  void Trigger(const char* item) { window_->MenuItem(item)->trigger(); }
  // Copies `source` and pastes it onto `target`.
  void CopyPaste(QTreeWidgetItem* source, QTreeWidgetItem* target);
  // Sends a drag of `source` over `target` and returns whether it was accepted;
  // with `drop`, drops it there as well.
  bool DragOver(QTreeWidgetItem* source, QTreeWidgetItem* target, bool drop, const QByteArray& origin = {});
};

void TestTreeEditor::init() {
  folder_ = std::make_unique<QTemporaryDir>();
  QVERIFY(folder_->isValid());
  context_ = std::make_unique<TTestContext>();
}

void TestTreeEditor::cleanup() {
  window_.reset();
  context_.reset();
  folder_.reset();
}

TFormChildTerminalWindow& TestTreeEditor::Open(const QStringList& lines) {
  path_ = WriteTerminalFile(*folder_, "shop.qvl", lines);
  window_ = std::make_unique<TFormChildTerminalWindow>(*context_, path_);
  window_->resize(900, 600);
  window_->show();
  window_->TreeViewCommand()->expandAll();
  return *window_;
}

QTreeWidgetItem* TestTreeEditor::Node(const QString& group, const QString& command) const {
  QTreeWidgetItem* root = window_->TreeViewCommand()->topLevelItem(0);
  if (group.isEmpty()) return root;
  for (int g = 0; g < root->childCount(); ++g) {
    QTreeWidgetItem* groupNode = root->child(g);
    if (groupNode->text(0) != group) continue;
    if (command.isEmpty()) return groupNode;
    for (int c = 0; c < groupNode->childCount(); ++c) {
      if (groupNode->child(c)->text(0) == command) return groupNode->child(c);
    }
  }
  return nullptr;
}

void TestTreeEditor::Select(QTreeWidgetItem* node) {
  if (node == nullptr) {
    window_->TreeViewCommand()->clearSelection();
  } else {
    window_->TreeViewCommand()->setCurrentItem(node);
  }
  window_->TerminalWindowPopupMenuPopup();
}

void TestTreeEditor::CopyPaste(QTreeWidgetItem* source, QTreeWidgetItem* target) {
  Select(source);
  Trigger("MenuItemCopyCommand");
  Select(target);
  Trigger("MenuItemPasteCommand");
}

bool TestTreeEditor::DragOver(QTreeWidgetItem* source, QTreeWidgetItem* target, bool drop, const QByteArray& origin) {
  QTreeWidget* tree = window_->TreeViewCommand();
  // The drag starts where the left button went down on `source`.
  QMimeData* started = nullptr;
  window_->SetDragRunner([&](QDrag& drag) {
    started = new QMimeData;
    for (const QString& format : drag.mimeData()->formats()) started->setData(format, drag.mimeData()->data(format));
  });
  const QPoint from = tree->visualItemRect(source).center();
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, from + QPoint(20, 0), tree->viewport()->mapToGlobal(from + QPoint(20, 0)),
                   Qt::NoButton, Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &move);
  QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, from + QPoint(20, 0));
  if (started == nullptr) return false;
  std::unique_ptr<QMimeData> mime(started);
  if (!origin.isEmpty()) mime->setData(TFormChildTerminalWindow::NodeMimeType(), origin);

  const QPoint at = target != nullptr ? tree->visualItemRect(target).center() : QPoint(5, tree->viewport()->height() - 5);
  QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &enter);
  QDragMoveEvent over(at, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &over);
  if (!over.isAccepted()) return false;
  if (drop) {
    QDropEvent dropEvent(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(tree->viewport(), &dropEvent);
    return dropEvent.isAccepted();
  }
  return true;
}

void TestTreeEditor::menuHoldsItsItemsAndCaptions() {
  Open();
  QStringList captions;
  const QList<QAction*> top = window_->TerminalWindowPopupMenu()->actions();
  for (QAction* action : top) {
    if (action->isSeparator()) continue;
    captions << action->text();
    if (action->menu() != nullptr) {
      for (QAction* sub : action->menu()->actions()) captions << "  " + sub->text();
    }
  }
  QCOMPARE(captions, (QStringList{"&Group", "  &Add", "  &Rename", "  &Remove", "&Command", "  &Add", "  &Rename",
                                  "  &Remove", "&Edit fields", "&Copy", "&Paste", "&Undo", "&Nodes", "  Expand all",
                                  "  Collapse all", "  Expand node", "  Collapse node"}));
  QVERIFY(!window_->MenuItem("MenuItemCopyCommand")->icon().isNull());
  QVERIFY(!window_->MenuItem("MenuItemPasteCommand")->icon().isNull());
  // Copy and Paste start disabled.
  QVERIFY(!Enabled("MenuItemCopyCommand"));
  QVERIFY(!Enabled("MenuItemPasteCommand"));
}

void TestTreeEditor::menuStatesFollowTheSelectedNode_data() {
  QTest::addColumn<QString>("copied");    // "", "group" or "command"
  QTest::addColumn<QString>("selected");  // "none", "root", "group", "command"
  // Group menu, its Rename/Remove, Command menu, its Rename/Remove, Edit fields, Copy, Paste.
  QTest::addColumn<QString>("states");
  QTest::newRow("none") << "" << "none" << "1 0 0 0 0 0 0";
  QTest::newRow("root") << "" << "root" << "1 0 0 0 0 0 0";
  QTest::newRow("group") << "" << "group" << "1 1 1 0 0 1 0";
  QTest::newRow("command") << "" << "command" << "0 0 1 1 1 1 0";
  QTest::newRow("root, group copied") << "group" << "root" << "1 0 0 0 0 0 1";
  QTest::newRow("root, command copied") << "command" << "root" << "1 0 0 0 0 0 0";
  QTest::newRow("group, command copied") << "command" << "group" << "1 1 1 0 0 1 1";
  QTest::newRow("command, group copied") << "group" << "command" << "0 0 1 1 1 1 1";
  QTest::newRow("nothing selected drops the copy") << "group" << "none" << "1 0 0 0 0 0 0";
}

void TestTreeEditor::menuStatesFollowTheSelectedNode() {
  QFETCH(QString, copied);
  QFETCH(QString, selected);
  QFETCH(QString, states);
  Open();
  if (copied == "group") CopyPaste(Node("Sales"), Node("Sales")), context_->prompts.shown.clear();
  if (copied == "command") {
    Select(Node("Sales", "Open"));
    Trigger("MenuItemCopyCommand");
  }
  QTreeWidgetItem* node = selected == "root"      ? Node()
                          : selected == "group"   ? Node("Reports")
                          : selected == "command" ? Node("Reports", "Z")
                                                  : nullptr;
  Select(node);
  QStringList actual;
  for (const char* item : {"MenuItemGroupPopUp", "MenuItemGroupModify", "MenuItemCommandPopUp",
                           "MenuItemCommandModify", "MenuItemEditFields", "MenuItemCopyCommand",
                           "MenuItemPasteCommand"}) {
    actual << (Enabled(item) ? "1" : "0");
  }
  QCOMPARE(actual.join(' '), states);
  QCOMPARE(Enabled("MenuItemGroupRemove"), Enabled("MenuItemGroupModify"));
  QCOMPARE(Enabled("MenuItemCommandRemove"), Enabled("MenuItemCommandModify"));
  QVERIFY(Enabled("MenuItemGroupAdd"));
  QVERIFY(Enabled("MemuItemCommandAdd"));
  if (selected == "none") QVERIFY(!window_->CopyPending());
}

void TestTreeEditor::groupAddRenameRemove() {
  Open();
  // A name of 30 characters is stored as its first 25.
  context_->prompts.inputAnswers = {QString("Z").repeated(30), QString("Shop")};
  Select(Node());
  Trigger("MenuItemGroupAdd");
  QCOMPARE(context_->prompts.shown.at(0).title, QString("Add a new group"));
  const QString cut = QString("Z").repeated(25);
  QCOMPARE(Keys(path_, "Groups"), (QStringList{"Sales", "Reports", cut}));
  QCOMPARE(TreeText(*window_), "Sales(Open,Close) Reports(Z) " + cut + "()");
  QVERIFY(window_->TreeViewCommand()->topLevelItem(0)->isExpanded());

  // Rename keeps the node's place; the file lists the group last.
  Select(Node("Sales"));
  Trigger("MenuItemGroupModify");
  QCOMPARE(context_->prompts.shown.at(1).title, QString("Rename group \"Sales\""));
  QCOMPARE(TreeText(*window_), "Shop(Open,Close) Reports(Z) " + cut + "()");
  QCOMPARE(Keys(path_, "Groups"), (QStringList{"Reports", cut, "Shop"}));
  QCOMPARE(Keys(path_, "ShopOpen"), (QStringList{"Commands", "Answers", "CL1", "Notes"}));
  QVERIFY(Keys(path_, "SalesOpen").isEmpty());
  QCOMPARE(window_->TerminalFile().ReadValue("ShopOpen", "CL1", ""), std::string("\"A,B\""));

  // Remove asks first.
  context_->prompts.messageAnswers = {TPromptResult::Cancel, TPromptResult::Ok};
  Select(Node("Shop"));
  Trigger("MenuItemGroupRemove");
  QCOMPARE(context_->prompts.shown.at(2).text, QString("Are you sure you want to delete group \"Shop\" ?"));
  QCOMPARE(context_->prompts.shown.at(2).title, QString(" W A R N I N G "));
  QCOMPARE(Keys(path_, "Groups").size(), 3);
  Trigger("MenuItemGroupRemove");
  QCOMPARE(Keys(path_, "Groups"), (QStringList{"Reports", cut}));
  QVERIFY(Keys(path_, "ShopClose").isEmpty());
  QCOMPARE(TreeText(*window_), "Reports(Z) " + cut + "()");
}

void TestTreeEditor::commandAddRenameRemove() {
  Open();
  context_->prompts.inputAnswers = {QString("Void"), QString("Refund")};
  Select(Node("Sales", "Close"));  // the command's group is the target
  Trigger("MemuItemCommandAdd");
  QCOMPARE(context_->prompts.shown.at(0).title, QString("Add a new command"));
  QCOMPARE(Keys(path_, "Sales"), (QStringList{"Open", "Close", "Void"}));
  QCOMPARE(Keys(path_, "SalesVoid"), (QStringList{"Commands", "Answers"}));
  QCOMPARE(TreeText(*window_), QString("Sales(Open,Close,Void) Reports(Z)"));

  Select(Node("Sales", "Open"));
  Trigger("MenuItemCommandModify");
  QCOMPARE(context_->prompts.shown.at(1).title, QString("Rename command \"Open\""));
  QCOMPARE(Keys(path_, "Sales"), (QStringList{"Close", "Void", "Refund"}));
  QCOMPARE(Keys(path_, "SalesRefund"), (QStringList{"Commands", "Answers", "CL1", "Notes"}));
  QCOMPARE(TreeText(*window_), QString("Sales(Refund,Close,Void) Reports(Z)"));

  context_->prompts.messageAnswers = {TPromptResult::Ok};
  Select(Node("Sales", "Refund"));
  Trigger("MenuItemCommandRemove");
  QCOMPARE(context_->prompts.shown.at(2).text, QString("Are you sure you want to delete command \"Refund\" ?"));
  QCOMPARE(Keys(path_, "Sales"), (QStringList{"Close", "Void"}));
  QVERIFY(Keys(path_, "SalesRefund").isEmpty());
  QCOMPARE(TreeText(*window_), QString("Sales(Close,Void) Reports(Z)"));
}

void TestTreeEditor::refusedNamesLeaveFileAndTreeUnchanged_data() {
  QTest::addColumn<QString>("item");
  QTest::addColumn<QString>("node");  // group or group/command selected
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("message");  // empty: the layer's own words
  QTest::newRow("group exists in another case") << "MenuItemGroupAdd" << "Sales" << "REPORTS" << "Group already exists";
  QTest::newRow("fixed section name") << "MenuItemGroupAdd" << "Sales" << "general" << "Group already exists";
  QTest::newRow("rename to own name in another case") << "MenuItemGroupModify" << "Sales" << "sales"
                                                       << "Group already exists";
  QTest::newRow("command exists") << "MemuItemCommandAdd" << "Sales" << "close" << "The command already exists";
  QTest::newRow("rename command to its own name") << "MenuItemCommandModify" << "Sales/Open" << "Open"
                                                  << "The command already exists";
  QTest::newRow("equals sign") << "MenuItemGroupAdd" << "Sales" << "a=b" << "";
  QTest::newRow("bracket") << "MemuItemCommandAdd" << "Sales" << "x]" << "";
  QTest::newRow("leading blank") << "MenuItemCommandModify" << "Sales/Open" << " Open2" << "";
  QTest::newRow("section of another pair") << "MemuItemCommandAdd" << "Sal" << "esOpen" << "";
  QTest::newRow("return code table") << "MenuItemGroupAdd" << "Sales" << "Return codes" << "Group already exists";
}

void TestTreeEditor::refusedNamesLeaveFileAndTreeUnchanged() {
  QFETCH(QString, item);
  QFETCH(QString, node);
  QFETCH(QString, name);
  QFETCH(QString, message);
  // Group "Sal" with command "esOpen" would name the section of Sales/Open.
  QStringList lines = ShopFile();
  lines.insert(lines.indexOf("Reports=") + 1, "Sal=");
  Open(lines);
  const QByteArray before = Bytes(path_);
  const QString tree = TreeText(*window_);
  context_->prompts.inputAnswers = {name};
  Select(Node(node.section('/', 0, 0), node.section('/', 1, 1)));
  window_->MenuItem(item)->trigger();
  const QStringList shown = context_->prompts.MessageTexts();
  QCOMPARE(shown.size(), 1);
  if (!message.isEmpty()) QCOMPARE(shown.at(0), message);
  QCOMPARE(Bytes(path_), before);
  QCOMPARE(TreeText(*window_), tree);
  QVERIFY(!window_->CanUndo());
}

void TestTreeEditor::emptyOrCancelledPromptDoesNothing() {
  Open();
  const QByteArray before = Bytes(path_);
  context_->prompts.inputAnswers = {QString(), std::nullopt};
  Select(Node("Sales"));
  Trigger("MenuItemGroupModify");
  Trigger("MemuItemCommandAdd");
  QVERIFY(context_->prompts.MessageTexts().isEmpty());
  QCOMPARE(Bytes(path_), before);
}

void TestTreeEditor::renamingFollowsTheShownCommand() {
  Open();
  window_->TreeViewCommand()->setCurrentItem(Node("Sales", "Open"));
  QTRY_COMPARE(window_->CurrentCommand(), std::string("SalesOpen"));
  context_->prompts.inputAnswers = {QString("Shop")};
  Select(Node("Sales"));
  Trigger("MenuItemGroupModify");
  window_->TreeViewCommand()->setCurrentItem(Node("Shop", "Open"));
  QTRY_COMPARE(window_->CurrentCommand(), std::string("ShopOpen"));
  QCOMPARE(window_->FieldCount(), std::size_t(1));
}

void TestTreeEditor::pasteActsByTargetAndSource_data() {
  QTest::addColumn<QString>("source");
  QTest::addColumn<QString>("target");
  QTest::addColumn<QString>("tree");
  QTest::newRow("group onto root duplicates") << "Sales" << "" << "Sales(Open,Close) Reports(Z) Sales1(Open,Close)";
  QTest::newRow("group onto group merges") << "Reports" << "Sales" << "Sales(Open,Close,Z) Reports(Z)";
  QTest::newRow("command onto group") << "Sales/Open" << "Reports" << "Sales(Open,Close) Reports(Z,Open)";
  QTest::newRow("command onto command copies into its group") << "Sales/Open" << "Reports/Z"
                                                              << "Sales(Open,Close) Reports(Z,Open)";
  QTest::newRow("command onto root does nothing") << "Sales/Open" << "" << "Sales(Open,Close) Reports(Z)";
  QTest::newRow("group onto command does nothing") << "Sales" << "Reports/Z" << "Sales(Open,Close) Reports(Z)";
}

void TestTreeEditor::pasteActsByTargetAndSource() {
  QFETCH(QString, source);
  QFETCH(QString, target);
  QFETCH(QString, tree);
  Open();
  CopyPaste(Node(source.section('/', 0, 0), source.section('/', 1, 1)),
            Node(target.section('/', 0, 0), target.section('/', 1, 1)));
  QCOMPARE(TreeText(*window_), tree);
  // The file says the same when it is read again.
  TFormChildTerminalWindow reread(*context_, path_);
  QCOMPARE(TreeText(reread), tree);
  if (tree.contains("Reports(Z,Open)")) {
    QCOMPARE(window_->TerminalFile().ReadValue("ReportsOpen", "CL1", ""), std::string("\"A,B\""));
  }
  if (tree.contains("Sales1")) QCOMPARE(Keys(path_, "Sales1Open"), (QStringList{"Commands", "Answers", "CL1", "Notes"}));
  // The pending copy stays for another paste.
  QVERIFY(window_->CopyPending());
}

void TestTreeEditor::pastingACommandIntoItsOwnGroupAsksFirst() {
  Open();
  Select(Node("Sales", "Open"));
  Trigger("MenuItemCopyCommand");
  Select(Node("Sales"));
  // New with a name that exists too, then a free one.
  context_->overwriteChoices = {TChoice::New, TChoice::New};
  context_->prompts.inputAnswers = {QString("close"), QString("Open2")};
  Trigger("MenuItemPasteCommand");
  QCOMPARE(context_->overwriteAsked, 2);
  QCOMPARE(context_->prompts.shown.at(0).title, QString("Input text:"));
  QCOMPARE(TreeText(*window_), QString("Sales(Open,Close,Open2) Reports(Z)"));
  QCOMPARE(Keys(path_, "SalesOpen2"), (QStringList{"Commands", "Answers", "CL1", "Notes"}));
  // Overwrite onto itself changes nothing; Cancel and an empty name abandon.
  const QByteArray before = Bytes(path_);
  context_->overwriteChoices = {TChoice::Overwrite, TChoice::Cancel, TChoice::New};
  context_->prompts.inputAnswers = {QString()};
  Trigger("MenuItemPasteCommand");
  Trigger("MenuItemPasteCommand");
  Trigger("MenuItemPasteCommand");
  QCOMPARE(Bytes(path_), before);
  QCOMPARE(TreeText(*window_), QString("Sales(Open,Close,Open2) Reports(Z)"));
}

void TestTreeEditor::mergingAsksForEachCommandTheTargetHas() {
  QStringList lines = ShopFile();
  lines.insert(lines.indexOf("Reports=") + 1, "Extra=");
  lines << "[Extra]" << "Open=" << "New=" << "[ExtraOpen]" << "Commands=" << "CL7=\"x\"" << "[ExtraNew]"
        << "Commands=";
  Open(lines);
  // Sales into Extra: Open exists (overwrite: CL7 of the destination stays), Close is new.
  context_->prompts.messageAnswers = {TPromptResult::Ok};
  CopyPaste(Node("Sales"), Node("Extra"));
  QCOMPARE(context_->prompts.MessageTexts(), QStringList{"\"Open\" command already exists, ovewrite?"});
  QCOMPARE(TreeText(*window_), QString("Sales(Open,Close) Reports(Z) Extra(Open,New,Close)"));
  QCOMPARE(Keys(path_, "ExtraOpen"), (QStringList{"Commands", "CL7", "Answers", "CL1", "Notes"}));
  // Cancel skips the command.
  context_->prompts.messageAnswers = {TPromptResult::Cancel};
  const QByteArray before = Bytes(path_);
  CopyPaste(Node("Reports"), Node("Reports"));
  QCOMPARE(Bytes(path_), before);
}

void TestTreeEditor::removedNodeDropsThePendingCopy() {
  Open();
  Select(Node("Sales", "Open"));
  Trigger("MenuItemCopyCommand");
  QVERIFY(window_->CopyPending());
  context_->prompts.messageAnswers = {TPromptResult::Ok};
  Select(Node("Sales"));
  Trigger("MenuItemGroupRemove");
  QVERIFY(!window_->CopyPending());
  QVERIFY(window_->CopiedNode() == nullptr);
  Select(Node("Reports"));
  QVERIFY(!Enabled("MenuItemPasteCommand"));
}

void TestTreeEditor::dropsFollowTheAcceptanceTable_data() {
  QTest::addColumn<QString>("source");
  QTest::addColumn<QString>("target");  // "-" for empty space
  QTest::addColumn<bool>("accepted");
  QTest::addColumn<QString>("tree");
  const QString unchanged = "Sales(Open,Close) Reports(Z)";
  QTest::newRow("root onto group") << "" << "Sales" << false << unchanged;
  QTest::newRow("group onto root") << "Sales" << "" << true << "Sales(Open,Close) Reports(Z) Sales1(Open,Close)";
  QTest::newRow("group onto group") << "Reports" << "Sales" << true << "Sales(Open,Close,Z) Reports(Z)";
  QTest::newRow("group onto command") << "Reports" << "Sales/Open" << false << unchanged;
  QTest::newRow("command onto root") << "Sales/Open" << "" << false << unchanged;
  QTest::newRow("command onto group") << "Sales/Open" << "Reports" << true << "Sales(Open,Close) Reports(Z,Open)";
  QTest::newRow("command onto a command of another group") << "Reports/Z" << "Sales/Close" << true
                                                           << "Sales(Open,Close,Z) Reports(Z)";
  QTest::newRow("empty space") << "Sales/Open" << "-" << false << unchanged;
}

void TestTreeEditor::dropsFollowTheAcceptanceTable() {
  QFETCH(QString, source);
  QFETCH(QString, target);
  QFETCH(bool, accepted);
  QFETCH(QString, tree);
  Open();
  QTreeWidgetItem* targetNode =
      target == "-" ? nullptr : Node(target.section('/', 0, 0), target.section('/', 1, 1));
  QCOMPARE(DragOver(Node(source.section('/', 0, 0), source.section('/', 1, 1)), targetNode, true), accepted);
  QCOMPARE(TreeText(*window_), tree);
}

void TestTreeEditor::dragFromElsewhereIsRefused() {
  Open();
  const QByteArray before = Bytes(path_);
  QVERIFY(!DragOver(Node("Sales", "Open"), Node("Reports"), true, "12345"));
  QCOMPARE(Bytes(path_), before);
}

void TestTreeEditor::dragStartsAfterFifteenPixels() {
  Open();
  QTreeWidget* tree = window_->TreeViewCommand();
  int started = 0;
  window_->SetDragRunner([&](QDrag&) { ++started; });
  const QPoint from = tree->visualItemRect(Node("Sales", "Open")).center();
  const auto moveTo = [&](QPoint to) {
    QMouseEvent move(QEvent::MouseMove, to, tree->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(tree->viewport(), &move);
  };
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, from);
  QCOMPARE(window_->DragSourceNode(), Node("Sales", "Open"));
  moveTo(from + QPoint(7, 7));
  QCOMPARE(started, 0);
  moveTo(from + QPoint(8, 7));
  QCOMPARE(started, 1);
  QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, from);
  // A press on empty space starts nothing.
  const QPoint empty(5, tree->viewport()->height() - 5);
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, empty);
  moveTo(empty + QPoint(0, -30));
  QCOMPARE(started, 1);
}

void TestTreeEditor::editFieldsRebuildsTheCommandPage() {
  Open();
  context_->editFields = [](const std::string& fileName, const std::string& section,
                            const TTerminalContext::TFileChanged& changed) {
    std::string before;
    quorvel::model::TFileDevice(fileName).Load(before);
    quorvel::model::TExtIniFile file(fileName);
    quorvel::model::TCommandField a;
    a.Caption = "First";
    quorvel::model::TCommandField b;
    b.Caption = "Second";
    quorvel::model::WriteCommands(file, section, {a, b});
    std::string after;
    quorvel::model::TFileDevice(fileName).Load(after);
    changed(before, after);
  };
  window_->TreeViewCommand()->setCurrentItem(Node("Sales", "Close"));
  QTRY_COMPARE(window_->CurrentCommand(), std::string("SalesClose"));
  QCOMPARE(window_->FieldCount(), std::size_t(0));
  Select(Node("Sales", "Close"));
  Trigger("MenuItemEditFields");
  QCOMPARE(context_->editedSections, QStringList{"SalesClose"});
  QCOMPARE(window_->CurrentCommand(), std::string("SalesClose"));
  QCOMPARE(window_->FieldCount(), std::size_t(2));
  QVERIFY(window_->CanUndo());
  window_->Undo();
  QTRY_COMPARE(window_->CurrentCommand(), std::string("SalesClose"));
  QCOMPARE(window_->FieldCount(), std::size_t(0));
}

void TestTreeEditor::undoPutsThePreviousBytesBack() {
  Open();
  const QByteArray original = Bytes(path_);
  context_->prompts.inputAnswers = {QString("Shop")};
  Select(Node("Sales"));
  Trigger("MenuItemGroupModify");
  const QByteArray afterRename = Bytes(path_);
  CopyPaste(Node("Shop", "Open"), Node("Reports"));
  QVERIFY(window_->CanUndo());
  QVERIFY(context_->undoChanges > 0);
  window_->Undo();
  QCOMPARE(Bytes(path_), afterRename);
  QCOMPARE(TreeText(*window_), QString("Reports(Z) Shop(Open,Close)"));
  // The menu offers it too.
  Select(Node("Reports"));
  QVERIFY(Enabled("MenuItemUndo"));
  Trigger("MenuItemUndo");
  QCOMPARE(Bytes(path_), original);
  QCOMPARE(TreeText(*window_), QString("Sales(Open,Close) Reports(Z)"));
  QVERIFY(!window_->CanUndo());
  Select(Node("Reports"));
  QVERIFY(!Enabled("MenuItemUndo"));
}

void TestTreeEditor::undoRefusesAFileChangedElsewhere() {
  Open();
  context_->prompts.inputAnswers = {QString("Shop")};
  Select(Node());
  Trigger("MenuItemGroupAdd");
  QFile file(path_);
  QVERIFY(file.open(QIODevice::Append));
  file.write("[Elsewhere]\r\nKey=1\r\n");
  file.close();
  const QByteArray changed = Bytes(path_);
  window_->Undo();
  QCOMPARE(context_->prompts.MessageTexts().size(), 1);
  QCOMPARE(Bytes(path_), changed);
  QCOMPARE(TreeText(*window_), QString("Sales(Open,Close) Reports(Z) Shop()"));
}

void TestTreeEditor::undoKeepsTheLastFiftySteps() {
  Open();
  for (int i = 0; i < 52; ++i) context_->prompts.inputAnswers.push_back(QString("G%1").arg(i));
  Select(Node());
  for (int i = 0; i < 52; ++i) Trigger("MenuItemGroupAdd");
  int undone = 0;
  while (window_->CanUndo()) {
    window_->Undo();
    ++undone;
  }
  QCOMPARE(undone, 50);
  QCOMPARE(Keys(path_, "Groups"), (QStringList{"Sales", "Reports", "G0", "G1"}));
}

void TestTreeEditor::expandAndCollapse() {
  QStringList lines = ShopFile();
  Open(lines);
  QTreeWidget* tree = window_->TreeViewCommand();
  Trigger("MenuItemCollapseall");
  QVERIFY(!tree->topLevelItem(0)->isExpanded());
  Select(Node());
  Trigger("MenuItemExpandNode");
  QVERIFY(Node()->isExpanded());
  QVERIFY(!Node("Sales")->isExpanded());  // one level only
  Trigger("MenuItemExpandall");
  QVERIFY(Node("Sales")->isExpanded());
  Select(Node("Sales"));
  Trigger("MenuItemCollapseNode");
  QVERIFY(!Node("Sales")->isExpanded());
  QVERIFY(Node()->isExpanded());
}

QTEST_MAIN(TestTreeEditor)
#include "test_treeeditor.moc"
