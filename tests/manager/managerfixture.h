// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the manager window's tests share: the program without a line (offlineprogram.h) with its
// frame shown, and a driver that plays the operator at the device editor.
#include "manager/kvteditor.h"
#include "manager/kvtmanager.h"
#include "offlineprogram.h"
#include "state/appstate.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include <functional>

namespace k4test {

// Plays the operator at the device editor: types each ID in turn (and the title, unless it is
// null) and presses Ok until the dialog accepts. whileOpen runs first, while the dialog is up.
using EditorDriver = std::function<int(QDialog&)>;
inline EditorDriver AnswerEditor(QStringList ids, QString title = QString(),
                                 std::function<void(k4::TKVTEditor&)> whileOpen = {}) {
    return [ids = std::move(ids), title = std::move(title),
            whileOpen = std::move(whileOpen)](QDialog& dialog) {
        auto& editor = static_cast<k4::TKVTEditor&>(dialog);
        if (whileOpen) {
            whileOpen(editor);
        }
        for (const QString& id : ids) {
            editor.ID->setText(id);
            if (!title.isNull()) {
                editor.Title->setText(title);
            }
            editor.EditOk->click();
            if (editor.result() == QDialog::Accepted) {
                break;
            }
        }
        return editor.result();
    };
}

class ManagerFixture : public OfflineProgram {
public:
    ManagerFixture() {
        frame.area.show();
        k4::App().WorkspacePath = QStringLiteral("/tmp/old.DID");
    }
    // The manager goes first; the program's link and frame after it.
    ~ManagerFixture() {
        if (manager != nullptr && k4::App().Manager == manager) {
            manager->closeManager();
            k4::App().Manager = nullptr;
        }
    }

    k4::TMDIKVTMAN* open(const QString& workspace = QStringLiteral("Plant.DID")) {
        manager = k4::TMDIKVTMAN::OpenManagerWindow();
        manager->AddRootNode(workspace);
        return manager;
    }

    // Adds a device through the Add command, answering its editor with id and name.
    int add(int id, const QString& name) {
        dialogs.drivers.push_back(AnswerEditor({QString::number(id)}, name));
        manager->AddNewKVT1Click();
        return manager->table().lastIndex();
    }

    QList<QTreeWidgetItem*> deviceNodes() const {
        QList<QTreeWidgetItem*> nodes;
        for (int i = 0; i < manager->rootNode()->childCount(); ++i) {
            nodes << manager->rootNode()->child(i);
        }
        return nodes;
    }

    k4::TMDIKVTMAN* manager = nullptr;
};

}  // namespace k4test
