// Saving the record to a file and opening one.

#include "app/MainForm.h"

bool TMainFrm::SaveActionExecute()
{
    return false;
}

void TMainFrm::OpenActionExecute() {}
