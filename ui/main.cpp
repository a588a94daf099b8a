#include "form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelmora"));
    QApplication::setDesktopFileName(QStringLiteral("zelmora"));
    Form1 window;
    window.show();
    return app.exec();
}
