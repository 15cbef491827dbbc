// The connection window: the SQLite file and the Access file with its password,
// each typed, picked in a file dialog or set to the sample that comes with the
// program; "Test Connection" and "Help" for the SQLite side; "Next >" to the
// tables window; two buttons for the maker's product pages.
//
// Its load handler is the program's start-up. The three text boxes are the live
// connection settings: every database operation reads them when it connects, and
// every change is written to the settings store at once. Closing the window ends
// the program.
#pragma once

#include "db/ConnectionSettings.h"
#include "ui/Controls.h"
#include "ui/Form2.h"
#include "ui/WindowPointer.h"
#include "ui/WindowServices.h"

#include <QWidget>
#include <memory>

namespace app {
class Handler;
}

namespace ui {

class Form1 : public QWidget, public db::ConnectionSettings {
 public:
  explicit Form1(WindowServices services);
  ~Form1() override;

  // Runs the start-up (Form_Load) and then shows this window, unless start-up has
  // moved on to the tables window or ended the program.
  void start();

  // Handlers; each click handler and the load handler run under the failure policy.
  void Form_Load();
  void PushButton1_Click();  // "..." of the Access file
  void PushButton2_Click();  // "Next >"
  void PushButton3_Click();  // "Test Connection"
  void PushButton4_Click();  // Access sample
  void PushButton5_Click();  // "..." of the SQLite file
  void PushButton6_Click();  // SQLite sample
  void PushButton7_Click();  // "Help"
  void PushButton8_Click();  // product page: Access to SQLite
  void PushButton9_Click();  // product page: SQLite to Access

  // The tables window; the first call creates it and runs its load handler.
  Form2& tablesWindow();
  // The tables window if it has been created, else nullptr.
  Form2* existingTablesWindow() const { return form2_.get(); }
  bool programEnded() const { return programEnded_; }
  WindowPointer& pointer() { return *pointer_; }

  // db::ConnectionSettings: the text boxes, read live.
  QString sqlitePath() const override;
  QString accessPath() const override;
  QString accessPassword() const override;

  // Controls, in the order they are created.
  Frame* Frame1;
  TextBox* Text1;
  PushButton* PushButton5;
  PushButton* PushButton3;
  PushButton* PushButton7;
  PushButton* PushButton6;
  Label* Label7;
  Frame* Frame2;
  TextBox* Text6;
  TextBox* Text5;
  PushButton* PushButton1;
  PushButton* PushButton4;
  Label* lblPassword;
  Label* Label5;
  PushButton* PushButton2;
  PushButton* PushButton8;
  PushButton* PushButton9;

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
  std::unique_ptr<Form2> form2_;
  bool programEnded_ = false;
  bool settingsFailureShown_ = false;
};

}  // namespace ui
