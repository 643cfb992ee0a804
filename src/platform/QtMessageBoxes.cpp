#include "platform/QtMessageBoxes.h"

#include <QMessageBox>

void QtMessageBoxes::show(QWidget *owner, MessageIcon icon, const QString &title, const QString &text)
{
    QMessageBox box(owner);
    switch (icon) {
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    }
    box.setWindowTitle(title);
    // Our texts are plain; a file name must never be rendered as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
