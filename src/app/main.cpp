#include "app/mainwindow.h"
#include "app/translationloader.h"
#include "foundation/fileutils.h"
#include "foundation/jobs.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char** argv)
{
    FileUtils::ignoreFileSizeSignal();
    QApplication app(argc, argv);
    // Names the settings store and the per-user data folder: set before any setting is read.
    QCoreApplication::setOrganizationName(QStringLiteral("Vantorquelle"));
    QCoreApplication::setApplicationName(QStringLiteral("Vantorquelle"));

    // Outlives the window, so every translated text stays valid.
    QTranslator translator;
    QTranslator qtTranslator;
    if (TranslationLoader::installPreferredTranslation(translator))
        TranslationLoader::installQtTranslation(qtTranslator, translator.language());
    TranslationLoader::useNumbersOf(translator.language());

    int result = 0;
    {
        MainWindow window;
        window.show();
        result = app.exec();
    }
    Jobs::waitForAll();
    return result;
}
