// SPDX-License-Identifier: GPL-3.0-or-later
// service_bench: the service (`K4mgr --service`) and the console (`K4mgr`, offscreen) as an
// operator runs them, each its own process on one kvtsim line of 127 devices whose displays stand
// still. Both are measured from outside alike: polls a second from kvtsim's count, CPU from the
// process's own clock, resident memory; then the time from SIGTERM to the service's exit. Every
// figure is the median and the range of several runs. Not a test.
// Usage: service_bench [--runs N] [--seconds N] [--kvtsim PATH]
#include "benchfigures.h"
#include "core/profilefile.h"
#include "core/settingsfile.h"
#include "cputime.h"
#include "kvtsimprocess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using k4bench::FigureText;
using k4bench::Summarize;

constexpr int kDevices = 127;

void Say(const std::string& line) {
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

long long KvtsimPolls(k4test::KvtsimProcess& line) {
    const QString stats = line.command(QStringLiteral("stats"));
    const qsizetype at = stats.indexOf(QStringLiteral("polls="));
    return at < 0 ? -1 : stats.mid(at + 6).section(QLatin1Char(' '), 0, 0).toLongLong();
}

struct Sample {
    double pollsPerSecond = 0.0;
    double cpuPercent = 0.0;
    double residentMb = 0.0;
};

// Starts program with args in folder, lets it settle, then measures it for seconds.
bool Measure(const QString& program, const QStringList& args, const QString& folder, bool display,
             k4test::KvtsimProcess& line, int seconds, Sample& sample) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (display) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
    }
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForStarted()) {
        Say("cannot start " + program.toStdString());
        return false;
    }
    RunFor(3000);  // the workspace loads and the first round is polled
    const long long pid = process.processId();
    const long long polls = KvtsimPolls(line);
    const double cpu = k4bench::OtherProcessCpuSeconds(pid);
    QElapsedTimer clock;
    clock.start();
    RunFor(seconds * 1000);
    const double elapsed = static_cast<double>(clock.elapsed()) / 1000.0;
    sample.pollsPerSecond = static_cast<double>(KvtsimPolls(line) - polls) / elapsed;
    sample.cpuPercent = 100.0 * (k4bench::OtherProcessCpuSeconds(pid) - cpu) / elapsed;
    sample.residentMb = k4bench::OtherProcessResidentBytes(pid) / (1024.0 * 1024.0);
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"runs", "runs of each measurement", "N", "3"});
    parser.addOption({"seconds", "seconds each run is measured", "N", "10"});
    parser.addOption({"kvtsim", "the kvtsim executable", "PATH", K4_KVTSIM_DEFAULT});
    parser.addHelpOption();
    parser.process(app);
    const int runs = std::max(1, parser.value("runs").toInt());
    const int seconds = std::max(1, parser.value("seconds").toInt());

    QStringList ids;
    for (int id = 1; id <= kDevices; ++id) {
        ids << QString::number(id);
    }
    k4test::KvtsimProcess line;
    const QString started = line.start(parser.value("kvtsim"),
                                       {"--ids", ids.join(','), "--still", "--chunk-bytes", "51"});
    if (!started.isEmpty()) {
        Say("kvtsim: " + started.toStdString());
        return 1;
    }

    // A program folder of its own: the console keeps its KVT.INI beside itself there, and finds
    // the service's executable beside it.
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("K4mgr"));
    const QString settings = folder.filePath(QStringLiteral("KVT.INI"));
    const QString rack = folder.filePath(QStringLiteral("rack.DID"));
    QByteArray text = "[Global]\r\nDevices=" + QByteArray::number(kDevices) + "\r\nName=rack\r\n";
    for (int i = 0; i < kDevices; ++i) {
        text += "[Dev" + QByteArray::number(i) + "]\r\nDeviceName=Device " +
                QByteArray::number(i + 1) + "\r\nflags=1\r\nDevID=" + QByteArray::number(i + 1) +
                "\r\nLeft=" + QByteArray::number(4 * i) + "\r\nTop=" + QByteArray::number(4 * i) +
                "\r\n";
    }
    QFile rackFile(rack);
    if (!QFile::copy(QStringLiteral(K4_PROGRAM), program) ||
        !QFile::copy(QStringLiteral(K4_SERVICE_PROGRAM),
                     folder.filePath(QStringLiteral("k4mgr-service"))) ||
        !rackFile.open(QIODevice::WriteOnly) || rackFile.write(text) != text.size() ||
        !k4::ProfileFile::WriteString(settings, "KVT_PORTS", "COM1",
                                      line.linkPath().toLocal8Bit()) ||
        !k4::WriteLastFile(settings, rack)) {
        Say("cannot prepare the program folder " + folder.path().toStdString());
        return 1;
    }
    rackFile.close();
    Say(std::to_string(kDevices) + " devices on kvtsim (displays standing still), " +
        std::to_string(runs) + " runs of " + std::to_string(seconds) + " s each");

    std::vector<double> servicePolls, serviceCpu, serviceRss, consolePolls, consoleCpu, consoleRss;
    for (int run = 0; run < runs; ++run) {
        Sample s;
        if (!Measure(program, {"--service", "--settings", settings, "--workspace", rack},
                     folder.path(), false, line, seconds, s)) {
            return 1;
        }
        servicePolls.push_back(s.pollsPerSecond);
        serviceCpu.push_back(s.cpuPercent);
        serviceRss.push_back(s.residentMb);
        Sample c;
        if (!Measure(program, {}, folder.path(), true, line, seconds, c)) {
            return 1;
        }
        consolePolls.push_back(c.pollsPerSecond);
        consoleCpu.push_back(c.cpuPercent);
        consoleRss.push_back(c.residentMb);
    }
    const k4bench::Figure sp = Summarize(servicePolls);
    const k4bench::Figure cp = Summarize(consolePolls);
    Say("service: " + FigureText(Summarize(serviceCpu), "% of a core", 2) + ", " +
        FigureText(Summarize(serviceRss), "MB resident") + ", " + FigureText(sp, "polls/s"));
    Say("console (offscreen): " + FigureText(Summarize(consoleCpu), "% of a core", 2) + ", " +
        FigureText(Summarize(consoleRss), "MB resident") + ", " + FigureText(cp, "polls/s"));
    Say("service's poll rate / console's (medians): " + std::to_string(sp.median / cp.median));

    // SIGTERM to exit: the link ends the exchange in flight, the last events are handed on.
    std::vector<double> stopMs;
    for (int run = 0; run < std::max(runs, 5); ++run) {
        QProcess service;
        service.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        service.start(program, {"--service", "--settings", settings, "--workspace", rack});
        RunFor(1500);
        QElapsedTimer clock;
        clock.start();
        service.terminate();
        if (!service.waitForFinished(10000) || service.exitCode() != 0) {
            Say("the service did not stop with 0 on SIGTERM");
            return 1;
        }
        stopMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    Say("service, SIGTERM to exit: " + FigureText(Summarize(stopMs), "ms"));
    line.stop();
    return 0;
}
