#include "formdriver.h"

#include <QTest>

FormDriver::FormDriver() : m_form(std::make_unique<Form1>())
{
    m_form->show();
    if (!QTest::qWaitForWindowActive(m_form.get()))
        qWarning("Form1 did not become active");
}

FormDriver::~FormDriver() = default;

QLineEdit *FormDriver::codice() const
{
    return m_form->findChild<QLineEdit *>(QStringLiteral("codice"));
}

Label *FormDriver::label(const char *name) const
{
    return m_form->findChild<Label *>(QLatin1StringView(name));
}

Shape *FormDriver::shape(const char *name) const
{
    return m_form->findChild<Shape *>(QLatin1StringView(name));
}

QWidget *FormDriver::frame1() const
{
    return m_form->findChild<QWidget *>(QStringLiteral("Frame1"));
}

QTimer *FormDriver::timer(const char *name) const
{
    return m_form->findChild<QTimer *>(QLatin1StringView(name));
}

void FormDriver::type(const QString &text)
{
    codice()->selectAll();
    QTest::keyClick(codice(), Qt::Key_Delete);
    QTest::keyClicks(codice(), text);
}

void FormDriver::click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void FormDriver::moveOver(QWidget *widget, QPoint pos)
{
    QTest::mouseMove(widget, pos == QPoint(-1, -1) ? widget->rect().center() : pos);
}

void FormDriver::search(const QString &code)
{
    type(code);
    clickOk();
}

QString FormDriver::results() const
{
    QStringList captions;
    for (const char *name : {"a1", "a2", "a3", "a4"})
        captions.append(label(name)->caption());
    return captions.join(u'|');
}

// As a single colour value, red in the lowest byte.
static int colorValue(const QColor &c)
{
    return c.red() | c.green() << 8 | c.blue() << 16;
}

int FormDriver::textColor(const QLineEdit *box)
{
    return colorValue(box->palette().color(
        box->isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
}

int FormDriver::textColor(const Label *label)
{
    return colorValue(label->palette().color(QPalette::WindowText));
}
