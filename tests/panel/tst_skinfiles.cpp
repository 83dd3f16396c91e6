// SPDX-License-Identifier: GPL-3.0-or-later
// Which names may be skins, and what the skins folder offers, without a window.
#include "filebytes.h"
#include "panel/skinfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace k4;

namespace {

void Touch(const QString& path) {
    QVERIFY(k4test::WriteBytes(path, "x"));
}

}  // namespace

class TestSkinFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bareNames_data();
    void bareNames();
    void listingIgnoresCaseOfTheExtension();
    void missingFolderListsNothing();
};

void TestSkinFiles::bareNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("bare");
    QTest::addColumn<bool>("exists");  // in the folder the test builds
    QTest::newRow("plain file") << "steel.bmp" << true << true;
    QTest::newRow("upper-case extension") << "NIGHT.BMP" << true << true;
    QTest::newRow("two dots inside a name") << "a..b.bmp" << true << true;
    QTest::newRow("a name not in the folder") << "gone.bmp" << true << false;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("the folder itself") << "." << false << false;
    QTest::newRow("the parent folder") << ".." << false << false;
    QTest::newRow("up and out, slash") << "../outside.bmp" << false << false;
    QTest::newRow("up and out, backslash") << "..\\outside.bmp" << false << false;
    QTest::newRow("a subfolder") << "sub/inner.bmp" << false << false;
    QTest::newRow("an absolute path") << "/etc/passwd" << false << false;
    QTest::newRow("a drive") << "C:outside.bmp" << false << false;
    QTest::newRow("a subfolder by name") << "sub" << true << false;  // a folder is no file
}

// The rule decides alone whether a file is read: a name that is not bare counts as no skin even
// when the file it points at exists.
void TestSkinFiles::bareNames() {
    QFETCH(QString, name);
    QFETCH(bool, bare);
    QFETCH(bool, exists);
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("SKINS/sub"));
    const QString skins = root.filePath(QStringLiteral("SKINS/"));
    Touch(root.filePath(QStringLiteral("outside.bmp")));
    for (const char* file : {"steel.bmp", "NIGHT.BMP", "a..b.bmp", "sub/inner.bmp"}) {
        Touch(skins + QLatin1String(file));
    }

    QCOMPARE(IsBareSkinName(name), bare);
    QCOMPARE(SkinPath(skins, name), bare ? skins + name : QString());
    QCOMPARE(SkinFileExists(skins, name), exists);
}

void TestSkinFiles::listingIgnoresCaseOfTheExtension() {
    QTemporaryDir root;
    const QDir dir(root.path());
    dir.mkdir(QStringLiteral("folder.bmp"));  // a folder is not listed
    for (const char* file :
         {"b.bmp", "A.BMP", "c.Bmp", "d.png", "e.bmp.txt", "bmp", ".hidden.bmp"}) {
        Touch(dir.filePath(QLatin1String(file)));
    }
    QCOMPARE(ListSkinFiles(root.path() + QLatin1Char('/')),
             QStringList({"A.BMP", "b.bmp", "c.Bmp"}));
}

void TestSkinFiles::missingFolderListsNothing() {
    QTemporaryDir root;
    QVERIFY(ListSkinFiles(root.filePath(QStringLiteral("SKINS/"))).isEmpty());
}

QTEST_GUILESS_MAIN(TestSkinFiles)
#include "tst_skinfiles.moc"
