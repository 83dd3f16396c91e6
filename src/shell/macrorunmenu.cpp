// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/macrorunmenu.h"

#include "macro/macrorunner.h"
#include "macro/programmacros.h"
#include "state/appstate.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QStatusBar>

namespace k4 {

MacroRunMenu::MacroRunMenu(QMenu& setup, QStatusBar& status, QObject* parent)
    : QObject(parent), runner_(InstallProgramMacroRunner(this)) {
    // Beside the item that opens the macro window, so the two macro items read together.
    menu_ = new QMenu(QStringLiteral("R&un macro"), &setup);
    QAction* macroWindow = setup.findChild<QAction*>(QStringLiteral("MacroWindow"));
    const QList<QAction*> items = setup.actions();
    const qsizetype after = items.indexOf(macroWindow) + 1;
    setup.insertMenu(after > 0 && after < items.size() ? items[after] : nullptr, menu_);
    menu_->setObjectName(QStringLiteral("MacroRunMenu"));
    // A greyed macro says why in its tooltip.
    menu_->setToolTipsVisible(true);
    menu_->menuAction()->setObjectName(QStringLiteral("MacroRunMenuAction"));
    for (int i = 0; i < kMacroCount; ++i) {
        QAction* item = menu_->addAction(QString());
        item->setObjectName(QStringLiteral("MacroRun%1").arg(i + 1));
        item->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_F1 + i)));
        // A held key would start the macro again and again: one press, one start.
        item->setAutoRepeat(false);
        connect(item, &QAction::triggered, this, [i] { RunProgramMacro(i); });
        runItems_[i] = item;
    }
    menu_->addSeparator();
    stopItem_ = menu_->addAction(QStringLiteral("&Stop macro"));
    stopItem_->setObjectName(QStringLiteral("MacroStop"));
    connect(stopItem_, &QAction::triggered, runner_, &MacroRunner::stop);

    connect(&setup, &QMenu::aboutToShow, this, &MacroRunMenu::refresh);
    connect(menu_, &QMenu::aboutToShow, this, &MacroRunMenu::refresh);
    connect(runner_, &MacroRunner::runningChanged, this, &MacroRunMenu::refresh);
    connect(runner_, &MacroRunner::statusChanged, &status,
            [&status](const QString& text) { status.showMessage(text); });
    SetMacrosChangedListener([this] { refresh(); });
    refresh();
}

MacroRunMenu::~MacroRunMenu() {
    SetMacrosChangedListener({});
}

void MacroRunMenu::refresh() {
    const bool open = App().workspaceOpen();
    menu_->menuAction()->setEnabled(open);
    for (int i = 0; i < kMacroCount; ++i) {
        QString caption = App().MacroNames.value(i);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        runItems_[i]->setText(caption);
        const QString why = MacroNotRunnableReason(i);
        runItems_[i]->setEnabled(open && why.isEmpty());
        runItems_[i]->setToolTip(why);  // empty: the caption, as for any item
        runItems_[i]->setStatusTip(why);
    }
    stopItem_->setEnabled(runner_->running());
}

}  // namespace k4
