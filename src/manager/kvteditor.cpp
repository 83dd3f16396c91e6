// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/kvteditor.h"
#include "state/placecontrol.h"

#include "core/deviceidrules.h"
#include "core/workspacefile.h"
#include "manager/kvtmanager.h"
#include "manager/updownbutton.h"
#include "state/appstate.h"
#include "state/dialogs.h"
#include "state/formfont.h"
#include "state/typedbytelimit.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

namespace k4 {

namespace {

constexpr int kIdDigits = 3;

QString SignedText(std::uint8_t id) {
    return QString::number(static_cast<std::int8_t>(id));
}

}  // namespace

TKVTEditor::TKVTEditor(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("KVTEditor"));
    setWindowTitle(QStringLiteral("Edit transcoder"));
    setFont(FormFont());
    setModal(true);
    setFixedSize(281, 105);
    move(441, 214);

    GroupBox1 = Place(new QGroupBox(QStringLiteral("Enter:"), this), "GroupBox1", 0, 0, 281, 105);
    Label2 = Place(new QLabel(QStringLiteral("Device ID(1-127)"), GroupBox1), "Label2", 16, 16);
    ID = Place(new QLineEdit(QStringLiteral("1"), GroupBox1), "ID", 104, 16, 41, 21);
    ID->setMaxLength(kIdDigits);
    BPlusMinus = Place(new UpDownButton(GroupBox1), "BPlusMinus", 144, 16, 20, 25);
    Label1 = Place(new QLabel(QStringLiteral("Title:"), GroupBox1), "Label1", 16, 48);
    Title = Place(new QLineEdit(QStringLiteral("New trancoder 1"), GroupBox1), "Title", 40, 48, 233,
                  21);
    titleLimit_ = new TypedByteLimit(Title, kDeviceNameBytes);
    EditOk = Place(new QPushButton(QStringLiteral("Ok"), GroupBox1), "EditOk", 200, 72, 75, 25);
    EditOk->setDefault(true);

    setTabOrder(Title, EditOk);
    setTabOrder(EditOk, ID);
    setTabOrder(ID, BPlusMinus);

    connect(BPlusMinus, &UpDownButton::upClicked, this, &TKVTEditor::BPlusMinusUpClick);
    connect(BPlusMinus, &UpDownButton::downClicked, this, &TKVTEditor::BPlusMinusDownClick);
    connect(EditOk, &QPushButton::clicked, this, &TKVTEditor::EditOkClick);
    Title->installEventFilter(this);
}

void TKVTEditor::prepare(std::uint8_t devId, const QString& deviceName, std::int32_t editIndex) {
    DevID = devId;
    DeviceName = deviceName;
    EditIndex = editIndex;
    // A showing that never reaches Ok must not report the previous showing's acceptance.
    setResult(QDialog::Rejected);
    FormActivate();
}

void TKVTEditor::FormActivate() {
    // Three characters are typed at most; an ID loaded from a file as 128..156 reads -128..-100
    // and is shown whole.
    const QString id = SignedText(DevID);
    ID->setMaxLength(std::max<int>(kIdDigits, id.size()));
    ID->setText(id);
    titleLimit_->setTextWhole(DeviceName);
    Title->setFocus(Qt::OtherFocusReason);
}

void TKVTEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TKVTEditor::BPlusMinusUpClick() {
    ID->setText(QString::number(DeviceIdStepUp(ReadDeviceIdText(ID->text()))));
}

void TKVTEditor::BPlusMinusDownClick() {
    ID->setText(QString::number(DeviceIdStepDown(ReadDeviceIdText(ID->text()))));
}

void TKVTEditor::EditOkClick() {
    const int v = ReadDeviceIdText(ID->text());
    const DeviceTable* table = App().Manager ? &App().Manager->table() : nullptr;
    switch (CheckDeviceId(v, table, EditIndex)) {
        case DeviceIdCheck::OutOfRange:
            UiDialogs().information(QStringLiteral("Error! Pleace enter correct ID!"));
            return;
        case DeviceIdCheck::Duplicate:
            UiDialogs().information(QStringLiteral("Error! This number already exist!!!"));
            return;
        case DeviceIdCheck::Accepted:
            break;
    }
    // The exchange values change only with an accepted ID, so a refused one never leaks out.
    DevID = static_cast<std::uint8_t>(v);
    DeviceName = Title->text();
    accept();
}

void TKVTEditor::reject() {}

bool TKVTEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Title && event->type() == QEvent::KeyPress) {
        return TitleKeyPress(static_cast<QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

bool TKVTEditor::TitleKeyPress(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        return false;
    }
    EditOk->click();
    return true;
}

TKVTEditor& KVTEditor() {
    static QPointer<TKVTEditor> editor;
    if (!editor) {
        editor = new TKVTEditor;
        // Widgets must go before the application object does.
        qAddPostRoutine([] { delete editor.data(); });
    }
    return *editor;
}

}  // namespace k4
