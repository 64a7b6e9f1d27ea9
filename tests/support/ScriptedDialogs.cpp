#include "support/ScriptedDialogs.h"

#include <QDialog>

QStringList ScriptedDialogs::texts(const QString& kind) const
{
    QStringList result;
    for (const Shown& box : shown)
        if (box.kind == kind)
            result << box.text;
    return result;
}

void ScriptedDialogs::clear()
{
    shown.clear();
    unexpectedCalls.clear();
}

void ScriptedDialogs::showError(QWidget*, const QString& text)
{
    shown.push_back({QStringLiteral("error"), text, Icon::Error, {}, {}});
}

void ScriptedDialogs::showInformation(QWidget*, const QString& text)
{
    shown.push_back({QStringLiteral("information"), text, Icon::Information, {}, {}});
}

bool ScriptedDialogs::askYesNo(QWidget*, const QString& text, Icon icon)
{
    shown.push_back({QStringLiteral("question"), text, icon, {}, {}});
    if (yesNoAnswers.empty()) {
        unexpectedCalls << QStringLiteral("question: ") + text;
        return false;
    }
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::showException(QWidget*, const QString& message)
{
    shown.push_back({QStringLiteral("exception"), message, Icon::Error, {}, {}});
}

QString ScriptedDialogs::getOpenFileName(QWidget*, const QString& title, const QString& filter)
{
    shown.push_back({QStringLiteral("open"), title, Icon::Information, filter, {}});
    if (fileAnswers.empty()) {
        unexpectedCalls << QStringLiteral("open: ") + title;
        return QString();
    }
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::getSaveFileName(QWidget*, const QString& title, const QString& filter,
                                         const QString& defaultSuffix)
{
    shown.push_back({QStringLiteral("save"), title, Icon::Information, filter, defaultSuffix});
    if (fileAnswers.empty()) {
        unexpectedCalls << QStringLiteral("save: ") + title;
        return QString();
    }
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

bool ScriptedDialogs::execPrintDialog(QWidget*, QPrinter&)
{
    shown.push_back({QStringLiteral("print"), QString(), Icon::Information, {}, {}});
    if (printAnswers.empty()) {
        unexpectedCalls << QStringLiteral("print");
        return false;
    }
    const bool answer = printAnswers.front();
    printAnswers.pop_front();
    return answer;
}

int ScriptedDialogs::execDialog(QDialog& dialog)
{
    shown.push_back({QStringLiteral("dialog"), dialog.windowTitle(), Icon::Information, {}, {}});
    if (dialogScripts.empty()) {
        unexpectedCalls << QStringLiteral("dialog: ") + dialog.windowTitle();
        return QDialog::Rejected;
    }
    auto script = std::move(dialogScripts.front());
    dialogScripts.pop_front();
    return script(dialog);
}
