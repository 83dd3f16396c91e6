// SPDX-License-Identifier: GPL-3.0-or-later
#include "macro/programmacros.h"

#include "core/devicetable.h"
#include "macro/macrorunner.h"
#include "state/appstate.h"

#include <QPointer>

#include <algorithm>

namespace k4 {

namespace {

QPointer<MacroRunner>& Runner() {
    static QPointer<MacroRunner> runner;
    return runner;
}

std::function<void()>& ChangedListener() {
    static std::function<void()> listener;
    return listener;
}

// The marked devices of the open workspace, in table order, each address once.
std::vector<std::uint8_t> MarkedAddresses(const MacroContent& macro) {
    std::vector<std::uint8_t> addresses;
    const DeviceTable* table = App().Devices;
    if (table == nullptr) {
        return addresses;
    }
    for (int i = 0; i <= table->lastIndex(); ++i) {
        const DeviceRecord& r = (*table)[i];
        const std::uint8_t id = r.DevID.load(std::memory_order_relaxed);
        if (r.inUse() && macro.Devices.contains(id) &&
            std::find(addresses.begin(), addresses.end(), id) == addresses.end()) {
            addresses.push_back(id);
        }
    }
    return addresses;
}

}  // namespace

MacroRunner* ProgramMacroRunner() {
    return Runner().data();
}

MacroRunner* InstallProgramMacroRunner(QObject* parent) {
    auto* runner = new MacroRunner(
        [](std::uint8_t address, std::uint8_t key, CommandOwner ticket) {
            return App().Link.QueueCommand(address, key, ticket);
        },
        [](CommandOwner ticket) { return App().Link.TakeBackCommands(ticket); }, parent);
    runner->setLinkEpoch([] { return App().Link.generation(); });
    App().Views.setKeyListener([runner = QPointer(runner)](std::uint8_t address, std::uint8_t key,
                                                           bool failed, CommandOwner owner) {
        if (runner) {
            runner->keyEnded(address, key, failed, owner);
        }
    });
    QObject::connect(runner, &QObject::destroyed, [] { App().Views.setKeyListener({}); });
    Runner() = runner;
    return runner;
}

void MacrosChanged() {
    if (ChangedListener()) {
        ChangedListener()();
    }
}

void SetMacrosChangedListener(std::function<void()> listener) {
    ChangedListener() = std::move(listener);
}

bool MacroRunnable(int index) {
    return index >= 0 && index < kMacroCount && MacroNotRunnableReason(index).isEmpty();
}

QString MacroNotRunnableReason(int index) {
    if (index < 0 || index >= kMacroCount) {
        return QStringLiteral("No such macro");
    }
    const MacroContent& macro = App().Macros[static_cast<std::size_t>(index)];
    const MacroKeysParse keys = ParseMacroKeys(macro.Keys);
    if (!keys.ok()) {
        return QStringLiteral("Unknown key \"%1\" in the key sequence").arg(keys.badToken);
    }
    if (keys.keyCount() == 0) {
        return QStringLiteral("No keys in the key sequence");
    }
    if (macro.Devices.empty()) {
        return QStringLiteral("No device marked in the Profile column");
    }
    return {};
}

void RunProgramMacro(int index) {
    MacroRunner* runner = ProgramMacroRunner();
    if (runner == nullptr || !App().workspaceOpen()) {
        return;
    }
    // The window's Run button is never greyed: a press on it learns why nothing runs.
    if (const QString why = MacroNotRunnableReason(index); !why.isEmpty()) {
        runner->say(
            QStringLiteral("Macro '%1' not started: %2").arg(App().MacroNames.value(index), why));
        return;
    }
    const MacroContent& macro = App().Macros[static_cast<std::size_t>(index)];
    runner->start(App().MacroNames.value(index), ParseMacroKeys(macro.Keys).steps,
                  MarkedAddresses(macro));
}

}  // namespace k4
