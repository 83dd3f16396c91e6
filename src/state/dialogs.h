// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QDialog;

namespace k4 {

// What a file-open or file-save dialog is asked to show. filter is in the toolkit's form
// ("KVTKey workspace (*.DID)"); defaultSuffix is added by the dialog to a name typed without one.
struct FileRequest {
    QString title;
    QString folder;    // the folder the dialog starts in
    QString fileName;  // the name it proposes (may be a full path)
    QString filter;
    QString defaultSuffix;
    bool confirmOverwrite = false;  // save only: ask before replacing an existing file
};

// Every message box and modal dialog of the program goes through here, so a test can read the
// texts and answer them instead of a person.
class Dialogs {
public:
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Dialogs() = default;
    // A plain box with one OK button and no caption of its own.
    virtual void information(const QString& text) = 0;
    // Yes and No (and Cancel when withCancel), no caption of its own.
    virtual Answer question(const QString& text, bool withCancel) = 0;
    // Shows a modal dialog and returns its result (QDialog::exec for people).
    virtual int execModal(QDialog& dialog) = 0;
    // The path the operator picked, empty when the dialog was cancelled. A stand-in that does not
    // answer file dialogs cancels them.
    virtual QString openFileName(const FileRequest& request) {
        static_cast<void>(request);
        return {};
    }
    virtual QString saveFileName(const FileRequest& request) {
        static_cast<void>(request);
        return {};
    }
};

// The program's seam; a test installs its own with SetDialogs (nullptr restores the real one).
Dialogs& UiDialogs();
void SetDialogs(Dialogs* dialogs);

}  // namespace k4
