#include "app/SettingsForm.h"

#include "app/Dialogs.h"
#include "app/KeyFilter.h"
#include "app/MainForm.h"

#include <QKeyEvent>

TSettingsFrm::TSettingsFrm(TMainFrm* mainFrm) : QDialog(mainFrm), mainFrm_(mainFrm)
{
    setObjectName(QStringLiteral("SettingsFrm"));
    setupUi(this);
    // Only the close box in the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(13);
    setFont(tahoma);
    setFixedSize(size());
    edPollingTime->installEventFilter(this);
    connect(OkBtn, &QPushButton::clicked, this, [this] { OkBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TSettingsFrm::FormActivate()
{
    edPollingTime->setText(QString::number(mainFrm_->PollTime));
}

bool TSettingsFrm::edPollingTimeKeyPress(QChar Key)
{
    return Key == QChar(8) || (Key >= u'0' && Key <= u'9');
}

int32_t TSettingsFrm::PollTimeFromText(const QString& text)
{
    qint64 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') {
            value = 0; // letters pasted from the context menu
            break;
        }
        value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), 1'000'000'000LL);
    }
    return int32_t(std::clamp<qint64>(value, 2000, 60000));
}

void TSettingsFrm::OkBtnClick()
{
    mainFrm_->PollTime = PollTimeFromText(edPollingTime->text());
    accept();
}

void TSettingsFrm::Retranslate()
{
    retranslateUi(this);
}

void TSettingsFrm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

bool TSettingsFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edPollingTime && event->type() == QEvent::KeyPress) {
        QChar typed;
        if (TypedCharacter(*static_cast<QKeyEvent*>(event), typed) && !edPollingTimeKeyPress(typed))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TSettingsFrm::changeEvent(QEvent* event)
{
    // Retranslated by the language switch itself, like the main window.
    if (event->type() == QEvent::LanguageChange)
        return;
    QDialog::changeEvent(event);
}

void TMainFrm::SettingsBtnClick()
{
    if (Dlg.execDialog(*SettingsFrm) == QDialog::Accepted)
        ApplyPollTime();
}
