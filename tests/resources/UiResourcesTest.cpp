#include "resources/UiResources.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

class Bundles : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(UiResources::bind(UiResources::Bundle::Uibase, QStringLiteral(KESTREL_BIN_DIR)));
        ASSERT_TRUE(UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR)));
    }
    static void TearDownTestSuite()
    {
        UiResources::unbind(UiResources::Bundle::Uibase);
        UiResources::unbind(UiResources::Bundle::Uires);
    }
};

int commandsIn(const QVector<UiResources::MenuEntry>& entries)
{
    int count = 0;
    for (const auto& entry : entries)
        count += entry.command != 0 ? 1 : commandsIn(entry.children);
    return count;
}

bool hasCommand(const QVector<UiResources::MenuEntry>& entries, int command)
{
    for (const auto& entry : entries) {
        if (entry.command == command || hasCommand(entry.children, command))
            return true;
    }
    return false;
}

}  // namespace

TEST_F(Bundles, EveryNumberedStringIsThere)
{
    std::vector<int> numbers{100, 129, 1500, 1501, 1502, 20014, 20050, 20102, 20257, 20500};
    for (int n = 10002; n <= 10018; ++n) {
        if (n != 10003)
            numbers.push_back(n);
    }
    for (int n = 20030; n <= 20038; ++n)
        numbers.push_back(n);
    for (int n = 20400; n <= 20405; ++n)
        numbers.push_back(n);
    for (int n = 21000; n <= 21015; ++n)
        numbers.push_back(n);
    for (int n = 21050; n <= 21056; ++n)
        numbers.push_back(n);
    for (int n : numbers)
        EXPECT_TRUE(UiResources::hasString(n)) << n;
    EXPECT_FALSE(UiResources::hasString(4242));
    EXPECT_TRUE(UiResources::string(4242).isEmpty());
    EXPECT_TRUE(UiResources::string(20037).contains(QLatin1Char('\n')));
}

TEST_F(Bundles, PrintOrderLinesAreThoseOfTheFormat)
{
    EXPECT_EQ(UiResources::string(21000), QStringLiteral("[HDR]"));
    EXPECT_EQ(UiResources::string(21003), QStringLiteral("[JOB]"));
    EXPECT_EQ(UiResources::string(21004), QStringLiteral("PRT PID = "));
    EXPECT_EQ(UiResources::string(21005), QStringLiteral("PRT TYP = "));
    EXPECT_EQ(UiResources::string(21006), QStringLiteral("PRT QTY = "));
    EXPECT_EQ(UiResources::string(21007), QStringLiteral("IMG FMT = "));
    // The image path goes in at character 14, right after the two dots.
    QString source = UiResources::string(21008);
    source.insert(14, QStringLiteral("/DCIM/100ABCDE/IMGA0001.JPG"));
    EXPECT_EQ(source, QStringLiteral("<IMG SRC = \"../DCIM/100ABCDE/IMGA0001.JPG\">"));
}

TEST_F(Bundles, BitmapsAndIcon)
{
    const QImage splash = UiResources::bitmap(447);
    ASSERT_FALSE(splash.isNull());
    EXPECT_GE(splash.width(), 300);
    // The splash stands on the view's dark ground.
    const QColor corner = splash.pixelColor(splash.width() / 2, 4);
    EXPECT_LT(corner.lightness(), 110);
    EXPECT_EQ(UiResources::icon(130).size(), QSize(32, 32));
    EXPECT_TRUE(UiResources::bitmap(99999).isNull());
}

TEST_F(Bundles, MenusCarryTheirCommands)
{
    const auto main = UiResources::menu(130);
    ASSERT_GE(main.size(), 2);
    EXPECT_TRUE(hasCommand({main[0]}, 32773));
    EXPECT_TRUE(hasCommand({main[1]}, 57643));
    const auto bar = UiResources::menu(140);
    ASSERT_EQ(bar.size(), 5);
    for (int command = 32788; command <= 32799; ++command)
        EXPECT_TRUE(hasCommand({bar[2]}, command)) << command;
    for (int command = 32864; command <= 32871; ++command)
        EXPECT_TRUE(hasCommand({bar[2]}, command)) << command;
    EXPECT_TRUE(hasCommand({bar[4]}, 32824));
    EXPECT_TRUE(hasCommand(UiResources::menu(131), 32814));
    EXPECT_FALSE(hasCommand(main, 32814));
    const auto tree = UiResources::menu(139);
    ASSERT_EQ(tree.size(), 1);
    EXPECT_GE(commandsIn(tree), 6);
    EXPECT_TRUE(tree[0].children[1].isSeparator());
    EXPECT_TRUE(UiResources::menu(12345).isEmpty());
}

TEST_F(Bundles, LayoutTablesDescribeTheirCells)
{
    const int numbers[] = {150, 151, 152, 153, 154, 156, 157, 158, 159, 160, 161};
    for (int number : numbers) {
        const QByteArray table = UiResources::data(QStringLiteral("LAYOUT_DATA"), number);
        ASSERT_GE(table.size(), 16) << number;
        EXPECT_TRUE(table.startsWith("KLAY"));
        const auto* raw = reinterpret_cast<const uchar*>(table.constData());
        const int cells = qFromLittleEndian<quint16>(raw + 6);
        const int columns = qFromLittleEndian<quint16>(raw + 8);
        const int rows = qFromLittleEndian<quint16>(raw + 10);
        EXPECT_EQ(cells, columns * rows);
        EXPECT_EQ(table.size(), 16 + 8 * cells);
        // Every cell lies inside the printable area.
        for (int i = 0; i < cells; ++i) {
            const uchar* cell = raw + 16 + 8 * i;
            EXPECT_LE(qFromLittleEndian<quint16>(cell) + qFromLittleEndian<quint16>(cell + 4), 10000);
            EXPECT_LE(qFromLittleEndian<quint16>(cell + 2) + qFromLittleEndian<quint16>(cell + 6), 10000);
        }
    }
    EXPECT_TRUE(UiResources::data(QStringLiteral("LAYOUT_DATA"), 155).isEmpty());
}

TEST(UiResources, UnboundBundlesGiveNothing)
{
    EXPECT_FALSE(UiResources::bind(UiResources::Bundle::Uires, QStringLiteral("/nonexistent")));
    EXPECT_FALSE(UiResources::isBound(UiResources::Bundle::Uires));
    EXPECT_TRUE(UiResources::string(21012).isEmpty());
    EXPECT_TRUE(UiResources::bitmap(447).isNull());
}
