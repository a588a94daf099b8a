#include "label.h"

#include "units.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

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
    updateCut();
}

bool Label::isClickable() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&Label::clicked));
}

// Updates the tooltip and the height of the lines that fit whole, which
// depend on the caption, the size and the font.
void Label::updateCut()
{
    const QRect needed = fontMetrics().boundingRect(
        QRect(0, 0, width(), 0), int(alignment()) | Qt::TextWordWrap, caption());
    setToolTip(needed.height() > height() ? caption() : QString());
    m_wholeLinesHeight = -1;
    if (toolTip().isEmpty())
        return;
    // The lines are laid out as QPainter lays them out: the text up to a blank
    // ends in the same line as the whole text, so the tallest such text that
    // fits ends with the last whole line.
    const QFontMetricsF metrics(font());
    const auto bottomOf = [&](const QString &text) {
        const int flags = int(alignment()) | Qt::TextWordWrap;
        return metrics.boundingRect(QRectF(0, 0, width(), 0), flags, text).height();
    };
    m_wholeLinesHeight = 0;
    for (qsizetype blank = caption().indexOf(u' '); blank > 0;
         blank = caption().indexOf(u' ', blank + 1)) {
        const qreal bottom = bottomOf(caption().first(blank));
        if (bottom > height())
            break;
        m_wholeLinesHeight = bottom;
    }
}

// A caption taller than the label shows the lines that fit whole, and not the
// top of the next one: the text is drawn as QLabel draws it, clipped below
// the last whole line.
void Label::paintEvent(QPaintEvent *event)
{
    if (m_wholeLinesHeight < 0) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setClipRect(QRectF(0, 0, width(), m_wholeLinesHeight));
    const int flags = int(QStyle::visualAlignment(layoutDirection(), alignment()))
        | Qt::TextWordWrap | Qt::TextForceLeftToRight;
    style()->drawItemText(
        &painter, contentsRect(), flags, palette(), isEnabled(), caption(), foregroundRole());
}

void Label::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateCut();
}

void Label::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateCut();
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
