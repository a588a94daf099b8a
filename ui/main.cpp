#include "form1.h"
#include "readcommand.h"

#include <QApplication>
#include <cstring>

int main(int argc, char *argv[])
{
    // Reading photos needs no window: decided before any GUI application exists.
    if (argc > 1 && std::strcmp(argv[1], "--read") == 0)
        return ReadCommand::run(argc, argv);
    Form1::prepareApplication();
    QApplication app(argc, argv);
    Form1::configureApplication();
    QApplication::setApplicationName(QStringLiteral("Zelmora"));
    QApplication::setDesktopFileName(QStringLiteral(ZELMORA_APP_ID));
    Form1 window;
    window.show();
    // zelmora FOTO, as a file manager's "Apri con Zelmora" starts it: the photo is read at once.
    if (const QStringList arguments = QApplication::arguments(); arguments.size() > 1)
        window.readPhoto(arguments.at(1));
    return app.exec();
}
