// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window with the link's wiring: against kvtsim (the line for the whole run, and per test
// a program folder whose port 1 is kvtsim's line), or without a line for tests that do not look at
// it (the port never opens; what the link would tell the operator is kept, not shown).
#include "core/profilefile.h"
#include "filebytes.h"
#include "kvtsimprocess.h"
#include "port/serialio.h"
#include "programfixture.h"
#include "scripteddialogs.h"
#include "shell/linkwiring.h"
#include "core/settingsfile.h"
#include "link/linkpump.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace k4test {

inline const QString kModified = QStringLiteral("Workspace is modifed. Save current workspace?");

// The polls kvtsim has seen so far; -1 when it did not say.
inline int PollsSeen(KvtsimProcess& line) {
    const QString stats = line.command(QStringLiteral("stats"));
    const qsizetype at = stats.indexOf(QStringLiteral("polls="));
    return at < 0 ? -1 : stats.mid(at + 6).section(QLatin1Char(' '), 0, 0).toInt();
}

// What every test of the main window needs: the link's wiring for the whole run (on kvtsim's line
// or without one), and per test a program folder and scripted dialogs.
class LineFixture {
public:
    void startWithoutLine() {
        noLine_ = true;
        pump = k4::WireLink();
        k4::App().Link.setPortFactory([](int) { return std::make_unique<k4::NoPort>(); });
        k4::App().Link.setMessageSink([this](const QString& text) { linkMessages << text; });
    }
    bool startLine() {
        const QString error = line.start({"--ids", "1,2", "--name", "1=Alpha", "--name", "2=Beta"});
        if (!error.isEmpty()) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        pump = k4::WireLink();
        return true;
    }
    bool begin() {
        dir = std::make_unique<QTemporaryDir>();
        dialogs = std::make_unique<ScriptedDialogs>();
        ResetProgramState();
        return dir->isValid();
    }
    void end() {
        k4::App().Link.StopLink();
        dialogs.reset();
        dir.reset();
    }
    void finish() {
        k4::App().Link.StopLink();
        pump.reset();
        line.stop();
    }

    QString folder() const { return dir->path(); }
    QString settingsPath() const { return dir->filePath(QStringLiteral("KVT.INI")); }
    // Port 1 of the program in this folder is kvtsim's line (without a line: nothing to map).
    bool mapPortToLine() const {
        return noLine_ || k4::ProfileFile::WriteString(settingsPath(), "KVT_PORTS", "COM1",
                                                       line.linkPath().toLocal8Bit());
    }
    QString writeWorkspace(const QString& fileName, const QByteArray& text) const {
        const QString path = dir->filePath(fileName);
        return WriteBytes(path, text) ? path : QString();
    }
    // The program in this folder will start on kvtsim's line with rack.DID, a workspace of these
    // devices, as its last file. Returns rack.DID's path; empty when a file could not be written.
    QString startsWithRack(const QList<QPair<int, QByteArray>>& devices, int readOnly = 0) const {
        if (!mapPortToLine()) {
            return {};
        }
        const QString rack = writeWorkspace(QStringLiteral("rack.DID"),
                                            WorkspaceText("rack.DID", devices, readOnly));
        return !rack.isEmpty() && k4::WriteLastFile(settingsPath(), rack) ? rack : QString();
    }

    KvtsimProcess line;
    std::unique_ptr<k4::LinkPump> pump;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedDialogs> dialogs;
    QStringList linkMessages;  // without a line only

private:
    bool noLine_ = false;
};

// A test class against kvtsim: the line for the whole run, a program folder for each test.
class LineTest : public QObject {
    Q_OBJECT
protected:
    LineFixture fx_;

private Q_SLOTS:
    void initTestCase() { QVERIFY(fx_.startLine()); }
    void init() { QVERIFY(fx_.begin()); }
    void cleanup() { fx_.end(); }
    void cleanupTestCase() { fx_.finish(); }
};

// A test class of the main window that does not look at the line: no kvtsim, a link whose port
// never opens, a program folder for each test. Such tests may run beside others.
class NoLineTest : public QObject {
    Q_OBJECT
protected:
    LineFixture fx_;

private Q_SLOTS:
    void initTestCase() { fx_.startWithoutLine(); }
    void init() { QVERIFY(fx_.begin()); }
    void cleanup() { fx_.end(); }
    void cleanupTestCase() { fx_.finish(); }
};

}  // namespace k4test
