// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "demoschedule.h"
#include "linepacer.h"
#include "simcommand.h"
#include "simdevice.h"
#include "wireframe.h"

namespace kvtsim {

struct SimStats {
    std::uint64_t frames = 0;  // everything the frame reader reported, sound or not
    std::uint64_t bad = 0;     // bad check, bad lead, bad byte, cut short
    std::uint64_t polls = 0;   // sound polls addressed to an emulated device
    std::uint64_t keys = 0;    // sound key commands addressed to an emulated device
};

// What the host must do to the line after a command.
enum class LineAction {
    None,
    Unplug,   // close the pseudo-terminal and take the link away, as a pulled adapter does
    Replug,   // open a new pseudo-terminal and link it at the same path
    Describe  // answer with the line settings the console has set on the pseudo-terminal
};

struct CommandReply {
    std::string text;  // the line to print: "OK ...", "ERR ..." or "STATS ..."
    bool quit = false;
    LineAction line = LineAction::None;
};

std::string DefaultDeviceName(std::uint8_t id);
std::string FormatStats(const SimStats& stats);
std::string FormatPacing(const PacingStats& pacing);

// The line of devices without any I/O: bytes from the console go in with the time they arrived,
// paced reply bytes come out of the pacer, control lines get a reply text. The caller owns the
// clock, which keeps all of it testable.
class Simulator {
public:
    explicit Simulator(Nanos turnaround, std::size_t chunkBytes = 4);

    bool AddDevice(std::uint8_t id, std::string name);
    // Devices added from now on show no reply counter.
    void SetStill(bool still) { still_ = still; }
    bool RemoveDevice(std::uint8_t id);
    SimDevice* FindDevice(std::uint8_t id);
    std::vector<std::uint8_t> DeviceIds() const;

    // Called with one line per received frame (no newline), for the frame log.
    void SetFrameLog(std::function<void(const std::string&)> log) { frameLog_ = std::move(log); }
    // Called with a line for each change the demo makes.
    void SetNotice(std::function<void(const std::string&)> notice) { notice_ = std::move(notice); }
    void StartDemo(Nanos now);

    void OnLineBytes(const std::uint8_t* data, std::size_t size, Nanos now);
    CommandReply OnCommand(std::string_view line, Nanos now);
    // Timed behaviour that does not wait for the line (the demo's schedule).
    void Tick(Nanos now);
    // The next moment Tick or the pacer has something to do.
    std::optional<Nanos> NextDeadline() const;

    LinePacer& Pacer() { return pacer_; }
    const SimStats& Stats() const { return stats_; }
    bool Plugged() const { return plugged_; }
    // The host could not make the new line after a replug: the line stays unplugged.
    void ReplugFailed() { plugged_ = false; }
    Nanos Turnaround() const { return turnaround_; }

private:
    void HandleFrame(const ReceivedFrame& frame, Nanos now);
    void EnqueueReply(const SimDevice& device, const std::vector<std::uint8_t>& reply, Nanos start);
    std::string ApplyCommand(const SimCommand& command, Nanos now);

    Nanos turnaround_;
    LinePacer pacer_;
    FrameReader reader_;
    std::map<std::uint8_t, std::unique_ptr<SimDevice>> devices_;
    SimStats stats_;
    bool plugged_ = true;
    std::optional<DemoSchedule> demo_;
    std::function<void(const std::string&)> frameLog_;
    std::function<void(const std::string&)> notice_;
    bool still_ = false;
};

}  // namespace kvtsim
