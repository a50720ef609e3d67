#include "fileops/BackupScan.h"

#include "media/CameraFolders.h"
#include "platform/FileSearch.h"

#include <QSet>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace fileops {
namespace {

constexpr int FirstDcfFolder = 100;
constexpr int LastDcfFolder = 999;
constexpr int FirstOldFolder = 1;
constexpr int LastOldFolder = 99;
constexpr int LastFileNumber = 9999;
constexpr int TargetDigits = 6;

bool allDigits(QStringView text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

// The extensions a backup takes, exactly as a camera writes them; mixed case is someone else's file.
QString targetExtension(QStringView extension)
{
    static const QStringList accepted{QStringLiteral("JPG"), QStringLiteral("jpg"), QStringLiteral("TIF"),
                                      QStringLiteral("tif"), QStringLiteral("MOV"), QStringLiteral("mov"),
                                      QStringLiteral("AVI"), QStringLiteral("avi")};
    for (const QString& candidate : accepted) {
        if (extension == candidate)
            return candidate.toLower();
    }
    return {};
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

class Scanner {
public:
    Scanner(const QString& destination, BackupPlan& plan) : destination_(destination), plan_(plan)
    {
        // Every number some "IM%06d.???" of the destination already holds.
        for (const platform::DirEntry& entry : platform::FileSearch::list(destination, u"IM??????.???")) {
            const QStringView digits = QStringView(entry.name).mid(2, TargetDigits);
            if (allDigits(digits))
                taken_.insert(digits.toInt());
        }
    }

    void scanFolder(const QString& folder)
    {
        plan_.foundFolder = true;
        // Files grouped by number, each group in the order the file system lists them.
        std::map<int, std::vector<QString>> byNumber;
        // Camera file names: four characters, four digits, a dot, three characters.
        for (const platform::DirEntry& entry : platform::FileSearch::list(folder, u"????????.???")) {
            const QStringView digits = QStringView(entry.name).mid(4, 4);
            if (entry.isDir || !allDigits(digits))
                continue;
            const int number = digits.toInt();
            if (number >= 1 && number <= LastFileNumber)
                byNumber[number].push_back(entry.name);
        }
        for (const auto& [number, names] : byNumber) {
            QSet<QString> targetsOfThisNumber;
            bool tookOne = false;
            for (const QString& name : names) {
                bool cameraPrefix = true;
                for (qsizetype i = 0; i < 4; ++i)
                    cameraPrefix = cameraPrefix && media::isCameraNameChar(name[i]);
                const QString extension = targetExtension(QStringView(name).mid(9));
                if (!cameraPrefix || extension.isEmpty())
                    continue;
                skipTakenNumbers();
                QString target = targetName(extension);
                if (targetsOfThisNumber.contains(target)) {
                    // Two files of one number with the same kind (IMGA0007.JPG and DSCN0007.JPG) would
                    // land on one target and one picture would be lost: give the second its own number.
                    ++next_;
                    skipTakenNumbers();
                    target = targetName(extension);
                }
                targetsOfThisNumber.insert(target);
                plan_.sources << joined(folder, name);
                plan_.targets << joined(destination_, target);
                tookOne = true;
            }
            if (tookOne)
                ++next_;
        }
    }

private:
    void skipTakenNumbers()
    {
        while (taken_.count(next_))
            ++next_;
    }

    QString targetName(const QString& extension) const
    {
        return QStringLiteral("IM%1.").arg(next_, TargetDigits, 10, QLatin1Char('0')) + extension;
    }

    QString destination_;
    BackupPlan& plan_;
    std::set<int> taken_;
    int next_ = 1;
};

bool isCameraRestOf(QStringView name, qsizetype from)
{
    for (qsizetype i = from; i < name.size(); ++i) {
        if (!media::isCameraNameChar(name[i]))
            return false;
    }
    return true;
}

} // namespace

BackupPlan BackupScan::scan(const QString& cardRoot, const QString& destination)
{
    BackupPlan plan;
    QString target = destination;
    while (target.size() > 1 && target.endsWith(QLatin1Char('/')))
        target.chop(1);
    Scanner scanner(target, plan);

    const QString root = platform::FileSearch::resolve(cardRoot);
    if (root.isEmpty())
        return plan;

    const QString dcim = platform::FileSearch::resolve(joined(root, QStringLiteral("DCIM")));
    if (!dcim.isEmpty() && platform::FileSearch::isDir(dcim)) {
        const auto folders = platform::FileSearch::list(dcim, u"????????");
        for (int number = FirstDcfFolder; number <= LastDcfFolder; ++number) {
            const QString prefix = QString::number(number);
            for (const platform::DirEntry& entry : folders) {
                if (entry.isDir && entry.name.startsWith(prefix) && isCameraRestOf(entry.name, 3))
                    scanner.scanFolder(joined(dcim, entry.name));
            }
        }
    }

    const auto oldFolders = platform::FileSearch::list(root, u"IM??????");
    const bool hasOldLayout = std::any_of(oldFolders.begin(), oldFolders.end(), [](const auto& e) { return e.isDir; });
    if (hasOldLayout) {
        for (int number = FirstOldFolder; number <= LastOldFolder; ++number) {
            const QString prefix = QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
            for (const platform::DirEntry& entry : oldFolders) {
                if (entry.isDir && QStringView(entry.name).mid(2, 2) == prefix && isCameraRestOf(entry.name, 4))
                    scanner.scanFolder(joined(root, entry.name));
            }
        }
    }
    return plan;
}

} // namespace fileops
