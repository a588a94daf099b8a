#include "form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    Form1::configureApplication();
    QApplication::setApplicationName(QStringLiteral("Zelmora"));
    QApplication::setDesktopFileName(QStringLiteral(ZELMORA_APP_ID));
    Form1 window;
    window.show();
    return app.exec();
}
