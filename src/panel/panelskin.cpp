#include "panel/panelskin.h"

#include "core/devicetable.h"
#include "panel/colorbox.h"
#include "panel/mdichild.h"
#include "panel/skinfiles.h"
#include "panel/skinselector.h"
#include "state/appstate.h"
#include "state/dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>

namespace k4 {

SkinLoad LoadSkin(TMDIChild& panel, const QString& name) {
    const QString path = SkinPath(App().skinsDir(), name);
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return SkinLoad::NoFile;
    }
    const QPixmap picture(path);
    if (picture.isNull()) {
        return SkinLoad::Unreadable;
    }
    panel.Skin->setPixmap(picture);
    panel.Skin->show();
    panel.SkinFile = name;
    return SkinLoad::Loaded;
}

void ChangeSkinAndColors(TMDIChild& target, TSkinSelector& dialog) {
    AppState& app = App();
    if (app.ReadOnly) {
        UiDialogs().information(QStringLiteral("Not possible in ReadOnly mode."));
        return;
    }
    const QString folder = app.skinsDir();
    const bool skinThere = SkinFileExists(folder, target.SkinFile);
    dialog.prepare(target.LCDColor, target.LCDBackColor, skinThere,
                   skinThere ? target.SkinFile : QString());

    const QPointer<TMDIChild> panel(&target);
    UiDialogs().execModal(dialog);
    app.WorkspaceModified = true;
    if (panel.isNull()) {
        return;
    }

    const QString name = dialog.SFName->text();
    SkinLoad load = SkinLoad::NoFile;
    if (dialog.UseSkins->isChecked()) {
        load = LoadSkin(*panel, name);
    }
    if (load == SkinLoad::NoFile) {
        panel->Skin->hide();  // SkinFile keeps the name: a later load shows the skin again
    }
    panel->LCDColor = dialog.LCDColor->value();
    panel->LCDBackColor = dialog.LCDBackColor->value();
    // The workspace may have gone while the dialog was open; its table is looked up afresh.
    if (DeviceTable* table = app.Devices) {
        const int slot = table->indexOfPanel(panel->handle());
        if (slot >= 0) {
            DeviceRecord& record = (*table)[slot];
            record.LCDColor = panel->LCDColor;
            record.LCDBackColor = panel->LCDBackColor;
            record.Skin = panel->SkinFile;
        }
    }
    // A device that is not answering sends no replies to repaint after: show the colours now.
    panel->repaintDisplay();
    if (load == SkinLoad::Unreadable) {
        UiDialogs().information(QStringLiteral("Skin file ") +
                                QDir::toNativeSeparators(SkinPath(folder, name)) +
                                QStringLiteral(" is not a readable bitmap!"));
    }
}

}  // namespace k4
