// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator.h"

#include <algorithm>
#include <cstdio>

namespace kvtsim {
namespace {

const char* VerdictText(FrameVerdict verdict) {
    switch (verdict) {
        case FrameVerdict::Good:
            return "good";
        case FrameVerdict::BadCheck:
            return "bad check";
        case FrameVerdict::BadLead:
            return "bad lead";
        case FrameVerdict::BadByte:
            return "bad byte";
        case FrameVerdict::Truncated:
            return "cut short";
    }
    return "?";
}

}  // namespace

std::string DefaultDeviceName(std::uint8_t id) {
    return "Device " + std::to_string(id);
}

std::string FormatStats(const SimStats& stats) {
    char text[160];
    std::snprintf(
        text, sizeof text, "STATS frames=%llu bad=%llu polls=%llu keys=%llu",
        static_cast<unsigned long long>(stats.frames), static_cast<unsigned long long>(stats.bad),
        static_cast<unsigned long long>(stats.polls), static_cast<unsigned long long>(stats.keys));
    return text;
}

std::string FormatPacing(const PacingStats& pacing) {
    const long long averageUs =
        pacing.writes == 0 ? 0 : pacing.lateSum / static_cast<Nanos>(pacing.writes) / 1000;
    char text[160];
    std::snprintf(text, sizeof text,
                  "PACING writes=%llu late_avg_us=%lld late_max_us=%lld late_over_1ms=%llu",
                  static_cast<unsigned long long>(pacing.writes), averageUs,
                  static_cast<long long>(pacing.lateMax / 1000),
                  static_cast<unsigned long long>(pacing.lateOverMs));
    return text;
}

Simulator::Simulator(Nanos turnaround, std::size_t chunkBytes)
    : turnaround_(turnaround), pacer_(chunkBytes) {}

bool Simulator::AddDevice(std::uint8_t id, std::string name) {
    if (id > 127 || devices_.count(id) != 0) {
        return false;
    }
    devices_[id] = std::make_unique<SimDevice>(id, std::move(name));
    devices_[id]->SetCounterShown(!still_);
    return true;
}

bool Simulator::RemoveDevice(std::uint8_t id) {
    return devices_.erase(id) != 0;
}

SimDevice* Simulator::FindDevice(std::uint8_t id) {
    const auto it = devices_.find(id);
    return it == devices_.end() ? nullptr : it->second.get();
}

std::vector<std::uint8_t> Simulator::DeviceIds() const {
    std::vector<std::uint8_t> ids;
    for (const auto& entry : devices_) {
        ids.push_back(entry.first);
    }
    return ids;
}

void Simulator::StartDemo(Nanos now) {
    demo_.emplace(now);
}

void Simulator::OnLineBytes(const std::uint8_t* data, std::size_t size, Nanos now) {
    for (const ReceivedFrame& frame : reader_.Feed(data, size)) {
        HandleFrame(frame, now);
    }
}

void Simulator::HandleFrame(const ReceivedFrame& frame, Nanos now) {
    ++stats_.frames;
    std::string verdict;
    // Noise has no address; a frame cut short after its lead byte has none either.
    std::string address = "-";
    if (frame.bytes.size() > 1 && frame.bytes[0] == kLeadByte) {
        address = std::to_string(frame.address);
    }
    if (frame.verdict != FrameVerdict::Good) {
        ++stats_.bad;
        verdict = VerdictText(frame.verdict);
    } else if (SimDevice* device = FindDevice(frame.address)) {
        if (frame.key == 0) {
            ++stats_.polls;
            verdict = "poll";
        } else {
            ++stats_.keys;
            verdict = "key " + std::to_string(frame.key);
        }
        const std::vector<std::uint8_t> reply = device->Answer(frame.key, now);
        EnqueueReply(*device, reply, now + turnaround_);
        verdict += reply.empty() ? " no reply" : " reply=" + std::to_string(reply.size());
    } else {
        verdict = "not ours";
    }
    if (frameLog_) {
        frameLog_(std::to_string(now / 1000) + ' ' + FormatBytes(frame.bytes) + " id=" + address +
                  ' ' + verdict);
    }
}

// A device with a pause sends the bytes before it, then leaves the line quiet for its length.
void Simulator::EnqueueReply(const SimDevice& device, const std::vector<std::uint8_t>& reply,
                             Nanos start) {
    const std::size_t split = std::min(device.PauseAfter(), reply.size());
    if (device.PauseLength() <= 0 || split == reply.size()) {
        pacer_.Enqueue(reply, start);
        return;
    }
    const auto middle = reply.begin() + static_cast<std::ptrdiff_t>(split);
    pacer_.Enqueue({reply.begin(), middle}, start);
    pacer_.Enqueue({middle, reply.end()},
                   std::max(start, pacer_.LineFreeAt()) + device.PauseLength());
}

CommandReply Simulator::OnCommand(std::string_view line, Nanos now) {
    const ParsedCommand parsed = ParseCommand(line);
    CommandReply reply;
    if (!parsed.ok) {
        reply.text = "ERR " + parsed.error;
        return reply;
    }
    if (parsed.command.kind == CommandKind::Stats) {
        reply.text = FormatStats(stats_);
        return reply;
    }
    if (parsed.command.kind == CommandKind::Pacing) {
        reply.text = FormatPacing(pacer_.Pacing());
        return reply;
    }
    if (parsed.command.kind == CommandKind::Line) {
        reply.line = LineAction::Describe;  // only the host can look at the line
        return reply;
    }
    const std::string error = ApplyCommand(parsed.command, now);
    reply.text = error.empty() ? "OK " + parsed.text : "ERR " + error;
    reply.quit = error.empty() && parsed.command.kind == CommandKind::Quit;
    if (error.empty() && parsed.command.kind == CommandKind::Unplug) {
        reply.line = LineAction::Unplug;
    } else if (error.empty() && parsed.command.kind == CommandKind::Replug) {
        reply.line = LineAction::Replug;
    }
    return reply;
}

std::string Simulator::ApplyCommand(const SimCommand& command, Nanos /*now*/) {
    const std::string idText = std::to_string(command.id);
    switch (command.kind) {
        case CommandKind::Quit:
        case CommandKind::Stats:
        case CommandKind::Pacing:
        case CommandKind::Line:
            return {};
        case CommandKind::Add:
            if (!AddDevice(command.id,
                           command.name.empty() ? DefaultDeviceName(command.id) : command.name)) {
                return "device " + idText + " exists";
            }
            return {};
        case CommandKind::Remove:
            return RemoveDevice(command.id) ? std::string() : "no device " + idText;
        case CommandKind::Unplug:
            if (!plugged_) {
                return "the line is unplugged already";
            }
            plugged_ = false;
            // A frame begun on the old line never ends; the new line starts clean.
            reader_ = FrameReader();
            pacer_.DropQueued();
            return {};
        case CommandKind::Replug:
            if (plugged_) {
                return "the line is plugged in";
            }
            plugged_ = true;
            return {};
        default:
            break;
    }
    SimDevice* device = FindDevice(command.id);
    if (device == nullptr) {
        return "no device " + idText;
    }
    switch (command.kind) {
        case CommandKind::Silent:
            device->SetMode(ReplyMode::Silent);
            break;
        case CommandKind::Normal:
            device->SetMode(ReplyMode::Normal);
            break;
        case CommandKind::Short:
            device->SetMode(ReplyMode::Short);
            break;
        case CommandKind::Garble:
            device->SetMode(ReplyMode::Garble);
            break;
        case CommandKind::Attention:
            device->SetAttention(command.on);
            break;
        case CommandKind::Pause:
            device->SetPause(command.pauseAfter, Nanos(command.pauseMs) * 1'000'000);
            break;
        default:
            break;
    }
    return {};
}

void Simulator::Tick(Nanos now) {
    if (!demo_ || now < demo_->NextEdge()) {
        return;
    }
    for (const DemoChange& change : demo_->Advance(now)) {
        SimDevice* device = FindDevice(change.id);
        if (device == nullptr) {
            continue;
        }
        std::string what;
        if (change.action == DemoAction::Attention) {
            device->SetAttention(change.on);
            what = std::string("attention ") + (change.on ? "on" : "off");
        } else {
            device->SetMode(change.on ? ReplyMode::Silent : ReplyMode::Normal);
            what = change.on ? "silent" : "normal";
        }
        if (notice_) {
            notice_("DEMO " + what + " device " + std::to_string(change.id));
        }
    }
}

std::optional<Nanos> Simulator::NextDeadline() const {
    std::optional<Nanos> next;
    if (!pacer_.Idle()) {
        next = pacer_.NextRelease();
    }
    if (demo_) {
        next = next ? std::min(*next, demo_->NextEdge()) : demo_->NextEdge();
    }
    return next;
}

}  // namespace kvtsim
