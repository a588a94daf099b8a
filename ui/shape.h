// A drawing element of the window: a rectangle or an oval filling its box,
// with a one-pixel outline in the window-text colour and an optional opaque
// fill. Shapes have no events: the pointer passes through to what lies beneath.
#pragma once

#include <QWidget>
#include <optional>

class Shape : public QWidget
{
public:
    enum class Form { Rectangle, Oval };

    Shape(Form form, std::optional<QColor> fill, QWidget *parent);

    Form form() const { return m_form; }
    std::optional<QColor> fill() const { return m_fill; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Form m_form;
    std::optional<QColor> m_fill;
};
