// SPDX-License-Identifier: GPL-3.0-or-later
// kvtsim: a line of KVT devices on a pseudo-terminal, for running, demonstrating, testing and
// measuring the console without hardware.
#include <cstdio>
#include <string>
#include <vector>

#include "hostio.h"
#include "simoptions.h"
#include "simulator.h"

namespace {

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int Run(const kvtsim::SimOptions& options) {
    std::FILE* log = nullptr;
    if (!options.logPath.empty()) {
        log = std::fopen(options.logPath.c_str(), "w");
        if (log == nullptr) {
            std::fprintf(stderr, "kvtsim: cannot write %s\n", options.logPath.c_str());
            return 1;
        }
    }
    kvtsim::Simulator sim(options.turnaroundUs * 1000, options.chunkBytes);
    sim.SetStill(options.still);
    for (const auto& [id, name] : options.devices) {
        sim.AddDevice(id, name);
    }
    for (const std::uint8_t id : options.garbled) {
        sim.FindDevice(id)->SetMode(kvtsim::ReplyMode::Garble);
    }
    if (log != nullptr) {
        sim.SetFrameLog([log](const std::string& line) {
            std::fputs(line.c_str(), log);
            std::fputc('\n', log);
            std::fflush(log);
        });
    }
    sim.SetNotice(
        [](const std::string& line) { std::fprintf(stderr, "kvtsim: %s\n", line.c_str()); });

    int status = 0;
    {
        kvtsim::HostIo io;
        std::string error;
        if (!io.WatchStopSignals(error) || !io.OpenLine(options.linkPath, error) ||
            (!options.controlPath.empty() && !io.OpenControl(options.controlPath, error))) {
            std::fprintf(stderr, "kvtsim: %s\n", error.c_str());
            status = 1;
        } else {
            if (options.demo) {
                sim.StartDemo(kvtsim::MonotonicNow());
            }
            PrintLine("READY " + options.linkPath);
            bool running = true;
            while (running) {
                kvtsim::Nanos now = kvtsim::MonotonicNow();
                sim.Tick(now);
                const std::vector<std::uint8_t> due = sim.Pacer().TakeDue(now);
                if (!due.empty()) {
                    io.WriteLine(due);
                }
                const auto deadline = sim.NextDeadline();
                const kvtsim::HostInput input = io.Wait(deadline.has_value(), deadline.value_or(0));
                now = kvtsim::MonotonicNow();
                if (!input.lineBytes.empty()) {
                    sim.OnLineBytes(input.lineBytes.data(), input.lineBytes.size(), now);
                }
                for (const std::string& command : input.commands) {
                    if (kvtsim::IsBlankLine(command)) {
                        continue;
                    }
                    const kvtsim::CommandReply reply = sim.OnCommand(command, now);
                    if (reply.line == kvtsim::LineAction::Describe) {
                        PrintLine("LINE " + io.LineSettings());
                        continue;
                    }
                    if (reply.line == kvtsim::LineAction::Unplug) {
                        io.CloseLine();
                    } else if (reply.line == kvtsim::LineAction::Replug &&
                               !io.OpenLine(options.linkPath, error)) {
                        sim.ReplugFailed();
                        PrintLine("ERR " + error);
                        continue;
                    }
                    PrintLine(reply.text);
                    running = running && !reply.quit;
                }
                running =
                    running && !input.stopRequested && !(options.quitOnEof && input.stdinClosed);
            }
        }
    }
    if (log != nullptr) {
        std::fclose(log);
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const kvtsim::ParsedOptions parsed = kvtsim::ParseOptions(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "kvtsim: %s\nTry kvtsim --help.\n", parsed.error.c_str());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(kvtsim::UsageText().c_str(), stdout);
        return 0;
    }
    return Run(parsed.options);
}
