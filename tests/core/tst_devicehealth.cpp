// SPDX-License-Identifier: GPL-3.0-or-later
// The tooltip text made of a device's health counts (the counting itself: tst_exchange).
#include "core/devicehealth.h"

#include <QTest>

using namespace k4;

namespace {
constexpr qint64 kMs = 1'000'000;
constexpr qint64 kSec = 1000 * kMs;
}  // namespace

class TestDeviceHealth : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void groupedCount_data();
    void groupedCount();
    void elapsed_data();
    void elapsed();
    void summary_data();
    void summary();
};

void TestDeviceHealth::groupedCount_data() {
    QTest::addColumn<quint64>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << quint64(0) << "0";
    QTest::newRow("1000") << quint64(1000) << "1 000";
    QTest::newRow("12034") << quint64(12034) << "12 034";
    QTest::newRow("1234567") << quint64(1234567) << "1 234 567";
    QTest::newRow("max") << quint64(18446744073709551615ull) << "18 446 744 073 709 551 615";
}

void TestDeviceHealth::groupedCount() {
    QFETCH(quint64, n);
    QFETCH(QString, text);
    QCOMPARE(GroupedCount(n), text);
}

void TestDeviceHealth::elapsed_data() {
    QTest::addColumn<qint64>("ns");
    QTest::addColumn<QString>("text");
    QTest::newRow("now") << qint64(0) << "0.0 s";
    QTest::newRow("ahead of the clock reads as now") << qint64(-5 * kMs) << "0.0 s";
    QTest::newRow("tenths round down") << qint64(399 * kMs) << "0.3 s";
    QTest::newRow("just under a minute") << qint64(59 * kSec + 999 * kMs) << "59.9 s";
    QTest::newRow("a minute") << qint64(60 * kSec) << "1 min 0 s";
    QTest::newRow("minutes") << qint64(192 * kSec + 700 * kMs) << "3 min 12 s";
    QTest::newRow("an hour") << qint64(3600 * kSec) << "1 h 0 min";
    QTest::newRow("hours") << qint64((2 * 3600 + 5 * 60 + 59) * kSec) << "2 h 5 min";
}

void TestDeviceHealth::elapsed() {
    QFETCH(qint64, ns);
    QFETCH(QString, text);
    QCOMPARE(ElapsedText(ns), text);
}

void TestDeviceHealth::summary_data() {
    QTest::addColumn<quint64>("replies");
    QTest::addColumn<quint64>("failures");
    QTest::addColumn<quint64>("episodes");
    QTest::addColumn<qint64>("lastReplyAgo");  // -1: never
    QTest::addColumn<QString>("text");
    QTest::newRow("the example") << quint64(12034) << quint64(7) << quint64(2) << 300 * kMs
                                 << "ID=5 Multiplexer: 12 034 replies, 7 failed in 2 episodes, "
                                    "last reply 0.3 s ago";
    QTest::newRow("nothing yet") << quint64(0) << quint64(0) << quint64(0) << qint64(-1)
                                 << "ID=5 Multiplexer: 0 replies, none failed, no reply yet";
    QTest::newRow("never answered") << quint64(0) << quint64(41) << quint64(1) << qint64(-1)
                                    << "ID=5 Multiplexer: 0 replies, 41 failed in 1 episode, "
                                       "no reply yet";
    QTest::newRow("one of each") << quint64(1) << quint64(1) << quint64(1) << 2 * kSec
                                 << "ID=5 Multiplexer: 1 reply, 1 failed in 1 episode, "
                                    "last reply 2.0 s ago";
    QTest::newRow("healthy") << quint64(2500) << quint64(0) << quint64(0) << qint64(0)
                             << "ID=5 Multiplexer: 2 500 replies, none failed, "
                                "last reply 0.0 s ago";
}

void TestDeviceHealth::summary() {
    QFETCH(quint64, replies);
    QFETCH(quint64, failures);
    QFETCH(quint64, episodes);
    QFETCH(qint64, lastReplyAgo);
    QFETCH(QString, text);
    const std::int64_t now = 1000 * kSec;
    HealthCounts counts;
    counts.replies = replies;
    counts.failures = failures;
    counts.episodes = episodes;
    counts.lastReplyNs = lastReplyAgo < 0 ? HealthCounts::kNever : now - lastReplyAgo;
    QCOMPARE(HealthSummary(QStringLiteral("ID=5 Multiplexer"), counts, now), text);
}

QTEST_APPLESS_MAIN(TestDeviceHealth)
#include "tst_devicehealth.moc"
