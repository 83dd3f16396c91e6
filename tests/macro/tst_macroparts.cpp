// SPDX-License-Identifier: GPL-3.0-or-later
// The macro window's arithmetic and copies, without a display.
#include "core/devicetable.h"
#include "core/workspacefile.h"
#include "macro/macroparts.h"

#include <QTemporaryDir>
#include <QTest>

using namespace k4;

class TestMacroParts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nameLimitIsWhatTheFileGivesBack_data();
    void nameLimitIsWhatTheFileGivesBack();
    void fittedClientSize_data();
    void fittedClientSize();
    void deviceListSnapshot();
    void snapshotKeepsNoReferenceIntoTheTable();
};

void TestMacroParts::nameLimitIsWhatTheFileGivesBack_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("fits");
    const QString umlaut = QStringLiteral("\u00e4");  // two bytes as written
    QTest::newRow("99 plain bytes") << QString(99, QLatin1Char('m')) << true;
    QTest::newRow("100 plain bytes") << QString(100, QLatin1Char('m')) << false;
    QTest::newRow("49 two-byte letters and one more") << umlaut.repeated(49) + "a" << true;
    QTest::newRow("50 two-byte letters") << umlaut.repeated(50) << false;
    QTest::newRow("99 bytes the file quotes") << " " + QString(97, QLatin1Char('q')) + " " << true;
    QTest::newRow("99 bytes in quotes") << "'" + QString(97, QLatin1Char('q')) + "'" << true;
    QTest::newRow("empty") << QString() << true;
}

void TestMacroParts::nameLimitIsWhatTheFileGivesBack() {
    QFETCH(QString, name);
    QFETCH(bool, fits);
    QCOMPARE(MacroNameFits(name), fits);
    if (!fits) {
        return;
    }
    // Every name the limit lets through comes back from a saved workspace whole.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("m.DID"));
    WorkspaceFileData data;
    data.MacroNames[2] = name;
    QVERIFY(WriteWorkspaceFile(path, data));
    QCOMPARE(ReadWorkspaceFile(path).MacroNames[2], name);
}

void TestMacroParts::fittedClientSize_data() {
    QTest::addColumn<QList<QRect>>("controls");
    QTest::addColumn<QSize>("client");
    const QRect names(8, 8, 209, 209);
    const QRect devices(224, 8, 233, 177);
    const QRect save(224, 192, 75, 25);
    const QRect cancel(384, 192, 73, 25);
    QTest::newRow("name list only") << QList<QRect>{names} << QSize(225, 225);
    QTest::newRow("with the editor part")
        << QList<QRect>{names, devices, save, cancel} << QSize(465, 225);
    QTest::newRow("margin of the nearest control")
        << QList<QRect>{QRect(20, 5, 10, 10), QRect(4, 30, 10, 10)} << QSize(34, 45);
    QTest::newRow("no control") << QList<QRect>{} << QSize();
}

void TestMacroParts::fittedClientSize() {
    QFETCH(QList<QRect>, controls);
    QFETCH(QSize, client);
    QCOMPARE(FittedClientSize(controls), client);
}

// Every slot up to the last, in table order, with its ID as a number and its name.
void TestMacroParts::deviceListSnapshot() {
    DeviceTable table;
    QVERIFY(SnapshotDeviceList(&table).empty());
    const std::uint8_t ids[] = {5, 200, 17};
    const char* names[] = {"Mux A", "Mux B", "Mux C"};
    for (int k = 0; k < 3; ++k) {
        const int slot = table.append(kNoHandle, kNoHandle);
        table[slot].DevID.store(ids[k]);
        table[slot].DeviceName = QString::fromLatin1(names[k]);
        table.markInUse(slot);
    }
    // IDs read as the device label shows them: 200 is -56.
    const std::vector<DeviceListEntry> expected{{"5", "Mux A"}, {"-56", "Mux B"}, {"17", "Mux C"}};
    QCOMPARE(SnapshotDeviceList(&table), expected);
}

void TestMacroParts::snapshotKeepsNoReferenceIntoTheTable() {
    QVERIFY(SnapshotDeviceList(nullptr).empty());
    auto table = std::make_unique<DeviceTable>();
    const int slot = table->append(kNoHandle, kNoHandle);
    table->markInUse(slot);
    table->operator[](slot).DeviceName = QStringLiteral("Before");
    const std::vector<DeviceListEntry> rows = SnapshotDeviceList(table.get());
    table->operator[](slot).DeviceName = QStringLiteral("After");
    table.reset();
    QCOMPARE(rows.size(), std::size_t(1));
    QCOMPARE(rows[0].name, QStringLiteral("Before"));
}

QTEST_GUILESS_MAIN(TestMacroParts)
#include "tst_macroparts.moc"
