// SPDX-License-Identifier: GPL-3.0-or-later
// The exporter as a program without windows makes it: clients that misbehave are dropped while
// others are served, a taken port and a folder that cannot be written are reported, the text file
// is replaced whole.
#include "core/devicetable.h"
#include "link/linkeventhub.h"
#include "metrics/metricsexporter.h"
#include "metrics/textfilewriter.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

// Sends request and collects what comes back until the server closes the connection.
QByteArray Fetch(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QByteArray reply;
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { reply += socket.readAll(); });
    static_cast<void>(QTest::qWaitFor(
        [&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 10000));
    return reply;
}

}  // namespace

class TestMetricsEndpoint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void badClientsDroppedOthersServed();
    void takenPortReported();
    void textfileReplacedOrReported();

private:
    k4::DeviceTable table_;
    k4::LinkEventHub hub_;
    std::unique_ptr<k4::MetricsExporter> exporter_;
};

void TestMetricsEndpoint::init() {
    table_[0].DevID.store(5);
    table_[0].DeviceName = QStringLiteral("Encoder");
    table_[0].flags.store(k4::kInUseFlag);
    table_.setLastIndex(0);
    k4::MetricsSources sources;
    sources.table = [this] { return &table_; };
    sources.events = &hub_;
    exporter_ = std::make_unique<k4::MetricsExporter>(std::move(sources));
}

void TestMetricsEndpoint::cleanup() {
    exporter_.reset();
}

void TestMetricsEndpoint::badClientsDroppedOthersServed() {
    exporter_->setClientLimits({3, 1024, 400});
    exporter_->apply({QStringLiteral("127.0.0.1:0"), {}});  // port 0 is refused...
    QVERIFY(!exporter_->status().serving);
    QTcpServer probe;  // ...so a free one is found first
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    exporter_->apply({QStringLiteral("127.0.0.1:%1").arg(port), {}});
    QVERIFY2(exporter_->status().serving, qPrintable(exporter_->status().serveError));

    QTcpSocket silent;
    silent.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(silent.waitForConnected(5000));
    const QByteArray reply = Fetch(port, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    QVERIFY2(reply.startsWith("HTTP/1.1 200 OK\r\n"), reply.constData());
    QVERIFY(reply.contains("\r\n\r\n# HELP k4mgr_build_info"));
    QVERIFY(reply.contains("k4mgr_device_up{id=\"5\",name=\"Encoder\"} 1\n"));
    QVERIFY(exporter_->status().lastScrapeUtcMs > 0);
    const QByteArray packed =
        Fetch(port, "GET /metrics HTTP/1.1\r\nAccept-Encoding: deflate, GZIP\r\n\r\n");
    QVERIFY(packed.contains("\r\nContent-Encoding: gzip\r\n\r\n\x1f\x8b"));
    QVERIFY(Fetch(port, "GET / HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 404 "));
    QVERIFY(Fetch(port, "DELETE /metrics HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 405 "));
    QVERIFY(Fetch(port, "\x16\x03\x01 hello").isEmpty());  // garbage
    QVERIFY(Fetch(port, "GET /metrics HTTP/1.1\r\nX: " + QByteArray(2000, 'a')).isEmpty());
    // The silent client is dropped at its deadline, however long it stays quiet.
    QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QAbstractSocket::UnconnectedState, 10000);

    // A fourth client at once beyond the three allowed is closed; the endpoint serves again after.
    exporter_->setClientLimits({3, 1024, 3000});
    std::vector<std::unique_ptr<QTcpSocket>> hogs;
    for (int i = 0; i < 4; ++i) {
        hogs.push_back(std::make_unique<QTcpSocket>());
        hogs.back()->connectToHost(QHostAddress::LocalHost, port);
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        std::count_if(
            hogs.begin(), hogs.end(),
            [](const auto& s) { return s->state() == QAbstractSocket::UnconnectedState; }) == 1,
        10000);
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(hogs.begin(), hogs.end(),
                    [](const auto& s) { return s->state() == QAbstractSocket::UnconnectedState; }),
        10000);
    QVERIFY(Fetch(port, "GET /metrics HTTP/1.0\r\n\r\n").startsWith("HTTP/1.1 200 OK"));
}

void TestMetricsEndpoint::takenPortReported() {
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("127.0.0.1:%1").arg(holder.serverPort());
    exporter_->apply({address, {}});
    QVERIFY(!exporter_->status().serving);
    QCOMPARE(k4::ExportProblems(exporter_->status()),
             "metrics: cannot listen on " + address + ": address in use");
    QVERIFY(k4::ExportStateText(exporter_->status(), 0).contains("address in use"));
    holder.close();
    exporter_->apply({address, {}});  // freed: the same address is served on the next try
    QVERIFY(exporter_->status().serving);
    QCOMPARE(k4::ExportProblems(exporter_->status()), QString());
}

void TestMetricsEndpoint::textfileReplacedOrReported() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QString::fromLatin1(k4::kTextfileName));
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));  // an old file to be replaced whole
    exporter_->apply({{}, dir.path()});
    QCOMPARE(exporter_->status().textfileError, QString());
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().startsWith("# HELP k4mgr_build_info"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{k4::kTextfileName});

    const QString gone = dir.filePath(QStringLiteral("gone"));
    exporter_->apply({{}, gone});
    QVERIFY(k4::ExportProblems(exporter_->status())
                .startsWith("metrics: cannot write " + QDir::toNativeSeparators(gone)));
}

QTEST_GUILESS_MAIN(TestMetricsEndpoint)
#include "tst_metricsendpoint.moc"
