// Printing the plot and copying it to the clipboard.

#include "app/Dialogs.h"
#include "app/Errors.h"
#include "app/MainForm.h"

#include <QCoreApplication>

void TMainFrm::PrintActionExecute()
{
    if (!Printer)
        Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!Dlg.execPrintDialog(this, *Printer))
        return;
    // A printer that cannot start a job would otherwise print nothing, silently.
    if (Chart->PrintLandscape(*Printer).isEmpty())
        throw EAppError(QCoreApplication::translate("TMainFrm", "Unable to print on %1")
                            .arg(Printer->outputFileName().isEmpty() ? Printer->printerName()
                                                                     : Printer->outputFileName()));
}

void TMainFrm::CopyActionExecute()
{
    Chart->CopyToClipboard();
}
