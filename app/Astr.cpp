#include "app/Astr.h"

#include <QCoreApplication>

namespace {

struct Entry {
    const char* text;
    const char* id;
};

// QT_TRANSLATE_NOOP3 lets lupdate find every text with its id.
constexpr Entry kTable[kIdsCount] = {
    QT_TRANSLATE_NOOP3("Astr", "Bath: ", "IDS_0"),
    QT_TRANSLATE_NOOP3("Astr", "Bath: not selected", "IDS_1"),
    QT_TRANSLATE_NOOP3("Astr", "Record", "IDS_2"),
    QT_TRANSLATE_NOOP3("Astr", "Stop", "IDS_3"),
    QT_TRANSLATE_NOOP3("Astr", " ", "IDS_4"),
    QT_TRANSLATE_NOOP3("Astr", "All measured data will be deleted. Proceed?", "IDS_5"),
    QT_TRANSLATE_NOOP3("Astr", "Nope", "IDS_6"),
    QT_TRANSLATE_NOOP3("Astr", "Void", "IDS_7"),
    QT_TRANSLATE_NOOP3("Astr", "Tracking:", "IDS_8"),
    QT_TRANSLATE_NOOP3("Astr", "Click on the graph line to get coordinates", "IDS_9"),
    QT_TRANSLATE_NOOP3("Astr", "Unexpected response", "IDS_10"),
    QT_TRANSLATE_NOOP3("Astr", "Invalid request. Status code", "IDS_11"),
    QT_TRANSLATE_NOOP3("Astr", "Setpoint value is not a number", "IDS_12"),
    QT_TRANSLATE_NOOP3("Astr", ": invalid request format", "IDS_13"),
    QT_TRANSLATE_NOOP3("Astr", ": invalid value format", "IDS_14"),
    QT_TRANSLATE_NOOP3("Astr", ": unknown addressee", "IDS_15"),
    QT_TRANSLATE_NOOP3("Astr", ": unknown command", "IDS_16"),
    QT_TRANSLATE_NOOP3("Astr", ": value out of range", "IDS_17"),
    QT_TRANSLATE_NOOP3("Astr", ": command not available in \"OFF\" state", "IDS_18"),
    QT_TRANSLATE_NOOP3("Astr", "Bath is off", "IDS_19"),
    QT_TRANSLATE_NOOP3("Astr", "no alarm", "IDS_20"),
    QT_TRANSLATE_NOOP3("Astr", "overheat", "IDS_21"),
    QT_TRANSLATE_NOOP3("Astr", "low level", "IDS_22"),
    QT_TRANSLATE_NOOP3("Astr", "pump", "IDS_23"),
    QT_TRANSLATE_NOOP3("Astr", "heater", "IDS_24"),
    QT_TRANSLATE_NOOP3("Astr", "ADC", "IDS_25"),
    QT_TRANSLATE_NOOP3("Astr", "sensor", "IDS_26"),
    QT_TRANSLATE_NOOP3("Astr", "Unsaved data will be lost. Open the file anyway?", "IDS_27"),
    QT_TRANSLATE_NOOP3("Astr", "Data was modified. Save changes?", "IDS_28"),
    QT_TRANSLATE_NOOP3("Astr", " (adapter)", "IDS_29"),
    QT_TRANSLATE_NOOP3("Astr", "T(int)", "IDS_30"),
    QT_TRANSLATE_NOOP3("Astr", "T(ext)", "IDS_31"),
    QT_TRANSLATE_NOOP3("Astr", "Power", "IDS_32"),
    QT_TRANSLATE_NOOP3("Astr", "The previous version of the file will be loaded", "IDS_33"),
};

} // namespace

QString IdsText(int n)
{
    if (n < 0 || n >= kIdsCount)
        n = 0;
    const Entry& entry = kTable[n];
    return QCoreApplication::translate("Astr", entry.text, entry.id);
}

const char* IdsSourceText(int n)
{
    if (n < 0 || n >= kIdsCount)
        n = 0;
    return kTable[n].text;
}
