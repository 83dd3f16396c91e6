#pragma once

#include <QString>

class QDialog;

namespace k4 {

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
};

// The program's seam; a test installs its own with SetDialogs (nullptr restores the real one).
Dialogs& UiDialogs();
void SetDialogs(Dialogs* dialogs);

}  // namespace k4
