// Reading and changing the bath's setpoint.

#include "app/MainForm.h"

bool TMainFrm::edSetKeyPress(QChar)
{
    return true;
}

void TMainFrm::ChangeSetBtnClick() {}

void TMainFrm::ReadSetBtnClick() {}
