// Korvel: simulator of a curved continuous steel-casting machine.
#include "model/Model.h"
#include "ui/unMain.h"

#include <QApplication>
#include <QLocale>
#include <QScreen>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    // Figures use the user's locale; where none is set (the C locale) the program's own language is used,
    // so decimals show with a comma as in its captions.
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));

    // The casting data, model parameters and model state of the whole program.
    korvel::Model model;
    TFormMain FormMain(model);
    // Fill the screen even where no window manager carries out the maximised state.
    if (QScreen* screen = QGuiApplication::primaryScreen()) FormMain.setGeometry(screen->availableGeometry());
    FormMain.showMaximized();
    // A case file named on the command line.
    FormMain.OpenCaseFromArguments(QCoreApplication::arguments());
    return app.exec();
}
