// How a read of the line ends, against kvtsim on a pseudo-terminal: it waits up to 40 ms from its
// start for the reply and ends 10 ms after the last byte that came. The pauses are far from those
// limits on either side: these check what the read does, not how fast it is.
#include "kvtsimprocess.h"
#include "link/frame.h"
#include "link/qtserialio.h"

#include <QTest>

using namespace k4;
using namespace k4test;

namespace {

// One poll of device 1 on a fresh kvtsim line whose replies go out a byte a write: the count the
// read took, or -1 with the reason when the line could not be set up.
int PollOnce(const QString& exe, const QString& pause, QString& error) {
    KvtsimProcess sim;
    error = sim.start(exe, {"--ids", "1", "--chunk-bytes", "1"});
    if (!error.isEmpty()) {
        return -1;
    }
    if (!pause.isEmpty() && sim.command(pause) != "OK " + pause) {
        error = "kvtsim refused " + pause;
        return -1;
    }
    QtSerialIo line(sim.linkPath());
    if (!line.open()) {
        error = QStringLiteral("the line did not open");
        return -1;
    }
    const RequestFrame poll = MakeRequest(1, kPollKey);
    line.write(poll.data(), poll.size());
    std::uint8_t reply[kDisplayReplySize];
    return static_cast<int>(line.read(reply, kDisplayReplySize));
}

}  // namespace

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
    // A busy machine can hold kvtsim off the CPU for 10 ms and more, tearing a reply or starting
    // it late; such a run is tried again. A read rule that is wrong fails every time.
    int read = -1;
    for (int attempt = 0; attempt < 3 && read != bytesRead; ++attempt) {
        QString error;
        read = PollOnce(exe_, pause, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    QCOMPARE(read, bytesRead);
}

QTEST_GUILESS_MAIN(TestLinkReadRules)
#include "tst_linkreadrules.moc"
