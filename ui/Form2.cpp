#include "ui/Form2.h"

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
void RunTableAction(Form2& window, WindowServices& services, QWidget* connectionWindow,
                    void (*action)(transfer::TransferEnvironment&)) {
  static const db::FixedConnectionSettings kNoSettings{QString(), QString(), QString()};
  const auto* live = dynamic_cast<const db::ConnectionSettings*>(connectionWindow);
  ProgressBarSink progress(window.ProgressBar1);
  transfer::TransferEnvironment env{live ? *live : kNoSettings, services.dialogs, *window.List1, *window.List2,
                                    window.pointer(), progress};
  env.stopRequested = [&services] { return services.programEnding; };
  action(env);
}

}  // namespace

Form2::Form2(WindowServices& services, QWidget* connectionWindow)
    : services_(services), connectionWindow_(connectionWindow) {
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
                          PushButton8, PushButton9, PushButton10, PushButton11, PushButton12}) {
    pointer_->watchButton(button);
  }
  for (QWidget* area : std::initializer_list<QWidget*>{this, List1, List2, Frame1, Frame2}) {
    pointer_->watchPlainArea(area);
  }
  connectHandlers();
  CentreOnScreen(this);
}

void Form2::createControls() {
  Frame2 = Place<Frame>(this, 4080, 120, 3840, 4215, QStringLiteral("SQLite Tables"));
  List2 = Place<TableListBox>(Frame2, 240, 360, 3330, 1635);
  PushButton8 = Place<PushButton>(Frame2, 240, 2100, 1600, 400, QStringLiteral("Select All"));
  PushButton9 = Place<PushButton>(Frame2, 1960, 2100, 1600, 400, QStringLiteral("Deselect All"));
  PushButton4 = Place<PushButton>(Frame2, 240, 2600, 3330, 405, QStringLiteral("Send Table/s To Access"));
  PushButton5 = Place<PushButton>(Frame2, 240, 3100, 3330, 405, QStringLiteral("Delete Table/s"));
  PushButton7 = Place<PushButton>(Frame2, 240, 3600, 3330, 405, QStringLiteral("Rename Table"));
  Frame1 = Place<Frame>(this, 120, 120, 3840, 4215, QStringLiteral("Access Tables"));
  List1 = Place<TableListBox>(Frame1, 240, 360, 3330, 1635);
  PushButton10 = Place<PushButton>(Frame1, 240, 2100, 1600, 405, QStringLiteral("Select All"));
  PushButton11 = Place<PushButton>(Frame1, 1960, 2100, 1605, 405, QStringLiteral("Deselect All"));
  PushButton3 = Place<PushButton>(Frame1, 240, 2600, 3330, 405, QStringLiteral("Send Table/s To SQLite"));
  PushButton1 = Place<PushButton>(Frame1, 240, 3100, 3330, 405, QStringLiteral("Delete Table/s"));
  PushButton6 = Place<PushButton>(Frame1, 240, 3600, 3330, 405, QStringLiteral("Rename Table"));
  PushButton2 = Place<PushButton>(this, 120, 4980, 3840, 405, QStringLiteral("< Back"));
  ProgressBar1 = Place<ProgressBar>(this, 120, 4460, 7800, 405, QStringLiteral("Progress Bar"));
  PushButton12 = Place<PushButton>(this, 4080, 4980, 3840, 405, QStringLiteral("Help"));

  const QList<QWidget*> order = {List1,        List2,       PushButton10, PushButton11, PushButton3,
                                 PushButton1,  PushButton6, PushButton8,  PushButton9,  PushButton4,
                                 PushButton5,  PushButton7, PushButton2,  PushButton12};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  ProgressBar1->setFocusPolicy(Qt::NoFocus);
}

void Form2::connectHandlers() {
  const std::pair<PushButton*, void (Form2::*)()> handlers[] = {
      {PushButton1, &Form2::PushButton1_Click},   {PushButton2, &Form2::PushButton2_Click},
      {PushButton3, &Form2::PushButton3_Click},   {PushButton4, &Form2::PushButton4_Click},
      {PushButton5, &Form2::PushButton5_Click},   {PushButton6, &Form2::PushButton6_Click},
      {PushButton7, &Form2::PushButton7_Click},   {PushButton8, &Form2::PushButton8_Click},
      {PushButton9, &Form2::PushButton9_Click},   {PushButton10, &Form2::PushButton10_Click},
      {PushButton11, &Form2::PushButton11_Click}, {PushButton12, &Form2::PushButton12_Click},
  };
  for (const auto& [button, handler] : handlers) {
    ConnectAction(button, this, services_.actionRunning, handler);
  }
}

void Form2::Form_Load() {
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

void Form2::PushButton2_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton2_Click"));
  h.step(10, [&] { connectionWindow_->show(); });
  h.step(20, [&] { hide(); });
}

void Form2::PushButton1_Click() {
  RunTableAction(*this, services_, connectionWindow_, transfer::DeleteAccessTables);
}
void Form2::PushButton3_Click() {
  RunTableAction(*this, services_, connectionWindow_, transfer::SendTablesToSQLite);
}
void Form2::PushButton4_Click() {
  RunTableAction(*this, services_, connectionWindow_, transfer::SendTablesToAccess);
}
void Form2::PushButton5_Click() {
  RunTableAction(*this, services_, connectionWindow_, transfer::DeleteSQLiteTables);
}
void Form2::PushButton6_Click() {
  RunTableAction(*this, services_, connectionWindow_, transfer::RenameAccessTableAction);
}
void Form2::PushButton7_Click() {
  RunTableAction(*this, services_, connectionWindow_, transfer::RenameSQLiteTableAction);
}

void Form2::setSelectionOfAll(TableListBox* list, bool selected, const char* handlerName) {
  app::Handler h(services_.dialogs, app::Label(kWindow, handlerName));
  int count = 0;
  h.step(10, [&] { count = list->count(); });
  for (int i = 0; i < count; ++i) {
    h.step(20, [&] { list->setSelected(i, selected); });
  }
}

void Form2::PushButton8_Click() { setSelectionOfAll(List2, true, "PushButton8_Click"); }
void Form2::PushButton9_Click() { setSelectionOfAll(List2, false, "PushButton9_Click"); }
void Form2::PushButton10_Click() { setSelectionOfAll(List1, true, "PushButton10_Click"); }
void Form2::PushButton11_Click() { setSelectionOfAll(List1, false, "PushButton11_Click"); }

void Form2::PushButton12_Click() {
  app::Handler h(services_.dialogs, app::Label(kWindow, "PushButton12_Click"));
  h.step(10, [&] {
    services_.dialogs.message(
        QStringLiteral("Questions? Please contact Team Marrowind at ") + QString::fromLatin1(app::kContactPageAddress),
        QString(), app::MessageButtons::Ok, app::MessageIcon::None);
  });
}

void Form2::closeEvent(QCloseEvent* event) {
  // Closing this window ends the whole program, not just this window. A copy that is running
  // (this close came through its yield) stops at once and rolls back its table in progress.
  event->accept();
  services_.programEnding = true;
  services_.endProgram();
}

}  // namespace ui
