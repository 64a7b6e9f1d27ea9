// The tracked series and the click readout.

#include "app/Astr.h"
#include "app/MainForm.h"
#include "record/RecordTime.h"

#include <QActionGroup>
#include <QCursor>
#include <QMenu>

void TMainFrm::CatchBtnClick()
{
    CatchPopup->popup(QCursor::pos());
}

void TMainFrm::BuildCatchPopup()
{
    CatchPopup->clear(); // deletes the old items, which leave the group
    if (!CatchGroup) {
        CatchGroup = new QActionGroup(this);
        CatchGroup->setExclusive(true);
    }
    auto addItem = [this](const QString& caption, int tag) {
        QAction* item = CatchPopup->addAction(caption);
        item->setCheckable(true);
        item->setData(tag);
        CatchGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { RunHandler([&] { CatchPopupItemClick(item); }); });
        return item;
    };
    addItem(IdsText(6), 0)->setChecked(true);
    for (int i = 0; i < Chart->SeriesCount(); ++i) {
        QString caption = i < 3 ? IdsText(30 + i) : QString();
        if (caption.isEmpty())
            caption = IdsText(7);
        QAction* item = addItem(caption, i + 1);
        if (i + 1 == CatchSeries) {
            item->setChecked(true);
            CatchPnl->setText(caption);
        }
    }
}

void TMainFrm::ClearCatch()
{
    CatchSeries = 0;
    CatchPnl->setText(IdsText(6));
}

void TMainFrm::CatchPopupItemClick(QAction* Sender)
{
    Sender->setChecked(true);
    CatchSeries = Sender->data().toInt();
    if (CatchSeries > 0) {
        CatchPnl->setText(Sender->text());
        FollowLatest();
    } else {
        CatchPnl->setText(IdsText(6));
    }
}

void TMainFrm::SeriesClick(TLineSeries* Sender, int ValueIndex, Qt::MouseButton Button)
{
    QString text;
    if (Button == Qt::LeftButton && Sender && ValueIndex >= 0 && ValueIndex < Sender->Count()) {
        text = QStringLiteral("X = ")
               + FormatRecordTime(Sender->XValue(ValueIndex), RecordOrigin, kReadoutTimePattern,
                                  DisplayFormat.TimeSeparator)
               + QStringLiteral(", Y = ") + FormatGeneral8(Sender->YValue(ValueIndex), DisplayFormat);
    }
    StatusBar->setPanelText(2, text);
}
