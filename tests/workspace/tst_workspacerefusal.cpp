// SPDX-License-Identifier: GPL-3.0-or-later
// A workspace file that is no regular file, or far too large for one, is refused at once with a
// message naming it; the workspace that is open stays as it was.
#include "filebytes.h"
#include "workspacefixture.h"

#include "core/boundedfile.h"
#include "shell/workspacecommands.h"

#include <QDir>
#include <QTest>

#include <sys/stat.h>

using namespace k4;
using k4test::WorkspaceFixture;

class TestWorkspaceRefusal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusedFileChangesNothing_data() {
        QTest::addColumn<bool>("pipe");  // a named pipe nobody writes to; else an oversized file
        QTest::newRow("named pipe") << true;
        QTest::newRow("larger than 4 MB") << false;
    }

    void refusedFileChangesNothing() {
        QFETCH(bool, pipe);
        WorkspaceFixture f;
        WorkspaceCommands commands([](bool) {});
        const QString good = f.write(QStringLiteral("good.DID"), k4test::RichWorkspace());
        f.dialogs.fileNames.push_back(good);
        commands.Open();
        TMDIKVTMAN* manager = f.manager();
        QVERIFY(manager);
        App().WorkspaceModified = true;
        f.dialogs.shown.clear();

        const QString bad = f.path(QStringLiteral("bad.DID"));
        if (pipe) {
            QCOMPARE(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
        } else {
            // A loadable workspace at its start, so only its size can keep it out.
            QByteArray text = "[Global]\r\nDevices=0\r\nName=huge.DID\r\n";
            text += QByteArray(kMaxProfileFileBytes, ';');
            QVERIFY(k4test::WriteBytes(bad, text));
        }
        f.dialogs.fileNames.push_back(bad);
        // The question about the unsaved changes is answered No; the file is then refused.
        commands.Open();
        QCOMPARE(f.dialogs.shown.size(), 2);
        QVERIFY2(f.dialogs.shown[1].contains(QDir::toNativeSeparators(bad)),
                 qPrintable(f.dialogs.shown[1]));
        QCOMPARE(f.manager(), manager);
        QCOMPARE(f.panelCount(), 3);
        QCOMPARE(f.frame.title, QStringLiteral("K4mgr - good.DID"));
        QCOMPARE(App().WorkspacePath, good);
        QCOMPARE(App().LastWorkspacePath, good);
        QCOMPARE(commands.openFileName(), good);
        QVERIFY(App().WorkspaceModified);
        QCOMPARE(App().MacroNames[0], QStringLiteral("Macro 1"));
    }
};

QTEST_MAIN(TestWorkspaceRefusal)
#include "tst_workspacerefusal.moc"
