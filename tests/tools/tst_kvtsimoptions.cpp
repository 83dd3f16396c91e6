// SPDX-License-Identifier: GPL-3.0-or-later
// kvtsim's command line.
#include <QtTest>

#include <string>
#include <vector>

#include "simoptions.h"

using Devices = std::vector<std::pair<std::uint8_t, std::string>>;
Q_DECLARE_METATYPE(Devices)

namespace {

std::vector<std::string> Split(const QString& line) {
    std::vector<std::string> args;
    for (const QString& word : line.split('|', Qt::SkipEmptyParts)) {
        args.push_back(word.toStdString());
    }
    return args;
}

}  // namespace

class TestKvtsimOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void goodCommandLines_data();
    void goodCommandLines();
    void badCommandLines_data();
    void badCommandLines();
    void helpNeedsNoLink();
};

void TestKvtsimOptions::goodCommandLines_data() {
    // Arguments are separated by '|' so that names may hold blanks.
    QTest::addColumn<QString>("args");
    QTest::addColumn<Devices>("devices");
    QTest::addColumn<long>("turnaroundUs");
    QTest::addColumn<bool>("demo");
    QTest::newRow("defaults") << "--link|/tmp/x" << Devices{{1, "Device 1"}} << 1000L << false;
    QTest::newRow("ids and names")
        << "--link|/tmp/x|--ids|1,2,5|--name|5=Encoder A|--turnaround-us|250"
        << Devices{{1, "Device 1"}, {2, "Device 2"}, {5, "Encoder A"}} << 250L << false;
    QTest::newRow("repeated id once")
        << "--link|/tmp/x|--ids|7,7,0" << Devices{{7, "Device 7"}, {0, "Device 0"}} << 1000L
        << false;
    QTest::newRow("zero turnaround")
        << "--link|/tmp/x|--turnaround-us|0" << Devices{{1, "Device 1"}} << 0L << false;
}

void TestKvtsimOptions::goodCommandLines() {
    QFETCH(QString, args);
    QFETCH(Devices, devices);
    QFETCH(long, turnaroundUs);
    QFETCH(bool, demo);
    const kvtsim::ParsedOptions parsed = kvtsim::ParseOptions(Split(args));
    QVERIFY2(parsed.ok, parsed.error.c_str());
    QCOMPARE(parsed.options.linkPath, std::string("/tmp/x"));
    QCOMPARE(parsed.options.devices, devices);
    QCOMPARE(parsed.options.turnaroundUs, turnaroundUs);
    QCOMPARE(parsed.options.demo, demo);
}

void TestKvtsimOptions::badCommandLines_data() {
    QTest::addColumn<QString>("args");
    QTest::addColumn<QString>("error");
    QTest::newRow("no link") << "--ids|1"
                             << "--link PATH is required";
    QTest::newRow("missing value") << "--link"
                                   << "--link needs a value";
    QTest::newRow("unknown option") << "--link|/x|--fast"
                                    << "unknown option --fast";
    QTest::newRow("id too big") << "--link|/x|--ids|1,128"
                                << "bad ID list 1,128 (IDs 0 to 127, comma separated)";
    QTest::newRow("empty id") << "--link|/x|--ids|1,,2"
                              << "bad ID list 1,,2 (IDs 0 to 127, comma separated)";
    QTest::newRow("name without id") << "--link|/x|--name|Encoder"
                                     << "bad --name Encoder (expected ID=TEXT)";
    QTest::newRow("name for other id") << "--link|/x|--name|4=Four"
                                       << "--name for ID 4, which is not emulated";
    QTest::newRow("negative turnaround") << "--link|/x|--turnaround-us|-5"
                                         << "bad turnaround -5";
    QTest::newRow("chunk too big") << "--link|/x|--chunk-bytes|52"
                                   << "bad chunk size 52";
}

void TestKvtsimOptions::badCommandLines() {
    QFETCH(QString, args);
    QFETCH(QString, error);
    const kvtsim::ParsedOptions parsed = kvtsim::ParseOptions(Split(args));
    QVERIFY(!parsed.ok);
    QCOMPARE(QString::fromStdString(parsed.error), error);
}

void TestKvtsimOptions::helpNeedsNoLink() {
    const kvtsim::ParsedOptions parsed = kvtsim::ParseOptions({"--help"});
    QVERIFY(parsed.ok);
    QVERIFY(parsed.options.help);
}

QTEST_APPLESS_MAIN(TestKvtsimOptions)
#include "tst_kvtsimoptions.moc"
