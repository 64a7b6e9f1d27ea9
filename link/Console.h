#pragma once

#include <QByteArray>
#include <QString>

class QTextBlock;
class QTextDocument;

// What Enter does with the console's input line.
struct TConsoleEntry {
    enum class Action {
        None,  // nothing to send (only the prompt, or blanks)
        Clear, // "clr": empty the console
        Send   // send command to the bath
    };
    Action action = Action::None;
    QString line;       // the command as typed, for the history
    QByteArray command; // what goes to the bath, "\n" included
};

// The input line with blanks and control characters removed at both ends, then
// one leading prompt ">" removed (blanks after it stay: ">  clr" is a command,
// not "clr").
TConsoleEntry ConsoleEntry(const QString& inputLine);

// The console's input line: its last line, not counting one empty line at the
// very end (the line break that Enter added while the reply is awaited).
QTextBlock ConsoleInputBlock(const QTextDocument& document);
