// SPDX-License-Identifier: GPL-3.0-or-later
// The macro window: its layout, drawing, handlers and sizing, and how it follows the program's
// macro names.
#include "core/devicetable.h"
#include "macro/macrogrid.h"
#include "macro/macrowindow.h"
#include "macro/twmacro.h"
#include "scripteddialogs.h"
#include "state/appstate.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using k4::App;
using k4::TWMacro;

namespace {

QPoint CellCentre(const QTableWidget& grid, int row, int column) {
    return grid.visualRect(grid.model()->index(row, column)).center();
}

// As a mouse makes it: press, release, double click, release.
void DoubleClick(QWidget* widget, const QPoint& pos) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

void DoubleClickCell(QTableWidget& grid, int row, int column) {
    DoubleClick(grid.viewport(), CellCentre(grid, row, column));
}

// Return commits an in-place edit once the event loop runs.
void Commit(QWidget* editor) {
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

// The in-place editor open in grid, if any.
QLineEdit* OpenEditor(const QTableWidget& grid) {
    for (QLineEdit* editor : grid.viewport()->findChildren<QLineEdit*>()) {
        if (editor->isVisible()) {
            return editor;
        }
    }
    return nullptr;
}

}  // namespace

class TestMacroWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void layoutAndFrame();
    void cellColours_data();
    void cellColours();
    void nameListDoubleClicks_data();
    void nameListDoubleClicks();
    void saveStoresKeysAndMarksCancelClosesTheEditorPart();
    void saveKeepsALongSequenceWhole();
    void deviceListDoubleClicks_data();
    void deviceListDoubleClicks();
    void renaming_data();
    void renaming();
    void nameStopsAtWhatTheFileKeeps();
    void replacedNamesEndAnEditWithoutStoring();

private:
    TWMacro* open() {
        k4::ToggleMacroWindow(item_, area_, &table_);
        return qobject_cast<TWMacro*>(App().WMacro.data());
    }
    void addDevices(int count) {
        for (int k = 0; k < count; ++k) {
            const int slot = table_.append(k4::kNoHandle, k4::kNoHandle);
            table_[slot].DevID.store(static_cast<std::uint8_t>(k + 1));
            table_[slot].DeviceName = QStringLiteral("Mux %1").arg(k + 1);
            table_.markInUse(slot);
        }
    }

    QMdiArea area_;
    QAction item_{QStringLiteral("Macro &Window")};
    k4::DeviceTable table_;
};

void TestMacroWindow::initTestCase() {
    item_.setCheckable(true);
    area_.resize(900, 700);
    area_.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area_));
}

void TestMacroWindow::init() {
    k4::MacroState() = {};
    App().MacroNames = QStringList(k4::kMacroCount, QStringLiteral("Undefined"));
    App().WorkspaceModified = false;
    App().ReadOnly = false;
    App().Macros = {};
    table_.reset();
    item_.setChecked(false);
}

void TestMacroWindow::cleanup() {
    for (QMdiSubWindow* sub : area_.subWindowList()) {
        delete sub;
    }
}

void TestMacroWindow::layoutAndFrame() {
    TWMacro* w = open();
    QVERIFY(w);
    QCOMPARE(w->objectName(), QStringLiteral("WMacro"));
    QCOMPARE(w->subWindow()->windowTitle(), QStringLiteral("WMacro"));
    QVERIFY(item_.isChecked());
    QCOMPARE(w->MView->geometry(), QRect(8, 8, 209, 209));
    QCOMPARE(w->MEdit->geometry(), QRect(224, 8, 233, 177));
    // The key sequence sits between the device list and the buttons.
    QCOMPARE(w->MKeys->geometry(), QRect(224, 192, 233, 21));
    QCOMPARE(w->MSave->geometry(), QRect(224, 220, 75, 25));
    QCOMPARE(w->MRun->geometry(), QRect(304, 220, 75, 25));
    QCOMPARE(w->MCancel->geometry(), QRect(384, 220, 73, 25));
    QCOMPARE(w->MSave->text(), QStringLiteral("Save"));
    QCOMPARE(w->MRun->text(), QStringLiteral("Run"));
    QCOMPARE(w->MCancel->text(), QStringLiteral("Cancel"));
    QVERIFY(w->MEdit->isHidden() && w->MKeys->isHidden() && w->MSave->isHidden() &&
            w->MRun->isHidden() && w->MCancel->isHidden());
    // Cell sizes without the grid line Qt counts into each section.
    QCOMPARE(w->MView->columnWidth(0) - 1, 16);
    QCOMPARE(w->MView->columnWidth(1) - 1, 183);
    QCOMPARE(w->MView->rowHeight(0) - 1, 16);
    QCOMPARE(w->MEdit->columnWidth(0) - 1, 23);
    QCOMPARE(w->MEdit->columnWidth(1) - 1, 152);
    QCOMPARE(w->MEdit->columnWidth(2) - 1, 31);
    // Every name is in view without scrolling.
    QVERIFY(!w->MView->verticalScrollBar()->isVisible());
    QVERIFY(!w->MView->horizontalScrollBar()->isVisible());
    // Automatic sizing: the client fits the name list.
    QCOMPARE(w->size(), QSize(225, 225));
}

void TestMacroWindow::cellColours_data() {
    QTest::addColumn<bool>("editorPart");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QPalette::ColorRole>("role");  // NoRole: white
    QTest::newRow("fixed column") << false << 4 << 0 << QPalette::Button;
    QTest::newRow("highlighted name") << false << 3 << 1 << QPalette::Highlight;
    QTest::newRow("other name") << false << 4 << 1 << QPalette::NoRole;
    QTest::newRow("highlighted name, list disabled") << true << 3 << 1 << QPalette::Highlight;
    QTest::newRow("other name, list disabled") << true << 4 << 1 << QPalette::Button;
}

void TestMacroWindow::cellColours() {
    QFETCH(bool, editorPart);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QPalette::ColorRole, role);
    k4::MacroState().nameRow = 3;
    TWMacro* w = open();
    if (editorPart) {
        k4::MacroState().nameMouseColumn = 1;
        w->MViewDblClick();
    }
    const QImage image = w->MView->viewport()->grab().toImage();
    const QRect cell = w->MView->visualRect(w->MView->model()->index(row, column));
    // Well inside the cell, away from the text at its top-left corner and the shadow lines.
    const QColor seen = image.pixelColor(cell.right() - 2, cell.bottom() - 2);
    const QColor expected =
        role == QPalette::NoRole ? QColor(Qt::white) : w->palette().color(QPalette::Active, role);
    QCOMPARE(seen, expected);
}

void TestMacroWindow::nameListDoubleClicks_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("opens");
    QTest::newRow("fixed column") << 0 << false;
    QTest::newRow("a name") << 1 << true;
}

void TestMacroWindow::nameListDoubleClicks() {
    QFETCH(int, column);
    QFETCH(bool, opens);
    TWMacro* w = open();
    DoubleClickCell(*w->MView, 2, column);
    QCOMPARE(w->MEdit->isVisible(), opens);
    QCOMPARE(w->MKeys->isVisible(), opens);
    QCOMPARE(w->MSave->isVisible(), opens);
    QCOMPARE(w->MRun->isVisible(), opens);
    QCOMPARE(w->MCancel->isVisible(), opens);
    QCOMPARE(w->MView->isEnabled(), !opens);
    // The window grows to take in the device list, the key sequence and the buttons.
    QCOMPARE(w->size(), opens ? QSize(465, 253) : QSize(225, 225));
    QCOMPARE(OpenEditor(*w->MView), nullptr);
}

// The editor part belongs to the macro double-clicked: Save stores its keys and marks (a bad key
// or read-only mode stores nothing), and another macro shows its own.
void TestMacroWindow::saveStoresKeysAndMarksCancelClosesTheEditorPart() {
    k4test::ScriptedDialogs dialogs;
    addDevices(2);
    App().Macros[4].Devices = {{1, QStringLiteral("a")}, {9, QStringLiteral("b")}};
    TWMacro* w = open();
    DoubleClickCell(*w->MView, 4, 1);
    QCOMPARE(w->MEdit->item(0, 2)->text(), QStringLiteral("a"));
    w->MEdit->item(0, 2)->setText(QString());
    DoubleClickCell(*w->MEdit, 1, 2);
    QTest::keyClicks(OpenEditor(*w->MEdit), QStringLiteral("P"));
    Commit(OpenEditor(*w->MEdit));
    QTest::keyClicks(w->MKeys, QStringLiteral("T x 3"));
    QTest::mouseClick(w->MSave, Qt::LeftButton);
    App().ReadOnly = true;
    w->MKeys->setText(QStringLiteral("T 3"));
    QTest::mouseClick(w->MSave, Qt::LeftButton);
    QCOMPARE(dialogs.shown, QStringList({QStringLiteral("Unknown key \"x\" in the key sequence."),
                                         QStringLiteral("Not possible in ReadOnly mode.")}));
    QVERIFY(App().Macros[4].Keys.isEmpty());
    QVERIFY(!App().WorkspaceModified);

    App().ReadOnly = false;
    QTest::mouseClick(w->MSave, Qt::LeftButton);
    QVERIFY(w->MEdit->isVisible());
    QCOMPARE(App().Macros[4].Keys, QStringLiteral("T 3"));
    // Device 9 is not in the list: its mark stays.
    QVERIFY(App().Macros[4].Devices ==
            (k4::MacroMarks{{2, QStringLiteral("P")}, {9, QStringLiteral("b")}}));
    QVERIFY(App().WorkspaceModified);
    QTest::mouseClick(w->MCancel, Qt::LeftButton);
    QVERIFY(w->MEdit->isHidden() && w->MKeys->isHidden() && w->MSave->isHidden() &&
            w->MCancel->isHidden());
    QVERIFY(w->MView->isEnabled());
    QCOMPARE(w->size(), QSize(225, 225));

    DoubleClickCell(*w->MView, 5, 1);
    QCOMPARE(w->MKeys->text(), QString());
    QCOMPARE(w->MEdit->item(1, 2)->text(), QString());
}

// 603 characters: a Save with nothing typed stores nothing and leaves the workspace unmodified.
void TestMacroWindow::saveKeepsALongSequenceWhole() {
    const QString keys = QStringLiteral("16 ").repeated(200) + QStringLiteral("16 ");
    App().Macros[0].Keys = keys;
    TWMacro* w = open();
    QCOMPARE(w->MKeys->placeholderText(), QStringLiteral("T 3 3 + S"));
    DoubleClickCell(*w->MView, 0, 1);
    QCOMPARE(w->MKeys->text(), keys);
    QTest::mouseClick(w->MSave, Qt::LeftButton);
    QCOMPARE(App().Macros[0].Keys, keys);
    QVERIFY(!App().WorkspaceModified);
}

void TestMacroWindow::deviceListDoubleClicks_data() {
    QTest::addColumn<int>("devices");
    QTest::addColumn<QString>("where");  // "header", "below", or a grid row number
    QTest::addColumn<int>("editedRow");  // grid row of the opened Profile cell; 0 for none
    QTest::newRow("no workspace devices, header") << 0 << "header" << 0;
    QTest::newRow("three devices, header") << 3 << "header" << 0;
    QTest::newRow("three devices, below the last") << 3 << "below" << 0;
    QTest::newRow("three devices, row 2 on its ID") << 3 << "2" << 2;
}

void TestMacroWindow::deviceListDoubleClicks() {
    QFETCH(int, devices);
    QFETCH(QString, where);
    QFETCH(int, editedRow);
    addDevices(devices);
    TWMacro* w = open();
    DoubleClickCell(*w->MView, 0, 1);
    // One header row and one row per device, copied from the table.
    QCOMPARE(w->MEdit->rowCount(), devices);
    QCOMPARE(w->MEdit->horizontalHeaderItem(2)->text(), QStringLiteral("Profile"));
    for (int k = 0; k < devices; ++k) {
        QCOMPARE(w->MEdit->item(k, 0)->text(), QString::number(k + 1));
        QCOMPARE(w->MEdit->item(k, 1)->text(), QStringLiteral("Mux %1").arg(k + 1));
    }
    if (where == QLatin1String("header")) {
        QHeaderView* header = w->MEdit->horizontalHeader();
        DoubleClick(header->viewport(),
                    QPoint(header->sectionPosition(1) + 5, header->height() / 2));
    } else if (where == QLatin1String("below")) {
        DoubleClick(w->MEdit->viewport(), QPoint(30, w->MEdit->viewport()->height() - 3));
    } else {
        DoubleClickCell(*w->MEdit, where.toInt() - 1, 0);
    }
    QLineEdit* editor = OpenEditor(*w->MEdit);
    QCOMPARE(editor != nullptr, editedRow > 0);
    if (editor == nullptr) {
        return;
    }
    QCOMPARE(w->MEdit->currentRow(), editedRow - 1);
    QCOMPARE(w->MEdit->currentColumn(), 2);
    QCOMPARE(w->MEdit->selectedItems().size(), 1);
    QCOMPARE(k4::MacroState().deviceRow, editedRow);
    // Two characters of any kind.
    QTest::keyClicks(editor, QStringLiteral("%7x"));
    QCOMPARE(editor->text(), QStringLiteral("%7"));
}

void TestMacroWindow::renaming_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Qt::Key>("ending");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("modified");
    QTest::newRow("typed and committed") << "Warm start" << Qt::Key_Return << "Warm start" << true;
    QTest::newRow("taken back with Escape")
        << "Warm start" << Qt::Key_Escape << "Undefined" << false;
    QTest::newRow("the same name again") << "Undefined" << Qt::Key_Return << "Undefined" << false;
}

void TestMacroWindow::renaming() {
    QFETCH(QString, typed);
    QFETCH(Qt::Key, ending);
    QFETCH(QString, name);
    QFETCH(bool, modified);
    TWMacro* w = open();
    w->MView->setCurrentCell(2, 1);
    QTest::keyClick(w->MView, Qt::Key_F2);
    QLineEdit* editor = OpenEditor(*w->MView);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, typed);
    // Each change is in the program's names at once, and shown from there.
    QCOMPARE(App().MacroNames[2], typed);
    QTest::keyClick(editor, ending);
    QCoreApplication::processEvents();
    QCOMPARE(OpenEditor(*w->MView), nullptr);
    QCOMPARE(App().MacroNames[2], name);
    QCOMPARE(App().WorkspaceModified, modified);
    QCOMPARE(App().MacroNames.count(QStringLiteral("Undefined")), name == "Undefined" ? 12 : 11);
}

void TestMacroWindow::nameStopsAtWhatTheFileKeeps() {
    TWMacro* w = open();
    w->MView->setCurrentCell(0, 1);
    QTest::keyClick(w->MView, Qt::Key_F2);
    QLineEdit* editor = OpenEditor(*w->MView);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QString(98, QLatin1Char('n')));
    QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_Adiaeresis, QStringLiteral("\u00e4"), {});
    QTest::keyClicks(editor, QStringLiteral("x"));
    Commit(editor);
    // The two-byte letter would have made 100 bytes: neither it nor anything after it got in.
    QCOMPARE(App().MacroNames[0], QString(98, QLatin1Char('n')) + QLatin1Char('x'));
}

void TestMacroWindow::replacedNamesEndAnEditWithoutStoring() {
    TWMacro* w = open();
    w->MView->setCurrentCell(1, 1);
    QTest::keyClick(w->MView, Qt::Key_F2);
    QLineEdit* editor = OpenEditor(*w->MView);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Old"));
    const QStringList loaded = {"L1", "L2", "L3", "L4",  "L5",  "L6",
                                "L7", "L8", "L9", "L10", "L11", "L12"};
    App().MacroNames = loaded;
    k4::MacroNamesReplaced();
    QCOMPARE(OpenEditor(*w->MView), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::keyClick(w->MView, Qt::Key_Return);
    QCOMPARE(App().MacroNames, loaded);
    QCOMPARE(w->MView->item(1, 1)->text(), QStringLiteral("L2"));
}

QTEST_MAIN(TestMacroWindow)
#include "tst_macrowindow.moc"
