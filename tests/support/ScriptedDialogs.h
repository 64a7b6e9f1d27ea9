#pragma once

#include "app/Dialogs.h"

#include <QStringList>

#include <deque>
#include <functional>

// The dialog seam with the user's answers scripted by the test. Every box shown
// is logged; an answer that was not scripted is a test failure (reported through
// unexpected()) and then behaves like No / Cancel.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "error", "information", "question", "exception", "open", "save", "print", "dialog"
        QString text; // the message, or the title of a file dialog
        Icon icon = Icon::Information;
        QString filter; // file dialogs
        QString suffix; // save dialog
    };

    std::vector<Shown> shown;
    std::deque<bool> yesNoAnswers;
    std::deque<QString> fileAnswers; // empty string = Cancel
    std::deque<bool> printAnswers;
    std::deque<std::function<int(QDialog&)>> dialogScripts;
    QStringList unexpectedCalls;

    // The texts of the shown boxes of one kind, in order.
    QStringList texts(const QString& kind) const;
    void clear();

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
