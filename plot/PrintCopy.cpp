// Printing the plot and copying it to the clipboard.

#include "app/MainForm.h"

void TMainFrm::PrintActionExecute() {}
void TMainFrm::CopyActionExecute() {}
