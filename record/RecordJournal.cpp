#include "record/RecordJournal.h"

#include "record/RecordLines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

constexpr char kHeader[] = "Quintara recording journal 1\n";
constexpr qsizetype kHeaderSize = qsizetype(sizeof(kHeader)) - 1;
// The tab, four hex digits and the line end after a record's text.
constexpr qsizetype kTailSize = 6;
// The bulk write of a long record goes out in pieces of this size.
constexpr qsizetype kChunkSize = qsizetype(1) << 20;

constexpr char kHexDigits[] = "0123456789abcdef";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Appends one record: kind, escaped text, tab, checksum, line end.
void appendRecord(QByteArray& out, char kind, QByteArrayView text)
{
    const qsizetype begin = out.size();
    out.append(kind);
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' && c != '\n')
            continue;
        out.append(text.sliced(from, i - from));
        out.append(c == '\\' ? "\\\\" : "\\n", 2);
        from = i + 1;
    }
    out.append(text.sliced(from));
    const quint16 crc = qChecksum(QByteArrayView(out.constData() + begin, out.size() - begin));
    const char tail[kTailSize] = {'\t', kHexDigits[(crc >> 12) & 15], kHexDigits[(crc >> 8) & 15],
                                  kHexDigits[(crc >> 4) & 15], kHexDigits[crc & 15], '\n'};
    out.append(tail, kTailSize);
}

// Appends escaped text unescaped; false on an escape this writer never makes.
bool appendUnescaped(QByteArray& out, QByteArrayView escaped)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\')
            continue;
        if (i + 1 >= escaped.size())
            return false;
        const char next = escaped[i + 1];
        if (next != '\\' && next != 'n')
            return false;
        out.append(escaped.sliced(from, i - from));
        out.append(next == 'n' ? '\n' : '\\');
        from = i + 2;
        ++i;
    }
    out.append(escaped.sliced(from));
    return true;
}

// Applies one record (without its line end) to the replay; false when it is
// not a whole, valid record.
bool applyRecord(QByteArrayView record, TJournalReplay& replay)
{
    if (record.size() < kTailSize)
        return false;
    const char kind = record[0];
    if (kind != 'L' && kind != 'A')
        return false;
    const QByteArrayView body = record.first(record.size() - (kTailSize - 1));
    const QByteArrayView tail = record.last(kTailSize - 1);
    if (tail[0] != '\t')
        return false;
    int crc = 0;
    for (int i = 1; i < kTailSize - 1; ++i) {
        const int digit = hexValue(tail[i]);
        if (digit < 0)
            return false;
        crc = crc * 16 + digit;
    }
    if (qChecksum(body) != crc)
        return false;

    QByteArray& buffer = replay.lineBuffer;
    const qsizetype rollback = buffer.size();
    if (kind == 'L')
        replay.lineStarts.push_back(buffer.size());
    else if (replay.lineStarts.empty())
        return true; // as in the table: text for a last line that is not there
    if (!appendUnescaped(buffer, body.sliced(1))) {
        buffer.truncate(rollback);
        if (kind == 'L')
            replay.lineStarts.pop_back();
        return false;
    }
    return true;
}

QString fileReason(const QString& reason, const QString& path)
{
    return QStringLiteral("%1 (%2)").arg(reason, QDir::toNativeSeparators(path));
}

} // namespace

QByteArrayView TJournalReplay::line(qsizetype index) const
{
    if (index < 0 || index >= lineCount())
        return {};
    const qsizetype begin = lineStarts[size_t(index)];
    const qsizetype end = index + 1 < lineCount() ? lineStarts[size_t(index) + 1] : lineBuffer.size();
    return QByteArrayView(lineBuffer.constData() + begin, end - begin);
}

QByteArray TJournalReplay::text() const
{
    QByteArray result;
    result.reserve(lineBuffer.size() + lineCount());
    for (qsizetype i = 0; i < lineCount(); ++i) {
        result.append(line(i));
        result.append('\n');
    }
    return result;
}

std::optional<QString> TJournalReplay::firstMarkerTime() const
{
    for (qsizetype i = 0; i < lineCount(); ++i) {
        const QByteArrayView text = line(i);
        if (text.startsWith('>'))
            return QString::fromUtf8(text.sliced(1));
    }
    return std::nullopt;
}

TRecordJournal::TRecordJournal(QString path) : path_(std::move(path)) {}

TRecordJournal::~TRecordJournal() = default;

bool TRecordJournal::exists() const
{
    return !path_.isEmpty() && QFileInfo::exists(path_);
}

QString TRecordJournal::lockPath(const QString& journalPath)
{
    return journalPath + QStringLiteral(".lock");
}

bool TRecordJournal::claim()
{
    if (lock_)
        return true;
    if (path_.isEmpty()) {
        claimError_ = QCoreApplication::translate("Journal", "the system names no folder for the program's data");
        return false;
    }
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        claimError_ = QCoreApplication::translate("Journal", "the folder %1 cannot be made").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    auto lock = std::make_unique<QLockFile>(lockPath(path_));
    // Held for as long as the program runs: only a dead owner makes it stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        claimError_ = lock->error() == QLockFile::LockFailedError
                          ? QCoreApplication::translate("Journal", "another running Quintara keeps its journal there")
                          : fileReason(QCoreApplication::translate("Journal", "no permission to write in the folder"), folder);
        return false;
    }
    lock_ = std::move(lock);
    return true;
}

void TRecordJournal::lineAdded(const TRecordLines& lines)
{
    if (state_ == State::Open)
        append('L', lines.lineUtf8(lines.count() - 1));
    else if (state_ == State::Idle)
        begin(lines);
}

void TRecordJournal::lastLineExtended(const TRecordLines& lines, QByteArrayView text)
{
    if (lines.isEmpty())
        return;
    if (state_ == State::Open)
        append('A', text);
    else if (state_ == State::Idle)
        begin(lines);
}

bool TRecordJournal::begin(const TRecordLines& lines)
{
    if (state_ == State::Retired)
        return false;
    file_.close();
    if (!claim()) {
        fail(claimError_);
        return false;
    }
    // Written beside the journal and renamed over it once synced: the journal
    // that is there stays whole until the new one can take its place.
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly)) {
        fail(fileReason(out.errorString(), path_));
        return false;
    }
    QByteArray chunk;
    chunk.reserve(kChunkSize + 4096);
    chunk.append(kHeader, kHeaderSize);
    bool written = true;
    for (qsizetype i = 0; i < lines.count() && written; ++i) {
        appendRecord(chunk, 'L', lines.lineUtf8(i));
        if (chunk.size() >= kChunkSize) {
            written = out.write(chunk) == chunk.size();
            chunk.resize(0);
        }
    }
    if (written)
        written = out.write(chunk) == chunk.size();
    if (!written || !out.commit()) {
        const QString reason = out.errorString();
        out.cancelWriting();
        fail(fileReason(reason, path_));
        return false;
    }
    file_.setFileName(path_);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        fail(fileReason(file_.errorString(), path_));
        return false;
    }
    state_ = State::Open;
    unsynced_ = false;
    failure_.reset();
    failureReported_ = false;
    return true;
}

bool TRecordJournal::append(char kind, QByteArrayView text)
{
    QByteArray record;
    record.reserve(text.size() + 16);
    appendRecord(record, kind, text);
    // Unbuffered: one write() per record, so it is with the OS when this returns.
    if (file_.write(record) != record.size()) {
        fail(fileReason(file_.errorString(), path_));
        return false;
    }
    unsynced_ = true;
    return true;
}

void TRecordJournal::sync()
{
    if (state_ != State::Open || !unsynced_)
        return;
    unsynced_ = false;
    if (::fdatasync(file_.handle()) != 0)
        fail(fileReason(QString::fromLocal8Bit(std::strerror(errno)), path_));
}

void TRecordJournal::remove()
{
    file_.close();
    unsynced_ = false;
    if (state_ != State::Retired)
        state_ = State::Idle;
    // A journal another running program holds is not ours to delete.
    if (claimed())
        QFile::remove(path_);
}

void TRecordJournal::retire()
{
    remove();
    state_ = State::Retired;
}

void TRecordJournal::retry()
{
    if (state_ == State::Failed)
        state_ = State::Idle;
}

void TRecordJournal::fail(const QString& reason)
{
    file_.close();
    unsynced_ = false;
    state_ = State::Failed;
    if (!failure_)
        failure_ = reason;
}

std::optional<QString> TRecordJournal::takeFailure()
{
    if (!failure_ || failureReported_)
        return std::nullopt;
    failureReported_ = true;
    return failure_;
}

std::optional<TJournalReplay> TRecordJournal::read(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = fileReason(file.errorString(), path);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    TJournalReplay replay;
    if (!bytes.startsWith(QByteArrayView(kHeader, kHeaderSize))) {
        replay.complete = false;
        return replay;
    }
    replay.lineBuffer.reserve(bytes.size());
    const char* data = bytes.constData();
    qsizetype pos = kHeaderSize;
    while (pos < bytes.size()) {
        const void* lineEnd = std::memchr(data + pos, '\n', size_t(bytes.size() - pos));
        if (!lineEnd) {
            replay.complete = false;
            break;
        }
        const qsizetype end = static_cast<const char*>(lineEnd) - data;
        if (!applyRecord(QByteArrayView(data + pos, end - pos), replay)) {
            replay.complete = false;
            break;
        }
        pos = end + 1;
    }
    replay.lineBuffer.squeeze();
    return replay;
}

QString DefaultJournalFileName()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/recording.journal");
}
