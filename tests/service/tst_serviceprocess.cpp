// SPDX-License-Identifier: GPL-3.0-or-later
// The service as an operator runs it: `K4mgr --service` on kvtsim's line, without a display,
// watched through its log on stderr, its signals and kvtsim's frame log.
#include "core/profilefile.h"
#include "filebytes.h"
#include "kvtsimprocess.h"
#include "workspacetext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

constexpr int kPatienceMs = 15000;  // only so that nothing waits for ever

class Service {
public:
    // stateDir: where its history is kept, as systemd's StateDirectory gives it.
    explicit Service(const QStringList& args, const QString& stateDir = QDir::tempPath()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* display : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            env.remove(QLatin1String(display));
        }
        env.insert(QStringLiteral("STATE_DIRECTORY"), stateDir);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(K4_PROGRAM), QStringList{"--service"} + args);
    }
    ~Service() {
        // Ended as systemd ends it, so it leaves no lock on the port behind.
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(kPatienceMs)) {
                process.kill();
                process.waitForFinished();
            }
        }
    }
    QString log() {
        err += QString::fromLocal8Bit(process.readAllStandardError());
        return err;
    }
    int count(const QString& text) { return log().count(text); }
    void signal(int number) { ::kill(static_cast<pid_t>(process.processId()), number); }

    QProcess process;
    QString err;
};

int FramesTo(const k4test::KvtsimProcess& line, int address) {
    int n = 0;
    for (const k4test::LoggedFrame& f : line.frames()) {
        n += f.address == address ? 1 : 0;
    }
    return n;
}

// The kinds of the history's rows for one device, oldest first.
QList<int> HistoryKinds(const QString& file, int device) {
    QList<int> kinds;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "check");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT kind FROM events WHERE device = %1 ORDER BY id")
                       .arg(device));
            while (q.next()) {
                kinds << q.value(0).toInt();
            }
        }
    }
    QSqlDatabase::removeDatabase("check");
    return kinds;
}

// The body of GET /metrics at port, empty when it cannot be had.
QByteArray Scrape(quint16 port) {
    QNetworkAccessManager net;
    QNetworkReply* reply =
        net.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port))));
    QElapsedTimer waited;
    waited.start();
    while (!reply->isFinished() && waited.elapsed() < kPatienceMs) {
        QTest::qWait(10);
    }
    const QByteArray body = reply->readAll();
    delete reply;
    return body;
}

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

}  // namespace

class TestServiceProcess : public QObject {
    Q_OBJECT
    k4test::KvtsimProcess line_;
    QTemporaryDir dir_;
    QString settings_;
    QString workspace_;

    QStringList files() const { return {"--settings", settings_, "--workspace", workspace_}; }
    bool writeWorkspace(const QList<QPair<int, QByteArray>>& devices) {
        return k4test::WriteBytes(workspace_, k4test::WorkspaceText("rack.DID", devices));
    }

private Q_SLOTS:
    void initTestCase() {
        // Device 7 answers on the line but is in no workspace until a reload adds it.
        const QString error =
            line_.start({"--ids", "1,2,5,7", "--name", "5=Encoder A", "--chunk-bytes", "51"});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        settings_ = dir_.filePath("KVT.INI");
        workspace_ = dir_.filePath("rack.DID");
        QVERIFY(k4::ProfileFile::WriteString(settings_, "KVT_PORTS", "COM1",
                                             line_.linkPath().toLocal8Bit()));
    }
    void init() { QVERIFY(writeWorkspace({{1, "One"}, {2, "Two"}, {5, "Encoder A"}})); }

    void refusesToStart_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing workspace")
            << QStringList{"--workspace", "/nonexistent/rack.DID"} << 1 << "is missing";
        QTest::newRow("workspace is a folder")
            << QStringList{"--workspace", "/"} << 1 << "is not a regular file";
        QTest::newRow("no workspace named")
            << QStringList{"--settings", "/nonexistent/KVT.INI"} << 1 << "no workspace";
        QTest::newRow("bad argument") << QStringList{"--poll-fast"} << 2 << "unknown argument";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "License GPL-3.0-or-later";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "2  bad arguments";
    }
    void refusesToStart() {
        QFETCH(QStringList, args);
        Service s(args);
        QVERIFY(s.process.waitForFinished(kPatienceMs));
        QTEST(s.process.exitCode(), "code");
        QFETCH(QString, says);
        const QString out = s.log() + QString::fromLocal8Bit(s.process.readAllStandardOutput());
        QVERIFY2(out.contains(says), qPrintable(out));
    }

    void pollsAndLogsEachTurnOnce() {
        const int oneBefore = FramesTo(line_, 1);
        const int fiveBefore = FramesTo(line_, 5);
        // The monitoring export on, for this run only.
        const quint16 port = FreePort();
        QVERIFY(k4::ProfileFile::WriteString(settings_, "KVT_MONITORING", "MetricsAddress",
                                             QByteArray("127.0.0.1:") + QByteArray::number(port)));
        const auto exportOff = qScopeGuard([this] {
            k4::ProfileFile::WriteString(settings_, "KVT_MONITORING", "MetricsAddress", "");
        });
        const QByteArray up = R"(k4mgr_device_up{id="5",name="Encoder A"} )";
        QTemporaryDir state;
        Service s(files(), state.path());
        QTRY_VERIFY_WITH_TIMEOUT(FramesTo(line_, 5) > fiveBefore && FramesTo(line_, 1) > oneBefore,
                                 kPatienceMs);
        // The console's window libraries are not in the service's process.
        QFile maps(QStringLiteral("/proc/%1/maps").arg(s.process.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6Core"));
        QVERIFY2(!mapped.contains("libQt6Widgets") && !mapped.contains("libQt6Gui"),
                 "the service maps a window library");

        QCOMPARE(line_.command("silent 5"), QStringLiteral("OK silent 5"));
        QTRY_VERIFY_WITH_TIMEOUT(s.log().contains("ID=5 Encoder A: no reply, failure episode 1"),
                                 kPatienceMs);
        QVERIFY2(Scrape(port).contains(up + "0"), "the metrics do not show the device down");
        const int failedBefore = FramesTo(line_, 5);
        QTRY_VERIFY_WITH_TIMEOUT(FramesTo(line_, 5) >= failedBefore + 3, kPatienceMs);
        QCOMPARE(line_.command("normal 5"), QStringLiteral("OK normal 5"));
        QTRY_VERIFY_WITH_TIMEOUT(s.log().contains("ID=5 Encoder A: back after"), kPatienceMs);
        QVERIFY2(Scrape(port).contains(up + "1"), "the metrics do not show the device back");
        QTRY_VERIFY_WITH_TIMEOUT(FramesTo(line_, 5) > failedBefore + 6, kPatienceMs);
        // The workspace read, the line opened, the failure and the return: nothing per poll.
        const QStringList lines = s.log().split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 4, qPrintable(s.log()));
        QCOMPARE(s.count("failure episode 1"), 2);
        // Stopped, the service has written its history: the episode's start and end.
        s.signal(SIGTERM);
        QVERIFY(s.process.waitForFinished(kPatienceMs));
        QCOMPARE(HistoryKinds(state.filePath("history.sqlite"), 5), QList<int>({20, 21}));
    }

    void secondMasterIsToldBusy() {
        const int oneBefore = FramesTo(line_, 1);
        Service first(files());
        QTRY_VERIFY_WITH_TIMEOUT(FramesTo(line_, 1) > oneBefore, kPatienceMs);
        Service second(files());
        QTRY_VERIFY_WITH_TIMEOUT(second.log().contains("cannot open, retrying: busy"), kPatienceMs);
        QVERIFY(!second.log().contains("line open"));
    }

    void stopsOnSignalWithinBound_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void stopsOnSignalWithinBound() {
        QFETCH(int, signalNumber);
        const int twoBefore = FramesTo(line_, 2);
        Service s(files());
        QTRY_VERIFY_WITH_TIMEOUT(FramesTo(line_, 2) > twoBefore, kPatienceMs);
        QElapsedTimer sinceSignal;
        sinceSignal.start();
        s.signal(signalNumber);
        QVERIFY(s.process.waitForFinished(kPatienceMs));
        // The bound is 1 s; the slack is for a shared machine.
        QVERIFY2(sinceSignal.elapsed() < 2000, qPrintable(QString::number(sinceSignal.elapsed())));
        QCOMPARE(s.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(s.process.exitCode(), 0);
        QVERIFY2(s.log().trimmed().endsWith("line closed"), qPrintable(s.log()));
    }

    void reloadsOnSighup() {
        const int fiveBefore = FramesTo(line_, 5);
        const int sevenBefore = FramesTo(line_, 7);
        Service s(files());
        QTRY_VERIFY_WITH_TIMEOUT(FramesTo(line_, 5) > fiveBefore, kPatienceMs);
        QCOMPARE(FramesTo(line_, 7), sevenBefore);
        QVERIFY(writeWorkspace({{1, "One"}, {7, "Seven"}}));
        s.signal(SIGHUP);
        QTRY_VERIFY_WITH_TIMEOUT(FramesTo(line_, 7) > sevenBefore + 2, kPatienceMs);
        QVERIFY(s.log().contains("reloaded: 2 devices"));

        // A file that cannot be read keeps the devices polled.
        QVERIFY(QFile::remove(workspace_));
        s.signal(SIGHUP);
        QTRY_VERIFY_WITH_TIMEOUT(s.log().contains("is missing: the devices polled stay"),
                                 kPatienceMs);
        const int sevenAfter = FramesTo(line_, 7);
        QTRY_VERIFY_WITH_TIMEOUT(FramesTo(line_, 7) > sevenAfter + 2, kPatienceMs);
        QCOMPARE(s.process.state(), QProcess::Running);
    }

    void shippedUnitVerifies() {
        // The unit as installed, with the program this build made in place of the package's.
        QByteArray unit = k4test::ReadBytes(QStringLiteral(K4_SERVICE_UNIT));
        QVERIFY(unit.contains("ExecStart=/usr/bin/K4mgr --service"));
        unit.replace("/usr/bin/K4mgr", K4_PROGRAM);
        const QString copy = dir_.filePath("k4mgr.service");
        QVERIFY(k4test::WriteBytes(copy, unit));
        QProcess verify;
        verify.start(QStringLiteral("systemd-analyze"), {"verify", copy});
        QVERIFY2(verify.waitForFinished(kPatienceMs), "systemd-analyze is missing");
        const QString said = QString::fromLocal8Bit(verify.readAllStandardError());
        QVERIFY2(verify.exitCode() == 0 && said.isEmpty(), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestServiceProcess)
#include "tst_serviceprocess.moc"
