// SPDX-License-Identifier: GPL-3.0-or-later
// Replays every file of the exchange fuzz corpus through the fuzz target's checks, so that what
// the fuzzer once found stays fixed in every ordinary test run.
#include "exchangefuzzentry.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestExchangeFuzzCorpus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void replay();
    void cleanupTestCase();

private:
    int replayed_ = 0;
    int displayReplies_ = 0;
};

void TestExchangeFuzzCorpus::replay_data() {
    QTest::addColumn<QString>("file");
    const QDir corpus(QStringLiteral(K4_EXCHANGE_FUZZ_CORPUS));
    const QStringList names = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY2(names.size() >= 10, "the corpus is missing");
    for (const QString& name : names) {
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
    }
}

void TestExchangeFuzzCorpus::replay() {
    QFETCH(QString, file);
    QFile input(file);
    QVERIFY(input.open(QIODevice::ReadOnly));
    k4fuzz::CheckExchangeInput(input.readAll());  // aborts on a broken rule
    ++replayed_;
    displayReplies_ += k4fuzz::LastSessionCounts().displayReplies;
}

// A corpus of nothing but failures would check little: whole display replies must be in it.
// Judged only when the whole corpus was replayed.
void TestExchangeFuzzCorpus::cleanupTestCase() {
    const int files =
        int(QDir(QStringLiteral(K4_EXCHANGE_FUZZ_CORPUS)).entryList(QDir::Files).size());
    if (replayed_ == files) {
        QVERIFY2(displayReplies_ >= 10, qPrintable(QString::number(displayReplies_)));
    }
}

QTEST_APPLESS_MAIN(TestExchangeFuzzCorpus)
#include "tst_exchangefuzzcorpus.moc"
