// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/panelskin.h"

#include "core/devicetable.h"
#include "panel/colorbox.h"
#include "panel/mdichild.h"
#include "panel/panelparts.h"
#include "panel/skinfiles.h"
#include "panel/skinpicture.h"
#include "panel/skinselector.h"
#include "state/appstate.h"
#include "state/dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>

namespace k4 {

namespace {

const QSize kShownSkin{kPanelClientWidth, kPanelClientHeight};

}  // namespace

SkinLoad LoadSkin(TMDIChild& panel, const QString& name) {
    const QString path = FindSkinFile(App().skinsDir(), name);
    if (path.isEmpty()) {
        return SkinLoad::NoFile;
    }
    const std::optional<QPixmap> picture = SkinPictureOf(path, kShownSkin);
    if (!picture) {
        return SkinLoad::Unreadable;
    }
    panel.Skin->setPixmap(*picture);
    panel.Skin->show();
    // The name as the workspace spells it, also when the file's own name differs in case.
    panel.SkinFile = name;
    return SkinLoad::Loaded;
}

std::optional<QPixmap> SkinPicture(const QString& name) {
    const QString path = FindSkinFile(App().skinsDir(), name);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return SkinPictureOf(path, kShownSkin);
}

QStringList UnreadableSkinFiles(const QStringList& names) {
    QStringList paths;
    for (const QString& name : names) {
        const QString path = FindSkinFile(App().skinsDir(), name);
        if (!path.isEmpty() && !paths.contains(path) && !SkinPictureOf(path, kShownSkin)) {
            paths << path;
        }
    }
    return paths;
}

QString UnreadableSkinsMessage(const QStringList& paths) {
    QStringList shown;
    for (const QString& path : paths) {
        shown << QDir::toNativeSeparators(path);
    }
    if (shown.size() == 1) {
        return QStringLiteral("Skin file ") + shown.first() +
               QStringLiteral(" is not a readable bitmap!");
    }
    return QStringLiteral("Skin files not readable as bitmaps:\n") + shown.join(QLatin1Char('\n'));
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
        UiDialogs().information(UnreadableSkinsMessage({FindSkinFile(folder, name)}));
    }
}

}  // namespace k4
