#include "ResultsExport.h"

#include "model/PhysicalBoundary.h"

#include "FileWrite.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace korvel {

namespace {

// Appends numbers and text to a file's body.
class Text {
public:
    Text& operator<<(const char* t) {
        s_ += t;
        return *this;
    }
    Text& operator<<(const std::string& t) {
        s_ += t;
        return *this;
    }
    Text& operator<<(char c) {
        s_ += c;
        return *this;
    }
    Text& Int(long long v) {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        s_.append(buf, r.ptr);
        return *this;
    }
    Text& Num(double v) {
        s_ += FormatNumber(v, 10);
        return *this;
    }
    std::string Take() { return std::move(s_); }

private:
    std::string s_;
};

std::string FieldCsv(const Model& m, const NodeField& field, double scale) {
    Text t;
    t << "i";
    for (int j = 1; j <= m.params.M; ++j) {
        t << ",j=";
        t.Int(j);
    }
    t << '\n';
    for (int i = 1; i <= m.params.L; ++i) {
        t.Int(i);
        for (int j = 1; j <= m.params.M; ++j) {
            t << ',';
            t.Num(field[i][j] * scale);
        }
        t << '\n';
    }
    return t.Take();
}

const char* kCase = "case.csv";
const char* kHistory = "history.csv";
const char* kTem = "tem.csv";
const char* kSolid = "solid_fraction.csv";
const char* kCMean = "cmean.csv";
const char* kSMean = "smean.csv";
const char* kResults = "results.csv";
} // namespace

std::string FormatNumber(double v, int digits) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    return std::string(buf, r.ptr);
}

const std::vector<CastingDataField>& CastingDataFields() {
    static const std::vector<CastingDataField> fields = {
        {"C", &CastingData::C, "%"},
        {"Mn", &CastingData::Mn, "%"},
        {"Si", &CastingData::Si, "%"},
        {"S", &CastingData::S, "%"},
        {"P", &CastingData::P, "%"},
        {"Cr", &CastingData::Cr, "%"},
        {"Ni", &CastingData::Ni, "%"},
        {"Cu", &CastingData::Cu, "%"},
        {"Al", &CastingData::Al, "%"},
        {"V", &CastingData::V, "%"},
        {"Mg", &CastingData::Mg, "%"},
        {"H2", &CastingData::H2, "%"},
        {"T0", &CastingData::T0, "C"},
        {"Vlit", &CastingData::Vlit, "m/min"},
        {"Q1", &CastingData::Q1, "m3/h"},
        {"Q2", &CastingData::Q2, "m3/h"},
        {"Q3", &CastingData::Q3, "m3/h"},
        {"Q4", &CastingData::Q4, "m3/h"},
        {"Nn1", &CastingData::Nn1, "-"},
        {"Nn2", &CastingData::Nn2, "-"},
        {"Nn3", &CastingData::Nn3, "-"},
        {"Nn4", &CastingData::Nn4, "-"},
        {"Rkorvel", &CastingData::Rkorvel, "m"},
        {"Lkrist", &CastingData::Lkrist, "m"},
        {"Lzvo", &CastingData::Lzvo, "m"},
        {"Lend1", &CastingData::Lend1, "m"},
        {"Lend2", &CastingData::Lend2, "m"},
        {"Lend3", &CastingData::Lend3, "m"},
        {"Lend4", &CastingData::Lend4, "m"},
        {"HalfX", &CastingData::HalfX, "m"},
        {"HalfY", &CastingData::HalfY, "m"},
        {"TauEnd", &CastingData::TauEnd, "s"},
    };
    return fields;
}

ChartSample SampleChartNodes(const Model& m) {
    const ModelState& s = m.state;
    const int L = m.params.L, M = m.params.M;
    // The corner and the mid-faces at the surface (computed by the physical model, the surface nodes'
    // temperatures with the original one).
    return {s.Tau,           s.Tem[L][M],    SurfaceCorner(m), SurfaceMidFaceY(m), SurfaceMidFaceX(m),
            s.Tem[L / 2][1], s.Tem[1][M / 2]};
}

std::vector<std::string> ResultsCsvFiles() {
    return {kCase, kHistory, kTem, kSolid, kCMean, kSMean, kResults};
}

std::vector<CsvFile> ResultsCsv(const RunRecord& run) {
    const Model& m = run.model;
    const DerivedResults& r = run.results;
    std::vector<CsvFile> files;

    Text c;
    c << "quantity,value,unit\n";
    for (const CastingDataField& f : CastingDataFields()) {
        c << f.key << ',';
        c.Num(m.data.*(f.member));
        c << ',' << f.unit << '\n';
    }
    c << "Dt,";
    c.Num(m.params.Dt);
    c << ",s\nL,";
    c.Int(m.params.L);
    c << ",-\nM,";
    c.Int(m.params.M);
    c << ",-\nSideFlag,";
    c.Int(m.params.SideFlag);
    c << ",-\nboundary," << BoundaryModelKey(m.params.Boundary);
    if (m.params.Boundary == BoundaryModel::Physical) {
        const MouldHeat mh = MouldHeatOf(m);
        const std::pair<const char*, double> rows[] = {{",-\nMouldA,", m.params.MouldA},
                                                       {",MW/m2\nMouldB,", m.params.MouldB},
                                                       {",MW/(m2*s^0.5)\nMouldWater,", m.params.MouldWater},
                                                       {",m3/h\nSprayWaterT,", m.params.SprayWaterT},
                                                       {",C\nmould_heat_total,", mh.total},
                                                       {",J/m\nmould_mean_flux,", mh.meanFlux},
                                                       {",W/m2\nmould_water_rise,", mh.waterRise}};
        for (const auto& [head, v] : rows) {
            c << head;
            c.Num(v);
        }
        c << ",K\nspray_law," << SprayLawName(m.params.Spray);
    }
    c << ",-\nrun_completed," << (run.completed ? "1" : "0") << ",-\n";
    if (!run.warning.empty()) {
        std::string quoted = "\"";
        for (char ch : run.warning) {
            if (ch == '"') quoted += '"';
            quoted += ch;
        }
        c << "run_warning," << quoted << "\",-\n";
    }
    files.push_back({kCase, c.Take()});

    Text h;
    h << "time_min,time_s,center,corner,mid_face_x,mid_face_y,quarter_face_x,quarter_face_y\n";
    for (const ChartSample& p : run.history) {
        for (double v : {p.tau / 60, p.tau, p.center, p.corner, p.midX, p.midY, p.quarterX}) {
            h.Num(v);
            h << ',';
        }
        h.Num(p.quarterY);
        h << '\n';
    }
    files.push_back({kHistory, h.Take()});
    files.push_back({kTem, FieldCsv(m, m.state.Tem, 1)});
    files.push_back({kSolid, FieldCsv(m, m.state.MSol, 1 / (kRoSolid * m.state.SCell))});
    files.push_back({kCMean, FieldCsv(m, m.state.CMean, 1)});
    files.push_back({kSMean, FieldCsv(m, m.state.SMean, 1)});

    Text t;
    t << "quantity,value,unit\n";
    auto row = [&](const char* name, double v, const char* unit) {
        t << name << ',';
        t.Num(v);
        t << ',' << unit << '\n';
    };
    row("shell_face_x", r.solid.faceX, "mm");
    row("shell_face_y", r.solid.faceY, "mm");
    row("shell_diagonal", r.solid.diagonal, "mm");
    row("mushy_inner_face_x", r.liquid.faceX, "mm");
    row("mushy_inner_face_y", r.liquid.faceY, "mm");
    row("mushy_inner_diagonal", r.liquid.diagonal, "mm");
    row("metallurgical_length_reached", r.metallurgicalReached ? 1 : 0, "-");
    row("metallurgical_length", r.metallurgicalLength, "m");
    row("centre_temperature_end", r.centreTemperature, "C");
    row("mould_exit_distance", r.mouldExitZ, "m");
    row("mould_exit_shell_face_x", r.mouldExit.faceX, "mm");
    row("mould_exit_shell_face_y", r.mouldExit.faceY, "mm");
    row("reheat_face_x", r.reheatFaceX, "K");
    row("reheat_face_x_distance", r.reheatFaceXZ, "m");
    row("reheat_face_y", r.reheatFaceY, "K");
    row("reheat_face_y_distance", r.reheatFaceYZ, "m");
    row("run_completed", run.completed ? 1 : 0, "-");
    files.push_back({kResults, t.Take()});
    return files;
}

std::string WriteResultsCsv(const std::string& dir, const RunRecord& run) {
    const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    std::vector<FileContent> out;
    for (CsvFile& f : ResultsCsv(run))
        out.push_back({base + f.name, std::move(f.text)});
    return WriteFilesAtomically(out);
}

std::vector<std::string> DescribeResults(const DerivedResults& r) {
    char buf[256];
    std::vector<std::string> lines;
    if (r.metallurgicalReached) {
        std::snprintf(buf, sizeof buf, "Металлургическая длина: %.2f м", r.metallurgicalLength);
    } else {
        std::snprintf(buf, sizeof buf, "Металлургическая длина: центр не затвердел (%.0f °C в центре)",
                      r.centreTemperature);
    }
    lines.emplace_back(buf);
    if (r.mouldExitSeen) {
        std::snprintf(buf, sizeof buf, "Корочка на выходе из кристаллизатора: %.1f мм (X), %.1f мм (Y)",
                      r.mouldExit.faceX, r.mouldExit.faceY);
    } else {
        std::snprintf(buf, sizeof buf,
                      "Корочка на выходе из кристаллизатора: сечение не вышло из кристаллизатора");
    }
    lines.emplace_back(buf);
    std::snprintf(buf, sizeof buf, "Корочка в конце расчета: %.1f мм (X), %.1f мм (Y), %.1f мм по диагонали",
                  r.solid.faceX, r.solid.faceY, r.solid.diagonal);
    lines.emplace_back(buf);
    std::snprintf(buf, sizeof buf, "Ширина двухфазной зоны: %.1f мм (X), %.1f мм (Y)",
                  r.liquid.faceX - r.solid.faceX, r.liquid.faceY - r.solid.faceY);
    lines.emplace_back(buf);
    std::snprintf(buf, sizeof buf,
                  "Наибольший разогрев поверхности: %.0f К (X, на %.2f м), %.0f К (Y, на %.2f м)",
                  r.reheatFaceX, r.reheatFaceXZ, r.reheatFaceY, r.reheatFaceYZ);
    lines.emplace_back(buf);
    return lines;
}

} // namespace korvel
