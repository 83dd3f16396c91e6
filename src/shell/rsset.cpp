// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/rsset.h"
#include "state/placecontrol.h"

#include "core/portnumber.h"
#include "manager/kvtmanager.h"
#include "port/netaddress.h"
#include "port/netport.h"
#include "port/portchoice.h"
#include "port/portpath.h"
#include "port/serialdevices.h"
#include "shell/screenplace.h"
#include "state/appstate.h"
#include "state/dialogs.h"
#include "state/formfont.h"
#include "state/plaintip.h"
#include "state/recordoperator.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <algorithm>

namespace k4 {

namespace {

const QPoint kDesignedPlace(341, 250);
constexpr int kClientWidth = 179;
constexpr int kPortPartHeight = 97;  // the client area without the device part
constexpr int kDevicePartHeight = 146;
constexpr int kListRowMargin = 24;

}  // namespace

TRSSet::TRSSet(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("RSSet"));
    setWindowTitle(QStringLiteral("RS232 setup"));
    setFont(FormFont());
    setModal(true);

    GroupBox1 =
        Place(new QGroupBox(QStringLiteral("Select RS232"), this), "GroupBox1", 0, 0, 177, 65);
    RSBox = Place(new QComboBox(GroupBox1), "RSBox", 16, 24, 145, 21);
    RSBox->setEditable(false);
    Button1 = Place(new QPushButton(QStringLiteral("OK"), this), "Button1", 104, 72, 75, 25);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);

    // Below the port part: the device the chosen port opens, typed or picked from those present.
    DeviceGroup = Place(new QGroupBox(this), "DeviceGroup", 0, kPortPartHeight + 6, 177,
                        kDevicePartHeight - 8);
    DevicePath = Place(new QLineEdit(DeviceGroup), "DevicePath", 8, 20, 161, 21);
    DevicePath->setMaxLength(1000);
    DeviceList = Place(new QComboBox(DeviceGroup), "DeviceList", 8, 46, 161, 21);
    DeviceList->setEditable(false);
    // A line on the network adds its round trip to every reply.
    MarginLabel = Place(new QLabel(QStringLiteral("Net margin, ms"), DeviceGroup), "MarginLabel", 8,
                        72, 90, 21);
    MarginBox = Place(new QSpinBox(DeviceGroup), "MarginBox", 104, 72, 65, 21);
    MarginBox->setRange(0, kMaxMarginMs);
    MarginLabel->setBuddy(MarginBox);
    DeviceNote = Place(new QLabel(DeviceGroup), "DeviceNote", 8, 96, 161, 40);
    DeviceNote->setWordWrap(true);
    DeviceNote->setTextFormat(Qt::PlainText);  // it repeats what the operator typed
    DeviceNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const bool devices = PortsNeedDeviceNames();
    DeviceGroup->setVisible(devices);
    setFixedSize(kClientWidth, kPortPartHeight + (devices ? kDevicePartHeight : 0));
    move(kDesignedPlace);

    setTabOrder(RSBox, Button1);
    setTabOrder(Button1, DevicePath);
    setTabOrder(DevicePath, DeviceList);
    setTabOrder(DeviceList, MarginBox);

    connect(RSBox, &QComboBox::currentIndexChanged, this, &TRSSet::RSBoxChange);
    connect(DeviceList, &QComboBox::activated, this, &TRSSet::DeviceListSelect);
    connect(DevicePath, &QLineEdit::textChanged, this, &TRSSet::DevicePathChange);
    connect(Button1, &QPushButton::clicked, this, &TRSSet::Button1Click);
}

int TRSSet::runModal() {
    FormActivate();
    setResult(QDialog::Rejected);
    const QScreen* screen = QGuiApplication::screenAt(kDesignedPlace);
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        QSize frame = frameGeometry().size();
        const QWidget* shown = QApplication::activeWindow();
        if (frame == size() && shown != nullptr && shown != this) {
            // Not shown yet, so its frame is unknown: a window that is shown lends its margins.
            frame += shown->frameGeometry().size() - shown->size();
        }
        move(KeepInside(QRect(kDesignedPlace, frame), screen->availableGeometry()));
    }
    return UiDialogs().execModal(*this);
}

void TRSSet::FormActivate() {
    typedPaths_.clear();
    typedMargins_.clear();
    shownPort_ = 0;
    const PortEntries ports = PortEntriesFor(App().RS232Port);
    {
        const QSignalBlocker quiet(RSBox);
        RSBox->clear();
        for (const PortEntry& entry : ports.entries) {
            RSBox->addItem(entry.text, entry.port);
        }
        RSBox->setCurrentIndex(ports.selected);
    }
    listPresentDevices();
    RSBoxChange();
    RSBox->setFocus(Qt::OtherFocusReason);
}

int TRSSet::selectedPort() const {
    return RSBox->currentData().toInt();
}

void TRSSet::RSBoxChange() {
    if (IsPortNumber(shownPort_)) {
        typedPaths_[shownPort_] = DevicePath->text();
        typedMargins_[shownPort_] = MarginBox->value();
    }
    const int port = selectedPort();
    shownPort_ = port;
    const bool nameable = IsPortNumber(port);
    DeviceGroup->setTitle(nameable ? QStringLiteral("Device of COM%1").arg(port)
                                   : QStringLiteral("Device"));
    DevicePath->setEnabled(nameable);
    DeviceList->setEnabled(nameable && DeviceList->count() > 0);
    const auto typed = typedPaths_.find(port);
    const QString shown = typed != typedPaths_.end() ? typed->second
                          : nameable                 ? PortPath(port, App().SettingsPath)
                                                     : QString();
    {
        const QSignalBlocker quiet(DevicePath);
        DevicePath->setText(shown);
        DevicePath->setCursorPosition(0);
    }
    const auto margin = typedMargins_.find(port);
    MarginBox->setValue(margin != typedMargins_.end() ? margin->second
                                                      : PortMargin(port, App().SettingsPath));
    DevicePathChange();
}

void TRSSet::listPresentDevices() {
    DeviceList->clear();
    const std::vector<SerialDeviceRow> rows =
        SerialDeviceRows(PresentSerialPorts(), QString::fromLatin1(kStableSerialFolder));
    for (const SerialDeviceRow& row : rows) {
        DeviceList->addItem(row.text, row.path);
        DeviceList->setItemData(DeviceList->count() - 1, PlainTip(row.text), Qt::ToolTipRole);
    }
    // The list keeps its place in the layout; its rows, often wider, show whole when it opens.
    int widest = 0;
    for (const SerialDeviceRow& row : rows) {
        widest = std::max(widest, DeviceList->fontMetrics().horizontalAdvance(row.text));
    }
    DeviceList->view()->setMinimumWidth(widest + kListRowMargin);
    DeviceList->setPlaceholderText(rows.empty() ? QStringLiteral("No serial ports found")
                                                : QStringLiteral("Serial ports present now"));
    DeviceList->setCurrentIndex(-1);
    DeviceList->setEnabled(!rows.empty());
}

void TRSSet::DeviceListSelect(int index) {
    const QString path = DeviceList->itemData(index).toString();
    if (!path.isEmpty()) {
        DevicePath->setText(path);
        DevicePath->setCursorPosition(0);
    }
    // The list offers; the field holds the choice.
    DeviceList->setCurrentIndex(-1);
}

void TRSSet::DevicePathChange() {
    const int port = selectedPort();
    if (!IsPortNumber(port)) {
        DeviceNote->setText(
            QStringLiteral("The settings file names no valid port: choose one of COM1 to COM15."));
        return;
    }
    const QString typed = DevicePath->text().trimmed();
    const bool network = IsNetAddress(typed);
    MarginLabel->setEnabled(network);
    MarginBox->setEnabled(network);
    if (network) {
        DeviceNote->setText(NetAddressWarning(typed));
        return;
    }
    DeviceNote->setText(
        typed.isEmpty() ? QStringLiteral("Empty: the port opens %1.").arg(PlatformPortPath(port))
                        : DeviceWarning(typed));
}

void TRSSet::Button1Click() {
    AppState& app = App();
    const int port = selectedPort();
    if (!IsPortNumber(port)) {
        // The invalid entry stands for the hand-set number: nothing is stored or restarted.
        reject();
        return;
    }
    const QString typed = DevicePath->text().trimmed();
    if (!NetAddressWarning(typed).isEmpty()) {
        // Refused on the dialog's own warning line; the operator corrects it or closes.
        DevicePathChange();
        DevicePath->setFocus(Qt::OtherFocusReason);
        return;
    }
    typedPaths_[port] = DevicePath->text();
    typedMargins_[port] = MarginBox->value();
    std::map<int, QString> devices;
    std::map<int, int> margins;
    if (PortsNeedDeviceNames()) {
        // Every port whose device was typed in this opening, not only the one selected. Each is
        // measured against the file alone, so that a device kept only in memory so far is
        // written now.
        for (const auto& [number, typedPath] : typedPaths_) {
            if (!NetAddressWarning(typedPath.trimmed()).isEmpty()) {
                continue;  // a malformed address typed for another port is never stored
            }
            SetUnsavedPortDevice(number, std::nullopt);
            const std::optional<QString> device =
                DeviceToStore(number, typedPath, PortPath(number, app.SettingsPath));
            if (device) {
                devices[number] = *device;
            }
        }
    }
    // A margin is written only for a network line, and only when it differs from the file's.
    for (const auto& [number, margin] : typedMargins_) {
        const auto path = typedPaths_.find(number);
        if (path != typedPaths_.end() && IsNetAddress(path->second.trimmed())) {
            SetUnsavedPortMargin(number, std::nullopt);
            if (margin != PortMargin(number, app.SettingsPath)) {
                margins[number] = margin;
            }
        }
    }
    const auto portNumber = static_cast<std::uint8_t>(port);
    const bool saved = SavePortChoice(app.SettingsPath, portNumber, devices, margins);
    if (!saved) {
        UiDialogs().information(
            QStringLiteral("The settings file %1 could not be written. COM%2 is used until the "
                           "program ends.")
                .arg(QDir::toNativeSeparators(app.SettingsPath))
                .arg(port));
        // A device the file could not take still names its port for the rest of the run.
        for (const auto& [number, device] : devices) {
            SetUnsavedPortDevice(number, device);
        }
        // So does a margin: the line runs with what the operator chose.
        for (const auto& [number, margin] : margins) {
            SetUnsavedPortMargin(number, margin);
        }
    }
    if (portNumber != app.RS232Port) {
        RecordOperator(HistoryKind::PortChanged,
                       QStringLiteral("COM%1 \u2192 COM%2").arg(app.RS232Port).arg(port));
    }
    app.RS232Port = portNumber;
    if (app.linkRunning() && app.Manager != nullptr) {
        app.Link.StopLink();
        app.Link.StartLink(&app.Manager->table(), portNumber);
    }
    accept();
}

TRSSet& RSSet() {
    static QPointer<TRSSet> dialog;
    if (!dialog) {
        dialog = new TRSSet;
        // Widgets must go before the application object does.
        qAddPostRoutine([] { delete dialog.data(); });
    }
    return *dialog;
}

}  // namespace k4
