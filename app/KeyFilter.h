#pragma once

#include <QChar>
#include <QKeyEvent>

// Whether a key press types a character into an edit, and which: printable
// characters, Backspace and the Ctrl+letter codes 1..26. Keys such as Escape,
// Enter, Tab and Delete type nothing here: they keep their usual meaning even
// where an edit filters what can be typed.
inline bool TypedCharacter(const QKeyEvent& event, QChar& typed)
{
    const QString text = event.text();
    if (text.isEmpty())
        return false;
    QChar c = text.front();
    // Ctrl+letter types its control code (Ctrl+C is 3) whether the platform
    // reports the code or the letter.
    if (event.modifiers() & Qt::ControlModifier) {
        const ushort letter = c.unicode() | 0x20;
        if (letter >= 'a' && letter <= 'z')
            c = QChar(ushort(letter - 'a' + 1));
    }
    const ushort code = c.unicode();
    if (code == 27 || code == 13 || code == 10 || code == 9 || code == 0x7f)
        return false;
    if (code < 32 && code != 8 && !(event.modifiers() & Qt::ControlModifier))
        return false;
    typed = c;
    return true;
}
