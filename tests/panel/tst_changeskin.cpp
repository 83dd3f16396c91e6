// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's "Change skin and colors" command: what it does to the panel and to its device
// record for each way the operator can leave the dialog.
#include "core/devicetable.h"
#include "deferreddeletes.h"
#include "panel/mdichild.h"
#include "panel/panelskin.h"
#include "panel/skinselector.h"
#include "panelpixels.h"
#include "scripteddialogs.h"
#include "skinbitmap.h"
#include "skinoperator.h"
#include "state/appstate.h"
#include "testframe.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace k4;
using k4test::FlushDeletes;
using k4test::SkinChoice;
using k4test::SkinDialogSeen;
using k4test::WriteSkinBitmap;

namespace {

constexpr std::uint32_t kLime = 0x00FF00;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kYellow = 0x00FFFF;
constexpr std::uint32_t kNavy = 0x800000;
constexpr std::uint32_t kCustom = 0x123456;
constexpr std::uint32_t kButtonFace = 0xFF00000F;  // -16777201 in a workspace file

// Each skin is one flat colour, so a panel's picture tells which file it came from.
const QColor kSteel(120, 130, 140);
const QColor kNight(10, 20, 60);

QColor PictureColour(const QLabel* skin) {
    if (skin->pixmap().isNull()) {
        return {};
    }
    return skin->pixmap().toImage().pixelColor(150, 10);
}

// Counts the events of one type that reach a widget.
class EventCounter final : public QObject {
public:
    EventCounter(QObject* target, QEvent::Type type) : type_(type) {
        target->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        count += event->type() == type_ ? 1 : 0;
        return false;
    }

private:
    QEvent::Type type_;
};

}  // namespace

class TestChangeSkin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { App().Devices = nullptr; }
    void init();
    void cleanup();
    void outcomes_data();
    void outcomes();
    void panelClosedWhileOpenIsLeftAlone();
    void newColoursShowAtOnce();

private:
    TMDIChild* newPanel(const QString& skin, std::uint32_t color, std::uint32_t backColor);

    QTemporaryDir root_;
    k4test::TestFrame frame_;
    DeviceTable table_;
    k4test::ScriptedDialogs dialogs_;
    TMDIChild* panel_ = nullptr;
};

void TestChangeSkin::initTestCase() {
    App().AppDir = root_.path() + QLatin1Char('/');
    QVERIFY(QDir(root_.path()).mkdir(QStringLiteral("SKINS")));
    QVERIFY(WriteSkinBitmap(root_.filePath(QStringLiteral("SKINS/steel.bmp")), kSteel));
    QVERIFY(WriteSkinBitmap(root_.filePath(QStringLiteral("SKINS/night.bmp")), kNight));
    QVERIFY(WriteSkinBitmap(root_.filePath(QStringLiteral("outside.bmp")), Qt::magenta));
    QFile junk(root_.filePath(QStringLiteral("SKINS/junk.bmp")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("this is no picture");
    frame_.area.show();
    App().Devices = &table_;
}

void TestChangeSkin::init() {
    App().ReadOnly = false;
    App().WorkspaceModified = false;
    dialogs_.shown.clear();
    dialogs_.drivers.clear();
}

void TestChangeSkin::cleanup() {
    if (panel_ != nullptr) {
        panel_->closePanel();
        panel_ = nullptr;
    }
    FlushDeletes();
    table_.reset();
}

// A panel as a loaded workspace leaves it: its record in slot 0, its skin loaded when the file
// is a picture in the folder, otherwise only named.
TMDIChild* TestChangeSkin::newPanel(const QString& skin, std::uint32_t color,
                                    std::uint32_t backColor) {
    panel_ = TMDIChild::Create(frame_.mdiArea());
    panel_->LCDColor = color;
    panel_->LCDBackColor = backColor;
    if (LoadSkin(*panel_, skin) != SkinLoad::Loaded) {
        panel_->SkinFile = skin;
    }
    DeviceRecord& r = table_[0];
    r.Panel.store(panel_->handle());
    r.LCDColor = color;
    r.LCDBackColor = backColor;
    r.Skin = skin;
    r.flags.store(kInUseFlag);
    table_.setLastIndex(0);
    return panel_;
}

void TestChangeSkin::outcomes_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("skin");  // the panel's skin before the command
    QTest::addColumn<quint32>("color");
    QTest::addColumn<quint32>("backColor");
    QTest::addColumn<int>("useSkins");  // what the operator does: see SkinChoice
    QTest::addColumn<QString>("pick");
    QTest::addColumn<QString>("pickColor");
    QTest::addColumn<QString>("pickBackColor");
    QTest::addColumn<bool>("closeBox");
    // What the dialog opened with.
    QTest::addColumn<bool>("openedChecked");
    QTest::addColumn<QString>("openedName");
    // What the panel and its record hold after it.
    QTest::addColumn<bool>("skinVisible");
    QTest::addColumn<QColor>("picture");
    QTest::addColumn<QString>("skinFile");
    QTest::addColumn<quint32>("newColor");
    QTest::addColumn<quint32>("newBackColor");
    QTest::addColumn<QString>("message");

    const QString none;
    const QColor bare;
    QTest::newRow("read only: a message and nothing else")
        << true << "steel.bmp" << kLime << kBlack << 0 << "night.bmp"
        << "Red"
        << "Navy" << false << false << none << true << kSteel << "steel.bmp" << kLime << kBlack
        << "Not possible in ReadOnly mode.";
    QTest::newRow("skin present, Ok keeps it")
        << false << "steel.bmp" << kLime << kBlack << -1 << none << none << none << false << true
        << "steel.bmp" << true << kSteel << "steel.bmp" << kLime << kBlack << none;
    QTest::newRow("a skin picked from the list")
        << false << none << kLime << kBlack << 1 << "night.bmp" << none << none << false << false
        << none << true << kNight << "night.bmp" << kLime << kBlack << none;
    QTest::newRow("another skin, standard colours, closed by the close box")
        << false << "steel.bmp" << kLime << kBlack << -1 << "night.bmp"
        << "Yellow"
        << "Navy" << true << true << "steel.bmp" << true << kNight << "night.bmp" << kYellow
        << kNavy << none;
    QTest::newRow("unchecked: hidden, the name kept")
        << false << "steel.bmp" << kLime << kBlack << 0 << none << none << none << false << true
        << "steel.bmp" << false << kSteel << "steel.bmp" << kLime << kBlack << none;
    QTest::newRow("skin missing from the folder")
        << false << "gone.bmp" << kLime << kBlack << -1 << none << "Red" << none << false << false
        << none << false << bare << "gone.bmp" << quint32(0x0000FF) << kBlack << none;
    QTest::newRow("unreadable skin: colours applied, old picture kept, a message")
        << false << "steel.bmp" << kLime << kBlack << -1 << "junk.bmp"
        << "Yellow" << none << false << true << "steel.bmp" << true << kSteel << "steel.bmp"
        << kYellow << kBlack
        << "Skin file " + QDir::toNativeSeparators(root_.filePath("SKINS/junk.bmp")) +
               " is not a readable bitmap!";
    QTest::newRow("a name outside the folder is no skin")
        << false << "../outside.bmp" << kLime << kBlack << 1 << none << none << none << false
        << false << none << false << bare << "../outside.bmp" << kLime << kBlack << none;
    QTest::newRow("custom colours come back unchanged")
        << false << none << kCustom << quint32(0x00ABCDEF) << -1 << none << none << none << false
        << false << none << false << bare << none << kCustom << quint32(0x00ABCDEF) << none;
    QTest::newRow("a system colour comes back unchanged")
        << false << none << kLime << kButtonFace << -1 << none << none << none << true << false
        << none << false << bare << none << kLime << kButtonFace << none;
    QTest::newRow("a custom colour replaced by a standard one")
        << false << none << kCustom << kButtonFace << -1 << none << "Lime"
        << "Black" << false << false << none << false << bare << none << kLime << kBlack << none;
}

void TestChangeSkin::outcomes() {
    QFETCH(bool, readOnly);
    QFETCH(QString, skin);
    QFETCH(quint32, color);
    QFETCH(quint32, backColor);
    QFETCH(int, useSkins);
    QFETCH(QString, pick);
    QFETCH(QString, pickColor);
    QFETCH(QString, pickBackColor);
    QFETCH(bool, closeBox);
    QFETCH(bool, openedChecked);
    QFETCH(QString, openedName);
    QFETCH(bool, skinVisible);
    QFETCH(QColor, picture);
    QFETCH(QString, skinFile);
    QFETCH(quint32, newColor);
    QFETCH(quint32, newBackColor);
    QFETCH(QString, message);

    TMDIChild* panel = newPanel(skin, color, backColor);
    App().ReadOnly = readOnly;
    SkinDialogSeen seen;
    dialogs_.drivers.push_back(
        k4test::ChooseSkin({useSkins, pick, pickColor, pickBackColor, closeBox, {}}, &seen));
    panel->ChangeSkin->trigger();

    QCOMPARE(seen.opened, !readOnly);
    QCOMPARE(dialogs_.drivers.empty(), !readOnly);
    QCOMPARE(App().WorkspaceModified, !readOnly);
    if (seen.opened) {
        QCOMPARE(seen.useSkins, openedChecked);
        QCOMPARE(seen.name, openedName);
        QCOMPARE(seen.color, color);
        QCOMPARE(seen.backColor, backColor);
    }
    QCOMPARE(panel->Skin->isVisibleTo(panel), skinVisible);
    QCOMPARE(PictureColour(panel->Skin), picture);
    QCOMPARE(panel->SkinFile, skinFile);
    QCOMPARE(panel->LCDColor, newColor);
    QCOMPARE(panel->LCDBackColor, newBackColor);
    const DeviceRecord& r = table_[0];
    QCOMPARE(r.Skin, readOnly ? skin : skinFile);
    QCOMPARE(r.LCDColor, newColor);
    QCOMPARE(r.LCDBackColor, newBackColor);
    QCOMPARE(dialogs_.shown, message.isEmpty() ? QStringList() : QStringList(message));
}

void TestChangeSkin::panelClosedWhileOpenIsLeftAlone() {
    QPointer<TMDIChild> panel = newPanel(QStringLiteral("steel.bmp"), kLime, kBlack);
    SkinChoice choice{0, {}, QStringLiteral("Red"), QStringLiteral("Navy"), false, {}};
    choice.whileOpen = [this](TSkinSelector&) {
        panel_->closePanel();
        panel_ = nullptr;
        FlushDeletes();
    };
    dialogs_.drivers.push_back(k4test::ChooseSkin(choice));
    ChangeSkinAndColors(*panel, SkinSelector());
    QVERIFY(panel.isNull());
    QVERIFY(App().WorkspaceModified);
    QCOMPARE(table_[0].LCDColor, kLime);
    QCOMPARE(table_[0].LCDBackColor, kBlack);
    QCOMPARE(table_[0].Skin, QStringLiteral("steel.bmp"));
}

// A device that does not answer sends nothing that would repaint its display: the command does.
void TestChangeSkin::newColoursShowAtOnce() {
    TMDIChild* panel = newPanel(QString(), kLime, kBlack);
    panel->ShowCommError();
    // Hidden already, so hiding it again repaints nothing: only the command's own repaint counts.
    panel->Skin->hide();
    panel->repaintDisplay();
    QCoreApplication::processEvents();
    EventCounter paints(panel->StringGrid1, QEvent::Paint);
    // The operator's choice without showing the dialog, so that no window comes or goes and
    // repaints the panel on its own account.
    dialogs_.drivers.push_back([](QDialog& dialog) {
        auto& selector = static_cast<TSkinSelector&>(dialog);
        k4test::PickColor(selector.LCDColor, QStringLiteral("Yellow"));
        k4test::PickColor(selector.LCDBackColor, QStringLiteral("Navy"));
        return int(QDialog::Accepted);
    });
    // What earlier showings left to paint goes first; only what comes after the settling counts.
    for (int round = 0; round < 20; ++round) {
        paints.count = 0;
        QCoreApplication::processEvents();
        if (paints.count == 0) {
            break;
        }
    }
    QCOMPARE(paints.count, 0);
    panel->ChangeSkin->trigger();
    QCoreApplication::processEvents();
    QVERIFY(paints.count > 0);
    // Row 1 of the error text: "ERROR" on red, the rest on the new background.
    const QImage display = k4test::GrabDisplay(*panel);
    QCOMPARE(k4test::CountCell(display, 0, 1, QColor(0, 0, 128), QColor(255, 255, 0)).background,
             11 * 22);
}

QTEST_MAIN(TestChangeSkin)
#include "tst_changeskin.moc"
