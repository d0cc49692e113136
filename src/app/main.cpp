// Korvel: simulator of a curved continuous steel-casting machine.
#include "CommandLine.h"
#include "model/Model.h"
#include "ui/QtTranslations.h"
#include "ui/UnAbout.h"
#include "ui/unMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QLocale>
#include <QScreen>

int main(int argc, char* argv[]) {
    // --help and --version answer on the terminal, with no display needed.
    if (korvel::AsksForTextOnly(argc, argv)) {
        QCoreApplication core(argc, argv);
        return korvel::AnswerCommandLine(korvel::ParseCommandLine(QCoreApplication::arguments()));
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.korvel.Korvel"));
    // The installed icon, or the About box's picture where the program is not installed.
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("korvel"), QIcon(TAboutBox::ProgramPicture(QSize(64, 64)))));
    const korvel::CommandLine commandLine = korvel::ParseCommandLine(QCoreApplication::arguments());
    if (commandLine.action != korvel::CommandLine::Action::Run) return korvel::AnswerCommandLine(commandLine);
    // Figures use the user's locale; where none is set (the C locale) the program's own language is used,
    // so decimals show with a comma as in its captions.
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    // Qt's own dialogs (folder choice, questions) speak the program's language.
    InstallQtTranslations(&app);

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
