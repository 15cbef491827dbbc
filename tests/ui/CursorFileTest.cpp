#include "ui/CursorFile.h"

#include <QBitmap>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kHandCursor = QStringLiteral(TABLOREN_RESOURCES_DIR "/HAND-M.CUR");

TEST(CursorFile, TheHandPointsWithItsHotSpotOnTheFingerTip) {
  const QCursor hand = ui::LoadCursorFile(kHandCursor);
  const QImage image = hand.pixmap().toImage();
  ASSERT_EQ(image.size(), QSize(32, 32));
  EXPECT_EQ(hand.hotSpot(), QPoint(5, 0));
  // The tip is drawn, the pixel above-left of the hand and the far corner are not.
  EXPECT_EQ(qAlpha(image.pixel(5, 0)), 255);
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0);
  // Outline black, inside white.
  EXPECT_EQ(qRed(image.pixel(4, 1)), 0);
  EXPECT_EQ(qRed(image.pixel(5, 2)), 255);
}

TEST(CursorFile, FilesThatAreNoCursorsAreErrorsNamingTheFile) {
  QTemporaryDir folder;
  const QString icon = folder.filePath(QStringLiteral("icon.cur"));
  QFile original(kHandCursor);
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  QByteArray bytes = original.readAll();
  bytes[2] = 1;  // an icon, not a cursor
  QFile file(icon);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  file.close();

  const QString truncated = folder.filePath(QStringLiteral("short.cur"));
  QFile shortFile(truncated);
  ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
  shortFile.write(QByteArray::fromHex("000002000100"));
  shortFile.close();

  for (const QString& path : {icon, truncated, folder.filePath(QStringLiteral("missing.cur"))}) {
    try {
      ui::LoadCursorFile(path);
      ADD_FAILURE() << "no error for " << path.toStdString();
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(path.toStdString()), std::string::npos) << error.what();
    }
  }
}

}  // namespace
