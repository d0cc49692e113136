#include "ResultsExport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace korvel {

namespace {
// Writes through a temporary file renamed into place.
std::string WriteFile(const std::string& path, const std::function<void(std::FILE*)>& body) {
    const std::string tmp = path + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "w");
    if (!f) return "не удалось создать файл " + path + ": " + std::strerror(errno);
    body(f);
    const bool ok = !std::ferror(f);
    if (std::fclose(f) != 0 || !ok) {
        std::remove(tmp.c_str());
        return "не удалось записать файл " + path;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        std::remove(tmp.c_str());
        return "не удалось записать файл " + path + ": " + why;
    }
    return {};
}

void Number(std::FILE* f, double v) {
    std::fprintf(f, "%.10g", v);
}

std::string WriteField(const std::string& path, const Model& m, const NodeField& field, double scale) {
    return WriteFile(path, [&](std::FILE* f) {
        std::fputs("i", f);
        for (int j = 1; j <= m.params.M; ++j)
            std::fprintf(f, ",j=%d", j);
        std::fputc('\n', f);
        for (int i = 1; i <= m.params.L; ++i) {
            std::fprintf(f, "%d", i);
            for (int j = 1; j <= m.params.M; ++j) {
                std::fputc(',', f);
                Number(f, field[i][j] * scale);
            }
            std::fputc('\n', f);
        }
    });
}

const char* kHistory = "history.csv";
const char* kTem = "tem.csv";
const char* kSolid = "solid_fraction.csv";
const char* kCMean = "cmean.csv";
const char* kSMean = "smean.csv";
const char* kResults = "results.csv";
} // namespace

ChartSample SampleChartNodes(const Model& m) {
    const ModelState& s = m.state;
    const int L = m.params.L, M = m.params.M;
    return {s.Tau, s.Tem[L][M], s.Tem[1][1], s.Tem[L][1], s.Tem[1][M], s.Tem[L / 2][1], s.Tem[1][M / 2]};
}

std::vector<std::string> ResultsCsvFiles() {
    return {kHistory, kTem, kSolid, kCMean, kSMean, kResults};
}

std::string WriteResultsCsv(const std::string& dir, const Model& m, const std::vector<ChartSample>& history,
                            const DerivedResults& r) {
    const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    std::string err = WriteFile(base + kHistory, [&](std::FILE* f) {
        std::fputs("time_min,time_s,center,corner,mid_face_x,mid_face_y,quarter_face_x,quarter_face_y\n", f);
        for (const ChartSample& h : history) {
            for (double v : {h.tau / 60, h.tau, h.center, h.corner, h.midX, h.midY, h.quarterX}) {
                Number(f, v);
                std::fputc(',', f);
            }
            Number(f, h.quarterY);
            std::fputc('\n', f);
        }
    });
    if (err.empty()) err = WriteField(base + kTem, m, m.state.Tem, 1);
    if (err.empty()) err = WriteField(base + kSolid, m, m.state.MSol, 1 / (kRoSolid * m.state.SCell));
    if (err.empty()) err = WriteField(base + kCMean, m, m.state.CMean, 1);
    if (err.empty()) err = WriteField(base + kSMean, m, m.state.SMean, 1);
    if (err.empty()) {
        err = WriteFile(base + kResults, [&](std::FILE* f) {
            std::fputs("quantity,value,unit\n", f);
            auto row = [&](const char* name, double v, const char* unit) {
                std::fprintf(f, "%s,", name);
                Number(f, v);
                std::fprintf(f, ",%s\n", unit);
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
        });
    }
    return err;
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
