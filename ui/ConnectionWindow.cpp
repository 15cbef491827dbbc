#include "ui/ConnectionWindow.h"

#include "app/Appearance.h"
#include "app/ApplicationTitle.h"
#include "app/ErrorPolicy.h"
#include "app/Files.h"
#include "app/Settings.h"
#include "app/UserSamples.h"
#include "app/WebPages.h"
#include "db/Access.h"
#include "db/Connections.h"
#include "db/ProviderCheck.h"
#include "db/SQLite.h"
#include "ui/ActionGuard.h"
#include "ui/ProgramIcon.h"
#include "ui/Twips.h"
#include "ui/WindowGeometry.h"

#include <QCloseEvent>
#include <algorithm>
#include <QFileInfo>

namespace ui {
namespace {

// The error boxes' location labels keep the original design's names (ConnectionWindow.h).
constexpr char kWindow[] = "Form1";

constexpr char kCouldNotConnect[] = "Could not connect.";

// The controls lie within 8040 by 6150 twips; the window keeps the same margin
// under "Next >" as on its left.
constexpr int kClientWidth = 8040;
constexpr int kClientHeight = 6150 + 120;

template <class Control, class... Arguments>
Control* Place(QWidget* container, int left, int top, int width, int height, Arguments&&... arguments) {
  auto* control = new Control(std::forward<Arguments>(arguments)..., container);
  PlaceInTwips(control, left, top, width, height);
  return control;
}

// A file the database driver may open: not a folder, not hidden.
bool IsPlainFile(const QString& path) {
  const QFileInfo file(path);
  return file.isFile() && !file.isHidden();
}

void Notice(app::Dialogs& dialogs, const QString& text) {
  dialogs.message(text, QString(), app::MessageButtons::Ok, app::MessageIcon::None);
}

}  // namespace

ConnectionWindow::ConnectionWindow(WindowServices services) : services_(std::move(services)) {
  // Ending the program from either window also marks it ended here and takes both
  // windows off the screen.
  services_.endProgram = [this, end = std::move(services_.endProgram)] {
    programEnded_ = true;
    services_.programEnding = true;
    hide();
    if (tablesWindow_) tablesWindow_->hide();
    if (end) end();
  };
  SetUpWindow(this, kClientWidth, kClientHeight);
  createControls();
  pointer_ = new WindowPointer(this);
  for (QWidget* button : {pickAccessButton, nextButton, testConnectionButton, accessSampleButton, pickSQLiteButton,
                          sqliteSampleButton, helpButton, accessToSQLitePageButton, sqliteToAccessPageButton}) {
    pointer_->watchButton(button);
  }
  for (QWidget* area : std::initializer_list<QWidget*>{this, sqlitePathBox, accessPathBox, accessPasswordBox,
                                                       sqliteFrame, accessFrame}) {
    pointer_->watchPlainArea(area);
  }
  connectHandlers();
  CentreOnScreen(this);
}

ConnectionWindow::~ConnectionWindow() = default;

void ConnectionWindow::createControls() {
  sqliteFrame = Place<Frame>(this, 120, 1770, 7800, 1935, QStringLiteral("SQLite File"));
  sqlitePathBox = Place<TextBox>(sqliteFrame, 1320, 360, 5415, 345);
  pickSQLiteButton = Place<PushButton>(sqliteFrame, 6840, 360, 700, 345, QStringLiteral("..."));
  testConnectionButton = Place<PushButton>(sqliteFrame, 255, 840, 7305, 405, QStringLiteral("Test Connection"));
  helpButton = Place<PushButton>(sqliteFrame, 240, 1350, 3600, 405, QStringLiteral("Help"));
  sqliteSampleButton =
      Place<PushButton>(sqliteFrame, 3960, 1350, 3600, 405, QStringLiteral("Load Sample/Example Database"));
  sqlitePathLabel = Place<Label>(sqliteFrame, 240, 405, 975, 255, QStringLiteral("Database:"));
  accessFrame = Place<Frame>(this, 120, 3780, 7800, 1845, QStringLiteral("Access Database"));
  accessPasswordBox = Place<TextBox>(accessFrame, 2280, 800, 5265, 345);
  accessPathBox = Place<TextBox>(accessFrame, 2280, 300, 4455, 345);
  pickAccessButton = Place<PushButton>(accessFrame, 6840, 300, 690, 345, QStringLiteral("..."));
  accessSampleButton =
      Place<PushButton>(accessFrame, 240, 1260, 7275, 405, QStringLiteral("Load Sample/Example Database"));
  accessPasswordLabel = Place<Label>(accessFrame, 240, 840, 1950, 225, QStringLiteral("Password (if required):"));
  accessPathLabel = Place<Label>(accessFrame, 240, 345, 1935, 255, QStringLiteral("MDB or ACCDB File:"));
  nextButton = Place<PushButton>(this, 120, 5745, 7800, 405, QStringLiteral("Next >"));
  accessToSQLitePageButton = Place<PushButton>(this, 120, 120, 7800, 405, QStringLiteral("Access to SQLite Converter"));
  sqliteToAccessPageButton = Place<PushButton>(this, 120, 630, 7800, 405, QStringLiteral("SQLite to Access Converter"));

  // A font scaled down with the layout does not shrink exactly as the twips do (a large scale
  // factor on a small screen): a label keeps its whole text by growing into the gap before its box.
  for (Label* label : {sqlitePathLabel, accessPasswordLabel, accessPathLabel}) {
    const QSize hint = label->sizeHint();
    const int width = std::max(hint.width(), label->fontMetrics().horizontalAdvance(label->text()) + 1);
    label->resize(std::max(label->width(), width), std::max(label->height(), hint.height()));
  }

  // The password shows one "*" per character.
  accessPasswordBox->setEchoMode(QLineEdit::Password);
  accessPasswordBox->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));

  const QList<QWidget*> order = {sqlitePathBox,      testConnectionButton,     helpButton,
                                 accessPathBox,      pickAccessButton,         accessPasswordBox,
                                 nextButton,         pickSQLiteButton,         accessSampleButton,
                                 sqliteSampleButton, accessToSQLitePageButton, sqliteToAccessPageButton};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  sqlitePathBox->setFocus();
}

void ConnectionWindow::connectHandlers() {
  const std::pair<PushButton*, void (ConnectionWindow::*)()> handlers[] = {
      {pickAccessButton, &ConnectionWindow::onPickAccessClicked},
      {nextButton, &ConnectionWindow::onNextClicked},
      {testConnectionButton, &ConnectionWindow::onTestConnectionClicked},
      {accessSampleButton, &ConnectionWindow::onAccessSampleClicked},
      {pickSQLiteButton, &ConnectionWindow::onPickSQLiteClicked},
      {sqliteSampleButton, &ConnectionWindow::onSQLiteSampleClicked},
      {helpButton, &ConnectionWindow::onHelpClicked},
      {accessToSQLitePageButton, &ConnectionWindow::onAccessToSQLitePageClicked},
      {sqliteToAccessPageButton, &ConnectionWindow::onSQLiteToAccessPageClicked},
  };
  for (const auto& [button, handler] : handlers) {
    ConnectAction(button, this, services_.actionRunning, handler);
  }
  rememberChanges(sqlitePathBox, app::kSettingSQLiteDatabase);
  rememberChanges(accessPathBox, app::kSettingAccessMDBFile);
  rememberChanges(accessPasswordBox, app::kSettingAccessPassword);
}

void ConnectionWindow::rememberChanges(TextBox* box, const char* key) {
  connect(box, &QLineEdit::textChanged, this, [this, box, key] {
    try {
      app::WriteSetting(QString::fromLatin1(key), box->text());
      settingsFailureShown_ = false;
    } catch (const std::exception& failure) {
      // One notice until a write succeeds again, not one per typed character.
      if (settingsFailureShown_) return;
      settingsFailureShown_ = true;
      Notice(services_.dialogs, QStringLiteral("The setting %1 could not be saved, so it will not be there at the "
                                               "next start:\r%2")
                                    .arg(QString::fromLatin1(key), QString::fromUtf8(failure.what())));
    }
  });
}

QString ConnectionWindow::sqlitePath() const { return sqlitePathBox->text(); }
QString ConnectionWindow::accessPath() const { return accessPathBox->text(); }
QString ConnectionWindow::accessPassword() const { return accessPasswordBox->text(); }

void ConnectionWindow::start() {
  {
    const ActionScope startUp(services_.actionRunning);
    load();
  }
  const bool advanced = tablesWindow_ && tablesWindow_->isVisible();
  if (!programEnded_ && !advanced) show();
}

void ConnectionWindow::load() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "Form_Load"));
  h.step(10, [&] { app::ApplyWindowSkin(this, services_.programFolder); });
  h.step(20, [&] { app::OpenHomePageAtRandom(services_.dialogs, services_.clock, services_.draw); });
  h.step(30, [&] { setWindowTitle(QString::fromLatin1(app::kProductTitle)); });
  h.step(40, [&] { setWindowIcon(ProgramIcon()); });
  h.step(50, [&] { app::SetApplicationTitle(); });
  const QString handCursor = services_.programFile(app::kHandCursorFile);
  if (h.condition(60, [&] { return app::FileExists(handCursor); })) {
    h.step(70, [&] { pointer_->loadCustomImage(handCursor); });
  }
  h.step(80, [&] { sqlitePathBox->setText(app::ReadSetting(QString::fromLatin1(app::kSettingSQLiteDatabase))); });
  h.step(90, [&] { accessPathBox->setText(app::ReadSetting(QString::fromLatin1(app::kSettingAccessMDBFile))); });
  h.step(100, [&] { accessPasswordBox->setText(app::ReadSetting(QString::fromLatin1(app::kSettingAccessPassword))); });
  const bool fileGiven = !services_.fileToOpen.isEmpty();
  h.step(105, [&] {
    if (!fileGiven) return;
    const QString path = QFileInfo(services_.fileToOpen).absoluteFilePath();
    const bool sqlite = app::KindOfDatabaseFile(path) == app::DatabaseKind::SQLite;
    (sqlite ? sqlitePathBox : accessPathBox)->setText(path);
  });
  // Both remembered databases usable: go straight on to the tables window (not when a file was
  // named: its window is the one asked for).
  if (!fileGiven && h.condition(110, [&] { return db::TestSQLiteConnection(*this) && app::FileExists(accessPathBox->text()); })) {
    h.step(120, [&] { onNextClicked(); });
  }
  // Last, so that a missing data-access layer ends the program after the advance
  // has found the SQLite test false.
  if (h.condition(130, [&] {
        return services_.createConnection ? !db::CheckDataProvider(services_.dialogs, services_.createConnection)
                                          : !db::CheckDataProvider(services_.dialogs);
      })) {
    h.step(140, [&] { endProgram(); });
  }
}

void ConnectionWindow::onNextClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton2_Click"));
  h.step(10, [&] { pointer_->setPointer(app::PointerState::Hourglass); });
  [&] {
    // Either test failing ends the action quietly: the window stays as it is.
    if (h.condition(20, [&] { return !db::TestSQLiteConnection(*this); })) return;
    if (h.condition(30, [&] { return !app::FileExists(accessPathBox->text()); })) return;
    h.step(40, [&] { tablesWindow().accessList->clear(); });
    h.step(50, [&] { tablesWindow().sqliteList->clear(); });
    h.step(60, [&] {
      db::FillAccessTableList(*this, services_.dialogs, *tablesWindow().accessList, accessPathBox->text());
    });
    h.step(70, [&] { db::FillSQLiteTableList(*this, *tablesWindow().sqliteList); });
    h.step(80, [&] { tablesWindow().show(); });
    h.step(85, [&] { hide(); });
  }();
  h.step(90, [&] { pointer_->setPointer(app::PointerState::Default); });
}

void ConnectionWindow::onTestConnectionClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton3_Click"));
  // This handler answers every failure with "Could not connect.", never with the
  // error box.
  h.replacePolicy([&](const app::Failure&) {
    Notice(services_.dialogs, QString::fromLatin1(kCouldNotConnect));
    pointer_->setPointer(app::PointerState::Default);
  });
  if (h.condition(10, [&] { return sqlitePathBox->text().isEmpty(); })) {
    h.step(20, [&] { Notice(services_.dialogs, QString::fromLatin1(kCouldNotConnect)); });
    return;
  }
  // A path that names no file cannot connect either; say so rather than nothing.
  if (h.condition(30, [&] { return !IsPlainFile(sqlitePathBox->text()); })) {
    h.step(40, [&] { Notice(services_.dialogs, QString::fromLatin1(kCouldNotConnect)); });
    return;
  }
  std::unique_ptr<ado::Connection> connection;  // closed when the handler ends
  h.step(50, [&] { pointer_->setPointer(app::PointerState::Hourglass); });
  h.step(60, [&] { connection = db::OpenSQLiteConnection(*this, db::profiles::kTestConnectionButton); });
  h.step(70, [&] { Notice(services_.dialogs, QStringLiteral("Connection successful.")); });
  h.step(80, [&] { pointer_->setPointer(app::PointerState::Default); });
}

void ConnectionWindow::pickDatabaseFile(app::Handler& h, TextBox* target, const QString& title,
                                        const QStringList& filters) {
  std::optional<QString> chosen;
  h.step(10, [&] { chosen = services_.dialogs.openFile(app::FileDialogRequest{title, filters, QString()}); });
  // Cancelled: the box and the stored setting stay as they were.
  if (h.condition(20, [&] { return chosen.has_value() && !chosen->isEmpty(); })) {
    h.step(30, [&] { target->setText(chosen.value()); });
  }
}

void ConnectionWindow::onPickSQLiteClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton5_Click"));
  pickDatabaseFile(h, sqlitePathBox, QStringLiteral("Select SQLite Database"),
                   {QStringLiteral("SQLite Database (*.db*)"), QStringLiteral("All Files (*)")});
}

void ConnectionWindow::onPickAccessClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton1_Click"));
  pickDatabaseFile(h, accessPathBox, QStringLiteral("Select Access Database"),
                   {QStringLiteral("All Microsoft Databases (*.mdb,*.accdb)"),
                    QStringLiteral("Microsoft Database (*.mdb)"), QStringLiteral("Microsoft 2007 Database (*.accdb)")});
}

void ConnectionWindow::onSQLiteSampleClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton6_Click"));
  // The user's own copy, which a copy can write; the program folder's path when it cannot be made.
  QString sample = services_.programFile(app::kSampleSQLiteDatabase);
  h.step(5, [&] { sample = app::UserSample(services_.programFolder, app::kSampleSQLiteDatabase); });
  h.step(10, [&] { sqlitePathBox->setText(sample); });
}

void ConnectionWindow::onAccessSampleClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton4_Click"));
  QString sample = services_.programFile(app::kSampleAccessDatabase);
  h.step(5, [&] { sample = app::UserSample(services_.programFolder, app::kSampleAccessDatabase); });
  h.step(10, [&] { accessPathBox->setText(sample); });
}

void ConnectionWindow::onHelpClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton7_Click"));
  h.step(10, [&] {
    Notice(services_.dialogs, QStringLiteral("I use\r\r") + QString::fromLatin1(app::kSQLiteBrowserPageAddress) +
                                  QStringLiteral("\r\rto interface with my SQLite database."));
  });
}

void ConnectionWindow::onAccessToSQLitePageClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton8_Click"));
  h.step(10, [&] { app::OpenWebPage(services_.dialogs, QString::fromLatin1(app::kAccessToSQLitePageAddress)); });
}

void ConnectionWindow::onSQLiteToAccessPageClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton9_Click"));
  h.step(10, [&] { app::OpenWebPage(services_.dialogs, QString::fromLatin1(app::kSQLiteToAccessPageAddress)); });
}

TablesWindow& ConnectionWindow::tablesWindow() {
  if (!tablesWindow_) {
    tablesWindow_ = std::make_unique<TablesWindow>(services_, this);
    tablesWindow_->load();
  }
  return *tablesWindow_;
}

void ConnectionWindow::endProgram() { services_.endProgram(); }

void ConnectionWindow::closeEvent(QCloseEvent* event) {
  // Closing this window ends the whole program, the hidden tables window with it.
  event->accept();
  endProgram();
}

}  // namespace ui
