// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps a history at the path given, records a row, then a second one while the first one's
// transaction is fresh (so it waits for the next), says so and waits to be killed.
#include "history/historykeeper.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    k4::HistoryKeeper keeper(QString::fromLocal8Bit(argv[1]), {}, {});
    keeper.start();
    keeper.recorder().recordOperator(k4::HistoryKind::DeviceAdded, 7, QStringLiteral("Mux"),
                                     QStringLiteral("first"));
    QTimer::singleShot(100, [&keeper] {
        keeper.recorder().recordOperator(k4::HistoryKind::DeviceDeleted, 7, QStringLiteral("Mux"),
                                         QStringLiteral("before the kill"));
        std::puts("recorded");
        std::fflush(stdout);
    });
    return app.exec();
}
