// SPDX-License-Identifier: GPL-3.0-or-later
// The service's command line and its log lines: what an operator types, and what the journal reads.
#include "service/eventlogline.h"
#include "service/serviceoptions.h"

#include <QTest>

using k4::ServiceOptions;
using Mode = k4::ServiceOptions::Mode;

class TestServiceOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("serviceOnly");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("workspace");
        QTest::addColumn<QString>("settings");
        const int console = int(Mode::Console), service = int(Mode::Service), bad = int(Mode::Bad);
        QTest::newRow("no arguments: the console") << QStringList{} << false << console << ""
                                                   << "";
        QTest::newRow("service executable without arguments")
            << QStringList{} << true << service << ""
            << "";
        QTest::newRow("both files")
            << QStringList{"--service", "--workspace", "a.DID", "--settings", "/etc/K.INI"} << false
            << service << "a.DID"
            << "/etc/K.INI";
        QTest::newRow("files with =")
            << QStringList{"--workspace=a b.DID", "--service"} << false << service << "a b.DID"
            << "";
        QTest::newRow("help wins over service")
            << QStringList{"--service", "--help"} << false << int(Mode::Help) << ""
            << "";
        QTest::newRow("version") << QStringList{"--version"} << false << int(Mode::Version) << ""
                                 << "";
        QTest::newRow("workspace without a file")
            << QStringList{"--service", "--workspace"} << false << bad << ""
            << "";
        QTest::newRow("empty file") << QStringList{"--service", "--settings="} << false << bad << ""
                                    << "";
        QTest::newRow("workspace twice")
            << QStringList{"--service", "--workspace", "a", "--workspace", "b"} << false << bad
            << ""
            << "";
        QTest::newRow("unknown option")
            << QStringList{"--service", "--verbose"} << false << bad << ""
            << "";
        QTest::newRow("--help with a value") << QStringList{"--help=1"} << false << bad << ""
                                             << "";
        QTest::newRow("a file but no mode")
            << QStringList{"--workspace", "a.DID"} << false << bad << ""
            << "";
    }
    void parse() {
        QFETCH(QStringList, args);
        QFETCH(bool, serviceOnly);
        QFETCH(int, mode);
        const ServiceOptions o = k4::ParseServiceOptions(args, serviceOnly);
        QCOMPARE(int(o.mode), mode);
        QCOMPARE(o.error.isEmpty(), mode != int(Mode::Bad));
        if (mode != int(Mode::Bad)) {
            QTEST(o.workspace, "workspace");
            QTEST(o.settings, "settings");
        }
    }

    void consoleKeepsQtArguments() {
        QVERIFY(!k4::WantsServiceMode({"-platform", "offscreen", "-style", "fusion"}));
        QVERIFY(k4::WantsServiceMode({"-platform", "offscreen", "--service"}));
    }

    void logLine_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("goneMs");
        QTest::addColumn<QString>("line");
        using K = k4::LinkEvent::Kind;
        QTest::newRow("failing") << int(K::DeviceFailing) << 0LL
                                 << "ID=5 Encoder A: no reply, failure episode 3";
        QTest::newRow("back") << int(K::DeviceBack) << 2430LL
                              << "ID=5 Encoder A: back after 2.4 s, failure episode 3 (7 failed "
                                 "exchanges)";
        QTest::newRow("back after hours")
            << int(K::DeviceBack) << (2 * 3600 + 5 * 60 + 9) * 1000LL
            << "ID=5 Encoder A: back after 2 h 5 min, failure episode 3 (7 failed exchanges)";
        QTest::newRow("attention")
            << int(K::AttentionRaised) << 0LL << "ID=5 Encoder A: attention raised";
        QTest::newRow("line lost")
            << int(K::LineLost) << 0LL << "COM3 (/dev/ttyUSB0): line lost, retrying";
        QTest::newRow("line back")
            << int(K::LineBack) << 75000LL << "COM3 (/dev/ttyUSB0): line back after 1 min 15 s";
        QTest::newRow("cannot open")
            << int(K::LineCannotOpen) << 0LL
            << "COM3 (/dev/ttyUSB0): cannot open, retrying: Permission denied";
    }
    void logLine() {
        QFETCH(int, kind);
        QFETCH(qint64, goneMs);
        k4::LinkEvent e;
        e.kind = static_cast<k4::LinkEvent::Kind>(kind);
        e.episode = 3;
        e.failures = 7;
        e.sinceNs = 1'000'000'000;
        e.atNs = e.sinceNs + goneMs * 1'000'000;
        e.line.portNumber = 3;
        e.line.device = "/dev/ttyUSB0";
        e.line.reason = "Permission denied";
        QTEST(k4::EventLogLine(e, QStringLiteral("ID=5 Encoder A")), "line");
    }
};

QTEST_APPLESS_MAIN(TestServiceOptions)
#include "tst_serviceoptions.moc"
