#pragma once

#include <QString>

class QDialog;
class QPrinter;
class QWidget;

// Every modal box and dialog the program shows goes through this interface, so a
// test can script the user's answers. Titles and buttons of the message boxes are
// the standard English ones in both interface languages; only the text follows
// the language.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    enum class Icon { Error, Warning, Question, Information };

    // Error box (title "Error", one OK button).
    virtual void showError(QWidget* parent, const QString& text) = 0;
    // Information box (title "Information", one OK button).
    virtual void showInformation(QWidget* parent, const QString& text) = 0;
    // Question with Yes and No; true for Yes. icon is Question or Warning.
    virtual bool askYesNo(QWidget* parent, const QString& text, Icon icon) = 0;
    // The box for an exception that escaped a handler.
    virtual void showException(QWidget* parent, const QString& message) = 0;

    // File dialogs: the chosen path, or an empty string when cancelled. The
    // filter is in Qt's syntax ("Application files (*.csv);;All files (*)").
    virtual QString getOpenFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    // Asks before overwriting; defaultSuffix is added to a name without one.
    virtual QString getSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& defaultSuffix) = 0;

    // The print dialog for printer; true when the user chose to print.
    virtual bool execPrintDialog(QWidget* parent, QPrinter& printer) = 0;

    // Runs a window's own modal dialog (the settings dialog) and gives its result.
    virtual int execDialog(QDialog& dialog) = 0;
};

// The real boxes and dialogs.
class QtDialogs : public Dialogs {
public:
    void showError(QWidget* parent, const QString& text) override;
    void showInformation(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text, Icon icon) override;
    void showException(QWidget* parent, const QString& message) override;
    QString getOpenFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString getSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                            const QString& defaultSuffix) override;
    bool execPrintDialog(QWidget* parent, QPrinter& printer) override;
    int execDialog(QDialog& dialog) override;
};
