// SPDX-License-Identifier: GPL-3.0-or-later
// link_bench --port PATH --ids 1,2,5 --seconds N [--keys K] [--turnaround-us N] [--kvtsim EXE]
// Runs the link core headless on a line (kvtsim on a temporary pseudo-terminal when no --port is
// given) and prints one figure per line: poll rate, exchange time against its floor, loop ratio,
// key latency and the link thread's CPU use.
#include "cputime.h"
#include "kvtsimprocess.h"
#include "link/linkcontroller.h"
#include "link/linkupdatequeue.h"
#include "link/trs232flow.h"
#include "linkthreadcpu.h"
#include "percentile.h"
#include "port/qtserialio.h"
#include "timingport.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <random>
#include <thread>

using namespace k4;
using namespace k4bench;
using std::chrono::duration;
using Ms = duration<double, std::milli>;

namespace {

struct Options {
    QString port;
    QList<int> ids{1};
    double seconds = 10;
    int keys = 0;
    int turnaroundUs = 1000;
    QString kvtsim;
};

bool ParseOptions(const QStringList& args, Options& o) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        bool ok = true;
        if (a == "--port") {
            o.port = value;
        } else if (a == "--ids") {
            o.ids.clear();
            for (const QString& id : value.split(',', Qt::SkipEmptyParts)) {
                const int n = id.toInt(&ok);
                ok = ok && n >= 0 && n <= 127;
                o.ids << n;
            }
        } else if (a == "--seconds") {
            o.seconds = value.toDouble(&ok);
            ok = ok && o.seconds > 0;
        } else if (a == "--keys") {
            o.keys = value.toInt(&ok);
        } else if (a == "--turnaround-us") {
            o.turnaroundUs = value.toInt(&ok);
        } else if (a == "--kvtsim") {
            o.kvtsim = value;
        } else {
            return false;
        }
        if (!ok || value.isEmpty()) {
            return false;
        }
        ++i;
    }
    return !o.ids.isEmpty() && o.ids.size() <= DeviceTable::kMaxDevices;
}

struct PhaseResult {
    std::vector<TimedExchange> exchanges;
    std::vector<Clock::time_point> clicks;
    double seconds = 0;
    double cpuPercent = 0;
};

struct Bench {
    Options options;
    std::shared_ptr<ExchangeLog> log = std::make_shared<ExchangeLog>();
    LinkUpdateQueue updates;
    NoEffects views;  // the effects are carried over as the GUI would, then dropped
    LinkThreadCpu cpu;
    LinkController link;
    std::mt19937 random{7};

    // Runs the link on table for the given time, clicking keys spread over it, applying the
    // link's effects every 10 ms as the GUI thread would.
    PhaseResult run(DeviceTable& table, double seconds, int clicks) {
        PhaseResult r;
        log->take();
        link.StartLink(&table, 1);
        const Clock::time_point start = Clock::now();
        const auto length = std::chrono::duration_cast<Clock::duration>(duration<double>(seconds));
        const Clock::time_point end = start + length;
        std::vector<Clock::time_point> clickAt;
        std::uniform_int_distribution<int> jitterUs(0, 7000);
        for (int i = 0; i < clicks; ++i) {
            clickAt.push_back(start + length * (i + 1) / (clicks + 1) +
                              std::chrono::microseconds(jitterUs(random)));
        }
        std::size_t next = 0;
        while (Clock::now() < end) {
            Clock::time_point wake = std::min(end, Clock::now() + std::chrono::milliseconds(10));
            if (next < clickAt.size()) {
                wake = std::min(wake, clickAt[next]);
            }
            std::this_thread::sleep_until(wake);
            if (next < clickAt.size() && Clock::now() >= clickAt[next]) {
                const int id = options.ids[static_cast<int>(next) % options.ids.size()];
                r.clicks.push_back(Clock::now());
                if (!link.QueueCommand(static_cast<std::uint8_t>(id),
                                       static_cast<std::uint8_t>(1 + next % 16))) {
                    r.clicks.pop_back();
                }
                ++next;
            }
            updates.deliverTo(views);
        }
        link.StopLink();
        updates.deliverTo(views);
        r.seconds = duration<double>(Clock::now() - start).count();
        r.cpuPercent = cpu.percent();
        r.exchanges = log->take();
        return r;
    }
};

void Print(const char* name, double value, const char* unit) {
    std::printf("%s: %.3f%s%s\n", name, value, *unit ? " " : "", unit);
}

std::vector<double> KeyLatencies(const PhaseResult& r) {
    std::vector<double> out;
    std::size_t click = 0;
    for (const TimedExchange& e : r.exchanges) {
        if (e.key != 0 && click < r.clicks.size()) {
            out.push_back(Ms(e.written - r.clicks[click++]).count());
        }
    }
    return out;
}

void PrintLatencies(const char* what, const std::vector<double>& ms) {
    std::printf("key latency %s, median: %.3f ms\n", what, Percentile(ms, 0.5));
    std::printf("key latency %s, p99: %.3f ms\n", what, Percentile(ms, 0.99));
    std::printf("key clicks %s: %zu\n", what, ms.size());
}

// A table of the given IDs; inUse false leaves them reserved, so the loop polls none of them
// and key commands still find their records.
void Fill(DeviceTable& table, const QList<int>& ids, bool inUse) {
    for (const int id : ids) {
        const int slot = table.append(NewViewHandle(), NewViewHandle());
        table[slot].DevID.store(static_cast<std::uint8_t>(id));
        if (inUse) {
            table.markInUse(slot);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Bench bench;
    Options& o = bench.options;
    if (!ParseOptions(app.arguments(), o)) {
        std::fprintf(stderr,
                     "usage: link_bench [--port PATH] [--ids 1,2,5] [--seconds N] [--keys K]\n"
                     "                  [--turnaround-us N] [--kvtsim EXE]\n");
        return 2;
    }
    k4test::KvtsimProcess sim;
    if (o.port.isEmpty()) {
        QString exe = o.kvtsim;
        if (exe.isEmpty()) {
            exe = qEnvironmentVariable("K4_KVTSIM", QStringLiteral(K4_KVTSIM_DEFAULT));
        }
        QStringList ids;
        for (const int id : o.ids) {
            ids << QString::number(id);
        }
        const QString error = sim.start(
            exe, {"--ids", ids.join(','), "--turnaround-us", QString::number(o.turnaroundUs)});
        if (!error.isEmpty()) {
            std::fprintf(stderr, "link_bench: %s\n", qPrintable(error));
            return 1;
        }
        o.port = sim.linkPath();
    }
    const QString path = o.port;
    bench.link.setPortFactory([path, log = bench.log](int) {
        return std::make_unique<TimingPort>(std::make_unique<QtSerialIo>(path), log);
    });
    bench.link.setEffects(&bench.updates);
    bench.link.setObserver(&bench.cpu);
    bool portFailed = false;
    bench.link.setMessageSink([&portFailed](const QString& text) {
        std::fprintf(stderr, "link_bench: %s\n", qPrintable(text));
        portFailed = true;
    });

    DeviceTable empty;
    const PhaseResult idle = bench.run(empty, std::max(1.0, o.seconds / 4), 0);
    DeviceTable reserved;
    Fill(reserved, o.ids, false);
    const PhaseResult quiet = bench.run(reserved, std::max(0.5, o.keys * 0.03), o.keys);
    DeviceTable devices;
    Fill(devices, o.ids, true);
    const PhaseResult polling = bench.run(devices, o.seconds, o.keys);
    if (portFailed) {
        return 1;
    }

    std::vector<double> exchangeMs;
    std::vector<double> pollGapMs;
    int polls = 0;
    int failures = 0;
    for (std::size_t i = 0; i < polling.exchanges.size(); ++i) {
        const TimedExchange& e = polling.exchanges[i];
        if (e.key != 0) {
            continue;
        }
        ++polls;
        if (e.replyBytes == kDisplayReplySize) {
            exchangeMs.push_back(Ms(e.ended - e.begun).count());
        } else {
            ++failures;
        }
        if (i > 0 && polling.exchanges[i - 1].key == 0) {
            pollGapMs.push_back(Ms(e.begun - polling.exchanges[i - 1].begun).count());
        }
    }
    auto mean = [](const std::vector<double>& v) {
        double sum = 0;
        for (const double x : v) {
            sum += x;
        }
        return v.empty() ? 0.0 : sum / static_cast<double>(v.size());
    };
    const double byteMs = 10.0 * 1000.0 / 28800.0;
    const double turnaroundMs = o.turnaroundUs / 1000.0;
    const double meanExchange = mean(exchangeMs);
    const double tickMs = Ms(kLinkTick).count();

    std::printf("line: %s, devices %d, %.1f s polling\n", qPrintable(o.port),
                static_cast<int>(o.ids.size()), polling.seconds);
    Print("polls per second", polls / polling.seconds, "");
    Print("failed polls", failures, "");
    Print("mean exchange time", meanExchange, "ms");
    Print("exchange floor, 4 + 51 bytes at 28800 baud + turnaround", 55 * byteMs + turnaroundMs,
          "ms");
    Print("exchange floor on a pty (request not paced), 51 bytes + turnaround",
          51 * byteMs + turnaroundMs, "ms");
    Print("mean time from one poll to the next", mean(pollGapMs), "ms");
    Print("loop ratio", mean(pollGapMs) > 0 ? (tickMs + meanExchange) / mean(pollGapMs) : 0, "");
    if (o.keys > 0) {
        PrintLatencies("while polling", KeyLatencies(polling));
        PrintLatencies("on an idle link", KeyLatencies(quiet));
    }
    Print("link thread CPU, empty table, % of a core", idle.cpuPercent, "");
    Print("link thread CPU, polling, % of a core", polling.cpuPercent, "");
    if (!sim.linkPath().isEmpty() && o.port == sim.linkPath()) {
        // kvtsim's own lateness in sending replies, to tell its share from the link's.
        std::printf("kvtsim: %s\n", qPrintable(sim.command(QStringLiteral("pacing"))));
    }
    return 0;
}
