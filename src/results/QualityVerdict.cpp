#include "QualityVerdict.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace korvel {

namespace {

std::string Fixed(double v, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

int Decimals(Criterion c) {
    switch (c) {
    case Criterion::MouldExitShell:
        return 1;
    case Criterion::Reheating:
    case Criterion::Ductility:
        return 0;
    case Criterion::Straightening:
        return 2;
    case Criterion::CentreCarbon:
    case Criterion::CentreSulphur:
        return 3;
    }
    return 2;
}

// Where the run ended, m from the meniscus.
double EndOfRun(const KeyFigures& k, const MachineProfile& p, const CastingData& d) {
    return p.points.empty() ? d.Vlit / 60 * k.tau : p.points.back().z;
}

} // namespace

double StraighteningPoint(const CastingData& d, const QualityLimits& limits) {
    if (std::isfinite(limits.straightening)) return limits.straightening;
    return d.Lkrist + std::numbers::pi * d.Rkorvel / 2;
}

std::vector<CriterionResult> JudgeQuality(const KeyFigures& k, const MachineProfile& profile,
                                          const CastingData& d, const QualityLimits& limits) {
    std::vector<CriterionResult> out;
    const double zEnd = EndOfRun(k, profile, d);
    const double zStraight = StraighteningPoint(d, limits);
    const bool pastMould = std::isfinite(k.mouldExitShell);

    // Enough shell at the mould exit to hold the ferrostatic pressure.
    CriterionResult shell{Criterion::MouldExitShell, k.mouldExitShell, limits.mouldExitShell};
    if (pastMould)
        shell.state =
            k.mouldExitShell < limits.mouldExitShell ? CriterionState::Violated : CriterionState::Ok;
    out.push_back(shell);

    // No strong rebound of the surface once it has been cooled; the whole secondary-cooling zone and the
    // step into the air must have been passed before the cooling can be called sound.
    CriterionResult reheat{Criterion::Reheating, pastMould ? k.maxReheat : NAN, limits.reheating};
    if (pastMould) {
        if (k.maxReheat > limits.reheating)
            reheat.state = CriterionState::Violated;
        else if (zEnd > ZonesOf(d).coolingEnd)
            reheat.state = CriterionState::Ok;
    }
    out.push_back(reheat);

    // The surface at the straightening point outside the low-ductility range: mid-faces and corner.
    CriterionResult ductility{Criterion::Ductility, NAN, limits.ductilityLow, limits.ductilityHigh};
    ProfilePoint at;
    if (ProfileAt(profile, zStraight, at)) {
        const double temps[3] = {at.surfaceX, at.surfaceY, at.corner};
        double nearest = NAN, distance = INFINITY;
        bool inside = false;
        for (double t : temps) {
            if (t >= limits.ductilityLow && t <= limits.ductilityHigh) {
                if (!inside) ductility.value = t;
                inside = true;
            }
            const double dist = t < limits.ductilityLow ? limits.ductilityLow - t : t - limits.ductilityHigh;
            if (dist < distance) {
                distance = dist;
                nearest = t;
            }
        }
        if (!inside) ductility.value = nearest;
        ductility.state = inside ? CriterionState::Violated : CriterionState::Ok;
    }
    out.push_back(ductility);

    // The liquid core closed before the strand is bent back.
    CriterionResult straight{Criterion::Straightening, k.metallurgicalLength, zStraight};
    if (std::isfinite(k.metallurgicalLength))
        straight.state = k.metallurgicalLength <= zStraight ? CriterionState::Ok : CriterionState::Violated;
    else if (zEnd >= zStraight)
        straight.state = CriterionState::Violated;
    out.push_back(straight);

    // Centre segregation: final once the centre has solidified.
    const bool centreSolid = std::isfinite(k.metallurgicalLength);
    const std::pair<Criterion, std::pair<double, double>> ratios[] = {
        {Criterion::CentreCarbon, {k.centreCarbonRatio, limits.centreCarbon}},
        {Criterion::CentreSulphur, {k.centreSulphurRatio, limits.centreSulphur}}};
    for (const auto& [c, vl] : ratios) {
        CriterionResult r{c, vl.first, vl.second};
        if (!std::isfinite(vl.second))
            r.state = CriterionState::NotJudged;
        else if (centreSolid && std::isfinite(vl.first))
            r.state = vl.first > vl.second ? CriterionState::Violated : CriterionState::Ok;
        out.push_back(r);
    }
    return out;
}

const char* CriterionKey(Criterion c) {
    switch (c) {
    case Criterion::MouldExitShell:
        return "mouldExitShell";
    case Criterion::Reheating:
        return "reheating";
    case Criterion::Ductility:
        return "ductility";
    case Criterion::Straightening:
        return "straightening";
    case Criterion::CentreCarbon:
        return "centreCarbon";
    case Criterion::CentreSulphur:
        return "centreSulphur";
    }
    return "";
}

const char* CriterionCaption(Criterion c) {
    switch (c) {
    case Criterion::MouldExitShell:
        return "Корочка на выходе из кристаллизатора";
    case Criterion::Reheating:
        return "Разогрев поверхности";
    case Criterion::Ductility:
        return "Поверхность в точке правки";
    case Criterion::Straightening:
        return "Затвердевание до точки правки";
    case Criterion::CentreCarbon:
        return "Осевая ликвация углерода";
    case Criterion::CentreSulphur:
        return "Осевая ликвация серы";
    }
    return "";
}

const char* CriterionUnit(Criterion c) {
    switch (c) {
    case Criterion::MouldExitShell:
        return "mm";
    case Criterion::Reheating:
        return "K";
    case Criterion::Ductility:
        return "C";
    case Criterion::Straightening:
        return "m";
    case Criterion::CentreCarbon:
    case Criterion::CentreSulphur:
        return "-";
    }
    return "";
}

const char* StateKey(CriterionState s) {
    switch (s) {
    case CriterionState::Ok:
        return "ok";
    case CriterionState::Violated:
        return "violated";
    case CriterionState::NotReached:
        return "not reached";
    case CriterionState::NotJudged:
        return "not judged";
    }
    return "";
}

const char* StateCaption(CriterionState s) {
    switch (s) {
    case CriterionState::Ok:
        return "в норме";
    case CriterionState::Violated:
        return "нарушено";
    case CriterionState::NotReached:
        return "не достигнуто";
    case CriterionState::NotJudged:
        return "не оценивается";
    }
    return "";
}

std::string CriterionValueText(const CriterionResult& r) {
    if (!std::isfinite(r.value)) return "—";
    return Fixed(r.value, Decimals(r.criterion));
}

std::string CriterionLimitText(const CriterionResult& r) {
    const int dec = Decimals(r.criterion);
    switch (r.criterion) {
    case Criterion::MouldExitShell:
        return "не менее " + Fixed(r.limit, dec) + " мм";
    case Criterion::Reheating:
        return "не более " + Fixed(r.limit, dec) + " К";
    case Criterion::Ductility:
        return "вне " + Fixed(r.limit, dec) + "–" + Fixed(r.limitHigh, dec) + " °C";
    case Criterion::Straightening:
        return "до " + Fixed(r.limit, dec) + " м";
    case Criterion::CentreCarbon:
    case Criterion::CentreSulphur:
        return std::isfinite(r.limit) ? "не более " + Fixed(r.limit, dec) : "не задан";
    }
    return "";
}

std::string CriterionValueUnit(Criterion c) {
    switch (c) {
    case Criterion::MouldExitShell:
        return " мм";
    case Criterion::Reheating:
        return " К";
    case Criterion::Ductility:
        return " °C";
    case Criterion::Straightening:
        return " м";
    default:
        return "";
    }
}

std::vector<std::string> DescribeVerdict(const std::vector<CriterionResult>& verdict,
                                         const std::string& warning) {
    std::vector<std::string> lines;
    if (!warning.empty()) lines.push_back("Внимание: " + warning);
    for (const CriterionResult& r : verdict) {
        std::string value = CriterionValueText(r);
        if (std::isfinite(r.value)) value += CriterionValueUnit(r.criterion);
        lines.push_back(std::string(CriterionCaption(r.criterion)) + ": " + value + " (" +
                        CriterionLimitText(r) + ") — " + StateCaption(r.state));
    }
    return lines;
}

std::string SetQualityLimit(QualityLimits& limits, const std::string& key, double value) {
    struct Entry {
        const char* key;
        double QualityLimits::*field;
    };
    const Entry entries[] = {
        {"mouldExitShell", &QualityLimits::mouldExitShell}, {"reheating", &QualityLimits::reheating},
        {"ductilityLow", &QualityLimits::ductilityLow},     {"ductilityHigh", &QualityLimits::ductilityHigh},
        {"straightening", &QualityLimits::straightening},   {"centreCarbon", &QualityLimits::centreCarbon},
        {"centreSulphur", &QualityLimits::centreSulphur}};
    for (const Entry& e : entries) {
        if (key != e.key) continue;
        if (!std::isfinite(value)) return "критерий «" + key + "»: значение должно быть числом";
        limits.*(e.field) = value;
        return {};
    }
    std::string known;
    for (const Entry& e : entries)
        known += std::string(known.empty() ? "" : ", ") + e.key;
    return "неизвестный критерий «" + key + "» (известны: " + known + ")";
}

std::string CheckQualityLimits(const QualityLimits& l) {
    if (!std::isfinite(l.mouldExitShell) || l.mouldExitShell < 0)
        return "Корочка на выходе из кристаллизатора: предел должен быть числом не меньше нуля.";
    if (!std::isfinite(l.reheating) || l.reheating < 0)
        return "Разогрев поверхности: предел должен быть числом не меньше нуля.";
    if (!std::isfinite(l.ductilityLow) || !std::isfinite(l.ductilityHigh))
        return "Зона низкой пластичности: границы должны быть числами.";
    if (l.ductilityLow > l.ductilityHigh) return "Зона низкой пластичности: нижняя граница больше верхней.";
    if (!std::isnan(l.straightening) && !(std::isfinite(l.straightening) && l.straightening > 0))
        return "Точка правки: расстояние от мениска должно быть больше нуля.";
    if (!std::isnan(l.centreCarbon) && !(std::isfinite(l.centreCarbon) && l.centreCarbon > 0))
        return "Осевая ликвация углерода: предел должен быть больше нуля.";
    if (!std::isnan(l.centreSulphur) && !(std::isfinite(l.centreSulphur) && l.centreSulphur > 0))
        return "Осевая ликвация серы: предел должен быть больше нуля.";
    return {};
}

} // namespace korvel
