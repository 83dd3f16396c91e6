// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/commandring.h"
#include "link/wakeevent.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <thread>

using namespace k4;
using namespace std::chrono_literals;

class TestCommandRing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyAtStart();
    void keepsOrderAcrossWrap_data();
    void keepsOrderAcrossWrap();
    void fullRingRefuses_data();
    void fullRingRefuses();
    void resetEmpties();
    void oneProducerOneConsumer();
    void takeBackRacesThePops();
    void eventSignalsCollapseIntoOneWake();
    void eventResetDropsSignal();
    void eventWakesWaiter();
};

void TestCommandRing::emptyAtStart() {
    CommandRing ring;
    QVERIFY(ring.empty());
    QCOMPARE(ring.pending(), 0);
    QVERIFY(!ring.pop().has_value());
    QCOMPARE(ring.head(), 0);
    QCOMPARE(ring.tail(), 0);
}

void TestCommandRing::keepsOrderAcrossWrap_data() {
    QTest::addColumn<int>("batch");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("three at a time") << 3;
    QTest::newRow("sixteen at a time") << 16;
}

// Addresses and keys cover the whole byte range the ring packs into 16 bits.
void TestCommandRing::keepsOrderAcrossWrap() {
    QFETCH(int, batch);
    CommandRing ring;
    int sent = 0;
    int received = 0;
    while (received < 200) {
        for (int i = 0; i < batch; ++i, ++sent) {
            QVERIFY(ring.push(static_cast<std::uint8_t>(sent * 7),
                              static_cast<std::uint8_t>(255 - sent)));
            QVERIFY(ring.head() >= 0 && ring.head() < CommandRing::kSlots);
        }
        QCOMPARE(ring.pending(), batch);
        while (const auto c = ring.pop()) {
            QCOMPARE(c->address, static_cast<std::uint8_t>(received * 7));
            QCOMPARE(c->key, static_cast<std::uint8_t>(255 - received));
            QVERIFY(ring.tail() >= 0 && ring.tail() < CommandRing::kSlots);
            ++received;
        }
        QCOMPARE(received, sent);
        QVERIFY(ring.empty());
    }
}

void TestCommandRing::fullRingRefuses_data() {
    QTest::addColumn<int>("start");
    // Where the ring stands when it fills: at slot 0, mid-way, and just before the wrap.
    QTest::newRow("from slot 0") << 0;
    QTest::newRow("from slot 9") << 9;
    QTest::newRow("from slot 16") << 16;
}

void TestCommandRing::fullRingRefuses() {
    QFETCH(int, start);
    CommandRing ring;
    for (int i = 0; i < start; ++i) {
        QVERIFY(ring.push(1, 1));
        QVERIFY(ring.pop().has_value());
    }
    QCOMPARE(int(ring.head()), start);
    for (int i = 0; i < CommandRing::kCapacity; ++i) {
        QVERIFY2(ring.push(5, static_cast<std::uint8_t>(i + 1)), qPrintable(QString::number(i)));
    }
    // The 17th would make head meet tail, which reads as empty: it is refused instead.
    QVERIFY(!ring.push(5, 99));
    QVERIFY(!ring.empty());
    QCOMPARE(ring.pending(), 16);
    QVERIFY(ring.pop().has_value());
    QVERIFY(ring.push(5, 17));
    QVERIFY(!ring.push(5, 18));
    for (int i = 2; i <= 17; ++i) {
        const auto c = ring.pop();
        QVERIFY(c.has_value());
        QCOMPARE(int(c->key), i);
    }
    QVERIFY(ring.empty());
}

void TestCommandRing::resetEmpties() {
    CommandRing ring;
    for (int i = 0; i < 20; ++i) {
        ring.push(1, 2);
        if (i % 3 == 0) {
            ring.pop();
        }
    }
    ring.reset();
    QVERIFY(ring.empty());
    QCOMPARE(ring.head(), 0);
    QCOMPARE(ring.tail(), 0);
    QVERIFY(!ring.pop().has_value());
    QVERIFY(ring.push(3, 4));
    QCOMPARE(ring.pop()->address, 3);
}

// The GUI thread and the link thread side by side: nothing lost, nothing doubled, order kept.
void TestCommandRing::oneProducerOneConsumer() {
    CommandRing ring;
    constexpr int kCount = 50000;
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i) {
            while (!ring.push(static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i))) {
                std::this_thread::yield();
            }
        }
    });
    int expected = 0;
    bool inOrder = true;
    while (expected < kCount) {
        if (const auto c = ring.pop()) {
            const int value = (c->address << 8) | c->key;
            inOrder = inOrder && value == (expected & 0xFFFF);
            ++expected;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    QVERIFY(inOrder);
    QVERIFY(ring.empty());
}

// The producer takes back owner 7's commands while the consumer pops: each command is either
// popped or taken back, once; an ownerless one is never taken back; the popped keep their order.
void TestCommandRing::takeBackRacesThePops() {
    // Rounds, each with fresh threads: where the two sides meet differs from round to round.
    for (int round = 0; round < 20; ++round) {
        CommandRing ring;
        constexpr int kCount = 5000;
        std::vector<int> taken;
        std::atomic<bool> done{false};
        std::thread producer([&] {
            for (int i = 0; i < kCount; ++i) {
                const CommandOwner owner = i % 2 == 0 ? 7 : kNoOwner;
                while (!ring.push(static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i),
                                  owner)) {
                    std::this_thread::yield();
                }
                if (i % 5 == 0 || i == kCount - 1) {
                    for (const KeyCommand& c : ring.takeBack(7)) {
                        taken.push_back((c.address << 8) | c.key);
                    }
                }
            }
            done = true;
        });
        std::vector<int> popped;
        while (!done || !ring.empty()) {
            if (const auto c = ring.pop()) {
                popped.push_back((c->address << 8) | c->key);
            } else {
                std::this_thread::yield();
            }
        }
        producer.join();
        QVERIFY(std::is_sorted(popped.begin(), popped.end()));
        QVERIFY(std::all_of(taken.begin(), taken.end(), [](int v) { return v % 2 == 0; }));
        QVERIFY(!taken.empty());
        std::vector<int> all = popped;
        all.insert(all.end(), taken.begin(), taken.end());
        std::sort(all.begin(), all.end());
        std::vector<int> expected(kCount);
        std::iota(expected.begin(), expected.end(), 0);
        QVERIFY(all == expected);
    }
}

// Auto-reset: however many signals came before, one wait takes them all.
void TestCommandRing::eventSignalsCollapseIntoOneWake() {
    WakeEvent event;
    event.signal();
    event.signal();
    event.signal();
    QVERIFY(event.waitFor(10s));
    QVERIFY(!event.waitFor(1ms));
}

void TestCommandRing::eventResetDropsSignal() {
    WakeEvent event;
    QVERIFY(!event.waitFor(1ms));
    event.signal();
    event.reset();
    QVERIFY(!event.waitFor(1ms));
}

void TestCommandRing::eventWakesWaiter() {
    WakeEvent event;
    std::atomic<bool> woke{false};
    std::thread waiter([&] { woke = event.waitFor(60s); });
    std::this_thread::sleep_for(20ms);
    event.signal();
    waiter.join();
    QVERIFY(woke);
}

QTEST_APPLESS_MAIN(TestCommandRing)
#include "tst_commandring.moc"
