// What a run leaves for the engineer: progress, distance and shell in the status bar while it runs,
// the summary and the results window at its end, and the export of tables and pictures into a folder.
#include "results/DerivedResults.h"
#include "results/QualityVerdict.h"
#include "results/ResultsExport.h"
#include "run/UnSolveThread.h"
#include "ui/UnCompare.h"
#include "ui/UnIsxDan.h"
#include "ui/UnResults.h"
#include "ui/UnSolve.h"
#include "ui/UnTemTau.h"
#include "ui/unMain.h"

#include "ui/NumericEdit.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

namespace {

QStringList readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The figure after `key` in a label such as "Корочка: X  12,3 мм, Y  11,9 мм", comma or dot.
double figureAfter(const QString& text, const QString& key) {
    const int at = int(text.indexOf(key));
    if (at < 0) return NAN;
    QString rest = text.mid(at + key.size()).trimmed();
    rest = rest.left(int(rest.indexOf(QLatin1Char(' '))));
    rest.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = rest.toDouble(&ok);
    return ok ? v : NAN;
}

QStringList allFiles() {
    QStringList names;
    for (const std::string& n : korvel::ResultsCsvFiles())
        names << QString::fromStdString(n);
    return names << TFormMain::ResultImageFiles() << TFormMain::ProfileResultFiles();
}

struct Seen {
    int progress;
    bool resultsEnabled, saveEnabled;
};

} // namespace

class TestResults : public QObject {
    Q_OBJECT

    korvel::Model m_model;
    std::unique_ptr<TFormMain> w;
    QList<Seen> m_seen;
    QStringList m_messages;
    QStringList m_questions;
    bool m_answer = true;
    QString m_folder;
    int m_folderAsked = 0;

    void run(double minutes) {
        w->FormIsxDan->CurrencyVp->setValue(minutes);
        m_seen.clear();
        w->ActionsSolve->trigger();
    }
    bool waitForEnd(int ms = 60000) {
        QSignalSpy ended(w.get(), &TFormMain::RunEnded);
        return w->WorkerAlive() ? ended.wait(ms) : true;
    }
    // A completed run of one minute of process time (120 steps, 13 points per chart series).
    bool shortRun() {
        run(1);
        return waitForEnd() && w->HasResults();
    }
    void save(const QString& folder) {
        m_folder = folder;
        w->ActionsSaveResults->trigger();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init() {
        m_model = korvel::Model();
        m_messages.clear();
        m_questions.clear();
        m_answer = true;
        m_folderAsked = 0;
        w = std::make_unique<TFormMain>(m_model);
        w->SetMessageHandler([this](const QString& text) { m_messages << text; });
        w->SetQuestionHandler([this](const QString& text) {
            m_questions << text;
            return m_answer;
        });
        w->SetFolderChooser([this] {
            ++m_folderAsked;
            return m_folder;
        });
        connect(w.get(), &TFormMain::HandedOver, this, [this](bool, double) {
            m_seen.append({w->ProgressRun->value(), w->ActionsResults->isEnabled(),
                           w->ActionsSaveResults->isEnabled()});
        });
        w->show();
    }
    void cleanup() {
        w.reset();
        TSolveThread::WaitAtEveryHandOver = false;
    }

    void summaryOfWorkedFigures() {
        korvel::DerivedResults r;
        r.metallurgicalReached = true;
        r.metallurgicalLength = 12.345;
        r.mouldExitSeen = true;
        r.mouldExit.faceX = 11.04;
        r.mouldExit.faceY = 9.96;
        r.reheatFaceX = 31.6;
        r.reheatFaceXZ = 2.5;
        r.reheatFaceY = 47.4;
        r.reheatFaceYZ = 3.125;
        QCOMPARE(ResultsSummary(r), QStringLiteral("Металлургическая длина: 12,35 м; корочка на выходе из "
                                                   "кристаллизатора X 11,0, Y 10,0 мм; наибольший "
                                                   "разогрев 47 К на 3,13 м"));
        // The larger of the two faces' reheating is named, with its own place.
        r.reheatFaceX = 50;
        QVERIFY2(ResultsSummary(r).endsWith(QStringLiteral("наибольший разогрев 50 К на 2,50 м")),
                 qPrintable(ResultsSummary(r)));

        korvel::DerivedResults liquid;
        liquid.centreTemperature = 1496.6;
        QCOMPARE(ResultsSummary(liquid), QStringLiteral("Центр не затвердел (1497 °C); сечение не вышло из "
                                                        "кристаллизатора; разогрева поверхности нет"));
    }

    void figuresTakeTheLocaleSeparator() {
        QCOMPARE(LocaliseFigures(QStringLiteral("Корочка: 16.9 мм (X), 0.5 м. Конец.")),
                 QStringLiteral("Корочка: 16,9 мм (X), 0,5 м. Конец."));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(LocaliseFigures(QStringLiteral("16.9 мм")), QStringLiteral("16.9 мм"));
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }

    void longSummaryWrapsNotCut() {
        TElidedLabel label;
        const QString text =
            QStringLiteral("Центр не затвердел (1509 °C); корочка на выходе из кристаллизатора X "
                           "16,9, Y 16,9 мм; наибольший разогрев 60 К на 2,48 м");
        label.SetFullText(text);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        label.resize(label.sizeHint());
        QCOMPARE(label.text(), text);
        label.resize(200, label.height());
        // Narrower than the text: the whole text on more lines.
        QCOMPARE(label.text(), text);
        QVERIFY(label.wordWrap());
        QVERIFY2(label.heightForWidth(200) >= 3 * label.fontMetrics().height(),
                 qPrintable(QString::number(label.heightForWidth(200))));
        QCOMPARE(label.toolTip(), text);
        QCOMPARE(label.FullText(), text);
    }

    // A step too long for the mould: the program asks first; a run made anyway carries the warning in
    // the summary, the results, the verdict, the comparison and the files.
    void stepTooLongAsksAndMarksTheResults() {
        w->SetModelParams([] {
            korvel::ModelParams p;
            p.Dt = 20;
            return p;
        }());
        m_answer = false;
        run(1);
        QCOMPARE(m_questions.size(), 1);
        QVERIFY2(m_questions[0].contains(QStringLiteral("Шаг расчета 20 с слишком велик")) &&
                     m_questions[0].contains(QStringLiteral("не более 1,6 с")),
                 qPrintable(m_questions[0]));
        QVERIFY(!w->RunActive() && !w->WorkerAlive() && !w->HasResults());
        m_answer = true;
        QVERIFY(shortRun());
        QCOMPARE(m_questions.size(), 2);
        QVERIFY2(w->LabelSummary->FullText().startsWith(QStringLiteral("Внимание")),
                 qPrintable(w->LabelSummary->FullText()));
        QVERIFY2(w->FormResults->Heading().contains(QStringLiteral("Расчет завершен")) &&
                     w->FormResults->Heading().contains(QStringLiteral("слишком велик")),
                 qPrintable(w->FormResults->Heading()));
        const QStringList lines = w->FormResults->Lines();
        const qsizetype verdict = lines.indexOf(QStringLiteral("Критерии качества:"));
        QVERIFY(verdict >= 0 && verdict + 1 < lines.size());
        QVERIFY2(lines[verdict + 1].contains(QStringLiteral("Внимание")), qPrintable(lines[verdict + 1]));
        w->WindowCompareExecute();
        QVERIFY2(w->FormCompare->ListRuns->item(0)->text().contains(QStringLiteral("с предупреждением")),
                 qPrintable(w->FormCompare->ListRuns->item(0)->text()));
        QTemporaryDir dir;
        save(dir.path());
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QFile verdictCsv(dir.filePath(QStringLiteral("verdict.csv")));
        QVERIFY(verdictCsv.open(QIODevice::ReadOnly));
        QVERIFY(verdictCsv.readAll().contains("\nmouldSteps,1.6,20,,steps,warning\n"));
        QFile caseCsv(dir.filePath(QStringLiteral("case.csv")));
        QVERIFY(caseCsv.open(QIODevice::ReadOnly));
        QVERIFY(
            QString::fromUtf8(caseCsv.readAll()).contains(QStringLiteral("run_warning,\"Шаг расчета 20 с")));
    }

    void statusBarFollowsTheRun() {
        QCOMPARE(w->ProgressRun->value(), 0);
        QVERIFY(!w->ActionsResults->isEnabled() && !w->ActionsSaveResults->isEnabled());
        QVERIFY(shortRun());
        // Start, 12 periodic hand-overs, the final one.
        QCOMPARE(m_seen.size(), 14);
        QCOMPARE(m_seen.first().progress, 0);
        for (int k = 1; k < m_seen.size(); ++k) {
            QVERIFY2(m_seen[k].progress >= m_seen[k - 1].progress,
                     qPrintable(QStringLiteral("hand-over %1: %2 after %3")
                                    .arg(k)
                                    .arg(m_seen[k].progress)
                                    .arg(m_seen[k - 1].progress)));
            QVERIFY2(!m_seen[k].resultsEnabled && !m_seen[k].saveEnabled, qPrintable(QString::number(k)));
        }
        QCOMPARE(w->ProgressRun->value(), 100);
        // 1.5 m/min for one minute.
        QCOMPARE(w->LabelDistance->text(), QStringLiteral("Расстояние от мениска:   1,50 м"));
        // The status bar shows the moment the cross-section window shows.
        QCOMPARE(w->LabelDistance->text().section(QLatin1Char(':'), 1).trimmed(),
                 w->FormSolve->LabLmenisk->text().trimmed() + QStringLiteral(" м"));
        // The shell shown is the final state's, and a real one: grown, thinner than the half size.
        const korvel::ShellThickness shell = korvel::ShellAt(m_model, true);
        const QString shellText = w->LabelShell->text();
        QVERIFY2(shellText.startsWith(QStringLiteral("Корочка: X ")), qPrintable(shellText));
        const double x = figureAfter(shellText, QStringLiteral("X"));
        const double y = figureAfter(shellText, QStringLiteral("Y"));
        QVERIFY2(
            std::abs(x - shell.faceX) <= 0.05 && std::abs(y - shell.faceY) <= 0.05,
            qPrintable(QStringLiteral("%1 against %2, %3").arg(shellText).arg(shell.faceX).arg(shell.faceY)));
        QVERIFY2(x > 2 && x < 80 && y > 2 && y < 80, qPrintable(shellText));
        QCOMPARE(w->Results().solid.faceX, shell.faceX);
    }

    void summaryAndWindowAtTheEnd() {
        QVERIFY(!w->FormResults->isVisible());
        QVERIFY(shortRun());
        QVERIFY(w->ResultsCompleted());
        QVERIFY(w->ActionsResults->isEnabled() && w->ActionsSaveResults->isEnabled());
        const korvel::DerivedResults& r = w->Results();
        // One minute is far too short for the centre to freeze; the slice has left the 0.8 m mould.
        QVERIFY(!r.metallurgicalReached);
        QVERIFY(r.mouldExitSeen);
        QCOMPARE(w->LabelSummary->FullText(), ResultsSummary(r));
        QVERIFY2(w->LabelSummary->FullText().startsWith(QStringLiteral("Центр не затвердел (")),
                 qPrintable(w->LabelSummary->FullText()));
        QVERIFY(w->LabelSummary->isVisible());

        // The figures wait behind their action: the end of a run opens no window over the charts.
        QVERIFY(!w->FormResults->isVisible());
        w->ActionsResults->trigger();
        QVERIFY(w->FormResults->isVisible());
        QVERIFY(!w->FormResults->isModal());
        QStringList expected;
        for (const std::string& line : korvel::DescribeResults(r))
            expected << LocaliseFigures(QString::fromStdString(line));
        // Then the quality verdict.
        expected << QStringLiteral("Критерии качества:");
        QCOMPARE(w->ResultsVerdict().size(), std::size_t(6));
        for (const std::string& line : korvel::DescribeVerdict(w->ResultsVerdict()))
            expected << QStringLiteral("   ") + LocaliseFigures(QString::fromStdString(line));
        QCOMPARE(w->FormResults->Lines(), expected);
        QCOMPARE(w->FormResults->TextResults->text(), expected.join(QLatin1Char('\n')));
        // Wide enough for its longest line.
        const int longest = w->FormResults->TextResults->fontMetrics().horizontalAdvance(expected[2]);
        QVERIFY2(w->FormResults->TextResults->contentsRect().width() >= longest,
                 qPrintable(QStringLiteral("%1 < %2")
                                .arg(w->FormResults->TextResults->contentsRect().width())
                                .arg(longest)));
        // The mushy zone lies between the solidus and the liquidus fronts: a width, never negative.
        const QString mushy = w->FormResults->Lines()[3];
        QVERIFY2(mushy.startsWith(QStringLiteral("Ширина двухфазной зоны: ")), qPrintable(mushy));
        const double width = figureAfter(mushy, QStringLiteral("зоны:"));
        QVERIFY2(std::abs(width - (r.liquid.faceX - r.solid.faceX)) <= 0.05 && width >= 0, qPrintable(mushy));
        QVERIFY(w->FormResults->Lines().first().contains(QStringLiteral("центр не затвердел")));
        QVERIFY2(
            w->FormResults->Heading().startsWith(QStringLiteral("Расчет завершен: время процесса 60,0 с")),
            qPrintable(w->FormResults->Heading()));
        // Closed, it comes back from the menu.
        w->FormResults->hide();
        w->ActionsResults->trigger();
        QVERIFY(w->FormResults->isVisible());

        // The next run starts without them.
        run(1);
        QVERIFY(!w->HasResults());
        QVERIFY(!w->FormResults->isVisible());
        QVERIFY(w->LabelSummary->FullText().isEmpty());
        QVERIFY(!w->ActionsResults->isEnabled() && !w->ActionsSaveResults->isEnabled());
        // Saving is refused while the run goes on, even when asked directly.
        w->ActionsSaveResultsExecute();
        QCOMPARE(m_folderAsked, 0);
        QVERIFY(waitForEnd());
        QVERIFY(w->HasResults());
    }

    void stoppedRunKeepsItsResultsInTheMenu() {
        TSolveThread::WaitAtEveryHandOver = true; // stopped at 10 s exactly
        connect(w.get(), &TFormMain::HandedOver, this, [this](bool, double tau) {
            if (tau >= 10 && w->RunActive()) w->ActionsStop->trigger();
        });
        run(10);
        QVERIFY(waitForEnd());
        QVERIFY(w->HasResults());
        QVERIFY(!w->ResultsCompleted());
        QCOMPARE(m_model.state.Tau, 10.0);
        QCOMPARE(w->ProgressRun->value(), 1); // 10 s of 600
        QVERIFY(!w->FormResults->isVisible());
        QVERIFY2(w->LabelSummary->FullText().startsWith(QStringLiteral("Расчет остановлен. ")),
                 qPrintable(w->LabelSummary->FullText()));
        // 0.25 m from the meniscus: still inside the mould.
        QVERIFY(!w->Results().mouldExitSeen);
        QVERIFY(w->ActionsResults->isEnabled() && w->ActionsSaveResults->isEnabled());
        w->ActionsResults->trigger();
        QVERIFY(w->FormResults->isVisible());
        QVERIFY2(
            w->FormResults->Heading().startsWith(QStringLiteral("Расчет остановлен: время процесса 10,0 с")),
            qPrintable(w->FormResults->Heading()));
    }

    void exportWritesTablesAndPictures() {
        QVERIFY(shortRun());
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        save(QString()); // the folder dialog cancelled
        QCOMPARE(m_folderAsked, 1);
        QVERIFY(QDir(dir.path()).isEmpty());

        save(dir.path());
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QVERIFY(m_questions.isEmpty()); // nothing to replace
        QStringList present =
            QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        present.sort();
        QStringList expected = allFiles();
        expected.sort();
        QCOMPARE(present, expected); // and nothing left over from writing
        QVERIFY(w->statusBar()->currentMessage().startsWith(QStringLiteral("Результаты сохранены")));

        // History: one row per chart point, the last one the chart's last point.
        const QStringList history = readLines(dir.filePath("history.csv"));
        QCOMPARE(history.first(),
                 QStringLiteral(
                     "time_min,time_s,center,corner,mid_face_x,mid_face_y,quarter_face_x,quarter_face_y"));
        QCOMPARE(int(history.size()) - 1, w->FormTempTau->PointCount());
        QCOMPARE(int(history.size()) - 1, int(w->ResultsHistory().size()));
        QCOMPARE(history.size(), 14);
        const QStringList last = history.last().split(QLatin1Char(','));
        QCOMPARE(last.size(), 8);
        QCOMPARE(last[1].toDouble(), 60.0);
        const QPointF centre = w->FormTempTau->Series1->points().constLast();
        QCOMPARE(w->FormTempTau->Series1->name(), QStringLiteral("Центр слитка"));
        QVERIFY2(std::abs(last[2].toDouble() - centre.y()) <= 1e-6 * std::abs(centre.y()),
                 qPrintable(QStringLiteral("%1 against %2").arg(last[2]).arg(centre.y(), 0, 'g', 12)));
        QVERIFY2(std::abs(last[0].toDouble() - centre.x()) <= 1e-9, qPrintable(last[0]));

        // The fields: a header and one row per i, one column per j.
        const QStringList tem = readLines(dir.filePath("tem.csv"));
        QCOMPARE(tem.size(), m_model.params.L + 1);
        QCOMPARE(tem.first().split(',').size(), m_model.params.M + 1);
        QCOMPARE(tem.last().split(',').size(), m_model.params.M + 1);
        QVERIFY(tem.first().startsWith(QStringLiteral("i,j=1")));

        // The derived figures as the status bar shows them.
        double shellX = NAN;
        for (const QString& line : readLines(dir.filePath("results.csv")))
            if (line.startsWith(QStringLiteral("shell_face_x,"))) shellX = line.split(',')[1].toDouble();
        const double shown = figureAfter(w->LabelShell->text(), QStringLiteral("X"));
        QVERIFY2(std::abs(shellX - shown) <= 0.05,
                 qPrintable(QStringLiteral("%1 against %2").arg(shellX).arg(shown)));

        for (const QString& name : TFormMain::ResultImageFiles()) {
            const QImage image(dir.filePath(name));
            QVERIFY2(!image.isNull() && image.width() > 50 && image.height() > 50, qPrintable(name));
        }
    }

    // Saving with every window minimised writes every file, the pictures at their fixed sizes.
    void savingWithAllWindowsMinimised() {
        QVERIFY(shortRun());
        w->MinimizeAll();
        for (QMdiSubWindow* sub : w->MdiArea()->subWindowList())
            QVERIFY(sub->isMinimized());
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        save(dir.path());
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QStringList present = QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
        present.sort();
        QStringList expected = allFiles();
        expected.sort();
        QCOMPARE(present, expected);
        const QStringList images = TFormMain::ResultImageFiles();
        QCOMPARE(TFormMain::ResultPictureSize(0), QSize(1254, 728));
        for (int k = 0; k < images.size(); ++k) {
            const QImage image(dir.filePath(images[k]));
            QVERIFY2(!image.isNull(), qPrintable(images[k]));
            // The picture at its size under a caption band.
            QCOMPARE(image.width(), TFormMain::ResultPictureSize(k).width());
            QVERIFY2(image.height() > TFormMain::ResultPictureSize(k).height() + 40, qPrintable(images[k]));
        }
        // The same pictures again with the windows tiled: the size does not follow the windows.
        w->TileHorizontal();
        QTemporaryDir again;
        save(again.path());
        for (int k = 0; k < images.size(); ++k)
            QCOMPARE(QImage(again.filePath(images[k])).size(), QImage(dir.filePath(images[k])).size());
        // The temperature chart's picture shows the curves: the centre's red is in it.
        const QImage chart(again.filePath(images[1]));
        bool red = false;
        for (int y = 0; y < chart.height() && !red; y += 2)
            for (int x = 0; x < chart.width() && !red; x += 2)
                red = chart.pixelColor(x, y) == QColor(255, 0, 0);
        QVERIFY(red);
    }

    // A run that ends while the user types in the data window leaves the keyboard there.
    void endOfRunLeavesTheFocusAlone() {
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        run(1);
        w->ActionsEnter->trigger();
        w->FormIsxDan->CurrencyT0->setFocus();
        QVERIFY(waitForEnd());
        QVERIFY(w->HasResults());
        QCoreApplication::processEvents();
        QVERIFY(!w->FormResults->isVisible());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->FormIsxDan->CurrencyT0));
    }

    void replacingAsksFirst() {
        QVERIFY(shortRun());
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(writeFile(dir.filePath("history.csv"), "old history\n"));
        QVERIFY(writeFile(dir.filePath("carbon.png"), "old picture"));

        m_answer = false;
        save(dir.path());
        QCOMPARE(m_questions.size(), 1);
        QVERIFY2(m_questions.first() ==
                     QStringLiteral("Файлы history.csv, carbon.png уже есть в папке. Заменить?"),
                 qPrintable(m_questions.first()));
        QCOMPARE(readAll(dir.filePath("history.csv")), QByteArray("old history\n"));
        QCOMPARE(readAll(dir.filePath("carbon.png")), QByteArray("old picture"));
        QVERIFY(!QFile::exists(dir.filePath("tem.csv"))); // nothing written at all
        QVERIFY(m_messages.isEmpty());

        m_answer = true;
        save(dir.path());
        QCOMPARE(m_questions.size(), 2);
        QVERIFY(readAll(dir.filePath("history.csv")).startsWith("time_min,"));
        QVERIFY(!QImage(dir.filePath("carbon.png")).isNull());
        QVERIFY(QFile::exists(dir.filePath("tem.csv")));
        QVERIFY(m_messages.isEmpty());
    }

    void writeErrorLeavesOldFiles() {
        QVERIFY(shortRun());
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A folder under a plain file cannot be written, not even by root.
        QVERIFY(writeFile(dir.filePath("file"), "x"));
        save(dir.filePath("file/sub"));
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().startsWith(QStringLiteral("Результаты не сохранены: ")),
                 qPrintable(m_messages.first()));
        QCOMPARE(w->LastMessage(), m_messages.first());

        // Old results in a folder where one of the names is taken by a folder: nothing is replaced.
        QTemporaryDir old;
        QVERIFY(old.isValid());
        QVERIFY(writeFile(old.filePath("history.csv"), "old history\n"));
        QVERIFY(writeFile(old.filePath("temperature.png"), "old picture"));
        QVERIFY(QDir(old.path()).mkpath("results.csv/inner"));
        save(old.path());
        QCOMPARE(m_questions.size(), 1);
        QCOMPARE(m_messages.size(), 2);
        QVERIFY2(m_messages.last().contains(QStringLiteral("results.csv")), qPrintable(m_messages.last()));
        QCOMPARE(readAll(old.filePath("history.csv")), QByteArray("old history\n"));
        QCOMPARE(readAll(old.filePath("temperature.png")), QByteArray("old picture"));
        QStringList present =
            QDir(old.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        present.sort();
        QCOMPARE(present, (QStringList{"history.csv", "results.csv", "temperature.png"}));
        // The folder stays usable once the obstacle is gone.
        QVERIFY(QDir(old.filePath("results.csv")).removeRecursively());
        save(old.path());
        QCOMPARE(m_messages.size(), 2);
        QVERIFY(readAll(old.filePath("results.csv")).startsWith("quantity,value,unit"));
    }
};

QTEST_MAIN(TestResults)
#include "tst_results.moc"
