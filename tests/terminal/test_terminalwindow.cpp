// SPDX-License-Identifier: MIT
// The terminal window: the command tree, the command form and its layout, the
// control kinds, and when Send and Repeat are offered.
#include <QApplication>
#include <QDateEdit>
#include <QStatusTipEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "widgets/fieldtypecombobox.h"
#include "widgets/qtcolors.h"
#include "terminal/terminal.h"
#include "terminaltestcontext.h"

using quorvel::widgets::TFieldTypeComboBox;
using quorvel::terminal::TFormChildTerminalWindow;
using quorvel::terminal::test::TTestContext;
using quorvel::terminal::test::WriteTerminalFile;

namespace {

struct TFieldRecord {
  int mode = 0;
  QString caption = "F";
  int type = 0;
  QString defaultText;
  int control = 0;
  int maxLength = 0;
  bool required = false;
  bool readOnly = false;
};

// The 12 stored values of one command field.
QString FieldValues(const TFieldRecord& f) {
  return QString("%1,\"%2\",\"hint of %2\",%3,\"%4\",%5,%6,%7,%8,0,0,0")
      .arg(f.mode)
      .arg(f.caption)
      .arg(f.type)
      .arg(f.defaultText)
      .arg(f.control)
      .arg(f.maxLength)
      .arg(f.required ? 1 : 0)
      .arg(f.readOnly ? 1 : 0);
}

QString Commands(const QList<TFieldRecord>& fields) {
  QStringList values;
  for (const TFieldRecord& f : fields) values << FieldValues(f);
  return "Commands=" + values.join(',');
}

QList<TFieldRecord> SimpleFields(int count, int mode = 0) {
  QList<TFieldRecord> fields;
  for (int i = 1; i <= count; ++i) {
    TFieldRecord f;
    f.mode = mode;
    f.caption = QString("Field%1").arg(i);
    fields << f;
  }
  return fields;
}

QStringList SampleFile() {
  TFieldRecord amount{0, "&Amount", 2, "", 0, 12, true, false};
  TFieldRecord readOnly{0, "Read only", 0, "RO", 0, 0, false, true};
  TFieldRecord dropDown{0, "Drop", 0, "ABC", 1, 0, false, false};
  TFieldRecord dropDownEmpty{0, "Drop empty", 0, "ABC", 1, 0, false, false};
  TFieldRecord dropList{0, "List", 0, "ABC", 2, 0, false, false};
  TFieldRecord date{0, "Date", 8, "", 3, 0, false, false};
  TFieldRecord time{0, "Time", 9, "", 4, 0, false, false};
  TFieldRecord boolean{0, "Bool", 7, "", 0, 5, false, false};
  return {
      "[General]", "Protocol=0",
      "[Groups]", "Sales=", "Reports=", "Admin=",
      // Section names are found without regard to case.
      "[sales]", "Open=", "Close=", "Kinds=",
      "[SalesOpen]", Commands(SimpleFields(5)), "Notes=\"\"first line\",second\"",
      "[SalesClose]", Commands({}), "Notes=\"a note\"",
      "[SalesKinds]",
      Commands({amount, readOnly, dropDown, dropDownEmpty, dropList, date, time, boolean}),
      "CL3=\"X,Y\"", "CL5=\"P,Q\"",
      "[Reports]", "Z=", "X=",
      "[ReportsZ]", Commands(SimpleFields(1, 1)),
      "[ReportsX]", "Commands=0,\"Bad\",\"\",x,\"\",0,0,0,0,0,0,0",
  };
}

QTreeWidgetItem* Node(const TFormChildTerminalWindow& window, const QString& group,
                      const QString& command = QString()) {
  QTreeWidgetItem* root = window.TreeViewCommand()->topLevelItem(0);
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

QScrollArea* CommandScrollBox(TFormChildTerminalWindow& window) {
  return window.findChild<QScrollArea*>("ScrollBoxCommand");
}

// Makes the command form's client width exactly `width` by resizing the window.
bool SetFormClientWidth(TFormChildTerminalWindow& window, int width) {
  for (int attempt = 0; attempt < 6; ++attempt) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const int now = CommandScrollBox(window)->viewport()->width();
    if (now == width) return true;
    window.resize(window.width() + width - now, window.height());
  }
  return false;
}

}  // namespace

class TestTerminalWindow : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void treeListsGroupsAndCommandsInFileOrder();
  void missingFileGivesAnEmptyTree();
  void layoutArithmetic_data();
  void layoutArithmetic();
  void placementOfFieldsAndNotes_data();
  void placementOfFieldsAndNotes();
  void builtFormFollowsTheLayout();
  void controlKindsAndTheirSettings();
  void requiredCaptionsAreMaroonReadOnlyControlsDisabled();
  void commandWithoutFieldsShowsNoNotes();
  void selectingTheSameCommandDoesNotRebuild();
  void quickSelectionChangesAreReportedAfterADelay();
  void selectingAGroupClearsTheForm();
  void sendAvailability_data();
  void sendAvailability();
  void badNumberInARecordIsReported();
  void moreThanSeventyFieldsAreCapped();
  void inputTextIsCutTo25Characters();
  void treeWidthComesFromAndGoesToTheSettings_data();
  void treeWidthComesFromAndGoesToTheSettings();
  void answerPagesHideTheButtons();
  void closeBoxOnlyMinimizes();
  void hintsReachTheStatusPanel();
  void windowDestroyedWhileItsFormIsBuilt();
  void selectionChangedWhileAFormIsBuilt();

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<TTestContext> context_;
  std::unique_ptr<TFormChildTerminalWindow> window_;
  QString path_;

  TFormChildTerminalWindow& OpenWindow(const QStringList& lines = SampleFile());
  void Select(const QString& group, const QString& command = QString());
};

void TestTerminalWindow::init() {
  folder_ = std::make_unique<QTemporaryDir>();
  QVERIFY(folder_->isValid());
  context_ = std::make_unique<TTestContext>();
  context_->settings.HostPortOpen = true;
  context_->settings.DgiPortOpen = true;
}

void TestTerminalWindow::cleanup() {
  window_.reset();
  context_.reset();
  folder_.reset();
}

TFormChildTerminalWindow& TestTerminalWindow::OpenWindow(const QStringList& lines) {
  path_ = WriteTerminalFile(*folder_, "shop.qvl", lines);
  window_ = std::make_unique<TFormChildTerminalWindow>(*context_, path_);
  window_->resize(900, 600);
  window_->show();
  return *window_;
}

// Selects a node the way the user does and waits for the delayed change.
void TestTerminalWindow::Select(const QString& group, const QString& command) {
  QTreeWidgetItem* node = Node(*window_, group, command);
  QVERIFY(node != nullptr);
  window_->TreeViewCommand()->setCurrentItem(node);
  const std::string expected = TFormChildTerminalWindow::CommandSection(node);
  QTRY_COMPARE(window_->CurrentCommand(), expected);
}

void TestTerminalWindow::treeListsGroupsAndCommandsInFileOrder() {
  TFormChildTerminalWindow& window = OpenWindow();
  QCOMPARE(window.windowTitle(), path_);
  QTreeWidget* tree = window.TreeViewCommand();
  QCOMPARE(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* root = tree->topLevelItem(0);
  QCOMPARE(root->text(0), QString("Root"));
  QVERIFY(root->isExpanded());
  QStringList shape;
  for (int g = 0; g < root->childCount(); ++g) {
    QStringList commands;
    for (int c = 0; c < root->child(g)->childCount(); ++c) commands << root->child(g)->child(c)->text(0);
    shape << root->child(g)->text(0) + ":" + commands.join('|');
  }
  QCOMPARE(shape, QStringList({"Sales:Open|Close|Kinds", "Reports:Z|X", "Admin:"}));
  QCOMPARE(TFormChildTerminalWindow::CommandSection(Node(window, "Reports", "X")),
           std::string("ReportsX"));
  QVERIFY(TFormChildTerminalWindow::CommandSection(Node(window, "Reports")).empty());
  QVERIFY(!window.findChild<QPushButton*>("ButtonSend")->isEnabled());
  QVERIFY(!window.findChild<QPushButton*>("ButtonRepeat")->isEnabled());
}

void TestTerminalWindow::missingFileGivesAnEmptyTree() {
  window_ = std::make_unique<TFormChildTerminalWindow>(
      *context_, QDir(folder_->path()).filePath("absent/none.qvl"));
  QCOMPARE(window_->TreeViewCommand()->topLevelItemCount(), 1);
  QCOMPARE(window_->TreeViewCommand()->topLevelItem(0)->childCount(), 0);
  QVERIFY(context_->prompts.shown.empty());
}

void TestTerminalWindow::layoutArithmetic_data() {
  QTest::addColumn<int>("clientWidth");
  QTest::addColumn<int>("dpi");
  QTest::addColumn<int>("columns");
  QTest::addColumn<int>("controlWidth");
  QTest::addColumn<int>("controlHeight");
  QTest::newRow("488 wide: two columns") << 488 << 96 << 2 << 219 << 20;
  QTest::newRow("300 wide: one column") << 300 << 96 << 1 << 260 << 20;
  QTest::newRow("660 wide: three columns") << 660 << 96 << 3 << 200 << 20;
  QTest::newRow("narrower than a column: still one") << 219 << 96 << 1 << 179 << 20;
  QTest::newRow("truncation toward zero") << 445 << 96 << 2 << 198 << 20;
  QTest::newRow("other resolution: taller controls") << 488 << 120 << 2 << 219 << 24;
}

void TestTerminalWindow::layoutArithmetic() {
  QFETCH(int, clientWidth);
  QFETCH(int, dpi);
  const auto layout = quorvel::terminal::ComputeCommandLayout(clientWidth, dpi);
  QTEST(layout.columns, "columns");
  QTEST(layout.controlWidth, "controlWidth");
  QTEST(layout.controlHeight, "controlHeight");
  QCOMPARE(layout.left, 20);
}

void TestTerminalWindow::placementOfFieldsAndNotes_data() {
  QTest::addColumn<int>("clientWidth");
  QTest::addColumn<int>("fields");
  QTest::addColumn<QList<QPoint>>("labels");
  QTest::addColumn<int>("notesTop");
  QTest::newRow("5 fields in 2 columns")
      << 488 << 5
      << QList<QPoint>{{20, 15}, {249, 15}, {20, 70}, {249, 70}, {20, 125}} << 180;
  QTest::newRow("3 fields in 1 column")
      << 300 << 3 << QList<QPoint>{{20, 15}, {20, 70}, {20, 125}} << 235;
  QTest::newRow("4 fields in 3 columns")
      << 660 << 4 << QList<QPoint>{{20, 15}, {230, 15}, {440, 15}, {20, 70}} << 125;
}

void TestTerminalWindow::placementOfFieldsAndNotes() {
  QFETCH(int, clientWidth);
  QFETCH(int, fields);
  const auto layout = quorvel::terminal::ComputeCommandLayout(clientWidth, 96);
  const auto placement = quorvel::terminal::PlaceCommandFields(layout, std::size_t(fields));
  QTEST(QList<QPoint>(placement.labels.begin(), placement.labels.end()), "labels");
  QTEST(placement.notesTop, "notesTop");
}

void TestTerminalWindow::builtFormFollowsTheLayout() {
  TFormChildTerminalWindow& window = OpenWindow();
  QVERIFY(SetFormClientWidth(window, 488));
  Select("Sales", "Open");
  QCOMPARE(window.FieldCount(), std::size_t(5));
  const int height = window.logicalDpiY() == 96 ? 20 : 24;
  const QList<QPoint> labels{{20, 15}, {249, 15}, {20, 70}, {249, 70}, {20, 125}};
  for (std::size_t i = 0; i < 5; ++i) {
    QCOMPARE(window.FieldLabel(i)->pos(), labels[int(i)]);
    QCOMPARE(window.FieldLabel(i)->text(), QString("Field%1").arg(i + 1));
    QCOMPARE(window.FieldControl(i)->geometry(),
             QRect(labels[int(i)].x(), labels[int(i)].y() + 18, 219, height));
  }
  QVERIFY(window.NotesLabel() != nullptr);
  QCOMPARE(window.NotesLabel()->text(), QString("Notes"));
  QCOMPARE(window.NotesLabel()->pos(), QPoint(20, 180));
  QCOMPARE(window.NotesMemo()->geometry(), QRect(20, 198, 448, 40));
  QCOMPARE(window.NotesMemo()->toPlainText(), QString("first line\nsecond"));
  QVERIFY(!window.NotesMemo()->isEnabled());
  QCOMPARE(window.FieldControl(0)->toolTip(), QString("hint of Field1"));

  // A page lower than the form scrolls up and down only.
  Select("Sales", "Kinds");
  window.resize(window.width(), 180);
  Select("Sales", "Open");
  QTRY_VERIFY(CommandScrollBox(window)->verticalScrollBar()->isVisible());
  QVERIFY(!CommandScrollBox(window)->horizontalScrollBar()->isVisible());
}

void TestTerminalWindow::controlKindsAndTheirSettings() {
  TFormChildTerminalWindow& window = OpenWindow();
  Select("Sales", "Kinds");
  QCOMPARE(window.FieldCount(), std::size_t(8));
  auto combo = [&](std::size_t i) { return qobject_cast<TFieldTypeComboBox*>(window.FieldControl(i)); };

  QVERIFY(combo(0) != nullptr);
  QCOMPARE(combo(0)->Style(), TFieldTypeComboBox::TStyle::Simple);
  QCOMPARE(int(combo(0)->FldType()), 2);
  QCOMPARE(combo(0)->MaxLength(), 12);
  QVERIFY(combo(0)->Required());

  QCOMPARE(combo(2)->Style(), TFieldTypeComboBox::TStyle::DropDown);
  QCOMPARE(combo(2)->Text(), QString("X"));  // the first item replaces the default text
  QCOMPARE(combo(2)->count(), 2);
  QCOMPARE(combo(2)->itemText(1), QString("Y"));
  QCOMPARE(combo(3)->Text(), QString("ABC"));  // no items: the default text stays
  QCOMPARE(combo(4)->Style(), TFieldTypeComboBox::TStyle::DropDownList);
  QVERIFY(!combo(4)->isEditable());
  QCOMPARE(combo(4)->Text(), QString("P"));

  auto* date = qobject_cast<QDateEdit*>(window.FieldControl(5));
  QVERIFY(date != nullptr);
  QVERIFY(qobject_cast<QTimeEdit*>(window.FieldControl(5)) == nullptr);
  QCOMPARE(date->date(), QDate::currentDate());
  QVERIFY(qobject_cast<QTimeEdit*>(window.FieldControl(6)) != nullptr);
  const auto entry = window.FieldEntry(5);
  QCOMPARE(entry.date.Year, QDate::currentDate().year());

  // Boolean with its own maximum length 5: the implied limit 1 is replaced.
  QCOMPARE(combo(7)->MaxLength(), 5);
  QVERIFY(window.FieldLabel(0)->buddy() == window.FieldControl(0));
}

void TestTerminalWindow::requiredCaptionsAreMaroonReadOnlyControlsDisabled() {
  TFormChildTerminalWindow& window = OpenWindow();
  Select("Sales", "Kinds");
  const QColor maroon = quorvel::widgets::ToQColor(quorvel::model::clMaroon);
  QCOMPARE(window.FieldLabel(0)->palette().color(QPalette::WindowText), maroon);
  QVERIFY(window.FieldLabel(1)->palette().color(QPalette::WindowText) != maroon);

  QWidget* readOnly = window.FieldControl(1);
  QVERIFY(!readOnly->isEnabled());
  QCOMPARE(qobject_cast<TFieldTypeComboBox*>(readOnly)->Text(), QString("RO"));
  QCOMPARE(window.FieldEntry(1).text, std::string("RO"));  // still sent
  QVERIFY(window.FieldControl(0)->isEnabled());
}

void TestTerminalWindow::commandWithoutFieldsShowsNoNotes() {
  TFormChildTerminalWindow& window = OpenWindow();
  Select("Sales", "Close");
  QCOMPARE(window.FieldCount(), std::size_t(0));
  QVERIFY(window.NotesLabel() == nullptr);
  QVERIFY(!window.findChild<QPushButton*>("ButtonSend")->isEnabled());
  QVERIFY(!window.findChild<QPushButton*>("ButtonRepeat")->isEnabled());
}

void TestTerminalWindow::quickSelectionChangesAreReportedAfterADelay() {
  // Walking through the tree with the keyboard: the change is reported after a
  // delay, for the node the user stops on.
  TFormChildTerminalWindow& window = OpenWindow();
  QTreeWidget* tree = window.TreeViewCommand();
  tree->setCurrentItem(Node(window, "Sales", "Open"));
  tree->setCurrentItem(Node(window, "Sales", "Close"));
  tree->setCurrentItem(Node(window, "Sales", "Kinds"));
  QCOMPARE(window.FieldCount(), std::size_t(0));  // nothing is built at once
  QTRY_COMPARE(window.CurrentCommand(), TFormChildTerminalWindow::CommandSection(Node(window, "Sales", "Kinds")));
  QCOMPARE(window.FieldCount(), std::size_t(8));
}

void TestTerminalWindow::selectingTheSameCommandDoesNotRebuild() {
  TFormChildTerminalWindow& window = OpenWindow();
  Select("Sales", "Open");
  const QPointer<QWidget> first = window.FieldControl(0);
  qobject_cast<TFieldTypeComboBox*>(first.data())->SetText("typed");
  window.TreeViewCommandChange(Node(window, "Sales", "Open"));
  QVERIFY(!first.isNull());
  QCOMPARE(qobject_cast<TFieldTypeComboBox*>(first.data())->Text(), QString("typed"));

  Select("Sales", "Kinds");
  QVERIFY(first.isNull());  // another command: a new form
  Select("Sales", "Open");
  QCOMPARE(qobject_cast<TFieldTypeComboBox*>(window.FieldControl(0))->Text(), QString());
}

void TestTerminalWindow::selectingAGroupClearsTheForm() {
  TFormChildTerminalWindow& window = OpenWindow();
  Select("Sales", "Open");
  QVERIFY(window.findChild<QPushButton*>("ButtonSend")->isEnabled());
  const QPointer<QWidget> control = window.FieldControl(0);
  Select("Reports");
  QVERIFY(window.CurrentCommand().empty());
  QCOMPARE(window.FieldCount(), std::size_t(0));
  QVERIFY(control.isNull());
  QVERIFY(window.NotesLabel() == nullptr);
  QVERIFY(!window.findChild<QPushButton*>("ButtonSend")->isEnabled());
  QVERIFY(!window.findChild<QPushButton*>("ButtonRepeat")->isEnabled());
}

void TestTerminalWindow::sendAvailability_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<bool>("hostOpen");
  QTest::addColumn<bool>("dgiOpen");
  QTest::addColumn<bool>("send");
  QTest::addColumn<bool>("repeat");
  QTest::newRow("host command, host open") << "Open" << true << false << true << true;
  QTest::newRow("host command, only DGI open") << "Open" << false << true << false << false;
  QTest::newRow("DGI command, DGI open") << "Z" << false << true << true << false;
  QTest::newRow("DGI command, only host open") << "Z" << true << false << false << false;
}

void TestTerminalWindow::sendAvailability() {
  QFETCH(QString, command);
  QFETCH(bool, hostOpen);
  QFETCH(bool, dgiOpen);
  context_->settings.HostPortOpen = hostOpen;
  context_->settings.DgiPortOpen = dgiOpen;
  TFormChildTerminalWindow& window = OpenWindow();
  Select(command == "Z" ? "Reports" : "Sales", command);
  QTEST(window.findChild<QPushButton*>("ButtonSend")->isEnabled(), "send");
  QTEST(window.findChild<QPushButton*>("ButtonRepeat")->isEnabled(), "repeat");
  // The rule is applied again on request, with the ports' current state.
  context_->settings.HostPortOpen = !hostOpen;
  context_->settings.DgiPortOpen = !dgiOpen;
  window.ApplySendAvailability();
  QTEST(!window.findChild<QPushButton*>("ButtonSend")->isEnabled(), "send");
}

void TestTerminalWindow::badNumberInARecordIsReported() {
  TFormChildTerminalWindow& window = OpenWindow();
  Select("Reports", "X");
  // The message says which file, section and key held the bad number.
  const QStringList texts = context_->prompts.MessageTexts();
  QCOMPARE(texts.size(), 1);
  QVERIFY2(texts.front().startsWith("'x' is not a valid integer value (file "), qPrintable(texts.front()));
  QVERIFY2(texts.front().endsWith(", section [ReportsX], key Commands)"), qPrintable(texts.front()));
  QCOMPARE(context_->prompts.shown.front().icon, quorvel::widgets::TPromptIcon::Error);
  QCOMPARE(window.FieldCount(), std::size_t(0));
  QVERIFY(!window.findChild<QPushButton*>("ButtonSend")->isEnabled());
}

void TestTerminalWindow::moreThanSeventyFieldsAreCapped() {
  TFormChildTerminalWindow& window =
      OpenWindow({"[Groups]", "G=", "[G]", "Many=", "[GMany]", Commands(SimpleFields(75))});
  Select("G", "Many");
  QCOMPARE(window.FieldCount(), std::size_t(70));
}

void TestTerminalWindow::inputTextIsCutTo25Characters() {
  TFormChildTerminalWindow& window = OpenWindow();
  context_->prompts.inputAnswers = {QString(30, 'a') + "bcde", std::nullopt, QString("short")};
  QCOMPARE(window.InputText("Caption"), QString(25, 'a'));
  QCOMPARE(window.InputText("Caption"), QString());  // Cancel
  QCOMPARE(window.InputText("Caption"), QString("short"));
  QCOMPARE(context_->prompts.shown.front().kind,
           quorvel::widgets::TScriptedPrompts::TKind::InputText);
  QCOMPARE(context_->prompts.shown.front().title, QString("Caption"));
  QCOMPARE(context_->prompts.shown.front().text, QString());  // starts empty
}

void TestTerminalWindow::treeWidthComesFromAndGoesToTheSettings_data() {
  QTest::addColumn<uint>("stored");
  QTest::addColumn<int>("width");
  QTest::newRow("0 gives the default") << 0u << 127;
  QTest::newRow("a stored width") << 180u << 180;
  QTest::newRow("at most 222") << 300u << 222;
}

void TestTerminalWindow::treeWidthComesFromAndGoesToTheSettings() {
  QFETCH(uint, stored);
  QFETCH(int, width);
  context_->settings.TVWidth = stored;
  TFormChildTerminalWindow& window = OpenWindow();
  QTRY_COMPARE(window.TreeViewCommand()->width(), width);
  window_.reset();
  QCOMPARE(context_->settings.TVWidth, std::uint32_t(width));
}

void TestTerminalWindow::answerPagesHideTheButtons() {
  TFormChildTerminalWindow& window = OpenWindow();
  auto* pages = window.findChild<QTabWidget*>("PageControl");
  QWidget* buttons = window.findChild<QWidget*>("ButtonPanel");
  QCOMPARE(pages->count(), 3);
  QCOMPARE(pages->tabText(0), QString("Co&mmands"));
  QCOMPARE(pages->tabText(1), QString("Host &Answer"));
  QCOMPARE(pages->tabText(2), QString("&Fiscal Answer"));
  QVERIFY(buttons->isVisible());
  pages->setCurrentIndex(1);
  QVERIFY(!buttons->isVisible());
  pages->setCurrentIndex(2);
  QVERIFY(!buttons->isVisible());
  // A click on the tree brings the commands page back.
  QTreeWidget* tree = window.TreeViewCommand();
  const QRect rootRect = tree->visualItemRect(tree->topLevelItem(0));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rootRect.center());
  QCOMPARE(pages->currentIndex(), 0);
  QVERIFY(buttons->isVisible());
  pages->setCurrentIndex(1);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(tree->viewport()->width() - 2,
                                                                 tree->viewport()->height() - 2));
  QCOMPARE(pages->currentIndex(), 0);  // also beside the nodes

  auto* send = window.findChild<QPushButton*>("ButtonSend");
  QCOMPARE(send->geometry(), QRect(124, 11, 75, 25));
  QCOMPARE(send->text(), QString("&Send"));
  QCOMPARE(window.findChild<QPushButton*>("ButtonRepeat")->toolTip(),
           QString("Send commands \"n\" times"));
  QCOMPARE(window.findChild<QPushButton*>("ButtonCancel")->geometry(), QRect(300, 11, 75, 25));
}

void TestTerminalWindow::closeBoxOnlyMinimizes() {
  TFormChildTerminalWindow& window = OpenWindow();
  QVERIFY(!window.close());
  QVERIFY(window.isVisible());
  window.SetCloseAllowed(true);
  QVERIFY(window.close());
}

void TestTerminalWindow::hintsReachTheStatusPanel() {
  TFormChildTerminalWindow& window = OpenWindow();
  Select("Sales", "Open");
  QStatusTipEvent hover(window.FieldControl(0)->statusTip());
  QApplication::sendEvent(window.FieldControl(0), &hover);
  QCOMPARE(context_->hints, QStringList({"hint of Field1"}));
  QStatusTipEvent button(window.findChild<QPushButton*>("ButtonSend")->statusTip());
  QApplication::sendEvent(window.findChild<QPushButton*>("ButtonSend"), &button);
  QCOMPARE(context_->hints.last(), QString("Send selected command"));
}

// The main window may replace the terminal file from a notification that runs
// while pending events are let through between clearing and building a form.
void TestTerminalWindow::windowDestroyedWhileItsFormIsBuilt() {
  path_ = WriteTerminalFile(*folder_, "shop.qvl", SampleFile());
  auto* window = new TFormChildTerminalWindow(*context_, path_);
  window->show();
  const QPointer<TFormChildTerminalWindow> alive(window);
  QMetaObject::invokeMethod(window, [window] { delete window; }, Qt::QueuedConnection);
  window->TreeViewCommandChange(Node(*window, "Sales", "Open"));
  QVERIFY(alive.isNull());
}

void TestTerminalWindow::selectionChangedWhileAFormIsBuilt() {
  TFormChildTerminalWindow& window = OpenWindow();
  QTreeWidgetItem* open = Node(window, "Sales", "Open");
  QTreeWidgetItem* kinds = Node(window, "Sales", "Kinds");
  window.TreeViewCommand()->setCurrentItem(open);
  // The user picks another command while the first form is built; its
  // delayed change fires among the pending events.
  QMetaObject::invokeMethod(
      &window,
      [&window, kinds] {
        window.TreeViewCommand()->setCurrentItem(kinds);
        window.TreeViewCommandChange(kinds);
      },
      Qt::QueuedConnection);
  window.TreeViewCommandChange(open);
  QCOMPARE(window.CurrentCommand(), std::string("SalesKinds"));
  QCOMPARE(window.FieldCount(), std::size_t(8));
}

QTEST_MAIN(TestTerminalWindow)
#include "test_terminalwindow.moc"
