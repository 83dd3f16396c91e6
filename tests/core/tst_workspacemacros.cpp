// SPDX-License-Identifier: GPL-3.0-or-later
// Macro keys and devices in the workspace file: beside the names, written only where there is
// something to keep, and every other key of the file left as it was.
#include "core/profilefile.h"
#include "core/workspacefile.h"

#include <QTest>

using namespace k4;

namespace {

const QByteArray kOlderFile =
    "[Global]\r\nDevices=1\r\nName=rack.DID\r\nManTop=0\r\nManLeft=0\r\nManWidth=178\r\n"
    "ManHeight=383\r\nWindowState=0\r\nReadOnly=0\r\n"
    "[Dev0]\r\nDeviceName=Enc\r\nflags=1\r\nDevID=1\r\nLeft=0\r\nTop=0\r\nLCDColor=65280\r\n"
    "LCDBackColor=0\r\nSkin=\r\n"
    "[MacroNames]\r\nMacroName1=Setup A\r\nMacroName2=Undefined\r\nMacroName3=Undefined\r\n"
    "MacroName4=Undefined\r\nMacroName5=Undefined\r\nMacroName6=Undefined\r\n"
    "MacroName7=Undefined\r\nMacroName8=Undefined\r\nMacroName9=Undefined\r\n"
    "MacroName10=Undefined\r\nMacroName11=Undefined\r\nMacroName12=Last\r\n";

QByteArray Rewritten(const QByteArray& text, const WorkspaceFileData& data) {
    ProfileFile file = ProfileFile::FromText(text);
    WriteWorkspaceProfile(file, QStringLiteral("rack.DID"), data);
    return file.text();
}

}  // namespace

class TestWorkspaceMacros : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void olderFileHasEmptyMacrosAndStaysAsItWas();
    void keysAndDevicesGoBesideTheNames();
};

void TestWorkspaceMacros::olderFileHasEmptyMacrosAndStaysAsItWas() {
    const WorkspaceFileData data = ReadWorkspaceProfile(ProfileFile::FromText(kOlderFile));
    QCOMPARE(data.MacroNames[11], QStringLiteral("Last"));
    for (const MacroContent& macro : data.Macros) {
        QVERIFY(macro.isEmpty());
    }
    QCOMPARE(Rewritten(kOlderFile, data), kOlderFile);
}

void TestWorkspaceMacros::keysAndDevicesGoBesideTheNames() {
    WorkspaceFileData data = ReadWorkspaceProfile(ProfileFile::FromText(kOlderFile));
    data.Macros[0] = {QStringLiteral("T 3 + S"), {{1, "x"}, {5, "ab"}}};
    // Marks hold whatever was typed, separators included; ID 200 is written as DevID is.
    data.Macros[11] = {QStringLiteral("S p500 16"),
                       {{2, "a,"}, {3, ","}, {4, ":b"}, {7, " x"}, {200, "1:"}}};
    const QByteArray saved = Rewritten(kOlderFile, data);
    QCOMPARE(saved, kOlderFile +
                        "MacroKeys1=T 3 + S\r\nMacroDevices1=1:x,5:ab\r\n"
                        "MacroKeys12=S p500 16\r\n"
                        "MacroDevices12=2:a,,3:,,4::b,7: x,-56:1:\r\n");
    const WorkspaceFileData reread = ReadWorkspaceProfile(ProfileFile::FromText(saved));
    QVERIFY(reread == data);

    // An ID no device can have marks none and is written back as the file held it.
    const QByteArray foreign = kOlderFile + "MacroDevices2=5:a,300:y,-129:n,x\r\n";
    const WorkspaceFileData hand = ReadWorkspaceProfile(ProfileFile::FromText(foreign));
    QVERIFY(hand.Macros[1].Devices == (MacroMarks{{5, "a"}}));
    QCOMPARE(Rewritten(foreign, hand), foreign);

    // Emptied again, the keys stay in the file with nothing in them and read as an empty macro.
    data.Macros[0] = {};
    const QByteArray emptied = Rewritten(saved, data);
    QVERIFY(emptied.contains("\r\nMacroKeys1=\r\nMacroDevices1=\r\n"));
    QVERIFY(ReadWorkspaceProfile(ProfileFile::FromText(emptied)).Macros[0].isEmpty());
}

QTEST_GUILESS_MAIN(TestWorkspaceMacros)
#include "tst_workspacemacros.moc"
