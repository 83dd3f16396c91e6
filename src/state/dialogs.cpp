// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace k4 {
namespace {

class MessageBoxDialogs final : public Dialogs {
public:
    void information(const QString& text) override {
        QMessageBox box(QMessageBox::Information, QString(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        // Messages name files and devices the operator chose: never read as markup.
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    Answer question(const QString& text, bool withCancel) override {
        auto buttons = QMessageBox::Yes | QMessageBox::No;
        if (withCancel) {
            buttons |= QMessageBox::Cancel;
        }
        QMessageBox box(QMessageBox::Question, QString(), text, buttons,
                        QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        switch (box.exec()) {
            case QMessageBox::Yes:
                return Answer::Yes;
            case QMessageBox::No:
                return Answer::No;
            default:
                return withCancel ? Answer::Cancel : Answer::No;
        }
    }
    int execModal(QDialog& dialog) override { return dialog.exec(); }
    QString openFileName(const FileRequest& request) override {
        return runFileDialog(request, QFileDialog::AcceptOpen);
    }
    QString saveFileName(const FileRequest& request) override {
        return runFileDialog(request, QFileDialog::AcceptSave);
    }

private:
    static QString runFileDialog(const FileRequest& request, QFileDialog::AcceptMode mode) {
        QFileDialog dialog(QApplication::activeWindow(), request.title, request.folder);
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
        dialog.setNameFilter(request.filter);
        dialog.setDefaultSuffix(request.defaultSuffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        if (!request.fileName.isEmpty()) {
            dialog.selectFile(request.fileName);
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        return dialog.selectedFiles().constFirst();
    }
};

Dialogs* installed = nullptr;

}  // namespace

Dialogs& UiDialogs() {
    static MessageBoxDialogs real;
    return installed ? *installed : real;
}

void SetDialogs(Dialogs* dialogs) {
    installed = dialogs;
}

}  // namespace k4
