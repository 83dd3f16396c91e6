// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace k4 {

// The About box: the program's name, the build date and where to learn more. Made once at
// program start and shown modally by Help | About.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;

    // The text of the Version label: "Version: " and the date this file was compiled.
    static QString VersionText();

protected:
    void showEvent(QShowEvent* event) override;
};

// The program's icon (window icon and the About box's picture).
QIcon ProgramIconImage();

}  // namespace k4
