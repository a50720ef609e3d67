// The port list and names, over a device folder of our own making.

#include "camlink/PortCandidates.h"
#include "camlink/SerialPort.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace camlink;

TEST(PortCandidates, TheNamedPortsComeFirstThenTheFurtherSerialDevicesInNumericOrder)
{
    QTemporaryDir dev;
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyUSB2", "ttyACM1", "ttyACM0", "ttyS4", "ttyUSBx",
                             "xttyUSB3", "ttyAMA0"}) {
        QFile file(dev.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const auto ports = standardCandidates(dev.path());
    ASSERT_EQ(ports.size(), 22u + 4u);
    EXPECT_EQ(ports[0], (PortCandidate{QStringLiteral("\\\\.\\PXCOM1"), dev.filePath(QStringLiteral("ttyUSB0")), 1}));
    EXPECT_EQ(ports[1], (PortCandidate{QStringLiteral("\\\\.\\PXCOM2"), dev.filePath(QStringLiteral("ttyUSB1")), 1}));
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(ports[1 + i], (PortCandidate{QStringLiteral("COM%1").arg(i), dev.filePath(QStringLiteral("ttyS%1").arg(i - 1)), 0}));
    QStringList further;
    for (std::size_t i = 22; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i].kind, 0);
        EXPECT_EQ(ports[i].name, ports[i].device);
        further << QFileInfo(ports[i].device).fileName();
    }
    EXPECT_EQ(further, (QStringList{QStringLiteral("ttyUSB2"), QStringLiteral("ttyUSB10"), QStringLiteral("ttyACM0"),
                                    QStringLiteral("ttyACM1")}));

    // "COM1", the bar's old default, is the first serial port.
    EXPECT_EQ(candidateForName(QStringLiteral("COM1")).device, QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(candidateForName(QStringLiteral("com3"), dev.path()).device, dev.filePath(QStringLiteral("ttyS2")));
    EXPECT_EQ(candidateForName(QStringLiteral("\\\\.\\pxcom2"), dev.path()).kind, 1);
    EXPECT_EQ(candidateForName(QStringLiteral("/dev/pts/5"), dev.path()), (PortCandidate{QStringLiteral("/dev/pts/5"), QStringLiteral("/dev/pts/5"), 0}));
    EXPECT_TRUE(candidateForName(QStringLiteral("COM21"), dev.path()).device.isEmpty());
    EXPECT_TRUE(candidateForName(QStringLiteral("LPT1"), dev.path()).device.isEmpty());

    // A file that is no terminal is never taken for a port, and neither is a missing device.
    QString why;
    EXPECT_FALSE(SerialPort::open(dev.filePath(QStringLiteral("ttyS4")), 100, &why));
    EXPECT_EQ(why, QStringLiteral("not a terminal"));
    EXPECT_FALSE(SerialPort::open(dev.filePath(QStringLiteral("ttyS9")), 100, &why));
    EXPECT_TRUE(why.startsWith(QLatin1String("open")));
}
