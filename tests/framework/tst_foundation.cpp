#include "DataColumns.h"
#include "TestDefaults.h"

#include <KFHttpGet.h>
#include <KFPreferenceController.h>
#include <KFPreferencePane.h>
#include <KFSharedDefaultsObserver.h>
#include <KFStringAdditions.h>
#include <KUIPasteTextField.h>

#include <QAbstractAnimation>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <functional>
#include <memory>
#include <stdexcept>

using namespace KFAdditions;
using namespace Qt::StringLiterals;

using Call = std::function<QVariant()>;
Q_DECLARE_METATYPE(Call)

namespace {

// Records the new values it is told of; an optional action runs inside the callback.
class RecordingObserver : public KFSharedDefaultsObserver
{
public:
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override
    {
        QVERIFY(keyPath.startsWith(QStringLiteral("values.test.")) && object == &defaults() && !context);
        changes.append(change.value(QStringLiteral("new")));
        if (onNotification)
            onNotification();
    }
    QVariantList changes;
    std::function<void()> onNotification;
};

// A pane whose form holds a pop-up, a number and a text field bound to test keys.
class BoundPane : public KFPreferencePane
{
public:
    BoundPane()
    {
        setNibName(QStringLiteral("BoundForm"));
        view();
    }
    QComboBox *popUp = nullptr;
    QSpinBox *number = nullptr;
    QLineEdit *text = nullptr;
    int boundChanges = 0;

protected:
    std::unique_ptr<QWidget> loadNib() override
    {
        auto form = std::make_unique<QWidget>();
        popUp = new QComboBox;
        popUp->addItems({ "zero", "one", "two" });
        number = new QSpinBox;
        number->setRange(1, 99);
        text = new QLineEdit;
        auto *layout = new QVBoxLayout(form.get());
        for (QWidget *control : std::initializer_list<QWidget *> { popUp, number, text })
            layout->addWidget(control);
        return form;
    }
    void awakeFromNib() override
    {
        bind(popUp, QStringLiteral("testPopUp"));
        bind(number, QStringLiteral("testNumber"));
        bind(text, QStringLiteral("testText"));
    }
    void boundValuesDidChange() override { ++boundChanges; }
};

// Still registered when destroyed at exit, after the shared controller.
RecordingObserver outlivingObserver;

int nibLoads = 0;

// Its form is a view of the size given, or none.
class CountingPane : public KFPreferencePane
{
    Q_OBJECT
public:
    CountingPane(const char *label, const QString &nibName, QSize size = {})
        : m_size(size)
    {
        setLabel(QLatin1String(label));
        setNibName(nibName);
    }
    int viewDidLoadCalls = 0;

protected:
    std::unique_ptr<QWidget> loadNib() override
    {
        if (m_size.isEmpty())
            return nullptr;
        ++nibLoads;
        auto view = std::make_unique<QWidget>();
        view->resize(m_size);
        return view;
    }
    void viewDidLoad() override { ++viewDidLoadCalls; }

private:
    QSize m_size;
};

// Panes with views of 300x260, 520x120 and 200x40.
class Controller : public KFPreferenceController
{
    Q_OBJECT
public:
    CountingPane *pane(const char *label) const
    {
        return qobject_cast<CountingPane *>(KFPreferenceController::pane(QLatin1String(label)));
    }
    QWidget *view(const char *label) const { return pane(label)->loadedView(); }
    QAction *item(const char *label) const
    {
        const QList<QAction *> actions = toolbar()->actions();
        auto found = std::find_if(actions.begin(), actions.end(), [&](QAction *a) { return a->objectName() == label; });
        return found == actions.end() ? nullptr : *found;
    }
    QList<QWidget *> subviews() const
    {
        return contentSubview()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    }
    QSize sizeFor(int width, int height) const { return QSize(width, height + toolbar()->height()); }
    bool centred() const
    {
        const QPoint offset = window()->frameGeometry().center() - window()->screen()->availableGeometry().center();
        return offset.manhattanLength() <= 4;
    }
    void finishAnimation() const
    {
        QTRY_COMPARE_WITH_TIMEOUT(viewAnimation()->state(), QAbstractAnimation::Stopped, 5000);
    }

protected:
    void setupToolbar() override
    {
        for (const auto &[label, size] : { std::pair { "Tall", QSize(300, 260) }, std::pair { "Wide", QSize(520, 120) },
                 std::pair { "Small", QSize(200, 40) } })
            addPreferencePane(std::make_unique<CountingPane>(label, QLatin1String(label), size));
    }
};

// Another application's preference window.
class OtherController : public KFPreferenceController
{
    Q_OBJECT
};

// A focusable widget that records the pastes it receives.
class PasteRecorder : public QWidget
{
    Q_OBJECT
public:
    PasteRecorder() { setFocusPolicy(Qt::StrongFocus); }
    int pastes = 0;

public Q_SLOTS:
    void paste() { ++pastes; }
};

template <typename F> void row(const char *name, const QVariant &expected, F call)
{
    QTest::newRow(name) << Call([call] { return QVariant::fromValue(call()); }) << expected;
}

// The bytes written, or an empty array if they do not read back as the string.
QByteArray pascalRoundTrip(const QString &string, QStringConverter::Encoding encoding)
{
    KFPascalString pascal {};
    pascal.fill(0xAA);
    const qint32 written = convertToPascalStringInBuffer(string, pascal, encoding);
    if (stringWithPascalString(pascal, encoding) != string)
        return {};
    return QByteArray(reinterpret_cast<const char *>(pascal.data()), written);
}

// The groups of the first match, "(none)" for a group that took no part.
QStringList match(const QString &string, const char *pattern, bool ignoreCase = false)
{
    const auto groups = findRegularExpression(string, QString::fromUtf8(pattern), ignoreCase);
    if (!groups)
        return { QStringLiteral("(no match)") };
    QStringList texts;
    for (const std::optional<QString> &group : *groups)
        texts.append(group.value_or(QStringLiteral("(none)")));
    return texts;
}

// The start of what the call raises, if a reason follows it.
template <typename F> QString raised(F call)
{
    try {
        call();
    } catch (const std::invalid_argument &error) {
        const QString what = QString::fromUtf8(error.what());
        return what.size() > 9 ? what.left(9) : what;
    }
    return QStringLiteral("nothing");
}

QByteArray response(const QByteArray &status, const QByteArray &body, const QByteArray &headers = {})
{
    return "HTTP/1.1 " + status + "\r\nConnection: close\r\n" + headers
        + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const QHash<QByteArray, QByteArray> responses {
    { "/empty", response("200 OK", "") },
    { "/version", response("200 OK", "1.0.1\n") },
    { "/redirect", response("302 Found", "the redirect's own body", "Location: /final\r\n") },
    { "/final", response("200 OK", "final body") },
    { "/missing", response("404 Not Found", "<html>no such page</html>") },
    { "/binary", response("200 OK", "caf\xc3\xa9") },
    { "/truncated", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b" },
    { "/long", response("200 OK", QByteArray(100000, 'x')) },
};

} // namespace

class TestFoundation : public QObject
{
    Q_OBJECT

private:
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path);
    }
    QTcpServer server;

private Q_SLOTS:
    void initTestCase()
    {
        QFile::remove(defaults().storeFileName());
        outlivingObserver.addObserverSharedUserDefaults(QStringLiteral("test.outliving"));
        defaults().registerDefaults({ { "testPopUp", 1 }, { "testNumber", 5 }, { "testText", "c.*" } });
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                    socket->setProperty("request", request);
                    if (request.contains("\r\n\r\n")) {
                        socket->write(responses.value(request.split(' ').value(1)));
                        socket->disconnectFromHost();
                    }
                });
            }
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
    }

    void cleanup()
    {
        for (const char *key : { "testPopUp", "testNumber", "testText" })
            defaults().removeObjectForKey(QLatin1String(key));
    }

    void storedValueWinsOverDefaultAndRemovalRestoresIt()
    {
        const QString key = QStringLiteral("test.wins");
        defaults().registerDefaults({ { key, 5 } });
        QCOMPARE(defaults().integerForKey(key), 5);
        RecordingObserver observer;
        observer.addObserverSharedUserDefaults(key);
        defaults().setObjectForKey(9, key);
        defaults().removeObjectForKey(key);
        QCOMPARE(defaults().integerForKey(key), 5);
        defaults().setObjectForKey(9, key);
        defaults().setObjectForKey(QVariant(), key); // an empty value removes too
        QCOMPARE(observer.changes, QVariantList({ 9, 5, 9, 5 })); // removal tells the default
        defaults().synchronize();
        QVERIFY(!QSettings(defaults().storeFileName(), QSettings::IniFormat).contains(key)); // defaults never written
    }

    void valuesReadAsTheAskedType()
    {
        const QString key = QStringLiteral("test.typed");
        for (const QVariant &wrongType :
            { QVariant(), QVariant(QStringList { "a" }), QVariant(QVariantMap { { "a", 1 } }) }) {
            defaults().setObjectForKey(wrongType, key);
            QCOMPARE(QVariantList(
                         { defaults().integerForKey(key), defaults().boolForKey(key), defaults().stringForKey(key) }),
                QVariantList({ 0, false, QString() }));
        }
        defaults().setObjectForKey(QStringLiteral("12"), key); // values read back from the file are text
        QCOMPARE(defaults().integerForKey(key), 12);
        QVERIFY(defaults().boolForKey(key));
        defaults().setObjectForKey(QStringLiteral("false"), key);
        QVERIFY(!defaults().boolForKey(key));
    }

    // What the store reads back is kept; anything else is set aside, not written over.
    void onlySettingsFilesAreKept_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("kept");
        QTemporaryDir dir;
        const QString written = dir.filePath(QStringLiteral("written.conf"));
        {
            QSettings store(written, QSettings::IniFormat);
            store.setValue(QStringLiteral("recent"), QVariantList({ QByteArray("/tmp/a\xff b"), QByteArray("/x,y") }));
            store.setValue(QStringLiteral("group/name with spaces"), QStringLiteral("\u00e9t\u00e9 = \\ ; #"));
            store.setValue(QStringLiteral("lines"), QStringLiteral("one\ntwo\r\n"));
        }
        QFile file(written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow("as the store writes it") << file.readAll() << true;
        QTest::newRow("comments, CR LF, a value going on")
            << QByteArray("; note\r\n# note\r\n\r\n[General]\r\nlist=a, \\\r\n  b\r\n") << true;
        QTest::newRow("binary junk") << QByteArray("\x7f"
                                                   "ELF\x02\x01\x01\0\0\0\x89PNG\r\n",
            16) << false;
        QTest::newRow("not UTF-8") << QByteArray("[General]\nname=\xe9t\xe9\n") << false;
        QTest::newRow("a line that is no key=value") << QByteArray("[General]\nmeasurement=2\nhello world\n") << false;
        QTest::newRow("a section left open") << QByteArray("[General\nmeasurement=2\n") << false;
    }

    void onlySettingsFilesAreKept()
    {
        QFETCH(QByteArray, contents);
        QTEST(KFUserDefaultsController::isSettingsText(contents), "kept");
    }

    void everyRegistrationGetsACallback()
    {
        const QString key = QStringLiteral("test.notify");
        RecordingObserver observer;
        observer.addObserverSharedUserDefaults(key);
        observer.addObserverSharedUserDefaults(key);
        observer.onNotification = [&] { QCOMPARE(defaults().integerForKey(key), 3); }; // stored before telling
        defaults().setObjectForKey(3, key);
        defaults().setObjectForKey(3, QStringLiteral("test.unobserved"));
        QCOMPARE(observer.changes, QVariantList({ 3, 3 }));
        observer.onNotification = nullptr;
        observer.removeObserverSharedUserDefaults(key);
        defaults().setObjectForKey(3, key); // the same value still tells
        observer.removeObserverSharedUserDefaults(key);
        observer.removeObserverSharedUserDefaults(key); // one too many: ignored
        defaults().setObjectForKey(4, key);
        QCOMPARE(observer.changes, QVariantList({ 3, 3, 3 }));
    }

    // Under the sanitizer build a call into a destroyed observer fails here.
    void destroyedObserversAreNeverCalled()
    {
        const QString key = QStringLiteral("test.destroyed");
        auto gone = std::make_unique<RecordingObserver>();
        gone->addObserverSharedUserDefaults(key);
        gone.reset();
        auto first = std::make_unique<RecordingObserver>();
        auto second = std::make_unique<RecordingObserver>();
        RecordingObserver late;
        first->addObserverSharedUserDefaults(key);
        second->addObserverSharedUserDefaults(key);
        first->addObserverSharedUserDefaults(key);
        first->onNotification = [&] { // registers one, destroys the next one and itself
            late.addObserverSharedUserDefaults(key);
            second.reset();
            first.reset();
        };
        defaults().setObjectForKey(1, key);
        QVERIFY(!first && !second && late.changes.isEmpty());
        defaults().setObjectForKey(2, key);
        QCOMPARE(late.changes, QVariantList { 2 });
    }

    void textIsStoredWhenItsEditEnds()
    {
        BoundPane pane;
        QCOMPARE(pane.text->text(), QStringLiteral("c.*"));
        QSignalSpy stored(&defaults(), &KFUserDefaultsController::valueChanged);
        pane.number->setValue(12);
        pane.text->setText(QStringLiteral("p.*"));
        QCOMPARE(stored.size(), 1);
        Q_EMIT pane.text->editingFinished();
        Q_EMIT pane.text->editingFinished(); // an unchanged edit stores nothing
        QCOMPARE(stored, QList<QVariantList>({ { "testNumber", 12 }, { "testText", "p.*" } }));
        QCOMPARE(pane.boundChanges, 2);
    }

    void controlsFollowChangesMadeElsewhere()
    {
        BoundPane pane;
        std::make_unique<BoundPane>().reset(); // a destroyed pane must hear nothing
        defaults().setObjectForKey(42, QStringLiteral("testNumber"));
        defaults().setObjectForKey(QStringLiteral("x.*"), QStringLiteral("testText"));
        QCOMPARE(pane.number->value(), 42);
        QCOMPARE(pane.text->text(), QStringLiteral("x.*"));
        QCOMPARE(pane.boundChanges, 2);
        defaults().removeObjectForKey(QStringLiteral("testNumber"));
        QCOMPARE(pane.number->value(), 5);
    }

    void valuesOutsideTheControlsRangeAreNotRewritten()
    {
        defaults().setObjectForKey(7, QStringLiteral("testPopUp"));
        defaults().setObjectForKey(1000, QStringLiteral("testNumber"));
        QSignalSpy stored(&defaults(), &KFUserDefaultsController::valueChanged);
        BoundPane pane;
        QCOMPARE(pane.popUp->currentIndex(), -1);
        QCOMPARE(pane.number->value(), 99);
        QVERIFY(stored.isEmpty());
        QCOMPARE(defaults().integerForKey(QStringLiteral("testNumber")), 1000);
    }
    void switchingPanesCrossFadesAndTheLastSwitchWins()
    {
        Controller controller;
        controller.showWindow();
        QWidget *tall = controller.view("Tall");
        controller.item("Wide")->trigger();
        QCOMPARE(controller.subviews(), QList<QWidget *>({ tall, controller.view("Wide") }));
        controller.item("Small")->trigger();
        controller.finishAnimation();
        QCOMPARE(controller.window()->windowTitle(), QStringLiteral("Small"));
        QVERIFY(controller.item("Small")->isChecked() && !controller.item("Wide")->isChecked());
        QCOMPARE(controller.subviews(), QList<QWidget *>({ controller.view("Small") }));
        QCOMPARE(controller.window()->size(), controller.sizeFor(200, 40));
    }

    void everyShowingRebuildsThePanesAndEveryDisplayLoadsTheView()
    {
        Controller controller;
        controller.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(controller.window()));
        // Centred on first showing, fitting the first pane, not resizable.
        QCOMPARE(controller.window()->size(), controller.sizeFor(300, 260));
        QCOMPARE(controller.window()->minimumSize(), controller.window()->maximumSize());
        QVERIFY(controller.centred());
        controller.setPane(QStringLiteral("Wide"), false);
        controller.setPane(QStringLiteral("Tall"), false);
        QCOMPARE(controller.pane("Tall")->viewDidLoadCalls, 2);
        const QPointer<KFPreferencePane> firstTall = controller.pane("Tall");
        controller.window()->move(controller.window()->pos() + QPoint(37, 23));
        const QPoint moved = controller.window()->frameGeometry().topLeft();
        const int loadsBefore = nibLoads;
        controller.showWindow();
        QVERIFY(firstTall.isNull());
        QCOMPARE(nibLoads, loadsBefore + 1); // only the first pane's view so far
        QCOMPARE(controller.toolbar()->actions().size(), 3);
        QCOMPARE(controller.subviews(), QList<QWidget *>({ controller.view("Tall") }));
        QCOMPARE(controller.window()->frameGeometry().topLeft(), moved); // where the user left it
    }

    void escapeAndCloseKeysCloseTheWindowWhichReopensWhereItWas()
    {
        Controller controller;
        controller.showWindow();
        QWidget *window = controller.window();
        window->move(window->pos() + QPoint(-41, 17));
        const QPoint moved = window->frameGeometry().topLeft();
        for (const QKeySequence &keys : { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keySequence(window->focusWidget() ? window->focusWidget() : window, keys);
            QVERIFY(!window->isVisible());
            controller.showWindow();
        }
        QCOMPARE(window->frameGeometry().topLeft(), moved);
    }

    void missingFormGivesABlankView()
    {
        CountingPane pane("Blank", QStringLiteral("NoSuchForm"));
        QTest::ignoreMessage(
            QtWarningMsg, "Warning: unabled to load nib for Blank preference pane. Generating blank view.");
        QCOMPARE(pane.view()->geometry(), QRect(0, 0, 480, 5));
    }

    // Left open, the shared controller goes when the main loop ends, while
    // the application object is still whole.
    void theSharedControllerIsCreatedOnce()
    {
        Controller *shared = KFPreferenceController::sharedPreferenceController<Controller>();
        QVERIFY(shared);
        QCOMPARE(KFPreferenceController::sharedPreferenceController(), shared);
        // Asked for as another class, it is not there to be misused.
        QCOMPARE(KFPreferenceController::sharedPreferenceController<OtherController>(), nullptr);
        shared->showWindow();
        const QPointer<KFPreferenceController> watched(shared);
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
        QVERIFY(watched.isNull());
    }

    void pasteKeyGoesToTheFocusedWidget()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *field = new KUIPasteTextField;
        auto *recorder = new PasteRecorder;
        layout->addWidget(field);
        layout->addWidget(recorder);
        recorder->setFocus();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(recorder->pastes, 1);
    }

    void additions_data()
    {
        addColumns<Call, QVariant>("call", "expected");
        row("no occurences of empty", 0, [] { return occurencesOfSubstring("aaa", ""); });
        row("never contains empty", false, [] { return containsString("", ""); });
        row("safe for XML", "&amp;&lt;b &quot;&apos;&gt;", [] { return stringSafeForXML("&<b \"'>"); });
        row("split with empty rest", QStringList { "abc", "def", "" }, [] { return splitToSize("abcdef", 3); });
        row("pascal: utf-8", QByteArray("\x07Gr\xc3\xbc\xc3\x9f\x65"),
            [] { return pascalRoundTrip(QStringLiteral("Grüße"), QStringConverter::Utf8); });
        row("group not taking part", QStringList { "b", "(none)", "b" }, [] { return match("b", "(a)|(b)"); });
        row("non-ASCII before and in the match", QStringList { QStringLiteral("=größe"), QStringLiteral("größe") },
            [] { return match(QStringLiteral("äö=größe;"), "=([^;]*)"); });
        // Run under the sanitizer build, these also show that nothing leaks.
        row("bad pattern", "regcomp: ", [] { return raised([] { findRegularExpression("ab", "(ab", false); }); });
        row("pascal: invalid UTF-8", QVariant::fromValue(std::optional<QString>()), [] {
            return stringWithPascalString({ 2, 0xC3, 0x28 }, QStringConverter::Utf8);
        });
    }

    void additions()
    {
        QFETCH(QVariant, expected);
        const QVariant actual = fetched<Call>("call")();
        if (expected.typeId() == QMetaType::QStringList) // for a readable failure
            QCOMPARE(actual.toStringList(), expected.toStringList());
        QCOMPARE(actual, expected);
    }

    void safeFilePathSkipsTakenNames()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.txt");
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        QVERIFY(QFile(dir.filePath("out 1.txt")).open(QIODevice::WriteOnly));
        QCOMPARE(safeFilePath(path), dir.filePath("out 2.txt"));
    }

    void bodyIsPassedOnWhateverTheStatus_data()
    {
        addColumns<QString, QString, int>("path", "body", "status");
        QTest::newRow("empty body") << u"/empty"_s << "" << 200;
        QTest::newRow("trailing newline kept") << u"/version"_s << "1.0.1\n" << 200;
        QTest::newRow("redirect keeps the final body only") << u"/redirect"_s << "final body" << 200;
        QTest::newRow("404 page") << u"/missing"_s << "<html>no such page</html>" << 404;
        QTest::newRow("non-ASCII reads as no string") << "/binary" << QString() << 200;
        QTest::newRow("as long as the limit") << "/long" << QString(100000, QLatin1Char('x')) << 200;
    }

    // The requester may delete the request inside its completion.
    void bodyIsPassedOnWhateverTheStatus()
    {
        QFETCH(QString, path);
        QFETCH(QString, body);
        QStringList received;
        auto request = std::make_unique<KFHttpGet>();
        request->setMaximumBodySize(100000);
        QSignalSpy failed(request.get(), &KFHttpGet::failed);
        QVERIFY(request->get(url(path), this, [&](KFHttpGet &self) {
            received << self.responseDataAsString();
            QTEST(self.statusCode(), "status");
            request.reset();
        }));
        QVERIFY(!request->get(url(path), this, [](KFHttpGet &) {})); // one request per object
        QTRY_VERIFY(!request);
        QCOMPARE(received, QStringList { body });
        QCOMPARE(received.first().isNull(), body.isNull());
        QTest::qWait(50); // called once; deferred clean-up must not touch the deleted object
        QCOMPARE(received.size(), 1);
        QCOMPARE(failed.size(), 0);
        QVERIFY(!KFHttpGet().get(QStringLiteral("http://exa mple/"), this, [](KFHttpGet &) {}));
    }

    void failuresAreLoggedAndNobodyIsTold()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
        closed.close();
        // A body one byte past the limit fails as it arrives.
        for (const QString &target : { refused, url(QStringLiteral("/truncated")), url(QStringLiteral("/long")) }) {
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression(
                    QStringLiteral("^Connection failed! Error - .+ %1$").arg(QRegularExpression::escape(target))));
            int completions = 0;
            KFHttpGet request;
            request.setMaximumBodySize(99999);
            QSignalSpy failed(&request, &KFHttpGet::failed);
            QVERIFY(request.get(target, this, [&](KFHttpGet &) { ++completions; }));
            QTRY_COMPARE(failed.size(), 1);
            QTest::qWait(50);
            QCOMPARE(completions, 0);
            QCOMPARE(request.responseDataAsString(), QString(""));
            QCOMPARE(request.bodyTooLarge(), target.endsWith(QLatin1String("/long")));
        }
    }

    // Neither a request deleted while loading nor one whose requester is gone calls its completion.
    void nothingArrivesAfterEitherSideIsGone()
    {
        int completions = 0;
        auto loading = std::make_unique<KFHttpGet>();
        QVERIFY(loading->get(url(QStringLiteral("/version")), this, [&](KFHttpGet &) { ++completions; }));
        loading.reset();
        auto requester = std::make_unique<QObject>();
        KFHttpGet orphaned;
        QVERIFY(orphaned.get(url(QStringLiteral("/version")), requester.get(), [&](KFHttpGet &) { ++completions; }));
        requester.reset();
        QTest::qWait(200);
        QCOMPARE(completions, 0);
    }
};

QTEST_MAIN(TestFoundation)
#include "tst_foundation.moc"
