// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/profilefile.h"
#include "filebytes.h"
#include "filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using k4::ProfileFile;
using k4test::ReadBytes;
using k4test::WriteBytes;

class TestProfileFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void readString_data();
    void readString();
    void readInt_data();
    void readInt();
    void writeString_data();
    void writeString();
    void writtenValueReadsBack_data();
    void writtenValueReadsBack();
    void untouchedFileKeepsEveryByte();
    void manyEditsTouchTheDiskOnce();
    void oneObjectEqualsKeyByKeyWrites();
    void failedSaveReturnsFalse_data();
    void failedSaveReturnsFalse();
    void fullDiskLeavesOldFileWhole_data();
    void fullDiskLeavesOldFileWhole();
    void writeProtectedFileIsNotReplaced();
    void unreadableFileIsNotOverwritten();

private:
    QString path(const QString& name = QStringLiteral("test.ini")) const {
        return dir_->filePath(name);
    }
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestProfileFile::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestProfileFile::readString_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("crlf") << QByteArray("[A]\r\nk=v1\r\nm=v2\r\n") << QByteArray("A")
                          << QByteArray("m") << 100 << QByteArray("v2");
    QTest::newRow("lf") << QByteArray("[A]\nk=v1\nm=v2\n") << QByteArray("A") << QByteArray("m")
                        << 100 << QByteArray("v2");
    QTest::newRow("blanks around =")
        << QByteArray("[A]\r\n  k \t=  some value \t\r\n") << QByteArray("A") << QByteArray("k")
        << 100 << QByteArray("some value");
    QTest::newRow("blanks around header") << QByteArray("  [ A ]  \r\nk=v\r\n") << QByteArray("A")
                                          << QByteArray("k") << 100 << QByteArray("v");
    QTest::newRow("section case") << QByteArray("[gLoBaL]\r\nk=v\r\n") << QByteArray("GLOBAL")
                                  << QByteArray("k") << 100 << QByteArray("v");
    QTest::newRow("key case") << QByteArray("[A]\r\nDevices=3\r\n") << QByteArray("a")
                              << QByteArray("dEVICES") << 100 << QByteArray("3");
    QTest::newRow("first duplicate key")
        << QByteArray("[A]\r\nk=first\r\nK=second\r\n") << QByteArray("A") << QByteArray("k") << 100
        << QByteArray("first");
    QTest::newRow("first duplicate section")
        << QByteArray("[A]\r\nk=first\r\n[B]\r\nk=b\r\n[a]\r\nk=second\r\n") << QByteArray("A")
        << QByteArray("k") << 100 << QByteArray("first");
    QTest::newRow("key only in second duplicate section")
        << QByteArray("[A]\r\nx=1\r\n[A]\r\nk=second\r\n") << QByteArray("A") << QByteArray("k")
        << 100 << QByteArray("DEF");
    QTest::newRow("key outside sections")
        << QByteArray("k=outside\r\n[A]\r\nx=1\r\n") << QByteArray("A") << QByteArray("k") << 100
        << QByteArray("DEF");
    QTest::newRow("no final newline") << QByteArray("[A]\r\nk=last") << QByteArray("A")
                                      << QByteArray("k") << 100 << QByteArray("last");
    QTest::newRow("missing key") << QByteArray("[A]\r\nk=v\r\n") << QByteArray("A")
                                 << QByteArray("z") << 100 << QByteArray("DEF");
    QTest::newRow("missing section") << QByteArray("[A]\r\nk=v\r\n") << QByteArray("B")
                                     << QByteArray("k") << 100 << QByteArray("DEF");
    QTest::newRow("empty value") << QByteArray("[A]\r\nk=\r\n") << QByteArray("A")
                                 << QByteArray("k") << 100 << QByteArray("");
    QTest::newRow("double quotes") << QByteArray("[A]\r\nk=\" a b \"\r\n") << QByteArray("A")
                                   << QByteArray("k") << 100 << QByteArray(" a b ");
    QTest::newRow("single quotes") << QByteArray("[A]\r\nk='x'\r\n") << QByteArray("A")
                                   << QByteArray("k") << 100 << QByteArray("x");
    QTest::newRow("quotes that do not match") << QByteArray("[A]\r\nk=\"x'\r\n") << QByteArray("A")
                                              << QByteArray("k") << 100 << QByteArray("\"x'");
    QTest::newRow("one quote alone") << QByteArray("[A]\r\nk=\"\r\n") << QByteArray("A")
                                     << QByteArray("k") << 100 << QByteArray("\"");
    QTest::newRow("empty quotes") << QByteArray("[A]\r\nk=\"\"\r\n") << QByteArray("A")
                                  << QByteArray("k") << 100 << QByteArray("");
    QTest::newRow("only one pair stripped")
        << QByteArray("[A]\r\nk=\"\"x\"\"\r\n") << QByteArray("A") << QByteArray("k") << 100
        << QByteArray("\"x\"");
    QTest::newRow("inner quote kept") << QByteArray("[A]\r\nk=a\"b\r\n") << QByteArray("A")
                                      << QByteArray("k") << 100 << QByteArray("a\"b");
    QTest::newRow("cut to size - 1") << QByteArray("[A]\r\nk=abcdef\r\n") << QByteArray("A")
                                     << QByteArray("k") << 4 << QByteArray("abc");
    QTest::newRow("size 1 gives nothing") << QByteArray("[A]\r\nk=abc\r\n") << QByteArray("A")
                                          << QByteArray("k") << 1 << QByteArray("");
    QTest::newRow("size 0 gives nothing") << QByteArray("[A]\r\nk=abc\r\n") << QByteArray("A")
                                          << QByteArray("k") << 0 << QByteArray("");
    QTest::newRow("default cut too")
        << QByteArray("") << QByteArray("A") << QByteArray("k") << 3 << QByteArray("DE");
    QTest::newRow("value holding =") << QByteArray("[A]\r\nk=a=b\r\n") << QByteArray("A")
                                     << QByteArray("k") << 100 << QByteArray("a=b");
    QTest::newRow("comment line is no key")
        << QByteArray("[A]\r\n;k=commented\r\n") << QByteArray("A") << QByteArray("k") << 100
        << QByteArray("DEF");
    QTest::newRow("comment line read by its own name")
        << QByteArray("[A]\r\n;k=commented\r\n") << QByteArray("A") << QByteArray(";k") << 100
        << QByteArray("commented");
    QTest::newRow("key line without =") << QByteArray("[A]\r\nk\r\nk=later\r\n") << QByteArray("A")
                                        << QByteArray("k") << 100 << QByteArray("DEF");
    QTest::newRow("header without ] is no section")
        << QByteArray("[A\r\nk=v\r\n") << QByteArray("A") << QByteArray("k") << 100
        << QByteArray("DEF");
    QTest::newRow("blank lines inside section")
        << QByteArray("[A]\r\n\r\n  \r\nk=v\r\n\r\n") << QByteArray("A") << QByteArray("k") << 100
        << QByteArray("v");
    QTest::newRow("mixed line endings")
        << QByteArray("[A]\nx=1\r\nk=v\n[B]\r\nk=w") << QByteArray("B") << QByteArray("k") << 100
        << QByteArray("w");
    QTest::newRow("a lone CR ends a line")
        << QByteArray("[A]\rk=v1\rm=v2\r[B]\rm=b\r") << QByteArray("A") << QByteArray("m") << 100
        << QByteArray("v2");
    QTest::newRow("byte-order mark before the first section")
        << QByteArray("\xef\xbb\xbf[A]\r\nk=v\r\n") << QByteArray("A") << QByteArray("k") << 100
        << QByteArray("v");
    QTest::newRow("8-bit bytes") << QByteArray("[A]\r\nk=\xc3\xa9t\xe9\r\n") << QByteArray("A")
                                 << QByteArray("k") << 100 << QByteArray("\xc3\xa9t\xe9");
    QTest::newRow("no file") << QByteArray() << QByteArray("A") << QByteArray("k") << 100
                             << QByteArray("DEF");
}

void TestProfileFile::readString() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(int, size);
    QFETCH(QByteArray, expected);
    if (!file.isNull()) {
        QVERIFY(WriteBytes(path(), file));
    }
    QCOMPARE(ProfileFile(path()).readString(section, key, "DEF", size), expected);
    QCOMPARE(ProfileFile::GetString(path(), section, key, "DEF", size), expected);
}

void TestProfileFile::readInt_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");

    QTest::newRow("plain") << QByteArray("[A]\r\nn=12\r\n") << 12;
    QTest::newRow("negative") << QByteArray("[A]\r\nn=-7\r\n") << -7;
    QTest::newRow("plus sign") << QByteArray("[A]\r\nn=+3\r\n") << 3;
    QTest::newRow("digits then text") << QByteArray("[A]\r\nn=12abc\r\n") << 12;
    QTest::newRow("not a number") << QByteArray("[A]\r\nn=abc\r\n") << 0;
    QTest::newRow("sign alone") << QByteArray("[A]\r\nn=-\r\n") << 0;
    QTest::newRow("hex is not read") << QByteArray("[A]\r\nn=0x10\r\n") << 0;
    QTest::newRow("empty") << QByteArray("[A]\r\nn=\r\n") << 99;
    QTest::newRow("empty after quotes") << QByteArray("[A]\r\nn=\"\"\r\n") << 99;
    QTest::newRow("quoted") << QByteArray("[A]\r\nn=\"42\"\r\n") << 42;
    QTest::newRow("blanks") << QByteArray("[A]\r\n n = 5 \r\n") << 5;
    QTest::newRow("missing") << QByteArray("[A]\r\nm=5\r\n") << 99;
    QTest::newRow("line without =") << QByteArray("[A]\r\nn\r\n") << 99;
    QTest::newRow("int min") << QByteArray("[A]\r\nn=-2147483648\r\n") << INT_MIN;
    QTest::newRow("int max") << QByteArray("[A]\r\nn=2147483647\r\n") << INT_MAX;
    QTest::newRow("wraps at 32 bits") << QByteArray("[A]\r\nn=4294967297\r\n") << 1;
    QTest::newRow("huge run of digits")
        << (QByteArray("[A]\r\nn=") + QByteArray(5000, '9')) << static_cast<int>(0xffffffffu);
    QTest::newRow("decimal point") << QByteArray("[A]\r\nn=3.9\r\n") << 3;
}

void TestProfileFile::readInt() {
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    QVERIFY(WriteBytes(path(), file));
    QCOMPARE(ProfileFile(path()).readInt("a", "N", 99), expected);
    QCOMPARE(ProfileFile::GetInt(path(), "A", "n", 99), expected);
}

void TestProfileFile::writeString_data() {
    QTest::addColumn<QByteArray>("before");  // null: no file
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("no file") << QByteArray() << QByteArray("A") << QByteArray("k")
                             << QByteArray("v") << QByteArray("[A]\r\nk=v\r\n");
    QTest::newRow("empty file") << QByteArray("") << QByteArray("A") << QByteArray("k")
                                << QByteArray("v") << QByteArray("[A]\r\nk=v\r\n");
    QTest::newRow("empty value") << QByteArray() << QByteArray("A") << QByteArray("k")
                                 << QByteArray("") << QByteArray("[A]\r\nk=\r\n");
    QTest::newRow("byte-order mark stays in front")
        << QByteArray("\xef\xbb\xbf[A]\r\nk=old\r\n") << QByteArray("a") << QByteArray("k")
        << QByteArray("new") << QByteArray("\xef\xbb\xbf[A]\r\nk=new\r\n");
    QTest::newRow("CR-only lines keep their ends")
        << QByteArray("[A]\rk=1\r[B]\rk=2\r") << QByteArray("A") << QByteArray("j")
        << QByteArray("3") << QByteArray("[A]\rk=1\rj=3\r\n[B]\rk=2\r");
    QTest::newRow("replace in place") << QByteArray("[A]\r\nj=1\r\nk=old\r\nl=3\r\n[B]\r\nk=b\r\n")
                                      << QByteArray("A") << QByteArray("k") << QByteArray("new")
                                      << QByteArray("[A]\r\nj=1\r\nk=new\r\nl=3\r\n[B]\r\nk=b\r\n");
    QTest::newRow("replace keeps LF ending")
        << QByteArray("[A]\nk=old\nl=3\n") << QByteArray("A") << QByteArray("k")
        << QByteArray("new") << QByteArray("[A]\nk=new\nl=3\n");
    QTest::newRow("replace last line without newline")
        << QByteArray("[A]\r\nk=old") << QByteArray("A") << QByteArray("k") << QByteArray("new")
        << QByteArray("[A]\r\nk=new");
    QTest::newRow("replace keeps the file's spelling of the key")
        << QByteArray("[global]\r\n  devices =  5  \r\n") << QByteArray("Global")
        << QByteArray("Devices") << QByteArray("2") << QByteArray("[global]\r\ndevices=2\r\n");
    QTest::newRow("same value leaves the line as it is")
        << QByteArray("[A]\r\n  k =  v  \r\n") << QByteArray("A") << QByteArray("k")
        << QByteArray("v") << QByteArray("[A]\r\n  k =  v  \r\n");
    QTest::newRow("first duplicate key replaced")
        << QByteArray("[A]\r\nk=1\r\nk=2\r\n") << QByteArray("A") << QByteArray("K")
        << QByteArray("9") << QByteArray("[A]\r\nk=9\r\nk=2\r\n");
    QTest::newRow("first duplicate section written")
        << QByteArray("[A]\r\nx=1\r\n[A]\r\nk=2\r\n") << QByteArray("A") << QByteArray("k")
        << QByteArray("9") << QByteArray("[A]\r\nx=1\r\nk=9\r\n[A]\r\nk=2\r\n");
    QTest::newRow("key outside sections untouched")
        << QByteArray("k=1\r\n[A]\r\nx=1\r\n") << QByteArray("A") << QByteArray("k")
        << QByteArray("2") << QByteArray("k=1\r\n[A]\r\nx=1\r\nk=2\r\n");
    QTest::newRow("key line without = gets a value")
        << QByteArray("[A]\r\nk\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("1")
        << QByteArray("[A]\r\nk=1\r\n");
    QTest::newRow("new key after last non-blank line")
        << QByteArray("[A]\r\nx=1\r\n\r\n  \r\n[B]\r\ny=2\r\n") << QByteArray("A")
        << QByteArray("z") << QByteArray("3")
        << QByteArray("[A]\r\nx=1\r\nz=3\r\n\r\n  \r\n[B]\r\ny=2\r\n");
    QTest::newRow("new key after comment line")
        << QByteArray("[A]\r\nx=1\r\n;note\r\n\r\n[B]\r\n") << QByteArray("A") << QByteArray("z")
        << QByteArray("3") << QByteArray("[A]\r\nx=1\r\n;note\r\nz=3\r\n\r\n[B]\r\n");
    QTest::newRow("new key in header-only section")
        << QByteArray("[A]\r\n[B]\r\n") << QByteArray("A") << QByteArray("z") << QByteArray("3")
        << QByteArray("[A]\r\nz=3\r\n[B]\r\n");
    QTest::newRow("new key in LF file is CRLF")
        << QByteArray("[A]\nx=1\n[B]\n") << QByteArray("A") << QByteArray("z") << QByteArray("3")
        << QByteArray("[A]\nx=1\nz=3\r\n[B]\n");
    QTest::newRow("new key after last line without newline")
        << QByteArray("[A]\r\nx=1") << QByteArray("A") << QByteArray("z") << QByteArray("3")
        << QByteArray("[A]\r\nx=1\r\nz=3\r\n");
    QTest::newRow("new section at the end")
        << QByteArray("[A]\r\nx=1\r\n") << QByteArray("B") << QByteArray("y") << QByteArray("2")
        << QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
    QTest::newRow("new section adds missing final newline")
        << QByteArray("[A]\r\nx=1") << QByteArray("B") << QByteArray("y") << QByteArray("2")
        << QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
    QTest::newRow("new section after trailing blank lines")
        << QByteArray("[A]\r\nx=1\r\n\r\n") << QByteArray("B") << QByteArray("y") << QByteArray("2")
        << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    QTest::newRow("new section in LF file")
        << QByteArray("[A]\nx=1\n") << QByteArray("B") << QByteArray("y") << QByteArray("2")
        << QByteArray("[A]\nx=1\n[B]\r\ny=2\r\n");
    QTest::newRow("new section after keys outside sections")
        << QByteArray("junk") << QByteArray("B") << QByteArray("y") << QByteArray("2")
        << QByteArray("junk\r\n[B]\r\ny=2\r\n");
    QTest::newRow("leading blanks of the value dropped")
        << QByteArray() << QByteArray("A") << QByteArray("k") << QByteArray("  v ")
        << QByteArray("[A]\r\nk=v \r\n");
    QTest::newRow("injection by CRLF")
        << QByteArray("[A]\r\nk=1\r\n") << QByteArray("A") << QByteArray("k")
        << QByteArray("v\r\n[Evil]\r\nx=1") << QByteArray("[A]\r\nk=v\r\n");
    QTest::newRow("injection by LF") << QByteArray() << QByteArray("A") << QByteArray("k")
                                     << QByteArray("v\nz=2") << QByteArray("[A]\r\nk=v\r\n");
    QTest::newRow("injection by CR") << QByteArray() << QByteArray("A") << QByteArray("k")
                                     << QByteArray("v\r[B]") << QByteArray("[A]\r\nk=v\r\n");
    QTest::newRow("value ends at NUL") << QByteArray() << QByteArray("A") << QByteArray("k")
                                       << QByteArray("v\0w", 3) << QByteArray("[A]\r\nk=v\r\n");
    QTest::newRow("other bytes kept")
        << QByteArray("; top\r\n[A] ; c\r\n\x01\xff=\xfe\r\n\t\r\n[B]\n\n") << QByteArray("a")
        << QByteArray("k") << QByteArray("1")
        << QByteArray("; top\r\n[A] ; c\r\n\x01\xff=\xfe\r\nk=1\r\n\t\r\n[B]\n\n");
}

void TestProfileFile::writeString() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);
    if (!before.isNull()) {
        QVERIFY(WriteBytes(path(), before));
    }
    QVERIFY(ProfileFile::WriteString(path(), section, key, value));
    QCOMPARE(ReadBytes(path()), after);
}

void TestProfileFile::writtenValueReadsBack_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << QByteArray("New device") << QByteArray("New device");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    QTest::newRow("trailing blanks trimmed") << QByteArray("a  ") << QByteArray("a");
    QTest::newRow("holds =") << QByteArray("a=b") << QByteArray("a=b");
    QTest::newRow("outer quotes are read off") << QByteArray("\"q\"") << QByteArray("q");
    QTest::newRow("section-like text stays a value")
        << QByteArray("[Dev0]") << QByteArray("[Dev0]");
    QTest::newRow("cut at line break") << QByteArray("one\r\ntwo") << QByteArray("one");
}

void TestProfileFile::writtenValueReadsBack() {
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    QVERIFY(ProfileFile::WriteString(path(), "S", "k", value));
    QVERIFY(ProfileFile::WriteString(path(), "S", "after", "x"));
    ProfileFile file(path());
    QCOMPARE(file.readString("S", "k", "DEF", 1000), expected);
    QCOMPARE(file.readString("S", "after", "DEF", 1000), QByteArray("x"));
    QCOMPARE(file.readString("Dev0", "k", "DEF", 1000), QByteArray("DEF"));
}

void TestProfileFile::untouchedFileKeepsEveryByte() {
    static const char raw[] = "\xef\xbb\xbf; bom\r\n[A]\r\r\nk = v \n\n\r\n[ B ]x\r\n=\r\n\0\x80";
    const QByteArray odd(raw, sizeof(raw) - 1);
    QVERIFY(WriteBytes(path(), odd));
    ProfileFile file(path());
    QCOMPARE(file.text(), odd);
    file.writeString("A", "k", "v");  // same value: nothing changes
    QCOMPARE(file.text(), odd);
    QVERIFY(file.save());
    QCOMPARE(ReadBytes(path()), odd);
}

void TestProfileFile::manyEditsTouchTheDiskOnce() {
    QVERIFY(WriteBytes(path(), "[A]\r\nk=1\r\n"));
    ProfileFile file(path());
    QVERIFY(QFile::remove(path()));
    // The text was read once; it outlives the file and only save() writes.
    QCOMPARE(file.readInt("A", "k", 0), 1);
    file.writeInt("A", "k", 2);
    file.writeInt("B", "n", -5);
    QVERIFY(!QFile::exists(path()));
    QVERIFY(file.save());
    QCOMPARE(ReadBytes(path()), QByteArray("[A]\r\nk=2\r\n[B]\r\nn=-5\r\n"));
    QCOMPARE(file.readInt("B", "n", 0), -5);
    QVERIFY(file.hasKey("b", "N"));
    QVERIFY(!file.hasKey("B", "k"));
}

void TestProfileFile::oneObjectEqualsKeyByKeyWrites() {
    const QByteArray start("x=0\n[S1]\nold=1\n\n[S2]\r\n;c\r\nk=v");
    struct Edit {
        const char* section;
        const char* key;
        const char* value;
    };
    const Edit edits[] = {{"S2", "k", "w"},   {"S1", "new", "2"}, {"S3", "a", ""},
                          {"s1", "OLD", "3"}, {"S3", "b", "4"},   {"S2", "k", "w"},
                          {"S4", "c", "5"},   {"S2", "z", "6"}};
    QVERIFY(WriteBytes(path("one.ini"), start));
    QVERIFY(WriteBytes(path("many.ini"), start));
    ProfileFile one(path("one.ini"));
    for (const Edit& e : edits) {
        one.writeString(e.section, e.key, e.value);
        QVERIFY(ProfileFile::WriteString(path("many.ini"), e.section, e.key, e.value));
    }
    QVERIFY(one.save());
    QCOMPARE(ReadBytes(path("one.ini")), ReadBytes(path("many.ini")));
    QCOMPARE(ReadBytes(path("one.ini")),
             QByteArray("x=0\n[S1]\nold=3\nnew=2\r\n\n[S2]\r\n;c\r\nk=w\r\nz=6\r\n"
                        "[S3]\r\na=\r\nb=4\r\n[S4]\r\nc=5\r\n"));
}

void TestProfileFile::failedSaveReturnsFalse_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("parent is a regular file") << QStringLiteral("plain.txt/ws.ini");
    QTest::newRow("proc") << QStringLiteral("/proc/k4-profile-test.ini");
    QTest::newRow("path is a folder") << QStringLiteral("folder");
}

void TestProfileFile::failedSaveReturnsFalse() {
    QFETCH(QString, target);
    QVERIFY(WriteBytes(path("plain.txt"), "keep"));
    QVERIFY(QDir(dir_->path()).mkdir("folder"));
    const QString full = QDir(dir_->path()).filePath(target);
    ProfileFile file(full);
    file.writeString("A", "k", "v");
    QVERIFY(!file.save());
    QVERIFY(!ProfileFile::WriteString(full, "A", "k", "v"));
    QCOMPARE(ReadBytes(path("plain.txt")), QByteArray("keep"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"folder", "plain.txt"}));
}

void TestProfileFile::fullDiskLeavesOldFileWhole_data() {
    QTest::addColumn<int>("valueSize");
    // Below and above the size a buffered file would hold back until it is closed.
    QTest::newRow("small write") << 2000;
    QTest::newRow("large write") << 64 * 1024;
}

void TestProfileFile::fullDiskLeavesOldFileWhole() {
    QFETCH(int, valueSize);
    const QByteArray old("[A]\r\nk=old\r\n");
    QVERIFY(WriteBytes(path(), old));
    ProfileFile file(path());
    file.writeString("A", "big", QByteArray(valueSize, 'x'));
    {
        k4test::FileSizeLimit limit(1024);
        QVERIFY(limit.active());
        QVERIFY(!file.save());
    }
    QCOMPARE(ReadBytes(path()), old);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"test.ini"}));
    // Room again: the same object saves what it holds.
    QVERIFY(file.save());
    QCOMPARE(ProfileFile(path()).readString("A", "big", "", 100000).size(), valueSize);
}

void TestProfileFile::writeProtectedFileIsNotReplaced() {
    if (geteuid() == 0) {
        QSKIP("root may write any file");
    }
    QVERIFY(WriteBytes(path(), "[A]\r\nk=1\r\n"));
    QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner));
    QVERIFY(!ProfileFile::WriteString(path(), "A", "k", "2"));
    QCOMPARE(ReadBytes(path()), QByteArray("[A]\r\nk=1\r\n"));
}

void TestProfileFile::unreadableFileIsNotOverwritten() {
    // A folder stands for any file that exists but cannot be read: saving must not replace it.
    QVERIFY(QDir(dir_->path()).mkdir("ws.ini"));
    QVERIFY(WriteBytes(path("ws.ini/inside"), "x"));
    ProfileFile file(path("ws.ini"));
    QCOMPARE(file.readInt("A", "k", 7), 7);
    file.writeInt("A", "k", 1);
    QVERIFY(!file.save());
    QCOMPARE(ReadBytes(path("ws.ini/inside")), QByteArray("x"));
}

QTEST_APPLESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
