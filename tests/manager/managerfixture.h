#pragma once

// What the manager window's tests share: a stand-in main window, scripted dialogs, a link whose
// port never opens (so the link thread really runs and polls, without a line), and a driver that
// plays the operator at the device editor.
#include "appstate.h"
#include "kvteditor.h"
#include "kvtmanager.h"
#include "scripteddialogs.h"
#include "serialio.h"
#include "testframe.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

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

class ManagerFixture {
public:
    ManagerFixture() {
        k4::AppState& app = k4::App();
        app.Frame = &frame;
        frame.area.show();
        app.WorkspaceModified = false;
        app.ReadOnly = false;
        app.WorkspacePath = QStringLiteral("/tmp/old.DID");
        app.Link.setMessageSink([this](const QString& text) { linkMessages << text; });
        app.Link.setPortFactory([counter = portsMade](int) -> std::unique_ptr<k4::SerialIo> {
            counter->fetch_add(1);
            return std::make_unique<k4::NoPort>();
        });
    }
    ~ManagerFixture() {
        if (manager != nullptr && k4::App().Manager == manager) {
            manager->closeManager();
            k4::App().Manager = nullptr;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        k4::App().Link.StopLink();
        k4::App().Link.setMessageSink([](const QString&) {});
        k4::App().Frame = nullptr;
    }
    ManagerFixture(const ManagerFixture&) = delete;
    ManagerFixture& operator=(const ManagerFixture&) = delete;

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

    TestFrame frame;
    ScriptedDialogs dialogs;
    QStringList linkMessages;
    std::shared_ptr<std::atomic<int>> portsMade = std::make_shared<std::atomic<int>>(0);
    k4::TMDIKVTMAN* manager = nullptr;
};

}  // namespace k4test
