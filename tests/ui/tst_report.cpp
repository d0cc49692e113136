// The report of a run: "Файл" -> "Отчет о расчете..." writes one PDF with the case, the figures, the
// verdict and the pictures, named by the case; a file that cannot be written is reported and leaves
// nothing behind.
#include "Version.h"
#include "cases/CaseFile.h"
#include "ui/UnIsxDan.h"
#include "ui/unMain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// The text of a PDF through pdftotext, or a null string when the tool is missing.
QString pdfText(const QString& path) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty()) return QString();
    QProcess p;
    p.start(tool, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return QStringLiteral("(pdftotext failed)");
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void reportOfARun() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        korvel::Case c;
        c.window.Vp = 1; // one minute of process time
        c.window.Lkrist = 0.75;
        const QString casePath = dir.filePath(QStringLiteral("плавка-7.korvel"));
        std::string error;
        QVERIFY(korvel::WriteCaseFile(QFile::encodeName(casePath).toStdString(), c, error));

        korvel::Model model;
        TFormMain w(model);
        QStringList messages;
        w.SetMessageHandler([&](const QString& text) { messages << text; });
        QString target;
        w.SetReportPathChooser([&] { return target; });
        w.show();
        QVERIFY(w.OpenCaseFile(casePath));
        QVERIFY(!w.ActionsReport->isEnabled());
        w.ActionsSolve->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.HasResults() && !w.WorkerAlive() && w.ActionsReport->isEnabled(), 120000);

        // A folder that does not exist: said so, nothing written.
        target = dir.filePath(QStringLiteral("нет/отчет.pdf"));
        w.ActionsReport->trigger();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("Отчет не записан")), qPrintable(messages[0]));

        target = dir.filePath(QStringLiteral("отчет.pdf"));
        w.ActionsReport->trigger();
        QVERIFY2(messages.size() == 1, qPrintable(messages.join(QLatin1Char('\n'))));
        QFile pdf(target);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.trimmed().endsWith("%%EOF"));
        // Only the report is left in the folder (no temporary file).
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

        const QString text = pdfText(target);
        if (text.isNull()) QSKIP("pdftotext is not installed: the report's text is not checked");
        // Tables, then five pictures two to a page: four pages or more, each with its footer.
        const int pages = int(text.count(QLatin1Char('\f')));
        QVERIFY2(pages >= 4, qPrintable(QString::number(pages)));
        QVERIFY2(text.count(QStringLiteral("плавка-7")) >= pages, qPrintable(text.left(2000)));
        for (const QString& expected :
             {QStringLiteral("Отчет о расчете"),
              QStringLiteral("Korvel ") + QString::fromUtf8(korvel::kVersion),
              QStringLiteral("Исходные данные"), QStringLiteral("Длина кристаллизатора"),
              QStringLiteral("0,75"), QStringLiteral("м/мин"), QStringLiteral("Основные показатели"),
              QStringLiteral("Оценка режима"), QStringLiteral("Расчет завершен"),
              QStringLiteral("Параметры по длине машины"),
              QStringLiteral("Распределение углерода по сечению заготовки")})
            QVERIFY2(text.contains(expected), qPrintable(expected));
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
