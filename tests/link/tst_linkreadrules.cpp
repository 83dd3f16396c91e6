// How a read of the line ends, against kvtsim on a pseudo-terminal: it waits up to 40 ms from its
// start for the reply and ends 10 ms after the last byte that came. The pauses are far from those
// limits on either side: these check what the read does, not how fast it is.
#include "kvtsimprocess.h"
#include "link/frame.h"
#include "link/qtserialio.h"

#include <QTest>

using namespace k4;
using namespace k4test;

class TestLinkReadRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void replyEndsAtTheReadRules_data();
    void replyEndsAtTheReadRules();

private:
    QString exe_;
};

void TestLinkReadRules::initTestCase() {
    exe_ = KvtsimProcess::executable();
    QVERIFY2(!exe_.isEmpty(), "K4_KVTSIM must name the kvtsim executable");
}

void TestLinkReadRules::replyEndsAtTheReadRules_data() {
    QTest::addColumn<QString>("pause");  // kvtsim's pause command for device 1, if any
    QTest::addColumn<int>("bytesRead");
    // A byte at a time as the line delivers them, 0.35 ms apart: a read must not end while
    // the reply is still coming.
    QTest::newRow("paced at the line's rate") << QString() << 51;
    QTest::newRow("2 ms pause inside the reply") << "pause 1 20 2" << 51;
    // A read of 20 bytes or none fails the exchange.
    QTest::newRow("25 ms pause after 20 bytes") << "pause 1 20 25" << 20;
    QTest::newRow("starts 80 ms late") << "pause 1 0 80" << 0;
}

void TestLinkReadRules::replyEndsAtTheReadRules() {
    QFETCH(QString, pause);
    QFETCH(int, bytesRead);
    KvtsimProcess sim;
    const QString error = sim.start(exe_, {"--ids", "1", "--chunk-bytes", "1"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    if (!pause.isEmpty()) {
        QCOMPARE(sim.command(pause), "OK " + pause);
    }
    QtSerialIo line(sim.linkPath());
    QVERIFY(line.open());
    const RequestFrame poll = MakeRequest(1, kPollKey);
    QVERIFY(line.write(poll.data(), poll.size()));
    std::uint8_t reply[kDisplayReplySize];
    QCOMPARE(int(line.read(reply, kDisplayReplySize)), bytesRead);
}

QTEST_GUILESS_MAIN(TestLinkReadRules)
#include "tst_linkreadrules.moc"
