// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/historywiring.h"

#include "history/historysettings.h"
#include "state/appstate.h"
#include "state/recordoperator.h"

#include <QLabel>
#include <QStatusBar>

namespace k4 {

std::unique_ptr<HistoryKeeper> WireHistory(QStatusBar& bar, const QString& path) {
    AppState& app = App();
    auto keeper = std::make_unique<HistoryKeeper>(
        path, ReadHistoryLimits(app.SettingsPath),
        HistoryRecorder::Context{[](std::uint8_t id) { return OpenDeviceName(id); },
                                 [] { return App().WorkspacePath; }});
    auto* label = new QLabel(&bar);
    label->setObjectName(QStringLiteral("HistoryStatus"));
    label->hide();
    bar.addPermanentWidget(label);
    HistoryKeeper* raw = keeper.get();
    QObject::connect(raw, &HistoryKeeper::statusChanged, label, [raw, label] {
        const QString text = raw->statusText();
        label->setText(text);
        label->setVisible(!text.isEmpty());
    });
    QObject::connect(raw, &QObject::destroyed, [raw] {
        if (App().History == raw) {
            App().History = nullptr;
        }
    });
    app.History = raw;
    app.HistoryPath = path;
    keeper->attach(app.Views.events());
    keeper->start();
    return keeper;
}

}  // namespace k4
