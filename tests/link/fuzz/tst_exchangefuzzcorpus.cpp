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
    void corpusReachesEveryKindOfReply();
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
    // However long the input, a session stops after 64 exchanges.
    QVERIFY(k4fuzz::LastSessionCounts().exchanges <= 64);
}

// A corpus of nothing but failures would check little: whole display replies must be in it.
void TestExchangeFuzzCorpus::corpusReachesEveryKindOfReply() {
    const QDir corpus(QStringLiteral(K4_EXCHANGE_FUZZ_CORPUS));
    int displays = 0;
    for (const QString& name : corpus.entryList(QDir::Files)) {
        QFile input(corpus.filePath(name));
        QVERIFY(input.open(QIODevice::ReadOnly));
        k4fuzz::CheckExchangeInput(input.readAll());
        displays += k4fuzz::LastSessionCounts().displayReplies;
    }
    QVERIFY2(displays >= 10, qPrintable(QString::number(displays)));
}

QTEST_APPLESS_MAIN(TestExchangeFuzzCorpus)
#include "tst_exchangefuzzcorpus.moc"
