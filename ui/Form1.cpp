#include "ui/Form1.h"

#include "app/Appearance.h"
#include "app/ApplicationTitle.h"
#include "app/ErrorPolicy.h"
#include "app/Files.h"
#include "app/Settings.h"
#include "app/WebPages.h"
#include "db/Access.h"
#include "db/Connections.h"
#include "db/ODBCProvider.h"
#include "db/SQLite.h"
#include "ui/ActionGuard.h"
#include "ui/ProgramIcon.h"
#include "ui/Twips.h"
#include "ui/WindowGeometry.h"

#include <QCloseEvent>
#include <QFileInfo>

namespace ui {
namespace {

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

Form1::Form1(WindowServices services) : services_(std::move(services)) {
  // Ending the program from either window also marks it ended here and takes both
  // windows off the screen.
  services_.endProgram = [this, end = std::move(services_.endProgram)] {
    programEnded_ = true;
    services_.programEnding = true;
    hide();
    if (form2_) form2_->hide();
    if (end) end();
  };
  FitLayoutToScreen(this, kClientWidth, kClientHeight);
  setFont(ArialFont(9 * LayoutScale(this), false));
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);
  SetClientSizeInTwips(this, kClientWidth, kClientHeight);
  createControls();
  pointer_ = new WindowPointer(this);
  for (QWidget* button : {PushButton1, PushButton2, PushButton3, PushButton4, PushButton5, PushButton6, PushButton7,
                          PushButton8, PushButton9}) {
    pointer_->watchButton(button);
  }
  for (QWidget* area : std::initializer_list<QWidget*>{this, Text1, Text5, Text6, Frame1, Frame2}) {
    pointer_->watchPlainArea(area);
  }
  connectHandlers();
  CentreOnScreen(this);
}

Form1::~Form1() = default;

void Form1::createControls() {
  Frame1 = Place<Frame>(this, 120, 1770, 7800, 1935, QStringLiteral("SQLite File"));
  Text1 = Place<TextBox>(Frame1, 1320, 360, 5415, 345);
  PushButton5 = Place<PushButton>(Frame1, 6840, 360, 700, 345, QStringLiteral("..."));
  PushButton3 = Place<PushButton>(Frame1, 255, 840, 7305, 405, QStringLiteral("Test Connection"));
  PushButton7 = Place<PushButton>(Frame1, 240, 1350, 3600, 405, QStringLiteral("Help"));
  PushButton6 = Place<PushButton>(Frame1, 3960, 1350, 3600, 405, QStringLiteral("Load Sample/Example Database"));
  Label7 = Place<Label>(Frame1, 240, 405, 975, 255, QStringLiteral("Database:"));
  Frame2 = Place<Frame>(this, 120, 3780, 7800, 1845, QStringLiteral("Access Database"));
  Text6 = Place<TextBox>(Frame2, 2280, 800, 5265, 345);
  Text5 = Place<TextBox>(Frame2, 2280, 300, 4455, 345);
  PushButton1 = Place<PushButton>(Frame2, 6840, 300, 690, 345, QStringLiteral("..."));
  PushButton4 = Place<PushButton>(Frame2, 240, 1260, 7275, 405, QStringLiteral("Load Sample/Example Database"));
  lblPassword = Place<Label>(Frame2, 240, 840, 1950, 225, QStringLiteral("Password (if required):"));
  Label5 = Place<Label>(Frame2, 240, 345, 1935, 255, QStringLiteral("MDB or ACCDB File:"));
  PushButton2 = Place<PushButton>(this, 120, 5745, 7800, 405, QStringLiteral("Next >"));
  PushButton8 = Place<PushButton>(this, 120, 120, 7800, 405, QStringLiteral("Access to SQLite Converter"));
  PushButton9 = Place<PushButton>(this, 120, 630, 7800, 405, QStringLiteral("SQLite to Access Converter"));

  // The password shows one "*" per character.
  Text6->setEchoMode(QLineEdit::Password);
  Text6->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));

  const QList<QWidget*> order = {Text1,       PushButton3, PushButton7, Text5,       PushButton1, Text6,
                                 PushButton2, PushButton5, PushButton4, PushButton6, PushButton8, PushButton9};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  Text1->setFocus();
}

void Form1::connectHandlers() {
  const std::pair<PushButton*, void (Form1::*)()> handlers[] = {
      {PushButton1, &Form1::PushButton1_Click}, {PushButton2, &Form1::PushButton2_Click},
      {PushButton3, &Form1::PushButton3_Click}, {PushButton4, &Form1::PushButton4_Click},
      {PushButton5, &Form1::PushButton5_Click}, {PushButton6, &Form1::PushButton6_Click},
      {PushButton7, &Form1::PushButton7_Click}, {PushButton8, &Form1::PushButton8_Click},
      {PushButton9, &Form1::PushButton9_Click},
  };
  for (const auto& [button, handler] : handlers) {
    ConnectAction(button, this, services_.actionRunning, handler);
  }
  rememberChanges(Text1, app::kSettingSQLiteDatabase);
  rememberChanges(Text5, app::kSettingAccessMDBFile);
  rememberChanges(Text6, app::kSettingAccessPassword);
}

void Form1::rememberChanges(TextBox* box, const char* key) {
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

QString Form1::sqlitePath() const { return Text1->text(); }
QString Form1::accessPath() const { return Text5->text(); }
QString Form1::accessPassword() const { return Text6->text(); }

void Form1::start() {
  {
    const ActionScope startUp(services_.actionRunning);
    Form_Load();
  }
  const bool advanced = form2_ && form2_->isVisible();
  if (!programEnded_ && !advanced) show();
}

void Form1::Form_Load() {
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
  h.step(80, [&] { Text1->setText(app::ReadSetting(QString::fromLatin1(app::kSettingSQLiteDatabase))); });
  h.step(90, [&] { Text5->setText(app::ReadSetting(QString::fromLatin1(app::kSettingAccessMDBFile))); });
  h.step(100, [&] { Text6->setText(app::ReadSetting(QString::fromLatin1(app::kSettingAccessPassword))); });
  // Both remembered databases usable: go straight on to the tables window.
  if (h.condition(110, [&] { return db::TestSQLiteConnection(*this) && app::FileExists(Text5->text()); })) {
    h.step(120, [&] { PushButton2_Click(); });
  }
  // Last, so that a missing data-access layer ends the program after the advance
  // has found the SQLite test false.
  if (h.condition(130, [&] { return services_.createConnection ? !db::CheckDataProvider(services_.dialogs, services_.createConnection)
                                      : !db::CheckDataProvider(services_.dialogs); })) {
    h.step(140, [&] { endProgram(); });
  }
}

void Form1::PushButton2_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton2_Click"));
  h.step(10, [&] { pointer_->setPointer(app::PointerState::Hourglass); });
  [&] {
    // Either test failing ends the action quietly: the window stays as it is.
    if (h.condition(20, [&] { return !db::TestSQLiteConnection(*this); })) return;
    if (h.condition(30, [&] { return !app::FileExists(Text5->text()); })) return;
    h.step(40, [&] { tablesWindow().List1->clear(); });
    h.step(50, [&] { tablesWindow().List2->clear(); });
    h.step(60, [&] { db::FillAccessTableList(*this, services_.dialogs, *tablesWindow().List1, Text5->text()); });
    h.step(70, [&] { db::FillSQLiteTableList(*this, *tablesWindow().List2); });
    h.step(80, [&] { tablesWindow().show(); });
    h.step(85, [&] { hide(); });
  }();
  h.step(90, [&] { pointer_->setPointer(app::PointerState::Default); });
}

void Form1::PushButton3_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton3_Click"));
  // This handler answers every failure with "Could not connect.", never with the
  // error box.
  h.replacePolicy([&](const app::Failure&) {
    Notice(services_.dialogs, QString::fromLatin1(kCouldNotConnect));
    pointer_->setPointer(app::PointerState::Default);
  });
  if (h.condition(10, [&] { return Text1->text().isEmpty(); })) {
    h.step(20, [&] { Notice(services_.dialogs, QString::fromLatin1(kCouldNotConnect)); });
    return;
  }
  // A path that names no file cannot connect either; say so rather than nothing.
  if (h.condition(30, [&] { return !IsPlainFile(Text1->text()); })) {
    h.step(40, [&] { Notice(services_.dialogs, QString::fromLatin1(kCouldNotConnect)); });
    return;
  }
  std::unique_ptr<ado::Connection> connection;  // closed when the handler ends
  h.step(50, [&] { pointer_->setPointer(app::PointerState::Hourglass); });
  h.step(60, [&] {
    connection = db::OpenSQLiteConnection(*this, db::profiles::kTestConnectionButton);
  });
  h.step(70, [&] { Notice(services_.dialogs, QStringLiteral("Connection successful.")); });
  h.step(80, [&] { pointer_->setPointer(app::PointerState::Default); });
}

void Form1::pickDatabaseFile(app::Handler& h, TextBox* target, const QString& title, const QStringList& filters) {
  std::optional<QString> chosen;
  h.step(10, [&] { chosen = services_.dialogs.openFile(app::FileDialogRequest{title, filters, QString()}); });
  // Cancelled: the box and the stored setting stay as they were.
  if (h.condition(20, [&] { return chosen.has_value() && !chosen->isEmpty(); })) {
    h.step(30, [&] { target->setText(chosen.value()); });
  }
}

void Form1::PushButton5_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton5_Click"));
  pickDatabaseFile(h, Text1, QStringLiteral("Select SQLite Database"),
                   {QStringLiteral("SQLite Database (*.db*)"), QStringLiteral("All Files (*)")});
}

void Form1::PushButton1_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton1_Click"));
  pickDatabaseFile(h, Text5, QStringLiteral("Select Access Database"),
                   {QStringLiteral("All Microsoft Databases (*.mdb,*.accdb)"), QStringLiteral("Microsoft Database (*.mdb)"),
                    QStringLiteral("Microsoft 2007 Database (*.accdb)")});
}

void Form1::PushButton6_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton6_Click"));
  h.step(10, [&] { Text1->setText(services_.programFile(app::kSampleSQLiteDatabase)); });
}

void Form1::PushButton4_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton4_Click"));
  h.step(10, [&] { Text5->setText(services_.programFile(app::kSampleAccessDatabase)); });
}

void Form1::PushButton7_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton7_Click"));
  h.step(10, [&] {
    Notice(services_.dialogs, QStringLiteral("I use\r\r") + QString::fromLatin1(app::kSQLiteBrowserPageAddress) +
                                  QStringLiteral("\r\rto interface with my SQLite database."));
  });
}

void Form1::PushButton8_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton8_Click"));
  h.step(10, [&] { app::OpenWebPage(services_.dialogs, QString::fromLatin1(app::kAccessToSQLitePageAddress)); });
}

void Form1::PushButton9_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton9_Click"));
  h.step(10, [&] { app::OpenWebPage(services_.dialogs, QString::fromLatin1(app::kSQLiteToAccessPageAddress)); });
}

Form2& Form1::tablesWindow() {
  if (!form2_) {
    form2_ = std::make_unique<Form2>(services_, this);
    form2_->Form_Load();
  }
  return *form2_;
}

void Form1::endProgram() { services_.endProgram(); }

void Form1::closeEvent(QCloseEvent* event) {
  // Closing this window ends the whole program, the hidden tables window with it.
  event->accept();
  endProgram();
}

}  // namespace ui
