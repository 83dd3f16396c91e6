// How a read of the line ends, against kvtsim on a pseudo-terminal: it waits up to 40 ms from its
// start for the reply and ends 10 ms after the last byte that came. The pauses are far from those
// limits on either side: these check what the read does, not how fast it is.
#include "kvtsimprocess.h"
#include "link/exchange.h"
#include "link/qtserialio.h"
#include "linktestutil.h"
#include "recordingeffects.h"

#include <QTest>

using namespace k4;
using namespace k4test;

namespace {

// The line as the exchange uses it, remembering how many bytes the last read took.
class CountingPort final : public SerialIo {
public:
    explicit CountingPort(SerialIo& line) : line_(line) {}
    bool open() override { return line_.open(); }
    void close() override { line_.close(); }
    bool isOpen() const override { return line_.isOpen(); }
    void purgeReceive() override { line_.purgeReceive(); }
    bool write(const std::uint8_t* data, std::size_t size) override {
        return line_.write(data, size);
    }
    std::size_t read(std::uint8_t* buffer, std::size_t max) override {
        lastRead = static_cast<int>(line_.read(buffer, max));
        return static_cast<std::size_t>(lastRead);
    }
    int lastRead = -1;

private:
    SerialIo& line_;
};

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
    QTest::addColumn<bool>("fails");
    // A byte at a time as the line delivers them, 0.35 ms apart: a read must not end while
    // the reply is still coming.
    QTest::newRow("paced at the line's rate") << QString() << 51 << false;
    QTest::newRow("2 ms pause inside the reply") << "pause 1 20 2" << 51 << false;
    QTest::newRow("25 ms pause after 20 bytes") << "pause 1 20 25" << 20 << true;
    QTest::newRow("starts 80 ms late") << "pause 1 0 80" << 0 << true;
}

void TestLinkReadRules::replyEndsAtTheReadRules() {
    QFETCH(QString, pause);
    QFETCH(int, bytesRead);
    QFETCH(bool, fails);
    KvtsimProcess sim;
    const QString error = sim.start(exe_, {"--ids", "1", "--chunk-bytes", "1"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    if (!pause.isEmpty()) {
        QCOMPARE(sim.command(pause), "OK " + pause);
    }
    QtSerialIo line(sim.linkPath());
    QVERIFY(line.open());
    CountingPort port(line);
    DeviceTable table;
    AddLoadedDevice(table, 1);
    RecordingEffects fx;
    Exchange(table, port, 1, 0, fx);
    QCOMPARE(port.lastRead, bytesRead);
    QCOMPARE(table[0].CommError.load(), fails ? 1 : 0);
    QCOMPARE(fx.count("cells 100 00"), fails ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestLinkReadRules)
#include "tst_linkreadrules.moc"
