#pragma once

#include "dialogs/SettingsDialog.h"
#include "explorer/ExplorerWindow.h"
#include "phone/PhoneLink.h"
#include "platform/OpenWith.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"
#include "support/LocalFiles.h"
#include "support/SimulatedPhone.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

// A drag event as a file manager delivers it between folders of one disk:
// copy or move allowed, move proposed (and honoured by deleting the originals).
template <typename Event> struct ProposingMove : Event
{
    ProposingMove(const QPoint& at, QMimeData* data)
        : Event(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier)
    {
        this->m_defaultAction = Qt::MoveAction;
        this->m_dropAction = Qt::MoveAction;
    }
};

// Delivers a drop of file URLs and plain text; returns the action the target accepted.
// The drop owns its data, as a real drag's does.
inline Qt::DropAction dropOnto(QWidget* target, QMimeData* data)
{
    const std::unique_ptr<QMimeData> owned(data);
    const QPoint centre = target->rect().center();
    ProposingMove<QDragEnterEvent> enter(centre, data);
    QCoreApplication::sendEvent(target, &enter);
    ProposingMove<QDropEvent> drop(centre, data);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

inline QMimeData* fileDrop(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    data->setText(paths.join(QLatin1Char('\n')));
    return data;
}

// Wait for a condition up to `ms` and fail right then. QTRY_ waits twice as
// long again before failing (only to say how long would have been enough),
// which makes every failing row of a broken build cost half a minute.
#define WAIT_VERIFY(condition, ms) QVERIFY2(QTest::qWaitFor([&] { return bool(condition); }, ms), #condition)
#define WAIT_COMPARE(actual, expected, ms)                                                                   \
    do {                                                                                                     \
        (void)QTest::qWaitFor([&] { return (actual) == (expected); }, ms);                                   \
        QCOMPARE(actual, expected);                                                                          \
    } while (false)

// The modal window types tests have said they expect, one entry per pending `onNextModal`.
inline QList<const QMetaObject*>& expectedModals()
{
    static QList<const QMetaObject*> types;
    return types;
}

// Watches still waiting for their window; a fixture's end drops them, so that
// none answers a later test's box through a variable gone with its test.
inline QList<QPointer<QTimer>>& pendingWatches()
{
    static QList<QPointer<QTimer>> watches;
    return watches;
}

// Runs `act` on the next modal window of type T that opens (within 10 s);
// deleting the returned watch gives up waiting.
template <typename T> QTimer* onNextModal(std::function<void(T*)> act)
{
    expectedModals() << &T::staticMetaObject;
    auto* timer = new QTimer;
    pendingWatches() << timer;
    auto tries = std::make_shared<int>(0);
    // However the watch ends, its box is no longer expected.
    QObject::connect(timer, &QObject::destroyed, [] { expectedModals().removeOne(&T::staticMetaObject); });
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal && ++*tries <= 1000)
            return;
        timer->stop();
        timer->deleteLater();
        if (modal)
            act(modal);
    });
    timer->start(10);
    return timer;
}

// Closes a box the test did not ask for and fails the test, instead of hanging it.
inline void refuseBox(QMessageBox* box, const char* why)
{
    QTest::qFail(qPrintable(QStringLiteral("%1: \"%2\"").arg(QLatin1String(why), box->text())), __FILE__,
                 __LINE__);
    box->reject();
}

// Answers the boxes that come one after another, each with its button in turn: a standard one
// ("Yes", "No", "Ok"), one of that object name, or the keys of a button's mnemonic ("Alt+O").
// Keeps their texts; `tick` ticks a check box first.
inline void answerBoxes(const QStringList& buttons, QStringList* texts = nullptr, bool tick = false)
{
    onNextModal<QMessageBox>([=](QMessageBox* box) {
        if (texts)
            *texts << box->text();
        if (tick && box->checkBox())
            QTest::mouseClick(box->checkBox(), Qt::LeftButton, {}, QPoint(8, box->checkBox()->height() / 2));
        if (buttons.first().startsWith(u"Alt+"_s)) {
            // Keys go to the active window, which a window manager makes of a new box; the
            // button clicks itself a moment after them; only then may the next box come.
            QApplication::setActiveWindow(box);
            QTest::keySequence(box, QKeySequence(buttons.first()));
            const QPointer<QMessageBox> asked(box);
            expectedModals() << &QMessageBox::staticMetaObject;
            const bool answered = QTest::qWaitFor([&] { return !asked || !asked->isVisible(); }, 3000);
            expectedModals().removeOne(&QMessageBox::staticMetaObject);
            if (!answered)
                return refuseBox(box, "keys that pressed no button");
            if (buttons.size() > 1)
                answerBoxes(buttons.mid(1), texts, tick);
            return;
        }
        if (buttons.size() > 1)
            answerBoxes(buttons.mid(1), texts, tick);
        const int standard =
            QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(qPrintable(buttons.first()));
        QAbstractButton* answer = standard > 0 ? box->button(QMessageBox::StandardButton(standard))
                                               : box->findChild<QAbstractButton*>(buttons.first());
        if (answer)
            QTest::mouseClick(answer, Qt::LeftButton);
        else
            refuseBox(box, "a box without the expected button");
    });
}

// Picks `names` in the next file dialog's folder as a user does, Ctrl held, and clicks Open; a
// dialog that refuses the choice is given up after 10 s rather than hang the test. (Names typed
// into it were refused now and then under load.) Keeps the dialog's title in `title`.
inline void chooseInFileDialog(const QStringList& names, QString* title = nullptr)
{
    onNextModal<QFileDialog>([names, title](QFileDialog* dialog) {
        if (title)
            *title = dialog->windowTitle();
        QTimer::singleShot(10000, dialog, &QDialog::reject);
        auto* view = dialog->findChild<QListView*>(u"listView"_s);
        auto* files = qobject_cast<QFileSystemModel*>(view->model());
        for (const QString& name : names) {
            const QModelIndex row = files->index(dialog->directory().filePath(name));
            // The folder is read in the background.
            if (!QTest::qWaitFor([&] { return !view->visualRect(row).isEmpty(); }, 5000))
                return;
            QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              view->visualRect(row).center());
        }
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open),
                          Qt::LeftButton);
    });
}

// Any question or warning that no `onNextModal` waits for fails the test at once.
struct UnexpectedBoxGuard
{
    UnexpectedBoxGuard()
    {
        QObject::connect(&timer, &QTimer::timeout, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && !expectedModals().contains(&QMessageBox::staticMetaObject))
                refuseBox(box, "an unexpected box");
        });
        timer.start(50);
    }
    ~UnexpectedBoxGuard()
    {
        for (QTimer* watch : std::exchange(pendingWatches(), {}))
            delete watch;
    }
    QTimer timer;
};

// The main window on a store and working folder of its own, a simulated phone on COM4.
struct ExplorerFixture
{
    explicit ExplorerFixture(const QStringList& simulatorArguments = {}) : phone(simulatorArguments)
    {
        // What the window keeps for the user stays in the test's folder, unless the test chose a place.
        if (!qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
            qputenv("XDG_DATA_HOME", folder.filePath(QStringLiteral("data")).toLocal8Bit());
            ownsDataHome = true;
        }
        QDir().mkpath(localFolder());
        store = std::make_unique<SettingsStore>(folder.filePath(QStringLiteral("Vantrel.conf")));
        store->write(QStringLiteral("sieDelay"), QStringLiteral("50"));
        store->write(QStringLiteral("sieTimeOut"), QStringLiteral("3000"));
        store->write(QStringLiteral("sysLastFolder"), localFolder());
        window = std::make_unique<ExplorerWindow>(*store, texts);
        window->setCacheFolder(cacheFolder());
        window->setRepairJournalFile(repairJournalFile());
    }

    ~ExplorerFixture()
    {
        window.reset();
        if (ownsDataHome)
            qunsetenv("XDG_DATA_HOME");
    }

    // Starts the phone and the window, as after a run that left the line in step.
    bool start()
    {
        if (!phone.start())
            return false;
        store->writePortDevice(4, phone.device());
        RepairJournal(repairJournalFile())
            .setLineMark(phone.device(), {0, 0, QDateTime::currentMSecsSinceEpoch(), 0});
        window->StartUp();
        return true;
    }

    // Places each file on the phone, holding its own name, then starts.
    bool startWith(const QStringList& files)
    {
        for (const QString& path : files)
            phone.putFile(path, QFileInfo(path).fileName().toUtf8());
        return start();
    }
    bool showActive() const
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    QString repairJournalFile() const { return folder.filePath(QStringLiteral("repair-journal.json")); }

    QString localFolder() const { return folder.filePath(QStringLiteral("local")); }
    // Where the windows of a test make their working folders.
    QString cacheFolder() const { return folder.filePath(QStringLiteral("cache")); }
    QString local(const QString& name) const { return localFolder() + QLatin1Char('/') + name; }
    QString panel() const { return window->panelText(1); }

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    QTreeWidget* tree() const { return find<QTreeWidget>(QStringLiteral("tvFolders")); }
    QTreeWidget* list() const { return find<QTreeWidget>(QStringLiteral("lstFiles")); }

    QTreeWidgetItem* treeNode(const QString& tag) const
    {
        for (QTreeWidgetItemIterator it(tree()); *it; ++it) {
            if ((*it)->data(0, Qt::UserRole + 1).toString() == tag)
                return *it;
        }
        return nullptr;
    }
    QStringList childNames(const QString& tag) const
    {
        QStringList names;
        for (int i = 0; treeNode(tag) && i < treeNode(tag)->childCount(); ++i)
            names << treeNode(tag)->child(i)->text(0);
        return names;
    }
    QStringList rowTexts(int column) const
    {
        QStringList texts;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            texts << list()->topLevelItem(i)->text(column);
        return texts;
    }
    QStringList rowNames() const { return rowTexts(0); }

    // What the user does with the mouse: press on a folder or a row where it is drawn.
    void clickNode(const QString& tag, Qt::MouseButton button = Qt::LeftButton) const
    {
        QTreeWidgetItem* node = treeNode(tag);
        QVERIFY2(node, qPrintable(tag));
        tree()->scrollToItem(node);
        QTest::mouseClick(tree()->viewport(), button, {}, tree()->visualItemRect(node).center());
    }
    void clickRow(const QString& name, Qt::KeyboardModifiers modifiers = {}) const
    {
        const QList<QTreeWidgetItem*> rows = list()->findItems(name, Qt::MatchExactly);
        QVERIFY2(rows.size() == 1, qPrintable(name));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, modifiers,
                          list()->visualItemRect(rows.first()).center());
    }
    void clickNodes(const QStringList& tags) const
    {
        for (const QString& tag : tags)
            clickNode(tag);
    }
    void press(const QString& name) const { QTest::mouseClick(find<QWidget>(name), Qt::LeftButton); }
    QWidget* pane() const { return find<QAbstractItemView>(QStringLiteral("wbDisk"))->viewport(); }
    // A right click at a folder: the press (which highlights it) and the menu request, as the
    // window system sends them; then the menu entry `item` clicked, or no choice (Escape).
    void useFolderMenu(const QString& tag, const QString& item = {}) const
    {
        const QPoint at = tree()->visualItemRect(treeNode(tag)).center();
        QTest::mousePress(tree()->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, tree()->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(tree()->viewport(), &request);
        auto* menu = find<QMenu>(u"mnuFolderOp"_s);
        QTRY_VERIFY(menu->isVisible());
        // The button comes up over the menu, which takes the release for no choice.
        QTest::mouseRelease(menu, Qt::RightButton, {}, QPoint(1, 1));
        if (item.isEmpty())
            QTest::keyClick(menu, Qt::Key_Escape);
        else
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(find<QAction>(item)).center());
    }
    QStringList rowFolders() const
    {
        QStringList folders = rowTexts(1);
        folders.removeDuplicates();
        return folders;
    }
    QString currentTag() const
    {
        return tree()->currentItem() ? tree()->currentItem()->data(0, Qt::UserRole + 1).toString()
                                     : QString();
    }
    QString text(int number) const { return texts.GetString(number); }
    // Settings, then OK with nothing changed.
    void confirmSettings() const
    {
        onNextModal<SettingsDialog>([](SettingsDialog* dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton*>(u"cmdOK"_s), Qt::LeftButton);
        });
        press(u"tlbMain_Settings"_s);
    }

    UnexpectedBoxGuard guard;
    QTemporaryDir folder;
    SimulatedPhone phone;
    std::unique_ptr<SettingsStore> store;
    LanguageTable texts;
    std::unique_ptr<ExplorerWindow> window;
    bool ownsDataHome = false;
};
