// A label of the window: fixed size, text wrapped at blanks and cut after the
// last line that fits whole, transparent unless given a background. It takes no focus,
// raises its own click and pointer-move events, and never lets pointer
// movement through to the window beneath it.
#pragma once

#include <QLabel>

class Label : public QLabel
{
    Q_OBJECT

public:
    Label(const QString &caption, QWidget *parent);

    QString caption() const { return text(); }
    // Also the accessible description, so a screen reader reads what shows;
    // a caption cut off by the label's size is its tooltip too.
    void setCaption(const QString &caption);
    // Whether anything reacts to a click on this label.
    bool isClickable() const;
    void setTextColor(int color);
    void setTextColor(const QColor &color);
    void setUnderline(bool underline);

signals:
    void clicked();
    void pointerMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void updateCut();

    // Where the last line that fits whole ends, when the caption needs more
    // lines than the label's height holds; -1 when it does not.
    qreal m_wholeLinesHeight = -1;
};
