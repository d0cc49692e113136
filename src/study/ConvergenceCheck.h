#pragma once

// The convergence check of a case: how much its key figures and its quality verdict owe to the grid and
// the time step. The case runs on its own grid and step, on a coarser and a finer grid (about half and
// double the nodes along each axis, kept within 4..100) and with half the step, in parallel, each run
// exactly as the case with those parameters runs alone. For every key figure the check estimates the
// discretisation error of the case's own run:
//   - grid: with h ~ 1/sqrt(L*M) on the coarse (3), the case's (2) and the fine (1) grid and
//     e21 = f2 - f1, e32 = f3 - f2, when the three values change monotonically and the change shrinks
//     (e21 * e32 > 0, |e21| < |e32|), a Richardson estimate with the observed order p (Celik et al.,
//     "Procedure for estimation and reporting of uncertainty due to discretization in CFD
//     applications", J. Fluids Eng. 130 (2008) 078001): p from
//       p = (ln|e32 / e21| + ln((r21^p - 1) / (r32^p - 1))) / ln r21,  r21 = h2 / h1, r32 = h3 / h2,
//     the extrapolated value f_ext = f1 + (f1 - f2) / (r21^p - 1), and the error of the case's run
//     f2 - f_ext = e21 * r21^p / (r21^p - 1), p taken no lower than 0.5 so that the estimate stays
//     finite. Otherwise (the values oscillate or the change does not shrink, or there are only two
//     grids: at the ends of 4..100, or where the run on a grid failed) the largest difference between
//     neighbouring grids, signed as that difference from the case's run.
//   - step: the difference between the case's run and the run at half the step.
// A criterion of the verdict whose judgement is not the same on the three grids depends on the grid;
// one whose judgement differs between the case's step and half of it depends on the step. No Qt: the
// program's window and the batch runner share this unit.

#include "Study.h"

#include <array>
#include <string>
#include <vector>

namespace korvel {

// The runs of the check, in the order of its table.
enum ConvergenceRunKind {
    kRunBase = 0,
    kRunCoarse = 1,
    kRunFine = 2,
    kRunHalfStep = 3,
    kConvergenceRuns = 4
};

// Which parameters each column has and which run of the study gives it (a grid at the end of 4..100 may
// have no coarser or finer neighbour: that column is then the case's own run).
struct ConvergencePlan {
    std::array<ModelParams, kConvergenceRuns> params;
    std::array<int, kConvergenceRuns> studyRun{}; // the study's run that gives each column
};

// The coarse grid has round(n / 2) nodes and the fine one 2 n, each kept within 4..100; the half-step
// run keeps the case's grid.
ConvergencePlan PlanConvergence(const ModelParams& p);

// The study of the distinct runs (inputs L, M and Dt, the verdict judged under `limits`) and the plan
// that maps them onto the table's columns.
Study ConvergenceStudy(const Case& c, const QualityLimits& limits, ConvergencePlan& plan);

enum class GridEstimate { None, Richardson, LargestDifference };

struct FigureConvergence {
    const StudyFigure* figure = nullptr;
    std::array<double, kConvergenceRuns> values{}; // NaN where a run did not give the figure
    double gridError = NAN;                        // estimated error of the case's run from the grid
    double order = NAN;                            // observed order (Richardson only)
    GridEstimate estimate = GridEstimate::None;
    double stepDifference = NAN; // case's run minus the half-step run
};

// How a criterion came out on the runs.
enum class CriterionDependence { None, Grid, Step, GridAndStep };

struct CriterionConvergence {
    CriterionResult base; // the case's own run
    std::array<CriterionResult, kConvergenceRuns> runs;
    CriterionDependence dependence = CriterionDependence::None;
};

struct ConvergenceReport {
    ConvergencePlan plan;
    std::array<StudyRow, kConvergenceRuns> rows; // one per column
    std::vector<FigureConvergence> figures;      // every key figure but the process time
    std::vector<CriterionConvergence> criteria;  // empty when the case's own run gave no verdict
    bool complete = false;                       // every run completed
};

// The grid error of f3 (coarse), f2 (the case's) and f1 (fine) at node counts n3, n2, n1 (L * M): see
// the head of this file. Equal node counts mean the same run (a grid at the end of the range).
void EstimateGridError(double f3, double f2, double f1, double n3, double n2, double n1, double& error,
                       double& order, GridEstimate& how);

// The report from the study's rows (in the study's order).
ConvergenceReport EvaluateConvergence(const ConvergencePlan& plan, const std::vector<StudyRow>& rows);

// The criterion's state as shown: "в норме"/"нарушено"/"не достигнуто" when every run agrees, else
// "зависит от сетки", "зависит от шага" or "зависит от сетки и шага"; and its key for files.
std::string DependenceCaption(const CriterionConvergence& c);
std::string DependenceKey(const CriterionConvergence& c);

// Captions of the table's columns: "10 x 10, 0,5 с" style with a decimal point; and of the estimate.
std::string RunCaption(const ModelParams& p);
const char* RunKindCaption(int kind);
const char* GridEstimateCaption(GridEstimate e);

// The CSV of the check: one line per run parameter (kind "run": L, M, Dt, steps, status), per key
// figure (kind "figure") and per criterion (kind "criterion"), with the four runs' values and the
// estimates. Numbers with a decimal point in every locale, as many digits as read back exactly.
std::string ConvergenceCsv(const ConvergenceReport& r);

// The check as a table for people, one line per row of text, figures with `decimalPoint` ("." or the
// locale's separator).
std::vector<std::string> ConvergenceText(const ConvergenceReport& r, const std::string& decimalPoint = ".");

// Runs the check on several threads (at most one per run); the study runner's rules hold (Cancel from
// any thread, DoneShare, background priority).
class ConvergenceCheck {
public:
    ConvergenceCheck(const Case& c, const QualityLimits& limits, int jobs);
    void SetBackground(bool background) { runner_.SetBackground(background); }
    // Runs every run; returns the report (incomplete after Cancel).
    ConvergenceReport Run();
    void Cancel() { runner_.Cancel(); }
    bool Cancelled() const { return runner_.Cancelled(); }
    double DoneShare() const { return runner_.DoneShare(); }
    const Study& GetStudy() const { return runner_.GetStudy(); }
    const ConvergencePlan& Plan() const { return plan_; }

private:
    ConvergencePlan plan_; // set before the runner is built from the study

    StudyRunner runner_;
};

} // namespace korvel
