// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window shows: its menus with captions, shortcuts and hints, the status line, the
// window list, tiling, and the About box.
#include "programfixture.h"
#include "scripteddialogs.h"
#include "shell/aboutbox.h"
#include "shell/menutable.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>

#include <string_view>

using k4::App;
using k4test::ProgramRun;

class TestMainMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void menusFollowTheTable();
    void shortcutKeys_data();
    void shortcutKeys();
    void statusLineShowsHintUnderPointer();
    void windowListActivatesChosenWindow();
    void tilingAndCascading_data();
    void tilingAndCascading();
    void aboutBox();
    void windowStateCodes_data();
    void windowStateCodes();

private:
    // The pointer comes to rest over pos (a plain move, as a person's mouse makes it).
    static void hover(QWidget* widget, const QPoint& pos) {
        const QPointF local(pos);
        QEnterEvent enter(local, local, QPointF(widget->mapToGlobal(pos)));
        QApplication::sendEvent(widget, &enter);
        QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(widget->mapToGlobal(pos)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    // A frame with three plain child windows, named A, B & C.
    QList<QMdiSubWindow*> addChildren(k4::TMainForm& form) {
        QList<QMdiSubWindow*> windows;
        for (const char* caption : {"A", "B & C", "ID=5 Mux"}) {
            auto* widget = new QWidget;
            widget->setWindowTitle(QString::fromLatin1(caption));
            QMdiSubWindow* sub = form.mdiArea()->addSubWindow(widget);
            sub->resize(160, 120);
            sub->show();
            windows << sub;
        }
        return windows;
    }

    std::unique_ptr<QTemporaryDir> dir_ = std::make_unique<QTemporaryDir>();
    std::unique_ptr<k4test::ScriptedDialogs> dialogs_;
    std::unique_ptr<ProgramRun> run_;
};

// One program for every test: they only look at the main window, and each takes away the child
// windows it added.
void TestMainMenu::initTestCase() {
    QVERIFY(dir_->isValid());
    dialogs_ = std::make_unique<k4test::ScriptedDialogs>();
    k4test::ResetProgramState();
    run_ = std::make_unique<ProgramRun>(dir_->path());
    QVERIFY(run_->startUp());
}

void TestMainMenu::cleanup() {
    run_->form->mdiArea()->closeAllSubWindows();
    k4test::FlushDeletes();
    run_->form->setWindowStateCode(0);
    run_->form->refreshWindowList();
}

void TestMainMenu::cleanupTestCase() {
    run_.reset();
    dialogs_.reset();
}

// The menus are built from the menu table: every menu and item in its order, with its caption,
// shortcut, hint split into tooltip and status line text, and check mark. Items that need a
// workspace start disabled.
void TestMainMenu::menusFollowTheTable() {
    k4::TMainForm& form = *run_->form;
    QCOMPARE(form.menuBar(), form.MainMenu1);
    QCOMPARE(form.windowTitle(), QStringLiteral("K4mgr"));
    QCOMPARE(form.StatusBar, form.statusBar());
    const QList<QAction*> titles = form.MainMenu1->actions();
    const auto menus = k4::MainMenuEntries();
    QCOMPARE(titles.size(), qsizetype(menus.size()));
    for (std::size_t m = 0; m < menus.size(); ++m) {
        const k4::MenuEntry& entry = menus[m];
        QMenu* menu = titles[qsizetype(m)]->menu();
        QVERIFY(menu != nullptr);
        QCOMPARE(menu->objectName(), QString::fromLatin1(entry.objectName));
        QCOMPARE(menu->title(), QString::fromLatin1(entry.caption));
        QCOMPARE(menu->menuAction()->statusTip(), QString::fromLatin1(entry.hint));
        // The window list adds its own entries after the table's items; the macro run submenu
        // follows the macro window item.
        QList<QAction*> actions = menu->actions();
        const qsizetype runMenu =
            actions.indexOf(form.findChild<QAction*>(QStringLiteral("MacroRunMenuAction")));
        if (entry.objectName == std::string_view("Edit1")) {
            QVERIFY(runMenu > 0);
            QCOMPARE(actions[runMenu - 1]->objectName(), QStringLiteral("MacroWindow"));
            actions.removeAt(runMenu);
        } else {
            QCOMPARE(runMenu, -1);
        }
        actions = actions.first(qsizetype(entry.items.size()));
        for (std::size_t i = 0; i < entry.items.size(); ++i) {
            const k4::MenuItemEntry& itemEntry = entry.items[i];
            QAction* action = actions[qsizetype(i)];
            if (itemEntry.objectName == nullptr) {
                QVERIFY(action->isSeparator());
                continue;
            }
            QCOMPARE(action->objectName(), QString::fromLatin1(itemEntry.objectName));
            QCOMPARE(action->text(), QString::fromUtf8(itemEntry.caption));
            QCOMPARE(action->shortcut(), QKeySequence(QString::fromLatin1(itemEntry.shortcut)));
            const k4::HintParts hint = k4::SplitHint(QString::fromLatin1(itemEntry.hint));
            QCOMPARE(action->toolTip(), hint.shortHint.isEmpty() ? action->text() : hint.shortHint);
            QCOMPARE(action->statusTip(), hint.longHint);
            QCOMPARE(action->isCheckable(), itemEntry.checkable);
            const bool needsWorkspace = action->objectName() == QStringLiteral("ROset") ||
                                        action->objectName() == QStringLiteral("MacroWindow");
            QCOMPARE(action->isEnabled(), !needsWorkspace);
        }
    }
}

void TestMainMenu::shortcutKeys_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");  // with Ctrl
    QTest::newRow("New") << "FileNewItem" << int(Qt::Key_N);
    QTest::newRow("Open") << "FileOpenItem" << int(Qt::Key_O);
    QTest::newRow("Save") << "FileCloseItem" << int(Qt::Key_S);
    QTest::newRow("Save As") << "FileSaveItem" << int(Qt::Key_A);
    QTest::newRow("RS232") << "CutItem" << int(Qt::Key_R);
}

// The keys pressed on the main window run their items, once. What the items do is tested with
// the commands; here they are cut off, so that the one program stays as it started.
void TestMainMenu::shortcutKeys() {
    QFETCH(QString, name);
    QFETCH(int, key);
    QAction* action = run_->form->findChild<QAction*>(name);
    QVERIFY(action != nullptr);
    QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
    QSignalSpy triggered(action, &QAction::triggered);
    QTest::keyClick(run_->form.get(), Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(triggered.count(), 1);
}

void TestMainMenu::statusLineShowsHintUnderPointer() {
    k4::TMainForm& form = *run_->form;
    // Over a menu title.
    QAction* fileTitle = form.File1->menuAction();
    hover(form.MainMenu1, form.MainMenu1->actionGeometry(fileTitle).center());
    QTRY_COMPARE(form.StatusBar->currentMessage(), QStringLiteral("File related commands"));

    // Over an item of an open menu.
    // Opened from the menu bar, as the operator opens it.
    const QPoint titleCentre = form.MainMenu1->actionGeometry(fileTitle).center();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(titleCentre),
                      QPointF(form.MainMenu1->mapToGlobal(titleCentre)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.MainMenu1, &press);
    QVERIFY(QTest::qWaitForWindowExposed(form.File1));
    QAction* open = form.findChild<QAction*>(QStringLiteral("FileOpenItem"));
    hover(form.File1, form.File1->actionGeometry(open).center());
    QTRY_COMPARE(form.StatusBar->currentMessage(), QStringLiteral("Open workspace"));
    QAction* saveAs = form.findChild<QAction*>(QStringLiteral("FileSaveItem"));
    hover(form.File1, form.File1->actionGeometry(saveAs).center());
    QTRY_COMPARE(form.StatusBar->currentMessage(), QStringLiteral("Save current workspace as"));
    form.File1->hide();
}

void TestMainMenu::windowListActivatesChosenWindow() {
    k4::TMainForm& form = *run_->form;
    const QList<QMdiSubWindow*> windows = addChildren(form);
    form.mdiArea()->setActiveSubWindow(windows[2]);
    form.refreshWindowList();

    QList<QAction*> entries;
    bool pastSeparator = false;
    for (QAction* action : form.Window1->actions()) {
        if (action->isSeparator()) {
            QVERIFY(action->isVisible());
            pastSeparator = true;
        } else if (pastSeparator) {
            entries << action;
        }
    }
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0]->text(), QStringLiteral("A"));
    QCOMPARE(entries[1]->text(), QStringLiteral("B && C"));  // shown as "B & C"
    QCOMPARE(entries[2]->text(), QStringLiteral("ID=5 Mux"));
    QVERIFY(entries[2]->isChecked());
    QVERIFY(!entries[0]->isChecked());

    entries[0]->trigger();
    QCOMPARE(form.mdiArea()->activeSubWindow(), windows[0]);

    // The list follows the windows: one closed, one entry less.
    delete windows[1];
    form.refreshWindowList();
    QStringList captions;
    pastSeparator = false;
    for (QAction* action : form.Window1->actions()) {
        if (action->isSeparator()) {
            pastSeparator = true;
        } else if (pastSeparator) {
            captions << action->text();
        }
    }
    QCOMPARE(captions, QStringList({"A", "ID=5 Mux"}));
}

void TestMainMenu::tilingAndCascading_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("sideBySide");  // else stacked; cascade: overlapping, offset
    QTest::addColumn<bool>("cascade");
    QTest::newRow("Tile Vertically: side by side") << "WindowTileItem2" << true << false;
    QTest::newRow("Tile Horizontally: one above another") << "WindowTileItem" << false << false;
    QTest::newRow("Cascade") << "WindowCascadeItem" << false << true;
}

void TestMainMenu::tilingAndCascading() {
    QFETCH(QString, item);
    QFETCH(bool, sideBySide);
    QFETCH(bool, cascade);
    k4::TMainForm& form = *run_->form;
    form.resize(900, 700);
    const QList<QMdiSubWindow*> windows = addChildren(form);
    form.findChild<QAction*>(item)->trigger();
    QCoreApplication::processEvents();

    const QRect client = form.mdiArea()->viewport()->rect();
    QList<QRect> places;
    for (QMdiSubWindow* window : windows) {
        places << window->geometry();
    }
    if (cascade) {
        QVERIFY(places[0].topLeft() != places[1].topLeft());
        QVERIFY(places[0].intersects(places[1]));
        return;
    }
    int covered = 0;
    for (int i = 0; i < places.size(); ++i) {
        QVERIFY(client.contains(places[i]));
        covered += places[i].width() * places[i].height();
        for (int j = i + 1; j < places.size(); ++j) {
            QVERIFY(!places[i].intersects(places[j]));
        }
        if (sideBySide) {
            QCOMPARE(places[i].height(), client.height());
        } else {
            QCOMPARE(places[i].width(), client.width());
        }
    }
    QCOMPARE(covered, client.width() * client.height());
}

void TestMainMenu::aboutBox() {
    bool looked = false;
    dialogs_->drivers.push_back([&looked](QDialog& dialog) {
        looked = true;
        auto* box = qobject_cast<k4::TAboutBox*>(&dialog);
        if (box == nullptr) {
            return int(QDialog::Rejected);
        }
        box->show();
        [&] {
            QCOMPARE(box->windowTitle(), QStringLiteral("About"));
            QVERIFY(box->isModal());
            QCOMPARE(box->minimumSize(), box->maximumSize());
            QCOMPARE(box->ProductName->text(), QStringLiteral("Product Name: K4mgr"));
            static const QRegularExpression version(
                QStringLiteral("^Version: [A-Z][a-z]{2} [1-9][0-9]? [0-9]{4}$"));
            QVERIFY2(version.match(box->Version->text()).hasMatch(),
                     qPrintable(box->Version->text()));
            QVERIFY(!box->ProgramIcon->pixmap().isNull());
            QVERIFY(box->ProgramIcon->parentWidget() == box->Panel1);
            QCOMPARE(box->Panel1->frameShadow(), QFrame::Sunken);
            QCOMPARE(box->Comments->palette().color(QPalette::WindowText), QColor(Qt::blue));
            QCOMPARE(box->Comments->cursor().shape(), Qt::PointingHandCursor);
            QVERIFY(!box->Comments->openExternalLinks());
            QCOMPARE(box->OKButton->text(), QStringLiteral("OK"));
            QVERIFY(box->OKButton->isDefault());
            // Centred on the screen.
            const QPoint screenCentre = box->screen()->availableGeometry().center();
            QVERIFY((box->frameGeometry().center() - screenCentre).manhattanLength() <= 2);
        }();
        box->OKButton->click();
        return box->result();
    });
    run_->form->findChild<QAction*>(QStringLiteral("HelpAboutItem"))->trigger();
    QVERIFY(looked);
    QVERIFY(dialogs_->drivers.empty());
}

void TestMainMenu::windowStateCodes_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("state");
    QTest::newRow("normal") << 0 << int(Qt::WindowNoState);
    QTest::newRow("minimized") << 1 << int(Qt::WindowMinimized);
    QTest::newRow("maximized") << 2 << int(Qt::WindowMaximized);
}

void TestMainMenu::windowStateCodes() {
    QFETCH(int, code);
    QFETCH(int, state);
    k4::TMainForm& form = *run_->form;
    form.setWindowStateCode(code);
    QCOMPARE(int(form.windowState()), state);
    QCOMPARE(form.windowStateCode(), code);
    form.setWindowStateCode(0);
    QCOMPARE(form.windowStateCode(), 0);
}

QTEST_MAIN(TestMainMenu)
#include "tst_mainmenu.moc"
