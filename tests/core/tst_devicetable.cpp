// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/devicetable.h"

#include <QTest>

#include <set>

using namespace k4;

namespace {

// Appends a complete device (as Add does once its editor closes) with distinct values in every
// field, so a move shows up field by field.
int AddDevice(DeviceTable& t, int n) {
    const int slot =
        t.append(static_cast<NodeHandle>(1000 + n), static_cast<PanelHandle>(2000 + n));
    if (slot < 0) {
        return slot;
    }
    DeviceRecord& r = t[slot];
    r.DevID.store(static_cast<std::uint8_t>(10 + n));
    r.DeviceName = QStringLiteral("dev %1").arg(n);
    r.Skin = QStringLiteral("skin%1.bmp").arg(n);
    r.LCDColor = 0x100u + static_cast<std::uint32_t>(n);
    r.LCDBackColor = 0x200u + static_cast<std::uint32_t>(n);
    r.Top = 30 + n;
    r.Left = 40 + n;
    r.CommError.store(static_cast<std::uint8_t>(n % 2));
    r.Attention.store(static_cast<std::uint8_t>((n + 1) % 2));
    t.markInUse(slot);
    r.flags.fetch_or(static_cast<std::uint8_t>((n % 8) << 4));  // bits without meaning ride along
    // The link's counts of the device ride along too: n + 1 replies, n failures in one episode.
    for (int k = 0; k <= n; ++k) {
        r.Health.noteReply(5000 + n);
    }
    for (int k = 0; k < n; ++k) {
        r.Health.noteFailure(k == 0);
    }
    return slot;
}

// Slot holds the device AddDevice made as number n.
void CheckDevice(const DeviceTable& t, int slot, int n) {
    const DeviceRecord& r = t[slot];
    QCOMPARE(r.Node.load(), static_cast<NodeHandle>(1000 + n));
    QCOMPARE(r.Panel.load(), static_cast<PanelHandle>(2000 + n));
    QCOMPARE(int(r.DevID.load()), 10 + n);
    QCOMPARE(r.DeviceName, QStringLiteral("dev %1").arg(n));
    QCOMPARE(r.Skin, QStringLiteral("skin%1.bmp").arg(n));
    QCOMPARE(r.LCDColor, 0x100u + static_cast<std::uint32_t>(n));
    QCOMPARE(r.LCDBackColor, 0x200u + static_cast<std::uint32_t>(n));
    QCOMPARE(r.Top, 30 + n);
    QCOMPARE(r.Left, 40 + n);
    QCOMPARE(int(r.CommError.load()), n % 2);
    QCOMPARE(int(r.Attention.load()), (n + 1) % 2);
    QCOMPARE(int(r.flags.load()), kInUseFlag | ((n % 8) << 4));
    const HealthCounts health = r.Health.counts();
    QCOMPARE(health.replies, std::uint64_t(n + 1));
    QCOMPARE(health.failures, std::uint64_t(n));
    QCOMPARE(health.episodes, std::uint64_t(n > 0 ? 1 : 0));
    QCOMPARE(health.lastReplyNs, std::int64_t(5000 + n));
}

}  // namespace

class TestDeviceTable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyTable();
    void appendGivesNewDeviceValues();
    void appendStopsAt127();
    void remove_data();
    void remove();
    void removeOnlyDevice();
    void removeOutOfRangeChangesNothing();
    void reappendIntoVacatedSlotStartsClean();
    void indexOfNode();
    void indexOfAddressTakesLowestSlot();
    void indexOfPanel();
    void resetEmptiesEverything();
    void label_data();
    void label();
    void viewHandlesAreNeverReused();
};

void TestDeviceTable::emptyTable() {
    DeviceTable t;
    QCOMPARE(t.lastIndex(), -1);
    QCOMPARE(t.count(), 0);
    QVERIFY(!t.isFull());
    for (int i = 0; i < DeviceTable::kSlots; ++i) {
        QVERIFY(t[i].isEmpty());
        QVERIFY(!t[i].inUse());
    }
    QCOMPARE(t.indexOfNode(kNoHandle), -1);
    QCOMPARE(t.indexOfNode(1), -1);
    QCOMPARE(t.indexOfAddress(0), -1);  // empty slots carry ID 0, yet none is in the table
    QCOMPARE(t.indexOfPanel(kNoHandle), -1);
}

// Add reserves the slot (LastIndex first) and leaves the in-use flag for the end.
void TestDeviceTable::appendGivesNewDeviceValues() {
    DeviceTable t;
    QCOMPARE(t.append(7, 8), 0);
    QCOMPARE(t.lastIndex(), 0);
    const DeviceRecord& r = t[0];
    QVERIFY(!r.inUse());
    QCOMPARE(r.Node.load(), NodeHandle{7});
    QCOMPARE(r.Panel.load(), PanelHandle{8});
    QCOMPARE(int(r.DevID.load()), 1);
    QCOMPARE(r.DeviceName, QStringLiteral("New device"));
    QCOMPARE(r.LCDColor, 0x00FF00u);
    QCOMPARE(r.LCDBackColor, 0x000000u);
    QCOMPARE(int(r.CommError.load()), 0);
    QCOMPARE(int(r.Attention.load()), 0);
    QVERIFY(r.Skin.isEmpty());
    QCOMPARE(r.Top, 0);
    QCOMPARE(r.Left, 0);
    t.markInUse(0);
    QVERIFY(r.inUse());
    QVERIFY(t[1].isEmpty());
}

void TestDeviceTable::appendStopsAt127() {
    DeviceTable t;
    for (int n = 0; n < DeviceTable::kMaxDevices; ++n) {
        QCOMPARE(AddDevice(t, n), n);
    }
    QVERIFY(t.isFull());
    QCOMPARE(t.append(1, 1), -1);
    QCOMPARE(t.lastIndex(), 126);
    // The slot after the last device always exists and stays empty.
    QVERIFY(t[127].isEmpty());
}

void TestDeviceTable::remove_data() {
    QTest::addColumn<int>("devices");
    QTest::addColumn<int>("removed");
    QTest::newRow("slot 0 of three") << 3 << 0;
    QTest::newRow("middle of three") << 3 << 1;
    QTest::newRow("last of three") << 3 << 2;
    QTest::newRow("first of a full table") << 127 << 0;
    QTest::newRow("last of a full table") << 127 << 126;
}

// Later devices move down one slot each with everything they carry; the old last slot ends
// empty, its Skin empty and Top and Left 0.
void TestDeviceTable::remove() {
    QFETCH(int, devices);
    QFETCH(int, removed);
    DeviceTable t;
    for (int n = 0; n < devices; ++n) {
        AddDevice(t, n);
    }
    t.remove(removed);
    QCOMPARE(t.lastIndex(), devices - 2);
    for (int slot = 0; slot < devices - 1; ++slot) {
        CheckDevice(t, slot, slot < removed ? slot : slot + 1);
        if (QTest::currentTestFailed()) {
            QFAIL(qPrintable(QStringLiteral("slot %1").arg(slot)));
        }
    }
    const DeviceRecord& vacated = t[devices - 1];
    QVERIFY(vacated.isEmpty());
    QVERIFY(vacated.Skin.isEmpty());
    QCOMPARE(vacated.Top, 0);
    QCOMPARE(vacated.Left, 0);
    QCOMPARE(t.indexOfNode(static_cast<NodeHandle>(1000 + removed)), -1);
}

void TestDeviceTable::removeOnlyDevice() {
    DeviceTable t;
    AddDevice(t, 0);
    t.remove(0);
    QCOMPARE(t.lastIndex(), -1);
    QVERIFY(t[0].isEmpty());
    QCOMPARE(t.indexOfAddress(10), -1);
}

void TestDeviceTable::removeOutOfRangeChangesNothing() {
    DeviceTable t;
    AddDevice(t, 0);
    AddDevice(t, 1);
    t.remove(2);
    t.remove(-1);
    QCOMPARE(t.lastIndex(), 1);
    CheckDevice(t, 0, 0);
    CheckDevice(t, 1, 1);
}

void TestDeviceTable::reappendIntoVacatedSlotStartsClean() {
    DeviceTable t;
    AddDevice(t, 0);
    AddDevice(t, 1);
    AddDevice(t, 2);
    t.remove(0);
    QCOMPARE(t.append(77, 88), 2);
    const DeviceRecord& r = t[2];
    QVERIFY(r.Skin.isEmpty());
    QCOMPARE(r.Top, 0);
    QCOMPARE(r.Left, 0);
    QCOMPARE(int(r.flags.load()), 0);
    QCOMPARE(r.DeviceName, QStringLiteral("New device"));
    QVERIFY(r.Health.isClear());
}

void TestDeviceTable::indexOfNode() {
    DeviceTable t;
    AddDevice(t, 0);
    AddDevice(t, 1);
    AddDevice(t, 2);
    QCOMPARE(t.indexOfNode(1000), 0);
    QCOMPARE(t.indexOfNode(1002), 2);
    QCOMPARE(t.indexOfNode(kNoHandle), -1);
    QCOMPARE(t.indexOfNode(999), -1);  // the workspace node, say
    // Scanned from LastIndex down: a node stored twice is found in the later slot.
    t[0].Node.store(1002);
    QCOMPARE(t.indexOfNode(1002), 2);
    // A slot past LastIndex is out of reach.
    t[3].Node.store(5000);
    QCOMPARE(t.indexOfNode(5000), -1);
}

void TestDeviceTable::indexOfAddressTakesLowestSlot() {
    DeviceTable t;
    AddDevice(t, 0);
    AddDevice(t, 1);
    AddDevice(t, 2);
    QCOMPARE(t.indexOfAddress(11), 1);
    t[2].DevID.store(11);
    QCOMPARE(t.indexOfAddress(11), 1);
    t[0].DevID.store(11);
    QCOMPARE(t.indexOfAddress(11), 0);
    // The in-use flag plays no part in the lookup.
    t[0].flags.store(0);
    QCOMPARE(t.indexOfAddress(11), 0);
    t[3].DevID.store(50);
    QCOMPARE(t.indexOfAddress(50), -1);
    QCOMPARE(t.indexOfAddress(12), -1);
}

void TestDeviceTable::indexOfPanel() {
    DeviceTable t;
    AddDevice(t, 0);
    AddDevice(t, 1);
    QCOMPARE(t.indexOfPanel(2001), 1);
    t[0].Panel.store(2001);
    QCOMPARE(t.indexOfPanel(2001), 0);
    QCOMPARE(t.indexOfPanel(kNoHandle), -1);
    QCOMPARE(t.indexOfPanel(31337), -1);
}

void TestDeviceTable::resetEmptiesEverything() {
    DeviceTable t;
    for (int n = 0; n < 5; ++n) {
        AddDevice(t, n);
    }
    t.reset();
    QCOMPARE(t.lastIndex(), -1);
    for (int i = 0; i < DeviceTable::kSlots; ++i) {
        QVERIFY(t[i].isEmpty());
    }
}

void TestDeviceTable::label_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");
    QTest::newRow("named") << 5 << "Encoder A"
                           << "ID=5 Encoder A";
    QTest::newRow("no name") << 1 << ""
                             << "ID=1 ";
    QTest::newRow("ID 0") << 0 << "x"
                          << "ID=0 x";
    QTest::newRow("ID 127") << 127 << "top"
                            << "ID=127 top";
    // An ID byte above 127 prints as a signed 8-bit number.
    QTest::newRow("ID byte 200") << 200 << "odd"
                                 << "ID=-56 odd";
    QTest::newRow("percent in name") << 3 << "%1 %2"
                                     << "ID=3 %1 %2";
}

void TestDeviceTable::label() {
    QFETCH(int, id);
    QFETCH(QString, name);
    QFETCH(QString, label);
    QCOMPARE(DeviceLabel(static_cast<std::uint8_t>(id), name), label);
}

void TestDeviceTable::viewHandlesAreNeverReused() {
    std::set<std::uint64_t> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t h = NewViewHandle();
        QVERIFY(h != kNoHandle);
        QVERIFY(seen.insert(h).second);
    }
}

QTEST_APPLESS_MAIN(TestDeviceTable)
#include "tst_devicetable.moc"
