// SPDX-License-Identifier: GPL-3.0-or-later
// The PC keyboard's map onto the panel keys, without a window.
#include "panel/panelkeymap.h"

#include <QTest>

#include <set>

using namespace k4;

Q_DECLARE_METATYPE(KeyVerdict)

class TestPanelKeyMap : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decide_data();
    void decide();
    void everyPanelKeyHasAKeyAndNoKeyTwoMeanings();
    void hint_data();
    void hint();
};

void TestPanelKeyMap::decide_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<KeyVerdict>("verdict");
    QTest::addColumn<int>("code");
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const auto send = KeyVerdict::Send;
    const auto notOurs = KeyVerdict::NotOurs;
    QTest::newRow("T") << int(Qt::Key_T) << none << false << send << 126;
    QTest::newRow("Shift+S (caps)")
        << int(Qt::Key_S) << Qt::KeyboardModifiers(Qt::ShiftModifier) << false << send << 127;
    QTest::newRow("1") << int(Qt::Key_1) << none << false << send << 1;
    QTest::newRow("0 is key 10") << int(Qt::Key_0) << none << false << send << 10;
    QTest::newRow("A is key 11") << int(Qt::Key_A) << none << false << send << 11;
    QTest::newRow("Left: <<") << int(Qt::Key_Left) << none << false << send << 1;
    QTest::newRow("minus: -") << int(Qt::Key_Minus) << none << false << send << 3;
    QTest::newRow("Shift+plus: +")
        << int(Qt::Key_Plus) << Qt::KeyboardModifiers(Qt::ShiftModifier) << false << send << 4;
    QTest::newRow("held T repeats nothing")
        << int(Qt::Key_T) << none << true << KeyVerdict::Swallow << 126;
    QTest::newRow("Ctrl+S stays with Save")
        << int(Qt::Key_S) << Qt::KeyboardModifiers(Qt::ControlModifier) << false << notOurs << 0;
    QTest::newRow("Ctrl+Shift+T") << int(Qt::Key_T) << (Qt::ControlModifier | Qt::ShiftModifier)
                                  << false << notOurs << 0;
    QTest::newRow("Alt+F stays with the menu")
        << int(Qt::Key_F) << Qt::KeyboardModifiers(Qt::AltModifier) << false << notOurs << 0;
    QTest::newRow("G") << int(Qt::Key_G) << none << false << notOurs << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return) << none << false << notOurs << 0;
}

void TestPanelKeyMap::decide() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, repeat);
    QFETCH(KeyVerdict, verdict);
    QFETCH(int, code);
    const KeyDecision decision = DecideKeyPress(key, modifiers, repeat);
    QCOMPARE(decision.verdict, verdict);
    if (verdict != KeyVerdict::NotOurs) {
        QCOMPARE(int(decision.code), code);
    }
}

void TestPanelKeyMap::everyPanelKeyHasAKeyAndNoKeyTwoMeanings() {
    std::set<int> codes;
    std::set<int> keys;
    for (const KeyBinding& binding : PanelKeyBindings()) {
        codes.insert(binding.code);
        QVERIFY2(keys.insert(binding.qtKey).second, binding.name);
        QVERIFY(PanelButtonIndex(binding.code) >= 0);
    }
    std::set<int> panelCodes = {126, 127};
    for (int code = 1; code <= 16; ++code) {
        panelCodes.insert(code);
    }
    QCOMPARE(codes, panelCodes);
    QCOMPARE(PanelButtonIndex(126), 16);
    QCOMPARE(PanelButtonIndex(127), 17);
    QCOMPARE(PanelButtonIndex(0), -1);
    QCOMPARE(PanelButtonIndex(17), -1);
    for (int button = 0; button < 18; ++button) {
        QCOMPARE(PanelButtonIndex(PanelButtonCode(button)), button);
    }
}

void TestPanelKeyMap::hint_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("hint");
    QTest::newRow("T") << 126 << "Keyboard: T";
    QTest::newRow("<<") << 1 << "Keyboard: 1 or Left arrow";
    QTest::newRow("-") << 3 << "Keyboard: 3, - or Down arrow";
    QTest::newRow("11") << 11 << "Keyboard: A";
    QTest::newRow("no such key") << 0 << "";
}

void TestPanelKeyMap::hint() {
    QFETCH(int, code);
    QFETCH(QString, hint);
    QCOMPARE(KeyboardHint(static_cast<std::uint8_t>(code)), hint);
}

QTEST_APPLESS_MAIN(TestPanelKeyMap)
#include "tst_panelkeymap.moc"
