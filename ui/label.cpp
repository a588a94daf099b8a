#include "label.h"

#include "units.h"

#include <QMetaMethod>
#include <QMouseEvent>

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

void Label::updateToolTip()
{
    const QRect needed = fontMetrics().boundingRect(
        QRect(0, 0, width(), 0), int(alignment()) | Qt::TextWordWrap, caption());
    setToolTip(needed.height() > height() ? caption() : QString());
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
