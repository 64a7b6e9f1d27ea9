// Switching the interface between English and Russian, on the real windows.

#include "app/Astr.h"
#include "app/Language.h"
#include "app/SettingsForm.h"
#include "record/RecordFile.h"
#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

// Everything a window shows from its translation data, in both languages.
struct TranslationRow {
    const char* component;
    const char* property; // caption, hint, title or filter
    const char* english;
    const char* russian;
};

const TranslationRow kTranslationData[] = {
{"TMainFrm", "caption", "Quintara v7.3 - Orvelle", "Quintara v7.3 - Orvelle"},
        {"GraphTab", "caption", "Plot", "Графики"},
        {"RecordBtn", "caption", "Record", "Запись"},
        {"ClearBtn", "caption", "Clear", "Очистка"},
        {"CatchBtn", "caption", "Trace", "Захват"},
        {"stYScale", "caption", "0.001", "0.001"},
        {"cbYAuto", "caption", "Auto", "Авто"},
        {"FrameBtn", "caption", "Frame", "Фрейм"},
        {"CatchPnl", "caption", "Nope", "Нет"},
        {"cbXAuto", "caption", "Whole record", "Вся запись"},
        {"ValTab", "caption", "Table", "Таблица"},
        {"ConsoleTab", "caption", "Console", "Консоль"},
        {"ChangeSetBtn", "caption", "Apply", "Изменить"},
        {"ReadSetBtn", "caption", "Read", "Прочитать"},
        {"StaticText1", "caption", "Safety:", "Защита:"},
        {"stAlarm", "caption", "no alarm", "норма"},
        {"SettingsBtn", "caption", "Settings", "Настройки"},
        {"AdaptersBtn", "caption", "Bath", "Термостаты"},
        {"OpenAction", "caption", "Open", "Открыть"},
        {"SaveAction", "caption", "Save", "Сохранить"},
        {"PrintAction", "caption", "Print", "Печать"},
        {"CopyAction", "caption", "Copy", "Копировать"},
        {"FramePopupItem", "caption", "5 minutes", "5 минут"},
        {"N151", "caption", "15 minutes", "15 минут"},
        {"N301", "caption", "30 minutes", "30 минут"},
        {"N11", "caption", "1 hour", "1 час"},
        {"N21", "caption", "2 hours", "2 часа"},
        {"lbTemp", "caption", "Temperature, °C", "Температура, °C"},
        {"lbSet", "caption", "Setpoint, °C", "Уставка, °C"},
        {"stYScale", "hint", "Scale factor", "Коэффициент масштаба"},
        {"cbYAuto", "hint", "Auto scale", "Автомасштаб"},
        {"TrackBar", "hint", "Scale", "Масштаб"},
        {"cbXAuto", "hint", "View whole plot", "Показать всю запись"},
        {"edConsole", "hint", "clr - clear console", "clr - очищает консоль"},
        {"ChangeSetBtn", "hint", "New setpoint", "Задать новую уставку"},
        {"ReadSetBtn", "hint", "Read bath's setpoint", "Прочитать из термостата текущую уставку"},
        {"SettingsBtn", "hint", "Application settings", "Настройки программы"},
        {"AdaptersBtn", "hint", "List of connected baths", "Список подключенных термостатов"},
        {"OpenAction", "hint", "Open plot", "Открыть графики"},
        {"SaveAction", "hint", "Save plot", "Сохранить графики"},
        {"PrintAction", "hint", "Print plot", "Печать графиков"},
        {"CopyAction", "hint", "Copy plot to clipboard", "Копировать графики в буфер обмена"},
        {"TSettingsFrm", "caption", "Application settings", "Настройки программы"},
        {"Label1", "caption", "Polling time, ms", "Период опроса термостата, мс"},
        {"OkBtn", "caption", "OK", "ОК"},
        {"CancelBtn", "caption", "Cancel", "Отмена"},
        {"Panel5", "caption", "Panel5", "Panel5"},
        {"ToolBar1", "caption", "ToolBar", "ToolBar"},
        {"ToolButton5", "caption", "ToolButton5", "ToolButton5"},
        {"ToolButton2", "caption", "ToolButton2", "ToolButton2"},
        {"OpenDlg", "title", "Open plot file", "Открытие файла данных"},
        {"OpenDlg", "filter", "Application files (*.csv);;All files (*)", "Файлы приложения (*.csv);;Все файлы (*)"},
        {"SaveDlg", "title", "Save plot file", "Сохранение данных в файл"},
        {"SaveDlg", "filter", "Application files (*.csv);;All files (*)", "Файлы приложения (*.csv);;Все файлы (*)"},
};

struct IdsRow {
    int id;
    const char* english;
    const char* russian;
};

const IdsRow kStringTable[] = {
        {0, "Bath: ", "Термостат: "},
        {1, "Bath: not selected", "Термостат: не выбран"},
        {2, "Record", "Запись"},
        {3, "Stop", "Стоп"},
        {4, " ", " "},
        {5, "All measured data will be deleted. Proceed?", "Все измеренные значения будут удалены.\nПродолжить?"},
        {6, "Nope", "Нет"},
        {7, "Void", "Пустой"},
        {8, "Tracking:", "Захват: "},
        {9, "Click on the graph line to get coordinates", "Клик по графику - для получения координат"},
        {10, "Unexpected response", "Неожиданный ответ термостата"},
        {11, "Invalid request. Status code", "Ошибочный запрос. Код статуса"},
        {12, "Setpoint value is not a number", "Введенное значение уставки не является числом"},
        {13, ": invalid request format", ": неверный формат запроса"},
        {14, ": invalid value format", ": неверный формат значения"},
        {15, ": unknown addressee", ": неизвестный адресат"},
        {16, ": unknown command", ": неизвестная операция"},
        {17, ": value out of range", ": значение вне диапазона"},
        {18, ": command not available in \"OFF\" state", ": команда не доступна в состоянии \"выключено\""},
        {19, "Bath is off", "Термостат выключен"},
        {20, "no alarm", "норма"},
        {21, "overheat", "перегрев"},
        {22, "low level", "уровень"},
        {23, "pump", "насос"},
        {24, "heater", "ТЭНы"},
        {25, "ADC", "АЦП"},
        {26, "sensor", "датчик"},
        {27, "Unsaved data will be lost. Open the file anyway?", "Не сохраненные данные будут потеряны. Все равно открыть файл?"},
        {28, "Data was modified. Save changes?", "Дaнные были изменены. Сохранить изменения?"},
        {29, " (adapter)", " (адаптер)"},
        {30, "T(int)", "T(внутр)"},
        {31, "T(ext)", "T(внеш)"},
        {32, "Power", "Мощность"},
        {33, "The previous version of the file will be loaded", "Будет загружен файл предыдущей версии программы"},
};

// Captions the window sets from its state once a bath or the scale is known;
// for them the translation data is checked, and the shown text by
// stateTextsFollowTheLanguage.
bool showsState(const QString& component, const QString& property)
{
    return property == QLatin1String("caption") &&
           (component == QLatin1String("stYScale") || component == QLatin1String("stAlarm"));
}

// The tool buttons that show an action's caption and hint.
QAbstractButton* boundButton(TMainFrm& frm, const QString& action)
{
    if (action == QLatin1String("OpenAction"))
        return frm.OpenGraphBtn;
    if (action == QLatin1String("SaveAction"))
        return frm.SaveGraphBtn;
    if (action == QLatin1String("PrintAction"))
        return frm.PrintBtn;
    if (action == QLatin1String("CopyAction"))
        return frm.CopyBtn;
    return nullptr;
}

// The text a component shows for one property of the translation data.
QString shownText(TMainFrm& frm, const QString& component, const QString& property)
{
    if (showsState(component, property))
        return QCoreApplication::translate("TMainFrm", component == QLatin1String("stAlarm") ? "no alarm" : "0.001");
    if (component == QLatin1String("OpenDlg") || component == QLatin1String("SaveDlg")) {
        const TRecordFileDialogTexts texts = RecordFileDialogTexts();
        if (property == QLatin1String("filter"))
            return texts.filter;
        return component == QLatin1String("OpenDlg") ? texts.openTitle : texts.saveTitle;
    }
    QObject* object = component == QLatin1String("TMainFrm")       ? &frm
                      : component == QLatin1String("TSettingsFrm") ? static_cast<QObject*>(frm.SettingsFrm)
                                                                   : frm.findChild<QObject*>(component);
    if (!object)
        return QStringLiteral("<no component %1>").arg(component);
    if (property == QLatin1String("hint"))
        return object->property("toolTip").toString();
    if (auto* action = qobject_cast<QAction*>(object))
        return action->text();
    auto* widget = qobject_cast<QWidget*>(object);
    if (const int page = frm.Tabs->indexOf(widget); page >= 0)
        return frm.Tabs->tabText(page);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    return widget->windowTitle();
}

void showWide(TMainFrm& frm)
{
    frm.resize(970, 629);
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
}

void clickStatusBar(TMainFrm& frm, int x, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(frm.StatusBar, button, {}, QPoint(x, frm.StatusBar->height() / 2));
}

// A left click on the language tag, in the last 50 pixels of the bar.
void clickLanguageTag(TMainFrm& frm)
{
    clickStatusBar(frm, frm.StatusBar->width() - 10);
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void translationData_data();
    void translationData();
    void onlyALeftClickOnTheTagSwitches_data();
    void onlyALeftClickOnTheTagSwitches();
    void switchRedoesTheStatusBarAndTheTexts();
    void stateTextsFollowTheLanguage();
    void settingsDialogFollowsWhileHidden();
    void startsInEnglishWithoutSettings();
    void startsInRussianWhenTheSettingsSaySo();
    void messageBoxesKeepEnglishTitlesAndButtons();
    void idsText_data();
    void idsText();
    void idsTextFallsBackToIds0();
};

void TestLanguage::translationData_data()
{
    QTest::addColumn<QString>("component");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    for (const TranslationRow& row : kTranslationData) {
        QTest::addRow("%s %s", row.component, row.property)
            << QString::fromUtf8(row.component) << QString::fromUtf8(row.property) << QString::fromUtf8(row.english)
            << QString::fromUtf8(row.russian);
    }
}

void TestLanguage::translationData()
{
    QFETCH(QString, component);
    QFETCH(QString, property);
    QFETCH(QString, english);
    QFETCH(QString, russian);

    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    showWide(frm);
    QAbstractButton* button = boundButton(frm, component);

    for (const QString& expected : {english, russian, english}) {
        QCOMPARE(shownText(frm, component, property), expected);
        if (button)
            QCOMPARE(property == QLatin1String("hint") ? button->toolTip() : button->text(), expected);
        clickLanguageTag(frm);
    }
}

void TestLanguage::onlyALeftClickOnTheTagSwitches_data()
{
    QTest::addColumn<int>("fromRight"); // x = width - fromRight
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("switches");

    QTest::newRow("left, last pixel") << 1 << Qt::LeftButton << true;
    QTest::newRow("left, 50 from the right") << 50 << Qt::LeftButton << true;
    QTest::newRow("left, 51 from the right") << 51 << Qt::LeftButton << false;
    QTest::newRow("left, first panel") << 965 << Qt::LeftButton << false;
    QTest::newRow("right, on the tag") << 10 << Qt::RightButton << false;
    QTest::newRow("middle, on the tag") << 10 << Qt::MiddleButton << false;
}

void TestLanguage::onlyALeftClickOnTheTagSwitches()
{
    QFETCH(int, fromRight);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, switches);

    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    showWide(frm);
    QCOMPARE(frm.StatusBar->width(), 970);
    // An earlier left press on the tag must not turn a later click elsewhere
    // into a switch.
    QTest::mousePress(frm.StatusBar, Qt::LeftButton, {}, QPoint(frm.StatusBar->width() - 5, 5));
    QTest::mouseRelease(frm.StatusBar, Qt::LeftButton, {}, QPoint(5, -20));
    QVERIFY(frm.English);

    clickStatusBar(frm, frm.StatusBar->width() - fromRight, button);

    QCOMPARE(frm.English, !switches);
    QCOMPARE(frm.StatusBar->panelText(3), switches ? QStringLiteral(" ENG") : QStringLiteral("  RUS"));
    QCOMPARE(frm.Tabs->tabText(0), switches ? QStringLiteral("Графики") : QStringLiteral("Plot"));
}

void TestLanguage::switchRedoesTheStatusBarAndTheTexts()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    showWide(frm);
    QCOMPARE(frm.StatusBar->panelText(0), QStringLiteral("Bath: not selected"));
    QCOMPARE(frm.StatusBar->panelText(3), QStringLiteral("  RUS"));

    const struct {
        const char* panel0;
        const char* panel3;
        const char* chartHint;
        const char* status1;
        const char* alarm0;
    } languages[] = {
        {"Термостат: не выбран", " ENG", "Клик по графику - для получения координат", ": неверный формат запроса",
         "перегрев"},
        {"Bath: not selected", "  RUS", "Click on the graph line to get coordinates", ": invalid request format",
         "overheat"},
    };
    for (const auto& language : languages) {
        frm.StatusBar->setPanelText(1, IdsText(19));
        frm.StatusBar->setPanelText(2, QStringLiteral("X = 2 13:05:07, Y = 25.37"));
        clickLanguageTag(frm);

        QCOMPARE(frm.StatusBar->panelText(0), QString::fromUtf8(language.panel0));
        QCOMPARE(frm.StatusBar->panelText(1), QString());
        QCOMPARE(frm.StatusBar->panelText(2), QString());
        QCOMPARE(frm.StatusBar->panelText(3), QString::fromUtf8(language.panel3));
        QCOMPARE(frm.Chart->toolTip(), QString::fromUtf8(language.chartHint));
        QCOMPARE(frm.StatusTexts.size(), 7);
        QCOMPARE(frm.StatusTexts.at(0), QString());
        QCOMPARE(frm.StatusTexts.at(1), QString::fromUtf8(language.status1));
        QCOMPARE(frm.AlarmTexts.size(), 6);
        QCOMPARE(frm.AlarmTexts.at(0), QString::fromUtf8(language.alarm0));
    }
}

void TestLanguage::stateTextsFollowTheLanguage()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    showWide(frm);
    // Without a bath the alarm label is empty, not its design caption.
    QCOMPARE(frm.stAlarm->text(), QString());
    clickLanguageTag(frm);
    QCOMPARE(frm.stAlarm->text(), QString());
    clickLanguageTag(frm);

    frm.Recording = true;
    frm.RecordBtn->setText(IdsText(3));
    frm.TrackBar->setValue(5);
    frm.ShowAlarm(QStringLiteral("000001"));
    QCOMPARE(frm.stAlarm->text(), QStringLiteral("overheat"));

    clickLanguageTag(frm);
    // Qt posts its own LanguageChange afterwards; it must not undo the switch.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(frm.RecordBtn->text(), QStringLiteral("Стоп"));
    QCOMPARE(frm.stYScale->text(), QStringLiteral("0.5"));
    QCOMPARE(frm.stAlarm->text(), QStringLiteral("перегрев"));
    QCOMPARE(frm.StatusBar->panelText(3), QStringLiteral(" ENG"));

    frm.Recording = false;
    frm.ShowAlarm(QStringLiteral("000000"));
    QCOMPARE(frm.stAlarm->text(), QStringLiteral("норма"));
    clickLanguageTag(frm);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(frm.RecordBtn->text(), QStringLiteral("Record"));
    QCOMPARE(frm.stYScale->text(), QStringLiteral("0.5"));
    QCOMPARE(frm.stAlarm->text(), QStringLiteral("no alarm"));
}

void TestLanguage::settingsDialogFollowsWhileHidden()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    showWide(frm);
    QVERIFY(frm.SettingsFrm->isHidden());
    clickLanguageTag(frm);
    QVERIFY(frm.SettingsFrm->isHidden());

    // Opened after the switch, it shows the new language.
    QString shownTitle;
    QString shownLabel;
    fixture.dialogs.dialogScripts.push_back([&](QDialog& dialog) {
        shownTitle = dialog.windowTitle();
        shownLabel = frm.SettingsFrm->Label1->text();
        return int(QDialog::Rejected);
    });
    frm.SettingsBtn->click();
    QCOMPARE(shownTitle, QStringLiteral("Настройки программы"));
    QCOMPARE(shownLabel, QStringLiteral("Период опроса термостата, мс"));
    QCOMPARE(frm.SettingsFrm->OkBtn->text(), QStringLiteral("ОК"));
    QVERIFY(fixture.dialogs.unexpectedCalls.isEmpty());
}

void TestLanguage::startsInEnglishWithoutSettings()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    QVERIFY(frm.English);
    QCOMPARE(frm.StatusBar->panelText(3), QStringLiteral("  RUS"));
    QCOMPARE(frm.Tabs->tabText(0), QStringLiteral("Plot"));
    QCOMPARE(frm.SettingsFrm->windowTitle(), QStringLiteral("Application settings"));
}

void TestLanguage::startsInRussianWhenTheSettingsSaySo()
{
    WindowFixture fixture(nullptr, QStringLiteral("[App]\r\nEn=0\r\n"));
    TMainFrm& frm = fixture.window();

    QVERIFY(!frm.English);
    QCOMPARE(frm.StatusBar->panelText(3), QStringLiteral(" ENG"));
    QCOMPARE(frm.StatusBar->panelText(0), QStringLiteral("Термостат: не выбран"));
    for (const TranslationRow& row : kTranslationData) {
        const QString component = QString::fromUtf8(row.component);
        const QString property = QString::fromUtf8(row.property);
        QVERIFY2(shownText(frm, component, property) == QString::fromUtf8(row.russian),
                 qPrintable(component + u' ' + property));
    }
    QCOMPARE(IdsText(1), QStringLiteral("Термостат: не выбран"));
}

void TestLanguage::messageBoxesKeepEnglishTitlesAndButtons()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    showWide(frm);
    const auto buttonTexts = [&frm] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), IdsText(28),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel, &frm);
        QStringList texts{box.windowTitle(), box.text()};
        for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel})
            texts << box.button(button)->text();
        return texts;
    };
    QStringList expected = buttonTexts();
    QCOMPARE(expected.value(2), QStringLiteral("&Yes"));

    clickLanguageTag(frm);
    QVERIFY(!frm.English);
    // Only the message follows the language.
    expected[1] = QStringLiteral("Дaнные были изменены. Сохранить изменения?");
    QCOMPARE(buttonTexts(), expected);
}

void TestLanguage::idsText_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    for (const IdsRow& row : kStringTable) {
        QTest::addRow("IDS_%d", row.id) << row.id << QString::fromUtf8(row.english)
                                        << QString::fromUtf8(row.russian);
    }
}

void TestLanguage::idsText()
{
    QFETCH(int, id);
    QFETCH(QString, english);
    QFETCH(QString, russian);

    TLangDispatcher dispatcher;
    QCOMPARE(IdsText(id), english);
    dispatcher.SetActiveLanguage(TLangDispatcher::kRussian);
    QCOMPARE(IdsText(id), russian);
    dispatcher.SetActiveLanguage(TLangDispatcher::kEnglish);
    QCOMPARE(IdsText(id), english);
}

void TestLanguage::idsTextFallsBackToIds0()
{
    TLangDispatcher dispatcher;
    QCOMPARE(IdsText(34), QStringLiteral("Bath: "));
    QCOMPARE(IdsText(1000), QStringLiteral("Bath: "));
    dispatcher.SetActiveLanguage(TLangDispatcher::kRussian);
    QCOMPARE(IdsText(34), QStringLiteral("Термостат: "));
    // IDS_5 is two lines in Russian.
    QCOMPARE(IdsText(5).split(u'\n'),
             (QStringList{"Все измеренные значения будут удалены.", "Продолжить?"}));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
