// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/historywindow.h"

#include "history/historycsv.h"
#include "history/historykeeper.h"
#include "monitor/availabilitystrips.h"
#include "monitor/historymodel.h"
#include "state/appstate.h"
#include "state/dialogs.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <set>

namespace k4 {

namespace {

QPointer<THistoryWindow> gHistory;

constexpr qint64 kHourMs = 3'600'000;
// The strips are worked out again at most this often while new rows come.
constexpr int kStripRefreshMs = 2000;

qint64 NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

}  // namespace

THistoryWindow* THistoryWindow::Create(QMdiArea& area, const QString& path, HistoryKeeper* keeper,
                                       QAction* menuItem) {
    auto* window = new THistoryWindow(path, keeper, menuItem);
    auto* sub = area.addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(window->windowTitle());
    const QRect free = area.viewport()->rect();
    sub->setGeometry(0, 0, free.width(), free.height() * 2 / 3);
    window->subWindow_ = sub;
    gHistory = window;
    sub->show();
    window->HistoryView->scrollToBottom();
    return window;
}

THistoryWindow::THistoryWindow(const QString& path, HistoryKeeper* keeper, QAction* menuItem,
                               QWidget* parent)
    : QWidget(parent), reader_(path), menuItem_(menuItem) {
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("History"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* filters = new QHBoxLayout;
    const auto add = [&](const QString& caption, QWidget* w, const char* name) {
        if (!caption.isEmpty()) {
            filters->addWidget(new QLabel(caption, this));
        }
        w->setObjectName(QString::fromLatin1(name));
        filters->addWidget(w);
    };
    DeviceBox = new QComboBox(this);
    add(QStringLiteral("Device:"), DeviceBox, "DeviceBox");
    KindBox = new QComboBox(this);
    KindBox->addItems({QStringLiteral("All kinds"), QStringLiteral("Line"),
                       QStringLiteral("Devices"), QStringLiteral("Operator")});
    add(QStringLiteral("Kind:"), KindBox, "KindBox");
    RangeBox = new QComboBox(this);
    RangeBox->addItems({QStringLiteral("Last hour"), QStringLiteral("Last day"),
                        QStringLiteral("Last week"), QStringLiteral("All"),
                        QStringLiteral("From\u2013to")});
    RangeBox->setCurrentIndex(LastDay);
    add(QStringLiteral("Time:"), RangeBox, "RangeBox");
    const QDateTime now = QDateTime::currentDateTime();
    FromEdit = new QDateTimeEdit(now.addDays(-1), this);
    ToEdit = new QDateTimeEdit(now, this);
    for (QDateTimeEdit* edit : {FromEdit, ToEdit}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        edit->setEnabled(false);
    }
    add({}, FromEdit, "FromEdit");
    add(QStringLiteral("\u2013"), ToEdit, "ToEdit");
    TextEdit = new QLineEdit(this);
    TextEdit->setPlaceholderText(QStringLiteral("Text contains"));
    TextEdit->setClearButtonEnabled(true);
    add({}, TextEdit, "TextEdit");
    SaveButton = new QPushButton(QStringLiteral("Save as\u2026"), this);
    add({}, SaveButton, "SaveButton");

    Strips = new AvailabilityStrips(this);
    auto* stripScroll = new QScrollArea(this);
    stripScroll->setWidget(Strips);
    stripScroll->setWidgetResizable(true);
    stripScroll->setMinimumHeight(AvailabilityStrips::kRowHeight * 4);

    model_ = new HistoryModel(reader_, this);
    HistoryView = new QTableView(this);
    HistoryView->setObjectName(QStringLiteral("HistoryView"));
    HistoryView->setModel(model_);
    HistoryView->setSelectionBehavior(QAbstractItemView::SelectRows);
    HistoryView->setWordWrap(false);
    // Fixed heights: a million rows must never be measured one by one.
    HistoryView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    HistoryView->verticalHeader()->setDefaultSectionSize(HistoryView->fontMetrics().height() + 4);
    HistoryView->verticalHeader()->hide();
    HistoryView->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics(HistoryView->font());
    HistoryView->setColumnWidth(
        HistoryModel::Time, metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 12);
    HistoryView->setColumnWidth(
        HistoryModel::Kind, metrics.horizontalAdvance(QStringLiteral("Attention cleared")) + 12);
    HistoryView->setColumnWidth(
        HistoryModel::Device,
        metrics.horizontalAdvance(QStringLiteral("ID=127 Encoder name")) + 12);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(stripScroll);
    split->addWidget(HistoryView);
    split->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(filters);
    layout->addWidget(split);

    fillDevices();
    const auto changed = [this] { applyFilters(); };
    connect(DeviceBox, &QComboBox::currentIndexChanged, this, changed);
    connect(KindBox, &QComboBox::currentIndexChanged, this, changed);
    connect(RangeBox, &QComboBox::currentIndexChanged, this, [this](int range) {
        FromEdit->setEnabled(range == FromTo);
        ToEdit->setEnabled(range == FromTo);
        applyFilters();
    });
    connect(FromEdit, &QDateTimeEdit::dateTimeChanged, this, changed);
    connect(ToEdit, &QDateTimeEdit::dateTimeChanged, this, changed);
    connect(TextEdit, &QLineEdit::textChanged, this, changed);
    connect(SaveButton, &QPushButton::clicked, this, &THistoryWindow::saveClick);
    connect(Strips, &AvailabilityStrips::spanClicked, this, &THistoryWindow::showSpan);

    stripTimer_ = new QTimer(this);
    stripTimer_->setSingleShot(true);
    stripTimer_->setInterval(kStripRefreshMs);
    connect(stripTimer_, &QTimer::timeout, this, &THistoryWindow::updateStrips);
    if (keeper != nullptr) {
        connect(keeper, &HistoryKeeper::rowsWritten, this, &THistoryWindow::followNewRows);
    }
    applyFilters();
    if (menuItem_) {
        menuItem_->setChecked(true);
    }
}

THistoryWindow::~THistoryWindow() {
    if (menuItem_) {
        menuItem_->setChecked(false);
    }
}

void THistoryWindow::fillDevices() {
    const QSignalBlocker block(DeviceBox);
    const int chosen =
        DeviceBox->currentData().isValid() ? DeviceBox->currentData().toInt() : kNoDevice;
    DeviceBox->clear();
    DeviceBox->addItem(QStringLiteral("All devices"), kNoDevice);
    std::map<int, QString> devices;
    if (reader_.isOpen() || reader_.open()) {
        for (const auto& [id, name] : reader_.devices()) {
            devices[id] = name;
        }
    }
    // The open workspace's devices, also those the history has not met yet.
    if (const DeviceTable* table = App().Devices) {
        for (int i = 0; i <= table->lastIndex(); ++i) {
            devices[(*table)[i].DevID.load()] = (*table)[i].DeviceName;
        }
    }
    for (const auto& [id, name] : devices) {
        DeviceBox->addItem(DeviceLabel(static_cast<std::uint8_t>(id), name), id);
    }
    DeviceBox->setCurrentIndex(std::max(0, DeviceBox->findData(chosen)));
}

std::pair<qint64, qint64> THistoryWindow::rangeMs() const {
    const qint64 now = NowMs();
    switch (RangeBox->currentIndex()) {
        case LastHour:
            return {now - kHourMs, now};
        case LastDay:
            return {now - 24 * kHourMs, now};
        case LastWeek:
            return {now - 7 * 24 * kHourMs, now};
        case FromTo:
            return {FromEdit->dateTime().toMSecsSinceEpoch(),
                    ToEdit->dateTime().toMSecsSinceEpoch()};
        default:
            return {0, now};
    }
}

HistoryFilter THistoryWindow::currentFilter() const {
    HistoryFilter f;
    f.device = DeviceBox->currentData().isValid() ? DeviceBox->currentData().toInt() : kNoDevice;
    f.group = static_cast<HistoryGroup>(KindBox->currentIndex());
    const auto [from, to] = rangeMs();
    f.fromMs = from;
    // An open-ended range keeps taking the rows that come.
    if (RangeBox->currentIndex() == FromTo) {
        f.toMs = to;
    }
    f.contains = TextEdit->text();
    return f;
}

void THistoryWindow::applyFilters() {
    model_->setFilter(currentFilter());
    HistoryView->scrollToBottom();
    updateStrips();
}

void THistoryWindow::updateStrips() {
    if (!reader_.isOpen() && !reader_.open()) {
        Strips->setStrips({}, 0, 1);
        return;
    }
    auto [from, to] = rangeMs();
    if (RangeBox->currentIndex() == AllTime) {
        from = reader_.firstTimeMs();
    }
    std::vector<int> extra;
    if (const DeviceTable* table = App().Devices) {
        for (int i = 0; i <= table->lastIndex(); ++i) {
            extra.push_back((*table)[i].DevID.load());
        }
    }
    Strips->setStrips(reader_.strips(from, to, extra), from, to);
}

void THistoryWindow::followNewRows() {
    const QScrollBar* bar = HistoryView->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    model_->refresh();
    if (atEnd) {
        HistoryView->scrollToBottom();
    }
    if (!stripTimer_->isActive()) {
        stripTimer_->start();
    }
}

void THistoryWindow::showSpan(int device, qint64 fromMs, qint64 toMs) {
    const QSignalBlocker a(DeviceBox), b(RangeBox), c(FromEdit), d(ToEdit);
    DeviceBox->setCurrentIndex(std::max(0, DeviceBox->findData(device)));
    RangeBox->setCurrentIndex(FromTo);
    FromEdit->setEnabled(true);
    ToEdit->setEnabled(true);
    FromEdit->setDateTime(QDateTime::fromMSecsSinceEpoch(fromMs));
    // The edits show whole seconds: the end is rounded up so the span's last row stays in.
    ToEdit->setDateTime(QDateTime::fromMSecsSinceEpoch(toMs + 999));
    applyFilters();
}

bool THistoryWindow::saveTo(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    const HistoryFilter filter = model_->filter();
    const qint64 total = reader_.count(filter);
    file.write(HistoryCsvHeader().toUtf8() + '\n');
    for (qint64 first = 0; first < total; first += HistoryModel::kPageRows) {
        for (const HistoryRow& row : reader_.page(filter, first, HistoryModel::kPageRows, total)) {
            file.write(HistoryCsvRow(row).toUtf8() + '\n');
        }
    }
    return file.commit();
}

void THistoryWindow::saveClick() {
    FileRequest request;
    request.title = QStringLiteral("Save history");
    request.folder = App().AppDir;
    request.fileName = QStringLiteral("history.csv");
    request.filter = QStringLiteral("Comma separated values (*.csv)");
    request.defaultSuffix = QStringLiteral("csv");
    request.confirmOverwrite = true;
    const QString path = UiDialogs().saveFileName(request);
    if (!path.isEmpty() && !saveTo(path)) {
        UiDialogs().information(QStringLiteral("Cannot write ") + path);
    }
}

void ToggleHistoryWindow(QAction& menuItem, QMdiArea& area, const QString& path,
                         HistoryKeeper* keeper) {
    if (gHistory) {
        if (QMdiSubWindow* sub = gHistory->subWindow()) {
            delete sub;
        } else {
            delete gHistory.data();
        }
        menuItem.setChecked(false);
        return;
    }
    THistoryWindow::Create(area, path, keeper, &menuItem);
    menuItem.setChecked(true);
}

}  // namespace k4
