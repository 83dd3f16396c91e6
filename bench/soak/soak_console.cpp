// SPDX-License-Identifier: GPL-3.0-or-later
// soak_console: the whole console (main window, manager, 127 panels, link) on kvtsim for a long
// run while faults are switched at random, sampling memory and CPU; prints a summary. Not a test:
// run it through scripts/soak.sh, which gives it a display of its own.
#include "core/profilefile.h"
#include "core/settingsfile.h"
#include "faultplan.h"
#include "kvtsimprocess.h"
#include "link/linkpump.h"
#include "link/linkupdatequeue.h"
#include "port/portpath.h"
#include "procstats.h"
#include "shell/mainform.h"
#include "state/appstate.h"
#include "state/dialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kFirstId = 1;
constexpr int kLastId = 127;
constexpr int kSampleMs = 5000;
constexpr qint64 kSettleMs = 60000;  // memory growth is judged from the first minute on

void Say(const QString& line) {
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

// The windows as the program has them, with a count of what reached them.
class CountingViews final : public k4::ExchangeEffects {
public:
    explicit CountingViews(k4::ExchangeEffects& views) : views_(views) {}
    void writeCells(k4::PanelHandle panel, const k4::DisplayCells& cells,
                    std::uint8_t mask) override {
        views_.writeCells(panel, cells, mask);
    }
    void showCommError(k4::PanelHandle panel) override { views_.showCommError(panel); }
    void repaintPanel(k4::PanelHandle panel) override { views_.repaintPanel(panel); }
    void showPanel(k4::PanelHandle panel) override {
        ++raises;
        views_.showPanel(panel);
    }
    void setNodeImage(k4::NodeHandle node, int image) override {
        int& last = lastImage_[node];
        if (image == k4::kIconCommError && last != k4::kIconCommError) {
            ++episodes;
        }
        last = image;
        views_.setNodeImage(node, image);
    }
    void repaintTree() override { views_.repaintTree(); }
    void beep() override {
        ++beeps;
        views_.beep();
    }
    void lineStateChanged(const k4::LineState& state) override {
        ++lineChanges;
        views_.lineStateChanged(state);
    }
    int nodesInError() const {
        int count = 0;
        for (const auto& [node, image] : lastImage_) {
            count += image == k4::kIconCommError ? 1 : 0;
        }
        return count;
    }

    long long episodes = 0;
    long long beeps = 0;
    long long raises = 0;
    long long lineChanges = 0;

private:
    k4::ExchangeEffects& views_;
    std::map<k4::NodeHandle, int> lastImage_;
};

// Message boxes would stop the run: they are written out instead.
class PrintedDialogs final : public k4::Dialogs {
public:
    void information(const QString& text) override { Say(QStringLiteral("MESSAGE ") + text); }
    Answer question(const QString& text, bool) override {
        Say(QStringLiteral("QUESTION ") + text + QStringLiteral(" -> No"));
        return Answer::No;
    }
    int execModal(QDialog&) override { return 0; }
};

QByteArray RackText(int devices) {
    QByteArray text = "[Global]\r\nDevices=" + QByteArray::number(devices) +
                      "\r\nName=soak.DID\r\nManTop=0\r\nManLeft=0\r\nManWidth=178\r\n"
                      "ManHeight=383\r\nWindowState=0\r\nReadOnly=0\r\n";
    for (int i = 0; i < devices; ++i) {
        const int id = kFirstId + i;
        text += "[Dev" + QByteArray::number(i) + "]\r\nDeviceName=Unit " + QByteArray::number(id) +
                "\r\nflags=1\r\nDevID=" + QByteArray::number(id) +
                "\r\nLeft=" + QByteArray::number(190 + 4 * i) +
                "\r\nTop=" + QByteArray::number(3 * i) +
                "\r\nLCDColor=65280\r\nLCDBackColor=0\r\nSkin=\r\n";
    }
    return text;
}

long long StatValue(const QString& stats, const QString& key) {
    const qsizetype at = stats.indexOf(key + QLatin1Char('='));
    return at < 0 ? -1
                  : stats.mid(at + key.size() + 1).section(QLatin1Char(' '), 0, 0).toLongLong();
}

QString Mb(long kb) {
    return QString::number(static_cast<double>(kb) / 1024.0, 'f', 1) + QStringLiteral(" MB");
}

double LinkThreadCpu(const std::map<QString, double>& threads) {
    for (const auto& [name, seconds] : threads) {
        if (name.startsWith(QStringLiteral("TRS232flow/"))) {
            return seconds;
        }
    }
    return 0.0;
}

struct Sample {
    qint64 ms;
    long rssKb;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The console on kvtsim with 127 devices and random faults, sampling memory and CPU.");
    parser.addHelpOption();
    parser.addOption({"minutes", "How long to run (default 60).", "minutes", "60"});
    parser.addOption({"seed", "Seed of the fault choice (default 1).", "seed", "1"});
    parser.addOption({"kvtsim", "The kvtsim executable.", "path", K4_KVTSIM_DEFAULT});
    parser.process(application);
    const double minutes = parser.value("minutes").toDouble();
    const qint64 runMs = static_cast<qint64>(minutes * 60000.0);
    if (runMs <= 0) {
        Say(QStringLiteral("soak: --minutes must be above 0"));
        return 2;
    }

    k4test::KvtsimProcess line;
    QStringList ids;
    for (int id = kFirstId; id <= kLastId; ++id) {
        ids << QString::number(id);
    }
    const QString started = line.start(parser.value("kvtsim"), {"--ids", ids.join(',')});
    if (!started.isEmpty()) {
        Say(QStringLiteral("soak: ") + started);
        return 1;
    }
    QTemporaryDir folder;
    const QString settings = folder.filePath(QStringLiteral("KVT.INI"));
    const QString rack = folder.filePath(QStringLiteral("soak.DID"));
    {
        QFile file(rack);
        if (!file.open(QIODevice::WriteOnly) || file.write(RackText(kLastId - kFirstId + 1)) < 0) {
            Say(QStringLiteral("soak: cannot write ") + rack);
            return 1;
        }
    }
    if (!k4::ProfileFile::WriteString(settings, "KVT_PORTS", "COM1",
                                      line.linkPath().toLocal8Bit()) ||
        !k4::WriteLastFile(settings, rack)) {
        Say(QStringLiteral("soak: cannot write ") + settings);
        return 1;
    }

    // The program's own wiring, with a count of what reaches the windows.
    k4::AppState& app = k4::App();
    PrintedDialogs dialogs;
    k4::SetDialogs(&dialogs);
    CountingViews counting(app.Views);
    auto pump = std::make_unique<k4::LinkPump>(app.Updates, counting);
    app.Link.setEffects(&app.Updates);
    app.Link.setMessageSink([](const QString& text) { Say(QStringLiteral("MESSAGE ") + text); });
    app.Link.setPortFactory(
        [](int portNumber) { return k4::DefaultPortFactory(k4::App().SettingsPath)(portNumber); });

    auto form = std::make_unique<k4::TMainForm>(folder.path());
    form->resize(1200, 900);
    form->show();

    QElapsedTimer clock;
    clock.start();
    std::vector<Sample> samples;
    std::map<QString, double> cpuAtStart = k4soak::ThreadCpuSeconds();
    std::map<k4soak::FaultKind, int> injected;
    k4soak::FaultPlan plan(parser.value("seed").toUInt(), kFirstId, kLastId);
    k4soak::Fault current;
    bool inFault = false;
    bool unplugged = false;
    double lostCpu = 0.0;
    qint64 lostMs = 0;
    double lostCpuMark = 0.0;
    qint64 lostMark = 0;
    bool commandFailed = false;

    const auto send = [&](const QStringList& commands) {
        for (const QString& command : commands) {
            const QString answer = line.command(command);
            if (!answer.startsWith(QStringLiteral("OK"))) {
                Say(QStringLiteral("soak: kvtsim answered \"") + answer + QStringLiteral("\" to ") +
                    command);
                commandFailed = true;
            }
        }
    };
    const auto endFault = [&] {
        if (!inFault) {
            return;
        }
        send(current.end);
        inFault = false;
        if (current.kind == k4soak::FaultKind::LineDrop && unplugged) {
            unplugged = false;
            lostCpu += LinkThreadCpu(k4soak::ThreadCpuSeconds()) - lostCpuMark;
            lostMs += clock.elapsed() - lostMark;
        }
    };

    QTimer faults;
    faults.setSingleShot(true);
    QObject::connect(&faults, &QTimer::timeout, [&] {
        if (inFault) {
            endFault();
            faults.start(current.gapMs);
            return;
        }
        current = plan.next();
        ++injected[current.kind];
        if (current.kind == k4soak::FaultKind::LineDrop) {
            unplugged = true;
            lostMark = clock.elapsed();
            lostCpuMark = LinkThreadCpu(k4soak::ThreadCpuSeconds());
        }
        send(current.start);
        inFault = true;
        faults.start(current.holdMs);
    });
    faults.start(5000);  // the workspace loads first

    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        samples.push_back({clock.elapsed(), k4soak::ResidentKb()});
        if (samples.size() % 12 == 0) {
            Say(QStringLiteral("%1 min: resident %2, episodes %3, beeps %4")
                    .arg(clock.elapsed() / 60000.0, 0, 'f', 1)
                    .arg(Mb(samples.back().rssKb))
                    .arg(counting.episodes)
                    .arg(counting.beeps));
        }
    });
    samples.push_back({0, k4soak::ResidentKb()});
    sampler.start(kSampleMs);

    qint64 ranMs = 0;
    std::map<QString, double> cpuAtEnd;
    int stillFailing = 0;
    QTimer::singleShot(runMs, [&] {
        faults.stop();
        endFault();
        // Time for every device to be polled twice on a sound line before the last look.
        QTimer::singleShot(10000, [&] {
            ranMs = clock.elapsed();
            cpuAtEnd = k4soak::ThreadCpuSeconds();
            samples.push_back({ranMs, k4soak::ResidentKb()});
            stillFailing = counting.nodesInError();
            // exit, not quit: quit would close the main window (and stop the link) first.
            QApplication::exit(0);
        });
    });
    QApplication::exec();
    app.Link.StopLink();
    const QString stats = line.command(QStringLiteral("stats"));
    form.reset();
    pump.reset();
    k4::SetDialogs(nullptr);
    line.stop();

    long settled = -1;
    long highest = 0;
    long highestAfterSettle = 0;
    for (const Sample& s : samples) {
        highest = std::max(highest, s.rssKb);
        if (s.ms >= kSettleMs) {
            if (settled < 0) {
                settled = s.rssKb;
            }
            highestAfterSettle = std::max(highestAfterSettle, s.rssKb);
        }
    }
    const long endKb = samples.back().rssKb;
    const long long polls = StatValue(stats, QStringLiteral("polls"));
    const long long bad = StatValue(stats, QStringLiteral("bad"));
    int faultCount = 0;
    QStringList faultParts;
    for (const auto& [kind, count] : injected) {
        faultCount += count;
        faultParts
            << QStringLiteral("%1 %2").arg(QLatin1String(k4soak::FaultName(kind))).arg(count);
    }

    Say(QStringLiteral("SOAK SUMMARY"));
    Say(QStringLiteral("run: %1 min (seed %2, %3 devices)")
            .arg(ranMs / 60000.0, 0, 'f', 1)
            .arg(parser.value("seed"))
            .arg(kLastId - kFirstId + 1));
    Say(QStringLiteral("polls: %1 (kvtsim: %2)").arg(polls).arg(stats));
    Say(QStringLiteral("faults injected: %1 (%2)").arg(faultCount).arg(faultParts.join(", ")));
    Say(QStringLiteral("failure episodes seen: %1; beeps: %2; panels raised: %3; line state "
                       "changes: %4; devices still failing at the end: %5")
            .arg(counting.episodes)
            .arg(counting.beeps)
            .arg(counting.raises)
            .arg(counting.lineChanges)
            .arg(stillFailing));
    Say(QStringLiteral("resident memory: start %1, after the first minute %2, end %3, highest %4 "
                       "(after the first minute %5); growth after the first minute %6 kB")
            .arg(Mb(samples.front().rssKb), Mb(settled), Mb(endKb), Mb(highest),
                 Mb(highestAfterSettle))
            .arg(settled < 0 ? 0 : endKb - settled));
    Say(QStringLiteral("CPU by thread (share of one core over the run):"));
    for (const auto& [name, seconds] : cpuAtEnd) {
        const auto before = cpuAtStart.find(name);
        const double used = seconds - (before == cpuAtStart.end() ? 0.0 : before->second);
        Say(QStringLiteral("  %1: %2 s, %3 %")
                .arg(name, -24)
                .arg(used, 0, 'f', 1)
                .arg(100.0 * used / (static_cast<double>(ranMs) / 1000.0), 0, 'f', 2));
    }
    if (lostMs > 0) {
        Say(QStringLiteral("link thread while the line was away: %1 s CPU in %2 s, %3 % of a core")
                .arg(lostCpu, 0, 'f', 2)
                .arg(lostMs / 1000.0, 0, 'f', 1)
                .arg(100.0 * lostCpu / (static_cast<double>(lostMs) / 1000.0), 0, 'f', 2));
    }
    const bool memoryFlat = settled < 0 || endKb - settled < 1024;
    const bool sound = bad == 0 && !commandFailed && memoryFlat && stillFailing == 0 &&
                       counting.beeps == counting.episodes;
    Say(QStringLiteral("verdict: %1 (bad frames %2, memory growth under 1 MB: %3, every episode "
                       "one beep: %4, all recovered: %5)")
            .arg(sound ? "PASS" : "FAIL")
            .arg(bad)
            .arg(memoryFlat ? "yes" : "no")
            .arg(counting.beeps == counting.episodes ? "yes" : "no")
            .arg(stillFailing == 0 ? "yes" : "no"));
    return sound ? 0 : 1;
}
