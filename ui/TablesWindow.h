// The tables window: the Access tables (left) and the SQLite tables (right) side
// by side, each with Select All / Deselect All and the Send, Delete and Rename
// buttons, the progress bar under both, and "< Back" and "Help".
//
// Created by the connection window the first time it moves on, which runs load()
// at that moment; afterwards only shown and hidden. Closing it ends the program.
//
// The original design's names, which the error boxes' location labels still show
// ("Form2.PushButton3_Click"): Form2 -> TablesWindow, Form_Load -> load,
// Frame1 -> accessFrame, List1 -> accessList, PushButton10 -> selectAllAccessButton,
// PushButton11 -> deselectAllAccessButton, PushButton3 -> sendToSQLiteButton,
// PushButton1 -> deleteAccessButton, PushButton6 -> renameAccessButton,
// Frame2 -> sqliteFrame, List2 -> sqliteList, PushButton8 -> selectAllSQLiteButton,
// PushButton9 -> deselectAllSQLiteButton, PushButton4 -> sendToAccessButton,
// PushButton5 -> deleteSQLiteButton, PushButton7 -> renameSQLiteButton,
// PushButton2 -> backButton, ProgressBar1 -> progressBar, PushButton12 -> helpButton;
// each PushButtonN_Click -> on<button without "Button">Clicked (onSendToSQLiteClicked).
#pragma once

#include "ui/Controls.h"
#include "ui/TableListBox.h"
#include "ui/WindowPointer.h"
#include "ui/WindowServices.h"

#include <QWidget>

namespace ui {

class TablesWindow : public QWidget {
 public:
  // connectionWindow: the window that "< Back" shows again.
  TablesWindow(WindowServices& services, QWidget* connectionWindow);

  // Handlers, under the failure policy each.
  void load();
  void onDeleteAccessClicked();       // delete the selected Access tables
  void onBackClicked();               // "< Back"
  void onSendToSQLiteClicked();       // send the selected Access tables to SQLite
  void onSendToAccessClicked();       // send the selected SQLite tables to Access
  void onDeleteSQLiteClicked();       // delete the selected SQLite tables
  void onRenameAccessClicked();       // rename the current Access table
  void onRenameSQLiteClicked();       // rename the current SQLite table
  void onSelectAllSQLiteClicked();    // Select All, SQLite
  void onDeselectAllSQLiteClicked();  // Deselect All, SQLite
  void onSelectAllAccessClicked();    // Select All, Access
  void onDeselectAllAccessClicked();  // Deselect All, Access
  void onHelpClicked();               // Help

  WindowPointer& pointer() { return *pointer_; }

  // Controls, in the order they are created.
  Frame* sqliteFrame;
  TableListBox* sqliteList;
  PushButton* selectAllSQLiteButton;
  PushButton* deselectAllSQLiteButton;
  PushButton* sendToAccessButton;
  PushButton* deleteSQLiteButton;
  PushButton* renameSQLiteButton;
  Frame* accessFrame;
  TableListBox* accessList;
  PushButton* selectAllAccessButton;
  PushButton* deselectAllAccessButton;
  PushButton* sendToSQLiteButton;
  PushButton* deleteAccessButton;
  PushButton* renameAccessButton;
  PushButton* backButton;
  ProgressBar* progressBar;
  PushButton* helpButton;

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
