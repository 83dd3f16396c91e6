// SPDX-License-Identifier: GPL-3.0-or-later
// metrics_bench [--seconds N] [--kvtsim EXE]
// The metrics endpoint with a full workspace of 127 devices: the CPU and bytes of one exposition
// and of one scrape over HTTP on the loopback, the CPU that 10 scrapes a second add, and the
// link's poll rate on kvtsim with and without them.
#include "cputime.h"
#include "kvtsimprocess.h"
#include "link/linkcontroller.h"
#include "link/linkeventhub.h"
#include "metrics/metricsexporter.h"
#include "port/qtserialio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace k4;

namespace {

constexpr int kDevices = DeviceTable::kMaxDevices;

void Fill(DeviceTable& table) {
    for (int id = 1; id <= kDevices; ++id) {
        const int slot = table.append(NewViewHandle(), NewViewHandle());
        DeviceRecord& r = table[slot];
        r.DevID.store(static_cast<std::uint8_t>(id));
        r.DeviceName = QStringLiteral("Encoder %1 \"Stra\u00DFe\" \\ rack").arg(id);
        r.Health.noteReply(HealthClockNs());
        table.markInUse(slot);
    }
}

// Scrapes the endpoint without blocking the event loop it is served from; counts what comes back.
class Scraper {
public:
    // gzip: as Prometheus asks, with Accept-Encoding: gzip.
    Scraper(quint16 port, bool gzip) : port_(port), gzip_(gzip) {}
    void scrape() {
        auto* socket = new QTcpSocket;
        QObject::connect(socket, &QTcpSocket::connected, socket, [this, socket] {
            socket->write(gzip_ ? "GET /metrics HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n"
                                : "GET /metrics HTTP/1.1\r\nHost: b\r\n\r\n");
        });
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, socket] { bytes += socket->readAll().size(); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            ++done;
            socket->deleteLater();
        });
        socket->connectToHost(QHostAddress::LocalHost, port_);
    }
    long long bytes = 0;
    int done = 0;

private:
    quint16 port_;
    bool gzip_;
};

void RunFor(double seconds) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < seconds * 1000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    double seconds = 20;
    QString kvtsim = qEnvironmentVariable("K4_KVTSIM", QStringLiteral(K4_KVTSIM_DEFAULT));
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--seconds") {
            seconds = std::max(2.0, args[i + 1].toDouble());
        } else if (args[i] == "--kvtsim") {
            kvtsim = args[i + 1];
        } else {
            std::fprintf(stderr, "usage: metrics_bench [--seconds N] [--kvtsim EXE]\n");
            return 2;
        }
    }

    DeviceTable table;
    Fill(table);
    LinkEventHub hub;
    LinkController link;
    MetricsSources sources;
    sources.table = [&table] { return &table; };
    sources.workspaceFile = [] { return QStringLiteral("/srv/k4mgr/headend.DID"); };
    sources.polls = &link.pollCounters();
    sources.events = &hub;
    MetricsExporter exporter(sources);

    // One exposition, straight from the table: five batches of 200.
    std::vector<double> perScrapeMs;
    std::size_t bytes = 0;
    for (int batch = 0; batch < 5; ++batch) {
        const double before = k4bench::CurrentThreadCpuSeconds();
        for (int i = 0; i < 200; ++i) {
            bytes = exporter.exposition().size();
        }
        perScrapeMs.push_back((k4bench::CurrentThreadCpuSeconds() - before) * 1000 / 200);
    }
    std::printf("exposition of %d devices: %.3f ms CPU (median of 5 x 200), %zu bytes\n", kDevices,
                Median(perScrapeMs), bytes);

    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    exporter.apply({QStringLiteral("127.0.0.1:%1").arg(port), {}});
    if (!exporter.status().serving) {
        std::fprintf(stderr, "metrics_bench: %s\n", qPrintable(exporter.status().serveError));
        return 1;
    }
    // Over HTTP, one after the other; the client's side is counted too (same process).
    for (const bool gzip : {false, true}) {
        Scraper serial(port, gzip);
        const double before = k4bench::ProcessCpuSeconds();
        for (int i = 0; i < 200; ++i) {
            serial.scrape();
            while (serial.done <= i) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            }
        }
        std::printf(
            "scrape over HTTP on the loopback%s: %.3f ms CPU (server and client, mean of "
            "200), %lld bytes\n",
            gzip ? ", gzip as Prometheus asks" : "",
            (k4bench::ProcessCpuSeconds() - before) * 1000 / 200, serial.bytes / 200);
    }

    // The link on kvtsim with the 127 devices, without and then with 10 scrapes a second.
    k4test::KvtsimProcess sim;
    QStringList ids;
    for (int id = 1; id <= kDevices; ++id) {
        ids << QString::number(id);
    }
    const QString error = sim.start(kvtsim, {"--ids", ids.join(','), "--chunk-bytes", "51"});
    if (!error.isEmpty()) {
        std::fprintf(stderr, "metrics_bench: %s\n", qPrintable(error));
        return 1;
    }
    const QString line = sim.linkPath();
    link.setPortFactory([line](int) { return std::make_unique<QtSerialIo>(line); });
    link.StartLink(&table, 1);
    RunFor(2);  // the port settles and the first round begins

    struct Phase {
        double pollsPerSecond;
        double cpuPercent;
    };
    Scraper timed(port, true);
    QTimer every100ms;
    every100ms.setInterval(100);
    QObject::connect(&every100ms, &QTimer::timeout, [&timed] { timed.scrape(); });
    const auto phase = [&](bool scraping) {
        if (scraping) {
            every100ms.start();
        }
        const std::uint64_t polls = link.pollCounters().polls();
        const double cpu = k4bench::ProcessCpuSeconds();
        QElapsedTimer t;
        t.start();
        RunFor(seconds);
        const double s = t.elapsed() / 1000.0;
        every100ms.stop();
        return Phase{(link.pollCounters().polls() - polls) / s,
                     (k4bench::ProcessCpuSeconds() - cpu) / s * 100};
    };
    // Without, with, without, with: a drift of the machine's load shows as a difference between
    // the two pairs.
    std::vector<Phase> without;
    std::vector<Phase> with;
    for (int round = 0; round < 2; ++round) {
        without.push_back(phase(false));
        with.push_back(phase(true));
    }
    link.StopLink();
    for (int round = 0; round < 2; ++round) {
        std::printf(
            "poll rate, %d devices, %.0f s each: %.2f/s without scrapes, %.2f/s with 10 "
            "scrapes/s: ratio %.4f; process CPU %.2f %% vs %.2f %% of a core: scrapes "
            "add %.2f %%\n",
            kDevices, seconds, without[round].pollsPerSecond, with[round].pollsPerSecond,
            with[round].pollsPerSecond / without[round].pollsPerSecond, without[round].cpuPercent,
            with[round].cpuPercent, with[round].cpuPercent - without[round].cpuPercent);
    }
    std::printf("scrapes answered during the runs: %d; last poll round %.2f s\n", timed.done,
                link.pollCounters().lastRoundNs() / 1e9);
    return 0;
}
