// SPDX-License-Identifier: GPL-3.0-or-later
#include "simoptions.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "simulator.h"

namespace kvtsim {
namespace {

bool ParseNumber(const std::string& text, long low, long high, long& value) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return false;
    }
    value = std::stol(text);
    return value >= low && value <= high;
}

bool ParseIdList(const std::string& text, std::vector<std::uint8_t>& ids) {
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t comma = std::min(text.find(',', begin), text.size());
        long id = 0;
        if (!ParseNumber(text.substr(begin, comma - begin), 0, 127, id)) {
            return false;
        }
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
            ids.push_back(static_cast<std::uint8_t>(id));
        }
        begin = comma + 1;
    }
    return !ids.empty();
}

ParsedOptions Fail(std::string error) {
    ParsedOptions result;
    result.error = std::move(error);
    return result;
}

}  // namespace

std::string UsageText() {
    return "Usage: kvtsim --link PATH [--ids 1,2,5] [--name ID=TEXT]... [--turnaround-us N]\n"
           "              [--log FILE] [--demo] [--control FILE] [--chunk-bytes N]\n"
           "              [--garble 7,9]\n"
           "\n"
           "Stands in for a line of KVT devices on a pseudo-terminal, for running and testing\n"
           "the console without hardware.\n"
           "\n"
           "  --link PATH         symlink to create to the pseudo-terminal (an old symlink there\n"
           "                      is replaced); prints \"READY PATH\" when the line is up\n"
           "  --ids LIST          device IDs to emulate, comma separated, 0 to 127 (default 1)\n"
           "  --name ID=TEXT      name shown on the device's top row (repeatable)\n"
           "  --turnaround-us N   pause before a reply starts, microseconds (default 1000)\n"
           "  --log FILE          one line per received frame: monotonic time in us, bytes,\n"
           "                      addressed ID and verdict\n"
           "  --demo              demo line, in place of --ids: 1 Encoder A, 2 Encoder B,\n"
           "                      3 Decoder (attention 6 s in every 25 s), 5 Multiplexer\n"
           "                      (silent 8 s in every 30 s)\n"
           "  --control FILE      also read commands from the FIFO FILE (made if missing); it\n"
           "                      is opened again after each writer closes it\n"
           "  --chunk-bytes N     bytes per paced write, 1 to 51 (default 4)\n"
           "  --garble LIST       these of the IDs answer with bad replies from the start,\n"
           "                      as after \"garble ID\"\n"
           "  --still             no reply counter: a display changes only with its keys\n"
           "  --quit-on-eof       EOF on stdin ends the run, as quit does: a program that\n"
           "                      drives kvtsim through its stdin never leaves it behind\n"
           "  --help              this text\n"
           "\n"
           "Replies go out at 28800 baud (about 347 us a byte). Commands, one a line on stdin\n"
           "and on the control FIFO, each answered on stdout with \"OK <command>\" or\n"
           "\"ERR <reason>\":\n"
           "  silent ID | normal ID | short ID | garble ID   how the device answers\n"
           "  attention ID on|off                           the attention bit\n"
           "  pause ID AFTER MS                             replies stop MS ms after their\n"
           "                                                first AFTER bytes (0 to 50; 0:\n"
           "                                                they start MS late); MS 0 ends it\n"
           "  add ID [NAME] | remove ID                     change the line\n"
           "  unplug | replug                               take the line away (pty closed,\n"
           "              link removed) and bring a new one back at the same path\n"
           "  stats       answers \"STATS frames=N bad=N polls=N keys=N\"\n"
           "  pacing      answers \"PACING writes=N late_avg_us=N late_max_us=N "
           "late_over_1ms=N\":\n"
           "              how late paced writes left against their due time\n"
           "  line        answers \"LINE 28800 8N1\": the speed, data bits, parity and stop\n"
           "              bits the console has set on the line (\"LINE unplugged\" without one)\n"
           "  quit        ends the run (as do SIGTERM and SIGINT; EOF on stdin only with\n"
           "              --quit-on-eof)\n";
}

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    SimOptions options;
    std::vector<std::uint8_t> ids;
    std::map<std::uint8_t, std::string> names;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--demo") {
            options.demo = true;
            continue;
        }
        if (arg == "--still") {
            options.still = true;
            continue;
        }
        if (arg == "--quit-on-eof") {
            options.quitOnEof = true;
            continue;
        }
        const bool takesValue = arg == "--link" || arg == "--ids" || arg == "--name" ||
                                arg == "--turnaround-us" || arg == "--log" || arg == "--control" ||
                                arg == "--chunk-bytes" || arg == "--garble";
        if (!takesValue) {
            return Fail("unknown option " + arg);
        }
        if (i + 1 >= args.size()) {
            return Fail(arg + " needs a value");
        }
        const std::string& value = args[++i];
        long number = 0;
        if (arg == "--link") {
            options.linkPath = value;
        } else if (arg == "--ids") {
            ids.clear();
            if (!ParseIdList(value, ids)) {
                return Fail("bad ID list " + value + " (IDs 0 to 127, comma separated)");
            }
        } else if (arg == "--name") {
            const std::size_t equals = value.find('=');
            if (equals == std::string::npos ||
                !ParseNumber(value.substr(0, equals), 0, 127, number)) {
                return Fail("bad --name " + value + " (expected ID=TEXT)");
            }
            names[static_cast<std::uint8_t>(number)] = value.substr(equals + 1);
        } else if (arg == "--turnaround-us") {
            if (!ParseNumber(value, 0, 10'000'000, number)) {
                return Fail("bad turnaround " + value);
            }
            options.turnaroundUs = number;
        } else if (arg == "--chunk-bytes") {
            if (!ParseNumber(value, 1, 51, number)) {
                return Fail("bad chunk size " + value);
            }
            options.chunkBytes = static_cast<std::size_t>(number);
        } else if (arg == "--garble") {
            options.garbled.clear();
            if (!ParseIdList(value, options.garbled)) {
                return Fail("bad ID list " + value + " (IDs 0 to 127, comma separated)");
            }
        } else if (arg == "--log") {
            options.logPath = value;
        } else {
            options.controlPath = value;
        }
    }
    if (options.help) {
        ParsedOptions result;
        result.ok = true;
        result.options = options;
        return result;
    }
    if (options.linkPath.empty()) {
        return Fail("--link PATH is required");
    }

    std::map<std::uint8_t, std::string> defaults;
    if (options.demo) {
        ids = {1, 2, 3, 5};
        defaults = {{1, "Encoder A"}, {2, "Encoder B"}, {3, "Decoder"}, {5, "Multiplexer"}};
    } else if (ids.empty()) {
        ids = {1};
    }
    for (const auto& entry : names) {
        if (std::find(ids.begin(), ids.end(), entry.first) == ids.end()) {
            return Fail("--name for ID " + std::to_string(entry.first) + ", which is not emulated");
        }
    }
    for (const std::uint8_t id : options.garbled) {
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
            return Fail("--garble for ID " + std::to_string(id) + ", which is not emulated");
        }
    }
    for (const std::uint8_t id : ids) {
        std::string name = DefaultDeviceName(id);
        if (names.count(id) != 0) {
            name = names[id];
        } else if (defaults.count(id) != 0) {
            name = defaults[id];
        }
        options.devices.emplace_back(id, name);
    }
    ParsedOptions result;
    result.ok = true;
    result.options = options;
    return result;
}

}  // namespace kvtsim
