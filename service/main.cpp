// SPDX-License-Identifier: GPL-3.0-or-later
// k4mgr-service: the console's watch over the line without a window (`K4mgr --service` runs it).
#include "service/serviceentry.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("K4mgr"));
    const k4::ServiceOptions options =
        k4::ParseServiceOptions(QCoreApplication::arguments().mid(1), true);
    return k4::RunServiceProcess(options);
}
