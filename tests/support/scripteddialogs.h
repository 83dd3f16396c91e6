// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Answers the program's message boxes and modal dialogs in tests, and records every text shown.
#include "state/dialogs.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>

namespace k4test {

class ScriptedDialogs final : public k4::Dialogs {
public:
    ScriptedDialogs() { k4::SetDialogs(this); }
    ~ScriptedDialogs() override { k4::SetDialogs(nullptr); }

    void information(const QString& text) override { shown << text; }
    Answer question(const QString& text, bool withCancel) override {
        shown << text;
        questionHadCancel.push_back(withCancel);
        if (answers.empty()) {
            return Answer::No;
        }
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    // Each modal dialog is handed to the next driver, which plays the operator's part (it may
    // call accept() or fill fields and press buttons). Without a driver the dialog is rejected.
    int execModal(QDialog& dialog) override {
        if (drivers.empty()) {
            return QDialog::Rejected;
        }
        auto drive = std::move(drivers.front());
        drivers.pop_front();
        return drive(dialog);
    }

    // File dialogs: each takes the next preset path ("" cancels; none left cancels too) and
    // records what it was asked to show.
    QString openFileName(const k4::FileRequest& request) override {
        openRequests.push_back(request);
        return nextFileName();
    }
    QString saveFileName(const k4::FileRequest& request) override {
        saveRequests.push_back(request);
        return nextFileName();
    }

    QStringList shown;
    std::deque<Answer> answers;
    std::deque<bool> questionHadCancel;
    std::deque<std::function<int(QDialog&)>> drivers;
    std::deque<QString> fileNames;
    std::deque<k4::FileRequest> openRequests;
    std::deque<k4::FileRequest> saveRequests;

private:
    QString nextFileName() {
        if (fileNames.empty()) {
            return {};
        }
        QString name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};

}  // namespace k4test
