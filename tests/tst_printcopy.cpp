// Printing the plot and copying it to the clipboard.

#include "support/RecordingHelpers.h"
#include "support/WindowFixture.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>

class TestPrintCopy : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void printsOneLandscapePageAndRestoresOrientation();
    void cancelledDialogPrintsNothing();
    void printerThatCannotStartIsReported();
    void copyPutsVectorAndBitmapOnTheClipboard();
    void ctrlCCopiesTheChartOnlyOnThePlotPage();

private:
    TMainFrm& shownWindow();
    std::unique_ptr<WindowFixture> fixture;
    std::unique_ptr<TestClock> clock;
};

void TestPrintCopy::init()
{
    clock = std::make_unique<TestClock>(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
    fixture = std::make_unique<WindowFixture>();
}

void TestPrintCopy::cleanup()
{
    fixture.reset();
    clock.reset();
}

TMainFrm& TestPrintCopy::shownWindow()
{
    TMainFrm& frm = fixture->window();
    frm.resize(970, 629);
    frm.show();
    frm.activateWindow();
    if (!QTest::qWaitForWindowActive(&frm))
        qWarning("window not active");
    ClickRecord(frm);
    for (int i = 0; i < 20; ++i) {
        clock->advance(10);
        TakeCycle(frm, 25 + i * 0.1, 24, 10 + i);
    }
    return frm;
}

void TestPrintCopy::printsOneLandscapePageAndRestoresOrientation()
{
    TMainFrm& frm = shownWindow();
    const QString path = fixture->dir.filePath(QStringLiteral("plot.pdf"));
    frm.Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    frm.Printer->setOutputFormat(QPrinter::PdfFormat);
    frm.Printer->setOutputFileName(path);
    frm.Printer->setPageOrientation(QPageLayout::Portrait);
    fixture->dialogs.printAnswers = {true};
    frm.PrintAction->trigger();
    QVERIFY(fixture->dialogs.unexpectedCalls.isEmpty());
    QVERIFY(fixture->dialogs.texts(QStringLiteral("exception")).isEmpty());
    QCOMPARE(frm.Printer->pageLayout().orientation(), QPageLayout::Portrait);

    QFile pdf(path);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray content = pdf.readAll();
    QCOMPARE(content.count("/Type /Page\n") + content.count("/Type /Page\r") + content.count("/Type /Page "), 1);
    const auto box = QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([\\d.]+) ([\\d.]+)\\]"))
                         .match(QString::fromLatin1(content));
    QVERIFY(box.hasMatch());
    QVERIFY(box.captured(1).toDouble() > box.captured(2).toDouble()); // landscape

    // The picture keeps the chart's proportions: 70 % of the page width here.
    frm.Printer->setOutputFileName(fixture->dir.filePath(QStringLiteral("again.pdf")));
    const QRectF drawn = frm.Chart->PrintLandscape(*frm.Printer);
    QVERIFY(frm.Chart->width() > frm.Chart->height());
    QCOMPARE(qRound(drawn.width() / drawn.height() * 1000),
             qRound(double(frm.Chart->width()) / frm.Chart->height() * 1000));
    frm.Printer->setPageOrientation(QPageLayout::Landscape);
    QCOMPARE(drawn.width(), 0.7 * frm.Printer->width());
    QCOMPARE(drawn.left(), 0.15 * frm.Printer->width());
    QCOMPARE(drawn.top() * 2 + drawn.height(), double(frm.Printer->height()));
}

void TestPrintCopy::cancelledDialogPrintsNothing()
{
    TMainFrm& frm = shownWindow();
    const QString path = fixture->dir.filePath(QStringLiteral("none.pdf"));
    frm.Printer = std::make_unique<QPrinter>();
    frm.Printer->setOutputFormat(QPrinter::PdfFormat);
    frm.Printer->setOutputFileName(path);
    fixture->dialogs.printAnswers = {false};
    frm.PrintAction->trigger();
    QVERIFY(!QFile::exists(path));
    QCOMPARE(frm.Printer->pageLayout().orientation(), QPageLayout::Portrait);
}

void TestPrintCopy::printerThatCannotStartIsReported()
{
    TMainFrm& frm = shownWindow();
    frm.Printer = std::make_unique<QPrinter>();
    frm.Printer->setOutputFormat(QPrinter::PdfFormat);
    frm.Printer->setOutputFileName(fixture->dir.filePath(QStringLiteral("no/such/folder/plot.pdf")));
    fixture->dialogs.printAnswers = {true};
    frm.PrintAction->trigger();
    const QStringList errors = fixture->dialogs.texts(QStringLiteral("exception"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(QLatin1String("Unable to print on ")), qPrintable(errors[0]));
}

void TestPrintCopy::copyPutsVectorAndBitmapOnTheClipboard()
{
    TMainFrm& frm = shownWindow();
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    frm.CopyAction->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data->hasFormat(QStringLiteral("image/svg+xml")));
    const QByteArray svg = data->data(QStringLiteral("image/svg+xml"));
    QVERIFY(svg.contains("<svg"));
    QVERIFY(svg.contains(QStringLiteral("width=\"%1").arg(frm.Chart->width()).toLatin1()));
    QVERIFY(data->hasImage());
    const QImage image = qvariant_cast<QImage>(data->imageData());
    QCOMPARE(image.size(), frm.Chart->size() * frm.Chart->devicePixelRatioF());
    QVERIFY(!data->hasText()); // the earlier contents are gone
}

void TestPrintCopy::ctrlCCopiesTheChartOnlyOnThePlotPage()
{
    TMainFrm& frm = shownWindow();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(frm.Chart, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* plot = QGuiApplication::clipboard()->mimeData();
    QVERIFY(plot && plot->hasFormat(QStringLiteral("image/svg+xml")));

    frm.Tabs->setCurrentWidget(frm.ConsoleTab);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(frm.edConsole, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* console = QGuiApplication::clipboard()->mimeData();
    QVERIFY(!console || !console->hasFormat(QStringLiteral("image/svg+xml")));
}

QTEST_MAIN(TestPrintCopy)
#include "tst_printcopy.moc"
