// Both windows stand inside the screen's free area with every control inside them, also on a
// screen smaller than their design size (ctest runs these at QT_SCALE_FACTOR=2 on a 1280x800
// screen too): there they are scaled down whole, keeping their proportions.
#include "WindowTestSupport.h"
#include "ui/ConnectionWindow.h"
#include "ui/TablesWindow.h"
#include "ui/Twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The design sizes of the client areas, in twips.
constexpr double kConnectionWindowWidth = 8040, kConnectionWindowHeight = 6270;
constexpr double kTablesWindowWidth = 8040, kTablesWindowHeight = 5520;

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
  ui::ConnectionWindow form(services());
  ExpectInsideTheScreen("connection window", form, kConnectionWindowWidth, kConnectionWindowHeight);
  const QRect next(form.nextButton->mapTo(&form, QPoint(0, 0)), form.nextButton->size());
  EXPECT_TRUE(form.rect().contains(next));
  // Every label shows its whole text ("Password (if required):" with its colon).
  for (QLabel* label : form.findChildren<QLabel*>()) {
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
        << label->text().toStdString();
    EXPECT_LE(label->fontMetrics().height(), label->contentsRect().height()) << label->text().toStdString();
  }
}

TEST_F(SmallScreenTest, TablesWindowFits) {
  ui::WindowServices windowServices = services();
  QWidget connectionWindow;
  ui::TablesWindow form(windowServices, &connectionWindow);
  form.load();
  ExpectInsideTheScreen("tables window", form, kTablesWindowWidth, kTablesWindowHeight);
  const QRect back(form.backButton->mapTo(&form, QPoint(0, 0)), form.backButton->size());
  EXPECT_TRUE(form.rect().contains(back));
}

}  // namespace
