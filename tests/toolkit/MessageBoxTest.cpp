// A close by a signal asks nothing: every open dialog ends, nested ones too,
// and no box shows after. (Once ended, boxes stay ended for this process.)
#include "toolkit/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

TEST(MessageBox, EndAllEndsOpenDialogsAndNoBoxShowsAfter) {
    int inner = -1;
    QTimer::singleShot(0, [&] {
        QDialog dialog;
        QTimer::singleShot(0, [] { MessageBox::endAll(); });
        inner = dialog.exec();
    });
    EXPECT_EQ(MessageBox::ask("Save the changes?", QMessageBox::Save | QMessageBox::Discard,
                              QMessageBox::Save),
              QMessageBox::Cancel);
    EXPECT_EQ(inner, QDialog::Rejected);

    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            shown = true;
            box->close();
        }
    });
    MessageBox::show("Said to the log only.");
    EXPECT_EQ(MessageBox::ask("Again?", QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes),
              QMessageBox::Cancel);
    QApplication::processEvents();
    EXPECT_FALSE(shown);
}
