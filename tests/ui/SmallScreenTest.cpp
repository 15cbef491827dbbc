// Both windows stand inside the screen's free area with every control inside them, also on a
// screen smaller than their design size (ctest runs these at QT_SCALE_FACTOR=2 on a 1280x800
// screen too): there they are scaled down whole, keeping their proportions.
#include "WindowTestSupport.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The design sizes of the client areas, in twips.
constexpr double kForm1Width = 8040, kForm1Height = 6270;
constexpr double kForm2Width = 8040, kForm2Height = 5520;

void ExpectInsideTheScreen(const char* name, QWidget& window, double designWidth, double designHeight) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QRect available = window.screen()->availableGeometry();
  const qreal dpi = window.logicalDpiX();
  const bool fitsAsDesigned = ui::TwipsToPixels(designWidth, dpi) <= available.width() &&
                              ui::TwipsToPixels(designHeight, dpi) < available.height();
  SCOPED_TRACE(QStringLiteral("%1 on %2x%3, scale %4")
                   .arg(QLatin1String(name))
                   .arg(available.width())
                   .arg(available.height())
                   .arg(ui::LayoutScale(&window))
                   .toStdString());
  if (fitsAsDesigned) {
    EXPECT_EQ(ui::LayoutScale(&window), 1.0);
  } else {
    EXPECT_LT(ui::LayoutScale(&window), 1.0);
  }
  EXPECT_TRUE(available.contains(window.frameGeometry())) << window.frameGeometry().x() << ","
                                                          << window.frameGeometry().y();
  // Proportions kept: width to height as designed, within rounding.
  EXPECT_NEAR(double(window.width()) / window.height(), designWidth / designHeight, 0.03);
  for (QWidget* control : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!control->isVisible()) continue;
    EXPECT_TRUE(window.rect().contains(control->geometry())) << control->objectName().toStdString();
  }
}

class SmallScreenTest : public ::testing::Test, public uitest::WindowFixture {};

TEST_F(SmallScreenTest, ConnectionWindowFitsWithNextReachable) {
  ui::Form1 form(services());
  ExpectInsideTheScreen("connection window", form, kForm1Width, kForm1Height);
  const QRect next(form.PushButton2->mapTo(&form, QPoint(0, 0)), form.PushButton2->size());
  EXPECT_TRUE(form.rect().contains(next));
}

TEST_F(SmallScreenTest, TablesWindowFits) {
  ui::WindowServices windowServices = services();
  QWidget connectionWindow;
  ui::Form2 form(windowServices, &connectionWindow);
  form.Form_Load();
  ExpectInsideTheScreen("tables window", form, kForm2Width, kForm2Height);
  const QRect back(form.PushButton2->mapTo(&form, QPoint(0, 0)), form.PushButton2->size());
  EXPECT_TRUE(form.rect().contains(back));
}

}  // namespace
