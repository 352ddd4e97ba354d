#pragma once

#include <QLabel>

// A one-line label that shows as much of its text as fits, cut in the middle:
// both the start (what happened) and the end (to which file) stay in view.
// Its size hint asks for the whole text; it can shrink to a few characters.
class ElidedLabel : public QLabel
{
public:
    explicit ElidedLabel(QWidget* parent = nullptr) : QLabel(parent) {}

    void setFullText(const QString& text);
    QString fullText() const { return full_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showFitting();

    QString full_;
};
