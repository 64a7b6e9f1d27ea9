#include "app/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

void QtDialogs::showError(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QStringLiteral("Error"), text, QMessageBox::Ok);
}

void QtDialogs::showInformation(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, QStringLiteral("Information"), text, QMessageBox::Ok);
}

bool QtDialogs::askYesNo(QWidget* parent, const QString& text, Icon icon)
{
    const bool warning = icon == Icon::Warning;
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question,
                    warning ? QStringLiteral("Warning") : QStringLiteral("Confirm"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::showException(QWidget* parent, const QString& message)
{
    QMessageBox::critical(parent, QApplication::applicationDisplayName(), message, QMessageBox::Ok);
}

QString QtDialogs::getOpenFileName(QWidget* parent, const QString& title, const QString& filter)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::getSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                   const QString& defaultSuffix)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    // The overwrite question is the dialog's own (on by default).
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool QtDialogs::execPrintDialog(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::execDialog(QDialog& dialog)
{
    return dialog.exec();
}
