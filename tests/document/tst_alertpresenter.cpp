#include "DataColumns.h"

#include "MessageBoxAlertPresenter.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTextDocument>

namespace {

// What a box's text reads as, whatever its format.
QString shownText(const QMessageBox &box)
{
    QTextDocument text;
    text.setHtml(box.text());
    return box.textFormat() == Qt::PlainText ? box.text() : text.toPlainText();
}

// Tells the presenter of "w:MESSAGE" (a warning) or "f:PATH" (a failure to open).
void tell(MessageBoxAlertPresenter &presenter, const QString &alert)
{
    if (alert.startsWith(QLatin1String("w:")))
        presenter.showWarning(nullptr, alert.mid(2), QStringLiteral("because"));
    else
        presenter.showOpenFailure(nullptr, alert.mid(2), QStringLiteral("No such file or directory."));
}

} // namespace

// Alerts are shown one at a time and never waited for: what comes while one
// is up waits for it, joins it, or is dropped as told already.
class TestAlertPresenter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alertsWaitJoinOrAreDropped_data()
    {
        addColumns<QStringList, QStringList>("told", "shown");
        QTest::newRow("the same warning twice") << QStringList({ "w:a", "w:a" }) << QStringList({ "a" });
        QTest::newRow("failures join the one up") << QStringList({ "f:/p/1", "f:/p/2", "f:/p/1", "f:/p/3" })
                                                  << QStringList({ "3 files could not be opened." });
        QTest::newRow("failures behind a warning join each other") << QStringList(
            { "w:a", "f:/p/1", "w:b", "f:/p/2" }) << QStringList({ "a", "2 files could not be opened.", "b" });
    }

    void alertsWaitJoinOrAreDropped()
    {
        QFETCH(QStringList, shown);
        MessageBoxAlertPresenter presenter;
        for (const QString &alert : fetched<QStringList>("told"))
            tell(presenter, alert);
        for (const QString &text : std::as_const(shown)) {
            QMessageBox *box = presenter.currentBox();
            QVERIFY(box && box->isVisible() && box->isModal());
            // The list is brought up to date a few times a second.
            QTRY_COMPARE(shownText(*box), text);
            box->button(QMessageBox::Ok)->click();
            // The next one comes once control is back in the event loop.
            QCoreApplication::processEvents();
        }
        QVERIFY(!presenter.currentBox());
    }
};

QTEST_MAIN(TestAlertPresenter)
#include "tst_alertpresenter.moc"
