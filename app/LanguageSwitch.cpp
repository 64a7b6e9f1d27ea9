// Switching the interface between English and Russian.

#include "app/Astr.h"
#include "app/MainForm.h"
#include "app/SettingsForm.h"
#include "link/hid/HidDevice.h"

void TMainFrm::OnLangChange()
{
    // 1. The language, and every caption, hint and title of both windows, at once.
    LangDispatcher.SetActiveLanguage(English ? TLangDispatcher::kEnglish : TLangDispatcher::kRussian);
    retranslateUi(this);
    syncToolButtons();
    if (SettingsFrm)
        SettingsFrm->Retranslate();
    // Captions that show state keep showing it, in the new language.
    RecordBtn->setText(IdsText(Recording ? 3 : 2));
    stYScale->setText(QLatin1String(MainFormConst::ScaleLabels[std::clamp(TrackBar->value(), 0, 11)]));

    // 2. The state texts.
    StatusTexts = QStringList{QString()};
    for (int id = 13; id <= 18; ++id)
        StatusTexts << IdsText(id);
    AlarmTexts.clear();
    for (int id = 21; id <= 26; ++id)
        AlarmTexts << IdsText(id);
    stAlarm->setText(LastAlarmField ? AlarmCaption(*LastAlarmField) : QString());

    // 3.-5. The status bar.
    StatusBar->setPanelText(0, SelectedDevice ? IdsText(0) + DeviceCaption(SelectedDevice) : IdsText(1));
    StatusBar->setPanelText(1, QString());
    StatusBar->setPanelText(2, QString());
    StatusBar->setPanelText(3, QLatin1String(MainFormConst::LangTags[English ? 1 : 0]));

    // 6.-7. The chart's hint and the trace menu.
    Chart->setToolTip(IdsText(9));
    BuildCatchPopup();
}

void TMainFrm::StatusBarMouseDown(Qt::MouseButton Button, int X)
{
    if (Button == Qt::LeftButton)
        StatusBar->Tag = X;
}

void TMainFrm::StatusBarClick()
{
    if (StatusBar->Tag >= StatusBar->width() - 50) {
        English = !English;
        OnLangChange();
    }
}
