// Drives a real Form1 the way a user does: typing, clicks and pointer moves
// through QTest, and reads its controls back by their names.
#pragma once

#include "form1.h"
#include "label.h"
#include "shape.h"

#include <QLineEdit>
#include <QTimer>
#include <memory>

class FormDriver
{
public:
    FormDriver();
    ~FormDriver();

    Form1 &form() { return *m_form; }
    QLineEdit *codice() const;
    Label *label(const char *name) const;
    Shape *shape(const char *name) const;
    QWidget *frame1() const;
    QTimer *timer(const char *name) const;

    // Clears the box and types text into it, key by key.
    void type(const QString &text);
    void click(QWidget *widget);
    void clickOk() { click(label("Ok")); }
    void moveOver(QWidget *widget, QPoint pos = {-1, -1});
    // Types a code and searches it.
    void search(const QString &code);

    QString results() const; // a1 to a4, separated by "|"
    bool expanded() const { return m_form->outerHeight() == Form1::ExpandedHeight; }
    static int textColor(const QLineEdit *box);
    static int textColor(const Label *label);

private:
    std::unique_ptr<Form1> m_form;
};
