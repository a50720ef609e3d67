#pragma once
// The ports the link tries, in order: the two special ports, COM1 to COM20, then the USB and ACM serial
// devices the system has. Each keeps the name the user and the configuration know it by.
//
// On Linux the two special ports (the camcorder maker's own USB link) are the first two USB serial
// devices, COMn is /dev/ttyS<n-1>, and any name starting with "/" is a device path used as it is
// (which is how a pseudo-terminal is given).

#include <QString>
#include <QStringList>

#include <vector>

namespace camlink {

struct PortCandidate {
    QString name;    // "\\.\PXCOM1", "COM3", "/dev/ttyUSB4", "/dev/pts/7"
    QString device;  // the device path opened
    int kind = 0;    // 1 for the two special ports, 0 otherwise
    bool operator==(const PortCandidate&) const = default;
};

// The 22 named ports followed by the further USB (from the third on) and ACM devices found in
// `deviceFolder`, numbered in order.
std::vector<PortCandidate> standardCandidates(const QString& deviceFolder = QStringLiteral("/dev"));

// The candidate for a port name: one of the standard names (case-insensitive), or a device path.
// An unknown name gives a candidate with an empty device.
PortCandidate candidateForName(const QString& name, const QString& deviceFolder = QStringLiteral("/dev"));

}  // namespace camlink
