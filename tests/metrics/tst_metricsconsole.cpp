// SPDX-License-Identifier: GPL-3.0-or-later
// The console as shipped, on kvtsim, watched by Debian's own Prometheus tools: promtool lints a
// real scrape, a real Prometheus sees a device go down, and a taken port leaves the console
// polling. The console runs from a folder of its own (a copy of the program beside its settings
// file), with the endpoint set by a hand-written key.
#include "childprocess.h"
#include "filebytes.h"
#include "kvtsimprocess.h"
#include "workspacetext.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kPatienceMs = 30000;  // only so that nothing waits for ever

quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// The body of an HTTP/1.0 GET, empty when it fails (the endpoint answers 1.1, Prometheus 1.0).
QByteArray Get(quint16 port, const QByteArray& target) {
    QTcpSocket socket;
    QByteArray reply;
    QObject::connect(&socket, &QTcpSocket::connected,
                     [&] { socket.write("GET " + target + " HTTP/1.0\r\nHost: x\r\n\r\n"); });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { reply += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    static_cast<void>(QTest::qWaitFor(
        [&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 10000));
    const qsizetype body = reply.indexOf("\r\n\r\n");
    const bool ok = reply.startsWith("HTTP/1.1 200 ") || reply.startsWith("HTTP/1.0 200 ");
    return ok && body > 0 ? reply.mid(body + 4) : QByteArray();
}

// A Prometheus instant query's single value, empty while it has none.
QString QueryValue(quint16 port, const QByteArray& query) {
    const QJsonObject answer =
        QJsonDocument::fromJson(Get(port, "/api/v1/query?query=" + query.toPercentEncoding()))
            .object();
    const QJsonArray result = answer["data"].toObject()["result"].toArray();
    return result.size() == 1 ? result[0].toObject()["value"].toArray()[1].toString() : QString();
}

}  // namespace

class TestMetricsConsole : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void takenPortReportedPollingGoesOn();
    void realScrapePassesPromtool();
    void prometheusSeesDeviceGoDown();

private:
    // Starts the console on kvtsim with the endpoint at 127.0.0.1:port.
    bool startConsole(quint16 port);
    int kvtsimPolls();

    k4test::KvtsimProcess sim_;
    QTemporaryDir folder_;
    QProcess console_;
    quint16 port_ = 0;
};

void TestMetricsConsole::initTestCase() {
    QVERIFY2(QFile::exists(qEnvironmentVariable("K4_K4MGR")), "K4_K4MGR names no program");
    const QString error = sim_.start({"--ids", "1,2,5", "--chunk-bytes", "51"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(QFile::copy(qEnvironmentVariable("K4_K4MGR"), folder_.filePath("K4mgr")));
    QVERIFY(k4test::WriteBytes(
        folder_.filePath("rack.DID"),
        k4test::WorkspaceText("rack", {{1, "Alpha"}, {2, "Enc \"A\" \\ Gr\xFC\xDF"}, {5, "Mux"}})));
}

void TestMetricsConsole::cleanup() {
    console_.kill();
    console_.waitForFinished(10000);
}

bool TestMetricsConsole::startConsole(quint16 port) {
    port_ = port;
    const QByteArray settings =
        "[KVT_WORKSPACE]\r\nLastFile=" + folder_.filePath("rack.DID").toLocal8Bit() +
        "\r\n[KVT_PORTS]\r\nCOM1=" + sim_.linkPath().toLocal8Bit() +
        "\r\n[KVT_MONITORING]\r\nMetricsAddress=127.0.0.1:" + QByteArray::number(port) + "\r\n";
    return k4test::WriteBytes(folder_.filePath("KVT.INI"), settings) &&
           k4test::StartChildProcess(console_, folder_.filePath("K4mgr"), {}, 10000);
}

int TestMetricsConsole::kvtsimPolls() {
    const QRegularExpressionMatch m =
        QRegularExpression("polls=(\\d+)").match(sim_.command("stats"));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

void TestMetricsConsole::takenPortReportedPollingGoesOn() {
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost));
    QVERIFY(startConsole(holder.serverPort()));
    const QByteArray expected =
        "metrics: cannot listen on 127.0.0.1:" + QByteArray::number(holder.serverPort()) +
        ": address in use";
    QByteArray said;
    QVERIFY(QTest::qWaitFor(
        [&] { return (said += console_.readAllStandardError()).contains(expected); }, kPatienceMs));
    const int polls = kvtsimPolls();
    QVERIFY(QTest::qWaitFor([&] { return kvtsimPolls() > polls + 20; }, kPatienceMs));
    QCOMPARE(console_.state(), QProcess::Running);
}

void TestMetricsConsole::realScrapePassesPromtool() {
    QVERIFY(startConsole(FreePort()));
    QByteArray scrape;
    const QRegularExpression answered("\nk4mgr_device_replies_total\\{id=\"5\"[^\n]*\\} [1-9]");
    QVERIFY(QTest::qWaitFor(
        [&] {
            return answered.match(QString::fromUtf8(scrape = Get(port_, "/metrics"))).hasMatch();
        },
        kPatienceMs));
    // The 8-bit name from the workspace, as UTF-8 with its quotes and backslash escaped.
    QVERIFY(scrape.contains(
        "k4mgr_device_up{id=\"2\",name=\"Enc \\\"A\\\" \\\\ Gr\xC3\xBC\xC3\x9F\"} "));
    QVERIFY(scrape.contains("\nk4mgr_line_up{port=\"COM1\",device=\"" + sim_.linkPath().toUtf8() +
                            "\"} 1\n"));
    QProcess promtool;
    promtool.start("promtool", {"check", "metrics"});
    QVERIFY2(promtool.waitForStarted(10000), "promtool is not installed (scripts/install-deps.sh)");
    promtool.write(scrape);
    promtool.closeWriteChannel();
    QVERIFY(promtool.waitForFinished(30000));
    QVERIFY2(promtool.exitCode() == 0,
             (promtool.readAllStandardOutput() + promtool.readAllStandardError()).constData());
}

void TestMetricsConsole::prometheusSeesDeviceGoDown() {
    QVERIFY(startConsole(FreePort()));
    QTemporaryDir data;
    const quint16 web = FreePort();
    QVERIFY(k4test::WriteBytes(
        data.filePath("prometheus.yml"),
        "global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\nscrape_configs:\n"
        "  - job_name: k4mgr\n    static_configs:\n      - targets: ['127.0.0.1:" +
            QByteArray::number(port_) + "']\n"));
    QProcess prometheus;
    prometheus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QVERIFY2(k4test::StartChildProcess(
                 prometheus, "prometheus",
                 {"--config.file=" + data.filePath("prometheus.yml"),
                  "--storage.tsdb.path=" + data.filePath("tsdb"),
                  QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(web), "--log.level=warn"},
                 10000),
             "prometheus is not installed (scripts/install-deps.sh)");
    const QByteArray up = "k4mgr_device_up{id=\"2\"}";
    QVERIFY(QTest::qWaitFor([&] { return QueryValue(web, up) == QString("1"); }, kPatienceMs));
    QVERIFY(sim_.command("silent 2").startsWith("OK"));
    QVERIFY(QTest::qWaitFor([&] { return QueryValue(web, up) == QString("0"); }, kPatienceMs));
    QCOMPARE(QueryValue(web, "k4mgr_device_up{id=\"5\"}"), QString("1"));
    sim_.command("normal 2");
    prometheus.terminate();
    QVERIFY(prometheus.waitForFinished(20000));
}

QTEST_GUILESS_MAIN(TestMetricsConsole)
#include "tst_metricsconsole.moc"
