#pragma once

#include "CastingData.h"
#include "ModelState.h"
#include "SteelPropertyTerms.h"

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace korvel {

struct Model;

// A remembered value of a property of two arguments, keyed on the arguments' bits.
struct MemoEntry {
    std::uint64_t c = 0, s = 0;
    double value = 0;
    bool valid = false;
};

// The solidus and liquidus of one composition (carbon c, sulphur s), keyed on its bits.
struct RangeEntry {
    std::uint64_t c = 0, s = 0;
    double tsol = 0, tliq = 0;
    bool valid = false;
};

// The compositions whose solidus and liquidus a step asks for, each with its own remembered range per
// node, so that one composition's values do not push out another's.
enum class Memo : int {
    Solid,  // the solid's composition (heat sweeps, melting)
    Liquid, // the liquid's composition (heat sweeps, solidification)
    Mean,   // the mean composition (solidification, flow, transport, mass balance)
    Count
};

// What a time step remembers to avoid working out the same value twice. Everything here is derived
// from the model state and can be thrown away at any time; the results are the same bits with or
// without it. It lives in the Model, so that models running side by side share nothing.
//
// The caches are consulted only while `active`: a time step validates them and sets it for the
// length of the step. Outside a step every procedure computes afresh.
struct StepCache {
    bool active = false;

    // Solidus and liquidus per node and composition (Memo). An entry holds while the arguments are bit
    // for bit those it was computed from and the chemistry below has not changed: invalid when the
    // casting data's alloying contents change (checked at the start of every step) and when a run is
    // initialised.
    std::vector<std::array<RangeEntry, static_cast<int>(Memo::Count)>> memo;
    // Mixture density Ro per node, keyed on the node's solid mass; invalid when RoLiq or SCell change
    // (checked at the start of every step) and when a run is initialised.
    std::vector<MemoEntry> ro;
    // Tsol of the mean composition between the two cell-mean updates (the diffusion sweeps), per node,
    // keyed on (CMean, SMean) like the above.
    std::vector<MemoEntry> diffusionTsol;

    // Solid fraction of every node, indices 0..L x 0..M as the state's fields. Valid from where a step
    // computes it (at the start, and again after solidification) until the solid mass next changes.
    NodeField fs;
    // The solidus and liquidus every node is tested against in a step, looked up from the remembered
    // values in one pass at the start of the step. Valid from the start of the step until the phase
    // compositions they come from next change: solidTs = Tsol(CSol, SSol), liquidTs and liquidTL =
    // Tsol and Tliq(CLiq, SLiq) until solidification (step 7, each node up to its own turn), meanTs and
    // meanTL = Tsol and Tliq(CMean, SMean) until the cell means are updated (step 12).
    NodeField solidTs, liquidTs, liquidTL, meanTs, meanTL;
    // Whether node (i, j) diffuses in this step's diffusion sweeps: Tsol of its mean composition below
    // its temperature. Valid during the diffusion sweeps of one step.
    NodeField diffuses;
    // Mixture density Ro of every node, valid from where a step computes it (after solidification)
    // until the solid mass next changes.
    NodeField density;
    // Liquid solute per cell volume (1 − fs) · liquid concentration, one field, valid inside one
    // transport evaluation.
    NodeField liquidSolute;

    // Quantities that both flow-field evaluations of a step (carbon, then sulphur) work out alike for a
    // node: valid while flowStamp[node] equals flowStep, i.e. within one step's transport.
    struct FlowNode {
        double carbonTension, sulphurTension; // surface-active terms, N/m
        double pH;                            // hydrogen pressure term of the gas-pore test
        double armA, armB;                    // arm spacings from this step's cooling rate, before the minima
        double dX, dY;                        // projected lengths of the mushy zone, at least one spacing
        double cosU, cosV;                    // cosines of the angles of the line to the centre
    };
    std::vector<FlowNode> flow;
    std::vector<std::uint64_t> flowStamp; // step of the node's tensions, pH and arm spacings
    std::vector<std::uint64_t> endsStamp; // step of the node's dX, dY
    std::uint64_t flowStep = 0;
    bool flowShared = false; // set by the step around its two flow-field evaluations

    // Work arrays of the blocked line elimination (kLineBlock lines side by side).
    std::vector<double> lineA, lineF, lineAlfa, lineBeta, lineU;

    // The alloying terms of the solidus and liquidus for the chemistry below.
    PropertyTerms terms{};
    // Chemistry and geometry the remembered values were computed with.
    std::array<double, 11> chemistry{};
    bool chemistryKnown = false;

    // Forgets every remembered value.
    void Clear();
};

// Lines eliminated side by side by the blocked sweeps.
constexpr int kLineBlock = 8;

// Sizes the caches for the model's grid and forgets what no longer holds for its casting data; then
// marks them active for one step. EndStep marks them inactive.
void BeginStep(Model& m);
void EndStep(Model& m);

// The solidus and liquidus fields of the step's start (solidTs .. meanTL).
void RefreshFreezingRanges(Model& m);
// Only meanTs and meanTL, for a step that solidifies from the enthalpy (the phase compositions' ranges
// are read only by the original model's heat sweeps and solidification).
void RefreshMeanRanges(Model& m);
// The solid fraction field recomputed from MSol.
void RefreshSolidFraction(Model& m);
// The mixture density field recomputed from MSol (through the remembered densities).
void RefreshDensity(Model& m);

} // namespace korvel
