// The program-wide values: their start values and the folder helpers.
#include "state/appstate.h"

#include <QApplication>
#include <QTest>

using namespace k4;

class TestAppState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startValues();
    void appDirOf_data();
    void appDirOf();
    void skinsFolderFollowsAppDir();
    void macroWindowReferenceClearsWhenTheWindowGoes();
};

void TestAppState::startValues() {
    const AppState& s = App();
    QVERIFY(s.AppDir.isEmpty());
    QVERIFY(s.SettingsPath.isEmpty());
    QVERIFY(s.WorkspacePath.isEmpty());
    QVERIFY(s.LastWorkspacePath.isEmpty());
    QVERIFY(!s.WorkspaceModified);
    QVERIFY(!s.StartupDone);
    QCOMPARE(s.RS232Port, std::int8_t(1));
    QVERIFY(!s.ReadOnly);
    QVERIFY(!s.linkRunning());
    QVERIFY(!s.workspaceOpen());
    QVERIFY(s.Manager == nullptr);
    QVERIFY(s.RootNode == nullptr);
    QVERIFY(s.WMacro.isNull());
    QCOMPARE(s.MacroNames.size(), 12);
    for (const QString& name : s.MacroNames) {
        QCOMPARE(name, QStringLiteral("Undefined"));
    }
}

void TestAppState::appDirOf_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("dir");
    QTest::newRow("in a folder") << "/opt/k4mgr/k4mgr"
                                 << "/opt/k4mgr/";
    QTest::newRow("in the root folder") << "/k4mgr"
                                        << "/";
    QTest::newRow("deeper") << "/a/b/c/k4mgr.exe"
                            << "/a/b/c/";
}

void TestAppState::appDirOf() {
    QFETCH(QString, executable);
    QFETCH(QString, dir);
    QCOMPARE(AppDirOf(executable), dir);
}

void TestAppState::skinsFolderFollowsAppDir() {
    AppState& s = App();
    const QString saved = s.AppDir;
    s.AppDir = QStringLiteral("/opt/k4mgr/");
    QCOMPARE(s.skinsDir(), QStringLiteral("/opt/k4mgr/SKINS/"));
    s.AppDir = AppDirOf(QStringLiteral("/k4mgr"));
    QCOMPARE(s.skinsDir(), QStringLiteral("/SKINS/"));
    s.AppDir = saved;
}

void TestAppState::macroWindowReferenceClearsWhenTheWindowGoes() {
    auto* window = new QWidget;
    App().WMacro = window;
    QCOMPARE(App().WMacro.data(), window);
    delete window;
    QVERIFY(App().WMacro.isNull());
}

QTEST_MAIN(TestAppState)
#include "tst_appstate.moc"
