// The tables window: the Access tables (List1, left) and the SQLite tables
// (List2, right) side by side, each with Select All / Deselect All and the Send,
// Delete and Rename buttons, the progress bar under both, and "< Back" and "Help".
//
// Created by the connection window the first time it moves on, which runs
// Form_Load at that moment; afterwards only shown and hidden. Closing it ends
// the program.
#pragma once

#include "ui/Controls.h"
#include "ui/TableListBox.h"
#include "ui/WindowPointer.h"
#include "ui/WindowServices.h"

#include <QWidget>

namespace ui {

class Form2 : public QWidget {
 public:
  // connectionWindow: the window that "< Back" shows again.
  Form2(WindowServices& services, QWidget* connectionWindow);

  // Handlers, under the failure policy each.
  void Form_Load();
  void PushButton1_Click();   // delete the selected Access tables
  void PushButton2_Click();   // "< Back"
  void PushButton3_Click();   // send the selected Access tables to SQLite
  void PushButton4_Click();   // send the selected SQLite tables to Access
  void PushButton5_Click();   // delete the selected SQLite tables
  void PushButton6_Click();   // rename the current Access table
  void PushButton7_Click();   // rename the current SQLite table
  void PushButton8_Click();   // Select All, SQLite
  void PushButton9_Click();   // Deselect All, SQLite
  void PushButton10_Click();  // Select All, Access
  void PushButton11_Click();  // Deselect All, Access
  void PushButton12_Click();  // Help

  WindowPointer& pointer() { return *pointer_; }

  // Controls, in the order they are created.
  Frame* Frame2;
  TableListBox* List2;
  PushButton* PushButton8;
  PushButton* PushButton9;
  PushButton* PushButton4;
  PushButton* PushButton5;
  PushButton* PushButton7;
  Frame* Frame1;
  TableListBox* List1;
  PushButton* PushButton10;
  PushButton* PushButton11;
  PushButton* PushButton3;
  PushButton* PushButton1;
  PushButton* PushButton6;
  PushButton* PushButton2;
  ProgressBar* ProgressBar1;
  PushButton* PushButton12;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void connectHandlers();
  void setSelectionOfAll(TableListBox* list, bool selected, const char* handlerName);

  WindowServices& services_;
  QWidget* connectionWindow_;
  WindowPointer* pointer_;
};

}  // namespace ui
