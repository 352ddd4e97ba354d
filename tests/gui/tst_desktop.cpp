// Beside the phone: the local pane in the interface language, and its folder, remembered.
#include "ExplorerFixture.h"
#include "explorer/LocalPane.h"

class DesktopTest : public QObject
{
    Q_OBJECT

private slots:
    // The folder's name has blanks, a hash, a percent sign and accents.
    void localPaneFollowsTheLanguageAndKeepsItsFolder()
    {
        ExplorerFixture fixture;
        const QString target = QDir::toNativeSeparators(fixture.local(u"My 50% Öl#bilder"_s));
        const QString file = writeLocal(target + u"/notes.txt"_s, QByteArray(1536, 'n'));
        fixture.store->write(u"sysLanguage"_s, u"german.lng"_s);
        QVERIFY(fixture.startWith({"a.txt"}));
        fixture.clickRow(u"a.txt"_s);
        auto* address = fixture.find<QLineEdit>(u"txtURL"_s);
        address->setText(target);
        QTest::keyClick(address, Qt::Key_Return);
        QCOMPARE(address->text(), target);
        QCOMPARE(fixture.store->read(u"sysLastFolder"_s), target);
        QCOMPARE(UrlToPath(QUrl::fromLocalFile(target).toString()), target);

        auto* view = fixture.find<QTreeView>(u"wbDisk"_s);
        QStringList shown;
        for (int column = 0; column < view->header()->count(); ++column) {
            if (!view->isColumnHidden(column))
                shown << view->model()->headerData(column, Qt::Horizontal).toString();
        }
        QCOMPARE(shown, (QStringList{"Name", "Größe", "Geändert"}));
        auto* model = qobject_cast<QFileSystemModel*>(view->model());
        QTRY_COMPARE(model->index(file, 1).data().toString(), u"1,5 KB"_s);
        // The rows carry pictures, and the columns fit beside each other.
        QVERIFY(!model->index(file, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        fixture.window->resize(1280, 800);
        QTRY_VERIFY(view->header()->sectionSize(0) > view->header()->sectionSize(1));
        QVERIFY(view->header()->length() <= view->viewport()->width());

        // Delete in the address edits the address; it deletes no file.
        address->setFocus();
        QTest::keyClick(address, Qt::Key_Delete);
        QVERIFY(fixture.phone.hasFile(u"a.txt"_s));
        // Up goes to the parent; an unusable address is ignored; the next start goes back.
        fixture.press(u"tlbDrives_Up"_s);
        const QString parent = QDir::toNativeSeparators(fixture.localFolder());
        QCOMPARE(address->text(), parent);
        address->setText(u"/no/such/folder"_s);
        QTest::keyClick(address, Qt::Key_Return);
        QCOMPARE(fixture.store->read(u"sysLastFolder"_s), parent);
        fixture.store->write(u"sysLastFolder"_s, target);
        fixture.window->StartUp();
        QCOMPARE(address->text(), target);
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
