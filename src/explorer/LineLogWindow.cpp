#include "LineLogWindow.h"

#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

namespace {
enum Text
{
    kTitle = 492,
    kClear = 493,
    kCopy = 494,
    kSave = 495,
    kSaveFailed = 496,
    kTextFiles = 497,
    kLinesDescription = 513,
    kClearDescription = 514,
    kCopyDescription = 515,
    kSaveDescription = 516,
};
} // namespace

LineLogWindow::LineLogWindow(PhoneLink& link, const LanguageTable& texts, QWidget* parent)
    : QWidget(parent, Qt::Window), link_(&link), texts_(texts),
      format_([this](const QString& line) { lines_->appendPlainText(line); })
{
    setObjectName(QStringLiteral("frmLineLog"));
    lines_ = new QPlainTextEdit(this);
    lines_->setObjectName(QStringLiteral("txtLineLog"));
    lines_->setReadOnly(true);
    lines_->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines_->setMaximumBlockCount(kKeptLines);
    lines_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lines_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto button = [this](const char* name, void (LineLogWindow::*act)()) {
        auto* made = new QPushButton(this);
        made->setObjectName(QLatin1String(name));
        made->setAutoDefault(false);
        connect(made, &QPushButton::clicked, this, act);
        return made;
    };
    cmdClear_ = button("cmdClear", &LineLogWindow::clear);
    cmdCopy_ = button("cmdCopy", &LineLogWindow::copy);
    cmdSave_ = button("cmdSave", &LineLogWindow::save);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdClear_);
    buttons->addWidget(cmdCopy_);
    buttons->addWidget(cmdSave_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lines_, 1);
    layout->addLayout(buttons);
    resize(720, 420);
    ApplyLanguage();
}

LineLogWindow::~LineLogWindow()
{
    if (link_)
        link_->setLineTrace(nullptr);
}

void LineLogWindow::ApplyLanguage()
{
    auto text = [this](int number) { return texts_.GetString(number); };
    setWindowTitle(text(kTitle));
    lines_->setAccessibleName(text(kTitle));
    lines_->setAccessibleDescription(text(kLinesDescription));
    const struct
    {
        QPushButton* button;
        int caption;
        int description;
    } buttons[] = {{cmdClear_, kClear, kClearDescription},
                   {cmdCopy_, kCopy, kCopyDescription},
                   {cmdSave_, kSave, kSaveDescription}};
    for (const auto& entry : buttons) {
        entry.button->setText(text(entry.caption));
        entry.button->setToolTip(text(entry.description));
        entry.button->setAccessibleDescription(text(entry.description));
    }
}

void LineLogWindow::showEvent(QShowEvent* event)
{
    if (link_)
        link_->setLineTrace(&format_);
    QWidget::showEvent(event);
}

void LineLogWindow::hideEvent(QHideEvent* event)
{
    // Closed, the log records nothing and costs the line nothing. Minimised
    // (a hide by the window system) it goes on recording.
    if (!event->spontaneous()) {
        if (link_)
            link_->setLineTrace(nullptr);
        format_.flush();
    }
    QWidget::hideEvent(event);
}

QString LineLogWindow::text() const
{
    return lines_->toPlainText();
}

void LineLogWindow::clear()
{
    lines_->clear();
    format_.restart();
}

void LineLogWindow::copy()
{
    // The selected lines, or the whole log when none are.
    const QString selected = lines_->textCursor().selection().toPlainText();
    QApplication::clipboard()->setText(selected.isEmpty() ? text() : selected);
}

bool LineLogWindow::saveTo(const QString& path) const
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text().toUtf8() + '\n') >= 0 && file.commit();
}

void LineLogWindow::save()
{
    const QString path = QFileDialog::getSaveFileName(
        this, texts_.GetString(kSave).remove(QLatin1Char('&')).remove(QLatin1String("...")),
        QStringLiteral("vantrel-line.log"), texts_.GetString(kTextFiles) + QStringLiteral(" (*.log *.txt)"));
    if (!path.isEmpty() && !saveTo(path))
        QMessageBox::warning(this, QStringLiteral("Vantrel"),
                             texts_.GetString(kSaveFailed) + QLatin1Char(' ') + path + QLatin1Char('.'));
}
