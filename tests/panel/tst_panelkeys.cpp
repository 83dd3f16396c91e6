// SPDX-License-Identifier: GPL-3.0-or-later
// Every key of the panel reaches the line as a key command for the panel's device: a running
// link on a recording port shows what was sent.
#include "core/devicetable.h"
#include "link/frame.h"
#include "panel/mdichild.h"
#include "recordingport.h"
#include "state/appstate.h"
#include "testframe.h"

#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

using namespace k4;
using k4test::Frame;

Q_DECLARE_METATYPE(std::uint8_t)

namespace {

Frame KeyFrame(std::uint8_t address, std::uint8_t key) {
    return MakeRequest(address, key);
}

QString Hex(const std::vector<Frame>& frames) {
    QStringList out;
    for (const Frame& f : frames) {
        out << QByteArray(reinterpret_cast<const char*>(f.data()), 4).toHex(' ');
    }
    return out.join(QStringLiteral(" | "));
}

}  // namespace

class TestPanelKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void keySendsItsCode_data();
    void keySendsItsCode();
    void keyFramesOnTheWire();
    void clicksQueueInOrder();
    void noLinkNoCommand();
    void keyboardOnTheActivePanel();
    void keyboardLeavesShortcutsAndRepeats();
    void keyboardPressShowsOnItsButton();

private:
    // Waits until the log holds `count` frames (and a little longer, so that a frame sent twice
    // would show), then returns the log.
    std::vector<Frame> waitForFrames(std::size_t count);
    void waitForCount(std::size_t count);

    k4test::TestFrame frame_;
    DeviceTable table_;
    std::shared_ptr<k4test::FrameLog> log_ = std::make_shared<k4test::FrameLog>();
    TMDIChild* panel_ = nullptr;
};

void TestPanelKeys::initTestCase() {
    // Two devices, 5 and 9, not in use: the link sends key commands to them but never polls.
    table_[0].DevID = 5;
    table_[1].DevID = 9;
    table_.setLastIndex(1);
    App().Link.setPortFactory(
        [log = log_](int) { return std::make_unique<k4test::RecordingPort>(log); });
    App().Link.StartLink(&table_, 1);
    QVERIFY(App().Link.isRunning());
    frame_.area.show();
    panel_ = TMDIChild::Create(frame_.mdiArea());
    QVERIFY(QTest::qWaitForWindowExposed(&frame_.area));
}

void TestPanelKeys::init() {
    log_->clear();
}

void TestPanelKeys::cleanupTestCase() {
    App().Link.StopLink();
    panel_->closePanel();
}

void TestPanelKeys::waitForCount(std::size_t count) {
    QTRY_VERIFY_WITH_TIMEOUT(log_->frames().size() >= count, 5000);
}

std::vector<Frame> TestPanelKeys::waitForFrames(std::size_t count) {
    waitForCount(count);
    QTest::qWait(30);
    return log_->frames();
}

void TestPanelKeys::keySendsItsCode_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<std::uint8_t>("code");
    for (int i = 1; i <= 16; ++i) {
        QTest::newRow(qPrintable(QStringLiteral("Button%1").arg(i))) << i << std::uint8_t(i);
    }
    QTest::newRow("Button17 T") << 17 << std::uint8_t(126);
    QTest::newRow("Button18 S") << 18 << std::uint8_t(127);
}

void TestPanelKeys::keySendsItsCode() {
    QFETCH(int, button);
    QFETCH(std::uint8_t, code);
    auto* key = panel_->findChild<QPushButton*>(QStringLiteral("Button%1").arg(button));
    QVERIFY(key != nullptr);

    panel_->DevAddress = 5;
    QTest::mouseClick(key, Qt::LeftButton);
    // The device's ID was edited: the next click goes to the new address.
    std::vector<Frame> frames = waitForFrames(1);
    panel_->DevAddress = 9;
    QTest::mouseClick(key, Qt::LeftButton);
    frames = waitForFrames(2);
    const std::vector<Frame> expected = {KeyFrame(5, code), KeyFrame(9, code)};
    QVERIFY2(frames == expected, qPrintable(Hex(frames)));
}

void TestPanelKeys::keyFramesOnTheWire() {
    // T and S to device 5 as the devices expect them byte for byte.
    panel_->DevAddress = 5;
    QTest::mouseClick(panel_->findChild<QPushButton*>(QStringLiteral("Button17")), Qt::LeftButton);
    QTest::mouseClick(panel_->findChild<QPushButton*>(QStringLiteral("Button18")), Qt::LeftButton);
    const std::vector<Frame> frames = waitForFrames(2);
    const std::vector<Frame> expected = {{0xFD, 0x05, 0x7E, 0x7B}, {0xFD, 0x05, 0x7F, 0x7A}};
    QVERIFY2(frames == expected, qPrintable(Hex(frames)));
}

void TestPanelKeys::clicksQueueInOrder() {
    // Quick clicks on several keys reach the line in the order they were made.
    panel_->DevAddress = 9;
    const int sequence[] = {3, 17, 16, 1, 18, 8};
    const std::uint8_t codes[] = {3, 126, 16, 1, 127, 8};
    std::vector<Frame> expected;
    for (int i = 0; i < 6; ++i) {
        QTest::mouseClick(panel_->Buttons[sequence[i] - 1], Qt::LeftButton);
        expected.push_back(KeyFrame(9, codes[i]));
    }
    const std::vector<Frame> frames = waitForFrames(expected.size());
    QVERIFY2(frames == expected, qPrintable(Hex(frames)));
}

void TestPanelKeys::noLinkNoCommand() {
    App().Link.StopLink();
    QVERIFY(!App().Link.isRunning());
    panel_->DevAddress = 5;
    QTest::mouseClick(panel_->Buttons[0], Qt::LeftButton);  // returns at once, queues nothing
    App().Link.StartLink(&table_, 1);
    // A fresh link starts with an empty ring: the click made while stopped is not sent.
    QTest::mouseClick(panel_->Buttons[1], Qt::LeftButton);
    const std::vector<Frame> frames = waitForFrames(1);
    const std::vector<Frame> expected = {KeyFrame(5, 2)};
    QVERIFY2(frames == expected, qPrintable(Hex(frames)));
}

// The active panel takes the keyboard wherever its focus sits: on a key button, on the panel or on
// its frame.
void TestPanelKeys::keyboardOnTheActivePanel() {
    panel_->DevAddress = 9;
    frame_.area.activateWindow();
    frame_.mdiArea()->setActiveSubWindow(panel_->subWindow());
    QVERIFY(QTest::qWaitForWindowActive(&frame_.area));
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus != nullptr && panel_->subWindow()->isAncestorOf(focus));
    QTest::keyClick(focus, Qt::Key_T);
    QTest::keyClick(panel_->Buttons[4], Qt::Key_0);  // on key 5's button: still key 10
    QTest::keyClick(panel_, Qt::Key_Left);
    QTest::keyClick(panel_->subWindow(), Qt::Key_Plus, Qt::ShiftModifier);
    const std::vector<Frame> frames = waitForFrames(4);
    const std::vector<Frame> expected = {KeyFrame(9, 126), KeyFrame(9, 10), KeyFrame(9, 1),
                                         KeyFrame(9, 4)};
    QVERIFY2(frames == expected, qPrintable(Hex(frames)));
}

// Ctrl+ combinations pass on to the main window untouched, and a held key sends once.
void TestPanelKeys::keyboardLeavesShortcutsAndRepeats() {
    panel_->DevAddress = 5;
    QKeyEvent save(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier, QStringLiteral("\x13"));
    QCoreApplication::sendEvent(panel_->Buttons[0], &save);
    QVERIFY(!save.isAccepted());
    QTest::keyPress(panel_->Buttons[0], Qt::Key_T);
    for (int i = 0; i < 5; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_T, Qt::NoModifier, QStringLiteral("t"), true);
        QCoreApplication::sendEvent(panel_->Buttons[0], &repeat);
        QVERIFY(repeat.isAccepted());
    }
    QTest::keyRelease(panel_->Buttons[0], Qt::Key_T);
    // S goes after whatever the above sent: had anything more gone out, it would come first.
    QTest::keyClick(panel_->Buttons[0], Qt::Key_S);
    const std::vector<Frame> frames = waitForFrames(2);
    const std::vector<Frame> expected = {KeyFrame(5, 126), KeyFrame(5, 127)};
    QVERIFY2(frames == expected, qPrintable(Hex(frames)));
}

// The button a key press sent shows pressed for a moment; each key tells its keys in its tooltip.
void TestPanelKeys::keyboardPressShowsOnItsButton() {
    QPushButton* minus = panel_->Buttons[2];
    QCOMPARE(minus->toolTip(), QStringLiteral("Keyboard: 3, - or Down arrow"));
    QCOMPARE(panel_->Buttons[16]->toolTip(), QStringLiteral("Keyboard: T"));
    for (QPushButton* button : panel_->Buttons) {
        QTRY_VERIFY(!button->isDown());  // earlier presses have come up
    }
    QTest::keyClick(panel_, Qt::Key_Down);
    QVERIFY(minus->isDown());
    QVERIFY(!panel_->Buttons[3]->isDown());
    QTRY_VERIFY(!minus->isDown());
    waitForCount(1);
}

QTEST_MAIN(TestPanelKeys)
#include "tst_panelkeys.moc"
