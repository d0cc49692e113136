// Case files in the program: the "Файл" menu, save and open giving back every field and parameter,
// bad files refused with nothing changed, the question before unsaved edits are lost, the recent
// cases, the title and the case named on the command line.
#include "cases/CaseFile.h"
#include "ui/UnCaseFile.h"
#include "ui/UnIsxDan.h"
#include "ui/UnParamMod.h"
#include "ui/UnStudy.h"
#include "ui/unMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <bit>
#include <cstdint>
#include <memory>

namespace {

bool sameBits(const korvel::Case& a, const korvel::Case& b, QString* which) {
    for (const korvel::CaseField& f : korvel::CaseFields()) {
        const double x = korvel::GetCaseValue(a, f), y = korvel::GetCaseValue(b, f);
        if (std::bit_cast<std::uint64_t>(x) != std::bit_cast<std::uint64_t>(y)) {
            *which = QStringLiteral("%1: %2 != %3")
                         .arg(QLatin1String(f.key))
                         .arg(x, 0, 'g', 17)
                         .arg(y, 0, 'g', 17);
            return false;
        }
    }
    return true;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestCaseFiles : public QObject {
    Q_OBJECT

    korvel::Model m_model;
    std::unique_ptr<TFormMain> w;
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;
    QStringList m_questions;
    int m_answer = QMessageBox::Cancel;
    QString m_openPath, m_savePath;

    TCaseFiles* files() { return w->CaseFiles; }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    // Values a user might type, each as its field keeps it.
    void typeCase() {
        TFormIsxDan* d = w->FormIsxDan;
        d->CurrencyDlomX->setValue(150);
        d->CurrencyDlomY->setValue(210.5);
        d->CurrencyVp->setValue(12.25);
        d->CurrencyC->setValue(0.43);
        d->CurrencyP->setValue(0.017);
        d->CurrencyT0->setValue(1532);
        d->CurrencyVlit->setValue(1.73);
        d->CurrencyQ2->setValue(3.05);
        d->CurrencyNn3->setValue(20);
        d->CurrencyRkorvel->setValue(12.5);
        d->Currencyl1->setValue(0.45);
        d->Currencyl4->setValue(3.07);
        m_model.params.Dt = 0.3;
        m_model.params.SideFlag = -1;
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("KorvelTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_casefiles"));
    }
    void init() {
        QSettings().clear();
        m_dir = std::make_unique<QTemporaryDir>();
        m_model = korvel::Model();
        w = std::make_unique<TFormMain>(m_model);
        // Runs on the coarse grids of the tests go ahead without the question.
        w->SetQuestionHandler([](const QString&) { return true; });
        w->SetMessageHandler([this](const QString& t) { m_messages << t; });
        files()->SetChoiceHandler([this](const QString& t) {
            m_questions << t;
            return m_answer;
        });
        files()->SetFileChooser([this](bool save) { return save ? m_savePath : m_openPath; });
        m_messages.clear();
        m_questions.clear();
        m_answer = QMessageBox::Cancel;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() {
        // Nothing to ask about at the end of a test.
        files()->SetChoiceHandler([](const QString&) { return int(QMessageBox::Discard); });
        w.reset();
    }

    void fileMenuAtTheLeft() {
        const QList<QAction*> top = w->menuBar()->actions();
        QCOMPARE(top.first()->text(), QStringLiteral("&Файл"));
        QCOMPARE(top[1]->text(), QStringLiteral("&Действия"));
        const QList<QAction*> items = top.first()->menu()->actions();
        QCOMPARE(items.size(), 8);
        QCOMPARE(items[0]->text(), QStringLiteral("&Открыть вариант..."));
        QCOMPARE(items[1]->text(), QStringLiteral("&Сохранить вариант"));
        QCOMPARE(items[2]->text(), QStringLiteral("Сохранить вариант &как..."));
        QCOMPARE(items[4]->menu(), files()->MenuRecent);
        QCOMPARE(items[6], w->ActionsSaveResults);
        QCOMPARE(items[7], w->ActionsReport);
        for (QAction* a : top[1]->menu()->actions())
            QVERIFY(a != w->ActionsSaveResults);
        QCOMPARE(w->windowTitle().left(6), QStringLiteral("Korvel"));
        QVERIFY(!w->windowTitle().contains(QStringLiteral("[*]")));
    }

    void savedAndOpenedGivesEveryFieldAndParameterExactly() {
        typeCase();
        m_model.params.L = 14;
        m_model.params.M = 12;
        korvel::SizeState(m_model);
        const korvel::Case typed = files()->CaseOnScreen();
        m_savePath = path(QStringLiteral("плавка"));
        QVERIFY(files()->SaveCaseAs());
        const QString saved = path(QStringLiteral("плавка.korvel"));
        QCOMPARE(files()->CasePath(), saved);
        QVERIFY(!files()->IsModified());
        QVERIFY2(w->windowTitle().contains(QStringLiteral("Korvel - плавка")), qPrintable(w->windowTitle()));

        // Something else on screen, then the file again.
        w->FormIsxDan->SetValues(korvel::DataWindowStartValues());
        m_model.params = korvel::ModelParams();
        korvel::SizeState(m_model);
        QVERIFY(files()->IsModified());
        QVERIFY(w->windowTitle().contains(QStringLiteral("плавка*")) || w->isWindowModified());
        QVERIFY(w->OpenCaseFile(saved));
        QString which;
        QVERIFY2(sameBits(files()->CaseOnScreen(), typed, &which), qPrintable(which));
        QCOMPARE(m_model.params.L, 14);
        QCOMPARE(m_model.params.SideFlag, -1);
        QVERIFY(w->fmParamMod->RadioButton2->isChecked());
        // The data window shows the parameters too.
        const QString params = w->FormIsxDan->LabelModelParams->text();
        QVERIFY2(params.contains(QStringLiteral("сетка 14 x 12")) &&
                     params.contains(QStringLiteral("длинном")) &&
                     params.contains(QLocale().toString(0.3, 'g', 6)),
                 qPrintable(params));
        // The grid was re-sized and the data accepted.
        QCOMPARE(m_model.state.Tem.Rows(), 15);
        QCOMPARE(m_model.state.Tem.Cols(), 13);
        QCOMPARE(w->SharedCastingData().Vlit, 1.73);
        QCOMPARE(m_model.data.HalfY, 210.5 / 2000);
        QVERIFY(!files()->IsModified());
        QVERIFY(!w->isWindowModified());
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(files()->RecentCases(), QStringList{saved});

        // Save again gives the same bytes.
        const QByteArray first = fileBytes(saved);
        QVERIFY(files()->SaveCase());
        QCOMPARE(fileBytes(saved), first);
    }

    void badFilesAreRefusedAndNothingChanges() {
        typeCase();
        const korvel::Case before = files()->CaseOnScreen();
        const korvel::ModelParams params = m_model.params;
        const QString title = w->windowTitle();
        const QByteArray good = QByteArray::fromStdString(korvel::CaseToJson(korvel::Case{}));
        const struct {
            const char* name;
            QByteArray text;
            const char* problem;
        } bad[] = {
            {"malformed", good.left(good.size() - 3), "это не файл JSON"},
            {"version", QByteArray(good).replace("\"version\": 1", "\"version\": 7"),
             "неизвестная версия формата 7"},
            {"missing", QByteArray(good).replace("\"Q3\": {\"value\": 2.6, \"unit\": \"м3/ч\"},", ""),
             "нет поля «Q3»"},
            {"unknown", QByteArray(good).replace("\"Q3\":", "\"Q9\":"), "неизвестное поле «Q9»"},
            {"not finite", QByteArray(good).replace("\"value\": 2.6", "\"value\": 1e400"),
             "«Q3» не является конечным числом"},
            {"grid", QByteArray(good).replace("\"L\": {\"value\": 10", "\"L\": {\"value\": 101"),
             "от 4 до 100"},
            {"side", QByteArray(good).replace("\"SideFlag\": {\"value\": 1", "\"SideFlag\": {\"value\": 2"),
             "1 или -1"},
        };
        for (const auto& b : bad) {
            const QString file = path(QStringLiteral("%1.korvel").arg(QLatin1String(b.name)));
            writeBytes(file, b.text);
            m_messages.clear();
            QVERIFY2(!w->OpenCaseFile(file), b.name);
            QCOMPARE(m_messages.size(), 1);
            QVERIFY2(m_messages[0].startsWith(QStringLiteral("Вариант не открыт.")),
                     qPrintable(m_messages[0]));
            QVERIFY2(m_messages[0].contains(file), qPrintable(m_messages[0]));
            QVERIFY2(m_messages[0].contains(QString::fromUtf8(b.problem)), qPrintable(m_messages[0]));
            QString which;
            QVERIFY2(sameBits(files()->CaseOnScreen(), before, &which), qPrintable(which));
            QCOMPARE(m_model.params.L, params.L);
            QCOMPARE(m_model.params.Dt, params.Dt);
            QCOMPARE(w->windowTitle(), title);
            QVERIFY(files()->CasePath().isEmpty());
        }
        // A file that is not there.
        QVERIFY(!w->OpenCaseFile(path(QStringLiteral("none.korvel"))));
        QVERIFY(m_messages.last().contains(QStringLiteral("нет такого файла или папки")));
        QVERIFY(files()->RecentCases().isEmpty());
    }

    void openingOverUnsavedEditsAsksFirst() {
        const QString other = path(QStringLiteral("other.korvel"));
        korvel::Case c;
        c.window.Vlit = 2.1;
        std::string error;
        QVERIFY(korvel::WriteCaseFile(other.toStdString(), c, error));
        m_openPath = other;

        w->FormIsxDan->CurrencyVlit->setValue(1.11);
        // Cancel: nothing opened, the edit stays.
        m_answer = QMessageBox::Cancel;
        files()->FileOpenCase->trigger();
        QCOMPARE(m_questions.size(), 1);
        QCOMPARE(w->FormIsxDan->CurrencyVlit->value(), 1.11);
        QVERIFY(files()->CasePath().isEmpty());
        // Save: the edits go to a file first (asked for, as the case has none), then the other opens.
        m_answer = QMessageBox::Save;
        m_savePath = path(QStringLiteral("mine.korvel"));
        files()->FileOpenCase->trigger();
        QCOMPARE(w->FormIsxDan->CurrencyVlit->value(), 2.1);
        QCOMPARE(files()->CasePath(), other);
        korvel::Case mine;
        QVERIFY(korvel::ReadCaseFile(m_savePath.toStdString(), mine, error));
        QCOMPARE(mine.window.Vlit, 1.11);
        // Discard: the edit is dropped on purpose.
        w->FormIsxDan->CurrencyVlit->setValue(1.22);
        m_answer = QMessageBox::Discard;
        m_openPath = m_savePath;
        files()->FileOpenCase->trigger();
        QCOMPARE(m_questions.size(), 3);
        QCOMPARE(w->FormIsxDan->CurrencyVlit->value(), 1.11);
        // No edits: no question.
        m_openPath = other;
        files()->FileOpenCase->trigger();
        QCOMPARE(m_questions.size(), 3);
        QCOMPARE(w->FormIsxDan->CurrencyVlit->value(), 2.1);

        // The recent cases, newest first, open from the menu.
        QCOMPARE(files()->RecentCases(), (QStringList{other, m_savePath}));
        emit files()->MenuRecent->aboutToShow();
        QList<QAction*> recent = files()->MenuRecent->actions();
        QCOMPARE(recent.size(), 2);
        QCOMPARE(recent[1]->text(), QStringLiteral("&2 mine.korvel"));
        recent[1]->trigger();
        QCOMPARE(w->FormIsxDan->CurrencyVlit->value(), 1.11);
        QCOMPARE(files()->CasePath(), m_savePath);
    }

    void closingWithUnsavedCaseEditsAsks() {
        m_savePath = path(QStringLiteral("a.korvel"));
        QVERIFY(files()->SaveCaseAs());
        w->FormIsxDan->CurrencyT0->setValue(1540);
        QVERIFY(w->isWindowModified());
        m_answer = QMessageBox::Cancel;
        QVERIFY(!w->close());
        QCOMPARE(m_questions.size(), 1);
        QVERIFY(w->isVisible());
        m_answer = QMessageBox::Save;
        QVERIFY(w->close());
        korvel::Case saved;
        std::string error;
        QVERIFY(korvel::ReadCaseFile(m_savePath.toStdString(), saved, error));
        QCOMPARE(saved.window.T0, 1540.0);
    }

    void steelGradeIsAnEdit() {
        m_savePath = path(QStringLiteral("grade.korvel"));
        QVERIFY(files()->SaveCaseAs());
        QVERIFY(!w->isWindowModified());
        emit w->FormIsxDan->ComboGrade->activated(1);
        QVERIFY(w->isWindowModified());
        emit w->FormIsxDan->ComboGrade->activated(0);
        QVERIFY(!w->isWindowModified());
    }

    void failedSaveIsReported() {
        m_savePath = path(QStringLiteral("missing/a.korvel"));
        QVERIFY(!files()->SaveCaseAs());
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].startsWith(QStringLiteral("Вариант не сохранен.")), qPrintable(m_messages[0]));
        QVERIFY(m_messages[0].contains(QStringLiteral("нет такого файла или папки")));
        QVERIFY(files()->CasePath().isEmpty());
    }

    // More decimals than a field shows are kept, shown, and used as the file gives them.
    void finerValuesAreKept() {
        korvel::Case c;
        c.window.Vlit = 1.2345;
        const QString file = path(QStringLiteral("fine.korvel"));
        std::string error;
        QVERIFY(korvel::WriteCaseFile(file.toStdString(), c, error));
        QVERIFY(w->OpenCaseFile(file));
        QCOMPARE(w->FormIsxDan->CurrencyVlit->value(), 1.2345);
        QCOMPARE(w->FormIsxDan->CurrencyVlit->text().replace(',', '.'), QStringLiteral("1.2345"));
        QCOMPARE(w->Model().data.Vlit, 1.2345);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QVERIFY(!files()->IsModified());
    }

    // Without a case file, unsaved edits are asked about at closing, and so is a study going on.
    void closingAsksAboutEditsWithoutAFileAndAboutAStudy() {
        QVERIFY(!w->isWindowModified());
        w->FormIsxDan->CurrencyT0->setValue(1540);
        QVERIFY(w->isWindowModified());
        QVERIFY2(w->windowTitle().contains(QStringLiteral("новый вариант")), qPrintable(w->windowTitle()));
        m_answer = QMessageBox::Cancel;
        QVERIFY(!w->close());
        QCOMPARE(m_questions.size(), 1);
        QVERIFY2(m_questions[0].contains(QStringLiteral("не сохранены")), qPrintable(m_questions[0]));
        QVERIFY(w->isVisible());
        // A study row loaded changes the case on screen: the title says so.
        w->FormIsxDan->CurrencyT0->setValue(1515);
        QVERIFY(!w->isWindowModified());
        korvel::Case row = files()->CaseOnScreen();
        row.params.Dt = 0.25;
        QVERIFY(w->OpenStudyCase(row, 2));
        QVERIFY(w->isWindowModified());
        row.params.Dt = 0.5;
        QVERIFY(w->OpenStudyCase(row, 1));
        QVERIFY(!w->isWindowModified());

        QStringList asked;
        bool quit = false;
        w->SetQuestionHandler([&](const QString& t) {
            asked << t;
            return quit;
        });
        w->ServisStudyExecute();
        w->FormStudy->Start();
        QVERIFY(w->FormStudy->Running()); // until its end is taken by the window thread
        QVERIFY(!w->close());
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].startsWith(QStringLiteral("Идет серия расчетов")), qPrintable(asked[0]));
        QTRY_VERIFY_WITH_TIMEOUT(!w->FormStudy->Running(), 120000);
        QVERIFY(w->close());
        QCOMPARE(asked.size(), 1);
    }

    void caseOnTheCommandLineOpens() {
        korvel::Case c;
        c.window.Q1 = 2.75;
        c.params.Dt = 0.25;
        const QString file = path(QStringLiteral("cmd.korvel"));
        std::string error;
        QVERIFY(korvel::WriteCaseFile(file.toStdString(), c, error));
        QVERIFY(w->OpenCaseFromArguments({QStringLiteral("korvel")}));
        QVERIFY(files()->CasePath().isEmpty());
        QVERIFY(w->OpenCaseFromArguments({QStringLiteral("korvel"), QStringLiteral("--style=fusion"), file}));
        QCOMPARE(w->FormIsxDan->CurrencyQ1->value(), 2.75);
        QCOMPARE(m_model.params.Dt, 0.25);
        QCOMPARE(files()->CasePath(), file);
        QVERIFY(w->windowTitle().contains(QStringLiteral("cmd")));
        // A bad one is refused with the message, and the start values stay.
        w->FormIsxDan->SetValues(korvel::DataWindowStartValues());
        QVERIFY(!w->OpenCaseFromArguments({QStringLiteral("korvel"), path(QStringLiteral("nope.korvel"))}));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(w->FormIsxDan->CurrencyQ1->value(), 1.9);
    }

    void openIsDisabledDuringARun() {
        m_savePath = path(QStringLiteral("run.korvel"));
        QVERIFY(files()->SaveCaseAs());
        w->FormIsxDan->CurrencyVp->setValue(0.5);
        w->ActionsSolve->trigger();
        // The data window is no longer maximised: the title still names the case.
        QVERIFY2(w->windowTitle().startsWith(QStringLiteral("Korvel - run")), qPrintable(w->windowTitle()));
        QVERIFY(!files()->FileOpenCase->isEnabled());
        QVERIFY(!w->OpenCaseFile(path(QStringLiteral("x.korvel"))));
        QVERIFY(m_messages.last().contains(QStringLiteral("идет расчет")));
        w->ActionsStop->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!w->WorkerAlive(), 30000);
        QVERIFY(files()->FileOpenCase->isEnabled());
        w->WindowIsxDan->trigger();
        QVERIFY2(w->windowTitle().startsWith(QStringLiteral("Korvel - run")), qPrintable(w->windowTitle()));
    }
};

QTEST_MAIN(TestCaseFiles)
#include "tst_casefiles.moc"
