// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/workspacecommands.h"
#include "state/mainframe.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QMdiArea;
class QMenu;
class QMenuBar;
class QStatusBar;

namespace k4 {

class MacroRunMenu;
class MetricsExporter;
class ActivePanelFollower;
class EmptyFrameHint;
class TAboutBox;
enum class TileMode;

// The program's frame: the MDI area holding the manager, panel and macro windows, the menus and
// the status line. It is the program's MainFrame (App().Frame) for as long as it lives.
class TMainForm : public QMainWindow, public MainFrame {
    Q_OBJECT
public:
    // programDirectory is where the settings file lives; empty means the executable's folder.
    explicit TMainForm(QString programDirectory = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The About box made at program start; without one, the first About makes its own.
    void setAboutBox(TAboutBox* box);
    WorkspaceCommands& commands() { return commands_; }
    // Rebuilds the window list under Window1 (done each time the menu opens).
    void refreshWindowList();

    // MainFrame
    QMdiArea* mdiArea() override { return mdiArea_; }
    void setTitle(const QString& title) override;
    void enableWorkspaceItems() override;
    int windowStateCode() const override;
    void setWindowStateCode(int code) override;

    QMenuBar* MainMenu1 = nullptr;
    QMenu* File1 = nullptr;
    QMenu* Edit1 = nullptr;
    QMenu* Window1 = nullptr;
    QMenu* Help1 = nullptr;
    QStatusBar* StatusBar = nullptr;

    // Handlers, named after the items that trigger them.
    void FormCreate();
    void FormActivate();
    // The close sequence; false when the operator chose to stay.
    bool FormClose();
    void FormDblClick();
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileCloseItemClick();
    void FileSaveItemClick();
    void FileExit1Execute();
    void CutItemClick();
    void ROsetClick();
    void MacroWindowClick();
    void LineMonitorClick();
    void HistoryWindowClick();
    void ScanLineClick();
    void WindowCascadeItemClick();
    void WindowTileItemClick();
    void WindowTileItem2Click();
    void HelpAbout1Execute();
    void FollowActiveClick();
    void ExportMetricsClick();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    QAction* item(const char* objectName) const;
    void tile(TileMode mode);
    void destroyChildWindows();
    // The empty frame's hint names the port the console would use now.
    void refreshHint();

    QString programDirectory_;
    QMdiArea* mdiArea_ = nullptr;
    WorkspaceCommands commands_;
    QPointer<TAboutBox> aboutBox_;
    QAction* windowListSeparator_ = nullptr;
    MacroRunMenu* macroRunMenu_ = nullptr;
    QPointer<EmptyFrameHint> hint_;  // until the first workspace opens
    ActivePanelFollower* follower_ = nullptr;
    MetricsExporter* metrics_ = nullptr;  // made once the settings file is known
};

}  // namespace k4
