// SPDX-License-Identifier: GPL-3.0-or-later
// net_bench [--ids N] [--seconds S] [--keys K] [--margin-ms M] [--kvtsim EXE] [--ser2net EXE]
// Runs the link core headless on kvtsim's line twice, first on the pseudo-terminal itself, then
// through ser2net on the loopback (rfc2217), and prints for each: polls per second, the time from
// a key click to its frame reaching kvtsim, and the link thread's CPU use; then the ratio of the
// poll rates.
#include "cputime.h"
#include "kvtsimprocess.h"
#include "link/linkcontroller.h"
#include "link/linkupdatequeue.h"
#include "link/trs232flow.h"
#include "linkthreadcpu.h"
#include "percentile.h"
#include "port/netport.h"
#include "port/qtserialio.h"
#include "ser2netprocess.h"
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
    int devices = 127;
    double seconds = 20;
    int keys = 200;
    int marginMs = kDefaultMarginMs;
    QString kvtsim;
    QString ser2net;
};

bool ParseOptions(const QStringList& args, Options& o) {
    for (int i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return false;
        }
        const QString& a = args[i];
        const QString& value = args[i + 1];
        bool ok = true;
        if (a == "--ids") {
            o.devices = value.toInt(&ok);
            ok = ok && o.devices >= 1 && o.devices <= 127;
        } else if (a == "--seconds") {
            o.seconds = value.toDouble(&ok);
            ok = ok && o.seconds > 0;
        } else if (a == "--keys") {
            o.keys = value.toInt(&ok);
            ok = ok && o.keys >= 0;
        } else if (a == "--margin-ms") {
            o.marginMs = value.toInt(&ok);
        } else if (a == "--kvtsim") {
            o.kvtsim = value;
        } else if (a == "--ser2net") {
            o.ser2net = value;
        } else {
            return false;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

struct PhaseResult {
    double pollsPerSecond = 0;
    int failedPolls = 0;
    std::vector<double> clickToWireMs;
    double cpuPercent = 0;
};

std::int64_t MonotonicUs(Clock::time_point t) {
    // steady_clock is the monotonic clock kvtsim stamps its frame log with.
    return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}

// Polls the whole table (or, without polling, none of it) for the given time on the line the
// factory makes, clicking keys spread over it; the effects are carried to the GUI side every 10 ms
// and dropped, as a GUI would.
PhaseResult RunPhase(const Options& o, bool polling, k4test::KvtsimProcess& sim,
                     LinkController::PortFactory make) {
    auto log = std::make_shared<ExchangeLog>();
    LinkUpdateQueue updates;
    NoEffects views;
    LinkThreadCpu cpu;
    LinkController link;
    link.setPortFactory([make = std::move(make), log](int n) {
        return std::make_unique<TimingPort>(make(n), log);
    });
    link.setEffects(&updates);
    link.setObserver(&cpu);
    link.setMessageSink(
        [](const QString& text) { std::fprintf(stderr, "net_bench: %s\n", qPrintable(text)); });
    DeviceTable table;
    for (int id = 1; id <= o.devices; ++id) {
        const int slot = table.append(NewViewHandle(), NewViewHandle());
        table[slot].DevID.store(static_cast<std::uint8_t>(id));
        if (polling) {
            table.markInUse(slot);  // otherwise reserved: key commands find it, polls do not
        }
    }
    const std::int64_t sinceUs = MonotonicUs(Clock::now());
    link.StartLink(&table, 1);
    const Clock::time_point start = Clock::now();
    const auto length = std::chrono::duration_cast<Clock::duration>(duration<double>(o.seconds));
    std::mt19937 random(7);
    std::uniform_int_distribution<int> jitterUs(0, 7000);
    std::vector<Clock::time_point> clickAt;
    for (int i = 0; i < o.keys; ++i) {
        clickAt.push_back(start + length * (i + 1) / (o.keys + 1) +
                          std::chrono::microseconds(jitterUs(random)));
    }
    std::vector<Clock::time_point> clicks;
    std::size_t next = 0;
    while (Clock::now() < start + length) {
        Clock::time_point wake = std::min(start + length, Clock::now() + kLinkTick);
        if (next < clickAt.size()) {
            wake = std::min(wake, clickAt[next]);
        }
        std::this_thread::sleep_until(wake);
        if (next < clickAt.size() && Clock::now() >= clickAt[next]) {
            const Clock::time_point at = Clock::now();
            if (link.QueueCommand(static_cast<std::uint8_t>(1 + next % o.devices),
                                  static_cast<std::uint8_t>(1 + next % 16))) {
                clicks.push_back(at);
            }
            ++next;
        }
        updates.deliverTo(views);
    }
    link.StopLink();
    updates.deliverTo(views);
    const double seconds = duration<double>(Clock::now() - start).count();

    PhaseResult r;
    int polls = 0;
    for (const TimedExchange& e : log->take()) {
        if (e.key == 0) {
            ++polls;
            r.failedPolls += e.replyBytes == kDisplayReplySize ? 0 : 1;
        }
    }
    r.pollsPerSecond = polls / seconds;
    r.cpuPercent = cpu.percent();
    std::size_t click = 0;
    for (const k4test::LoggedFrame& f : sim.frames()) {
        if (f.timeUs >= sinceUs && f.key != 0 && click < clicks.size()) {
            r.clickToWireMs.push_back(static_cast<double>(f.timeUs - MonotonicUs(clicks[click++])) /
                                      1000.0);
        }
    }
    return r;
}

void PrintPhase(const char* name, const PhaseResult& r, bool polling) {
    if (polling) {
        std::printf("%s: polls per second: %.1f\n", name, r.pollsPerSecond);
        std::printf("%s: failed polls: %d\n", name, r.failedPolls);
    }
    std::printf("%s: key click to frame at kvtsim, median: %.3f ms, p99: %.3f ms (%zu keys)\n",
                name, Percentile(r.clickToWireMs, 0.5), Percentile(r.clickToWireMs, 0.99),
                r.clickToWireMs.size());
    std::printf("%s: link thread CPU: %.2f %% of a core\n", name, r.cpuPercent);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options o;
    if (!ParseOptions(app.arguments(), o)) {
        std::fprintf(stderr,
                     "usage: net_bench [--ids N] [--seconds S] [--keys K] [--margin-ms M]\n"
                     "                 [--kvtsim EXE] [--ser2net EXE]\n");
        return 2;
    }
    const QString kvtsimExe =
        !o.kvtsim.isEmpty() ? o.kvtsim
                            : qEnvironmentVariable("K4_KVTSIM", QStringLiteral(K4_KVTSIM_DEFAULT));
    const QString ser2netExe =
        !o.ser2net.isEmpty() ? o.ser2net : k4test::Ser2netProcess::executable();
    if (ser2netExe.isEmpty()) {
        std::fprintf(stderr, "net_bench: ser2net is not installed\n");
        return 1;
    }
    k4test::KvtsimProcess sim;
    QStringList ids;
    for (int id = 1; id <= o.devices; ++id) {
        ids << QString::number(id);
    }
    const QString simError = sim.start(kvtsimExe, {"--ids", ids.join(',')});
    if (!simError.isEmpty()) {
        std::fprintf(stderr, "net_bench: %s\n", qPrintable(simError));
        return 1;
    }
    k4test::Ser2netProcess server;
    const QString serverError = server.start(ser2netExe, sim.linkPath(), true);
    if (!serverError.isEmpty()) {
        std::fprintf(stderr, "net_bench: %s\n", qPrintable(serverError));
        return 1;
    }
    const QString path = sim.linkPath();
    const QString address = server.address();
    std::printf("devices %d, %.0f s a phase, %d key clicks a phase, margin %d ms\n", o.devices,
                o.seconds, o.keys, o.marginMs);
    const auto directLine = [path](int) { return std::make_unique<QtSerialIo>(path); };
    const auto networkLine = [address, margin = o.marginMs](int) {
        return MakeNetPort(address, std::chrono::milliseconds(margin));
    };
    const PhaseResult direct = RunPhase(o, true, sim, directLine);
    PrintPhase("direct, polling", direct, true);
    const PhaseResult network = RunPhase(o, true, sim, networkLine);
    PrintPhase("through ser2net, polling", network, true);
    std::printf("poll rate through ser2net / direct: %.3f\n",
                direct.pollsPerSecond > 0 ? network.pollsPerSecond / direct.pollsPerSecond : 0.0);
    // Without polls a click waits for no exchange in progress: what the line itself adds.
    Options idle = o;
    idle.seconds = std::max(2.0, o.keys * 0.03);
    PrintPhase("direct, idle link", RunPhase(idle, false, sim, directLine), false);
    PrintPhase("through ser2net, idle link", RunPhase(idle, false, sim, networkLine), false);
    return 0;
}
