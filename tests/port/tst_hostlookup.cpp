// SPDX-License-Identifier: GPL-3.0-or-later
// A host name lookup that the link thread waits for only as long as it chooses: a resolver that
// hangs until released, then one that finds and one that finds nothing.
#include "port/hostlookup.h"

#include <QTest>

#include <atomic>
#include <future>

using namespace k4;
using namespace std::chrono_literals;

class TestHostLookup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hangingResolverIsWaitedForOnce();
};

void TestHostLookup::hangingResolverIsWaitedForOnce() {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto calls = std::make_shared<std::atomic<int>>(0);
    HostLookup lookup([released, calls](const QString& host) {
        ++*calls;
        released.wait();
        return host == QLatin1String("rack-server") ? std::vector{QHostAddress(0x0a000007u)}
                                                    : std::vector<QHostAddress>{};
    });
    std::vector<QHostAddress> found;
    // Until the resolver answers, every wait gives up after its patience; the retry takes up
    // the same lookup instead of starting another.
    QCOMPARE(lookup.wait(QStringLiteral("rack-server"), 20ms, found),
             HostLookup::Outcome::StillLooking);
    QCOMPARE(lookup.wait(QStringLiteral("rack-server"), 20ms, found),
             HostLookup::Outcome::StillLooking);
    release.set_value();
    QCOMPARE(lookup.wait(QStringLiteral("rack-server"), 60s, found), HostLookup::Outcome::Found);
    QCOMPARE(found, std::vector{QHostAddress(QStringLiteral("10.0.0.7"))});
    QCOMPARE(calls->load(), 1);
    QCOMPARE(lookup.wait(QStringLiteral("nowhere"), 60s, found), HostLookup::Outcome::NotFound);
    QCOMPARE(calls->load(), 2);
}

QTEST_GUILESS_MAIN(TestHostLookup)
#include "tst_hostlookup.moc"
