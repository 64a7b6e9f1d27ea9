// The window's side of the recording journal: keeping it in step with the
// table, dropping it when the record is safe, and offering a journal left by a
// run that did not end normally.

#include "app/Dialogs.h"
#include "app/Errors.h"
#include "app/MainForm.h"
#include "record/RecordFile.h"
#include "record/RecordTime.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

void TMainFrm::JournalLineAdded()
{
    if (JournalRestorePending)
        return;
    Journal.lineAdded(RecordLines);
    if (Journal.needsSync() && !JournalSyncTimer->isActive())
        JournalSyncTimer->start();
    ReportJournalFailure();
}

void TMainFrm::JournalLastLineExtended(QByteArrayView text)
{
    if (JournalRestorePending)
        return;
    Journal.lastLineExtended(RecordLines, text);
    if (Journal.needsSync() && !JournalSyncTimer->isActive())
        JournalSyncTimer->start();
    ReportJournalFailure();
}

void TMainFrm::JournalSyncTimerTimer()
{
    JournalSyncTimer->stop();
    Journal.sync();
    ReportJournalFailure();
}

void TMainFrm::DropJournal()
{
    JournalSyncTimer->stop();
    Journal.remove();
}

void TMainFrm::ReportJournalFailure()
{
    if (const std::optional<QString> reason = Journal.takeFailure())
        StatusBar->setPanelText(
            2, QCoreApplication::translate("Journal", "Recording journal cannot be written: %1").arg(*reason));
}

void TMainFrm::OfferJournalRestore()
{
    if (!JournalRestorePending)
        return;
    JournalRestorePending = false;

    QString error;
    std::optional<TJournalReplay> replay = TRecordJournal::read(Journal.path(), &error);
    if (!replay)
        throw EAppError(QCoreApplication::translate("Journal", "Recording journal cannot be read: %1").arg(error));
    if (replay->lineCount() == 0) {
        // Nothing in it to restore.
        Journal.remove();
        return;
    }
    // A journal always starts with its record's lines, which normally begin
    // with a start marker; without one, the time the journal was last written.
    const QString when = replay->firstMarkerTime().value_or(
        FormatStartMarker(DateTimeFromQt(QFileInfo(Journal.path()).lastModified()), DisplayFormat).mid(1));
    const QString question =
        QCoreApplication::translate("Journal", "A recording from %1 was not saved. Restore it?").arg(when);
    if (!Dlg.askYesNo(this, question, Dialogs::Icon::Question)) {
        Journal.remove();
        return;
    }

    // Read as a saved file of this record would be.
    LoadRecordContent(ParseRecordShowingProgress(replay->text()));
    Modified = true;
    // The restored record is unsaved again: journaled anew at once, so that a
    // second crash before saving loses nothing either.
    Journal.begin(RecordLines);
    ReportJournalFailure();
}
