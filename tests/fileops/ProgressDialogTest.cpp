#include "fileops/ProgressDialog.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

TEST(ProgressDialogTest, ShowsTitleLargeByteCountsAndTheCancelClick)
{
    QWidget owner;
    fileops::ProgressDialog progress(&owner);
    EXPECT_FALSE(progress.cancelRequested()); // nothing open yet
    progress.open(QStringLiteral("バックアップ中..."));
    auto* window = owner.findChild<QProgressDialog*>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("バックアップ中..."));

    progress.setItem(QStringLiteral("IMGA0001.JPG"));
    EXPECT_TRUE(window->labelText().contains(QStringLiteral("IMGA0001.JPG")));
    // Totals past 2^31 bytes still give the right share.
    const qint64 total = qint64(6) << 30;
    progress.setProgress(total / 2, total);
    EXPECT_EQ(window->value() * 2, window->maximum());
    progress.setProgress(total, total);
    EXPECT_EQ(window->value(), window->maximum());

    EXPECT_FALSE(progress.cancelRequested());
    auto* cancel = window->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_TRUE(progress.cancelRequested());
    progress.close();
    EXPECT_EQ(owner.findChild<QProgressDialog*>(), nullptr);
}
