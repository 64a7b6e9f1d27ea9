#pragma once

#include "app/Clock.h"
#include "app/Formats.h"
#include "app/Language.h"
#include "link/CircleBuf.h"
#include "link/Request.h"
#include "link/hid/HidTypes.h"
#include "record/RecordJournal.h"
#include "record/RecordLines.h"

#include "ui_MainForm.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPrinter>
#include <QSet>
#include <QString>
#include <QStringList>

#include <deque>
#include <list>
#include <memory>
#include <optional>

class Dialogs;
class HidPlatform;
class QAction;
class QActionGroup;
class QKeyEvent;
class QMenu;
class QTimer;
class THidDevice;
class THidDeviceController;
class TLineSeries;
class TPattern;
struct TRecordFileContent;
class TIniFile;
class TSettingsFrm;

// What the main window is given from outside: the HID platform (real hardware or
// the virtual bath), the dialog seam, and the paths of the settings file and of
// the recording journal.
struct TMainFrmSeams {
    HidPlatform* Platform = nullptr; // not owned; must outlive the window
    Dialogs* Dlg = nullptr;          // not owned; must outlive the window
    QString IniFileName;
    QString JournalFileName; // empty: DefaultJournalFileName(), in the user's data folder
};

// The program's one window. It owns every control, timer and component, and the
// members the other subsystems work on. Handlers keep the names of the forms and
// stay thin; each is defined in the .cpp of the folder it belongs to.
class TMainFrm : public QMainWindow, public Ui::TMainFrm {
    Q_OBJECT
public:
    explicit TMainFrm(const TMainFrmSeams& seams, QWidget* parent = nullptr);
    ~TMainFrm() override;

    // ---- Startup and lifecycle (app/MainForm.cpp) ----
    void FormCreate();
    // Asked before the window closes; false keeps it open (a failed save).
    bool FormCloseQuery();
    void FormClose();
    void FormResize();
    void TabsChange();
    void TabsChanging(bool& AllowChange);
    // Runs a handler; an exception that escapes it is shown in the exception box.
    template <class Handler>
    void RunHandler(Handler&& handler);
    void ShowException(std::exception_ptr error);

    // ---- Settings dialog (app/SettingsForm.cpp) ----
    void SettingsBtnClick();

    // ---- Language switching (app/LanguageSwitch.cpp) ----
    void OnLangChange();
    void StatusBarMouseDown(Qt::MouseButton Button, int X);
    void StatusBarClick();

    // ---- Bath protocol and request queue (link/Protocol.cpp) ----
    void AddRequest(int kind, const QByteArray& command);
    void SendRequest(const QByteArray& command);
    void SendAdapterSetup();
    void HidControllerDeviceData(THidDevice* HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size);
    void HidControllerDeviceDataError(THidDevice* HidDev, uint32_t Error);
    void TimeoutTimer();
    void ShowError(const QString& text);
    // Handles one response line as the answer to the request that was at the head.
    void DispatchResponse(const Request& head, const QString& line);

    // ---- Polling cycle and live readings (link/Polling.cpp) ----
    void DataTimerTimer();
    void ApplyPollTime();
    void TakeReading(const QString& text, int series);
    void ShowSetpoint(const QString& text);
    void ShowReadiness(const QString& text);
    void ShowAlarm(const QString& text);
    // The text stAlarm shows for an alarm field, in the active language.
    QString AlarmCaption(const QString& field) const;

    // ---- Adapter discovery and selection (link/Selection.cpp) ----
    void HidControllerArrival(THidDevice* HidDev);
    void HidControllerRemoval(THidDevice* HidDev);
    void DevPopupItemClick(QObject* Sender);
    void RebuildDevMenu();
    bool IsBathDevice(THidDevice* HidDev);
    bool IsAdapterDevice(THidDevice* HidDev);
    QString DeviceCaption(THidDevice* HidDev);
    void ShowBathSelected();
    void ShowBathNotSelected();
    // An invalid product pattern is reported once, naming it and PCRE2's reason.
    void ReportPatternError();
    // A selected bath without read/write access is reported once per device.
    void ReportNoAccess(THidDevice* device);

    // ---- Setpoint control (link/Setpoint.cpp) ----
    // The key filter of edSet: true when the character may be typed.
    static bool edSetKeyPress(QChar Key);
    void ChangeSetBtnClick();
    void ReadSetBtnClick();

    // ---- Console (link/Console.cpp) ----
    void EnableConsole(bool on);
    void AppendConsole(const QString& text);
    void WritePrompt();
    // Runs before edConsole handles the key; true cancels the key.
    bool edConsoleKeyDown(QKeyEvent* event);
    void ShowConsoleReply(const QString& reply);
    void PromptTimerTimer();
    // Start-up of the console: emptied, dark background, the prompt.
    void InitConsole();
    // Enter in the console: runs the input line ("clr", or a command for the bath).
    void RunConsoleLine();

    // ---- Recording and sample intake (record/Recording.cpp) ----
    void AddSample(TDateTime x, double value, int n);
    void StartRecordClock();
    void RecordBtnClick();
    void ClearBtnClick();
    // A start marker with RecStart at the end of the table.
    void AddStartMarker();

    // ---- Record files (record/RecordFileActions.cpp) ----
    // True when the record was written; false when the dialog was cancelled.
    // A failed write raises an EAppError with the file layer's message.
    bool SaveActionExecute();
    void OpenActionExecute();
    // Reads a record file completely while ProgressBar follows; the bar is
    // hidden again afterwards, also when the reading fails.
    TRecordFileContent ReadRecordFileShowingProgress(const QString& path);
    // The same for a record's text already in memory.
    TRecordFileContent ParseRecordShowingProgress(QByteArray bytes);
    // Replaces the record with what a reader gave: table, series, record
    // clock, time window. Modified is left to the caller.
    void LoadRecordContent(TRecordFileContent content);

    // ---- Recording journal (record/RecordJournalActions.cpp) ----
    // The table gained a line / its last line grew by text: the journal follows.
    void JournalLineAdded();
    void JournalLastLineExtended(QByteArrayView text);
    // Pushes the journal to the disk, once per burst of readings.
    void JournalSyncTimerTimer();
    // The record was saved, cleared or replaced: its journal is not needed.
    void DropJournal();
    // At start-up: a journal left by a run that did not end normally is
    // offered for restoring.
    void OfferJournalRestore();
    // A journal failure, once, in status panel 2.
    void ReportJournalFailure();

    // ---- Plot series and value axis (plot/ValueAxis.cpp) ----
    void CreatePlotSeries();
    void TrackBarChange();
    void cbYAutoClick();
    void FollowLatest();
    void ChartClick();
    // Start-up of the value axis: MaxY, the track bar from RAxis, the limits.
    void InitValueAxis(const TIniFile& ini);

    // ---- Time window and scrolling (plot/TimeWindow.cpp) ----
    void FrameBtnClick();
    void FramePopupItemClick(QAction* Sender);
    void cbXAutoClick();
    void ScrollBarChange();
    double MaxTime();
    double MinTime();
    void UpdateTimeLabels();
    void ClearRecordView();
    void WindowForNewRecord();
    void ShowLoadedRecord();
    // Start-up of the time window: FrameIndex from Frame, the window, the labels.
    void InitTimeWindow(const TIniFile& ini);

    // ---- Trace readout (plot/TraceReadout.cpp) ----
    void CatchBtnClick();
    void BuildCatchPopup();
    void ClearCatch();
    void CatchPopupItemClick(QAction* Sender);
    void SeriesClick(TLineSeries* Sender, int ValueIndex, Qt::MouseButton Button);

    // ---- Print and clipboard copy (plot/PrintCopy.cpp) ----
    void PrintActionExecute();
    void CopyActionExecute();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createComponents();
    void connectHandlers();
    // Copies caption, hint and picture of each action to its tool button. The
    // buttons are not bound to the actions, so that enabling an action never
    // re-enables a button the record state disabled.
    void syncToolButtons();

public:
    // ---- Components made in code (Qt Designer forms hold no timers or free menus) ----
    QTimer* DataTimer = nullptr;
    QTimer* Timeout = nullptr;
    QTimer* PromptTimer = nullptr;
    QTimer* JournalSyncTimer = nullptr;
    QMenu* DevPopup = nullptr;
    QMenu* FramePopup = nullptr;
    QMenu* CatchPopup = nullptr;
    QActionGroup* FrameGroup = nullptr;
    THidDeviceController* HidController = nullptr;
    TLangDispatcher LangDispatcher;
    TSettingsFrm* SettingsFrm = nullptr;

    // ---- Seams ----
    Dialogs& Dlg;
    HidPlatform& Platform;
    const QString IniFileName;

    // ---- Bath protocol (link/) ----
    std::deque<Request> RequestQueue;
    QByteArray LineBuffer;
    Report_buf ReportBuffer;
    QStringList ResponseFields;
    QStringList StatusTexts;

    // ---- Polling and readings (link/) ----
    QStringList AlarmTexts;
    // The alarm field last shown; none while no bath is selected.
    std::optional<QString> LastAlarmField;
    int32_t PollTime = 0;
    TFormatSettings ValueFormat;
    TFormatSettings DisplayFormat;

    // ---- Selection (link/) ----
    std::list<THidDevice*> DeviceList;
    THidDevice* SelectedDevice = nullptr;
    bool IsAdapter = false;
    std::unique_ptr<TPattern> AdapterPattern;
    std::unique_ptr<TPattern> ProductPattern;
    // Counts selection changes, so a handler can tell that the selection moved
    // while a modal box ran inside it.
    quint64 SelectionSerial = 0;
    QActionGroup* DevGroup = nullptr;
    bool PatternErrorReported = false;
    QSet<QString> NoAccessReported;

    // ---- Console (link/) ----
    Circle_buf History;

    // ---- Record (record/) ----
    bool Recording = false;
    bool Modified = false;
    TDateTime RecStart = 0;
    TDateTime TimeBase = 0;
    // Day 1 of the record: 00:00 of the first day of the month it started in.
    // TimeBase moves on after Stop/Record; the day numbers of the table, the
    // time axis and the readout count from here, past the month's end too.
    // Set when a new record starts and when a file is opened.
    TDateTime RecordOrigin = 0;
    // The table's lines; Memo shows them.
    TRecordLines RecordLines;
    // A copy of the table's changes on disk while recording, for a crash.
    TRecordJournal Journal;
    // A journal from an earlier run waits for the user's answer; until then
    // nothing may replace it.
    bool JournalRestorePending = false;

    // ---- Plot (plot/) ----
    double MaxY = 2000;
    double MinY = -2000;
    int32_t CatchSeries = 0;
    int32_t FrameIndex = 1;
    double FrameSpan = 0;
    double ViewMin = 0;
    double ViewMax = 0;
    int32_t ScrollPos = 100;
    // The time span of the scroll bar's full travel, taken when the thumb
    // leaves the newest data and held until it is back, so that a move and
    // its reverse cancel while data arrive.
    double ScrollSpan = 0;
    QActionGroup* CatchGroup = nullptr;
    // The printer of the Print action; it keeps the user's choices between prints.
    std::unique_ptr<QPrinter> Printer;

    // ---- Language (app/) ----
    bool English = true;
};

template <class Handler>
void TMainFrm::RunHandler(Handler&& handler)
{
    try {
        handler();
    } catch (...) {
        ShowException(std::current_exception());
    }
}

// Module-level constants of the main window.
namespace MainFormConst {
extern const char* const ScaleLabels[12];
extern const int ScaleDivisors[12];
extern const double FrameLengths[5];
inline constexpr const char* VendorWord = "orvelle";
extern const char* const LangTags[2];
inline constexpr int kDesignWidth = 970;
inline constexpr int kDesignHeight = 629;
inline constexpr int kDesignLeft = 240;
inline constexpr int kDesignTop = 328;
} // namespace MainFormConst
