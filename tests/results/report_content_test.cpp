#include "results/ReportContent.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvel;

// The report's tables: every input with its unit as given, figures with a decimal comma, the verdict
// with its states, and a stopped run said so.
TEST(ReportContent, TablesOfTheCaseFiguresAndVerdict) {
    ReportSource s;
    s.caseName = "плавка 7";
    s.date = "09.12.2026 10:15";
    s.version = "1.4.0";
    s.inputs = {
        {"Длина кристаллизатора", 0.715, "м"}, {"Температура разливки", 1515, "°C"}, {"Узлы по X", 10, ""}};
    s.results.metallurgicalReached = true;
    s.results.metallurgicalLength = 12.77;
    s.key.centreCarbonRatio = 1.0626;
    CriterionResult shell;
    shell.criterion = Criterion::MouldExitShell;
    shell.value = 9.25;
    shell.limit = 8;
    shell.state = CriterionState::Ok;
    s.verdict = {shell};
    s.completed = false;
    s.tau = 345.5;
    s.distance = 8.6375;

    const ReportContent r = MakeReportContent(s);
    EXPECT_EQ(r.caseName, "плавка 7");
    EXPECT_EQ(r.version, "Korvel 1.4.0");
    EXPECT_EQ(r.status, "Расчет остановлен: время процесса 345,5 с, расстояние от мениска 8,64 м.");
    ASSERT_EQ(r.tables.size(), 3u);
    const ReportTable& input = r.tables[0];
    ASSERT_EQ(input.rows.size(), 3u);
    EXPECT_EQ(input.rows[0], (std::vector<std::string>{"Длина кристаллизатора", "0,715", "м"}));
    EXPECT_EQ(input.rows[1][1], "1515");
    const ReportTable& figures = r.tables[1];
    EXPECT_EQ(figures.rows[0], (std::vector<std::string>{"Металлургическая длина", "12,77 м"}));
    EXPECT_EQ(figures.rows[figures.rows.size() - 2][1], "1,063");
    EXPECT_EQ(figures.rows.back()[1], "—"); // sulphur not measured
    const ReportTable& verdict = r.tables[2];
    ASSERT_EQ(verdict.rows.size(), 1u);
    EXPECT_EQ(verdict.rows[0].size(), verdict.columns.size());
    EXPECT_EQ(verdict.rows[0][0], CriterionCaption(Criterion::MouldExitShell));
    EXPECT_NE(verdict.rows[0][1].find("9,2"), std::string::npos) << verdict.rows[0][1];
    EXPECT_EQ(verdict.rows[0][3], StateCaption(CriterionState::Ok));
    EXPECT_EQ(r.figureTitles.size(), std::size_t(kReportFigureCount));

    s.completed = true;
    s.caseName.clear();
    const ReportContent done = MakeReportContent(s);
    EXPECT_EQ(done.status.rfind("Расчет завершен", 0), 0u) << done.status;
    EXPECT_FALSE(done.caseName.empty());
}
