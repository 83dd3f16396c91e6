// SPDX-License-Identifier: GPL-3.0-or-later
// A file written whole or not at all: a failed write never reports success and never leaves an
// old file cut short.
#include "core/wholefilewrite.h"
#include "filebytes.h"
#include "filesizelimit.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace k4;
using namespace k4test;

class TestWholeFileWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fullDiskKeepsTheOldFile();
};

// A full disk: the old file stays whole and no temporary file is left behind.
void TestWholeFileWrite::fullDiskKeepsTheOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.csv"));
    QVERIFY(WriteBytes(path, "old rows\n"));
    {
        const FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        QVERIFY(!WriteWholeFile(path, QByteArray(8192, 'x')));
    }
    QCOMPARE(ReadBytes(path), QByteArray("old rows\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"line.csv"});
    QVERIFY(WriteWholeFile(path, "new rows\n"));
    QCOMPARE(ReadBytes(path), QByteArray("new rows\n"));
}

QTEST_GUILESS_MAIN(TestWholeFileWrite)
#include "tst_wholefilewrite.moc"
