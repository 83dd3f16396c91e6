// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the kvtsim executable and talks to it through the pseudo-terminal, as the console does.
#include "childprocess.h"
#include "displaytext.h"
#include "link/frame.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int kReplySize = 51;
// Only for not waiting forever; no result depends on it.
constexpr int kPatienceMs = 5000;

QByteArray Request(int address, int key) {
    const k4::RequestFrame frame =
        k4::MakeRequest(static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(key));
    return QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
}

QByteArray Row(const QByteArray& reply, int row) {
    return k4test::DisplayRowText(reply.mid(1), row);
}

struct Answer {
    QByteArray bytes;
    qint64 lastByteNs = 0;  // from just before the request was written
};

}  // namespace

class TestKvtsimEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void devicesAnswerPollsAndKeys_data();
    void devicesAnswerPollsAndKeys();
    void replyIsPacedLikeTheLine();
    void modesChangeTheAnswer_data();
    void modesChangeTheAnswer();
    void statsCountABadFrame();
    void controlFifoIsReadAgainAfterEachWriter();
    void frameLogRecordsTraffic();
    void stopsAndRemovesLink_data();
    void stopsAndRemovesLink();
    void quitEndsTheRun();

private:
    QString StartSim(QProcess& process, const QStringList& extraArgs, const QString& linkName);
    QString Command(const QString& command);
    // Reads up to a display reply; `expected` is the size the caller looks for, 0 for silence.
    Answer Exchange(const QByteArray& request, int expected);

    QTemporaryDir dir_;
    QString linkPath_;
    QString fifoPath_;
    QProcess sim_;
    std::unique_ptr<QSerialPort> port_;
};

QString TestKvtsimEndToEnd::StartSim(QProcess& process, const QStringList& extraArgs,
                                     const QString& linkName) {
    const QString exe = qEnvironmentVariable("K4_KVTSIM");
    if (exe.isEmpty()) {
        return QStringLiteral("K4_KVTSIM is not set");
    }
    const QString link = dir_.filePath(linkName);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!k4test::StartChildProcess(process, exe, QStringList{"--link", link} + extraArgs,
                                   kPatienceMs)) {
        return QStringLiteral("kvtsim did not start: ") + process.errorString();
    }
    QElapsedTimer timer;
    timer.start();
    while (!process.canReadLine() && timer.elapsed() < kPatienceMs) {
        process.waitForReadyRead(100);
    }
    const QString line = QString::fromUtf8(process.readLine()).trimmed();
    return line == "READY " + link ? QString() : "unexpected first line: " + line;
}

void TestKvtsimEndToEnd::initTestCase() {
    QVERIFY(dir_.isValid());
    linkPath_ = dir_.filePath("line");
    fifoPath_ = dir_.filePath("control");
    // A stale link from an earlier run is replaced.
    QVERIFY(QFile::link("/nonexistent/pts", linkPath_));
    const QString error = StartSim(sim_,
                                   {"--ids", "1,5", "--name", "5=Encoder A", "--log",
                                    dir_.filePath("frames.log"), "--control", fifoPath_},
                                   "line");
    QVERIFY2(error.isEmpty(), qPrintable(error));

    port_ = std::make_unique<QSerialPort>(linkPath_);
    port_->setBaudRate(28800);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    QVERIFY2(port_->open(QIODevice::ReadWrite), qPrintable(port_->errorString()));
}

void TestKvtsimEndToEnd::cleanupTestCase() {
    if (port_) {
        port_->close();
    }
    if (sim_.state() != QProcess::NotRunning) {
        sim_.kill();
        sim_.waitForFinished(kPatienceMs);
    }
}

QString TestKvtsimEndToEnd::Command(const QString& command) {
    sim_.write((command + '\n').toUtf8());
    QElapsedTimer timer;
    timer.start();
    while (!sim_.canReadLine() && timer.elapsed() < kPatienceMs) {
        sim_.waitForReadyRead(100);
    }
    return QString::fromUtf8(sim_.readLine()).trimmed();
}

Answer TestKvtsimEndToEnd::Exchange(const QByteArray& request, int expected) {
    // Like the console: drop leftovers, write, then read until a whole display reply is in or the
    // line stays quiet. The quiet spans are far longer than the console's, so that a busy machine
    // cannot split a reply; where silence is expected a short wait does, since a reply that should
    // not come fails the test whenever it comes.
    port_->clear(QSerialPort::Input);
    Answer answer;
    QElapsedTimer timer;
    timer.start();
    port_->write(request);
    port_->waitForBytesWritten(kPatienceMs);
    while (answer.bytes.size() < kReplySize) {
        const int quietMs = !answer.bytes.isEmpty() ? 1000 : expected == 0 ? 300 : kPatienceMs;
        if (!port_->waitForReadyRead(quietMs)) {
            break;
        }
        answer.bytes += port_->readAll();
        answer.lastByteNs = timer.nsecsElapsed();
    }
    return answer;
}

void TestKvtsimEndToEnd::devicesAnswerPollsAndKeys_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("row0");
    QTest::addColumn<QByteArray>("row1Start");
    QTest::newRow("poll 1") << 1 << 0 << 51 << QByteArray("ID=1 Device 1           ")
                            << QByteArray("Bitrate");
    QTest::newRow("poll 5") << 5 << 0 << 51 << QByteArray("ID=5 Encoder A          ")
                            << QByteArray("Bitrate");
    QTest::newRow("T to 5") << 5 << 126 << 51 << QByteArray("ID=5 Encoder A          ")
                            << QByteArray("Key 126 T");
    QTest::newRow(">> to 1") << 1 << 2 << 51 << QByteArray("ID=1 Device 1           ")
                             << QByteArray("Key 2 >>");
    QTest::newRow("poll 2, not emulated") << 2 << 0 << 0 << QByteArray() << QByteArray();
    QTest::newRow("S to 127, not emulated") << 127 << 127 << 0 << QByteArray() << QByteArray();
}

void TestKvtsimEndToEnd::devicesAnswerPollsAndKeys() {
    QFETCH(int, address);
    QFETCH(int, key);
    QFETCH(int, size);
    QFETCH(QByteArray, row0);
    QFETCH(QByteArray, row1Start);
    const Answer answer = Exchange(Request(address, key), size);
    QCOMPARE(answer.bytes.size(), size);
    if (size == kReplySize) {
        QCOMPARE(Row(answer.bytes, 0), row0);
        QVERIFY2(Row(answer.bytes, 1).startsWith(row1Start), Row(answer.bytes, 1).constData());
    }
}

void TestKvtsimEndToEnd::replyIsPacedLikeTheLine() {
    // 51 bytes of 10 bits at 28800 baud take 17.7 ms; a reply can never be faster than that.
    // Only the lower bound is checked: a busy machine may make it slower.
    for (int round = 0; round < 5; ++round) {
        const Answer answer = Exchange(Request(1, 0), kReplySize);
        QCOMPARE(answer.bytes.size(), kReplySize);
        QVERIFY2(answer.lastByteNs >= 17'000'000,
                 qPrintable(QString("reply complete after %1 us").arg(answer.lastByteNs / 1000)));
    }
}

void TestKvtsimEndToEnd::modesChangeTheAnswer_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("attention");
    QTest::newRow("silent") << "silent 5" << 0 << false;
    QTest::newRow("normal") << "normal 5" << 51 << false;
    QTest::newRow("attention on") << "attention 5 on" << 51 << true;
    QTest::newRow("attention off") << "attention 5 off" << 51 << false;
}

void TestKvtsimEndToEnd::modesChangeTheAnswer() {
    QFETCH(QString, command);
    QFETCH(int, size);
    QFETCH(bool, attention);
    QCOMPARE(Command(command), "OK " + command);
    const Answer answer = Exchange(Request(5, 0), size);
    QCOMPARE(answer.bytes.size(), size);
    if (size == kReplySize) {
        QCOMPARE(bool(answer.bytes[1] & 0x80), attention);
    }
}

void TestKvtsimEndToEnd::statsCountABadFrame() {
    const QString before = Command("stats");
    QVERIFY2(before.startsWith("STATS frames="), qPrintable(before));
    QByteArray badCheck = Request(1, 0);
    badCheck[3] = char(badCheck[3] ^ 0x01);
    QCOMPARE(Exchange(badCheck, 0).bytes.size(), 0);
    QCOMPARE(Exchange(Request(1, 0), kReplySize).bytes.size(), kReplySize);
    QCOMPARE(Exchange(Request(5, 16), kReplySize).bytes.size(), kReplySize);

    const QRegularExpression pattern("^STATS frames=(\\d+) bad=(\\d+) polls=(\\d+) keys=(\\d+)$");
    const auto first = pattern.match(before);
    const auto second = pattern.match(Command("stats"));
    QVERIFY(first.hasMatch());
    QVERIFY(second.hasMatch());
    const auto delta = [&](int field) {
        return second.captured(field).toLongLong() - first.captured(field).toLongLong();
    };
    QCOMPARE(delta(1), 3);
    QCOMPARE(delta(2), 1);
    QCOMPARE(delta(3), 1);
    QCOMPARE(delta(4), 1);
}

void TestKvtsimEndToEnd::controlFifoIsReadAgainAfterEachWriter() {
    for (const QString& command : {QString("attention 1 on"), QString("attention 1 off")}) {
        QFile fifo(fifoPath_);
        QVERIFY(fifo.open(QIODevice::WriteOnly));
        fifo.write((command + '\n').toUtf8());
        fifo.close();
        QElapsedTimer timer;
        timer.start();
        while (!sim_.canReadLine() && timer.elapsed() < kPatienceMs) {
            sim_.waitForReadyRead(100);
        }
        QCOMPARE(QString::fromUtf8(sim_.readLine()).trimmed(), "OK " + command);
        const Answer answer = Exchange(Request(1, 0), kReplySize);
        QCOMPARE(answer.bytes.size(), kReplySize);
        QCOMPARE(bool(answer.bytes[1] & 0x80), command.endsWith("on"));
    }
}

void TestKvtsimEndToEnd::frameLogRecordsTraffic() {
    QByteArray noise("\x11\x22", 2);
    QCOMPARE(Exchange(noise + Request(5, 127), kReplySize).bytes.size(), kReplySize);
    QFile log(dir_.filePath("frames.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    QVERIFY(lines.size() >= 3);
    const QByteArray lead = lines[lines.size() - 3];
    const QByteArray key = lines[lines.size() - 2];
    QVERIFY2(lead.endsWith(" 11 22 id=- bad lead"), lead.constData());
    QVERIFY2(key.endsWith(" FD 05 7F 7A id=5 key 127 reply=51"), key.constData());
    QVERIFY(lines.last().isEmpty());
    // Monotonic microseconds, in order.
    const qint64 leadAt = lead.split(' ').first().toLongLong();
    QVERIFY(leadAt > 0);
    QVERIFY(key.split(' ').first().toLongLong() >= leadAt);
}

void TestKvtsimEndToEnd::stopsAndRemovesLink_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("bySigterm");
    QTest::newRow("SIGTERM") << "--demo" << true;
    QTest::newRow("EOF on stdin, when asked") << "--quit-on-eof" << false;
}

void TestKvtsimEndToEnd::stopsAndRemovesLink() {
    QFETCH(QString, option);
    QFETCH(bool, bySigterm);
    QProcess other;
    const QString error = StartSim(other, {option}, "other-line");
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(QFileInfo(dir_.filePath("other-line")).isSymLink());
    if (bySigterm) {
        other.terminate();
    } else {
        other.closeWriteChannel();
    }
    QVERIFY(other.waitForFinished(kPatienceMs));
    QCOMPARE(other.exitStatus(), QProcess::NormalExit);
    QCOMPARE(other.exitCode(), 0);
    QVERIFY(!QFileInfo(dir_.filePath("other-line")).isSymLink());
}

void TestKvtsimEndToEnd::quitEndsTheRun() {
    sim_.closeWriteChannel();  // EOF on stdin alone does not stop it
    QCOMPARE(Exchange(Request(1, 0), kReplySize).bytes.size(), kReplySize);
    QFile fifo(fifoPath_);
    QVERIFY(fifo.open(QIODevice::WriteOnly));
    fifo.write("quit\n");
    fifo.close();
    QVERIFY(sim_.waitForFinished(kPatienceMs));
    QCOMPARE(sim_.exitCode(), 0);
    QVERIFY(sim_.readAll().contains("OK quit"));
    QVERIFY(!QFileInfo(linkPath_).isSymLink());
    QVERIFY2(!QFile::exists(fifoPath_), "the FIFO kvtsim made is removed again");
}

QTEST_GUILESS_MAIN(TestKvtsimEndToEnd)
#include "tst_kvtsimendtoend.moc"
