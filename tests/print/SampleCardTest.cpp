// The sample card the build draws must be what it claims: a card the detector finds through its volume
// table, with a print order whose pictures are all there and one file of every kind.

#include "fileops/BackupScan.h"
#include "media/CardDetector.h"
#include "print/PrintOrder.h"

#include "print/PrintFixture.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

const QString SampleDir = QStringLiteral(KESTREL_BUILD_DIR "/samples");

class SampleCardTest : public ::testing::Test {
protected:
    SampleCardTest()
    {
        previous_ = qgetenv(platform::Volumes::TableVariable);
        qputenv(platform::Volumes::TableVariable, QFile::encodeName(SampleDir + QStringLiteral("/volumes.tsv")));
        if (!UiResources::isBound(UiResources::Bundle::Uires))
            UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR));
    }
    ~SampleCardTest() override { qputenv(platform::Volumes::TableVariable, previous_); }

    const QString card = SampleDir + QStringLiteral("/card/");
    const QString folder = card + QStringLiteral("DCIM/100KSTRL");

private:
    QByteArray previous_;
};

TEST_F(SampleCardTest, IsFoundAsARemovableCard)
{
    ASSERT_TRUE(QFileInfo::exists(SampleDir + QStringLiteral("/card.stamp"))) << "the sample card was not drawn";
    media::CardDetector detector(false);
    EXPECT_EQ(detector.search(QString(), 0, 1), folder + QLatin1Char('/'));
    EXPECT_EQ(detector.classifyDrive(card, true, 0, 1), media::DriveHoldsCard);
}

TEST_F(SampleCardTest, HoldsEveryKindOfFile)
{
    QStringList endings;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        endings << name.right(4).toLower();
    endings.removeDuplicates();
    endings.sort();
    EXPECT_EQ(endings, (QStringList{".avi", ".bmp", ".dcf", ".dvf", ".jpg", ".mov", ".tif", ".ttl", ".txt"}));

    // Camera files a backup takes: the JPEGs, the TIFF and both movies.
    const fileops::BackupPlan plan =
        fileops::BackupScan::scan(card, QDir::tempPath() + QStringLiteral("/no-such-backup"));
    EXPECT_EQ(plan.sources.size(), 8);
}

TEST_F(SampleCardTest, PrintOrderNamesOnlyPicturesThatExist)
{
    QFile file(card + QStringLiteral("MISC/AUTPRINT.MRK"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    print::PrintOrder order;
    order.setCardPath(folder);
    ASSERT_TRUE(order.load());
    EXPECT_EQ(order.jobs().size(), 4u);
    EXPECT_EQ(order.totalCopies(), 5);
    for (const print::PrintJob& job : order.jobs()) {
        if (job.isStandard()) {
            EXPECT_TRUE(QFileInfo::exists(job.imagePath)) << job.imagePath.toStdString();
        }
    }
    // Nothing is stale: revalidation leaves the card untouched.
    ASSERT_TRUE(order.revalidate(folder));
    EXPECT_FALSE(QFileInfo::exists(card + QStringLiteral("MISC/AUTPRINT.bak")));
    file.seek(0);
    EXPECT_EQ(file.readAll(), before);
}

} // namespace
