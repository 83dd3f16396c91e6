// SPDX-License-Identifier: GPL-3.0-or-later
// Key sequences as the operator types them, and a run of one over several devices: the order of
// keys per device, pauses, failures and the status texts, on a clock the test moves.
#include "macro/macrokeys.h"
#include "macro/macrorun.h"

#include <QTest>

using namespace k4;
using namespace std::chrono_literals;
using Steps = std::vector<MacroStep>;

Q_DECLARE_METATYPE(Steps)

namespace {

MacroStep Key(std::uint8_t key) {
    return {key, 0};
}
MacroStep Pause(int ms) {
    return {0, ms};
}

}  // namespace

class TestMacroKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void devicesGoTheirOwnWay();
};

void TestMacroKeys::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("badToken");
    QTest::newRow("labels") << "T 3 3 + S" << Steps{Key(126), Key(3), Key(3), Key(4), Key(127)}
                            << "";
    QTest::newRow("pause, blanks, case")
        << "  s\tP500  16 t " << Steps{Key(127), Pause(500), Key(16), Key(126)} << "";
    QTest::newRow("names of keys 1 to 4")
        << "<< >> - + 1 4" << Steps{Key(1), Key(2), Key(3), Key(4), Key(1), Key(4)} << "";
    QTest::newRow("longest and shortest pause")
        << "p10000 p0" << Steps{Pause(10000), Pause(0)} << "";
    QTest::newRow("no-break space")
        << QStringLiteral("T\u00a03\u00a0 S") << Steps{Key(126), Key(3), Key(127)} << "";
    QTest::newRow("empty") << "   " << Steps{} << "";
    QTest::newRow("key 17") << "T 17 S" << Steps{} << "17";
    QTest::newRow("key 0") << "0" << Steps{} << "0";
    QTest::newRow("leading zero") << "05" << Steps{} << "05";
    QTest::newRow("pause too long") << "1 P10001" << Steps{} << "P10001";
    QTest::newRow("pause without time") << "p" << Steps{} << "p";
    QTest::newRow("negative pause") << "p-5" << Steps{} << "p-5";
    QTest::newRow("glued keys") << "T3" << Steps{} << "T3";
    QTest::newRow("first bad one named") << "1 x <> 2" << Steps{} << "x";
}

void TestMacroKeys::parse() {
    QFETCH(QString, text);
    QFETCH(Steps, steps);
    QFETCH(QString, badToken);
    const MacroKeysParse parsed = ParseMacroKeys(text);
    QCOMPARE(parsed.badToken, badToken);
    QCOMPARE(parsed.ok(), badToken.isEmpty());
    QVERIFY(parsed.steps == steps);
}

// Devices 1 and 5 run "T p100 S 3"; the test plays the link: it records what was queued and
// ends exchanges when it likes.
void TestMacroKeys::devicesGoTheirOwnWay() {
    const auto t0 = MacroRun::Clock::time_point{} + 1h;
    QList<QPair<int, int>> queued;
    bool ringFull = false;
    const MacroRun::Send send = [&](std::uint8_t address, std::uint8_t key) {
        if (!ringFull) {
            queued << qMakePair(int(address), int(key));
        }
        return !ringFull;
    };
    MacroRun run(QStringLiteral("Setup A"), ParseMacroKeys("T p100 S 3").steps, {1, 5, 9});
    QCOMPARE(run.progressText(), QStringLiteral("Macro 'Setup A': 0 of 9 keys"));

    run.advance(t0, send);
    QCOMPARE(queued, (QList<QPair<int, int>>{{1, 126}, {5, 126}, {9, 126}}));
    run.advance(t0 + 5ms, send);  // nobody's key has ended: nothing more goes
    QCOMPARE(queued.size(), 3);

    run.keyEnded(1, 126, false);
    run.keyEnded(5, 3, false);  // not what 5 waits for (an operator's click)
    run.keyEnded(9, 126, true);
    run.advance(t0 + 10ms, send);
    // Device 1 pauses from here; 5 still waits for its key, 9 failed and gets nothing more.
    run.keyEnded(5, 126, false);
    run.advance(t0 + 50ms, send);   // 5's pause starts here
    run.advance(t0 + 109ms, send);  // 1 is still held
    QCOMPARE(queued.size(), 3);
    ringFull = true;
    run.advance(t0 + 110ms, send);  // 1's pause is over, but the ring refuses: tried again
    ringFull = false;
    run.advance(t0 + 111ms, send);
    QCOMPARE(queued.mid(3), (QList<QPair<int, int>>{{1, 127}}));
    run.keyEnded(1, 127, false);
    run.advance(t0 + 112ms, send);  // 1 goes on at once, 5 is still held
    QCOMPARE(queued.mid(4), (QList<QPair<int, int>>{{1, 3}}));
    run.advance(t0 + 150ms, send);
    QCOMPARE(queued.mid(5), (QList<QPair<int, int>>{{5, 127}}));
    QCOMPARE(run.progressText(), QStringLiteral("Macro 'Setup A': 4 of 9 keys"));

    run.keyEnded(1, 3, false);
    run.keyEnded(5, 127, false);
    QVERIFY(!run.finished());
    run.advance(t0 + 151ms, send);
    run.keyEnded(5, 3, false);
    QVERIFY(run.finished());
    QCOMPARE(run.endText(), QStringLiteral("Macro 'Setup A': 2 devices done, ID 9 failed"));
    QCOMPARE(queued.size(), 7);

    MacroRun stopped(QStringLiteral("B"), ParseMacroKeys("1 2").steps, {1});
    stopped.advance(t0, send);
    stopped.keyEnded(1, 1, false);  // key 2 is due now, but the run stops first
    stopped.stop();
    stopped.advance(t0 + 1s, send);
    QCOMPARE(queued.size(), 8);
    QCOMPARE(stopped.endText(), QStringLiteral("Macro 'B': stopped after 1 of 2 keys"));
}

QTEST_GUILESS_MAIN(TestMacroKeys)
#include "tst_macrokeys.moc"
