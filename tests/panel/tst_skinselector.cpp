// SPDX-License-Identifier: GPL-3.0-or-later
// The skin dialog as a window: its layout, the preview that copies a panel, the file list, the
// colour boxes and the ways it closes.
#include "panel/colorbox.h"
#include "panel/colorvalues.h"
#include "panel/mdichild.h"
#include "panel/skinselector.h"
#include "panelpixels.h"
#include "skinbitmap.h"
#include "skinoperator.h"
#include "state/appstate.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace k4;
using k4test::WriteSkinBitmap;

namespace {

QColor PreviewPicture(const TSkinSelector& dialog) {
    const QPixmap picture = dialog.Preview.Skin->pixmap();
    return picture.isNull() ? QColor() : picture.toImage().pixelColor(150, 10);
}

}  // namespace

class TestSkinSelector : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void window();
    void layout_data();
    void layout();
    void previewCopiesThePanel();
    void previewShowsTheChosenColours_data();
    void previewShowsTheChosenColours();
    void colourBoxKeepsAnUnnamedValue();
    void fileListAndUseSkins();
    void clickBesideTheFilesDoesNothing();
    void missingFileKeepsThePreviewPicture();
    void noSkinsFolder();

private:
    QTemporaryDir root_;
    TSkinSelector* dialog_ = nullptr;
};

void TestSkinSelector::initTestCase() {
    App().AppDir = root_.path() + QLatin1Char('/');
    QVERIFY(QDir(root_.path()).mkdir(QStringLiteral("SKINS")));
    QVERIFY(
        WriteSkinBitmap(root_.filePath(QStringLiteral("SKINS/steel.bmp")), QColor(120, 130, 140)));
    QVERIFY(WriteSkinBitmap(root_.filePath(QStringLiteral("SKINS/Night.BMP")), QColor(10, 20, 60)));
    QFile notes(root_.filePath(QStringLiteral("SKINS/notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
}

void TestSkinSelector::init() {
    dialog_ = new TSkinSelector;
}

void TestSkinSelector::cleanup() {
    delete dialog_;
    dialog_ = nullptr;
}

void TestSkinSelector::window() {
    QCOMPARE(dialog_->objectName(), QStringLiteral("SkinSelector"));
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("SkinSelector"));
    QCOMPARE(dialog_->size(), QSize(325, 369));
    QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
    QCOMPARE(dialog_->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(dialog_->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!dialog_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(dialog_->isModal());
    QVERIFY(dialog_->BOk->isDefault());
    QCOMPARE(dialog_->font().pixelSize(), 11);
}

void TestSkinSelector::layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");  // an empty size: a label that sizes itself
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("UseSkins") << "UseSkins" << QRect(8, 0, 97, 17) << "Use skins" << true << true;
    QTest::newRow("SSelector") << "SSelector" << QRect(8, 16, 249, 113) << "" << false << true;
    QTest::newRow("BOk") << "BOk" << QRect(264, 104, 57, 25) << "Ok" << true << true;
    QTest::newRow("Label5") << "Label5" << QRect(16, 136, 0, 0) << "Display color" << true << true;
    QTest::newRow("LCDBackColor") << "LCDBackColor" << QRect(16, 152, 81, 22) << "" << true << true;
    QTest::newRow("Label6") << "Label6" << QRect(168, 136, 0, 0) << "Display font color" << true
                            << true;
    QTest::newRow("LCDColor") << "LCDColor" << QRect(168, 152, 81, 22) << "" << true << true;
    QTest::newRow("Label7") << "Label7" << QRect(16, 192, 0, 0) << "Current skin:" << true << true;
    QTest::newRow("SFName") << "SFName" << QRect(80, 184, 225, 21) << "" << true << false;
    QTest::newRow("Panel1") << "Panel1" << QRect(16, 206, 291, 154) << "" << true << true;
}

void TestSkinSelector::layout() {
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    QFETCH(QString, text);
    QFETCH(bool, shown);
    QFETCH(bool, enabled);
    dialog_->show();
    auto* control = dialog_->findChild<QWidget*>(name);
    QVERIFY2(control != nullptr, qPrintable(name));
    QCOMPARE(control->parentWidget(), dialog_);
    if (rect.isEmpty()) {
        QCOMPARE(control->pos(), rect.topLeft());
        // The text fits the dialog: it ends before the dialog's edge.
        QVERIFY(control->geometry().right() < dialog_->width());
    } else {
        QCOMPARE(control->geometry(), rect);
    }
    QCOMPARE(control->isVisible(), shown);
    QCOMPARE(control->isEnabled(), enabled);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        QCOMPARE(label->text(), text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QCOMPARE(button->text(), text);
    }
}

// Every control of a panel window is in Panel1 under its name, place and caption; only the
// picture sits inside the preview's 1-pixel border, and the LED is red.
void TestSkinSelector::previewCopiesThePanel() {
    auto* panel = new TMDIChild;
    QList<QWidget*> originals;
    for (QWidget* child : panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow()) {  // the context menu is a window of its own
            originals << child;
        }
    }
    QCOMPARE(originals.size(), 1 + 1 + 1 + 4 + 18);
    for (const QWidget* original : originals) {
        const QString name = original->objectName();
        auto* copy = dialog_->Panel1->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        QVERIFY2(copy != nullptr, qPrintable(name));
        QCOMPARE(copy->metaObject()->className(), original->metaObject()->className());
        const QRect expected =
            name == QLatin1String("Skin") ? QRect(1, 1, 289, 152) : original->geometry();
        QCOMPARE(copy->geometry(), expected);
        QCOMPARE(copy->font(), original->font());
        if (auto* label = qobject_cast<const QLabel*>(original)) {
            QCOMPARE(static_cast<QLabel*>(copy)->text(), label->text());
        } else if (auto* button = qobject_cast<const QPushButton*>(original)) {
            QCOMPARE(static_cast<QPushButton*>(copy)->text(), button->text());
        }
    }
    delete panel;
    QCOMPARE(dialog_->Preview.Diod->fill(), QColor(255, 0, 0));
    QVERIFY(!dialog_->Preview.StringGrid1->isEnabled());
    QCOMPARE(dialog_->Panel1->frameWidth(), 1);
}

void TestSkinSelector::previewShowsTheChosenColours_data() {
    QTest::addColumn<quint32>("color");
    QTest::addColumn<quint32>("backColor");
    QTest::addColumn<QString>("pickColor");
    QTest::addColumn<QString>("pickBackColor");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");
    const QColor buttonFace = QApplication::palette().color(QPalette::Active, QPalette::Button);
    QTest::newRow("as opened") << quint32(0x00FF00) << quint32(0) << ""
                               << "" << QColor(0, 255, 0) << QColor(0, 0, 0);
    QTest::newRow("picked") << quint32(0x00FF00) << quint32(0) << "Yellow"
                            << "Navy" << QColor(255, 255, 0) << QColor(0, 0, 128);
    QTest::newRow("custom and system as opened") << quint32(0x123456) << quint32(0xFF00000F) << ""
                                                 << "" << QColor(0x56, 0x34, 0x12) << buttonFace;
}

void TestSkinSelector::previewShowsTheChosenColours() {
    QFETCH(quint32, color);
    QFETCH(quint32, backColor);
    QFETCH(QString, pickColor);
    QFETCH(QString, pickBackColor);
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    // The colours of an earlier showing must not linger.
    dialog_->prepare(0xFFFFFF, 0x808080, false, QString());
    dialog_->prepare(color, backColor, false, QString());
    dialog_->show();
    if (!pickColor.isEmpty()) {
        k4test::PickColor(dialog_->LCDColor, pickColor);
        k4test::PickColor(dialog_->LCDBackColor, pickBackColor);
    }
    const QImage display =
        dialog_->Preview.StringGrid1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // " TEST MESSAGE " from column 5 of the top row: letters in the text colour, and a space
    // on each side of it.
    const int first = TSkinSelector::kSampleColumn;
    for (int column = first + 1; column < first + 13; ++column) {
        const bool space = column == first + 5;  // between "TEST" and "MESSAGE"
        const auto cell = k4test::CountCell(display, column, 0, background, text);
        QCOMPARE(cell.other + cell.text + cell.background, 11 * 22);
        QVERIFY2(space ? cell.text == 0 : cell.text >= 12, qPrintable(QString::number(column)));
    }
    for (int column = 0; column < kDisplayColumns; ++column) {
        QCOMPARE(k4test::CountCell(display, column, 1, background, text).background, 11 * 22);
    }
    QCOMPARE(k4test::CountCell(display, first, 0, background, text).background, 11 * 22);
    QCOMPARE(k4test::CountCell(display, first + 13, 0, background, text).background, 11 * 22);
    QCOMPARE(dialog_->previewColor(), dialog_->LCDColor->value());
    QCOMPARE(dialog_->previewBackColor(), dialog_->LCDBackColor->value());
}

// An unnamed value shows as "Custom" with its own swatch and comes back out exactly; it is
// dropped once the box holds a named value again.
void TestSkinSelector::colourBoxKeepsAnUnnamedValue() {
    ColorBox* box = dialog_->LCDColor;
    const int named = box->count();
    QCOMPARE(named, int(NamedColors().size()));
    for (const std::uint32_t value : {0x123456u, 0xFF000019u}) {  // a second one replaces it
        box->setValue(value);
        QCOMPARE(box->value(), value);
        QCOMPARE(box->count(), named + 1);
        QCOMPARE(box->currentText(), QStringLiteral("Custom"));
        const QImage swatch = box->itemIcon(box->currentIndex()).pixmap(14, 10).toImage();
        QCOMPARE(swatch.pixelColor(7, 5), DisplayColor(value, box->palette()));
    }
    box->setValue(0x0000FF);
    QCOMPARE(box->currentText(), QStringLiteral("Red"));
    QCOMPARE(box->count(), named);
    box->setValue(0xFF00000F);
    QCOMPARE(box->currentText(), QStringLiteral("Button face"));
    QCOMPARE(box->value(), 0xFF00000Fu);
}

void TestSkinSelector::fileListAndUseSkins() {
    dialog_->prepare(0x00FF00, 0, false, QString());
    dialog_->show();
    QStringList listed;
    for (int i = 0; i < dialog_->SSelector->count(); ++i) {
        listed << dialog_->SSelector->item(i)->text();
    }
    QCOMPARE(listed, QStringList({"Night.BMP", "steel.bmp"}));
    QVERIFY(!dialog_->SSelector->isVisible());
    QVERIFY(!dialog_->Preview.Skin->isVisible());

    QTest::mouseClick(dialog_->UseSkins, Qt::LeftButton, {}, QPoint(6, 8));
    QVERIFY(dialog_->UseSkins->isChecked());
    QVERIFY(dialog_->SSelector->isVisible());
    QVERIFY(dialog_->Preview.Skin->isVisible());

    k4test::ClickItem(dialog_->SSelector, QStringLiteral("steel.bmp"));
    QCOMPARE(dialog_->SFName->text(), QStringLiteral("steel.bmp"));
    QCOMPARE(PreviewPicture(*dialog_), QColor(120, 130, 140));

    QTest::mouseClick(dialog_->UseSkins, Qt::LeftButton, {}, QPoint(6, 8));
    QVERIFY(!dialog_->SSelector->isVisible());
    QVERIFY(!dialog_->Preview.Skin->isVisible());
    QCOMPARE(dialog_->SFName->text(), QStringLiteral("steel.bmp"));

    // The next showing with that skin lists it as the chosen one.
    dialog_->hide();
    dialog_->prepare(0x00FF00, 0, true, QStringLiteral("Night.BMP"));
    dialog_->show();
    QVERIFY(dialog_->SSelector->isVisible());
    QCOMPARE(dialog_->SSelector->selectedItems().size(), 1);
    QCOMPARE(dialog_->SSelector->selectedItems().first()->text(), QStringLiteral("Night.BMP"));
    QCOMPARE(PreviewPicture(*dialog_), QColor(10, 20, 60));
}

void TestSkinSelector::clickBesideTheFilesDoesNothing() {
    dialog_->prepare(0x00FF00, 0, true, QStringLiteral("steel.bmp"));
    dialog_->show();
    const QRect last = dialog_->SSelector->visualItemRect(
        dialog_->SSelector->item(dialog_->SSelector->count() - 1));
    const QPoint below(last.center().x(), last.bottom() + 20);
    QVERIFY(dialog_->SSelector->itemAt(below) == nullptr);
    QTest::mouseClick(dialog_->SSelector->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(dialog_->SFName->text(), QStringLiteral("steel.bmp"));
    QCOMPARE(PreviewPicture(*dialog_), QColor(120, 130, 140));
}

void TestSkinSelector::missingFileKeepsThePreviewPicture() {
    dialog_->prepare(0x00FF00, 0, true, QStringLiteral("steel.bmp"));
    dialog_->SFName->setText(QStringLiteral("gone.bmp"));
    QCOMPARE(PreviewPicture(*dialog_), QColor(120, 130, 140));
    dialog_->SFName->setText(QStringLiteral("../SKINS/Night.BMP"));  // no bare name: no file
    QCOMPARE(PreviewPicture(*dialog_), QColor(120, 130, 140));
}

void TestSkinSelector::noSkinsFolder() {
    const QString appDir = App().AppDir;
    QTemporaryDir empty;
    App().AppDir = empty.path() + QLatin1Char('/');
    dialog_->prepare(0x00FF00, 0, true, QString());
    dialog_->show();
    App().AppDir = appDir;
    QCOMPARE(dialog_->SSelector->count(), 1);
    QListWidgetItem* line = dialog_->SSelector->item(0);
    QVERIFY(line->text().contains(QStringLiteral("SKINS")));
    QVERIFY(!line->flags().testFlag(Qt::ItemIsEnabled));
    k4test::ClickItem(dialog_->SSelector, line->text());
    dialog_->SSelectorClick(line);
    QCOMPARE(dialog_->SFName->text(), QString());
}

QTEST_MAIN(TestSkinSelector)
#include "tst_skinselector.moc"
