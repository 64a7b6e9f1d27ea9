// The main window as the program starts it: its components, the frame handlers
// and the closing question.

#include "app/Errors.h"
#include "support/WindowFixture.h"

#include <QtTest>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void everyComponentIsThereByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        const std::pair<const char*, const char*> components[] = {
            {"OpenGraphBtn", "QToolButton"}, {"SaveGraphBtn", "QToolButton"}, {"PrintBtn", "QToolButton"},
            {"CopyBtn", "QToolButton"},      {"SettingsBtn", "QToolButton"},  {"AdaptersBtn", "QToolButton"},
            {"ProgressBar", "QProgressBar"}, {"Panel4", "QFrame"},            {"lbTemp", "QLabel"},
            {"stTemp", "QLineEdit"},         {"lbSet", "QLabel"},             {"edSet", "QLineEdit"},
            {"ChangeSetBtn", "QPushButton"}, {"ReadSetBtn", "QPushButton"},   {"StaticText1", "QLabel"},
            {"stAlarm", "QLabel"},           {"Tabs", "QTabWidget"},          {"GraphTab", "QWidget"},
            {"ValTab", "QWidget"},           {"ConsoleTab", "QWidget"},       {"Chart", "TPlotChart"},
            {"cbXAuto", "QCheckBox"},        {"ScrollBar", "QScrollBar"},     {"stYScale", "QLabel"},
            {"cbYAuto", "QCheckBox"},        {"TrackBar", "QSlider"},         {"RecordBtn", "QToolButton"},
            {"ClearBtn", "QToolButton"},     {"FrameBtn", "QToolButton"},     {"CatchBtn", "QToolButton"},
            {"CatchPnl", "QLabel"},          {"Memo", "TRecordView"},         {"edConsole", "QPlainTextEdit"},
            {"StatusBar", "TStatusBar"},     {"DataTimer", "QTimer"},         {"Timeout", "QTimer"},
            {"PromptTimer", "QTimer"},       {"OpenAction", "QAction"},       {"SaveAction", "QAction"},
            {"PrintAction", "QAction"},      {"CopyAction", "QAction"},       {"DevPopup", "QMenu"},
            {"FramePopup", "QMenu"},         {"CatchPopup", "QMenu"},         {"HidController", "THidDeviceController"},
        };
        for (const auto& [name, className] : components)
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(className);
    }

    void everyComponentIsThereByName()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        WindowFixture f;
        QObject* component = f.window().findChild<QObject*>(name);
        QVERIFY2(component, qPrintable(name));
        QVERIFY(component->inherits(className.toLatin1()));
    }

    void designCaptionSizeAndTimers()
    {
        WindowFixture f;
        TMainFrm& w = f.window();
        QCOMPARE(w.windowTitle(), QStringLiteral("Quintara v7.3 - Orvelle"));
        QCOMPARE(w.DataTimer->interval(), 2000); // the default 1000 raised
        QCOMPARE(w.Timeout->interval(), 1500);
        QCOMPARE(w.PromptTimer->interval(), 250);
        QVERIFY(!w.DataTimer->isActive());
        QVERIFY(!w.Timeout->isActive());
        QVERIFY(!w.PromptTimer->isActive());
        QCOMPARE(w.Tabs->currentWidget(), w.GraphTab);
        QCOMPARE(w.Tabs->tabText(0), QStringLiteral("Plot"));
        QCOMPARE(w.Tabs->tabText(1), QStringLiteral("Table"));
        QCOMPARE(w.Tabs->tabText(2), QStringLiteral("Console"));
        QVERIFY(w.ProgressBar->isHidden());
        QCOMPARE(w.OpenAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(w.SaveAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(w.PrintAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
        QCOMPARE(w.CopyAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
        for (QToolButton* button : {w.OpenGraphBtn, w.SaveGraphBtn, w.PrintBtn, w.CopyBtn, w.SettingsBtn, w.AdaptersBtn})
            QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
    }

    void framePopupHasFiveTaggedItems()
    {
        WindowFixture f;
        const QList<QAction*> items = f.window().FramePopup->actions();
        const QStringList captions{"5 minutes", "15 minutes", "30 minutes", "1 hour", "2 hours"};
        QCOMPARE(items.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(items[i]->text(), captions[i]);
            QCOMPARE(items[i]->property("tag").toInt(), i);
            QVERIFY(items[i]->isCheckable());
        }
    }

    void startsWithoutABath()
    {
        WindowFixture f;
        TMainFrm& w = f.window();
        QCOMPARE(w.StatusBar->panelText(0), QStringLiteral("Bath: not selected"));
        QVERIFY(!w.RecordBtn->isEnabled());
        QVERIFY(!w.Recording);
        QVERIFY(!w.Modified);
        QVERIFY(!w.SelectedDevice);
    }

    void resizeGivesTheRestToPanelTwo_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("panelTwo");
        QTest::newRow("wide") << 970 << 370;
        QTest::newRow("just over") << 601 << 1;
        QTest::newRow("exactly 600") << 600 << 5;
        QTest::newRow("narrower") << 400 << 5;
    }

    void resizeGivesTheRestToPanelTwo()
    {
        QFETCH(int, width);
        QFETCH(int, panelTwo);
        WindowFixture f;
        TMainFrm& w = f.window();
        w.StatusBar->resize(width, w.StatusBar->height());
        w.FormResize();
        QCOMPARE(w.StatusBar->panelWidth(2), panelTwo);
        QCOMPARE(w.StatusBar->panelWidth(0), 200);
        QCOMPARE(w.StatusBar->panelWidth(1), 350);
        QCOMPARE(w.StatusBar->panelWidth(3), 50);
    }

    void copyShortcutOnlyOnThePlotPage()
    {
        WindowFixture f;
        TMainFrm& w = f.window();
        w.show();
        w.Tabs->setCurrentWidget(w.ValTab);
        QVERIFY(w.CopyAction->shortcut().isEmpty());
        w.Tabs->setCurrentWidget(w.ConsoleTab);
        QVERIFY(w.CopyAction->shortcut().isEmpty());
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), w.edConsole);
        w.Tabs->setCurrentWidget(w.GraphTab);
        QCOMPARE(w.CopyAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    }

    void closingUnmodifiedAsksNothing()
    {
        WindowFixture f;
        f.window();
        QVERIFY(f.close());
        QVERIFY(f.dialogs.texts("question").isEmpty());
    }

    void closingModifiedAsksAndNoClosesWithoutSaving()
    {
        WindowFixture f;
        f.window().Modified = true;
        f.dialogs.yesNoAnswers = {false};
        QVERIFY(f.close());
        QCOMPARE(f.dialogs.texts("question"), QStringList{"Data was modified. Save changes?"});
        QVERIFY(f.dialogs.texts("save").isEmpty());
    }

    void closingModifiedYesOffersTheSaveDialog_data()
    {
        QTest::addColumn<QString>("answer"); // the save dialog's: "" Cancel, a file, a folder
        QTest::addColumn<bool>("closes");
        QTest::newRow("Cancel closes without saving") << "" << true;
        QTest::newRow("a file is saved, then it closes") << "record.csv" << true;
        QTest::newRow("a failing save stays open and shows the error") << "folder" << false;
    }

    void closingModifiedYesOffersTheSaveDialog()
    {
        QFETCH(QString, answer);
        QFETCH(bool, closes);
        WindowFixture f;
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("folder")));
        const QString path = answer.isEmpty() ? QString() : f.dir.filePath(answer);
        TMainFrm& w = f.window();
        w.RecordLines.append(QStringLiteral(">10/03/2024 12:00:00"));
        w.Modified = true;
        f.dialogs.yesNoAnswers = {true};
        f.dialogs.fileAnswers = {path};

        QCOMPARE(f.close(), closes);
        QCOMPARE(f.dialogs.texts("question"), QStringList{"Data was modified. Save changes?"});
        QCOMPARE(f.dialogs.texts("save"), QStringList{"Save plot file"});
        const QStringList errors = f.dialogs.texts("exception");
        if (closes) {
            QVERIFY(errors.isEmpty());
            QCOMPARE(QFileInfo(path).isFile(), !path.isEmpty());
            return;
        }
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QDir::toNativeSeparators(path)), qPrintable(errors[0]));
        QVERIFY(f.frm->isVisible());
        QVERIFY(f.frm->Modified);
        // Asked again, No closes.
        f.dialogs.yesNoAnswers = {false};
        QVERIFY(f.close());
    }

    void escapingExceptionsAreShownAndTheProgramGoesOn()
    {
        WindowFixture f;
        TMainFrm& w = f.window();
        w.RunHandler([] { throw EAppError(QStringLiteral("Unable to write to /nowhere")); });
        w.RunHandler([] { throw std::runtime_error("plain"); });
        w.RunHandler([] { throw 42; });
        QCOMPARE(f.dialogs.texts("exception"),
                 (QStringList{"Unable to write to /nowhere", "plain", QString()}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
