// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/aboutbox.h"

#include "shell/builddate.h"

#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

// The resource file lives in a static library: its registration must be pulled in by name.
static void InitShellResources() {
    Q_INIT_RESOURCE(shell);
}

namespace k4 {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

}  // namespace

QIcon ProgramIconImage() {
    InitShellResources();
    return QIcon(QStringLiteral(":/k4shell/k4mgr.png"));
}

QString TAboutBox::VersionText() {
    return QStringLiteral("Version: ") + ProgramBuildDate();
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setGeometry(8, 8, 281, 161);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 65, 57);
    ProgramIcon->setPixmap(ProgramIconImage().pixmap(48, 48));
    ProgramIcon->setAlignment(Qt::AlignCenter);

    ProductName = MakeLabel(Panel1, "ProductName", QStringLiteral("Product Name: K4mgr"), 88, 16);
    Version = MakeLabel(Panel1, "Version", VersionText(), 88, 40);
    Copyright = MakeLabel(Panel1, "Copyright",
                          QStringLiteral("Operator console for KVT transcoders\n"
                                         "sharing one RS232 line."),
                          8, 80);
    Comments = MakeLabel(Panel1, "Comments", QStringLiteral("https://k4mgr.example.org"), 8, 120);
    // Shown like a link, but only for reading: clicking it does nothing.
    QPalette linkPalette = Comments->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    Comments->setPalette(linkPalette);
    Comments->setCursor(Qt::PointingHandCursor);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 178, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(298, 212);
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen, whatever window asked for it.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace k4
