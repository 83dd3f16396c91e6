// SPDX-License-Identifier: GPL-3.0-or-later
// The device editor's ID rules and the workspace node's naming rule, without any widget.
#include "core/deviceidrules.h"
#include "core/devicetable.h"
#include "core/workspacename.h"

#include <QTest>

using namespace k4;

Q_DECLARE_METATYPE(k4::DeviceIdCheck)

class TestDeviceIdRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "5" << 5;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("highest") << "127" << 127;
        QTest::newRow("above range") << "128" << 128;
        QTest::newRow("three digits") << "999" << 999;
        QTest::newRow("empty") << "" << 200;
        QTest::newRow("letters") << "abc" << 200;
        QTest::newRow("digits then letter") << "12a" << 200;
        QTest::newRow("hex prefix") << "0x1" << 200;
        QTest::newRow("lone sign") << "-" << 200;
    }
    void readText() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(ReadDeviceIdText(text), value);
    }

    // Each row: the field's text, what Up leaves there, what Down leaves there.
    void steps_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("up");
        QTest::addColumn<int>("down");
        QTest::newRow("127") << "127" << 0 << 126;
        QTest::newRow("0") << "0" << 1 << 127;
        QTest::newRow("1") << "1" << 2 << 0;
        QTest::newRow("abc") << "abc" << 0 << 127;
        QTest::newRow("empty") << "" << 0 << 127;
        QTest::newRow("150") << "150" << 0 << 149;
        QTest::newRow("200") << "200" << 0 << 127;
        QTest::newRow("201") << "201" << 0 << 200;
        QTest::newRow("199") << "199" << 0 << 198;
        QTest::newRow("128") << "128" << 0 << 127;
        QTest::newRow("-1") << "-1" << 0 << 127;
        QTest::newRow("-5") << "-5" << 0 << 127;
        QTest::newRow("126") << "126" << 127 << 125;
        QTest::newRow("007") << "007" << 8 << 6;
    }
    void steps() {
        QFETCH(QString, text);
        QFETCH(int, up);
        QFETCH(int, down);
        QCOMPARE(DeviceIdStepUp(ReadDeviceIdText(text)), up);
        QCOMPARE(DeviceIdStepDown(ReadDeviceIdText(text)), down);
    }

    // The table: slot 0 in use with ID 5, slot 1 (the one edited) in use with ID 9, slot 2
    // reserved (not yet in use) with ID 1, slot 3 in use with ID 0.
    void check_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("editIndex");
        QTest::addColumn<DeviceIdCheck>("expected");
        QTest::newRow("free id") << 7 << 1 << DeviceIdCheck::Accepted;
        QTest::newRow("own id") << 9 << 1 << DeviceIdCheck::Accepted;
        QTest::newRow("other device's id") << 5 << 1 << DeviceIdCheck::Duplicate;
        QTest::newRow("id of a slot not in use") << 1 << 1 << DeviceIdCheck::Accepted;
        QTest::newRow("zero used by another") << 0 << 1 << DeviceIdCheck::Duplicate;
        QTest::newRow("zero, own") << 0 << 3 << DeviceIdCheck::Accepted;
        QTest::newRow("127") << 127 << 1 << DeviceIdCheck::Accepted;
        QTest::newRow("128") << 128 << 1 << DeviceIdCheck::OutOfRange;
        QTest::newRow("-1") << -1 << 1 << DeviceIdCheck::OutOfRange;
        QTest::newRow("unreadable") << 200 << 1 << DeviceIdCheck::OutOfRange;
        QTest::newRow("new device, no slot skipped") << 9 << 2 << DeviceIdCheck::Duplicate;
        QTest::newRow("no edit index") << 5 << -1 << DeviceIdCheck::Duplicate;
    }
    void check() {
        QFETCH(int, id);
        QFETCH(int, editIndex);
        QFETCH(DeviceIdCheck, expected);
        DeviceTable table;
        const std::uint8_t ids[] = {5, 9, 1, 0};
        for (int i = 0; i < 4; ++i) {
            table[i].DevID.store(ids[i]);
            table[i].flags.store(i == 2 ? 0 : kInUseFlag);
        }
        table.setLastIndex(3);
        QCOMPARE(CheckDeviceId(id, &table, editIndex), expected);
    }

    void checkWithoutTable() {
        QCOMPARE(CheckDeviceId(1, nullptr, -1), DeviceIdCheck::Accepted);
        QCOMPARE(CheckDeviceId(128, nullptr, -1), DeviceIdCheck::OutOfRange);
    }

    // Only slots 0..126 can be in use; the last slot is never looked at.
    void checkLooksAtSlots0To126() {
        DeviceTable table;
        table[126].DevID.store(44);
        table[126].flags.store(kInUseFlag);
        table[127].DevID.store(45);
        table[127].flags.store(kInUseFlag);
        QCOMPARE(CheckDeviceId(44, &table, 0), DeviceIdCheck::Duplicate);
        QCOMPARE(CheckDeviceId(45, &table, 0), DeviceIdCheck::Accepted);
    }

    void workspaceLabel_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        QTest::newRow("no extension") << "Plant"
                                      << "Plant.DID";
        QTest::newRow("lower case extension") << "Plant.did"
                                              << "Plant.did";
        QTest::newRow("upper case extension") << "Plant.DID"
                                              << "Plant.DID";
        QTest::newRow("mixed case extension") << "Plant.Did"
                                              << "Plant.Did";
        QTest::newRow("other extension") << "a.b"
                                         << "a.b.DID";
        QTest::newRow("bare DID") << "DID"
                                  << "DID";
        QTest::newRow("bare did") << "did"
                                  << "did";
        QTest::newRow("empty") << ""
                               << ".DID";
        QTest::newRow("trailing dot") << "Plant."
                                      << "Plant..DID";
        QTest::newRow("DID in the middle") << "x.DID.bak"
                                           << "x.DID.bak.DID";
        QTest::newRow("extension with blank") << "Plant.DID "
                                              << "Plant.DID .DID";
    }
    void workspaceLabel() {
        QFETCH(QString, typed);
        QFETCH(QString, label);
        QCOMPARE(WorkspaceNodeLabel(typed), label);
        QCOMPARE(MainCaptionFor(label), QStringLiteral("K4mgr - ") + label);
    }
};

QTEST_APPLESS_MAIN(TestDeviceIdRules)
#include "tst_deviceidrules.moc"
