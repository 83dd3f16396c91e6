// SPDX-License-Identifier: GPL-3.0-or-later
// Replays every file of the fuzz corpus through the fuzz target's checks, so that what the fuzzer
// once found stays fixed in every ordinary test run.
#include "profilefuzzentry.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestFuzzCorpus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void replay();
};

void TestFuzzCorpus::replay_data() {
    QTest::addColumn<QString>("file");
    const QDir corpus(QStringLiteral(K4_FUZZ_CORPUS));
    const QStringList names = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY2(names.size() >= 10, "the corpus is missing");
    for (const QString& name : names) {
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
    }
}

void TestFuzzCorpus::replay() {
    QFETCH(QString, file);
    QFile input(file);
    QVERIFY(input.open(QIODevice::ReadOnly));
    k4fuzz::CheckProfileInput(input.readAll());  // aborts on a broken rule
}

QTEST_APPLESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
