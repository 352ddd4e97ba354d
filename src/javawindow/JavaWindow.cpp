#include "JavaWindow.h"

#include "JavaIcons.h"
#include "java/JavaTexts.h"
#include "java/Packages.h"
#include "java/QueueCheck.h"
#include "java/SelectorFile.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTitle = 260;
constexpr int kPackageFilter = 261;
constexpr int kLeftoversFailed = 267;
constexpr int kFirstCaption = 281;
constexpr int kFirstTooltip = 291;
constexpr int kPackageMade = 286;

// The key's letter says what a node stands for: "R" the menu, "F" a folder,
// "M" a suite; detail nodes have none.
QChar keyKind(const QString& key)
{
    return key.isEmpty() ? QChar() : key.front();
}

int keyNumber(const QString& key)
{
    return key.mid(1).toInt();
}

} // namespace

JavaWindow::JavaWindow(PhoneLink& link, const LanguageTable& texts, const QString& workingFolder,
                       QList<UploadItem>& uploadList, JavaEdits& edits, const QString& packageFolder,
                       QWidget* parent)
    : QDialog(parent), link_(link), texts_(texts), workingFolder_(workingFolder), uploadList_(uploadList),
      edits_(edits), packageFolder_(packageFolder.isEmpty() ? QDir::homePath() : packageFolder)
{
    setObjectName(QStringLiteral("frmJava"));
    setModal(true);
    buildToolbar();
    buildTree();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(tlbJava_);
    layout->addWidget(tvJava_, 1);
    resize(520, 560);

    tmrWaitUTF_ = new QTimer(this);
    tmrWaitUTF_->setObjectName(QStringLiteral("tmrWaitUTF"));
    tmrWaitUTF_->setInterval(250);
    tmrWaitUTF_->setSingleShot(true);
    connect(tmrWaitUTF_, &QTimer::timeout, this,
            [this] { OpenSelector(QDir(workingFolder_).filePath(QStringLiteral("selector.utf"))); });

    // The window load.
    ApplyLanguage();
    tmrWaitUTF_->stop();
    setButtons({Download});
    if (edits_.kept)
        openKeptEdits();
    else
        deleteLeftoverSuiteFiles();
}

// The edits not sent yet, with the suite files they name, as the user left them.
void JavaWindow::openKeptEdits()
{
    model_ = edits_.model;
    menu_ = edits_.menu;
    readHadError_ = edits_.readHadError;
    stagedFiles_ = edits_.stagedFiles;
    SelectorPath = QDir(workingFolder_).filePath(QStringLiteral("selector.utf"));
    setButtons({Download, Send});
    BuildTree();
}

// A new reading replaces the edits; their queue would send a menu nobody sees.
void JavaWindow::discardKeptEdits()
{
    if (!edits_.kept)
        return;
    edits_ = JavaEdits{};
    uploadList_.clear();
}

JavaWindow::~JavaWindow() = default;

void JavaWindow::buildToolbar()
{
    tlbJava_ = new QToolBar(this);
    tlbJava_->setObjectName(QStringLiteral("tlbJava"));
    tlbJava_->setIconSize(QSize(32, 32));
    tlbJava_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    struct ButtonSpec
    {
        const char* name;
        int icon;
        void (JavaWindow::*command)();
    };
    const ButtonSpec specs[] = {
        {"tlbJava_Download", 1, &JavaWindow::DownloadSelector},
        {"tlbJava_Install", 2, &JavaWindow::InstallPackage},
        {"tlbJava_Delete", 4, &JavaWindow::DeleteSelectedSuite},
        {"tlbJava_Export", 5, &JavaWindow::CreatePackage},
        {"tlbJava_Send", 3, &JavaWindow::SendToPhone},
    };
    for (const ButtonSpec& entry : specs) {
        QAction* action = tlbJava_->addAction(JavaIcons::toolbar(entry.icon), QString(), this, entry.command);
        action->setObjectName(QLatin1String(entry.name));
        if (QWidget* button = tlbJava_->widgetForAction(action))
            button->setObjectName(QLatin1String(entry.name));
        buttons_ << action;
    }
}

void JavaWindow::buildTree()
{
    tvJava_ = new QTreeWidget(this);
    tvJava_->setObjectName(QStringLiteral("tvJava"));
    tvJava_->setHeaderHidden(true);
    tvJava_->setIconSize(QSize(16, 16));
    // A label edited here would rename a folder in the tree only.
    tvJava_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The buttons follow the chosen node, however it was chosen: by a click,
    // by the keys, or by a deletion moving the selection on.
    connect(tvJava_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { followSelection(node); });
    connect(tvJava_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { followSelection(node); });
    auto* deleteKey = new QShortcut(QKeySequence::Delete, tvJava_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &JavaWindow::DeleteSelectedSuite);
}

void JavaWindow::ApplyLanguage()
{
    setWindowTitle(texts_.GetString(kTitle));
    for (int index = 0; index < buttons_.size(); ++index) {
        buttons_[index]->setText(texts_.GetString(kFirstCaption + index));
        // The button shows its mnemonic, and Alt with it presses it, as in a dialog's button row.
        buttons_[index]->setIconText(texts_.GetString(kFirstCaption + index));
        buttons_[index]->setToolTip(texts_.GetString(kFirstTooltip + index));
    }
}

void JavaWindow::deleteLeftoverSuiteFiles()
{
    stagedFiles_.clear();
    const QDir working(workingFolder_);
    bool failed = false;
    for (const QString& name : working.entryList({QStringLiteral("s*_suite.*")}, QDir::Files))
        failed |= !QFile::remove(working.filePath(name));
    if (failed)
        showFailure(kLeftoversFailed);
}

void JavaWindow::setButtons(std::initializer_list<Button> on)
{
    for (int index = 0; index < buttons_.size(); ++index)
        buttons_[index]->setEnabled(std::find(on.begin(), on.end(), index + 1) != on.end());
}

void JavaWindow::followSelection(const QTreeWidgetItem* node)
{
    if (SelectorPath.isEmpty())
        return;
    const QChar kind = keyKind(node ? node->data(0, kKeyRole).toString() : QString());
    // Remove acts on suites only; a folder stays in the menu.
    buttons_[Install - 1]->setEnabled(chosenFolder() != 0);
    buttons_[Delete - 1]->setEnabled(kind == QLatin1Char('M'));
    buttons_[Export - 1]->setEnabled(kind == QLatin1Char('M'));
}

QString JavaWindow::selectedKey() const
{
    const QTreeWidgetItem* node = tvJava_->currentItem();
    return node ? node->data(0, kKeyRole).toString() : QString();
}

void JavaWindow::showFailure(int text, const QString& detail)
{
    QMessageBox::warning(this, QStringLiteral("Vantrel"), texts_.GetString(text) + detail);
}

void JavaWindow::setWorking(bool working)
{
    tlbJava_->setEnabled(!working);
    tvJava_->setEnabled(!working);
    if (working)
        setCursor(Qt::WaitCursor);
}

void JavaWindow::reject()
{
    // A download in progress ends first; nothing of it is used.
    if (link_.isExchangeRunning())
        link_.cancel();
    tmrWaitUTF_->stop();
    QDialog::reject();
}

void JavaWindow::DownloadSelector()
{
    discardKeptEdits();
    // A new reading replaces every edit, installations too: their files go with them.
    deleteLeftoverSuiteFiles();
    setWorking(true);
    menu_ = ::DownloadSelector(link_, workingFolder_);
    if (!isVisible())
        return;
    // The toolbar comes back only with the menu (or the window closes).
    tvJava_->setEnabled(true);
    tmrWaitUTF_->start();
}

void JavaWindow::OpenSelector(const QString& path)
{
    tlbJava_->setEnabled(true);
    unsetCursor();
    if (!QFileInfo::exists(path)) {
        reject();
        return;
    }
    SelectorPath = path;
    setButtons({Download, Send});
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showFailure(JavaTexts::OpenFailed);
        return;
    }
    readHadError_ = !ReadSelector(file.readAll(), model_).ok;
    if (readHadError_)
        showFailure(JavaTexts::ReadFailed);
    BuildTree();
    sayWhatWasRead();
}

// Said instead of the download's own "finished": the menu and what it lists.
void JavaWindow::sayWhatWasRead()
{
    const auto suites = std::count_if(model_.JavaSuites.begin() + 1, model_.JavaSuites.end(),
                                      [this](const JavaSuite& suite) { return model_.isListed(suite); });
    emit said(texts_.GetString(JavaTexts::MenuRead) + QLatin1Char(' ') + QString::number(suites) +
              QLatin1Char('.'));
}

void JavaWindow::BuildTree()
{
    tvJava_->clear();
    // The menu as the phone knows it, not the working copy's path.
    auto* root = new QTreeWidgetItem(tvJava_, {QStringLiteral("/java/selector.utf")});
    root->setData(0, kKeyRole, QStringLiteral("R"));
    root->setIcon(0, JavaIcons::treeNode(7));
    // The folders and their suites are what the user came for; details stay folded.
    root->setExpanded(true);
    addSuiteNodes(root, 0);
    for (int index = 1; index <= SelectorModel::kFolderCount; ++index) {
        const JavaFolder& folder = model_.JavaFolders[index];
        if (!folder.inUse())
            continue;
        auto* folderNode = new QTreeWidgetItem(root, {displayText(folder.Name)});
        folderNode->setData(0, kKeyRole, QStringLiteral("F%1").arg(index));
        folderNode->setIcon(0, JavaIcons::treeNode(7));
        folderNode->setExpanded(true);
        addSuiteNodes(folderNode, index);
    }
}

// The suites of one folder entry (0: those outside any folder, under the menu itself).
void JavaWindow::addSuiteNodes(QTreeWidgetItem* parent, int folder)
{
    for (int slot = 1; slot <= SelectorModel::kSuiteCount; ++slot) {
        const JavaSuite& suite = model_.JavaSuites[slot];
        if (suite.Folder != folder)
            continue;
        auto* suiteNode = new QTreeWidgetItem(parent, {displayText(suite.SuiteName)});
        suiteNode->setData(0, kKeyRole, QStringLiteral("M%1").arg(slot));
        suiteNode->setIcon(0, JavaIcons::treeNode(1));
        const QString details[] = {
            QStringLiteral("Class: ") + displayText(suite.ClassName),
            QStringLiteral("Domain: ") + displayText(suite.Domain),
            QStringLiteral("Icon: ") + displayText(suite.Icon),
            QStringLiteral("Midlet: ") + displayText(suite.MidletName),
            QStringLiteral("Num: ") + QString::number(suite.Num),
            QStringLiteral("Root: ") + displayText(suite.Root),
        };
        for (const QString& detail : details)
            (new QTreeWidgetItem(suiteNode, {detail}))->setIcon(0, JavaIcons::treeNode(8));
    }
}

void JavaWindow::selectNode(const QString& key)
{
    for (QTreeWidgetItemIterator it(tvJava_); *it; ++it) {
        if ((*it)->data(0, kKeyRole).toString() == key) {
            tvJava_->setCurrentItem(*it);
            tvJava_->scrollToItem(*it);
            return;
        }
    }
}

void JavaWindow::DeleteSelectedSuite()
{
    const QString key = selectedKey();
    if (keyKind(key) != QLatin1Char('M'))
        return;
    model_.clearSlot(keyNumber(key));
    delete tvJava_->currentItem();
}

void JavaWindow::InstallPackage()
{
    const int folder = chosenFolder();
    if (folder == 0)
        return;

    QFileDialog cdgMain(this, texts_.GetString(JavaTexts::ChoosePackage), packageFolder_,
                        texts_.GetString(kPackageFilter) + QStringLiteral(" (*.vnj)"));
    cdgMain.setObjectName(QStringLiteral("cdgMain"));
    cdgMain.setFileMode(QFileDialog::ExistingFile);
    cdgMain.setAcceptMode(QFileDialog::AcceptOpen);
    if (cdgMain.exec() != QDialog::Accepted || cdgMain.selectedFiles().isEmpty())
        return;
    const QString package = cdgMain.selectedFiles().constFirst();
    if (!QFileInfo(package).isFile())
        return;

    setCursor(Qt::WaitCursor);
    const PackageResult result = ::InstallPackage(model_, package, workingFolder_, folder);
    unsetCursor();
    raise();
    activateWindow();
    if (!result.ok()) {
        showFailure(result.text);
        return;
    }
    noteStagedFiles(result.slot);
    BuildTree();
    selectNode(QStringLiteral("M%1").arg(result.slot));
}

// The files an installation left for the phone: a Send makes sure each one goes.
void JavaWindow::noteStagedFiles(int slot)
{
    const QString prefix = displayText(model_.JavaSuites[slot].Root) + QStringLiteral("suite.");
    stagedFiles_ << QDir(workingFolder_).entryList({prefix + QLatin1Char('*')}, QDir::Files);
}

// Only into a folder the user chose: the phone's menu groups new suites in folders.
int JavaWindow::chosenFolder() const
{
    const QString key = selectedKey();
    if (keyKind(key) == QLatin1Char('F'))
        return keyNumber(key);
    if (keyKind(key) == QLatin1Char('M'))
        return qMax(0, model_.JavaSuites[keyNumber(key)].Folder);
    return 0;
}

void JavaWindow::CreatePackage()
{
    const QString key = selectedKey();
    if (keyKind(key) != QLatin1Char('M'))
        return;
    const QByteArray suiteName = model_.JavaSuites[keyNumber(key)].SuiteName;
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const PackageResult result =
        ::CreatePackage(model_, suiteName, packageFolder_, link_, link_.javaFileNames());
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    if (!isVisible())
        return;
    if (!result.ok()) {
        showFailure(JavaTexts::ExportFailed, QStringLiteral("\n") + texts_.GetString(JavaTexts::ExportHint));
        return;
    }
    QMessageBox::information(this, QStringLiteral("Vantrel"),
                             texts_.GetString(kPackageMade) + QLatin1Char(' ') +
                                 QDir::toNativeSeparators(result.folder) + QLatin1Char('.'));
}

void JavaWindow::SendToPhone()
{
    JavaQueue queue = QueueForPhone(model_, workingFolder_, readHadError_, false);
    if (queue.text == JavaTexts::ConfirmLoss) {
        if (QMessageBox::warning(this, QStringLiteral("Vantrel"), texts_.GetString(queue.text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return;
        queue = QueueForPhone(model_, workingFolder_, readHadError_, true);
    }
    // A menu that could not be written is never handed on: the window stays open.
    if (queue.text != 0) {
        showFailure(queue.text);
        return;
    }
    // A menu naming a suite whose files the phone will not hold never goes.
    const QStringList missing = missingSuiteFiles(model_, queue.items, stagedFiles_, link_.javaFileNames());
    if (!missing.isEmpty()) {
        showFailure(JavaTexts::SuiteFilesMissing, QLatin1Char('\n') + missing.join(QStringLiteral(", ")));
        return;
    }
    uploadList_ = queue.items;
    edits_ = JavaEdits{true, model_, menu_, readHadError_, stagedFiles_};
    accept();
}
