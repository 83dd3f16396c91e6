// SPDX-License-Identifier: GPL-3.0-or-later
#include "kvtsimprocess.h"

#include "childprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace k4test {

namespace {
// Only so that nothing waits for ever; no result depends on it.
constexpr int kPatienceMs = 10000;
}  // namespace

KvtsimProcess::KvtsimProcess() {
    linkPath_ = dir_.filePath(QStringLiteral("line"));
    logPath_ = dir_.filePath(QStringLiteral("frames.log"));
}

KvtsimProcess::~KvtsimProcess() {
    stop();
}

QString KvtsimProcess::executable() {
    const QString exe = qEnvironmentVariable("K4_KVTSIM");
    return !exe.isEmpty() && QFileInfo(exe).isExecutable() ? exe : QString();
}

QString KvtsimProcess::start(const QString& exe, const QStringList& args) {
    if (!dir_.isValid()) {
        return QStringLiteral("no temporary folder");
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that aborts closes kvtsim's stdin and so ends it: left running, it would hold the
    // forwarded error channel, and ctest would wait out its timeout instead of seeing the abort.
    QStringList all{"--link", linkPath_, "--log", logPath_, "--quit-on-eof"};
    // Whole replies, written when their last byte is due: a simulator held off the CPU by a busy
    // machine can then only miss the link's 40 ms total, never tear a reply with a 10 ms gap, so
    // tests that count failure episodes see only the failures they cause.
    if (!args.contains(QStringLiteral("--chunk-bytes"))) {
        all << QStringLiteral("--chunk-bytes") << QStringLiteral("51");
    }
    if (!StartChildProcess(process_, exe, all + args, kPatienceMs)) {
        return QStringLiteral("kvtsim did not start: ") + process_.errorString();
    }
    const QString line = readLine(kPatienceMs);
    return line == QStringLiteral("READY ") + linkPath_ ? QString()
                                                        : QStringLiteral("kvtsim said: ") + line;
}

QString KvtsimProcess::start(const QStringList& args) {
    const QString exe = executable();
    return exe.isEmpty() ? QStringLiteral("K4_KVTSIM names no kvtsim executable")
                         : start(exe, args);
}

QString KvtsimProcess::readLine(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!process_.canReadLine() && timer.elapsed() < timeoutMs &&
           process_.state() == QProcess::Running) {
        process_.waitForReadyRead(50);
    }
    return QString::fromUtf8(process_.readLine()).trimmed();
}

QString KvtsimProcess::command(const QString& line) {
    process_.write((line + QLatin1Char('\n')).toUtf8());
    process_.waitForBytesWritten(kPatienceMs);
    return readLine(kPatienceMs);
}

void KvtsimProcess::stop() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.write("quit\n");
    process_.waitForBytesWritten(kPatienceMs);
    if (!process_.waitForFinished(kPatienceMs)) {
        process_.kill();
        process_.waitForFinished(kPatienceMs);
    }
}

// Lines read "<us> FD 05 00 79 id=5 poll reply=51".
std::vector<LoggedFrame> KvtsimProcess::frames() const {
    std::vector<LoggedFrame> out;
    QFile file(logPath_);
    if (!file.open(QIODevice::ReadOnly)) {
        return out;
    }
    const QByteArray text = file.readAll();
    // A last line still being written has no line end yet: it waits for the next look.
    const QList<QByteArray> lines = text.left(text.lastIndexOf('\n') + 1).split('\n');
    for (const QByteArray& raw : lines) {
        const QStringList parts =
            QString::fromUtf8(raw).trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() < 7 || parts[1] != QLatin1String("FD")) {
            continue;
        }
        LoggedFrame f;
        f.timeUs = parts[0].toLongLong();
        bool okAddress = false;
        bool okKey = false;
        f.address = parts[2].toInt(&okAddress, 16);
        f.key = parts[3].toInt(&okKey, 16);
        if (!okAddress || !okKey) {
            continue;
        }
        f.verdict = parts.mid(6).join(QLatin1Char(' '));
        out.push_back(f);
    }
    return out;
}

QList<int> KvtsimProcess::keysTo(int address) const {
    QList<int> keys;
    for (const LoggedFrame& f : frames()) {
        if (f.address == address && f.key != 0) {
            keys << f.key;
        }
    }
    return keys;
}

}  // namespace k4test
