// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/skinselector.h"
#include "state/placecontrol.h"

#include "panel/colorbox.h"
#include "panel/colorvalues.h"
#include "panel/displaycells.h"
#include "panel/panelskin.h"
#include "panel/skinfiles.h"
#include "state/appstate.h"
#include "state/formfont.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

namespace k4 {

namespace {

constexpr QRect kPanel1Rect{16, 206, kPanelClientWidth, kPanelClientHeight};
// The preview's picture fills Panel1 inside its 1-pixel border.
constexpr QRect kPreviewSkinRect{1, 1, kPanelClientWidth - 2, kPanelClientHeight - 2};
constexpr int kSampleLength = static_cast<int>(sizeof(TSkinSelector::kSampleText)) - 1;

// The list's line when there is no skins folder to list: it names the folder and is no file.
const char* const kNoFolderLine = "No SKINS folder beside the program";

}  // namespace

TSkinSelector::TSkinSelector(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("SkinSelector"));
    setWindowTitle(QStringLiteral("SkinSelector"));
    setFont(FormFont());
    setModal(true);
    setFixedSize(325, 369);

    UseSkins = Place(new QCheckBox(QStringLiteral("Use skins"), this), "UseSkins", 8, 0, 97, 17);
    SSelector = Place(new QListWidget(this), "SSelector", 8, 16, 249, 113);
    SSelector->setSelectionMode(QAbstractItemView::SingleSelection);
    SSelector->hide();
    BOk = Place(new QPushButton(QStringLiteral("Ok"), this), "BOk", 264, 104, 57, 25);
    BOk->setDefault(true);
    BOk->setAutoDefault(true);
    Label5 = Place(new QLabel(QStringLiteral("Display color"), this), "Label5", 16, 136);
    LCDBackColor = Place(new ColorBox(this), "LCDBackColor", 16, 152, 81, 22);
    Label6 = Place(new QLabel(QStringLiteral("Display font color"), this), "Label6", 168, 136);
    LCDColor = Place(new ColorBox(this), "LCDColor", 168, 152, 81, 22);
    Label7 = Place(new QLabel(QStringLiteral("Current skin:"), this), "Label7", 16, 192);
    SFName = Place(new QLineEdit(this), "SFName", 80, 184, 225, 21);
    SFName->setEnabled(false);
    QPalette face = SFName->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        face.setColor(group, QPalette::Base, face.color(QPalette::Active, QPalette::Button));
    }
    SFName->setPalette(face);
    buildPreview();

    connect(UseSkins, &QCheckBox::clicked, this, &TSkinSelector::UseSkinsClick);
    connect(SSelector, &QListWidget::itemSelectionChanged, this, &TSkinSelector::selectionChanged);
    connect(LCDBackColor, &QComboBox::currentIndexChanged, this,
            &TSkinSelector::LCDBackColorChange);
    connect(LCDColor, &QComboBox::currentIndexChanged, this, &TSkinSelector::LCDBackColorChange);
    connect(SFName, &QLineEdit::textChanged, this, &TSkinSelector::SFNameChange);
    connect(BOk, &QPushButton::clicked, this, &TSkinSelector::BOkClick);
}

void TSkinSelector::buildPreview() {
    Panel1 = Place(new QFrame(this), "Panel1", kPanel1Rect.left(), kPanel1Rect.top(),
                   kPanel1Rect.width(), kPanel1Rect.height());
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);
    Panel1->setBackgroundRole(QPalette::Button);
    Preview = BuildPanelFace(Panel1, kPreviewSkinRect);
    Preview.Diod->setFill(QColor(255, 0, 0));
    Preview.StringGrid1->setDrawCell(
        [this](QPainter& painter, int column, int row, const QRect& cell) {
            drawPreviewCell(painter, column, row, cell);
        });
    // The preview's keys are pictures of keys: they do nothing and are not in the tab chain.
    for (QPushButton* key : Preview.Buttons) {
        key->setFocusPolicy(Qt::NoFocus);
    }
}

void TSkinSelector::drawPreviewCell(QPainter& painter, int column, int row,
                                    const QRect& cell) const {
    char code = ' ';
    if (row == 0 && column >= kSampleColumn && column < kSampleColumn + kSampleLength) {
        code = kSampleText[column - kSampleColumn];
    }
    const CellLook look =
        LookOfCell(static_cast<std::uint8_t>(code), DisplayColor(previewColor_, palette()),
                   DisplayColor(previewBackColor_, palette()));
    DrawDisplayCell(painter, cell, look);
}

void TSkinSelector::prepare(std::uint32_t lcdColor, std::uint32_t lcdBackColor, bool useSkins,
                            const QString& skinName) {
    LCDColor->setValue(lcdColor);
    LCDBackColor->setValue(lcdBackColor);
    UseSkins->setChecked(useSkins);
    SFName->setText(skinName);
    LCDBackColorChange();
    setResult(QDialog::Rejected);
}

void TSkinSelector::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

bool TSkinSelector::event(QEvent* event) {
    // Coming back to the dialog (from a file manager, say) lists the folder again.
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QDialog::event(event);
}

void TSkinSelector::FormActivate() {
    fillFileList();
    const bool show = UseSkins->isChecked();
    Preview.Skin->setVisible(show);
    SSelector->setVisible(show);
}

void TSkinSelector::fillFileList() {
    const QString folder = App().skinsDir();
    QStringList lines = ListSkinFiles(folder);
    const bool noFolder = !QDir(folder).exists();
    if (noFolder) {
        lines = QStringList(QString::fromLatin1(kNoFolderLine));
    }
    QStringList shown;
    for (int i = 0; i < SSelector->count(); ++i) {
        shown << SSelector->item(i)->text();
    }
    fillingList_ = true;
    if (shown != lines) {
        SSelector->clear();
        SSelector->addItems(lines);
        if (noFolder) {
            SSelector->item(0)->setFlags(Qt::NoItemFlags);
        }
    }
    // The list shows the chosen file as selected, or nothing.
    SSelector->clearSelection();
    if (!noFolder) {
        const QList<QListWidgetItem*> chosen =
            SSelector->findItems(SFName->text(), Qt::MatchExactly);
        if (!SFName->text().isEmpty() && !chosen.isEmpty()) {
            SSelector->setCurrentItem(chosen.first());
            SSelector->scrollToItem(chosen.first());
        }
    }
    fillingList_ = false;
}

void TSkinSelector::selectionChanged() {
    if (fillingList_) {
        return;
    }
    const QList<QListWidgetItem*> selected = SSelector->selectedItems();
    // A click beside the files clears the selection at most: nothing is chosen by it.
    if (!selected.isEmpty()) {
        SSelectorClick(selected.first());
    }
}

void TSkinSelector::SSelectorClick(QListWidgetItem* item) {
    if (item == nullptr || !item->flags().testFlag(Qt::ItemIsEnabled)) {
        return;
    }
    const QString name = item->text();
    if (SFName->text() == name) {
        showPreviewSkin(name);
    } else {
        SFName->setText(name);  // SFNameChange shows it
    }
}

void TSkinSelector::UseSkinsClick() {
    const bool show = UseSkins->isChecked();
    Preview.Skin->setVisible(show);
    SSelector->setVisible(show);
}

void TSkinSelector::LCDBackColorChange() {
    previewBackColor_ = LCDBackColor->value();
    previewColor_ = LCDColor->value();
    Preview.StringGrid1->update();
}

void TSkinSelector::SFNameChange() {
    showPreviewSkin(SFName->text());
}

void TSkinSelector::showPreviewSkin(const QString& name) {
    if (!SkinFileExists(App().skinsDir(), name)) {
        return;  // the preview keeps the picture it has
    }
    // A file that is no readable picture shows as no picture, not as the one chosen before it.
    Preview.Skin->setPixmap(SkinPicture(name).value_or(QPixmap()));
    Preview.Skin->update();
}

void TSkinSelector::BOkClick() {
    accept();
}

TSkinSelector& SkinSelector() {
    static QPointer<TSkinSelector> dialog;
    if (!dialog) {
        dialog = new TSkinSelector;
        // Widgets must go before the application object does.
        qAddPostRoutine([] { delete dialog.data(); });
    }
    return *dialog;
}

}  // namespace k4
