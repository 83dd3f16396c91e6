#include "dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace k4 {
namespace {

class MessageBoxDialogs final : public Dialogs {
public:
    void information(const QString& text) override {
        QMessageBox box(QMessageBox::Information, QString(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    }
    Answer question(const QString& text, bool withCancel) override {
        auto buttons = QMessageBox::Yes | QMessageBox::No;
        if (withCancel) {
            buttons |= QMessageBox::Cancel;
        }
        QMessageBox box(QMessageBox::Question, QString(), text, buttons,
                        QApplication::activeWindow());
        switch (box.exec()) {
            case QMessageBox::Yes: return Answer::Yes;
            case QMessageBox::No: return Answer::No;
            default: return withCancel ? Answer::Cancel : Answer::No;
        }
    }
    int execModal(QDialog& dialog) override { return dialog.exec(); }
};

Dialogs* installed = nullptr;

}  // namespace

Dialogs& UiDialogs() {
    static MessageBoxDialogs real;
    return installed ? *installed : real;
}

void SetDialogs(Dialogs* dialogs) { installed = dialogs; }

}  // namespace k4
