// The connection window: the SQLite file and the Access file with its password,
// each typed, picked in a file dialog or set to the sample that comes with the
// program; "Test Connection" and "Help" for the SQLite side; "Next >" to the
// tables window; two buttons for the maker's product pages.
//
// Its load handler is the program's start-up. The three text boxes are the live
// connection settings: every database operation reads them when it connects, and
// every change is written to the settings store at once. Closing the window ends
// the program.
//
// The original design's names, which the error boxes' location labels still show
// ("Form1.PushButton2_Click"): Form1 -> ConnectionWindow, Form_Load -> load,
// Frame1 -> sqliteFrame, Text1 -> sqlitePathBox, Label7 -> sqlitePathLabel,
// PushButton5 -> pickSQLiteButton, PushButton3 -> testConnectionButton,
// PushButton7 -> helpButton, PushButton6 -> sqliteSampleButton, Frame2 -> accessFrame,
// Text5 -> accessPathBox, Label5 -> accessPathLabel, Text6 -> accessPasswordBox,
// lblPassword -> accessPasswordLabel, PushButton1 -> pickAccessButton,
// PushButton4 -> accessSampleButton, PushButton2 -> nextButton,
// PushButton8 -> accessToSQLitePageButton, PushButton9 -> sqliteToAccessPageButton;
// each PushButtonN_Click -> on<button without "Button">Clicked (onNextClicked).
#pragma once

#include "db/ConnectionSettings.h"
#include "ui/Controls.h"
#include "ui/TablesWindow.h"
#include "ui/WindowPointer.h"
#include "ui/WindowServices.h"

#include <QWidget>
#include <memory>

namespace app {
class Handler;
}

namespace ui {

class ConnectionWindow : public QWidget, public db::ConnectionSettings {
 public:
  explicit ConnectionWindow(WindowServices services);
  ~ConnectionWindow() override;

  // Runs the start-up (load()) and then shows this window, unless start-up has
  // moved on to the tables window or ended the program.
  void start();

  // Handlers; each click handler and the load handler run under the failure policy.
  void load();
  void onPickAccessClicked();          // "..." of the Access file
  void onNextClicked();                // "Next >"
  void onTestConnectionClicked();      // "Test Connection"
  void onAccessSampleClicked();        // Access sample
  void onPickSQLiteClicked();          // "..." of the SQLite file
  void onSQLiteSampleClicked();        // SQLite sample
  void onHelpClicked();                // "Help"
  void onAccessToSQLitePageClicked();  // product page: Access to SQLite
  void onSQLiteToAccessPageClicked();  // product page: SQLite to Access

  // The tables window; the first call creates it and runs its load handler.
  TablesWindow& tablesWindow();
  // The tables window if it has been created, else nullptr.
  TablesWindow* existingTablesWindow() const { return tablesWindow_.get(); }
  bool programEnded() const { return programEnded_; }
  WindowPointer& pointer() { return *pointer_; }

  // db::ConnectionSettings: the text boxes, read live.
  QString sqlitePath() const override;
  QString accessPath() const override;
  QString accessPassword() const override;

  // Controls, in the order they are created.
  Frame* sqliteFrame;
  TextBox* sqlitePathBox;
  PushButton* pickSQLiteButton;
  PushButton* testConnectionButton;
  PushButton* helpButton;
  PushButton* sqliteSampleButton;
  Label* sqlitePathLabel;
  Frame* accessFrame;
  TextBox* accessPasswordBox;
  TextBox* accessPathBox;
  PushButton* pickAccessButton;
  PushButton* accessSampleButton;
  Label* accessPasswordLabel;
  Label* accessPathLabel;
  PushButton* nextButton;
  PushButton* accessToSQLitePageButton;
  PushButton* sqliteToAccessPageButton;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void connectHandlers();
  void rememberChanges(TextBox* box, const char* key);
  void pickDatabaseFile(app::Handler& h, TextBox* target, const QString& title, const QStringList& filters);
  void endProgram();

  WindowServices services_;
  WindowPointer* pointer_;
  std::unique_ptr<TablesWindow> tablesWindow_;
  bool programEnded_ = false;
  bool settingsFailureShown_ = false;
};

}  // namespace ui
