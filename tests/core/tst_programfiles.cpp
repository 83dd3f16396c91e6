// SPDX-License-Identifier: GPL-3.0-or-later
// Where the settings file and the skins folder are: beside the program when it can keep them
// there, otherwise where an installed program keeps them.
#include "core/profilefile.h"
#include "core/programfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace k4;

namespace {

// A file system of named paths: those that exist and those that can be written.
PathTest In(std::set<QString> paths) {
    return [paths = std::move(paths)](const QString& path) { return paths.count(path) != 0; };
}

const QString kProgram = QStringLiteral("/opt/k4/bin/");
const QString kBeside = QStringLiteral("/opt/k4/bin/KVT.INI");
const QString kUser = QStringLiteral("/home/op/.config/K4mgr");
const QString kUserFile = QStringLiteral("/home/op/.config/K4mgr/KVT.INI");

}  // namespace

class TestProgramFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settingsPath_data();
    void settingsPath();
    void readOnlyProgramFolderKeepsSettingsInUserFolder();
    void canWriteFindsAReadOnlyFolder();
    void skinsFolder_data();
    void skinsFolder();
};

void TestProgramFiles::settingsPath_data() {
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<bool>("fileWritable");
    QTest::addColumn<QString>("userFolder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("own folder, no file yet") << true << false << false << kUser << kBeside;
    QTest::newRow("own folder, file there") << true << true << true << kUser << kBeside;
    QTest::newRow("own folder, file write-protected")
        << true << true << false << kUser << kUserFile;
    QTest::newRow("installed, no file") << false << false << false << kUser << kUserFile;
    // A save renames a new file over the old one: a writable file in a read-only folder is
    // not enough.
    QTest::newRow("installed, writable file") << false << true << true << kUser << kUserFile;
    QTest::newRow("user folder given with a slash")
        << false << false << false << kUser + QLatin1Char('/') << kUserFile;
    QTest::newRow("no user folder known") << false << true << false << QString() << kBeside;
}

void TestProgramFiles::settingsPath() {
    QFETCH(bool, folderWritable);
    QFETCH(bool, fileThere);
    QFETCH(bool, fileWritable);
    QFETCH(QString, userFolder);
    QFETCH(QString, expected);
    std::set<QString> existing = {kProgram};
    std::set<QString> writable;
    if (fileThere) {
        existing.insert(kBeside);
    }
    if (folderWritable) {
        writable.insert(kProgram);
    }
    if (fileWritable) {
        writable.insert(kBeside);
    }
    QCOMPARE(ChooseSettingsPath(kProgram, userFolder, In(existing), In(writable)), expected);
}

// The program's folder cannot be written (told so, since root writes anywhere): the settings go
// to a user folder made for them, start from the file beside the program, and can be saved.
void TestProgramFiles::readOnlyProgramFolderKeepsSettingsInUserFolder() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = root.filePath(QStringLiteral("bin")) + QLatin1Char('/');
    const QString user = root.filePath(QStringLiteral("config/K4mgr"));
    QVERIFY(QDir().mkpath(program));
    QVERIFY(ProfileFile::WriteString(program + "KVT.INI", "KVT_WORKSPACE", "RS232Port", "7"));
    QVERIFY(QFile::setPermissions(program + "KVT.INI", QFile::ReadOwner | QFile::ReadGroup));

    const auto readOnlyProgram = [&](const QString& path) {
        return !path.startsWith(program) && CanWrite(path);
    };
    const QString path = PrepareSettingsPath(program, user, readOnlyProgram);
    QCOMPARE(path, user + QStringLiteral("/KVT.INI"));
    QCOMPARE(ProfileFile::GetInt(path, "KVT_WORKSPACE", "RS232Port", 1), 7);
    QVERIFY(ProfileFile::WriteString(path, "KVT_WORKSPACE", "LastFile", "/w/a.DID"));
    QCOMPARE(ProfileFile::GetString(path, "KVT_WORKSPACE", "LastFile", {}, 255),
             QByteArray("/w/a.DID"));
    // A later start finds the user's file and leaves it as it is.
    QCOMPARE(PrepareSettingsPath(program, user, readOnlyProgram), path);
    QCOMPARE(ProfileFile::GetString(path, "KVT_WORKSPACE", "LastFile", {}, 255),
             QByteArray("/w/a.DID"));

    // Once the program's folder can be written again, its own file wins.
    QVERIFY(QFile::setPermissions(program + "KVT.INI", QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(PrepareSettingsPath(program, user, CanWrite), program + "KVT.INI");
}

// The real test of a folder: where the permission bits stop this user, a read-only folder
// cannot be written; a file in it still can be read.
void TestProgramFiles::canWriteFindsAReadOnlyFolder() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.path();
    QVERIFY(CanWrite(folder));
    QVERIFY(!CanWrite(root.filePath(QStringLiteral("missing.ini"))));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    QFile trial(root.filePath(QStringLiteral("trial")));
    const bool bitsIgnored = trial.open(QIODevice::WriteOnly);
    const bool canWrite = CanWrite(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (bitsIgnored) {
        QSKIP("permission bits do not stop this user (root): the choice is tested above");
    }
    QVERIFY(!canWrite);
}

void TestProgramFiles::skinsFolder_data() {
    QTest::addColumn<bool>("besideThere");
    QTest::addColumn<bool>("installedThere");
    QTest::addColumn<QString>("expected");
    QTest::newRow("beside the program") << true << true << "/opt/k4/bin/SKINS/";
    QTest::newRow("installed") << false << true << "/opt/k4/share/k4mgr/SKINS/";
    QTest::newRow("neither: beside") << false << false << "/opt/k4/bin/SKINS/";
}

void TestProgramFiles::skinsFolder() {
    QFETCH(bool, besideThere);
    QFETCH(bool, installedThere);
    QFETCH(QString, expected);
    std::set<QString> folders;
    if (besideThere) {
        folders.insert(QStringLiteral("/opt/k4/bin/SKINS/"));
    }
    if (installedThere) {
        folders.insert(QStringLiteral("/opt/k4/share/k4mgr/SKINS/"));
    }
    QCOMPARE(ChooseSkinsFolder(kProgram, QStringLiteral("/opt/k4/share/k4mgr/SKINS"), In(folders)),
             expected);
}

QTEST_GUILESS_MAIN(TestProgramFiles)
#include "tst_programfiles.moc"
