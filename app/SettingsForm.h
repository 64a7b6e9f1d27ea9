#pragma once

#include "ui_SettingsForm.h"

#include <QDialog>

class TMainFrm;

// The settings dialog: edits the poll period of the main window. It keeps no
// value of its own; every showing fills the field from the main window.
class TSettingsFrm : public QDialog, public Ui::TSettingsFrm {
    Q_OBJECT
public:
    explicit TSettingsFrm(TMainFrm* mainFrm);

    // Fills the field with the main window's current period.
    void FormActivate();
    // The key filter of the field: true when the character may be typed.
    static bool edPollingTimeKeyPress(QChar Key);
    // Takes the edited period, brought into 2000..60000, over into the main window.
    void OkBtnClick();

    // The field's text as a period: empty reads as 0, text that is no number or
    // does not fit reads as 0 or saturates; the result lies in 2000..60000.
    static int32_t PollTimeFromText(const QString& text);

    // Applies the active language to the dialog's texts.
    void Retranslate();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TMainFrm* mainFrm_;
};
