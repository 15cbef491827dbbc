// The file-open dialog shows each filter's text as given and lists the files of its patterns,
// also when the patterns are separated by commas; a path typed into it is taken.
#include "app/QtDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTimer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(FilterPatterns, AreTheTextInParenthesesSplitOnSpacesCommasAndSemicolons) {
  EXPECT_EQ(app::FilterPatterns("All Microsoft Databases (*.mdb,*.accdb)"), (QStringList{"*.mdb", "*.accdb"}));
  EXPECT_EQ(app::FilterPatterns("Access (*.mdb, *.accdb;*.mde)"), (QStringList{"*.mdb", "*.accdb", "*.mde"}));
  EXPECT_EQ(app::FilterPatterns("SQLite Database (*.db*)"), QStringList{"*.db*"});
  EXPECT_EQ(app::FilterPatterns("Files (a) (*)"), QStringList{"*"});
  EXPECT_EQ(app::FilterPatterns("*.txt"), QStringList{"*.txt"});
}

QStringList Listed(QFileSystemModel* model, const QString& folder) {
  const QModelIndex parent = model->index(folder);
  QStringList names;
  for (int row = 0; row < model->rowCount(parent); ++row) names << model->index(row, 0, parent).data().toString();
  names.sort();
  return names;
}

TEST(OpenFileDialog, ShowsTheAccessFilterAsWrittenAndListsBothExtensions) {
  QTemporaryDir folder;
  for (const char* name : {"a.mdb", "b.accdb", "c.txt", "d.xdb", "e.db3"}) {
    QFile file(folder.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const QStringList filters{"All Microsoft Databases (*.mdb,*.accdb)", "Microsoft Database (*.mdb)",
                            "Microsoft 2007 Database (*.accdb)"};
  QFileDialog dialog;
  app::PrepareOpenFileDialog(dialog, app::FileDialogRequest{"Select Access Database", filters, folder.path()});
  EXPECT_EQ(dialog.windowTitle(), "Select Access Database");
  dialog.show();

  auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(types->count(), 3);
  EXPECT_EQ(types->itemText(0), "All Microsoft Databases (*.mdb,*.accdb)");
  EXPECT_EQ(types->currentIndex(), 0);
  EXPECT_EQ(dialog.selectedNameFilter(), filters[0]);

  auto* model = dialog.findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  const QStringList both{"a.mdb", "b.accdb"};
  EXPECT_TRUE(QTest::qWaitFor([&] { return Listed(model, folder.path()) == both; }, 5000))
      << Listed(model, folder.path()).join(' ').toStdString();

  // Choosing another filter and coming back, as a user does with the list.
  types->setCurrentIndex(1);
  emit types->activated(1);
  emit types->textActivated(types->itemText(1));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Listed(model, folder.path()) == QStringList{"a.mdb"}; }, 5000))
      << Listed(model, folder.path()).join(' ').toStdString();
  types->setCurrentIndex(0);
  emit types->activated(0);
  emit types->textActivated(types->itemText(0));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Listed(model, folder.path()) == both; }, 5000))
      << Listed(model, folder.path()).join(' ').toStdString();
  dialog.reject();
}

// A path typed into the name box and confirmed with Enter is the answer, whether absolute, relative
// to the folder shown or going up from it, also in a folder other than the one shown (where
// the dialog used to go into the typed path's folder, clear the box and stay open).
TEST(OpenFileDialog, TakesATypedAbsoluteOrRelativePath) {
  QTemporaryDir root;
  ASSERT_TRUE(QDir(root.path()).mkpath("start") && QDir(root.path()).mkpath("other/t"));
  const QString file = root.filePath("other/t/sample.mdb");
  QFile(file).open(QIODevice::WriteOnly);
  const QStringList filters{"All Microsoft Databases (*.mdb,*.accdb)", "Microsoft Database (*.mdb)"};
  for (const QString& typed : {file, QStringLiteral("../other/t/sample.mdb")}) {
    SCOPED_TRACE(typed.toStdString());
    app::QtDialogs dialogs;
    bool typedIn = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      auto* nameBox = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
      if (!nameBox) return;
      nameBox->setFocus();
      QTest::keyClicks(nameBox, typed);
      QTest::keyClick(nameBox, Qt::Key_Return);
      typedIn = true;
      // Still open: the path was not taken.
      QTimer::singleShot(500, dialog, &QDialog::reject);
    });
    const auto chosen = dialogs.openFile(app::FileDialogRequest{"Select Access Database", filters, root.filePath("start")});
    EXPECT_TRUE(typedIn);
    EXPECT_EQ(chosen.value_or(QStringLiteral("(cancelled)")), file);
  }
}

}  // namespace
