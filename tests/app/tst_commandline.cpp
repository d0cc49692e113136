// The command line of `korvel`: help, version, the case file to open and the refusals, and the one
// version that the command line and the About box show.
#include "CommandLine.h"
#include "Version.h"
#include "ui/UnAbout.h"

#include <QLabel>
#include <QtTest>

using korvel::CommandLine;
using korvel::ParseCommandLine;

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void noArgumentsStartsTheWindows();
    void caseFileIsTaken_data();
    void caseFileIsTaken();
    void helpIsRussianAndNamesEveryOption();
    void versionLineIsTheProjectVersion();
    void refusals_data();
    void refusals();
    void textOnlyRequestsAreRecognisedBeforeAnyWindow();
    void aboutBoxShowsTheSameVersion();
};

void TestCommandLine::noArgumentsStartsTheWindows() {
    const CommandLine c = ParseCommandLine({QStringLiteral("korvel")});
    QCOMPARE(c.action, CommandLine::Action::Run);
    QVERIFY(c.casePath.isEmpty());
    QVERIFY(c.text.isEmpty());
}

void TestCommandLine::caseFileIsTaken_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("casePath");
    QTest::newRow("plain") << QStringList{QStringLiteral("/usr/bin/korvel"),
                                          QStringLiteral("плавка 12.korvel")}
                           << QStringLiteral("плавка 12.korvel");
    QTest::newRow("absolute") << QStringList{QStringLiteral("korvel"),
                                             QStringLiteral("/home/инженер/a.korvel")}
                              << QStringLiteral("/home/инженер/a.korvel");
    // A file manager passes the name after "--" when it starts with a dash.
    QTest::newRow("after --") << QStringList{QStringLiteral("korvel"), QStringLiteral("--"),
                                             QStringLiteral("-v.korvel")}
                              << QStringLiteral("-v.korvel");
}

void TestCommandLine::caseFileIsTaken() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, casePath);
    const CommandLine c = ParseCommandLine(arguments);
    QCOMPARE(c.action, CommandLine::Action::Run);
    QCOMPARE(c.casePath, casePath);
}

void TestCommandLine::helpIsRussianAndNamesEveryOption() {
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const CommandLine c = ParseCommandLine({QStringLiteral("./build/src/app/korvel"), option});
        QCOMPARE(c.action, CommandLine::Action::Help);
        QVERIFY2(c.text.startsWith(QStringLiteral("Запуск: korvel [параметры] [файл]\n")),
                 qPrintable(c.text));
        for (const QString& part :
             {QStringLiteral("Параметры:"), QStringLiteral("Аргументы:"), QStringLiteral("-h, --help"),
              QStringLiteral("-v, --version"), QStringLiteral(".korvel")})
            QVERIFY2(c.text.contains(part), qPrintable(part + QStringLiteral(" missing in\n") + c.text));
        for (const QString& english : {QStringLiteral("Usage"), QStringLiteral("Options"),
                                       QStringLiteral("Arguments"), QStringLiteral("Displays")})
            QVERIFY2(!c.text.contains(english), qPrintable(c.text));
    }
}

void TestCommandLine::versionLineIsTheProjectVersion() {
    const QString expected = QStringLiteral("korvel %1\n").arg(QString::fromUtf8(korvel::kVersion));
    for (const QString& option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
        const CommandLine c = ParseCommandLine({QStringLiteral("korvel"), option});
        QCOMPARE(c.action, CommandLine::Action::Version);
        QCOMPARE(c.text, expected);
    }
    // The version looks like a Debian package version: digits and dots.
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]+(\\.[0-9]+)+$"))
                 .match(QString::fromUtf8(korvel::kVersion))
                 .hasMatch(),
             korvel::kVersion);
}

void TestCommandLine::refusals_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("korvel"), QStringLiteral("--steps")}
                                    << QStringLiteral("Неизвестный параметр «steps».");
    QTest::newRow("value for a flag") << QStringList{QStringLiteral("korvel"), QStringLiteral("--version=2")}
                                      << QStringLiteral("Параметр «--version» не принимает значения.");
    QTest::newRow("two case files") << QStringList{QStringLiteral("korvel"), QStringLiteral("a.korvel"),
                                                   QStringLiteral("b.korvel")}
                                    << QStringLiteral("Можно открыть только один файл варианта, а указано 2: "
                                                      "a.korvel, b.korvel.");
    QTest::newRow("empty file name") << QStringList{QStringLiteral("korvel"), QString()}
                                     << QStringLiteral("Имя файла варианта пустое.");
}

void TestCommandLine::refusals() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CommandLine c = ParseCommandLine(arguments);
    QCOMPARE(c.action, CommandLine::Action::Error);
    QVERIFY(c.casePath.isEmpty());
    QVERIFY2(c.text.startsWith(message), qPrintable(c.text));
    QVERIFY2(c.text.contains(QStringLiteral("korvel --help")), qPrintable(c.text));
}

void TestCommandLine::textOnlyRequestsAreRecognisedBeforeAnyWindow() {
    struct Case {
        std::vector<const char*> argv;
        bool textOnly;
    };
    const Case cases[] = {
        {{"korvel"}, false},
        {{"korvel", "--help"}, true},
        {{"korvel", "a.korvel", "-v"}, true},
        {{"korvel", "--version"}, true},
        {{"korvel", "-h"}, true},
        {{"korvel", "--", "--help"}, false}, // a file named --help
        {{"korvel", "--helper"}, false},
        {{"korvel", "a.korvel"}, false},
    };
    for (const Case& c : cases) {
        QCOMPARE(korvel::AsksForTextOnly(static_cast<int>(c.argv.size()), c.argv.data()), c.textOnly);
    }
}

void TestCommandLine::aboutBoxShowsTheSameVersion() {
    TAboutBox about;
    const CommandLine c = ParseCommandLine({QStringLiteral("korvel"), QStringLiteral("--version")});
    const QString version = c.text.mid(QStringLiteral("korvel ").size()).trimmed();
    QVERIFY(!version.isEmpty());
    QCOMPARE(about.Version->text(), QStringLiteral("Версия %1").arg(version));
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
