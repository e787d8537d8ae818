#include "mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vantorquelle"));
    QCoreApplication::setApplicationName(QStringLiteral("Vantorquelle"));
    MainWindow window;
    window.show();
    return app.exec();
}
