// The console page: raw bath commands and their replies.

#include "app/MainForm.h"

void TMainFrm::EnableConsole(bool) {}
void TMainFrm::AppendConsole(const QString&) {}
void TMainFrm::WritePrompt() {}
bool TMainFrm::edConsoleKeyDown(QKeyEvent*)
{
    return false;
}
void TMainFrm::ShowConsoleReply(const QString&) {}
void TMainFrm::PromptTimerTimer() {}
void TMainFrm::InitConsole() {}
