#pragma once

// Calibration to measured surface temperatures: one multiplier per spray section on its heat-transfer
// coefficient and, with the physical boundary model, the mould law's A (q = A − B·√t), fitted by bounded
// least squares (NLopt's BOBYQA) so that the slice's surface meets the readings taken on the machine;
// each evaluation an ordinary run of the model. No Qt.

#include "cases/Case.h"

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

enum class MeasuredPoint { FaceX, FaceY, Corner };

// One reading: z m from the meniscus, the point of the section, the temperature in °C.
struct Measurement {
    double z = 0;
    MeasuredPoint point = MeasuredPoint::FaceX;
    double temperature = 0;
    int line = 0; // line of the file, 1-based
};

// "faceX", "faceY", "corner".
const char* MeasuredPointKey(MeasuredPoint p);

// The farthest reading from the meniscus, m (the runs go that far).
constexpr double kMaxReadingDistance = 200;

// Larger measurement files are refused before reading.
constexpr std::size_t kMaxMeasurementFileBytes = 4 << 20;

// Reads the text of a measurement file: the header "z_m,point,T_C", then one reading per line (numbers
// with a decimal point; empty lines are skipped). False with a Russian message naming the line.
bool ParseMeasurements(std::string_view text, std::vector<Measurement>& out, std::string& error);

// Reads a measurement file; the message names the file and the line.
bool ReadMeasurementFile(const std::string& path, std::vector<Measurement>& out, std::string& error);

struct CalibrationSettings {
    double low = 0.2; // bounds of every multiplier
    double high = 5;
    // Bounds of the mould law's A, MW/m² (physical boundary model only), widened to take in the case's
    // own A: published billet-mould laws have A of 2–5 MW/m², and a flux that falls to zero in the
    // first seconds (A = 1 with B = 0.335 reaches zero after 9 s) is as low as a mould goes.
    double mouldALow = 1;
    double mouldAHigh = 5;
    int maxRuns = 300; // runs of the model at most
};

struct CalibrationResult {
    bool ok = false;     // false: nothing fitted (message says why)
    std::string message; // Russian: why not, or which sections had no reading to fit them
    std::array<double, 4> before{1, 1, 1, 1};      // the case's multipliers
    std::array<double, 4> multipliers{1, 1, 1, 1}; // fitted
    std::array<bool, 4> fitted{};                  // sections with a reading at or after their start
    std::array<bool, 4> dry{}; // physical model: sections without water, whose multiplier acts on nothing
    std::vector<double> residualsBefore; // model − reading, K, in the order of the readings
    std::vector<double> residualsAfter;
    // The mould law's A, MW/m²: the case's and the fitted one. Fitted only with the physical boundary
    // model (then with any reading at all: every reading lies below the meniscus, where the mould's flux
    // shapes the surface); otherwise both are the case's A, which the text model does not use.
    bool mouldAFitted = false;
    double mouldABefore = 0, mouldAAfter = 0;
    double mouldHeatChange = 0;         // the heat the mould takes per m² of face, after / before − 1, %
    double rmsBefore = 0, rmsAfter = 0; // K
    int runs = 0;
    Case calibrated; // the case with the fitted multipliers
};

// The surface temperatures of the case at the readings (NaN where the run did not reach or failed).
std::vector<double> ModelAtReadings(const Case& c, const std::vector<Measurement>& readings);

// The case run for a calibration: the process time lengthened, when needed, past the farthest reading.
Case CalibrationCase(const Case& c, const std::vector<Measurement>& readings);

// Fits the multipliers (and A, see mouldAFitted) from the case's own (1 unless it was calibrated before).
// `cancel` stops the fit after the run going; progress gets the runs done and the best root-mean-square
// residual so far.
CalibrationResult Calibrate(const Case& c, const std::vector<Measurement>& readings,
                            const CalibrationSettings& s = {}, const std::atomic<bool>* cancel = nullptr,
                            const std::function<void(int runs, double rms)>& progress = {});

// The calibration's part of a JSON file: {"multipliers": [..], "rmsBefore": .., "rmsAfter": ..,
// "runs": .., "readings": [{"z_m", "point", "T_C", "before", "after"}, ..]}; where A was fitted,
// "mouldA": {"before": .., "after": ..} (MW/m²) and "mouldHeatChange" (%) follow the multipliers.
std::string CalibrationJson(const CalibrationResult& r, const std::vector<Measurement>& readings);

} // namespace korvel
