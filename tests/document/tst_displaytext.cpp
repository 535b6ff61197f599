#include "DocumentTestSupport.h"

#include "DocumentController.h"
#include "DocumentOpening.h"
#include "DocumentWindow.h"
#include "MessageBoxAlertPresenter.h"
#include "MyDocument.h"
#include "PlainToolTip.h"
#include "SummaryController.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace {

// What a widget that guesses the format shows for `text`.
QString shownText(const QString &text, Qt::TextFormat format = Qt::AutoText)
{
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

// The texts of the message box's labels, as shown, once it is up; then closes it.
QStringList answerMessageBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
        return {};
    QStringList shown;
    for (const QLabel *label : box->findChildren<QLabel *>()) {
        if (!label->text().isEmpty())
            shown << shownText(label->text(), label->textFormat());
    }
    box->done(0);
    return shown;
}

} // namespace

// Names from a profile and file names are shown as written wherever they appear.
class TestDisplayText : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void hostileTextIsShownAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("bold") << "<b>bold</b>";
        QTest::newRow("huge image") << "<img src=x width=30000 height=30000>";
        QTest::newRow("local image") << "<img src=\"file:///etc/hostname\">";
        QTest::newRow("markup, mnemonic and title placeholder") << "<h1><font color=red>a & b [*]</font></h1>";
    }

    void hostileTextIsShownAsWritten()
    {
        QFETCH(QString, text);
        DocumentController registry;
        const QString fileName = QString(text).replace(QLatin1Char('/'), QLatin1Char('_'));
        const QByteArray name = text.toUtf8();
        QFile file(m_dir.filePath(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(profileHeader() + record("/a.php", name, 1, 1) + record("/a.php", "main", 1, 1, { name }));
        file.close();

        MyDocument *document = openAndWait(registry, file.fileName());
        QVERIFY(document);
        QTRY_VERIFY(document->window()->windowHandle());
        QCOMPARE(document->window()->windowHandle()->title(), fileName);
        const QModelIndex outlineRow = document->outlineModel()->index(1, 0);
        QCOMPARE(shownText(outlineRow.data(Qt::ToolTipRole).toString()), text);
        const QModelIndex summaryRow = document->summaryTab()->index(0, SummaryController::FunctionColumn);
        QCOMPARE(shownText(summaryRow.data(Qt::ToolTipRole).toString()), text);

        // The real alert, for a file that is gone.
        QVERIFY(file.remove());
        registry.closeAllDocuments();
        QStringList alert;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            alert = answerMessageBox();
            if (!alert.isEmpty())
                answerer.stop();
        });
        answerer.start(20);
        MessageBoxAlertPresenter().showWarning(nullptr, text, file.fileName());
        QCOMPARE(alert, QStringList({ text, file.fileName() }));
    }

    void longTextIsCutForTooltips()
    {
        const QString shown = shownText(plainToolTip(QString(100000, QLatin1Char('x'))));
        QVERIFY(shown.size() < 5000);
        QVERIFY(shown.endsWith(QChar(0x2026)));
    }
};

QTEST_MAIN(TestDisplayText)
#include "tst_displaytext.moc"
