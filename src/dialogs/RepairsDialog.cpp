#include "RepairsDialog.h"

#include "phone/DisplayName.h"
#include "phone/RepairJournal.h"
#include "settings/LanguageTable.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kTitle = 414;
constexpr int kNothing = 415;
constexpr int kPhone = 416;
constexpr int kWhat = 417;
constexpr int kDeletePartial = 418;
constexpr int kPutBack = 419;
constexpr int kFile = 149;
constexpr int kCopy = 426;
constexpr int kForget = 427;
} // namespace

RepairsDialog::RepairsDialog(RepairJournal& journal, const LanguageTable& texts, QWidget* parent)
    : QDialog(parent), journal_(journal), texts_(texts), tvRepairs_(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("frmRepairs"));
    setWindowTitle(QString(texts_.GetString(kTitle)).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
    tvRepairs_->setObjectName(QStringLiteral("tvRepairs"));
    tvRepairs_->setRootIsDecorated(false);
    tvRepairs_->setHeaderLabels({texts_.GetString(kPhone), texts_.GetString(kWhat), texts_.GetString(kFile),
                                 texts_.GetString(kCopy)});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* forget = buttons->addButton(texts_.GetString(kForget), QDialogButtonBox::ActionRole);
    forget->setObjectName(QStringLiteral("cmdForget"));
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("cmdClose"));
    connect(forget, &QPushButton::clicked, this, &RepairsDialog::forgetChosen);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tvRepairs_);
    layout->addWidget(buttons);
    resize(720, 300);
    fill();
}

void RepairsDialog::fill()
{
    tvRepairs_->clear();
    for (const RepairJournal::Entry& entry : journal_.entries()) {
        const bool putBack = entry.kind == RepairJournal::Kind::RestoreFile;
        auto* row = new QTreeWidgetItem(tvRepairs_, {withVisibleControls(entry.phoneShown),
                                                     texts_.GetString(putBack ? kPutBack : kDeletePartial),
                                                     withVisibleControls(entry.phonePath()),
                                                     QDir::toNativeSeparators(entry.copyPath)});
        row->setData(0, Qt::UserRole, entry.id);
    }
    if (tvRepairs_->topLevelItemCount() == 0)
        new QTreeWidgetItem(tvRepairs_, {texts_.GetString(kNothing)});
    tvRepairs_->header()->resizeSections(QHeaderView::ResizeToContents);
}

void RepairsDialog::forgetChosen()
{
    const QTreeWidgetItem* chosen = tvRepairs_->currentItem();
    const QString id = chosen ? chosen->data(0, Qt::UserRole).toString() : QString();
    if (id.isEmpty())
        return;
    if (!journal_.remove(id))
        QMessageBox::warning(this, QStringLiteral("Vantrel"),
                             journal_.filePath() + QStringLiteral(": ") + journal_.lastError());
    fill();
}
