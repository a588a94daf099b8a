#include "label.h"

#include "units.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <cmath>

Label::Label(const QString &caption, QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoMousePropagation);
    setCaption(caption);
}

void Label::setCaption(const QString &caption)
{
    setText(caption);
    setAccessibleDescription(caption);
    updateToolTip();
}

bool Label::isClickable() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&Label::clicked));
}

bool Label::isCut() const
{
    const QRect needed = fontMetrics().boundingRect(
        QRect(0, 0, width(), 0), int(alignment()) | Qt::TextWordWrap, caption());
    return needed.height() > height();
}

void Label::updateToolTip()
{
    setToolTip(isCut() ? caption() : QString());
}

// A caption taller than the label shows the lines that fit whole, and not the
// top of the next one: the text is drawn as QLabel draws it, clipped below
// the last whole line.
void Label::paintEvent(QPaintEvent *event)
{
    if (!isCut()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const qreal lineSpacing = QFontMetricsF(font()).lineSpacing(); // fractional, as laid out
    painter.setClipRect(QRectF(0, 0, width(), std::floor(height() / lineSpacing) * lineSpacing));
    const int flags = int(QStyle::visualAlignment(layoutDirection(), alignment()))
        | Qt::TextWordWrap | Qt::TextForceLeftToRight;
    style()->drawItemText(
        &painter, contentsRect(), flags, palette(), isEnabled(), caption(), foregroundRole());
}

void Label::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateToolTip();
}

void Label::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateToolTip();
}

void Label::setTextColor(int color)
{
    setTextColor(Units::color(color));
}

void Label::setTextColor(const QColor &color)
{
    QPalette p = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::WindowText, color);
    setPalette(p);
}

void Label::setUnderline(bool underline)
{
    QFont f = font();
    f.setUnderline(underline);
    setFont(f);
}

void Label::mousePressEvent(QMouseEvent *event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void Label::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void Label::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    emit pointerMoved();
}
