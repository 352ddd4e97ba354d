// What a desktop user sees around the phone: the local pane in the interface
// language and splitter bars that can be seen and dragged.
#include "ExplorerFixture.h"

#include <QFileSystemModel>
#include <QHeaderView>
#include <QImage>
#include <QSplitter>
#include <QTest>
#include <QTreeView>

class DesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void localPaneFollowsTheInterfaceLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("size");
        QTest::newRow("English") << QStringLiteral("english.lng") << QStringList{"Name", "Size", "Modified"}
                                 << QStringLiteral("1.5 KB");
        QTest::newRow("German") << QStringLiteral("german.lng") << QStringList{"Name", "Größe", "Geändert"}
                                << QStringLiteral("1,5 KB");
    }

    void localPaneFollowsTheInterfaceLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, titles);
        QFETCH(QString, size);
        ExplorerFixture fixture;
        QFile file(fixture.localFolder() + QStringLiteral("/notes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1536, 'n'));
        file.close();
        fixture.store->write(QStringLiteral("sysLanguage"), language);
        fixture.window->StartUp();

        auto* view = fixture.find<QTreeView>(QStringLiteral("wbDisk"));
        QStringList shown;
        for (int column = 0; column < view->header()->count(); ++column) {
            if (!view->isColumnHidden(column))
                shown << view->model()->headerData(column, Qt::Horizontal).toString();
        }
        QCOMPARE(shown, titles);
        auto* model = qobject_cast<QFileSystemModel*>(view->model());
        QTRY_COMPARE(model->index(file.fileName(), 1).data().toString(), size);
        // The rows carry pictures, and the columns fit beside each other.
        QVERIFY(!model->index(file.fileName(), 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        fixture.window->resize(1280, 800);
        QTRY_VERIFY(view->header()->sectionSize(0) > view->header()->sectionSize(1));
        QVERIFY(view->header()->length() <= view->viewport()->width());
    }

    void splitterBarsShowAndDrag()
    {
        ExplorerFixture fixture;
        QVERIFY(fixture.start());
        fixture.window->resize(1280, 800);
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));
        auto* columns = fixture.find<QSplitter>(QStringLiteral("columns"));
        QSplitterHandle* bar = columns->handle(1);

        // Something is drawn on the bar, not only the window's background.
        const QImage picture = bar->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y)
            colours.insert(picture.pixel(picture.width() / 2, y));
        QVERIFY(colours.size() > 1);

        // A pointer a little beside the bar's middle still takes hold of it.
        QCOMPARE(columns->childAt(bar->geometry().center() + QPoint(3, 0)), bar);

        const int before = columns->sizes().at(0);
        const QPoint grip = bar->rect().center();
        QTest::mousePress(bar, Qt::LeftButton, {}, grip);
        QTest::mouseMove(bar, grip + QPoint(120, 0));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(120, 0));
        QTRY_VERIFY(qAbs(columns->sizes().at(0) - (before + 120)) <= 2);
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
