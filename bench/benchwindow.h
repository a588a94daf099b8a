// Zelmora's window as the benchmarks drive it: shown, with its controls at hand.
#pragma once

#include "form1.h"
#include "label.h"

#include <QLineEdit>
#include <QTest>

class BenchWindow
{
public:
    BenchWindow()
    {
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            qFatal("the window was not shown");
    }

    void clickOk() { QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center()); }

    Form1 form;
    QLineEdit *codice = form.findChild<QLineEdit *>(QStringLiteral("codice"));
    Label *ok = form.findChild<Label *>(QStringLiteral("Ok"));
};
