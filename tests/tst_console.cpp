// The console page: command history, the input line's rules and the keys.

#include "link/CircleBuf.h"
#include "link/Console.h"
#include "app/MainForm.h"
#include "support/WindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

namespace {

struct Caret {
    int line;
    int column;
    bool operator==(const Caret&) const = default;
};

char* toString(const Caret& caret)
{
    return qstrdup(qPrintable(QString("line %1, column %2").arg(caret.line).arg(caret.column)));
}

Caret caretOf(const QPlainTextEdit& edit)
{
    const QTextCursor cursor = edit.textCursor();
    return {cursor.blockNumber(), cursor.positionInBlock()};
}

void placeCaret(QPlainTextEdit& edit, Caret caret)
{
    const QTextBlock block = edit.document()->findBlockByNumber(caret.line);
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + caret.column);
    edit.setTextCursor(cursor);
}

// A console as it is while a bath is selected; without one, nothing is sent.
TMainFrm& writableConsole(WindowFixture& fixture)
{
    TMainFrm& frm = fixture.window();
    frm.EnableConsole(true);
    return frm;
}

void enterCommand(TMainFrm& frm, const QString& typed)
{
    QTest::keyClicks(frm.edConsole, typed);
    QTest::keyClick(frm.edConsole, Qt::Key_Return);
    frm.PromptTimerTimer(); // no bath answers
}

QStringList historyOf(const Circle_buf& history)
{
    return QStringList(history.items.begin(), history.items.end());
}

} // namespace

Q_DECLARE_METATYPE(Caret)

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    // ---- The history ring ----
    void elevenCommandsKeepTheNewestTen();
    void historyMoves_data();
    void historyMoves();

    // ---- The input line ----
    void consoleEntry_data();
    void consoleEntry();
    void inputBlock_data();
    void inputBlock();

    // ---- The console in the window ----
    void startsReadOnlyWithThePrompt();
    void enter_data();
    void enter();
    void promptComesFromTheTimer();
    void promptTimerDropsEveryWaitingRequest();
    void readOnlyConsoleStillWritesThePrompt();
    void keys_data();
    void keys();
    void upAndDownRecallCommands();
    void ctrlCCopiesFromAnEarlierLine();
};

void TestConsole::elevenCommandsKeepTheNewestTen()
{
    Circle_buf history;
    for (int i = 1; i <= 11; ++i)
        history.Add(QString("c%1").arg(i));
    QCOMPARE(history.items.size(), size_t(10));
    QCOMPARE(history.items.front(), QString("c11"));
    QCOMPARE(history.items.back(), QString("c2"));
    QCOMPARE(history.Older(), QString("c11"));
}

void TestConsole::historyMoves_data()
{
    QTest::addColumn<QStringList>("added"); // oldest first
    QTest::addColumn<QString>("keys");      // U for Up (Older), D for Down (Newer)
    QTest::addColumn<QStringList>("given");

    const QStringList abc{"a", "b", "c"};
    QTest::newRow("Up from the newest, round") << abc << "UUUU" << QStringList{"c", "b", "a", "c"};
    QTest::newRow("Down from the newest, round") << abc << "DDDD" << QStringList{"c", "a", "b", "c"};
    QTest::newRow("Up, Up, Down") << abc << "UUD" << QStringList{"c", "b", "a"};
    QTest::newRow("one entry") << QStringList{"x"} << "UDU" << QStringList{"x", "x", "x"};
    QTest::newRow("empty history") << QStringList{} << "UD" << QStringList{"", ""};
    QTest::newRow("Add starts again at the newest") << QStringList{"a", "b", "+", "c"} << "U"
                                                    << QStringList{"c"};
}

void TestConsole::historyMoves()
{
    QFETCH(QStringList, added);
    QFETCH(QString, keys);
    QFETCH(QStringList, given);
    Circle_buf history;
    for (const QString& entry : added) {
        if (entry == "+") { // moves before the next Add
            history.Older();
            history.Older();
            continue;
        }
        history.Add(entry);
    }
    QStringList result;
    for (QChar key : keys)
        result << (key == u'U' ? history.Older() : history.Newer());
    QCOMPARE(result, given);
}

void TestConsole::consoleEntry_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("command");

    const int none = int(TConsoleEntry::Action::None);
    const int clear = int(TConsoleEntry::Action::Clear);
    const int send = int(TConsoleEntry::Action::Send);
    QTest::newRow("prompt alone") << ">" << none << "" << QByteArray();
    QTest::newRow("prompt and blanks") << ">  \t" << none << "" << QByteArray();
    QTest::newRow("empty") << "" << none << "" << QByteArray();
    QTest::newRow("clr") << ">clr" << clear << "" << QByteArray();
    QTest::newRow("clr without prompt") << "clr" << clear << "" << QByteArray();
    QTest::newRow("clr with blanks around") << " >clr \t" << clear << "" << QByteArray();
    QTest::newRow("blanks before clr: a command") << ">  clr" << send << "  clr" << QByteArray("  clr\n");
    QTest::newRow("CLR: a command") << ">CLR" << send << "CLR" << QByteArray("CLR\n");
    QTest::newRow("command") << ">:00000000 dat.t.1 rd" << send << ":00000000 dat.t.1 rd"
                             << QByteArray(":00000000 dat.t.1 rd\n");
    QTest::newRow("only one prompt removed") << ">>x" << send << ">x" << QByteArray(">x\n");
    QTest::newRow("control characters trimmed") << "\t>x\x01" << send << "x" << QByteArray("x\n");
    QTest::newRow("non-ASCII in UTF-8") << QString::fromUtf8(">\xC3\xBC") << send << QString::fromUtf8("\xC3\xBC")
                                        << QByteArray("\xC3\xBC\n");
}

void TestConsole::consoleEntry()
{
    QFETCH(QString, input);
    QFETCH(int, action);
    QFETCH(QString, line);
    QFETCH(QByteArray, command);
    const TConsoleEntry entry = ConsoleEntry(input);
    QCOMPARE(int(entry.action), action);
    QCOMPARE(entry.line, line);
    QCOMPARE(entry.command, command);
}

void TestConsole::inputBlock_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("block");

    QTest::newRow("prompt") << ">" << 0;
    QTest::newRow("empty console") << "" << 0;
    QTest::newRow("one empty line at the end does not count") << ">abc\n" << 0;
    QTest::newRow("waiting for the reply") << ">abc\n\n" << 1;
    QTest::newRow("after clr") << "\n" << 0;
    QTest::newRow("reply and prompt") << ">abc\nreply\n>" << 2;
}

void TestConsole::inputBlock()
{
    QFETCH(QString, text);
    QFETCH(int, block);
    const QTextDocument document(text);
    QCOMPARE(ConsoleInputBlock(document).blockNumber(), block);
}

void TestConsole::startsReadOnlyWithThePrompt()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    QCOMPARE(frm.edConsole->toPlainText(), QString(">"));
    QVERIFY(frm.edConsole->isReadOnly());
    QCOMPARE(frm.edConsole->palette().color(QPalette::Base), QColor(40, 40, 40));
    QCOMPARE(frm.edConsole->palette().color(QPalette::Text), QColor(128, 128, 128));
    QVERIFY(!frm.PromptTimer->isActive());
    QCOMPARE(frm.PromptTimer->interval(), 250);

    frm.EnableConsole(true);
    QVERIFY(!frm.edConsole->isReadOnly());
    QCOMPARE(frm.edConsole->palette().color(QPalette::Text), QColor(0, 255, 0));
    QCOMPARE(frm.edConsole->palette().color(QPalette::Base), QColor(40, 40, 40));
    frm.EnableConsole(false);
    QVERIFY(frm.edConsole->isReadOnly());
    QCOMPARE(frm.edConsole->palette().color(QPalette::Text), QColor(128, 128, 128));
}

void TestConsole::enter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QString>("reply"); // empty: none comes, the prompt timer runs out
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("history");

    QTest::newRow("command answered") << ":00000000 dat.t.1 rd" << false << ":00000000 0 25.3"
                                      << ">:00000000 dat.t.1 rd\n:00000000 0 25.3\n>"
                                      << QStringList{":00000000 dat.t.1 rd"};
    QTest::newRow("command unanswered") << "abc" << false << "" << ">abc\n\n>" << QStringList{"abc"};
    QTest::newRow("Shift+Enter is Enter") << "abc" << true << "" << ">abc\n\n>" << QStringList{"abc"};
    QTest::newRow("clr: the prompt on the second line") << "clr" << false << "" << "\n>" << QStringList{};
    QTest::newRow("blanks before clr: a command") << "  clr" << false << "" << ">  clr\n\n>" << QStringList{"  clr"};
    QTest::newRow("empty line sends nothing") << "" << false << "" << ">\n>" << QStringList{};
    QTest::newRow("blanks only send nothing") << "   " << false << "" << ">   \n>" << QStringList{};
}

void TestConsole::enter()
{
    QFETCH(QString, typed);
    QFETCH(bool, shift);
    QFETCH(QString, reply);
    QFETCH(QString, shown);
    QFETCH(QStringList, history);

    WindowFixture fixture;
    TMainFrm& frm = writableConsole(fixture);
    QTest::keyClicks(frm.edConsole, typed);
    QTest::keyClick(frm.edConsole, Qt::Key_Return, shift ? Qt::ShiftModifier : Qt::NoModifier);
    QVERIFY(frm.PromptTimer->isActive());
    if (reply.isEmpty())
        frm.PromptTimerTimer();
    else
        frm.ShowConsoleReply(reply);
    QVERIFY(!frm.PromptTimer->isActive());
    QCOMPARE(frm.edConsole->toPlainText(), shown);
    QCOMPARE(historyOf(frm.History), history);
    QCOMPARE(caretOf(*frm.edConsole), (Caret{int(shown.count(u'\n')), 1}));
}

void TestConsole::promptComesFromTheTimer()
{
    WindowFixture fixture;
    TMainFrm& frm = writableConsole(fixture);
    QTest::keyClicks(frm.edConsole, "clr");
    QTest::keyClick(frm.edConsole, Qt::Key_Return);
    QCOMPARE(frm.edConsole->toPlainText(), QString("\n"));
    QTRY_COMPARE(frm.edConsole->toPlainText(), QString("\n>"));
    QVERIFY(!frm.PromptTimer->isActive());
}

void TestConsole::promptTimerDropsEveryWaitingRequest()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    frm.RequestQueue.push_back({kConsole, "abc\n"});
    frm.RequestQueue.push_back({kReadInternal, Cmd::ReadInternal});
    frm.RequestQueue.push_back({kReadSetpoint, Cmd::ReadSetpoint});
    frm.LineBuffer = ":00000000 0 2"; // part of an answer that will never be wanted
    frm.PromptTimer->start();
    frm.PromptTimerTimer();
    QVERIFY(frm.RequestQueue.empty());
    QVERIFY(frm.LineBuffer.isEmpty());
    QVERIFY(!frm.PromptTimer->isActive());
    QCOMPARE(frm.edConsole->toPlainText(), QString(">>"));
}

void TestConsole::readOnlyConsoleStillWritesThePrompt()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    QTest::keyClicks(frm.edConsole, "abc");
    QCOMPARE(frm.edConsole->toPlainText(), QString(">"));
    QTest::keyClick(frm.edConsole, Qt::Key_Return);
    QVERIFY(frm.PromptTimer->isActive());
    frm.PromptTimerTimer();
    QCOMPARE(frm.edConsole->toPlainText(), QString(">>"));
    QVERIFY(frm.History.items.empty());
}

void TestConsole::keys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Caret>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    QTest::addColumn<Caret>("caret");

    const QString earlier = ">abc\nreply\n>";
    QTest::newRow("Backspace right after the prompt") << ">" << Caret{0, 1} << int(Qt::Key_Backspace) << ">"
                                                      << Caret{0, 1};
    QTest::newRow("Backspace in front of the prompt") << ">ab" << Caret{0, 0} << int(Qt::Key_Backspace) << ">ab"
                                                      << Caret{0, 0};
    QTest::newRow("Backspace in the command") << ">ab" << Caret{0, 3} << int(Qt::Key_Backspace) << ">a"
                                              << Caret{0, 2};
    QTest::newRow("Left at column 1") << ">ab" << Caret{0, 1} << int(Qt::Key_Left) << ">ab" << Caret{0, 1};
    QTest::newRow("Left at column 2") << ">ab" << Caret{0, 2} << int(Qt::Key_Left) << ">ab" << Caret{0, 1};
    QTest::newRow("Home goes just after the prompt") << ">abc" << Caret{0, 3} << int(Qt::Key_Home) << ">abc"
                                                     << Caret{0, 1};
    QTest::newRow("Home on an earlier line") << earlier + "x" << Caret{1, 3} << int(Qt::Key_Home) << earlier + "x"
                                             << Caret{1, 1};
    QTest::newRow("Backspace from an earlier line keeps a bare prompt")
        << earlier << Caret{0, 3} << int(Qt::Key_Backspace) << earlier << Caret{2, 1};
    QTest::newRow("Left from an earlier line stays after a bare prompt")
        << earlier << Caret{0, 3} << int(Qt::Key_Left) << earlier << Caret{2, 1};
    QTest::newRow("Backspace from an earlier line deletes at the end")
        << earlier + "xy" << Caret{0, 3} << int(Qt::Key_Backspace) << earlier + "x" << Caret{2, 2};
    QTest::newRow("typing on an earlier line types at the end")
        << earlier + "x" << Caret{0, 2} << int(Qt::Key_Y) << earlier + "xy" << Caret{2, 3};
    QTest::newRow("Tab does nothing") << ">ab" << Caret{0, 3} << int(Qt::Key_Tab) << ">ab" << Caret{0, 3};
    QTest::newRow("Page Up does nothing") << earlier << Caret{2, 1} << int(Qt::Key_PageUp) << earlier << Caret{2, 1};
    QTest::newRow("Page Down does nothing") << earlier << Caret{2, 1} << int(Qt::Key_PageDown) << earlier
                                            << Caret{2, 1};
    QTest::newRow("Up with an empty history does nothing") << ">ab" << Caret{0, 3} << int(Qt::Key_Up) << ">ab"
                                                           << Caret{0, 3};
}

void TestConsole::keys()
{
    QFETCH(QString, text);
    QFETCH(Caret, before);
    QFETCH(int, key);
    QFETCH(QString, after);
    QFETCH(Caret, caret);

    WindowFixture fixture;
    TMainFrm& frm = writableConsole(fixture);
    frm.edConsole->setPlainText(text);
    placeCaret(*frm.edConsole, before);
    QTest::keyClick(frm.edConsole, Qt::Key(key));
    QCOMPARE(frm.edConsole->toPlainText(), after);
    QCOMPARE(caretOf(*frm.edConsole), caret);
}

void TestConsole::upAndDownRecallCommands()
{
    WindowFixture fixture;
    TMainFrm& frm = writableConsole(fixture);
    for (const char* command : {"a", "b", "c"})
        enterCommand(frm, command);
    const QString shown = ">a\n\n>b\n\n>c\n\n";
    QCOMPARE(frm.edConsole->toPlainText(), shown + ">");

    QTest::keyClick(frm.edConsole, Qt::Key_Up);
    QCOMPARE(frm.edConsole->toPlainText(), shown + ">c");
    QTest::keyClick(frm.edConsole, Qt::Key_Up);
    QCOMPARE(frm.edConsole->toPlainText(), shown + ">b");
    QTest::keyClick(frm.edConsole, Qt::Key_Down);
    QCOMPARE(frm.edConsole->toPlainText(), shown + ">a");
    QCOMPARE(caretOf(*frm.edConsole), (Caret{6, 2}));

    // The recalled line runs like a typed one.
    QTest::keyClick(frm.edConsole, Qt::Key_Return);
    QCOMPARE(historyOf(frm.History), (QStringList{"a", "c", "b", "a"}));
}

void TestConsole::ctrlCCopiesFromAnEarlierLine()
{
    WindowFixture fixture;
    TMainFrm& frm = writableConsole(fixture);
    frm.edConsole->setPlainText(">abc\nreply\n>");
    QTextCursor selection(frm.edConsole->document()->findBlockByNumber(1));
    selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    frm.edConsole->setTextCursor(selection);
    QGuiApplication::clipboard()->clear();

    QTest::keyClick(frm.edConsole, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("reply"));
    QCOMPARE(frm.edConsole->textCursor().selectedText(), QString("reply"));
    QCOMPARE(frm.edConsole->toPlainText(), QString(">abc\nreply\n>"));
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
