#include "app/ApplicationTitle.h"
#include "app/Appearance.h"
#include "app/Files.h"
#include "app/ScriptedDialogs.h"
#include "app/WebPages.h"
#include "app/Yield.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(FileExists, OddPathsGiveFalseWithoutFailing) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString file = folder.filePath(QStringLiteral("a file with blanks & 'quotes'.db3"));
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();

  EXPECT_TRUE(app::FileExists(file));
  EXPECT_TRUE(app::FileExists(folder.path()));  // a folder has a modification time too
  EXPECT_FALSE(app::FileExists(QString()));
  EXPECT_FALSE(app::FileExists(folder.filePath(QStringLiteral("missing folder/x.mdb"))));
  EXPECT_FALSE(app::FileExists(QStringLiteral("bad") + QChar(0) + QStringLiteral("name")));
  EXPECT_FALSE(app::FileExists(folder.filePath(QString(5000, QLatin1Char('n')))));  // name too long
  EXPECT_FALSE(app::FileExists(file + QStringLiteral("/below a file")));

  const QString link = folder.filePath(QStringLiteral("dangling"));
  ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("gone")), link));
  EXPECT_FALSE(app::FileExists(link));
}

TEST(ApplicationTitle, CutsBackAtTheLastSpaceWhileTooLong) {
  EXPECT_EQ(app::ShortenApplicationTitle(QStringLiteral("Tabloren")), QStringLiteral("Tabloren"));
  // 50 characters: the first cut still leaves 45, the second gives 37.
  const QString fifty = QStringLiteral("Tabloren Access SQLite Converter Pro Edition 2021X");
  ASSERT_EQ(fifty.size(), 50);
  EXPECT_EQ(app::ShortenApplicationTitle(fifty), QStringLiteral("Tabloren Access SQLite Converter Pro"));
  const QString exactly40(40, QLatin1Char('x'));
  EXPECT_EQ(app::ShortenApplicationTitle(exactly40), exactly40);
  // Without a space the cut would never end: the first 40 characters stay.
  EXPECT_EQ(app::ShortenApplicationTitle(QString(60, QLatin1Char('y'))), QString(40, QLatin1Char('y')));

  app::SetApplicationTitle(fifty);
  EXPECT_EQ(app::ApplicationTitle(), QStringLiteral("Tabloren Access SQLite Converter Pro"));
  app::SetApplicationTitle();
  EXPECT_EQ(app::ApplicationTitle(), QStringLiteral("Tabloren"));

  // Boxes without a title of their own show the application title.
  app::ScriptedDialogs dialogs;
  dialogs.message(QStringLiteral("Please select a table"), QString(), app::MessageButtons::Ok, app::MessageIcon::None);
  EXPECT_EQ(dialogs.shown().at(0).title, QStringLiteral("Tabloren"));
}

TEST(HomePage, OpensOnlyWhenTheDrawIsSeven) {
  EXPECT_EQ(app::DrawOneToHundred(0.0), 1);
  EXPECT_EQ(app::DrawOneToHundred(0.06), 7);
  EXPECT_EQ(app::DrawOneToHundred(0.0699999), 7);
  EXPECT_EQ(app::DrawOneToHundred(0.07), 8);
  EXPECT_EQ(app::DrawOneToHundred(0.9999999), 100);

  app::ScriptedDialogs dialogs;
  std::uint32_t seenSeed = 0;
  auto clock = [] { return std::uint32_t{45296}; };  // 12:34:56
  auto seven = [&](std::uint32_t seed) {
    seenSeed = seed;
    return 0.065;
  };
  EXPECT_TRUE(app::OpenHomePageAtRandom(dialogs, clock, seven));
  EXPECT_EQ(seenSeed, 45296u);
  EXPECT_EQ(dialogs.openedUrls(), QStringList{QString::fromLatin1(app::kHomePageAddress)});

  EXPECT_FALSE(app::OpenHomePageAtRandom(dialogs, clock, [](std::uint32_t) { return 0.5; }));
  EXPECT_FALSE(app::OpenHomePageAtRandom(dialogs, clock, [](std::uint32_t) { return 0.07; }));
  EXPECT_EQ(dialogs.openedUrls().size(), 1);
}

TEST(HomePage, RealDrawOpensAboutOnceInAHundred) {
  int sevens = 0;
  for (std::uint32_t second = 0; second < 86400; ++second) {
    const double fraction = app::SeededRandomFraction(second);
    ASSERT_GE(fraction, 0.0);
    ASSERT_LT(fraction, 1.0);
    if (app::DrawOneToHundred(fraction) == 7) ++sevens;
  }
  EXPECT_GT(sevens, 600);  // 864 expected
  EXPECT_LT(sevens, 1150);
}

// The window shape of the connection window, enough to see which controls are coloured.
struct Window {
  QWidget window;
  QGroupBox* frame = new QGroupBox(QStringLiteral("Frame1"), &window);
  QLabel* label = new QLabel(QStringLiteral("Password"), frame);
  QLabel* image = new QLabel(&window);
  QCheckBox* check = new QCheckBox(&window);
  QRadioButton* option = new QRadioButton(&window);
  QLineEdit* text = new QLineEdit(frame);
  QListWidget* list = new QListWidget(&window);
  QPushButton* button = new QPushButton(&window);
  QProgressBar* progress = new QProgressBar(&window);
  Window() {
    QPixmap picture(4, 4);
    picture.fill(Qt::red);
    image->setPixmap(picture);
  }
};

bool HasStandardColor(const QWidget* w) { return w->backgroundRole() == QPalette::Button && w->autoFillBackground(); }

TEST(Appearance, StandardColorsOnlyOnWindowFramesLabelsAndButtonsOfChoice) {
  Window w;
  app::ApplyStandardColors(&w.window);
  for (const QWidget* coloured : std::initializer_list<const QWidget*>{&w.window, w.frame, w.label, w.check, w.option})
    EXPECT_TRUE(HasStandardColor(coloured)) << coloured->metaObject()->className();
  for (const QWidget* kept : std::initializer_list<const QWidget*>{w.image, w.text, w.list, w.button, w.progress})
    EXPECT_FALSE(HasStandardColor(kept)) << kept->metaObject()->className();
}

TEST(Appearance, SkinAppliesOnlyFromARegularFile) {
  QTemporaryDir programFolder;
  ASSERT_TRUE(programFolder.isValid());
  Window w;

  app::ApplyWindowSkin(&w.window, programFolder.path());  // no skin file: nothing touched
  EXPECT_FALSE(HasStandardColor(&w.window));
  EXPECT_TRUE(w.window.styleSheet().isEmpty());

  ASSERT_TRUE(QDir(programFolder.path()).mkpath(QStringLiteral("x/o.cjs")));  // a folder of that name
  app::ApplyWindowSkin(&w.window, programFolder.path());
  EXPECT_FALSE(HasStandardColor(&w.window));
  ASSERT_TRUE(QDir(programFolder.path()).rmdir(QStringLiteral("x/o.cjs")));

  const QByteArray sheet = "QPushButton { border-radius: 4px; }\n";
  QFile skin(programFolder.filePath(QStringLiteral("x/o.cjs")));
  ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
  skin.write(sheet);
  skin.close();
  app::ApplyWindowSkin(&w.window, programFolder.path());
  EXPECT_TRUE(HasStandardColor(&w.window));
  EXPECT_TRUE(HasStandardColor(w.frame));
  EXPECT_EQ(w.window.styleSheet(), QString::fromUtf8(sheet));
}

TEST(Yield, ProcessesEventsOnlyEveryTwentyMilliseconds) {
  using namespace std::chrono_literals;
  auto now = std::chrono::steady_clock::time_point{} + 1h;
  int processed = 0;
  app::EventYielder yielder([&] { return now; }, [&] { ++processed; });
  for (int i = 0; i < 1000; ++i) yielder();
  EXPECT_EQ(processed, 0);
  now += 19ms;
  EXPECT_FALSE(yielder());
  now += 1ms;
  EXPECT_TRUE(yielder());
  EXPECT_FALSE(yielder());
  now += 25ms;
  EXPECT_TRUE(yielder());
  EXPECT_EQ(processed, 2);
}

TEST(Yield, RealYieldDeliversPendingEvents) {
  bool delivered = false;
  QTimer::singleShot(0, [&] { delivered = true; });
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!delivered && std::chrono::steady_clock::now() < until) app::YieldToEvents();
  EXPECT_TRUE(delivered);
}

}  // namespace
