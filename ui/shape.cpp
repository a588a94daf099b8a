#include "shape.h"

#include <QPainter>

Shape::Shape(Form form, std::optional<QColor> fill, QWidget *parent)
    : QWidget(parent), m_form(form), m_fill(fill)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 0));
    painter.setBrush(m_fill ? QBrush(*m_fill) : QBrush(Qt::NoBrush));
    const QRect box = rect().adjusted(0, 0, -1, -1);
    if (m_form == Form::Oval) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawEllipse(QRectF(box).adjusted(0.5, 0.5, 0.5, 0.5));
    } else {
        painter.drawRect(box);
    }
}
