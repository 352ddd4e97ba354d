#include "AboutBox.h"

#include "settings/LanguageTable.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QVersionNumber>

namespace {

constexpr int kOK = 11;
constexpr int kCredit = 474;
constexpr int kGreetings = 475;
constexpr int kThanksTitle = 476;
constexpr int kFirstThanks = 477;
constexpr int kLastThanks = 482;
constexpr int kToBeContinued = 483;

constexpr int twips(int value)
{
    return value / 15;
}

QLabel* placedLabel(QWidget* parent, const char* name, const QString& text, QRect twipsRect)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(twips(twipsRect.x()), twips(twipsRect.y()), twips(twipsRect.width()),
                       twips(twipsRect.height()));
    return label;
}

// "&OK" with its mnemonic underlined, as rich text: a label standing for a
// button shows its key as a button would.
QString underlinedMnemonic(const QString& text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool mnemonic = text.at(i) == QLatin1Char('&') && i + 1 < text.size();
        if (mnemonic)
            ++i;
        const QString letter = QString(text.at(i)).toHtmlEscaped();
        shown +=
            mnemonic && text.at(i) != QLatin1Char('&') ? QStringLiteral("<u>%1</u>").arg(letter) : letter;
    }
    return shown;
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

const QColor& AboutBox::normalColour()
{
    static const QColor colour(255, 255, 255);
    return colour;
}

const QColor& AboutBox::hoverColour()
{
    static const QColor colour(253, 200, 0);
    return colour;
}

const QColor& AboutBox::pressedColour()
{
    static const QColor colour(192, 192, 192);
    return colour;
}

QString AboutBox::formatVersion(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision, 4, 10, QLatin1Char('0'));
}

QString AboutBox::acknowledgements(const LanguageTable& texts)
{
    const QString rule = QStringLiteral("   ") + QString(40, QLatin1Char('='));
    QStringList lines{QStringLiteral("  ") + texts.GetString(kThanksTitle), rule};
    for (int number = kFirstThanks; number <= kLastThanks; ++number)
        lines << QStringLiteral("   ") + texts.GetString(number);
    lines << rule << QStringLiteral("   ") + texts.GetString(kToBeContinued);
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

AboutBox::AboutBox(const LanguageTable& texts, QWidget* parent) : QDialog(parent), texts_(texts)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(texts.GetString(301));
    setFixedSize(twips(3165), twips(6315));

    const QVersionNumber version = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    QLabel* name = placedLabel(this, "lblP1", QStringLiteral("Vantrel"), {900, 1380, 1400, 300});
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    name->setFont(bold);
    name->setAlignment(Qt::AlignCenter);
    QLabel* versionLabel = placedLabel(
        this, "lblVer", formatVersion(version.majorVersion(), version.minorVersion(), version.microVersion()),
        {675, 1680, 1815, 240});
    // The texts get the box's whole width: a translated line must not be cut off.
    QLabel* description = placedLabel(this, "lblP2", texts.GetString(300), {150, 1920, 2865, 720});
    QLabel* credit = placedLabel(this, "lblP0", texts.GetString(kCredit), {150, 2700, 2865, 450});
    const QColor grey(128, 128, 128);
    for (QLabel* label : {versionLabel, description, credit}) {
        setTextColour(label, grey);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
    }

    QLabel* bar = placedLabel(this, "lblBack", QString(), {660, 3480, 1815, 255});
    bar->setAutoFillBackground(true);
    QPalette barPalette = bar->palette();
    barPalette.setColor(QPalette::Window, QColor(73, 65, 159));
    bar->setPalette(barPalette);

    lblGreetings_ = placedLabel(this, "lblGreetings",
                                QStringLiteral("&nbsp;") + underlinedMnemonic(texts.GetString(kGreetings)),
                                {675, 3495, 1200, 225});
    lblOK_ =
        placedLabel(this, "lblOK", underlinedMnemonic(texts.GetString(kOK)) + QStringLiteral("&nbsp;&nbsp;"),
                    {1905, 3495, 555, 225});
    auto* greetingsKey = new QShortcut(QKeySequence::mnemonic(texts.GetString(kGreetings)), this);
    connect(greetingsKey, &QShortcut::activated, this, &AboutBox::showGreetings);
    auto* okKey = new QShortcut(QKeySequence::mnemonic(texts.GetString(kOK)), this);
    connect(okKey, &QShortcut::activated, this, &QDialog::accept);
    for (QLabel* button : {lblGreetings_, lblOK_}) {
        button->setTextFormat(Qt::RichText);
        QFont font = button->font();
        font.setBold(true);
        button->setFont(font);
        button->setCursor(Qt::PointingHandCursor);
        button->setMouseTracking(true);
        button->installEventFilter(this);
        setLabelColour(button, normalColour());
    }
    lblOK_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setMouseTracking(true);
}

void AboutBox::setLabelColour(QLabel* label, const QColor& colour)
{
    setTextColour(label, colour);
    label->setProperty("colour", colour);
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    auto* label = qobject_cast<QLabel*>(watched);
    if (label != lblGreetings_ && label != lblOK_)
        return QDialog::eventFilter(watched, event);
    QLabel* other = label == lblGreetings_ ? lblOK_ : lblGreetings_;
    switch (event->type()) {
    case QEvent::Enter:
        // Not a mouse event: it carries no buttons to look at.
        setLabelColour(label, hoverColour());
        setLabelColour(other, normalColour());
        break;
    case QEvent::MouseMove:
        if (!(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton))
            setLabelColour(label, hoverColour());
        setLabelColour(other, normalColour());
        break;
    case QEvent::Leave:
        setLabelColour(label, normalColour());
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        setLabelColour(label, pressedColour());
        if (event->type() == QEvent::MouseButtonDblClick && label == lblGreetings_)
            showGreetings();
        if (event->type() == QEvent::MouseButtonDblClick && label == lblOK_)
            accept();
        return true;
    case QEvent::MouseButtonRelease:
        setLabelColour(label, hoverColour());
        if (label->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            if (label == lblGreetings_)
                showGreetings();
            else
                accept();
        }
        return true;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void AboutBox::paintEvent(QPaintEvent*)
{
    // Our own background: a soft sky with a phone-screen glow behind the name.
    QPainter painter(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(232, 238, 250));
    sky.setColorAt(1, QColor(250, 250, 252));
    painter.fillRect(rect(), sky);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(73, 65, 159, 40));
    painter.drawEllipse(QPoint(width() / 2, twips(800)), twips(900), twips(600));
    painter.setBrush(QColor(73, 65, 159));
    painter.drawRoundedRect(QRect(width() / 2 - 14, twips(350), 28, 48), 5, 5);
    painter.setBrush(QColor(170, 220, 240));
    painter.drawRect(QRect(width() / 2 - 10, twips(350) + 5, 20, 16));

    // Below the buttons: a phone and a folder trading files.
    const int top = twips(4300);
    painter.setBrush(QColor(90, 100, 130));
    painter.drawRoundedRect(QRect(30, top, 34, 64), 6, 6);
    painter.setBrush(QColor(170, 220, 240));
    painter.drawRect(QRect(35, top + 6, 24, 22));
    painter.setBrush(QColor(240, 200, 90));
    painter.drawRoundedRect(QRect(width() - 78, top + 10, 26, 10), 3, 3);
    painter.drawRoundedRect(QRect(width() - 78, top + 16, 50, 38), 4, 4);
    painter.setPen(QPen(QColor(73, 65, 159), 3, Qt::SolidLine, Qt::RoundCap));
    const int left = 74, right = width() - 88;
    for (const auto& [y, forward] : {std::pair{top + 22, true}, std::pair{top + 44, false}}) {
        painter.drawLine(left, y, right, y);
        const int tip = forward ? right : left;
        const int back = forward ? -7 : 7;
        painter.drawLine(tip, y, tip + back, y - 6);
        painter.drawLine(tip, y, tip + back, y + 6);
    }
}

void AboutBox::showGreetings()
{
    QMessageBox::information(this, texts_.GetString(kGreetings).remove(QLatin1Char('&')),
                             acknowledgements(texts_));
}
