// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/linemonitor.h"

#include "core/devicetable.h"
#include "core/wholefilewrite.h"
#include "monitor/monitormodel.h"
#include "state/appstate.h"
#include "state/dialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <array>

namespace k4 {

namespace {

QPointer<TLineMonitor> gMonitor;

// The widest text of each column, which sets its width.
constexpr std::array kWidestText{"00:00:00.000",
                                 "127",
                                 "Device name 16",
                                 "Key 16 (16)",
                                 "FD 00 00 00",
                                 "Bad reply (50 bytes)",
                                 "000000000000000000000000 | 000000000000000000000000",
                                 "Attn",
                                 "Reply ms"};

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

TLineMonitor* TLineMonitor::Create(QMdiArea& area, LineCapture& capture, QAction* menuItem) {
    auto* window = new TLineMonitor(capture, menuItem);
    auto* sub = area.addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(window->windowTitle());
    // Across the bottom half of the frame, where it covers the fewest panels.
    const QRect free = area.viewport()->rect();
    sub->setGeometry(0, free.height() / 2, free.width(), free.height() - free.height() / 2);
    window->subWindow_ = sub;
    gMonitor = window;
    sub->show();
    window->readCapture();
    return window;
}

TLineMonitor::TLineMonitor(LineCapture& capture, QAction* menuItem, QWidget* parent)
    : QWidget(parent), capture_(capture), menuItem_(menuItem) {
    setObjectName(QStringLiteral("LineMonitor"));
    setWindowTitle(QStringLiteral("Line Monitor"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Device:"), this));
    DeviceFilter = new QSpinBox(this);
    DeviceFilter->setObjectName(QStringLiteral("DeviceFilter"));
    DeviceFilter->setRange(-1, 127);
    DeviceFilter->setSpecialValueText(QStringLiteral("All"));
    DeviceFilter->setValue(-1);
    controls->addWidget(DeviceFilter);
    FailuresOnly = new QCheckBox(QStringLiteral("Failures only"), this);
    FailuresOnly->setObjectName(QStringLiteral("FailuresOnly"));
    controls->addWidget(FailuresOnly);
    controls->addStretch();
    PauseButton = MakeButton(this, "PauseButton", QStringLiteral("Pause"));
    PauseButton->setCheckable(true);
    ClearButton = MakeButton(this, "ClearButton", QStringLiteral("Clear"));
    SaveButton = MakeButton(this, "SaveButton", QStringLiteral("Save as..."));
    controls->addWidget(PauseButton);
    controls->addWidget(ClearButton);
    controls->addWidget(SaveButton);

    model_ = new MonitorModel(this);
    MonitorView = new QTableView(this);
    MonitorView->setObjectName(QStringLiteral("MonitorView"));
    MonitorView->setModel(model_);
    MonitorView->setSelectionBehavior(QAbstractItemView::SelectRows);
    MonitorView->setWordWrap(false);
    MonitorView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Fixed row heights and column widths: twenty thousand rows must not be measured one by one.
    MonitorView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MonitorView->verticalHeader()->setDefaultSectionSize(MonitorView->fontMetrics().height() + 4);
    MonitorView->verticalHeader()->hide();
    MonitorView->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    MonitorView->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics(MonitorView->font());
    for (std::size_t c = 0; c < kWidestText.size(); ++c) {
        MonitorView->setColumnWidth(static_cast<int>(c),
                                    metrics.horizontalAdvance(QLatin1String(kWidestText[c])) + 12);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(controls);
    layout->addWidget(MonitorView);

    connect(DeviceFilter, &QSpinBox::valueChanged, this, &TLineMonitor::filterChanged);
    connect(FailuresOnly, &QCheckBox::toggled, this, &TLineMonitor::filterChanged);
    connect(PauseButton, &QPushButton::toggled, this, [this](bool paused) {
        if (!paused) {
            readCapture();
        }
    });
    connect(ClearButton, &QPushButton::clicked, this, [this] {
        // What was captured before the Clear stays out of the view, paused or not.
        cursor_ = capture_.end();
        model_->clear();
    });
    connect(SaveButton, &QPushButton::clicked, this, &TLineMonitor::saveClick);

    timer_ = new QTimer(this);
    timer_->setInterval(kReadIntervalMs);
    connect(timer_, &QTimer::timeout, this, &TLineMonitor::readCapture);
    timer_->start();
    if (menuItem_) {
        menuItem_->setChecked(true);
    }
}

TLineMonitor::~TLineMonitor() {
    if (menuItem_) {
        menuItem_->setChecked(false);
    }
}

void TLineMonitor::readCapture() {
    if (PauseButton->isChecked()) {
        return;
    }
    std::vector<CapturedEntry> batch;
    if (capture_.readSince(cursor_, batch) == 0) {
        return;
    }
    // Named as the workspace names the device now, as the row is taken.
    const DeviceTable* devices = App().Devices;
    for (CapturedEntry& entry : batch) {
        const int index = devices != nullptr && entry.kind != CaptureKind::Line
                              ? devices->indexOfAddress(entry.address())
                              : -1;
        if (index >= 0) {
            entry.deviceName = (*devices)[index].DeviceName;
        }
    }
    model_->append(batch);
    MonitorView->scrollToBottom();
}

void TLineMonitor::filterChanged() {
    model_->setFilter({DeviceFilter->value(), FailuresOnly->isChecked()});
    MonitorView->scrollToBottom();
}

bool TLineMonitor::saveTo(const QString& path, QString* reason) const {
    QByteArray text = CsvHeader().toUtf8() + '\n';
    for (const CapturedEntry& entry : model_->shown()) {
        text += CsvRow(entry).toUtf8() + '\n';
    }
    return WriteWholeFile(path, text, reason);
}

void TLineMonitor::saveClick() {
    FileRequest request;
    request.title = QStringLiteral("Save line monitor");
    request.folder = App().AppDir;
    request.fileName = QStringLiteral("line.csv");
    request.filter = QStringLiteral("Comma separated values (*.csv)");
    request.defaultSuffix = QStringLiteral("csv");
    request.confirmOverwrite = true;
    const QString path = UiDialogs().saveFileName(request);
    QString reason;
    if (!path.isEmpty() && !saveTo(path, &reason)) {
        UiDialogs().information(QStringLiteral("Cannot write ") + path +
                                (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
    }
}

void ToggleLineMonitor(QAction& menuItem, QMdiArea& area, LineCapture& capture) {
    if (gMonitor) {
        if (QMdiSubWindow* sub = gMonitor->subWindow()) {
            delete sub;
        } else {
            delete gMonitor.data();
        }
        menuItem.setChecked(false);
        return;
    }
    TLineMonitor::Create(area, capture, &menuItem);
    menuItem.setChecked(true);
}

}  // namespace k4
