// What a desktop user sees beside the phone: the local pane in the interface language.
#include "ExplorerFixture.h"

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
        const QString file = writeLocal(fixture.local(QStringLiteral("notes.txt")), QByteArray(1536, 'n'));
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
        QTRY_COMPARE(model->index(file, 1).data().toString(), size);
        // The rows carry pictures, and the columns fit beside each other.
        QVERIFY(!model->index(file, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        fixture.window->resize(1280, 800);
        QTRY_VERIFY(view->header()->sectionSize(0) > view->header()->sectionSize(1));
        QVERIFY(view->header()->length() <= view->viewport()->width());
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
