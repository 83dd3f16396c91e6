// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/serviceoptions.h"

namespace k4 {

namespace {

bool IsServiceFlag(const QString& a) {
    return a == QLatin1String("--service") || a == QLatin1String("--help") ||
           a == QLatin1String("-h") || a == QLatin1String("--version");
}

}  // namespace

bool WantsServiceMode(const QStringList& args) {
    for (const QString& a : args) {
        if (IsServiceFlag(a)) {
            return true;
        }
    }
    return false;
}

ServiceOptions ParseServiceOptions(const QStringList& args, bool serviceOnly) {
    ServiceOptions o;
    if (args.isEmpty()) {
        o.mode = serviceOnly ? ServiceOptions::Mode::Service : ServiceOptions::Mode::Console;
        return o;
    }
    auto bad = [&o](const QString& why) {
        o.mode = ServiceOptions::Mode::Bad;
        o.error = why;
        return o;
    };
    bool service = serviceOnly;
    bool help = false;
    bool version = false;
    bool sawWorkspace = false;
    bool sawSettings = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        // "--workspace=FILE" reads as "--workspace FILE".
        QString name = a;
        QString value;
        bool inlineValue = false;
        if (a.startsWith(QLatin1String("--")) && a.contains(QLatin1Char('='))) {
            name = a.section(QLatin1Char('='), 0, 0);
            value = a.section(QLatin1Char('='), 1);
            inlineValue = true;
        }
        if (name == QLatin1String("--service") && !inlineValue) {
            service = true;
        } else if ((name == QLatin1String("--help") || name == QLatin1String("-h")) &&
                   !inlineValue) {
            help = true;
        } else if (name == QLatin1String("--version") && !inlineValue) {
            version = true;
        } else if (name == QLatin1String("--workspace") || name == QLatin1String("--settings")) {
            bool& seen = name == QLatin1String("--workspace") ? sawWorkspace : sawSettings;
            if (seen) {
                return bad(name + QStringLiteral(" given twice"));
            }
            seen = true;
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    return bad(name + QStringLiteral(" needs a file"));
                }
                value = args[++i];
            }
            if (value.isEmpty()) {
                return bad(name + QStringLiteral(" needs a file"));
            }
            (name == QLatin1String("--workspace") ? o.workspace : o.settings) = value;
        } else {
            return bad(QStringLiteral("unknown argument: ") + a);
        }
    }
    if (help) {
        o.mode = ServiceOptions::Mode::Help;
    } else if (version) {
        o.mode = ServiceOptions::Mode::Version;
    } else if (service) {
        o.mode = ServiceOptions::Mode::Service;
    } else {
        return bad(QStringLiteral("--workspace and --settings go with --service"));
    }
    return o;
}

QString ServiceHelpText(const QString& programName) {
    return QStringLiteral(
               "Usage: %1                 the operator console\n"
               "       %1 --service [--workspace FILE] [--settings FILE]\n"
               "       %1 --help | --version\n"
               "\n"
               "--service         polls the line's devices without a window or a display and\n"
               "                  writes one line to stderr for each turn of the line or of a\n"
               "                  device (opened, lost, back; failing, back, attention)\n"
               "--workspace FILE  the workspace to poll (default: LastFile of the settings file)\n"
               "--settings FILE   the settings file, KVT.INI (default: the console's own)\n"
               "--help            prints this text\n"
               "--version         prints the version and the licence\n"
               "\n"
               "Signals (service): SIGTERM or SIGINT stop the link and exit with 0; SIGHUP reads\n"
               "the workspace file again (a file that cannot be read keeps the devices polled).\n"
               "\n"
               "Exit codes:\n"
               "  0  stopped by a signal, or --help or --version\n"
               "  1  a runtime failure, such as a settings or workspace file that cannot be read\n"
               "     at the start\n"
               "  2  bad arguments\n")
        .arg(programName);
}

QString ServiceVersionText(const QString& programName) {
    return QStringLiteral("%1 %2\nLicense GPL-3.0-or-later: GNU GPL version 3 or later\n")
        .arg(programName, QStringLiteral(K4_VERSION));
}

}  // namespace k4
