// SPDX-License-Identifier: GPL-3.0-or-later
// Replays every file of the Telnet fuzz corpus through the fuzz target's checks.
#include "corpusreplay.h"
#include "telnetfuzzentry.h"

class TestTelnetFuzzCorpus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replay_data() { k4test::AddCorpusRows(QStringLiteral(K4_FUZZ_CORPUS), 5); }
    void replay() {
        QFETCH(QString, file);
        const std::optional<QByteArray> input = k4test::ReadCorpusFile(file);
        QVERIFY(input);
        k4fuzz::CheckTelnetInput(*input);  // aborts on a broken rule
    }
};

QTEST_APPLESS_MAIN(TestTelnetFuzzCorpus)
#include "tst_telnetfuzzcorpus.moc"
