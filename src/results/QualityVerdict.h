#pragma once

#include "KeyFigures.h"
#include "MachineProfile.h"
#include "model/CastingData.h"

#include <cmath>
#include <string>
#include <vector>

// The quality verdict of a cooling practice: the criteria billet caster designers judge it by, each
// measured in the run and held against its limit.

namespace korvel {

// The limits of the criteria. NaN means "not set": the straightening point then lies at the end of the
// machine's arc, Lkrist + pi * Rkorvel / 2; the centre segregation ratios are reported without a limit.
struct QualityLimits {
    double mouldExitShell = 8;  // mm, least solid shell at the mould exit
    double reheating = 100;     // K, largest rise of the surface after it has been cooled
    double ductilityLow = 700;  // °C, the steel's low-ductility range at the straightening point
    double ductilityHigh = 900; // °C
    double straightening = NAN; // m from the meniscus
    double centreCarbon = NAN;  // largest ratio of the centre's carbon to the melt's
    double centreSulphur = NAN; // the same for sulphur
};

// NotJudged: the criterion has no limit, so its value is reported and not held against anything.
enum class CriterionState { Ok, Violated, NotReached, NotJudged };

enum class Criterion { MouldExitShell, Reheating, Ductility, Straightening, CentreCarbon, CentreSulphur };

struct CriterionResult {
    Criterion criterion = Criterion::MouldExitShell;
    double value = NAN;     // what the run measured; NaN when nothing was measured
    double limit = NAN;     // the limit (the lower end of a range); NaN when there is none
    double limitHigh = NAN; // the upper end of a range, else NaN
    CriterionState state = CriterionState::NotReached;
};

// The straightening point of the case under these limits, m from the meniscus.
double StraighteningPoint(const CastingData& d, const QualityLimits& limits);

// Judges a run from its key figures and its profile along the machine. The casting data give the zones
// and the straightening point.
std::vector<CriterionResult> JudgeQuality(const KeyFigures& k, const MachineProfile& profile,
                                          const CastingData& d, const QualityLimits& limits);

// Names for files ("mouldExitShell", ...), captions for people, units and the state's key ("ok",
// "violated", "not reached", "not judged") and caption.
const char* CriterionKey(Criterion c);
const char* CriterionCaption(Criterion c);
const char* CriterionUnit(Criterion c);
const char* StateKey(CriterionState s);
const char* StateCaption(CriterionState s);

// The measured value and the limit as text, with a decimal point ("—" when nothing was measured;
// "не задан" for a ratio without a limit), and the unit of the value as people read it (" мм", ...).
std::string CriterionValueText(const CriterionResult& r);
std::string CriterionLimitText(const CriterionResult& r);
std::string CriterionValueUnit(Criterion c);

// One line per criterion, in the program's language, figures with a decimal point; a warning about the
// run (see StepCheck), when given, comes first.
std::vector<std::string> DescribeVerdict(const std::vector<CriterionResult>& verdict,
                                         const std::string& warning = {});

// Sets the limit named by its key (the criterion keys, "ductilityLow"/"ductilityHigh" for the range);
// returns an empty string, else why the name or value is refused.
std::string SetQualityLimit(QualityLimits& limits, const std::string& key, double value);

// Empty when the limits make sense together, else why not, naming the limit.
std::string CheckQualityLimits(const QualityLimits& limits);

} // namespace korvel
