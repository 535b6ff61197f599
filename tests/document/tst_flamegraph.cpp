#include "DataColumns.h"
#include "DocumentTestSupport.h"

#include "DocumentWindow.h"
#include "FindBar.h"

#include "FlameGraphColours.h"
#include "FlameGraphLayout.h"
#include "FlameGraphPathBar.h"
#include "FlameGraphTab.h"
#include "FlameGraphView.h"
#include "FunctionIcons.h"
#include "MyDocument.h"
#include "SettingsKeys.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {

// One record of a profile that records time and memory: a call with its
// self costs that calls the `callees` records just before it.
QByteArray node(const QByteArray &name, int time, int memory, int callees = 0)
{
    QByteArray text = "fl=/" + name + ".php\nfn=" + name + "\n3 " + QByteArray::number(time) + ' '
        + QByteArray::number(memory) + '\n';
    for (int i = 0; i < callees; ++i)
        text += "cfn=x\n";
    return text + '\n';
}

// main calls a (which calls c), t1 (which calls u), t2, b, t3 and t4: 1000
// inclusive time units in all. Memory: a's own is negative, c's is larger
// than a's inclusive, t3's is negative.
const QByteArray shapes = "events: Time Memory\n\n" + node("c", 200, 300) + node("a", 200, -100, 1) + node("u", 5, 0)
    + node("t1", 0, 0, 1) + node("t2", 5, 0) + node("b", 280, 250) + node("t3", 5, -10) + node("t4", 0, 0)
    + node("main", 305, 60, 6);

std::unique_ptr<Profile> profileOf(const QByteArray &text)
{
    auto profile = std::make_unique<Profile>();
    if (!profile->readFromData(text))
        qFatal("cannot read the profile");
    return profile;
}

// A chain of calls f0 -> f1 -> ... with `names` in order.
QByteArray chain(const QStringList &names)
{
    QByteArray text = "events: Time Memory\n\n";
    for (qsizetype i = names.size(); i-- > 0;)
        text += node(names[i].toUtf8(), 1, 0, i + 1 < names.size() ? 1 : 0);
    return text;
}

// Each row as "name@x+width", blocks as "[calls]@x+width".
QStringList rowsOf(const FlameGraphLayout &layout, const CallTree &tree)
{
    QStringList rows;
    for (int depth = 0; depth < layout.rowCount(); ++depth) {
        QStringList bars;
        for (const FlameGraphLayout::Bar &bar : layout.row(depth)) {
            const QString label
                = bar.isBlock() ? QStringLiteral("[%1]").arg(bar.blockSize) : tree.call(bar.call).function().name();
            bars << QStringLiteral("%1@%2+%3").arg(label).arg(bar.x).arg(bar.width);
        }
        rows << bars.join(QLatin1Char(' '));
    }
    return rows;
}

QString nameOf(const ProfiledFunctionCall *call)
{
    return call ? call->function().name() : QStringLiteral("(gap)");
}

} // namespace

class TestFlameGraph : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Profile> m_shapes;
    std::unique_ptr<FlameGraphView> m_view;

    // A graph of main of the shapes profile, `width` pixels wide.
    FlameGraphView &view(int width = 1000)
    {
        m_view = std::make_unique<FlameGraphView>();
        m_view->setFrameShape(QFrame::NoFrame);
        m_view->resize(width, 300);
        m_view->setCall(m_shapes->rootFunction());
        m_view->show();
        return *m_view;
    }

    QPoint pointIn(FlameGraphView &graph, int row, int x) { return QPoint(x, row * graph.rowHeight() + 3); }

private Q_SLOTS:
    void initTestCase()
    {
        registerSettingsDefaults();
        qRegisterMetaType<const ProfiledFunctionCall *>();
        defaults().setObjectForKey(2, VTCMeasurement);
        m_shapes = profileOf(shapes);
    }

    void cleanup() { m_view.reset(); }

    void layout_data()
    {
        addColumns<QByteArray, int, double, QStringList>("profile", "event", "width", "rows");
        QTest::newRow("wide enough for all")
            << shapes << 0 << 1000.0
            << QStringList { "main@0+1000", "a@0+400 t1@400+5 t2@405+5 b@410+280 t3@690+5", "c@0+200 u@400+5" };
        // t1 and t2 are half a pixel each, t3 half and t4 none: blocks,
        // and nothing below t1 is laid out.
        QTest::newRow("narrow calls in blocks")
            << shapes << 0 << 100.0 << QStringList { "main@0+100", "a@0+40 [2]@40+1 b@41+28 [2]@69+0.5", "c@0+20" };
        QTest::newRow("narrower than a pixel") << shapes << 0 << 0.5 << QStringList { "main@0+0.5" };
        // Negative figures are no width; c, larger than a, fills it.
        QTest::newRow("memory") << shapes << 1 << 100.0 << QStringList { "main@0+100", "a@0+40 b@40+50", "c@0+40" };
        QByteArray wide = "events: Time\n\n";
        for (int i = 0; i < 20000; ++i)
            wide += "fn=leaf\n1 1\n\n";
        wide += "fn=main\n1 0\n" + QByteArray("cfn=leaf\n").repeated(20000) + '\n';
        QTest::newRow("twenty thousand narrow callees")
            << wide << 0 << 100.0 << QStringList { "main@0+100", "[20000]@0+100" };
    }

    void layout()
    {
        QFETCH(QByteArray, profile);
        QFETCH(int, event);
        QFETCH(double, width);
        const std::unique_ptr<Profile> read = profileOf(profile);
        FlameGraphLayout layout;
        layout.reset(read->callTree(), read->callTree().rootNumber(), event, width);
        layout.layOutRows(1000);
        QVERIFY(layout.isComplete());
        QTEST(rowsOf(layout, read->callTree()), "rows");
    }

    void colours_data()
    {
        addColumns<QByteArray, FlameGraphColours::Kind, QString>("name", "kind", "icon");
        QTest::newRow("internal") << QByteArray("php::strlen") << FlameGraphColours::Kind::Internal
                                  << "phpFunctionIcon.tif";
        QTest::newRow("method") << QByteArray("Cart->total") << FlameGraphColours::Kind::Method
                                << "objectMethodIcon.tif";
        QTest::newRow("function") << QByteArray("{main}") << FlameGraphColours::Kind::Application
                                  << "applicationFunctionIcon.tif";
        QTest::newRow("require") << QByteArray("require::/a.php") << FlameGraphColours::Kind::Inclusion << "";
        QTest::newRow("include") << QByteArray("include::/b.php") << FlameGraphColours::Kind::Inclusion << "";
    }

    void colours()
    {
        QFETCH(QByteArray, name);
        QFETCH(FlameGraphColours::Kind, kind);
        QFETCH(QString, icon);
        const std::unique_ptr<Profile> profile = profileOf("fn=" + name + "\n1 1\n");
        const FunctionModel &function = profile->rootFunction()->function();
        QCOMPARE(FlameGraphColours::kindOf(function), kind);
        // The shade varies, the hue is the kind's, the one of its picture.
        const QColor colour = FlameGraphColours::colourOf(function);
        QVERIFY(qAbs(colour.hsvHue() - FlameGraphColours::kindColour(kind).hsvHue()) <= 2);
        if (!icon.isEmpty()) {
            // The picture's commonest colour is its fill.
            const QImage image = FunctionIcons::imageNamed(icon, 64);
            QHash<QRgb, int> counts;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    ++counts[image.pixel(x, y)];
            }
            counts.remove(0);
            const QColor fill
                = QColor::fromRgb(std::max_element(counts.keyValueBegin(), counts.keyValueEnd(), [](auto a, auto b) {
                      return a.second < b.second;
                  })->first);
            QVERIFY2(qAbs(fill.hsvHue() - colour.hsvHue()) <= 2, qPrintable(fill.name()));
        }
        // The same name always has the same shade, and names differ.
        QCOMPARE(FlameGraphColours::colourOf(profileOf("fn=" + name + "\n1 1\n")->rootFunction()->function()), colour);
        QSet<QRgb> shades;
        for (int i = 0; i < 8; ++i) {
            const std::unique_ptr<Profile> other = profileOf("fn=" + name + QByteArray::number(i) + "\n1 1\n");
            shades << FlameGraphColours::colourOf(other->rootFunction()->function()).rgb();
        }
        QVERIFY(shades.size() >= 4);
    }

    // A click and Enter activate the bar's call, a block its caller; a
    // double-click activates once.
    void activation_data()
    {
        addColumns<int, int, QString, QStringList>("row", "x", "keys", "activated");
        QTest::newRow("top") << 0 << 500 << "" << QStringList { "main" };
        QTest::newRow("first callee") << 1 << 10 << "" << QStringList { "a" };
        QTest::newRow("left edge of the next") << 1 << 400 << "" << QStringList { "t1" };
        QTest::newRow("below a callee") << 2 << 402 << "" << QStringList { "u" };
        QTest::newRow("nothing there") << 2 << 600 << "" << QStringList();
        QTest::newRow("past the last row") << 3 << 10 << "" << QStringList();
        QTest::newRow("double-click") << 1 << 600 << "double" << QStringList { "b" };
        QTest::newRow("Enter on the top") << -1 << 0 << "Return" << QStringList { "main" };
        QTest::newRow("down, right") << -1 << 0 << "Down Right Return" << QStringList { "t1" };
        QTest::newRow("down twice") << -1 << 0 << "Down Down Return" << QStringList { "c" };
        QTest::newRow("right at the end, up")
            << -1 << 0 << "Down Left Right Right Right Right Right Up Home Down Return" << QStringList { "a" };
        QTest::newRow("a click, then keys") << 1 << 600 << "Right Return" << QStringList { "b", "t3" };
    }

    void activation()
    {
        QFETCH(int, row);
        QFETCH(int, x);
        QFETCH(QString, keys);
        FlameGraphView &graph = view();
        QSignalSpy spy(&graph, &FlameGraphView::callActivated);
        if (keys == QLatin1String("double")) {
            // As windows get it: a click, a press, the double-click, a release.
            const QPoint at = pointIn(graph, row, x);
            QTest::mouseClick(graph.viewport(), Qt::LeftButton, {}, at);
            QTest::mousePress(graph.viewport(), Qt::LeftButton, {}, at);
            QMouseEvent doubleClick(
                QEvent::MouseButtonDblClick, at, graph.viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(graph.viewport(), &doubleClick);
            QTest::mouseRelease(graph.viewport(), Qt::LeftButton, {}, at);
        } else {
            if (row >= 0)
                QTest::mouseClick(graph.viewport(), Qt::LeftButton, {}, pointIn(graph, row, x));
            for (const QString &key : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                QTest::keyClick(&graph, QKeySequence(key)[0].key());
        }
        QStringList activated;
        for (const QList<QVariant> &arguments : spy)
            activated << nameOf(arguments[0].value<const ProfiledFunctionCall *>());
        QTEST(activated, "activated");
    }

    void toolTips_data()
    {
        addColumns<int, int, int, int, QString>("event", "row", "x", "width", "expected");
        QTest::newRow("a call") << 0 << 1 << 10 << 1000
                                << "<b>a</b><br>/a.php:3<br>Self: 200\u00b5s, -100 bytes<br>"
                                   "Inclusive: 400\u00b5s, 200 bytes<br>40.00% of main (Time)";
        QTest::newRow("memory") << 1 << 1 << 10 << 1000
                                << "<b>a</b><br>/a.php:3<br>Self: 200\u00b5s, -100 bytes<br>"
                                   "Inclusive: 400\u00b5s, 200 bytes<br>40.00% of main (Memory)";
        QTest::newRow("a block") << 0 << 1 << 40 << 100
                                 << "<b>2 calls</b> too narrow to show, made by main<br>"
                                    "Inclusive: 10\u00b5s, 0 bytes<br>1.00% of main (Time)";
    }

    void toolTips()
    {
        QFETCH(int, event);
        QFETCH(int, row);
        QFETCH(int, x);
        QFETCH(int, width);
        FlameGraphView &graph = view(width);
        graph.setEvent(event);
        const FlameGraphLayout::Bar *bar = graph.barAt(pointIn(graph, row, x));
        QVERIFY(bar);
        QTEST(graph.toolTipText(*bar), "expected");
    }

    void namesAreNeverMarkup()
    {
        const std::unique_ptr<Profile> profile = profileOf(chain({ "<i>main</i>", "a&b" }));
        FlameGraphView graph;
        graph.resize(400, 200);
        graph.setCall(profile->rootFunction());
        const FlameGraphLayout::Bar *bar = graph.barAt(QPoint(10, graph.rowHeight() + 3));
        QVERIFY(bar);
        QVERIFY2(graph.toolTipText(*bar).startsWith("<b>a&amp;b</b><br>/a&amp;b.php:3"),
            qPrintable(graph.toolTipText(*bar)));
        QVERIFY(graph.toolTipText(*bar).endsWith("of &lt;i&gt;main&lt;/i&gt; (Time)"));
        FlameGraphPathBar path;
        path.setCall(profile->rootFunction()->getChild(0));
        QToolButton *button = path.findChildren<QToolButton *>().at(1);
        QCOMPARE(button->text(), QStringLiteral("a&&b"));
        QCOMPARE(button->toolTip(), QStringLiteral("a&amp;b"));
    }

    void path_data()
    {
        addColumns<int, QStringList>("depth", "shown");
        QStringList names;
        for (int i = 0; i < 15; ++i)
            names << QStringLiteral("f%1").arg(i);
        QTest::newRow("root") << 0 << QStringList { "f0" };
        QTest::newRow("all fit") << 9 << names.mid(0, 10);
        QTest::newRow("one too deep") << 10 << QStringList { "f0", "(gap)" } + names.mid(3, 8);
        QTest::newRow("deep") << 14 << QStringList { "f0", "(gap)" } + names.mid(7, 8);
    }

    void path()
    {
        QFETCH(int, depth);
        QStringList names;
        for (int i = 0; i < 15; ++i)
            names << QStringLiteral("f%1").arg(i);
        const std::unique_ptr<Profile> profile = profileOf(chain(names));
        const ProfiledFunctionCall *call = profile->rootFunction();
        for (int i = 0; i < depth; ++i)
            call = call->getChild(0);
        QStringList shown;
        for (const ProfiledFunctionCall *crumb : FlameGraphPathBar::pathTo(call, FlameGraphPathBar::maximumCalls))
            shown << nameOf(crumb);
        QTEST(shown, "shown");

        // The visible buttons say the same, and clicking the first goes to the root.
        FlameGraphPathBar bar;
        bar.resize(2000, 30);
        bar.setCall(call);
        QSignalSpy spy(&bar, &FlameGraphPathBar::callActivated);
        QStringList buttons;
        for (QToolButton *button : bar.findChildren<QToolButton *>()) {
            if (!button->isHidden())
                buttons << (button->isEnabled() ? button->text() : QStringLiteral("(gap)"));
        }
        QTEST(buttons, "shown");
        bar.findChildren<QToolButton *>().first()->click();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].value<const ProfiledFunctionCall *>(), profile->rootFunction());
    }

    void eventChooser()
    {
        FlameGraphTab tab(*m_shapes);
        tab.setCall(m_shapes->rootFunction());
        tab.resize(800, 400);
        tab.show();
        FlameGraphView &graph = *tab.view();
        QComboBox *events = tab.eventChooser();
        QCOMPARE(events->count(), 2);
        QCOMPARE(events->currentText(), QStringLiteral("Time"));
        events->setCurrentIndex(1);
        QCOMPARE(graph.event(), 1);
        // Zero and negative memory take no room.
        QStringList names;
        for (int row = 0; row < graph.bars().rowCount(); ++row) {
            for (const FlameGraphLayout::Bar &bar : graph.bars().row(row))
                names << m_shapes->callTree().call(bar.call).function().name();
        }
        QCOMPARE(names, QStringList({ "main", "a", "b", "c" }));
    }

    void clicksSelectInTheOutline()
    {
        MyDocument document(QStringLiteral("/shapes.cachegrind"), profileOf(shapes));
        document.makeWindowControllers();
        QTabWidget *tabs = document.tabView();
        const int tab = tabs->indexOf(document.flameGraphTab());
        QCOMPARE(tabs->tabText(tab), QStringLiteral("Flame Graph"));
        tabs->setCurrentIndex(tab);
        document.window()->show();
        FlameGraphView *graph = document.flameGraphTab()->view();
        QCOMPARE(graph->call(), document.rootFunction());

        // Into a, then c, then back to the root through the path.
        QTest::mouseClick(graph->viewport(), Qt::LeftButton, {}, pointIn(*graph, 1, 2));
        QCOMPARE(nameOf(document.selectedCall()), QStringLiteral("a"));
        QCOMPARE(nameOf(graph->call()), QStringLiteral("a"));
        QTest::mouseClick(graph->viewport(), Qt::LeftButton, {}, pointIn(*graph, 1, 2));
        QCOMPARE(nameOf(graph->call()), QStringLiteral("c"));
        QCOMPARE(outlineRows(*document.outlineModel()).mid(0, 3), QStringList({ "main -", "  a -", "    c" }));
        document.flameGraphTab()->pathBar()->findChild<QToolButton *>()->click();
        QCOMPARE(document.selectedCall(), document.rootFunction());
        QCOMPARE(graph->call(), document.rootFunction());

        // The document's find brings out the matching functions' bars and
        // dims the others, until the find bar closes.
        document.find();
        QTest::keyClicks(document.findBar()->field(), "T");
        const CallTree &tree = document.profile().callTree();
        auto dimmed = [&] {
            QStringList names;
            for (quint32 call = 0; call < tree.size(); ++call) {
                if (graph->isDimmed(tree.call(call).function()))
                    names << tree.call(call).function().name();
            }
            return names;
        };
        QTRY_COMPARE(dimmed(), QStringList({ "c", "a", "u", "b", "main" }));
        Q_EMIT document.findBar()->closeRequested();
        QCOMPARE(dimmed(), QStringList());
    }

    void saving_data()
    {
        addColumns<QString, QByteArray>("name", "contains");
        QTest::newRow("svg") << "graph.svg" << QByteArray("<svg");
        QTest::newRow("png") << "graph.png" << QByteArray("\x89PNG");
        QTest::newRow("no such folder") << "missing/graph.png" << QByteArray();
    }

    void saving()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contains);
        FlameGraphView &graph = view();
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QString reason;
        QCOMPARE(graph.saveImage(path, &reason), !contains.isEmpty());
        if (contains.isEmpty()) {
            QVERIFY(!reason.isEmpty());
            return;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains(contains));
        const QImage image = QImage::fromData(bytes);
        // The SVG shows the names as text, the PNG is three rows high.
        if (name.endsWith(QLatin1String(".svg")))
            QVERIFY(bytes.contains(">main<"));
        else
            QCOMPARE(image.size(), QSize(1000, 3 * graph.rowHeight()));
    }
};

QTEST_MAIN(TestFlameGraph)
#include "tst_flamegraph.moc"
