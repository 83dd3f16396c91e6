// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/mainform.h"

#include "link/linestate.h"
#include "macro/macrowindow.h"
#include "manager/kvtmanager.h"
#include "manager/linescandialog.h"
#include "monitor/historywindow.h"
#include "monitor/linemonitor.h"
#include "port/portpath.h"
#include "shell/aboutbox.h"
#include "shell/activepanelfollower.h"
#include "shell/emptyframehint.h"
#include "shell/linestatuslabel.h"
#include "shell/macrorunmenu.h"
#include "shell/menutable.h"
#include "shell/metricsdialog.h"
#include "shell/metricswiring.h"
#include "shell/rsset.h"
#include "shell/windowtiling.h"
#include "state/appstate.h"
#include "state/dialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

#include <map>
#include <string_view>

namespace k4 {

TMainForm::TMainForm(QString programDirectory, QWidget* parent)
    : QMainWindow(parent),
      programDirectory_(std::move(programDirectory)),
      commands_([this](bool marked) {
          if (QAction* mark = item("ROset")) {
              mark->setChecked(marked);
          }
      }) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("K4mgr"));
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("ClientArea"));
    mdiArea_->viewport()->installEventFilter(this);
    setCentralWidget(mdiArea_);
    hint_ = new EmptyFrameHint(mdiArea_->viewport());
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(StatusBar);
    StatusBar->addPermanentWidget(new LineStatusLabel(StatusBar));
    buildMenus();
    macroRunMenu_ = new MacroRunMenu(*Edit1, *StatusBar, this);
    App().Frame = this;
    FormCreate();
}

TMainForm::~TMainForm() {
    // The link reads the manager's table: it must be gone before the windows are.
    App().Link.StopLink();
    destroyChildWindows();
    AppState& app = App();
    app.Manager = nullptr;
    app.RootNode = nullptr;
    if (app.Frame == this) {
        app.Frame = nullptr;
    }
}

void TMainForm::destroyChildWindows() {
    // Newest first, so panels go before the manager window that refers to them.
    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        delete *it;
    }
}

void TMainForm::buildMenus() {
    using Handler = void (TMainForm::*)();
    const std::map<std::string_view, Handler> handlers{
        {"FileNewItem", &TMainForm::FileNew1Execute},
        {"FileOpenItem", &TMainForm::FileOpen1Execute},
        {"FileCloseItem", &TMainForm::FileCloseItemClick},
        {"FileSaveItem", &TMainForm::FileSaveItemClick},
        {"FileExitItem", &TMainForm::FileExit1Execute},
        {"CutItem", &TMainForm::CutItemClick},
        {"ROset", &TMainForm::ROsetClick},
        {"MacroWindow", &TMainForm::MacroWindowClick},
        {"LineMonitor", &TMainForm::LineMonitorClick},
        {"HistoryWindow", &TMainForm::HistoryWindowClick},
        {"ScanLine", &TMainForm::ScanLineClick},
        {"WindowCascadeItem", &TMainForm::WindowCascadeItemClick},
        {"WindowTileItem", &TMainForm::WindowTileItemClick},
        {"WindowTileItem2", &TMainForm::WindowTileItem2Click},
        {"HelpAboutItem", &TMainForm::HelpAbout1Execute},
        {"FollowActive", &TMainForm::FollowActiveClick},
        {"ExportMetrics", &TMainForm::ExportMetricsClick},
    };

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    setMenuBar(MainMenu1);
    for (const MenuEntry& entry : MainMenuEntries()) {
        QMenu* menu = MainMenu1->addMenu(QString::fromLatin1(entry.caption));
        menu->setObjectName(QString::fromLatin1(entry.objectName));
        menu->menuAction()->setObjectName(QString::fromLatin1(entry.objectName) +
                                          QStringLiteral("Action"));
        menu->menuAction()->setStatusTip(QString::fromLatin1(entry.hint));
        for (const MenuItemEntry& itemEntry : entry.items) {
            if (itemEntry.objectName == nullptr) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(itemEntry.caption));
            action->setObjectName(QString::fromLatin1(itemEntry.objectName));
            action->setShortcut(QKeySequence::fromString(QString::fromLatin1(itemEntry.shortcut),
                                                         QKeySequence::PortableText));
            const HintParts hint = SplitHint(QString::fromLatin1(itemEntry.hint));
            action->setToolTip(hint.shortHint.isEmpty() ? action->text() : hint.shortHint);
            action->setStatusTip(hint.longHint);
            action->setCheckable(itemEntry.checkable);
            const auto handler = handlers.find(itemEntry.objectName);
            if (handler != handlers.end()) {
                connect(action, &QAction::triggered, this, handler->second);
            }
        }
    }
    File1 = MainMenu1->findChild<QMenu*>(QStringLiteral("File1"));
    Edit1 = MainMenu1->findChild<QMenu*>(QStringLiteral("Edit1"));
    Window1 = MainMenu1->findChild<QMenu*>(QStringLiteral("Window1"));
    Help1 = MainMenu1->findChild<QMenu*>(QStringLiteral("Help1"));

    // Read only and Macro Window wait for the first workspace.
    item("ROset")->setEnabled(false);
    item("MacroWindow")->setEnabled(false);
    follower_ = new ActivePanelFollower(mdiArea_, item("FollowActive"));

    windowListSeparator_ = Window1->addSeparator();
    windowListSeparator_->setVisible(false);
    connect(Window1, &QMenu::aboutToShow, this, &TMainForm::refreshWindowList);
}

QAction* TMainForm::item(const char* objectName) const {
    return MainMenu1 ? MainMenu1->findChild<QAction*>(QString::fromLatin1(objectName)) : nullptr;
}

void TMainForm::refreshWindowList() {
    const QList<QAction*> actions = Window1->actions();
    const qsizetype first = actions.indexOf(windowListSeparator_) + 1;
    for (qsizetype i = first; i < actions.size(); ++i) {
        Window1->removeAction(actions[i]);
        actions[i]->deleteLater();
    }
    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
    windowListSeparator_->setVisible(!windows.isEmpty());
    for (QMdiSubWindow* window : windows) {
        QString caption = window->windowTitle();
        if (caption.isEmpty() && window->widget()) {
            caption = window->widget()->windowTitle();
        }
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = Window1->addAction(caption);
        entry->setCheckable(true);
        entry->setChecked(window == mdiArea_->activeSubWindow());
        connect(entry, &QAction::triggered, this, [this, target = QPointer(window)] {
            if (target) {
                target->showNormal();
                mdiArea_->setActiveSubWindow(target);
            }
        });
    }
}

void TMainForm::setAboutBox(TAboutBox* box) {
    aboutBox_ = box;
}

void TMainForm::setTitle(const QString& title) {
    setWindowTitle(title);
}

void TMainForm::enableWorkspaceItems() {
    item("ROset")->setEnabled(true);
    item("MacroWindow")->setEnabled(true);
    macroRunMenu_->refresh();
    // A workspace is open from now on, for the rest of the run.
    delete hint_;
}

void TMainForm::refreshHint() {
    if (hint_) {
        const AppState& app = App();
        hint_->setPortLine(
            PortLineText(app.RS232Port, PortPath(app.RS232Port, app.SettingsPath).toStdString()));
    }
}

int TMainForm::windowStateCode() const {
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized) {
        return 1;
    }
    if (state & Qt::WindowMaximized) {
        return 2;
    }
    return 0;
}

void TMainForm::setWindowStateCode(int code) {
    Qt::WindowStates state = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (code == 1) {
        state |= Qt::WindowMinimized;
    } else if (code == 2) {
        state |= Qt::WindowMaximized;
    }
    setWindowState(state);
}

void TMainForm::FormCreate() {
    App().MacroNames = QStringList(kMacroCount, QStringLiteral("Undefined"));
    App().Macros = {};
}

void TMainForm::FormActivate() {
    commands_.RunStartup(programDirectory_.isEmpty() ? QCoreApplication::applicationDirPath()
                                                     : programDirectory_);
    refreshHint();
    if (App().StartupDone) {
        follower_->readSetting(App().SettingsPath);
        if (metrics_ == nullptr) {
            metrics_ = StartMetrics(this, StatusBar);
        }
    }
}

void TMainForm::FormDblClick() {
    App().Link.Wake();
}

void TMainForm::FileNew1Execute() {
    commands_.New();
}
void TMainForm::FileOpen1Execute() {
    commands_.Open();
}
void TMainForm::FileCloseItemClick() {
    commands_.Save();
}
void TMainForm::FileSaveItemClick() {
    commands_.SaveAs();
}
void TMainForm::FileExit1Execute() {
    close();
}
void TMainForm::ROsetClick() {
    commands_.ToggleReadOnly();
}

void TMainForm::CutItemClick() {
    RSSet().runModal();
    refreshHint();
}

void TMainForm::MacroWindowClick() {
    // Qt has already toggled the check mark: the window's existence decides instead.
    ToggleMacroWindow(*item("MacroWindow"), *mdiArea_,
                      App().Manager ? &App().Manager->table() : nullptr);
}

void TMainForm::HistoryWindowClick() {
    ToggleHistoryWindow(*item("HistoryWindow"), *mdiArea_, App().HistoryPath, App().History);
}

void TMainForm::LineMonitorClick() {
    ToggleLineMonitor(*item("LineMonitor"), *mdiArea_, App().Capture);
}

void TMainForm::ScanLineClick() {
    TLineScanDialog dialog(App().Scan, this);
    UiDialogs().execModal(dialog);
}

void TMainForm::WindowCascadeItemClick() {
    mdiArea_->cascadeSubWindows();
}
void TMainForm::WindowTileItemClick() {
    tile(TileMode::Horizontal);
}
void TMainForm::WindowTileItem2Click() {
    tile(TileMode::Vertical);
}

void TMainForm::tile(TileMode mode) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : mdiArea_->subWindowList(QMdiArea::StackingOrder)) {
        if (window->isVisible() && !window->isMinimized()) {
            windows.push_front(window);  // the window in front takes the first place
        }
    }
    const std::vector<QRect> places =
        TileRects(static_cast<int>(windows.size()), mdiArea_->viewport()->rect(), mode);
    for (std::size_t i = 0; i < places.size(); ++i) {
        QMdiSubWindow* window = windows[static_cast<qsizetype>(i)];
        window->showNormal();
        window->setGeometry(places[i]);
    }
}

void TMainForm::FollowActiveClick() {
    // Qt has already toggled the check mark.
    follower_->choose(item("FollowActive")->isChecked());
}

void TMainForm::ExportMetricsClick() {
    if (metrics_ == nullptr) {
        return;  // only before the start-up step, which makes it
    }
    TMetricsDialog dialog(*metrics_, this);
    dialog.FormActivate();
    UiDialogs().execModal(dialog);
}

void TMainForm::HelpAbout1Execute() {
    if (!aboutBox_) {
        aboutBox_ = new TAboutBox(this);
    }
    UiDialogs().execModal(*aboutBox_);
}

bool TMainForm::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    } else if (event->type() == QEvent::Show && !App().StartupDone) {
        // A display without a window manager never activates the window: the start-up step then
        // runs once the window is up all the same.
        QTimer::singleShot(0, this, &TMainForm::FormActivate);
    }
    return handled;
}

bool TMainForm::FormClose() {
    return commands_.CloseSequence();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mdiArea_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // Only a double click on the empty client area counts, not one passed up by a window.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mdiArea_->viewport()->childAt(mouse->position().toPoint()) == nullptr) {
            FormDblClick();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace k4
