#include "CommandLine.h"

#include "Version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTranslator>

#include <cstdio>
#include <cstring>

namespace korvel {

namespace {

// Russian texts for the parser's own words (usage line, headings, errors).
class ParserTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override {
        if (std::strcmp(context, "QCommandLineParser") != 0) return {};
        static const char* const texts[][2] = {
            {"Usage: %1", "Запуск: %1"},
            {"[options]", "[параметры]"},
            {"Options:", "Параметры:"},
            {"Arguments:", "Аргументы:"},
            {"Unknown option '%1'.", "Неизвестный параметр «%1»."},
            {"Unknown options: %1.", "Неизвестные параметры: %1."},
            {"Missing value after '%1'.", "Не указано значение после «%1»."},
            {"Unexpected value after '%1'.", "Параметр «%1» не принимает значения."},
        };
        for (const auto& [english, russian] : texts) {
            if (std::strcmp(sourceText, english) == 0) return QString::fromUtf8(russian);
        }
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    ParserTranslator translator;
    const bool translated = QCoreApplication::installTranslator(&translator);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Korvel — моделирование затвердевания непрерывнолитой заготовки на машине\n"
                       "непрерывного литья радиального типа."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показать эту справку и выйти."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Показать версию программы и выйти."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("файл"),
                                 QStringLiteral("Файл варианта расчета (.korvel), открываемый при запуске."),
                                 QStringLiteral("[файл]"));

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Error;
        result.text = parser.errorText();
    } else if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = parser.helpText();
        // The usage line names the program as it is installed, not by the path it was started with.
        const qsizetype from = result.text.indexOf(QLatin1Char(' ')) + 1;
        const qsizetype to = result.text.indexOf(QStringLiteral(" ["), from);
        if (from > 0 && to > from) result.text.replace(from, to - from, QStringLiteral("korvel"));
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("korvel %1\n").arg(QString::fromUtf8(kVersion));
    } else if (parser.positionalArguments().size() > 1) {
        result.action = CommandLine::Action::Error;
        result.text = QStringLiteral("Можно открыть только один файл варианта, а указано %1: %2.")
                          .arg(parser.positionalArguments().size())
                          .arg(parser.positionalArguments().join(QStringLiteral(", ")));
    } else if (parser.positionalArguments().size() == 1) {
        result.casePath = parser.positionalArguments().first();
        if (result.casePath.isEmpty()) {
            result.action = CommandLine::Action::Error;
            result.text = QStringLiteral("Имя файла варианта пустое.");
        }
    }
    if (result.action == CommandLine::Action::Error)
        result.text += QStringLiteral("\n(korvel --help — справка)\n");

    if (translated) QCoreApplication::removeTranslator(&translator);
    return result;
}

bool AsksForTextOnly(int argc, const char* const* argv) {
    for (int k = 1; k < argc; ++k) {
        const char* a = argv[k];
        if (std::strcmp(a, "--") == 0) break;
        for (const char* option : {"-h", "--help", "-v", "--version"}) {
            if (std::strcmp(a, option) == 0) return true;
        }
    }
    return false;
}

int AnswerCommandLine(const CommandLine& commandLine) {
    const QByteArray text = commandLine.text.toUtf8();
    const bool failed = commandLine.action == CommandLine::Action::Error;
    std::FILE* out = failed ? stderr : stdout;
    if (failed) std::fputs("korvel: ", out);
    std::fputs(text.constData(), out);
    std::fflush(out);
    return failed ? 2 : 0;
}

} // namespace korvel
