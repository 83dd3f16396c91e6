// SPDX-License-Identifier: GPL-3.0-or-later
// Drives a kvtsim run the way the console does (a poll every 10 ms after the previous exchange,
// round robin over the line) and prints how closely the replies keep to the line's pace and how
// much CPU kvtsim spends. A measuring command, not a test.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double kByteUs = 1e6 * 10 / 28800;
constexpr int kReplySize = 51;

QByteArray Request(int address, int key) {
    const int check = (((0xFD + address + key) & 0xFF) ^ 0x7B) & 0x7F;
    QByteArray frame;
    frame.append(char(0xFD)).append(char(address)).append(char(key)).append(char(check));
    return frame;
}

// CPU time of a process in nanoseconds, from Linux's scheduler statistics; -1 elsewhere.
double CpuNs(qint64 pid) {
    QFile stat(QString("/proc/%1/schedstat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    return stat.readAll().split(' ').value(0).toDouble();
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * double(values.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const QString& name, const QString& fallback) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback;
    };
    const QString exe = option("--kvtsim", qEnvironmentVariable("K4_KVTSIM"));
    const int seconds = option("--seconds", "20").toInt();
    const QString chunk = option("--chunk-bytes", "4");
    const int turnaroundUs = option("--turnaround-us", "1000").toInt();
    if (exe.isEmpty() || args.contains("--help")) {
        std::printf(
            "Usage: kvtsim_bench --kvtsim PATH [--seconds N] [--chunk-bytes N] "
            "[--turnaround-us N]\n");
        return exe.isEmpty() ? 2 : 0;
    }

    QTemporaryDir dir;
    const QString link = dir.filePath("line");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(exe, {"--link", link, "--ids", "1,2,3,5", "--chunk-bytes", chunk, "--turnaround-us",
                    QString::number(turnaroundUs)});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000) ||
        !sim.readLine().startsWith("READY")) {
        std::fprintf(stderr, "kvtsim did not come up\n");
        return 1;
    }
    QSerialPort port(link);
    port.setBaudRate(28800);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(link));
        return 1;
    }

    const int ids[] = {1, 2, 3, 5};
    std::vector<double> lastByteLateUs;  // complete reply, against write + turnaround + 51 bytes
    std::vector<double> chunkLateUs;     // every read, against the bytes it completed
    int early = 0;
    int exchanges = 0;
    int failures = 0;
    const double cpuStart = CpuNs(sim.processId());
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < seconds * 1000LL) {
        QThread::msleep(10);  // the link loop's idle tick
        port.clear(QSerialPort::Input);
        QElapsedTimer exchange;
        exchange.start();
        port.write(Request(ids[exchanges % 4], 0));
        port.waitForBytesWritten(100);
        int received = 0;
        while (received < kReplySize && port.waitForReadyRead(received == 0 ? 40 : 10)) {
            received += int(port.readAll().size());
            const double atUs = double(exchange.nsecsElapsed()) / 1000;
            const double late = atUs - (turnaroundUs + received * kByteUs);
            chunkLateUs.push_back(late);
            early += late < 0 ? 1 : 0;
        }
        ++exchanges;
        if (received != kReplySize) {
            ++failures;
            continue;
        }
        lastByteLateUs.push_back(chunkLateUs.back());
    }
    const double cpuEnd = CpuNs(sim.processId());
    const double wallNs = double(wall.nsecsElapsed());
    sim.write("pacing\nquit\n");
    sim.waitForFinished(5000);
    const QByteArray pacing = sim.readLine().trimmed();

    std::printf(
        "kvtsim --chunk-bytes %s --turnaround-us %d, %d s, %d exchanges (%.1f/s), "
        "%d failed\n",
        qPrintable(chunk), turnaroundUs, seconds, exchanges, exchanges * 1e9 / wallNs, failures);
    if (cpuStart >= 0 && cpuEnd >= 0) {
        std::printf("kvtsim CPU: %.2f %% of one core\n", 100.0 * (cpuEnd - cpuStart) / wallNs);
    }
    std::printf("reply complete, late by (us): median %.0f  p99 %.0f  max %.0f\n",
                Percentile(lastByteLateUs, 0.5), Percentile(lastByteLateUs, 0.99),
                Percentile(lastByteLateUs, 1.0));
    std::printf(
        "each read, late by (us):      median %.0f  p99 %.0f  max %.0f  (%zu reads, %d "
        "early)\n",
        Percentile(chunkLateUs, 0.5), Percentile(chunkLateUs, 0.99), Percentile(chunkLateUs, 1.0),
        chunkLateUs.size(), early);
    std::printf("kvtsim's own writes: %s\n", pacing.constData());
    return 0;
}
