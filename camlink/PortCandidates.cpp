#include "camlink/PortCandidates.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

namespace camlink {

namespace {

constexpr int kComPorts = 20;
constexpr int kSpecialPorts = 2;

// Serial devices of one family in numeric order: ttyUSB2 before ttyUSB10.
QStringList numbered(const QString& folder, const QString& prefix, int from)
{
    const QRegularExpression pattern(QStringLiteral("^%1(\\d+)$").arg(prefix));
    std::vector<std::pair<int, QString>> found;
    for (const QString& entry : QDir(folder).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const auto match = pattern.match(entry);
        if (match.hasMatch() && match.captured(1).toInt() >= from)
            found.emplace_back(match.captured(1).toInt(), entry);
    }
    std::sort(found.begin(), found.end());
    QStringList names;
    for (const auto& entry : found)
        names << entry.second;
    return names;
}

}  // namespace

std::vector<PortCandidate> standardCandidates(const QString& deviceFolder)
{
    std::vector<PortCandidate> ports;
    for (int i = 1; i <= kSpecialPorts; ++i)
        ports.push_back({QStringLiteral("\\\\.\\PXCOM%1").arg(i), deviceFolder + QStringLiteral("/ttyUSB%1").arg(i - 1), 1});
    for (int i = 1; i <= kComPorts; ++i)
        ports.push_back({QStringLiteral("COM%1").arg(i), deviceFolder + QStringLiteral("/ttyS%1").arg(i - 1), 0});
    QStringList further = numbered(deviceFolder, QStringLiteral("ttyUSB"), kSpecialPorts);
    further << numbered(deviceFolder, QStringLiteral("ttyACM"), 0);
    for (const QString& entry : further) {
        const QString path = deviceFolder + QLatin1Char('/') + entry;
        ports.push_back({path, path, 0});
    }
    return ports;
}

PortCandidate candidateForName(const QString& name, const QString& deviceFolder)
{
    if (name.startsWith(QLatin1Char('/')))
        return {name, name, 0};
    for (const PortCandidate& port : standardCandidates(deviceFolder)) {
        if (port.name.compare(name, Qt::CaseInsensitive) == 0)
            return port;
    }
    return {name, QString(), 0};
}

}  // namespace camlink
