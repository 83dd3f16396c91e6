// SPDX-License-Identifier: GPL-3.0-or-later
// The program-wide values: where the skins are looked for.
#include "state/appstate.h"

#include <QTest>

using namespace k4;

class TestAppState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void skinsFolder_data();
    void skinsFolder();
};

void TestAppState::skinsFolder_data() {
    QTest::addColumn<QString>("appDir");
    QTest::addColumn<QString>("skinsDir");  // the one set, empty for none
    QTest::addColumn<QString>("folder");
    QTest::newRow("beside the program") << "/opt/k4mgr/" << QString() << "/opt/k4mgr/SKINS/";
    QTest::newRow("program in the root folder") << "/" << QString() << "/SKINS/";
    QTest::newRow("installed folder wins") << "/usr/bin/"
                                           << "/usr/share/k4mgr/SKINS/"
                                           << "/usr/share/k4mgr/SKINS/";
}

void TestAppState::skinsFolder() {
    QFETCH(QString, appDir);
    QFETCH(QString, skinsDir);
    QFETCH(QString, folder);
    AppState& s = App();
    s.AppDir = appDir;
    s.SkinsDir = skinsDir;
    QCOMPARE(s.skinsDir(), folder);
}

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
