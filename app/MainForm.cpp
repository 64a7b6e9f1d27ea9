// The main window's construction, start-up, closing and frame handlers.

#include "app/MainForm.h"

#include "app/Astr.h"
#include "app/Dialogs.h"
#include "app/Errors.h"
#include "app/Helper.h"
#include "app/IniFile.h"
#include "app/KeyFilter.h"
#include "app/SettingsForm.h"
#include "link/DevicePattern.h"
#include "link/hid/HidDeviceController.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

namespace MainFormConst {
const char* const ScaleLabels[12] = {"1000", "200",  "50",    "10",     "2",      "0.5",
                                     "0.1",  "0.02", "0.005", "0.001", "0.0001", "0.00001"};
const int ScaleDivisors[12] = {1,     5,      20,      100,     500,      2000,
                               10000, 50000, 200000, 1000000, 10000000, 100000000};
const double FrameLengths[5] = {5.0 / 1440, 15.0 / 1440, 30.0 / 1440, 1.0 / 24, 1.0 / 12};
const char* const LangTags[2] = {" ENG", "  RUS"};
} // namespace MainFormConst

namespace {

const QString kDefaultProductPattern = QStringLiteral("kelmora|thermostat|(usb.{0,}adapter)");

QFont namedFont(const QString& family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QIcon icon(const char* name)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

} // namespace

TMainFrm::TMainFrm(const TMainFrmSeams& seams, QWidget* parent)
    : QMainWindow(parent), Dlg(*seams.Dlg), Platform(*seams.Platform), IniFileName(seams.IniFileName),
      Journal(seams.JournalFileName.isEmpty() ? DefaultJournalFileName() : seams.JournalFileName)
{
    // Stage 1: the controls and components of the form. The object keeps the
    // name of the window instance: its placement lives in the section MainFrm.
    setObjectName(QStringLiteral("MainFrm"));
    setupUi(this);
    // The design placement (the form file gives only the size); the settings
    // file's placement replaces it in FormCreate.
    resize(MainFormConst::kDesignWidth, MainFormConst::kDesignHeight);
    move(MainFormConst::kDesignLeft, MainFormConst::kDesignTop);
    createComponents();
    connectHandlers();

    // Stage 2: the members.
    ValueFormat = MakeValueFormat();
    DisplayFormat = MakeDisplayFormat();
    StatusTexts = QStringList{QString()};
    for (int id = 13; id <= 18; ++id)
        StatusTexts << IdsText(id);
    for (int id = 21; id <= 26; ++id)
        AlarmTexts << IdsText(id);
    RecStart = Now();
    TimeBase = StartOfMonth(RecStart);

    // Stage 3.
    FormCreate();

    SettingsFrm = new TSettingsFrm(this);

    // A journal that another running program holds is alive, not left over.
    JournalRestorePending = Journal.claim() && Journal.exists();
    if (JournalRestorePending) {
        // Asked once the event loop runs, after the window's own start-up, so
        // the question stands over the window.
        QMetaObject::invokeMethod(
            this, [this] { RunHandler([this] { OfferJournalRestore(); }); }, Qt::QueuedConnection);
    }
}

TMainFrm::~TMainFrm()
{
    // End all device reading before the members its handlers use are released.
    delete HidController;
    HidController = nullptr;
    SelectedDevice = nullptr;
    DeviceList.clear();
}

void TMainFrm::createComponents()
{
    setWindowIcon(icon("quintara"));
    setFont(namedFont(QStringLiteral("Tahoma"), 12, false));

    DataTimer = new QTimer(this);
    DataTimer->setObjectName(QStringLiteral("DataTimer"));
    DataTimer->setInterval(2000);
    Timeout = new QTimer(this);
    Timeout->setObjectName(QStringLiteral("Timeout"));
    Timeout->setInterval(1500);
    PromptTimer = new QTimer(this);
    PromptTimer->setObjectName(QStringLiteral("PromptTimer"));
    PromptTimer->setInterval(250);
    // The readings of one poll cycle come within a few milliseconds; the
    // journal is synced once after them, well before the next cycle.
    JournalSyncTimer = new QTimer(this);
    JournalSyncTimer->setObjectName(QStringLiteral("JournalSyncTimer"));
    JournalSyncTimer->setSingleShot(true);
    JournalSyncTimer->setInterval(100);

    DevPopup = new QMenu(this);
    DevPopup->setObjectName(QStringLiteral("DevPopup"));
    AdaptersBtn->setMenu(DevPopup);

    FramePopup = new QMenu(this);
    FramePopup->setObjectName(QStringLiteral("FramePopup"));
    FrameGroup = new QActionGroup(this);
    FrameGroup->setExclusive(true);
    for (QAction* item : {FramePopupItem, N151, N301, N11, N21}) {
        FrameGroup->addAction(item);
        FramePopup->addAction(item);
    }
    FramePopupItem->setChecked(true);

    CatchPopup = new QMenu(this);
    CatchPopup->setObjectName(QStringLiteral("CatchPopup"));

    // Tool bar: captions under 32 x 32 pictures.
    const std::pair<QToolButton*, const char*> toolButtons[] = {
        {OpenGraphBtn, "open"}, {SaveGraphBtn, "save"},         {PrintBtn, "print"},
        {CopyBtn, "copy"},      {SettingsBtn, "settings"},      {AdaptersBtn, "bath"}};
    for (const auto& [button, picture] : toolButtons) {
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(32, 32));
        button->setAutoRaise(true);
        button->setIcon(icon(picture));
    }
    OpenAction->setIcon(icon("open"));
    SaveAction->setIcon(icon("save"));
    PrintAction->setIcon(icon("print"));
    CopyAction->setIcon(icon("copy"));
    // The shortcuts work wherever the window has the focus, also while the
    // buttons are disabled during a recording.
    addActions({OpenAction, SaveAction, PrintAction, CopyAction});
    syncToolButtons();

    // Side buttons: captions under 24 x 24 pictures.
    const std::pair<QToolButton*, const char*> sideButtons[] = {
        {RecordBtn, "record"}, {ClearBtn, "clear"}, {CatchBtn, "trace"}, {FrameBtn, "frame"}};
    for (const auto& [button, picture] : sideButtons) {
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(24, 24));
        button->setIcon(icon(picture));
    }

    const QFont bigBold = namedFont(QStringLiteral("Tahoma"), 24, true);
    stTemp->setFont(bigBold);
    edSet->setFont(bigBold);
    stYScale->setFont(namedFont(QStringLiteral("Tahoma"), 12, true));
    Memo->setFont(namedFont(QStringLiteral("Courier New"), 13, true));
    Memo->setLines(&RecordLines);
    edConsole->setFont(namedFont(QStringLiteral("Courier New"), 21, true));

    StatusBar->setPanelWidth(0, 200);
    StatusBar->setPanelWidth(1, 350);
    StatusBar->setPanelWidth(3, 50);

    HidController = new THidDeviceController(Platform, this);
    HidController->setObjectName(QStringLiteral("HidController"));
}

void TMainFrm::syncToolButtons()
{
    const std::pair<QToolButton*, QAction*> bound[] = {
        {OpenGraphBtn, OpenAction}, {SaveGraphBtn, SaveAction}, {PrintBtn, PrintAction}, {CopyBtn, CopyAction}};
    for (const auto& [button, action] : bound) {
        button->setText(action->text());
        button->setToolTip(action->toolTip());
    }
}

void TMainFrm::connectHandlers()
{
    auto on = [this](auto* sender, auto signal, auto handler) {
        connect(sender, signal, this, [this, handler](auto&&...) { RunHandler([&] { (this->*handler)(); }); });
    };

    on(DataTimer, &QTimer::timeout, &TMainFrm::DataTimerTimer);
    on(Timeout, &QTimer::timeout, &TMainFrm::TimeoutTimer);
    on(PromptTimer, &QTimer::timeout, &TMainFrm::PromptTimerTimer);
    on(JournalSyncTimer, &QTimer::timeout, &TMainFrm::JournalSyncTimerTimer);

    connect(OpenGraphBtn, &QToolButton::clicked, OpenAction, &QAction::trigger);
    connect(SaveGraphBtn, &QToolButton::clicked, SaveAction, &QAction::trigger);
    connect(PrintBtn, &QToolButton::clicked, PrintAction, &QAction::trigger);
    connect(CopyBtn, &QToolButton::clicked, CopyAction, &QAction::trigger);
    connect(OpenAction, &QAction::triggered, this, [this] { RunHandler([this] { OpenActionExecute(); }); });
    connect(SaveAction, &QAction::triggered, this, [this] { RunHandler([this] { SaveActionExecute(); }); });
    on(PrintAction, &QAction::triggered, &TMainFrm::PrintActionExecute);
    on(CopyAction, &QAction::triggered, &TMainFrm::CopyActionExecute);

    on(SettingsBtn, &QToolButton::clicked, &TMainFrm::SettingsBtnClick);
    on(ChangeSetBtn, &QPushButton::clicked, &TMainFrm::ChangeSetBtnClick);
    on(ReadSetBtn, &QPushButton::clicked, &TMainFrm::ReadSetBtnClick);
    on(RecordBtn, &QToolButton::clicked, &TMainFrm::RecordBtnClick);
    on(ClearBtn, &QToolButton::clicked, &TMainFrm::ClearBtnClick);
    on(FrameBtn, &QToolButton::clicked, &TMainFrm::FrameBtnClick);
    on(CatchBtn, &QToolButton::clicked, &TMainFrm::CatchBtnClick);
    on(TrackBar, &QSlider::valueChanged, &TMainFrm::TrackBarChange);
    on(cbYAuto, &QCheckBox::clicked, &TMainFrm::cbYAutoClick);
    on(cbXAuto, &QCheckBox::clicked, &TMainFrm::cbXAutoClick);
    on(ScrollBar, &QScrollBar::valueChanged, &TMainFrm::ScrollBarChange);
    on(Tabs, &QTabWidget::currentChanged, &TMainFrm::TabsChange);
    on(StatusBar, &TStatusBar::clicked, &TMainFrm::StatusBarClick);
    connect(StatusBar, &TStatusBar::mouseDown, this, [this](Qt::MouseButton button, int x) {
        RunHandler([&] { StatusBarMouseDown(button, x); });
    });
    connect(FrameGroup, &QActionGroup::triggered, this,
            [this](QAction* item) { RunHandler([&] { FramePopupItemClick(item); }); });

    edConsole->installEventFilter(this);
    edSet->installEventFilter(this);

    HidController->SetOnArrival([this](THidDevice* device) { HidControllerArrival(device); });
    HidController->SetOnRemoval([this](THidDevice* device) { HidControllerRemoval(device); });
    HidController->SetOnDeviceDataError(
        [this](THidDevice* device, uint32_t error) { HidControllerDeviceDataError(device, error); });
    // A device that cannot be created ends the scan; the rebuild runs from the
    // event loop, so its error comes here instead of being thrown through Qt.
    HidController->SetOnError([this](std::exception_ptr error) { ShowException(error); });
}

void TMainFrm::FormCreate()
{
    ShowBathNotSelected();
    LoadFormPlacement(*this, IniFileName);

    const TIniFile ini(IniFileName);

    English = ini.ReadBool(QStringLiteral("App"), QStringLiteral("En"), true);
    OnLangChange();

    PollTime = ini.ReadInteger(QStringLiteral("Chart"), QStringLiteral("PollTime"), 1000);
    ApplyPollTime();

    AdapterPattern = std::make_unique<TPattern>(QStringLiteral("adapter"));
    ProductPattern = std::make_unique<TPattern>(
        AsciiLowerCase(ini.ReadString(QStringLiteral("usb"), QStringLiteral("pname"), kDefaultProductPattern)));

    CreatePlotSeries();
    Chart->setToolTip(IdsText(9));
    InitValueAxis(ini);
    InitTimeWindow(ini);
    ScrollPos = ScrollBar->value();

    ClearCatch();
    BuildCatchPopup();

    InitConsole();
}

bool TMainFrm::FormCloseQuery()
{
    if (!Modified)
        return true;
    if (!Dlg.askYesNo(this, IdsText(28), Dialogs::Icon::Question))
        return true;
    try {
        SaveActionExecute(); // a cancelled dialog closes without saving
    } catch (...) {
        ShowException(std::current_exception());
        return false;
    }
    return true;
}

void TMainFrm::FormClose()
{
    SaveFormPlacement(*this, IniFileName);
    TIniFile ini(IniFileName);
    ini.WriteBool(QStringLiteral("App"), QStringLiteral("En"), English);
    ini.WriteInteger(QStringLiteral("Chart"), QStringLiteral("RAxis"), TrackBar->value());
    ini.WriteInteger(QStringLiteral("Chart"), QStringLiteral("Frame"), FrameIndex);
    ini.WriteInteger(QStringLiteral("Chart"), QStringLiteral("MaxY"), int32_t(MaxY + 0.5));
    ini.WriteInteger(QStringLiteral("Chart"), QStringLiteral("PollTime"), PollTime);
}

void TMainFrm::FormResize()
{
    const int rest = StatusBar->width() - 600;
    StatusBar->setPanelWidth(2, rest > 0 ? rest : 5);
}

void TMainFrm::TabsChange()
{
    const bool plotPage = Tabs->currentWidget() == GraphTab;
    CopyAction->setShortcut(plotPage ? QKeySequence(Qt::CTRL | Qt::Key_C) : QKeySequence());
    if (Tabs->currentWidget() == ConsoleTab)
        edConsole->setFocus();
}

void TMainFrm::TabsChanging(bool& AllowChange)
{
    AllowChange = true;
}

void TMainFrm::ShowException(std::exception_ptr error)
{
    Dlg.showException(this, ExceptionMessage(error));
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    // The user has decided about the record: a journal is left behind only by
    // a run that did not end normally. Readings handed over while the window
    // goes away start none.
    Journal.retire();
    // A failed settings write is shown; the window closes all the same.
    RunHandler([this] { FormClose(); });
    event->accept();
}

void TMainFrm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    RunHandler([this] { FormResize(); });
}

void TMainFrm::changeEvent(QEvent* event)
{
    // The language switch retranslates the window itself, at once; the posted
    // LanguageChange that Qt sends afterwards would overwrite its later steps.
    if (event->type() == QEvent::LanguageChange)
        return;
    QMainWindow::changeEvent(event);
}

bool TMainFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == edConsole) {
            bool cancel = false;
            RunHandler([&] { cancel = edConsoleKeyDown(key); });
            return cancel;
        }
        QChar typed;
        if (watched == edSet && TypedCharacter(*key, typed) && !edSetKeyPress(typed))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
