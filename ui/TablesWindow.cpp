#include "ui/TablesWindow.h"

#include "app/Appearance.h"
#include "app/ApplicationTitle.h"
#include "app/ErrorPolicy.h"
#include "app/Files.h"
#include "app/WebPages.h"
#include "db/ConnectionSettings.h"
#include "transfer/AccessToSQLite.h"
#include "transfer/SQLiteToAccess.h"
#include "transfer/TableActions.h"
#include "ui/ActionGuard.h"
#include "ui/ProgramIcon.h"
#include "ui/Twips.h"
#include "ui/WindowGeometry.h"

#include <QCloseEvent>

namespace ui {
namespace {

// The error boxes' location labels keep the original design's names (TablesWindow.h).
constexpr char kWindow[] = "Form2";

// Design-time client area, in twips.
constexpr int kClientWidth = 8040;
constexpr int kClientHeight = 5520;
// The outer height is the bottom of "< Back" plus this margin (title bar included).
constexpr int kOuterHeightMargin = 580;

template <class Control, class... Arguments>
Control* Place(QWidget* container, int left, int top, int width, int height, Arguments&&... arguments) {
  auto* control = new Control(std::forward<Arguments>(arguments)..., container);
  PlaceInTwips(control, left, top, width, height);
  return control;
}

// The progress bar as the copies drive it.
class ProgressBarSink : public transfer::ProgressSink {
 public:
  explicit ProgressBarSink(ProgressBar* bar) : bar_(bar) {}
  void setPercent(double percent) override { bar_->setValue(static_cast<int>(percent)); }
  void reset(const QString& caption) override {
    bar_->setValue(0);
    bar_->setCaption(caption);
  }

 private:
  ProgressBar* bar_;
};

// Runs a copy, delete or rename on this window's lists, pointer and progress bar, with the
// connection window's text boxes as the connection settings.
// Closing a window while it runs stops it at its next yield (see WindowServices::programEnding).
void RunTableAction(TablesWindow& window, WindowServices& services, QWidget* connectionWindow,
                    void (*action)(transfer::TransferEnvironment&)) {
  static const db::FixedConnectionSettings kNoSettings{QString(), QString(), QString()};
  const auto* live = dynamic_cast<const db::ConnectionSettings*>(connectionWindow);
  ProgressBarSink progress(window.progressBar);
  transfer::TransferEnvironment env{live ? *live : kNoSettings, services.dialogs, *window.accessList,
                                    *window.sqliteList, window.pointer(), progress};
  env.stopRequested = [&services] { return services.programEnding; };
  action(env);
}

// A target that cannot be written (a file of another user, a read-only file system) would
// fail every statement of every table, one error box each; it is said once, before the first
// table, and nothing is sent. Without a selected table the copy itself says what is missing.
bool TargetTakesTables(WindowServices& services, const TableListBox& source, const QString& target) {
  bool anySelected = false;
  for (int i = 0; i < source.count() && !anySelected; ++i) anySelected = source.isSelected(i);
  if (source.currentIndex() == -1 || !anySelected) return true;
  const std::optional<QString> reason = app::WhyNotWritable(target);
  if (!reason) return true;
  services.dialogs.message(*reason + QStringLiteral("\rNo table was sent."), QString(), app::MessageButtons::Ok,
                           app::MessageIcon::Warning);
  return false;
}

const db::ConnectionSettings* LiveSettings(QWidget* connectionWindow) {
  return dynamic_cast<const db::ConnectionSettings*>(connectionWindow);
}

}  // namespace

TablesWindow::TablesWindow(WindowServices& services, QWidget* connectionWindow)
    : services_(services), connectionWindow_(connectionWindow) {
  SetUpWindow(this, kClientWidth, kClientHeight);
  createControls();
  pointer_ = new WindowPointer(this);
  for (QWidget* button : {deleteAccessButton, backButton, sendToSQLiteButton, sendToAccessButton, deleteSQLiteButton,
                          renameAccessButton, renameSQLiteButton, selectAllSQLiteButton, deselectAllSQLiteButton,
                          selectAllAccessButton, deselectAllAccessButton, helpButton}) {
    pointer_->watchButton(button);
  }
  for (QWidget* area : std::initializer_list<QWidget*>{this, accessList, sqliteList, accessFrame, sqliteFrame}) {
    pointer_->watchPlainArea(area);
  }
  connectHandlers();
  CentreOnScreen(this);
}

void TablesWindow::createControls() {
  sqliteFrame = Place<Frame>(this, 4080, 120, 3840, 4215, QStringLiteral("SQLite Tables"));
  sqliteList = Place<TableListBox>(sqliteFrame, 240, 360, 3330, 1635);
  selectAllSQLiteButton = Place<PushButton>(sqliteFrame, 240, 2100, 1600, 400, QStringLiteral("Select All"));
  deselectAllSQLiteButton = Place<PushButton>(sqliteFrame, 1960, 2100, 1600, 400, QStringLiteral("Deselect All"));
  sendToAccessButton = Place<PushButton>(sqliteFrame, 240, 2600, 3330, 405, QStringLiteral("Send Table/s To Access"));
  deleteSQLiteButton = Place<PushButton>(sqliteFrame, 240, 3100, 3330, 405, QStringLiteral("Delete Table/s"));
  renameSQLiteButton = Place<PushButton>(sqliteFrame, 240, 3600, 3330, 405, QStringLiteral("Rename Table"));
  accessFrame = Place<Frame>(this, 120, 120, 3840, 4215, QStringLiteral("Access Tables"));
  accessList = Place<TableListBox>(accessFrame, 240, 360, 3330, 1635);
  selectAllAccessButton = Place<PushButton>(accessFrame, 240, 2100, 1600, 405, QStringLiteral("Select All"));
  deselectAllAccessButton = Place<PushButton>(accessFrame, 1960, 2100, 1605, 405, QStringLiteral("Deselect All"));
  sendToSQLiteButton = Place<PushButton>(accessFrame, 240, 2600, 3330, 405, QStringLiteral("Send Table/s To SQLite"));
  deleteAccessButton = Place<PushButton>(accessFrame, 240, 3100, 3330, 405, QStringLiteral("Delete Table/s"));
  renameAccessButton = Place<PushButton>(accessFrame, 240, 3600, 3330, 405, QStringLiteral("Rename Table"));
  backButton = Place<PushButton>(this, 120, 4980, 3840, 405, QStringLiteral("< Back"));
  progressBar = Place<ProgressBar>(this, 120, 4460, 7800, 405, QStringLiteral("Progress Bar"));
  helpButton = Place<PushButton>(this, 4080, 4980, 3840, 405, QStringLiteral("Help"));

  const QList<QWidget*> order = {accessList, sqliteList, selectAllAccessButton, deselectAllAccessButton,
                                 sendToSQLiteButton, deleteAccessButton, renameAccessButton, selectAllSQLiteButton,
                                 deselectAllSQLiteButton, sendToAccessButton, deleteSQLiteButton, renameSQLiteButton,
                                 backButton, helpButton};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  progressBar->setFocusPolicy(Qt::NoFocus);
}

void TablesWindow::connectHandlers() {
  const std::pair<PushButton*, void (TablesWindow::*)()> handlers[] = {
      {deleteAccessButton, &TablesWindow::onDeleteAccessClicked},
      {backButton, &TablesWindow::onBackClicked},
      {sendToSQLiteButton, &TablesWindow::onSendToSQLiteClicked},
      {sendToAccessButton, &TablesWindow::onSendToAccessClicked},
      {deleteSQLiteButton, &TablesWindow::onDeleteSQLiteClicked},
      {renameAccessButton, &TablesWindow::onRenameAccessClicked},
      {renameSQLiteButton, &TablesWindow::onRenameSQLiteClicked},
      {selectAllSQLiteButton, &TablesWindow::onSelectAllSQLiteClicked},
      {deselectAllSQLiteButton, &TablesWindow::onDeselectAllSQLiteClicked},
      {selectAllAccessButton, &TablesWindow::onSelectAllAccessClicked},
      {deselectAllAccessButton, &TablesWindow::onDeselectAllAccessClicked},
      {helpButton, &TablesWindow::onHelpClicked},
  };
  for (const auto& [button, handler] : handlers) {
    ConnectAction(button, this, services_.actionRunning, handler);
  }
}

void TablesWindow::load() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "Form_Load"));
  h.step(10, [&] { app::ApplyStandardColors(this); });
  h.step(20, [&] { setWindowIcon(ProgramIcon()); });
  const QString handCursor = services_.programFile(app::kHandCursorFile);
  if (h.condition(30, [&] { return app::FileExists(handCursor); })) {
    h.step(40, [&] { pointer_->loadCustomImage(handCursor); });
  }
  h.step(50, [&] { setWindowTitle(QString::fromLatin1(app::kProductTitle)); });
  h.step(60, [&] {
    const int backBottom = 4980 + 405;
    SetOuterHeightInTwips(this, backBottom + kOuterHeightMargin, kClientHeight);
    CentreOnScreen(this);
  });
}

void TablesWindow::onBackClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton2_Click"));
  h.step(10, [&] { connectionWindow_->show(); });
  h.step(20, [&] { hide(); });
}

void TablesWindow::onDeleteAccessClicked() {
  RunTableAction(*this, services_, connectionWindow_, transfer::DeleteAccessTables);
}
void TablesWindow::onSendToSQLiteClicked() {
  const auto* live = LiveSettings(connectionWindow_);
  if (live && !TargetTakesTables(services_, *accessList, live->sqlitePath())) return;
  RunTableAction(*this, services_, connectionWindow_, transfer::SendTablesToSQLite);
}
void TablesWindow::onSendToAccessClicked() {
  const auto* live = LiveSettings(connectionWindow_);
  if (live && !TargetTakesTables(services_, *sqliteList, live->accessPath())) return;
  RunTableAction(*this, services_, connectionWindow_, transfer::SendTablesToAccess);
}
void TablesWindow::onDeleteSQLiteClicked() {
  RunTableAction(*this, services_, connectionWindow_, transfer::DeleteSQLiteTables);
}
void TablesWindow::onRenameAccessClicked() {
  RunTableAction(*this, services_, connectionWindow_, transfer::RenameAccessTableAction);
}
void TablesWindow::onRenameSQLiteClicked() {
  RunTableAction(*this, services_, connectionWindow_, transfer::RenameSQLiteTableAction);
}

void TablesWindow::setSelectionOfAll(TableListBox* list, bool selected, const char* handlerName) {
  app::Handler h(services_.dialogs, app::Label(kWindow, handlerName));
  int count = 0;
  h.step(10, [&] { count = list->count(); });
  for (int i = 0; i < count; ++i) {
    h.step(20, [&] { list->setSelected(i, selected); });
  }
}

void TablesWindow::onSelectAllSQLiteClicked() { setSelectionOfAll(sqliteList, true, "PushButton8_Click"); }
void TablesWindow::onDeselectAllSQLiteClicked() { setSelectionOfAll(sqliteList, false, "PushButton9_Click"); }
void TablesWindow::onSelectAllAccessClicked() { setSelectionOfAll(accessList, true, "PushButton10_Click"); }
void TablesWindow::onDeselectAllAccessClicked() { setSelectionOfAll(accessList, false, "PushButton11_Click"); }

void TablesWindow::onHelpClicked() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton12_Click"));
  h.step(10, [&] {
    services_.dialogs.message(
        QStringLiteral("Questions? Please contact Team Marrowind at ") + QString::fromLatin1(app::kContactPageAddress),
        QString(), app::MessageButtons::Ok, app::MessageIcon::None);
  });
}

void TablesWindow::closeEvent(QCloseEvent* event) {
  // Closing this window ends the whole program, not just this window. A copy that is running
  // (this close came through its yield) stops at once and rolls back its table in progress.
  event->accept();
  services_.programEnding = true;
  services_.endProgram();
}

}  // namespace ui
