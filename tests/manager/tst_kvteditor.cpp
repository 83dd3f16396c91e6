// SPDX-License-Identifier: GPL-3.0-or-later
// The device editor dialog: its layout, how it fills and steps its fields, which IDs Ok accepts,
// and that only an accepted Ok gets out of it.
#include "manager/kvteditor.h"
#include "manager/kvtmanager.h"
#include "manager/updownbutton.h"
#include "scripteddialogs.h"
#include "state/appstate.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace k4;

class TestKVTEditor : public QObject {
    Q_OBJECT
private:
    // The open workspace as the editor sees it: slot 0 ID 5 "Other", slot 1 ID 9 (the device
    // being edited), slot 2 reserved for a device being added (ID 1, not in use).
    void fillTable(DeviceTable& table) {
        const std::uint8_t ids[] = {5, 9, 1};
        for (int i = 0; i < 3; ++i) {
            table[i].DevID.store(ids[i]);
            table[i].flags.store(i == 2 ? 0 : kInUseFlag);
        }
        table.setLastIndex(2);
    }

private Q_SLOTS:
    void layout() {
        TKVTEditor editor;
        QCOMPARE(editor.windowTitle(), QStringLiteral("Edit transcoder"));
        QCOMPARE(editor.size(), QSize(281, 105));
        QCOMPARE(editor.pos(), QPoint(441, 214));
        const Qt::WindowFlags flags = editor.windowFlags();
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));

        struct Expected {
            const char* name;
            QRect rect;  // width -1: sized to its text
        };
        const Expected expected[] = {
            {"GroupBox1", {0, 0, 281, 105}}, {"Label2", {16, 16, -1, 0}},
            {"ID", {104, 16, 41, 21}},       {"BPlusMinus", {144, 16, 20, 25}},
            {"Label1", {16, 48, -1, 0}},     {"Title", {40, 48, 233, 21}},
            {"EditOk", {200, 72, 75, 25}},
        };
        for (const Expected& e : expected) {
            auto* w = editor.findChild<QWidget*>(QLatin1String(e.name));
            QVERIFY2(w != nullptr, e.name);
            if (e.rect.width() < 0) {
                QCOMPARE(w->pos(), e.rect.topLeft());
            } else {
                QCOMPARE(w->geometry(), e.rect);
            }
            if (w != editor.GroupBox1) {
                QCOMPARE(w->parentWidget(), editor.GroupBox1);
            }
        }
        QCOMPARE(editor.GroupBox1->title(), QStringLiteral("Enter:"));
        QCOMPARE(editor.Label2->text(), QStringLiteral("Device ID(1-127)"));
        QCOMPARE(editor.Label1->text(), QStringLiteral("Title:"));
        // In the layout's places the label texts end before the fields beside them begin.
        for (const auto& [label, field] :
             {std::pair{editor.Label2, editor.ID}, std::pair{editor.Label1, editor.Title}}) {
            const int end = label->x() + label->fontMetrics().horizontalAdvance(label->text());
            QVERIFY2(end <= field->x(), qPrintable(label->objectName()));
        }
        QCOMPARE(editor.EditOk->text(), QStringLiteral("Ok"));
        QVERIFY(editor.EditOk->isDefault());
        QCOMPARE(editor.ID->maxLength(), 3);
        QCOMPARE(editor.ID->text(), QStringLiteral("1"));
        QCOMPARE(editor.Title->text(), QStringLiteral("New trancoder 1"));
        QVERIFY(editor.findChildren<QPushButton*>().size() == 1);  // no Cancel
    }

    void formActivateFillsFields_data() {
        QTest::addColumn<int>("devId");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("idText");
        QTest::newRow("ordinary") << 5 << "Encoder A"
                                  << "5";
        QTest::newRow("zero, empty title") << 0 << ""
                                           << "0";
        QTest::newRow("byte above 127 prints signed") << 200 << "x"
                                                      << "-56";
        QTest::newRow("255 prints -1") << 255 << "y"
                                       << "-1";
        QTest::newRow("128 prints -128 whole") << 128 << "z"
                                               << "-128";
        QTest::newRow("156 prints -100 whole") << 156 << "z"
                                               << "-100";
    }
    void formActivateFillsFields() {
        QFETCH(int, devId);
        QFETCH(QString, name);
        QFETCH(QString, idText);
        TKVTEditor editor;
        editor.DevID = static_cast<std::uint8_t>(devId);
        editor.DeviceName = name;
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QCOMPARE(editor.ID->text(), idText);
        QCOMPARE(editor.Title->text(), name);

        // Each showing starts afresh from the exchange values.
        editor.ID->setText(QStringLiteral("77"));
        editor.Title->setText(QStringLiteral("typed"));
        editor.hide();
        editor.show();
        QCOMPARE(editor.ID->text(), idText);
        QCOMPARE(editor.Title->text(), name);
    }

    // The title is kept to what the workspace file reads back (49 bytes as written); a longer
    // title loaded from a file shows whole.
    void titleKeptToWhatTheFileReadsBack() {
        TKVTEditor editor;
        const QString loaded(30, QChar(0xe9));
        editor.prepare(3, loaded, 0);
        QCOMPARE(editor.Title->text(), loaded);
        QTest::keyClick(editor.Title, Qt::Key_Backspace);
        QCOMPARE(editor.Title->text(), loaded.left(29));
        QTest::keyClicks(editor.Title, QStringLiteral("a"));
        QCOMPARE(editor.Title->text(), loaded.left(29));

        editor.prepare(3, QString(), 0);
        const QString a47(47, QLatin1Char('a'));
        QTest::keyClicks(editor.Title, a47);
        QTest::sendKeyEvent(QTest::Click, editor.Title, Qt::Key_Eacute, QChar(0xe9), {});
        QCOMPARE(editor.Title->text(), a47 + QChar(0xe9));  // 49 bytes
        QTest::keyClicks(editor.Title, QStringLiteral("b"));
        QCOMPARE(editor.Title->text(), a47 + QChar(0xe9));
    }

    void focusAndTabOrder() {
        TKVTEditor editor;
        editor.prepare(3, QStringLiteral("t"), 0);
        editor.show();
        QApplication::setActiveWindow(&editor);
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QCOMPARE(QApplication::focusWidget(), editor.Title);
        const QList<QWidget*> order = {editor.EditOk, editor.ID, editor.BPlusMinus, editor.Title};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    // The spin button's two halves and its arrow keys step the field.
    void spinButton_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("afterUp");
        QTest::addColumn<QString>("afterDown");
        QTest::newRow("127 wraps up to 0") << "127"
                                           << "0"
                                           << "126";
        QTest::newRow("0 wraps down to 127") << "0"
                                             << "1"
                                             << "127";
    }
    void spinButton() {
        QFETCH(QString, text);
        QFETCH(QString, afterUp);
        QFETCH(QString, afterDown);
        TKVTEditor editor;
        editor.ID->setText(text);
        editor.BPlusMinus->upButton()->click();
        QCOMPARE(editor.ID->text(), afterUp);
        editor.ID->setText(text);
        editor.BPlusMinus->downButton()->click();
        QCOMPARE(editor.ID->text(), afterDown);

        editor.ID->setText(text);
        QTest::keyClick(editor.BPlusMinus, Qt::Key_Up);
        QCOMPARE(editor.ID->text(), afterUp);
        editor.ID->setText(text);
        QTest::keyClick(editor.BPlusMinus, Qt::Key_Down);
        QCOMPARE(editor.ID->text(), afterDown);
    }

    void ok_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("editIndex");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::addColumn<int>("acceptedId");
        const QString range = QStringLiteral("Error! Pleace enter correct ID!");
        const QString duplicate = QStringLiteral("Error! This number already exist!!!");
        QTest::newRow("127") << "127" << 1 << "" << 127;
        QTest::newRow("128") << "128" << 1 << range << 0;
        QTest::newRow("another device's id") << "5" << 1 << duplicate << 0;
    }
    void ok() {
        QFETCH(QString, text);
        QFETCH(int, editIndex);
        QFETCH(QString, message);
        QFETCH(int, acceptedId);
        TMDIKVTMAN workspace;
        fillTable(workspace.table());
        App().Manager = &workspace;
        k4test::ScriptedDialogs dialogs;

        TKVTEditor editor;
        editor.prepare(42, QStringLiteral("Before"), editIndex);
        editor.ID->setText(text);
        editor.Title->setText(QStringLiteral("After"));
        editor.EditOk->click();
        App().Manager = nullptr;

        if (message.isEmpty()) {
            QVERIFY(dialogs.shown.isEmpty());
            QCOMPARE(editor.result(), int(QDialog::Accepted));
            QCOMPARE(int(editor.DevID), acceptedId);
            QCOMPARE(editor.DeviceName, QStringLiteral("After"));
        } else {
            QCOMPARE(dialogs.shown, QStringList{message});
            QCOMPARE(editor.result(), int(QDialog::Rejected));
            // A refused ID never reaches the exchange values.
            QCOMPARE(int(editor.DevID), 42);
            QCOMPARE(editor.DeviceName, QStringLiteral("Before"));
            QCOMPARE(editor.ID->text(), text);  // the fields stay as the user left them
        }
    }

    void okWithoutWorkspaceChecksOnlyTheRange() {
        k4test::ScriptedDialogs dialogs;
        TKVTEditor editor;
        editor.prepare(1, QString(), 0);
        editor.EditOk->click();
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QVERIFY(dialogs.shown.isEmpty());
    }

    // Enter presses Ok wherever the focus is; a refused Enter shows its message once.
    void enterPressesOk_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("title") << "Title";
        QTest::newRow("id") << "ID";
        QTest::newRow("ok button") << "EditOk";
        QTest::newRow("spin button") << "BPlusMinus";
    }
    void enterPressesOk() {
        QFETCH(QString, focus);
        k4test::ScriptedDialogs dialogs;
        TKVTEditor editor;
        editor.prepare(3, QStringLiteral("n"), 0);
        editor.show();
        QApplication::setActiveWindow(&editor);
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        auto* target = editor.findChild<QWidget*>(focus);
        target->setFocus();

        editor.ID->setText(QStringLiteral("300"));
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(dialogs.shown, QStringList{QStringLiteral("Error! Pleace enter correct ID!")});
        QVERIFY(editor.isVisible());

        editor.ID->setText(QStringLiteral("12"));
        QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QVERIFY(!editor.isVisible());
        QCOMPARE(int(editor.DevID), 12);
        QCOMPARE(dialogs.shown.size(), 1);
    }

    // Neither Escape nor the window-closing request gets out of the dialog.
    void closeKeysDoNotClose() {
        TKVTEditor editor;
        editor.prepare(3, QStringLiteral("n"), 0);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QTest::keyClick(&editor, Qt::Key_Escape);
        QVERIFY(editor.isVisible());
        QVERIFY(!editor.close());
        QVERIFY(editor.isVisible());
        editor.reject();
        QVERIFY(editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Rejected));
    }

    // A new showing never reports the previous showing's acceptance.
    void prepareClearsTheLastResult() {
        TKVTEditor editor;
        editor.prepare(3, QStringLiteral("n"), 0);
        editor.EditOk->click();
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        editor.prepare(4, QStringLiteral("m"), 0);
        QCOMPARE(editor.result(), int(QDialog::Rejected));
        QCOMPARE(editor.ID->text(), QStringLiteral("4"));
        QCOMPARE(editor.Title->text(), QStringLiteral("m"));
    }
};

QTEST_MAIN(TestKVTEditor)
#include "tst_kvteditor.moc"
