// SPDX-License-Identifier: GPL-3.0-or-later
// Colour values as the display draws them and the names the colour boxes give them.
#include "panel/colorvalues.h"

#include <QGuiApplication>
#include <QSet>
#include <QTest>

using namespace k4;

namespace {

// A palette in which every slot has a colour of its own, so a lookup shows which slot it used.
QPalette DistinctPalette() {
    QPalette palette;
    int n = 1;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            palette.setColor(group, static_cast<QPalette::ColorRole>(role),
                             QColor(n % 256, (n * 7) % 256, 200));
            ++n;
        }
    }
    return palette;
}

}  // namespace

class TestColorValues : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void displayColor_data();
    void displayColor();
    void namedColors();
};

void TestColorValues::displayColor_data() {
    QTest::addColumn<qint64>("stored");  // as a workspace file holds it
    QTest::addColumn<int>("group");      // -1: a plain colour
    QTest::addColumn<int>("role");
    QTest::addColumn<QColor>("plain");
    const QColor none;
    QTest::newRow("plain") << qint64(0x123456) << -1 << 0 << QColor(0x56, 0x34, 0x12);
    QTest::newRow("other top byte: low three bytes")
        << qint64(0x02000080) << -1 << 0 << QColor(0x80, 0, 0);
    QTest::newRow("button face") << qint64(-16777201) << int(QPalette::Active)
                                 << int(QPalette::Button) << none;
    QTest::newRow("top bit only: button face")
        << qint64(qint32(0x8000000F)) << int(QPalette::Active) << int(QPalette::Button) << none;
    QTest::newRow("index beyond the list: button face")
        << qint64(-16776961) << int(QPalette::Active) << int(QPalette::Button) << none;
}

void TestColorValues::displayColor() {
    QFETCH(qint64, stored);
    QFETCH(int, group);
    QFETCH(int, role);
    QFETCH(QColor, plain);
    const auto value = static_cast<std::uint32_t>(static_cast<std::int32_t>(stored));
    const QPalette palette = DistinctPalette();
    const std::optional<PaletteSlot> slot = SystemColorSlot(value);
    QCOMPARE(IsSystemColor(value), group >= 0);
    if (group < 0) {
        QVERIFY(!slot.has_value());
        QCOMPARE(DisplayColor(value, palette), plain);
        return;
    }
    QVERIFY(slot.has_value());
    QCOMPARE(int(slot->group), group);
    QCOMPARE(int(slot->role), role);
    const QColor expected = palette.color(static_cast<QPalette::ColorGroup>(group),
                                          static_cast<QPalette::ColorRole>(role));
    QCOMPARE(DisplayColor(value, palette), expected);
}

void TestColorValues::namedColors() {
    const std::vector<NamedColor>& colors = NamedColors();
    const QStringList standard = {"Black", "Maroon",  "Green",  "Olive", "Navy", "Purple",
                                  "Teal",  "Gray",    "Silver", "Red",   "Lime", "Yellow",
                                  "Blue",  "Fuchsia", "Aqua",   "White"};
    QVERIFY(colors.size() > std::size_t(standard.size()));
    for (int i = 0; i < standard.size(); ++i) {
        QCOMPARE(colors[static_cast<std::size_t>(i)].name, standard[i]);
    }
    QCOMPARE(colors[static_cast<std::size_t>(IndexOfNamedColor(0x00FF00))].name, "Lime");
    QCOMPARE(colors[static_cast<std::size_t>(IndexOfNamedColor(0xFF00000F))].name, "Button face");
    QCOMPARE(IndexOfNamedColor(0x123456), -1);
    QCOMPARE(IndexOfNamedColor(0xFF000019), -1);
    // Every value once, so a value always finds the same entry; every name once.
    QSet<std::uint32_t> values;
    QSet<QString> names;
    for (const NamedColor& color : colors) {
        values.insert(color.value);
        names.insert(color.name);
    }
    QCOMPARE(values.size(), qsizetype(colors.size()));
    QCOMPARE(names.size(), qsizetype(colors.size()));
}

QTEST_MAIN(TestColorValues)
#include "tst_colorvalues.moc"
