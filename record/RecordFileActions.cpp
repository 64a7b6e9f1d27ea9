// Saving the record to a file and opening one.

#include "app/Astr.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "record/RecordFile.h"

#include <QLayout>
#include <QProgressBar>
#include <QScopeGuard>

#include <algorithm>
#include <limits>

bool TMainFrm::SaveActionExecute()
{
    const TRecordFileDialogTexts texts = RecordFileDialogTexts();
    const QString path = Dlg.getSaveFileName(this, texts.saveTitle, texts.filter, texts.defaultSuffix);
    if (path.isEmpty())
        return false;
    WriteRecordFile(path, RecordLines); // raises with the file layer's message
    Modified = false;
    DropJournal();
    return true;
}

void TMainFrm::OpenActionExecute()
{
    if (Modified && !Dlg.askYesNo(this, IdsText(27), Dialogs::Icon::Question))
        return;
    const TRecordFileDialogTexts texts = RecordFileDialogTexts();
    const QString path = Dlg.getOpenFileName(this, texts.openTitle, texts.filter);
    if (path.isEmpty())
        return;

    // The whole file is read before the record is touched: a file that cannot
    // be read leaves the record as it was.
    LoadRecordContent(ReadRecordFileShowingProgress(path));
    Modified = false;
    DropJournal();
}

void TMainFrm::LoadRecordContent(TRecordFileContent content)
{
    if (content.previousVersion)
        Dlg.showInformation(this, IdsText(33));
    ClearRecordView();
    RecordLines.assign(std::move(content.lineBuffer), std::move(content.lineStarts));
    for (int s = 0; s < kRecordSeriesCount; ++s) {
        TSeriesPoints& points = content.series[size_t(s)];
        Chart->Series(s)->AssignPoints(std::move(points.x), std::move(points.y));
    }
    if (content.recStart)
        RecStart = *content.recStart;
    if (content.timeBase) {
        TimeBase = *content.timeBase;
        RecordOrigin = TimeBase;
    }
    ShowLoadedRecord();
}

namespace {

// Keeps ProgressBar with a reader: shown at the first report, advanced at the
// next ones.
TRecordReadProgress FollowingBar(QProgressBar* bar)
{
    return [bar](qsizetype line, qsizetype lineCount) {
        const int maximum = int(std::min<qsizetype>(lineCount - 1, std::numeric_limits<int>::max()));
        if (bar->isHidden() || bar->maximum() != maximum) {
            bar->setRange(0, maximum);
            bar->show();
            // Placed at once: the bar repaints itself as it advances, before
            // the event loop would lay the tool bar out again.
            if (QLayout* layout = bar->parentWidget()->layout())
                layout->activate();
        }
        bar->setValue(int(std::min<qsizetype>(line, maximum)));
    };
}

} // namespace

TRecordFileContent TMainFrm::ReadRecordFileShowingProgress(const QString& path)
{
    const auto hide = qScopeGuard([this] { ProgressBar->hide(); });
    return ReadRecordFile(path, DisplayFormat, FollowingBar(ProgressBar));
}

TRecordFileContent TMainFrm::ParseRecordShowingProgress(QByteArray bytes)
{
    const auto hide = qScopeGuard([this] { ProgressBar->hide(); });
    return ParseRecordBytes(std::move(bytes), DisplayFormat, FollowingBar(ProgressBar));
}
