#pragma once

#include <QDialog>

class LanguageTable;
class QLabel;

// frmAbout: name, version, description and two label buttons.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(const LanguageTable& texts, QWidget* parent = nullptr);

    // major.minor.revision, the revision with at least four digits: 0.4.0050.
    static QString formatVersion(int major, int minor, int revision);
    static QString acknowledgements(const LanguageTable& texts);

    static const QColor& normalColour();
    static const QColor& hoverColour();
    static const QColor& pressedColour();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setLabelColour(QLabel* label, const QColor& colour);
    void showGreetings();

    const LanguageTable& texts_;
    QLabel* lblGreetings_;
    QLabel* lblOK_;
};
