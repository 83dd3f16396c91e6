// SPDX-License-Identifier: GPL-3.0-or-later
// Where an installed program keeps its settings, and how the program tells that it is installed.
#include "core/programfiles.h"

#include <QTest>

#include <set>

using namespace k4;

class TestSettingsPlace : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settingsOfAnInstalledProgram_data();
    void settingsOfAnInstalledProgram();
    void layout_data();
    void layout();
};

void TestSettingsPlace::settingsOfAnInstalledProgram_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("besideThere");
    QTest::addColumn<QString>("expected");
    // The program's folder and any file in it can be written in every row, as for root.
    QTest::newRow("installed, nothing beside: user folder")
        << true << false << "/home/op/.config/K4mgr/KVT.INI";
    QTest::newRow("installed, KVT.INI beside: that one") << true << true << "/usr/bin/KVT.INI";
    QTest::newRow("own folder, nothing beside: beside") << false << false << "/usr/bin/KVT.INI";
}

void TestSettingsPlace::settingsOfAnInstalledProgram() {
    QFETCH(bool, installed);
    QFETCH(bool, besideThere);
    QFETCH(QString, expected);
    const auto exists = [&](const QString& path) {
        return path == QStringLiteral("/usr/bin/") ||
               (besideThere && path == QStringLiteral("/usr/bin/KVT.INI"));
    };
    const auto anythingWritable = [](const QString&) { return true; };
    const ProgramLayout layout = installed ? ProgramLayout::Installed : ProgramLayout::OwnFolder;
    QCOMPARE(
        ChooseSettingsPath(QStringLiteral("/usr/bin/"), QStringLiteral("/home/op/.config/K4mgr"),
                           exists, anythingWritable, layout),
        expected);
}

void TestSettingsPlace::layout_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("skins");
    QTest::addColumn<bool>("installed");
    QTest::newRow("build tree") << "/home/op/k4/build/release/app/"
                                << "/home/op/k4/build/release/app/SKINS/" << false;
    QTest::newRow("copied folder") << "/mnt/stick/k4/"
                                   << "/mnt/stick/k4/SKINS" << false;
    QTest::newRow("skins from the data folder") << "/opt/k4/bin/"
                                                << "/opt/k4/share/k4mgr/SKINS/" << true;
    QTest::newRow("/usr/bin, skins beside") << "/usr/bin/"
                                            << "/usr/bin/SKINS/" << true;
    QTest::newRow("/usr/local/bin") << "/usr/local/bin"
                                    << "/usr/local/bin/SKINS/" << true;
    QTest::newRow("a folder below /usr/bin's name") << "/usr/bin2/"
                                                    << "/usr/bin2/SKINS/" << false;
}

void TestSettingsPlace::layout() {
    QFETCH(QString, program);
    QFETCH(QString, skins);
    QFETCH(bool, installed);
    QCOMPARE(LayoutOf(program, skins) == ProgramLayout::Installed, installed);
}

QTEST_APPLESS_MAIN(TestSettingsPlace)
#include "tst_settingsplace.moc"
