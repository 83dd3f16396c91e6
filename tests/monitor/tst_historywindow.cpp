// SPDX-License-Identifier: GPL-3.0-or-later
// The History window's wiring: the device filter narrows the table to one device, a click on a
// strip's span filters the table to that span, and the status bar says why no history is kept.
#include "history/historywriter.h"
#include "monitor/availabilitystrips.h"
#include "monitor/historymodel.h"
#include "monitor/historywindow.h"
#include "shell/historywiring.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace k4;

namespace {

constexpr qint64 kMinuteMs = 60'000;

void Add(HistoryWriter& w, qint64 t, HistoryKind kind, int device) {
    HistoryRow r;
    r.utcMs = t;
    r.kind = kind;
    r.device = device;
    r.deviceName = device == kNoDevice ? QString() : QStringLiteral("Dev %1").arg(device);
    w.add(r);
}

}  // namespace

class TestHistoryWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void deviceFilterAndStripSpan();
    void statusBarSaysWhyHistoryIsOff();

private:
    QTemporaryDir dir_;
    QString path_;
    qint64 now_ = 0;
};

void TestHistoryWindow::initTestCase() {
    path_ = dir_.filePath("history.sqlite");
    now_ = QDateTime::currentMSecsSinceEpoch();
    HistoryWriter w(path_, {});
    w.start();
    Add(w, now_ - 50 * kMinuteMs, HistoryKind::LineOpened, kNoDevice);
    Add(w, now_ - 40 * kMinuteMs, HistoryKind::KeySent, 4);
    Add(w, now_ - 30 * kMinuteMs, HistoryKind::DeviceFailing, 3);
    Add(w, now_ - 20 * kMinuteMs, HistoryKind::DeviceBack, 3);
    Add(w, now_ - 10 * kMinuteMs, HistoryKind::KeySent, 3);
    Add(w, now_ - 5 * kMinuteMs, HistoryKind::KeySent, 4);
    w.flush();
    QVERIFY(w.status().on);
}

void TestHistoryWindow::deviceFilterAndStripSpan() {
    THistoryWindow window(path_, nullptr, nullptr);
    window.resize(900, 500);
    window.show();
    window.RangeBox->setCurrentIndex(THistoryWindow::LastHour);
    QCOMPARE(window.model().rowCount(), 6);
    window.DeviceBox->setCurrentIndex(window.DeviceBox->findData(3));
    QCOMPARE(window.model().rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(window.model().rowAt(r)->device, 3);
    }

    window.DeviceBox->setCurrentIndex(0);
    const auto& strips = window.Strips->strips();
    QCOMPARE(strips.size(), std::size_t{2});  // devices 3 and 4
    const QPoint failing = window.Strips->pointOf(3, now_ - 25 * kMinuteMs);
    const auto hit = window.Strips->hitAt(failing);
    QVERIFY(hit.has_value());
    QCOMPARE(hit->span.state, Availability::Failing);
    QTest::mouseClick(window.Strips, Qt::LeftButton, {}, failing);
    QCOMPARE(window.RangeBox->currentIndex(), int(THistoryWindow::FromTo));
    QCOMPARE(window.DeviceBox->currentData().toInt(), 3);
    QCOMPARE(window.model().rowCount(), 2);
    QCOMPARE(window.model().rowAt(0)->kind, HistoryKind::DeviceFailing);
    QCOMPARE(window.model().rowAt(1)->kind, HistoryKind::DeviceBack);
}

void TestHistoryWindow::statusBarSaysWhyHistoryIsOff() {
    QStatusBar bar;
    QFile blocker(dir_.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    const auto keeper = WireHistory(bar, dir_.filePath("blocker/history.sqlite"));
    auto* label = bar.findChild<QLabel*>("HistoryStatus");
    QVERIFY(label != nullptr);
    QTRY_VERIFY(label->text().startsWith("History off: the folder"));
    QVERIFY(!label->isHidden());
}

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
