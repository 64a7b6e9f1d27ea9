// The console page: raw bath commands and their replies.

#include "link/Console.h"

#include "app/MainForm.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

namespace {

const QColor kConsoleBackground(40, 40, 40);
const QColor kWritableText(0, 255, 0);
const QColor kReadOnlyText(128, 128, 128);
const QString kPrompt = QStringLiteral(">");

void setConsoleColour(QPlainTextEdit& console, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = console.palette();
    palette.setColor(role, colour);
    console.setPalette(palette);
}

} // namespace

TConsoleEntry ConsoleEntry(const QString& inputLine)
{
    TConsoleEntry entry;
    QString line = TrimBlanksAndControls(inputLine);
    if (line.startsWith(kPrompt))
        line.remove(0, kPrompt.size());
    if (line == QLatin1String("clr")) {
        entry.action = TConsoleEntry::Action::Clear;
        return entry;
    }
    QByteArray command = line.toLocal8Bit();
    if (command.isEmpty())
        return entry;
    entry.action = TConsoleEntry::Action::Send;
    entry.line = line;
    entry.command = command + '\n';
    return entry;
}

QTextBlock ConsoleInputBlock(const QTextDocument& document)
{
    const QTextBlock last = document.lastBlock();
    if (last.text().isEmpty() && last.previous().isValid())
        return last.previous();
    return last;
}

void TMainFrm::EnableConsole(bool on)
{
    edConsole->setReadOnly(!on);
    setConsoleColour(*edConsole, QPalette::Text, on ? kWritableText : kReadOnlyText);
}

void TMainFrm::AppendConsole(const QString& text)
{
    QTextCursor cursor(edConsole->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    edConsole->setTextCursor(cursor);
    edConsole->ensureCursorVisible();
}

void TMainFrm::WritePrompt()
{
    AppendConsole(kPrompt);
}

void TMainFrm::InitConsole()
{
    edConsole->clear();
    // Undo would take back the prompts and replies along with what was typed.
    edConsole->setUndoRedoEnabled(false);
    setConsoleColour(*edConsole, QPalette::Base, kConsoleBackground);
    WritePrompt();
}

bool TMainFrm::edConsoleKeyDown(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Control || (key == Qt::Key_C && event->modifiers().testFlag(Qt::ControlModifier)))
        return false; // copying works anywhere in the console

    QTextDocument& document = *edConsole->document();
    const QTextCursor caret = edConsole->textCursor();
    const int line = caret.blockNumber();
    const int column = caret.positionInBlock();
    if (line != ConsoleInputBlock(document).blockNumber())
        edConsole->moveCursor(QTextCursor::End);
    // Where the key acts: from an earlier line the caret has just moved to the
    // end, which may be right after a bare prompt.
    const bool atPrompt = column <= 1 || edConsole->textCursor().positionInBlock() <= 1;

    switch (key) {
    case Qt::Key_Backspace:
        return atPrompt;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const QString recalled = key == Qt::Key_Up ? History.Older() : History.Newer();
        if (!recalled.isEmpty()) {
            QTextCursor input(ConsoleInputBlock(document));
            input.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            input.insertText(kPrompt + recalled);
            edConsole->setTextCursor(input);
        }
        return true;
    }
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    case Qt::Key_Left:
        return atPrompt;
    case Qt::Key_Home: {
        // Just after the prompt of the line the caret was on.
        const QTextBlock block = document.findBlockByNumber(line);
        QTextCursor home(block);
        home.setPosition(block.position() + std::min(1, block.length() - 1));
        edConsole->setTextCursor(home);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        RunConsoleLine();
        return true;
    default:
        return false;
    }
}

void TMainFrm::RunConsoleLine()
{
    const TConsoleEntry entry = ConsoleEntry(ConsoleInputBlock(*edConsole->document()).text());
    if (entry.action == TConsoleEntry::Action::Clear) {
        edConsole->clear();
    } else if (entry.action == TConsoleEntry::Action::Send) {
        History.Add(entry.line);
        AppendConsole(QStringLiteral("\r"));
    }
    // The line break of Enter itself, put in here so that Shift+Enter cannot
    // split the line inside one block; a read-only console takes none.
    if (!edConsole->isReadOnly()) {
        QTextCursor caret = edConsole->textCursor();
        caret.insertBlock();
        edConsole->setTextCursor(caret);
        edConsole->ensureCursorVisible();
    }
    // Started before sending, so that a reply however quick finds it running.
    PromptTimer->start();
    if (entry.action == TConsoleEntry::Action::Send)
        AddRequest(kConsole, entry.command);
}

void TMainFrm::ShowConsoleReply(const QString& reply)
{
    PromptTimer->stop();
    QTextCursor input(ConsoleInputBlock(*edConsole->document()));
    input.movePosition(QTextCursor::EndOfBlock);
    input.insertText(reply);
    WritePrompt();
}

void TMainFrm::PromptTimerTimer()
{
    PromptTimer->stop();
    // Every waiting request is dropped with the unanswered command; so is the
    // part of an answer received so far, which belongs to none that remains.
    while (!RequestQueue.empty())
        RequestQueue.pop_front();
    LineBuffer.clear();
    WritePrompt();
}
