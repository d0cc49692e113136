#pragma once

#include <cstdint>
#include <vector>

namespace korvel {

// One per-node field of the quarter section: (L+1) rows of (M+1) doubles in one contiguous block,
// indexed [i][j]; row 0 and column 0 exist, are never written and read as 0.
class NodeField {
public:
    void Resize(int rows, int cols) {
        rows_ = rows;
        cols_ = cols;
        data_.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), 0.0);
    }
    double* operator[](int i) { return data_.data() + static_cast<std::size_t>(i) * cols_; }
    const double* operator[](int i) const { return data_.data() + static_cast<std::size_t>(i) * cols_; }
    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    const std::vector<double>& Data() const { return data_; }

private:
    std::vector<double> data_;
    int rows_ = 0;
    int cols_ = 0;
};

// One line work array, indexed by the position along the line (1..n); index 0 is never used.
using LineArray = std::vector<double>;

struct ModelState {
    // Grid geometry, derived when the state is sized.
    double Hx = 0, Hy = 0, SCell = 0, DEkv = 0, RoLiq = 0, AreaK1 = 0, AreaK2 = 0, RoLiqK = 0;

    // Per-node fields (16).
    NodeField Tem, TemOld, MSol, MSolOld;
    NodeField CLiq, CSol, CMean, SLiq, SSol, SMean;
    NodeField CLiqNew, SLiqNew;
    NodeField ArmSpacing1, ArmSpacing2;
    NodeField FlowU, FlowV;

    // Line work arrays (18).
    LineArray LineTem, LineMSol, LineCLiq, LineSLiq, LineCSol, LineSSol, LineCMean, LineSMean;
    LineArray SysA, SysB, SysC, SysF, SysAlfa, SysBeta;
    LineArray AlfaX, AlfaY, LamX, LamY;

    // Run scalars.
    double Tau = 0;
    std::int32_t SweepX = 0;
    double KFace = 0;
    double Tenv = 0;
    double EpsSurf = 0;
    double AlfaSec = 0;
    double HDepth = 0;
    double MouldK = 0;
    double PFerro = 0;
    double KDistC = 0, KDistS = 0;
    double FlowDrive = 0;
    // Casting speed changed during the run (SetCastingSpeed): the distance is then ZBase (m) travelled
    // up to the process time TauBase (s), plus Vlit / 60 * (Tau - TauBase).
    bool SpeedChanged = false;
    double ZBase = 0;
    double TauBase = 0;
};

} // namespace korvel
