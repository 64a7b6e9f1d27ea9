#pragma once

// The recording journal: while a recording runs, every change to the table is
// also appended to a file in the user's data folder, so that a record of days
// survives a crash, a kill or a power cut. Only a run that did not end
// normally leaves the file behind; the next start offers to restore it.
//
// The file is text. A first line names it; then one record per line:
//
//     Quintara recording journal 1
//     L>10/12/2026 17:13:06<TAB>3f0c        a new last line of the table
//     L1;00:00:02; 25.03<TAB>9a41           another one
//     A; 24.87<TAB>0be2                     text appended to the last line
//
// A record is its kind ("L" or "A"), the text with "\" and the line end
// escaped ("\\", "\n"), a tab and the CRC-16 of everything before the tab in
// four hex digits. Reading stops at the first record that is not whole or
// whose checksum fails: a torn last write cannot add a broken row, and an
// appended value can never land on the wrong line.

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QLockFile;
class TRecordLines;

// What a journal file replays to: the table's lines, as TRecordLines::assign
// takes them.
struct TJournalReplay {
    QByteArray lineBuffer;
    std::vector<qsizetype> lineStarts;
    // False when bytes at the end were not a whole, valid record (or the file
    // is not a journal at all) and were left out.
    bool complete = true;

    qsizetype lineCount() const { return qsizetype(lineStarts.size()); }
    QByteArrayView line(qsizetype index) const;
    // The lines, each followed by "\n": the text of a record file.
    QByteArray text() const;
    // The time of the first start marker as it stands after its ">"; nothing
    // when no line is a marker.
    std::optional<QString> firstMarkerTime() const;
};

class TRecordJournal {
public:
    explicit TRecordJournal(QString path);
    ~TRecordJournal();
    TRecordJournal(const TRecordJournal&) = delete;
    TRecordJournal& operator=(const TRecordJournal&) = delete;

    const QString& path() const { return path_; }
    // Whether a journal file is on disk.
    bool exists() const;

    // Makes the folder and takes the journal for this process with a lock
    // file beside it, so that a second running program neither writes into
    // nor offers to restore a journal that is alive. A lock left by a process
    // that has died is taken over. True when held.
    bool claim();
    bool claimed() const { return lock_ != nullptr; }

    // The table gained a line at its end / text at the end of its last line.
    // An open journal appends a record; a journal that is not open begins
    // with all of the table's lines, the new one among them.
    void lineAdded(const TRecordLines& lines);
    void lastLineExtended(const TRecordLines& lines, QByteArrayView text);

    // Starts the journal over with the table's lines, written in one go and
    // synced before it replaces an earlier journal.
    bool begin(const TRecordLines& lines);
    // Whether records are being appended.
    bool isOpen() const { return state_ == State::Open; }
    // Appended records reach the OS at once (they survive a kill); this
    // pushes them on to the disk, so they survive a power cut too.
    bool needsSync() const { return unsynced_; }
    void sync();

    // Deletes the journal file; the next change begins a new one.
    void remove();
    // Deletes the journal file and ends journaling for good (the program
    // closes normally).
    void retire();
    // After a failure nothing more is appended: a gap would make what follows
    // replay onto the wrong lines. A retry begins the journal anew.
    bool failed() const { return state_ == State::Failed; }
    void retry();

    // The reason of a failure, the first time it is asked after the failure;
    // nothing more until a journal has been begun again successfully, so the
    // user is told once however many writes fail meanwhile.
    std::optional<QString> takeFailure();

    // Reads a journal file. A file that cannot be opened gives nothing and
    // the reason in error.
    static std::optional<TJournalReplay> read(const QString& path, QString* error = nullptr);

    // The name of the lock file that guards a journal.
    static QString lockPath(const QString& journalPath);

private:
    enum class State { Idle, Open, Failed, Retired };

    bool append(char kind, QByteArrayView text);
    void fail(const QString& reason);

    QString path_;
    QFile file_;
    std::unique_ptr<QLockFile> lock_;
    State state_ = State::Idle;
    bool unsynced_ = false;
    QString claimError_;
    std::optional<QString> failure_;
    bool failureReported_ = false;
};

// Where the journal lives: the user's data folder (never next to the
// executable, where the program may not write). Empty when the system gives
// no data folder.
QString DefaultJournalFileName();
