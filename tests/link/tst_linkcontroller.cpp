// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/linkcontroller.h"
#include "link/trs232flow.h"
#include "linktestutil.h"
#include "recordingeffects.h"
#include "simbus.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include <future>

using namespace k4;
using namespace k4test;
using namespace std::chrono_literals;

namespace {

// A controller on a simulated bus whose messages are written down instead of shown.
struct Rig {
    DeviceTable table;
    RecordingEffects fx;
    std::shared_ptr<SimBus> bus = std::make_shared<SimBus>();
    std::shared_ptr<std::vector<int>> portNumbers = std::make_shared<std::vector<int>>();
    QStringList messages;
    LinkController link;

    Rig() {
        link.setPortFactory(MakeSimFactory(bus, portNumbers));
        link.setEffects(&fx);
        link.setMessageSink([this](const QString& text) { messages << text; });
    }
};

// A thread that frees the held line once the link has been asked to stop, so that the exchange on
// the line ends after the stop request, whatever the scheduler does.
std::thread ReleaseOnceStopAsked(const TRS232flow& flow, SimBus& bus) {
    return std::thread([&flow, &bus] {
        WaitUntil([&flow] { return flow.stopRequested(); });
        bus.release();
    });
}

int KeyFrames(const std::vector<SimBus::Frame>& frames) {
    return static_cast<int>(
        std::count_if(frames.begin(), frames.end(), [](const auto& f) { return f.key != 0; }));
}

}  // namespace

class TestLinkController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startOpensPortAndRuns();
    void openErrorMessage_data();
    void openErrorMessage();
    void noLinkIgnoresCommands();
    void queuedKeyReachesDevice();
    void lineSettlesOnLinkThread();
    void stopDropsQueuedCommandsAndRestartBeginsEmpty();
    void restartPollsFromFirstRecord();
    void secondStartReplacesFirst();
    void retiredLinkFinishesOnItsOwn();
    void stopInsideOpenErrorMessage();
    void restartInsideOpenErrorMessage();
    void threadThatCannotBeCreated();
    void destructionStopsLink();
    void withoutEffectsSinkLinkStillRuns();
    void observerHooksRunOnLinkThread();
};

void TestLinkController::startOpensPortAndRuns() {
    Rig rig;
    QVERIFY(!rig.link.isRunning());
    QVERIFY(rig.link.thread() == nullptr);
    rig.link.StartLink(&rig.table, 4);
    QVERIFY(rig.link.isRunning());
    QVERIFY(rig.link.thread() != nullptr);
    QCOMPARE(rig.link.thread()->PortNumber, 4);
    QVERIFY(rig.messages.isEmpty());
    rig.link.StopLink();
    QVERIFY(!rig.link.isRunning());
    QVERIFY(rig.link.thread() == nullptr);
    QCOMPARE(*rig.portNumbers, std::vector<int>({4}));
    QCOMPARE(rig.bus->opens(), 1);
    QCOMPARE(rig.bus->closes(), 1);
    rig.link.StopLink();  // nothing left to stop
    QCOMPARE(rig.bus->closes(), 1);
}

void TestLinkController::openErrorMessage_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("message");
    QTest::newRow("port 3") << 3 << "port COM 3 open error!";
    QTest::newRow("port 12") << 12 << "port COM 12 open error!";
    QTest::newRow("port 0, which no port has") << 0 << "port COM 0 open error!";
}

// The port will not open: one message, and the link runs on without a port, so every device
// in use falls into a failure episode (one beep, its panel raised, icon 2).
void TestLinkController::openErrorMessage() {
    QFETCH(int, port);
    QFETCH(QString, message);
    Rig rig;
    AddLoadedDevice(rig.table, 1);
    AddLoadedDevice(rig.table, 2);
    rig.bus->setOpenFails(true);
    rig.link.StartLink(&rig.table, static_cast<std::uint8_t>(port));
    QCOMPARE(rig.messages, QStringList({message}));
    QVERIFY(rig.link.isRunning());
    QVERIFY(WaitUntil([&] { return rig.fx.count("commError 101") >= 2; }));
    rig.link.StopLink();
    QCOMPARE(rig.fx.count("beep"), 2);
    QCOMPARE(rig.fx.count("show 100"), 1);
    QCOMPARE(rig.fx.count("image 201 2"), 1);
    QCOMPARE(rig.bus->frameCount(), std::size_t{0});
    QCOMPARE(rig.messages.size(), 1);
}

void TestLinkController::noLinkIgnoresCommands() {
    Rig rig;
    AddLoadedDevice(rig.table, 1);
    QVERIFY(!rig.link.QueueCommand(1, 5));
    rig.link.Wake();
    rig.link.StartLink(&rig.table, 1);
    rig.link.StopLink();
    // After a stop the freed thread is out of reach.
    QVERIFY(!rig.link.QueueCommand(1, 5));
    rig.link.Wake();
    QCOMPARE(KeyFrames(rig.bus->frames()), 0);
}

void TestLinkController::queuedKeyReachesDevice() {
    Rig rig;
    AddLoadedDevice(rig.table, 5);
    rig.bus->setMode(5, SimBus::Mode::Display);
    rig.link.StartLink(&rig.table, 1);
    QVERIFY(rig.link.QueueCommand(5, 126));
    QVERIFY(WaitUntil([&] { return KeyFrames(rig.bus->frames()) == 1; }));
    rig.link.StopLink();
    const auto frames = rig.bus->frames();
    const auto key =
        std::find_if(frames.begin(), frames.end(), [](const auto& f) { return f.key; });
    QCOMPARE(int(key->address), 5);
    QCOMPARE(int(key->key), 126);
    QVERIFY(rig.fx.count("cells 100 00") >= 1);
}

void TestLinkController::lineSettlesOnLinkThread() {
    Rig rig;
    AddLoadedDevice(rig.table, 5);
    rig.bus->setMode(5, SimBus::Mode::Display);
    rig.bus->setSettleTime(1h);
    // The start returns with the line still settling: no frame, not even the queued key, goes
    // out before the settle ends. A start that waited for the settle would not return here.
    rig.link.StartLink(&rig.table, 1);
    QVERIFY(rig.link.QueueCommand(5, 126));
    QVERIFY(!rig.bus->waitForFrames(1, 300ms));
    // A stop cuts the settle short.
    rig.link.StopLink();
    QCOMPARE(rig.bus->frameCount(), std::size_t{0});
    QCOMPARE(rig.bus->closes(), 1);
}

void TestLinkController::stopDropsQueuedCommandsAndRestartBeginsEmpty() {
    Rig rig;
    AddLoadedDevice(rig.table, 1);
    rig.bus->setMode(1, SimBus::Mode::Display);
    rig.link.StartLink(&rig.table, 1);
    QVERIFY(rig.bus->waitForFrames(1, 10s));
    rig.bus->hold();
    QVERIFY(rig.bus->waitUntilHeld(10s));
    for (int i = 1; i <= 5; ++i) {
        QVERIFY(rig.link.QueueCommand(1, static_cast<std::uint8_t>(i)));
    }
    // StopLink blocks until the exchange on the line ends; the line is freed once the stop has
    // been asked for.
    std::thread releaser = ReleaseOnceStopAsked(*rig.link.thread(), *rig.bus);
    rig.link.StopLink();
    releaser.join();
    QCOMPARE(KeyFrames(rig.bus->frames()), 0);

    const std::size_t before = rig.bus->frameCount();
    rig.link.StartLink(&rig.table, 1);
    QVERIFY(rig.bus->waitForFrames(before + 3, 10s));
    rig.link.StopLink();
    QCOMPARE(KeyFrames(rig.bus->frames()), 0);
}

// The first link stops right after polling record 0; the next one starts at record 0 again,
// not at record 1 where the first would have gone on.
void TestLinkController::restartPollsFromFirstRecord() {
    Rig rig;
    AddLoadedDevice(rig.table, 1);
    AddLoadedDevice(rig.table, 2);
    AddLoadedDevice(rig.table, 3);
    rig.bus->hold();
    rig.link.StartLink(&rig.table, 1);
    QVERIFY(rig.bus->waitUntilHeld(10s));
    std::thread releaser = ReleaseOnceStopAsked(*rig.link.thread(), *rig.bus);
    rig.link.StopLink();
    releaser.join();
    QCOMPARE(rig.bus->frameCount(), std::size_t{1});
    QCOMPARE(int(rig.bus->frames()[0].address), 1);
    rig.link.StartLink(&rig.table, 1);
    QVERIFY(rig.bus->waitForFrames(2, 10s));
    rig.link.StopLink();
    QCOMPARE(int(rig.bus->frames()[1].address), 1);
}

void TestLinkController::secondStartReplacesFirst() {
    Rig rig;
    rig.link.StartLink(&rig.table, 1);
    const TRS232flow* first = rig.link.thread();
    QVERIFY(first != nullptr);
    rig.link.StartLink(&rig.table, 2);
    QCOMPARE(rig.bus->opens(), 2);
    QCOMPARE(rig.bus->closes(), 1);
    QCOMPARE(rig.link.thread()->PortNumber, 2);
    rig.link.StopLink();
    QCOMPARE(rig.bus->closes(), 2);
}

// A retired link finishes the exchange on the line by itself, holding the table it polls: the
// caller does not wait for the line, and the next start waits for the old link's port to close
// before it opens its own.
void TestLinkController::retiredLinkFinishesOnItsOwn() {
    Rig rig;
    auto table = std::make_shared<DeviceTable>();
    AddLoadedDevice(*table, 1);
    rig.bus->hold();
    // A failed check must not leave the line held for the rig's own stop to wait on.
    const auto freeLine = qScopeGuard([&rig] { rig.bus->release(); });
    rig.link.StartLink(table.get(), 1);
    QVERIFY(rig.bus->waitUntilHeld(10s));
    // Frees the line should the retirement wait for it after all, so that the checks fail
    // instead of the test hanging.
    std::promise<void> checked;
    std::thread safety([&rig, done = checked.get_future()] {
        if (done.wait_for(10s) == std::future_status::timeout) {
            rig.bus->release();
        }
    });
    const std::weak_ptr<DeviceTable> polled = table;
    rig.link.RetireLink(std::move(table));
    const int closesAtReturn = rig.bus->closes();
    checked.set_value();
    safety.join();
    QCOMPARE(closesAtReturn, 0);
    QVERIFY(!rig.link.isRunning());
    QVERIFY(rig.link.thread() == nullptr);
    QVERIFY(!polled.expired());

    rig.bus->release();
    rig.link.StartLink(&rig.table, 2);
    QCOMPARE(rig.bus->closes(), 1);
    QCOMPARE(rig.bus->opens(), 2);
    QVERIFY(polled.expired());
    // A link on another table is not retired but stopped, there and then.
    rig.link.RetireLink(std::make_shared<DeviceTable>());
    QCOMPARE(rig.bus->closes(), 2);
    QVERIFY(rig.link.thread() == nullptr);
}

// The message box runs an event loop; whatever stops the link from inside it must win.
void TestLinkController::stopInsideOpenErrorMessage() {
    Rig rig;
    rig.bus->setOpenFails(true);
    rig.link.setMessageSink([&](const QString& text) {
        rig.messages << text;
        rig.link.StopLink();
    });
    rig.link.StartLink(&rig.table, 3);
    QVERIFY(!rig.link.isRunning());
    QVERIFY(rig.link.thread() == nullptr);
    QVERIFY(!rig.link.QueueCommand(1, 1));
    QCOMPARE(rig.messages.size(), 1);
}

// A restart from inside the message box (another port chosen meanwhile) leaves a running link
// that the first start must not touch, even when the new thread object took the old one's
// address: emptying its ring would drop the command queued behind the one on the line.
void TestLinkController::restartInsideOpenErrorMessage() {
    Rig rig;
    AddLoadedDevice(rig.table, 1, false);  // reached by key commands only, never polled
    rig.bus->setOpenFails(true);
    const TRS232flow* replacement = nullptr;
    rig.link.setMessageSink([&](const QString& text) {
        rig.messages << text;
        rig.bus->setOpenFails(false);
        rig.link.StartLink(&rig.table, 4);
        replacement = rig.link.thread();
        rig.bus->hold();
        QVERIFY(rig.link.QueueCommand(1, 1));
        QVERIFY(rig.bus->waitUntilHeld(10s));
        QVERIFY(rig.link.QueueCommand(1, 2));
    });
    rig.link.StartLink(&rig.table, 3);
    rig.bus->release();
    QVERIFY(rig.link.isRunning());
    QVERIFY(rig.link.thread() == replacement);
    QVERIFY(rig.link.QueueCommand(1, 3));
    QVERIFY(WaitUntil([&] { return KeyFrames(rig.bus->frames()) == 3; }));
    rig.link.StopLink();
    QList<int> keys;
    for (const auto& f : rig.bus->frames()) {
        keys << f.key;
    }
    QCOMPARE(keys, QList<int>({1, 2, 3}));
    QCOMPARE(rig.messages, QStringList({"port COM 3 open error!"}));
}

// Without a thread no loop would ever run: the link is reported and not marked running.
void TestLinkController::threadThatCannotBeCreated() {
    Rig rig;
    AddLoadedDevice(rig.table, 1);
    rig.link.setThreadStackSize(1);  // refused by the platform
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^QThread::start"));
    rig.link.StartLink(&rig.table, 1);
    QCOMPARE(rig.messages, QStringList({"link thread could not be started!"}));
    QVERIFY(!rig.link.isRunning());
    QVERIFY(rig.link.thread() == nullptr);
    QVERIFY(!rig.link.QueueCommand(1, 1));
    QCOMPARE(rig.bus->opens(), 0);
    rig.link.setThreadStackSize(0);
    rig.link.StartLink(&rig.table, 1);
    QVERIFY(rig.link.isRunning());
    QVERIFY(rig.bus->waitForFrames(1, 10s));
}

void TestLinkController::destructionStopsLink() {
    auto bus = std::make_shared<SimBus>();
    DeviceTable table;
    AddLoadedDevice(table, 1);
    {
        LinkController link;
        link.setPortFactory(MakeSimFactory(bus));
        link.StartLink(&table, 1);
        QVERIFY(bus->waitForFrames(1, 10s));
    }
    QCOMPARE(bus->closes(), 1);
}

void TestLinkController::withoutEffectsSinkLinkStillRuns() {
    auto bus = std::make_shared<SimBus>();
    DeviceTable table;
    AddLoadedDevice(table, 1);
    LinkController link;
    link.setPortFactory(MakeSimFactory(bus));
    link.StartLink(&table, 1);
    QVERIFY(bus->waitForFrames(2, 10s));
    link.StopLink();
    QCOMPARE(table[0].CommError.load(), 1);  // the silent device's latch follows all the same
}

// The measuring hooks run once per link thread, on that thread.
void TestLinkController::observerHooksRunOnLinkThread() {
    struct Observer final : LinkObserver {
        std::atomic<int> started{0};
        std::atomic<int> finished{0};
        std::atomic<int> onCallerThread{0};
        QThread* caller = QThread::currentThread();
        void linkThreadStarted() override {
            ++started;
            onCallerThread += QThread::currentThread() == caller ? 1 : 0;
        }
        void linkThreadFinished() override {
            ++finished;
            onCallerThread += QThread::currentThread() == caller ? 1 : 0;
        }
    } observer;
    Rig rig;
    rig.link.setObserver(&observer);
    rig.link.StartLink(&rig.table, 1);
    rig.link.StopLink();
    rig.link.StartLink(&rig.table, 1);
    QCOMPARE(observer.finished.load(), 1);
    rig.link.StopLink();
    QCOMPARE(observer.started.load(), 2);
    QCOMPARE(observer.finished.load(), 2);
    QCOMPARE(observer.onCallerThread.load(), 0);
}

QTEST_GUILESS_MAIN(TestLinkController)
#include "tst_linkcontroller.moc"
