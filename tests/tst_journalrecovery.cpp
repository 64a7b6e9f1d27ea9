// Kill and restore, end to end: a real window records from the virtual bath in
// a child process (journal_child) until it is killed with SIGKILL; a window
// made afterwards on the same journal restores the record.

#include "app/Formats.h"
#include "support/RecordingHelpers.h"
#include "support/WindowFixture.h"

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

constexpr int kRowsBeforeKill = 300;

// The table as the child printed it: line index -> its text after the last
// cycle that changed it.
struct Printed {
    QMap<int, QString> lines;
    bool recording = false;
    QByteArray pending; // a line not yet ended

    void take(const QByteArray& bytes)
    {
        pending += bytes;
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            if (line == QLatin1String("recording")) {
                recording = true;
                continue;
            }
            const qsizetype tab = line.indexOf(u'\t');
            lines[line.left(tab).toInt()] = line.mid(tab + 1);
        }
    }
};

} // namespace

class TestJournalRecovery : public QObject {
    Q_OBJECT
private slots:
    void killedRecordingIsRestored();
};

void TestJournalRecovery::killedRecordingIsRestored()
{
    QTemporaryDir dir;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(QUINTARA_JOURNAL_CHILD), {dir.path()});
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));

    Printed printed;
    QElapsedTimer waiting;
    waiting.start();
    while (printed.lines.size() <= kRowsBeforeKill && child.state() == QProcess::Running
           && !waiting.hasExpired(15000)) {
        child.waitForReadyRead(100);
        printed.take(child.readAllStandardOutput());
    }
    QVERIFY2(printed.lines.size() > kRowsBeforeKill, "the child did not record in time");
    // Killed in the middle of its work, with no chance to clean up.
    QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
    QVERIFY(child.waitForFinished(5000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    printed.take(child.readAllStandardOutput());
    QVERIFY(printed.recording);
    const int printedCount = int(printed.lines.size());
    QCOMPARE(printed.lines.lastKey(), printedCount - 1);

    // The journal and the dead child's lock are left behind.
    WindowFixture f;
    f.journalFile = dir.filePath(QStringLiteral("recording.journal"));
    f.dialogs.yesNoAnswers = {true};
    TMainFrm& w = f.window();
    QTRY_COMPARE(f.dialogs.texts("question"),
                 QStringList{"A recording from 10/12/2026 17:13:06 was not saved. Restore it?"});
    QVERIFY(w.Modified);

    // Every line the child showed is back, and at most the one row whose poll
    // cycle was running at the kill is added; every row is whole.
    const QStringList restored = TableLines(w);
    QVERIFY2(restored.size() == printedCount || restored.size() == printedCount + 1,
             qPrintable(QStringLiteral("%1 restored, %2 printed").arg(restored.size()).arg(printedCount)));
    for (int i = 0; i < printedCount; ++i)
        QCOMPARE(restored[i], printed.lines[i]);
    QCOMPARE(restored[0], QStringLiteral(">10/12/2026 17:13:06"));
    const QRegularExpression row(QStringLiteral("^\\d+;\\d\\d:\\d\\d:\\d\\d(; -?\\d+\\.\\d\\d){1,3}$"));
    for (int i = 1; i < restored.size(); ++i) {
        QVERIFY2(row.match(restored[i]).hasMatch(), qPrintable(restored[i]));
        if (i < printedCount)
            QCOMPARE(restored[i].count(u';'), 4); // the child's cycles were complete
    }

    // The plot holds every value of every row, in order.
    const TLineSeries& internal = *w.Chart->Series(0);
    QCOMPARE(internal.Count(), restored.size() - 1);
    for (int i = 1; i < restored.size(); ++i) {
        const QString value = restored[i].split(QStringLiteral("; ")).value(1);
        QCOMPARE(FormatFixed2(internal.YValue(i - 1), w.DisplayFormat), value);
    }
    QVERIFY(w.Chart->Series(2)->Count() >= printedCount - 2);
}

QTEST_MAIN(TestJournalRecovery)
#include "tst_journalrecovery.moc"
