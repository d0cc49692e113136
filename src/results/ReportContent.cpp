#include "ReportContent.h"

#include "ResultsExport.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace korvel {

std::string ReportNumber(double v, int digits) {
    if (std::isnan(v)) return "—";
    std::string s = FormatNumber(v, digits);
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

namespace {

// Decimal points between digits become commas.
std::string commas(std::string s) {
    for (std::size_t k = 1; k + 1 < s.size(); ++k)
        if (s[k] == '.' && std::isdigit(static_cast<unsigned char>(s[k - 1])) &&
            std::isdigit(static_cast<unsigned char>(s[k + 1])))
            s[k] = ',';
    return s;
}

std::string fixed(double v, int decimals) {
    if (!std::isfinite(v)) return ReportNumber(v);
    char buf[64];
    // "-0,0" is printed as "0,0".
    const double scale = std::pow(10.0, decimals);
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::round(v * scale) == 0 ? 0.0 : v);
    return commas(buf);
}

// "Caption: value" into two cells.
std::vector<std::string> splitLine(const std::string& line) {
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) return {line, ""};
    return {line.substr(0, colon), commas(line.substr(colon + 2))};
}

} // namespace

ReportContent MakeReportContent(const ReportSource& s) {
    ReportContent r;
    r.title = "Отчет о расчете";
    r.caseName = s.caseName.empty() ? "вариант не сохранен в файле" : s.caseName;
    r.date = s.date;
    r.version = "Korvel " + s.version;
    r.status = (s.completed ? "Расчет завершен: время процесса " : "Расчет остановлен: время процесса ") +
               fixed(s.tau, 1) + " с, расстояние от мениска " + fixed(s.distance, 2) + " м.";

    ReportTable input{"Исходные данные", {"Величина", "Значение", "Единица"}, {}};
    for (const ReportInputRow& row : s.inputs)
        input.rows.push_back({row.caption, ReportNumber(row.value), row.unit});
    r.tables.push_back(std::move(input));

    ReportTable figures{"Основные показатели", {"Показатель", "Значение"}, {}};
    for (const std::string& line : DescribeResults(s.results))
        figures.rows.push_back(splitLine(line));
    figures.rows.push_back({"Углерод в центре / в расплаве", fixed(s.key.centreCarbonRatio, 3)});
    figures.rows.push_back({"Сера в центре / в расплаве", fixed(s.key.centreSulphurRatio, 3)});
    r.tables.push_back(std::move(figures));

    ReportTable verdict{"Оценка режима охлаждения", {"Критерий", "Значение", "Предел", "Оценка"}, {}};
    for (const CriterionResult& c : s.verdict) {
        std::string value = CriterionValueText(c);
        if (!std::isnan(c.value)) value += CriterionValueUnit(c.criterion);
        verdict.rows.push_back({CriterionCaption(c.criterion), commas(value), commas(CriterionLimitText(c)),
                                StateCaption(c.state)});
    }
    r.tables.push_back(std::move(verdict));

    r.figureTitles = {"Параметры по длине машины", "Изменение температуры по сечению слитка",
                      "Температурный режим заготовки по длине Korvel",
                      "Распределение содержания S,% по сечению слитка",
                      "Распределение углерода по сечению заготовки, %"};
    return r;
}

} // namespace korvel
