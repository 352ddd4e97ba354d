#pragma once

#include <QLabel>
#include <QStringList>

// A one-line label that shows as much of its text as fits, cut in the middle:
// both the start (what happened) and the end (to which file) stay in view.
// It may be given shorter wordings too: the longest that fits shows, and only
// the shortest is ever cut. Its size hint asks for the whole first text; it
// can shrink to a few characters.
class ElidedLabel : public QLabel
{
public:
    explicit ElidedLabel(QWidget* parent = nullptr) : QLabel(parent) {}

    void setFullText(const QString& text) { setWordings({text}); }
    // From the whole text to the shortest that still says something.
    void setWordings(const QStringList& longestFirst);
    QString fullText() const { return wordings_.value(0); }
    // The width the shortest wording needs whole.
    int shortestWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showFitting();
    int textWidth(const QString& text) const;

    QStringList wordings_;
};
