// The recording journal on its own: what it writes replays to the table, a torn
// or damaged end loses no more than itself, when the file goes away, and how a
// journal that cannot be written is reported.

#include "record/RecordJournal.h"
#include "record/RecordLines.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList linesOf(const TRecordLines& lines)
{
    QStringList result;
    for (qsizetype i = 0; i < lines.count(); ++i)
        result << lines.line(i);
    return result;
}

QStringList linesOf(const TJournalReplay& replay)
{
    QStringList result;
    for (qsizetype i = 0; i < replay.lineCount(); ++i)
        result << QString::fromUtf8(replay.line(i));
    return result;
}

QStringList replayed(const QString& path, bool* complete = nullptr)
{
    const std::optional<TJournalReplay> replay = TRecordJournal::read(path);
    if (!replay)
        return {QStringLiteral("cannot read the journal")};
    if (complete)
        *complete = replay->complete;
    return linesOf(*replay);
}

// Changes the table as the intake does, with the journal following: "L:text"
// adds a line, "A:text" appends text to the last line.
void apply(const QStringList& steps, TRecordLines& lines, TRecordJournal& journal)
{
    for (const QString& step : steps) {
        const QByteArray text = step.mid(2).toUtf8();
        if (step.startsWith(QLatin1String("L:"))) {
            lines.append(QByteArrayView(text));
            journal.lineAdded(lines);
        } else {
            const bool hadLines = !lines.isEmpty();
            lines.appendToLast(QByteArrayView(text));
            if (hadLines)
                journal.lastLineExtended(lines, text);
        }
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestRecordJournal : public QObject {
    Q_OBJECT
private slots:
    void replayEqualsTheTable_data();
    void replayEqualsTheTable();
    void damagedEndLosesOnlyItself_data();
    void damagedEndLosesOnlyItself();
    void notAJournalReplaysToNothing_data();
    void notAJournalReplaysToNothing();
    void firstMarkerTimeAsItStands();

    void removeRetireAndAnEndWithoutEither();
    void beginReplacesAnEarlierJournal();
    void aJournalHeldByAnotherIsLeftAlone();
    void unwritableLocationIsReportedOnce_data();
    void unwritableLocationIsReportedOnce();
    void aFailureStopsAppendingUntilARetry();
    void syncIsNeededOnlyAfterAppending();
};

void TestRecordJournal::replayEqualsTheTable_data()
{
    QTest::addColumn<QStringList>("before"); // in the table when the journal begins
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("a recording") << QStringList{}
                                 << QStringList{"L:>10/12/2026 17:13:06", "L:1;00:00:02; 25.03", "A:; 24.87",
                                                "A:; 12.50", "L:1;00:00:04; 25.10", "A:; nan", "A:; inf"};
    QTest::newRow("values before the first row join the marker")
        << QStringList{} << QStringList{"L:>10/12/2026 17:13:06", "A:; 24.87", "A:; 12.50", "L:1;00:00:02; 25.03"};
    QTest::newRow("a short row, then the next")
        << QStringList{} << QStringList{"L:>01/03/2024 00:00:00", "L:1;00:00:02; 25.03", "L:1;00:00:04; 25.04", "A:; 1,5"};
    QTest::newRow("the record's lines first, then more")
        << QStringList{">01/03/2024 08:00:00", "1;00:00:02; 25.03; 24.87; 12.50", "not a row", ""}
        << QStringList{"L:>02/03/2024 09:00:00", "L:1;01:00:02; 26.00", "A:; 25.00"};
    QTest::newRow("text appended to a line the journal began with")
        << QStringList{">01/03/2024 08:00:00", "1;00:00:02; 25.03"} << QStringList{"A:; 24.87", "A:; 12.50"};
    QTest::newRow("escapes, tabs, empty text, other scripts")
        << QStringList{"back\\slash \\n not a line end", "tab\there"}
        << QStringList{"L:", "A:", "L:line\nend inside", "A:\\", "L:Запись от 10/12/2026", "L:\t1234", "A:\r"};
    QTest::newRow("nothing recorded yet") << QStringList{">01/03/2024 08:00:00"} << QStringList{};
}

void TestRecordJournal::replayEqualsTheTable()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, steps);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/recording.journal"));
    TRecordLines lines;
    for (const QString& line : before)
        lines.append(line);
    TRecordJournal journal(path);
    QVERIFY(journal.begin(lines));
    QVERIFY(journal.isOpen());
    apply(steps, lines, journal);
    journal.sync();

    bool complete = false;
    QCOMPARE(replayed(path, &complete), linesOf(lines));
    QVERIFY(complete);
    QVERIFY(!journal.takeFailure());
}

void TestRecordJournal::damagedEndLosesOnlyItself_data()
{
    // The journal holds a marker and two rows of three values (seven records);
    // its end is then damaged as a crash or a power cut may leave it.
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("amount");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("complete");

    const QString marker = QStringLiteral(">10/12/2026 17:13:06");
    const QStringList whole{marker, "1;00:00:02; 25.03; 24.87; 12.50", "1;00:00:04; 25.10; 24.90; 12.75"};
    const QStringList lastValueLost{marker, "1;00:00:02; 25.03; 24.87; 12.50", "1;00:00:04; 25.10; 24.90"};

    QTest::newRow("intact") << "cut" << 0 << whole << true;
    QTest::newRow("line end lost") << "cut" << 1 << lastValueLost << false;
    QTest::newRow("cut in the checksum") << "cut" << 3 << lastValueLost << false;
    QTest::newRow("cut after the tab") << "cut" << 5 << lastValueLost << false;
    QTest::newRow("cut in the text") << "cut" << 9 << lastValueLost << false;
    QTest::newRow("only the kind left") << "cut" << 13 << lastValueLost << false;
    QTest::newRow("zeros after the end") << "zeros" << 4096 << whole << false;
    QTest::newRow("half a record after the end") << "append" << 0 << whole << false;
    QTest::newRow("a changed value in the second row stops there")
        << "flip" << 0 << QStringList{marker, "1;00:00:02; 25.03"} << false;
    QTest::newRow("a checksum that does not match")
        << "checksum" << 0 << QStringList{marker, "1;00:00:02; 25.03; 24.87; 12.50", "1;00:00:04; 25.10"} << false;
}

void TestRecordJournal::damagedEndLosesOnlyItself()
{
    QFETCH(QString, damage);
    QFETCH(int, amount);
    QFETCH(QStringList, expected);
    QFETCH(bool, complete);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recording.journal"));
    {
        TRecordLines lines;
        TRecordJournal journal(path);
        apply({"L:>10/12/2026 17:13:06", "L:1;00:00:02; 25.03", "A:; 24.87", "A:; 12.50", "L:1;00:00:04; 25.10",
               "A:; 24.90", "A:; 12.75"},
              lines, journal);
    }
    QByteArray bytes = fileBytes(path);
    QVERIFY(bytes.endsWith('\n'));
    if (damage == QLatin1String("cut")) {
        bytes.chop(amount);
    } else if (damage == QLatin1String("zeros")) {
        bytes.append(QByteArray(amount, '\0'));
    } else if (damage == QLatin1String("append")) {
        bytes.append("L1;00:00:06; 25.2");
    } else if (damage == QLatin1String("flip")) {
        const qsizetype at = bytes.indexOf("24.87");
        QVERIFY(at > 0);
        bytes[at] = '3';
    } else if (damage == QLatin1String("checksum")) {
        const qsizetype at = bytes.indexOf("; 24.90\t") + 8;
        bytes[at] = bytes[at] == '0' ? '1' : '0';
    }
    writeBytes(path, bytes);

    bool wasComplete = !complete;
    QCOMPARE(replayed(path, &wasComplete), expected);
    QCOMPARE(wasComplete, complete);
}

void TestRecordJournal::notAJournalReplaysToNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a record file") << QByteArray(">10/12/2026 17:13:06\r\n1;00:00:02; 25.03\r\n");
    QTest::newRow("a torn first line") << QByteArray("Quintara recording jou");
}

void TestRecordJournal::notAJournalReplaysToNothing()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recording.journal"));
    writeBytes(path, bytes);
    const std::optional<TJournalReplay> replay = TRecordJournal::read(path);
    QVERIFY(replay);
    QCOMPARE(replay->lineCount(), 0);
    QVERIFY(!replay->complete);

    QString error;
    QVERIFY(!TRecordJournal::read(dir.filePath(QStringLiteral("missing.journal")), &error));
    QVERIFY(error.contains(QLatin1String("missing.journal")));
}

void TestRecordJournal::firstMarkerTimeAsItStands()
{
    TJournalReplay replay;
    const auto add = [&](QByteArrayView line) {
        replay.lineStarts.push_back(replay.lineBuffer.size());
        replay.lineBuffer.append(line);
    };
    QVERIFY(!replay.firstMarkerTime());
    add("1;00:00:02; 25.03");
    add("a > inside");
    QVERIFY(!replay.firstMarkerTime());
    add(">10/12/2026 17:13:06");
    add(">11/12/2026 08:00:00");
    QCOMPARE(replay.firstMarkerTime(), QStringLiteral("10/12/2026 17:13:06"));
    QCOMPARE(replay.text(), QByteArray("1;00:00:02; 25.03\na > inside\n>10/12/2026 17:13:06\n>11/12/2026 08:00:00\n"));
}

void TestRecordJournal::removeRetireAndAnEndWithoutEither()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recording.journal"));
    TRecordLines lines;
    {
        TRecordJournal journal(path);
        apply({"L:>01/03/2024 08:00:00", "L:1;00:00:02; 25.03"}, lines, journal);
        QVERIFY(journal.exists());

        // Removed (saved, cleared, replaced): the next change begins anew with
        // every line of the table.
        journal.remove();
        QVERIFY(!journal.exists());
        QVERIFY(!journal.isOpen());
        apply({"A:; 24.87"}, lines, journal);
        QCOMPARE(replayed(path), linesOf(lines));
        apply({"L:1;00:00:04; 25.10"}, lines, journal);
        QCOMPARE(replayed(path), linesOf(lines));
        QVERIFY(QFile::exists(TRecordJournal::lockPath(path)));
    }
    // An end without remove (a crash) leaves the journal, but not the lock.
    QCOMPARE(replayed(path), linesOf(lines));
    QVERIFY(!QFile::exists(TRecordJournal::lockPath(path)));

    // Retired (a normal closing): gone, and nothing brings it back.
    TRecordJournal journal(path);
    QVERIFY(journal.claim());
    journal.retire();
    QVERIFY(!journal.exists());
    apply({"L:1;00:00:06; 25.20"}, lines, journal);
    QVERIFY(!journal.begin(lines));
    QVERIFY(!journal.exists());
}

void TestRecordJournal::beginReplacesAnEarlierJournal()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recording.journal"));
    TRecordLines lines;
    TRecordJournal journal(path);
    apply({"L:>01/03/2024 08:00:00", "L:1;00:00:02; 25.03", "A:; 24.87"}, lines, journal);

    TRecordLines restored;
    restored.append(QByteArrayView(">01/03/2024 08:00:00"));
    QVERIFY(journal.begin(restored));
    QCOMPARE(replayed(path), linesOf(restored));
    // Only the journal itself is there: the bulk write's temporary file is gone.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"recording.journal", "recording.journal.lock"}));
}

void TestRecordJournal::aJournalHeldByAnotherIsLeftAlone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recording.journal"));
    TRecordLines lines;
    auto first = std::make_unique<TRecordJournal>(path);
    apply({"L:>01/03/2024 08:00:00", "L:1;00:00:02; 25.03"}, lines, *first);

    // A second program neither writes into the journal nor deletes it.
    TRecordJournal second(path);
    QVERIFY(!second.claim());
    TRecordLines other;
    apply({"L:>05/03/2024 10:00:00"}, other, second);
    second.remove();
    apply({"A:; 24.87"}, lines, *first);
    QCOMPARE(replayed(path), linesOf(lines));
    const std::optional<QString> failure = second.takeFailure();
    QVERIFY(failure);
    QVERIFY2(failure->contains(QLatin1String("another running Quintara")), qPrintable(*failure));

    // Once the first has ended, its journal can be taken over.
    first.reset();
    QVERIFY(second.claim());
    QVERIFY(second.exists());
}

void TestRecordJournal::unwritableLocationIsReportedOnce_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder cannot be made") << "under a file" << "cannot be made";
    QTest::newRow("folder without write permission") << "read-only" << "permission";
    QTest::newRow("no data folder") << "nowhere" << "no folder";
}

void TestRecordJournal::unwritableLocationIsReportedOnce()
{
    QFETCH(QString, where);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path;
    if (where == QLatin1String("under a file")) {
        writeBytes(dir.filePath(QStringLiteral("plain")), "a file, not a folder");
        path = dir.filePath(QStringLiteral("plain/Quintara/recording.journal"));
    } else if (where == QLatin1String("read-only")) {
        const QString folder = dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (!PermissionsApply(folder))
            QSKIP("permissions do not stop this user from writing");
        path = folder + QStringLiteral("/recording.journal");
    }

    TRecordJournal journal(path);
    QVERIFY(!journal.claim());
    TRecordLines lines;
    apply({"L:>01/03/2024 08:00:00"}, lines, journal);
    QVERIFY(journal.failed());
    const std::optional<QString> failure = journal.takeFailure();
    QVERIFY(failure);
    QVERIFY2(failure->contains(reason, Qt::CaseInsensitive), qPrintable(*failure));

    // More changes, a retry and a sync fail the same way: nothing more to tell.
    apply({"L:1;00:00:02; 25.03", "A:; 24.87"}, lines, journal);
    journal.retry();
    apply({"L:1;00:00:04; 25.10"}, lines, journal);
    journal.sync();
    QVERIFY(!journal.takeFailure());
    QVERIFY(!journal.exists());
}

void TestRecordJournal::aFailureStopsAppendingUntilARetry()
{
    // A journal that cannot be written (here: a folder stands where its file
    // goes) is told once; later changes are not appended, since after a gap
    // they would replay onto the wrong lines. A retry begins a whole journal.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recording.journal"));
    TRecordLines lines;
    TRecordJournal journal(path);
    apply({"L:>01/03/2024 08:00:00", "L:1;00:00:02; 25.03"}, lines, journal);
    QVERIFY(journal.isOpen());

    journal.remove(); // as saving does: the next change begins anew, and fails
    QVERIFY(QDir().mkdir(path));
    apply({"A:; 24.87"}, lines, journal);
    QVERIFY(journal.failed());
    const std::optional<QString> failure = journal.takeFailure();
    QVERIFY(failure);
    QVERIFY2(failure->contains(QDir::toNativeSeparators(path)), qPrintable(*failure));
    apply({"A:; 12.50", "L:1;00:00:04; 25.10"}, lines, journal);
    QVERIFY(!journal.takeFailure());

    QVERIFY(QDir().rmdir(path));
    apply({"A:; 24.90"}, lines, journal);
    QVERIFY(journal.failed()); // no retry yet
    journal.retry();
    apply({"A:; 12.75"}, lines, journal);
    QVERIFY(journal.isOpen());
    QCOMPARE(replayed(path), linesOf(lines));

    // A later failure is a new one, and told again.
    journal.remove();
    QVERIFY(QDir().mkdir(path));
    apply({"L:1;00:00:06; 25.20"}, lines, journal);
    QVERIFY(journal.takeFailure());
}

void TestRecordJournal::syncIsNeededOnlyAfterAppending()
{
    QTemporaryDir dir;
    TRecordLines lines;
    TRecordJournal journal(dir.filePath(QStringLiteral("recording.journal")));
    apply({"L:>01/03/2024 08:00:00"}, lines, journal);
    QVERIFY(!journal.needsSync()); // the bulk write is synced as it replaces
    apply({"L:1;00:00:02; 25.03", "A:; 24.87"}, lines, journal);
    QVERIFY(journal.needsSync());
    journal.sync();
    QVERIFY(!journal.needsSync());
    QVERIFY(!journal.takeFailure());
}

QTEST_GUILESS_MAIN(TestRecordJournal)
#include "tst_recordjournal.moc"
