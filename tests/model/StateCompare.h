#pragma once

// Two models' states compared bit for bit: every per-node field and every run scalar.

#include "model/Model.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

// The first field entry or run scalar whose bits differ, with both values; empty when the states are
// the same to the last bit.
inline std::string FirstStateDifference(const Model& a, const Model& b) {
    auto describe = [](const char* name, long index, double x, double y) {
        char text[160];
        if (index >= 0)
            std::snprintf(text, sizeof text, "%s[%ld]: %.17g vs %.17g", name, index, x, y);
        else
            std::snprintf(text, sizeof text, "%s: %.17g vs %.17g", name, x, y);
        return std::string(text);
    };
    const std::pair<const char*, const NodeField ModelState::*> fields[] = {
        {"Tem", &ModelState::Tem},
        {"TemOld", &ModelState::TemOld},
        {"MSol", &ModelState::MSol},
        {"MSolOld", &ModelState::MSolOld},
        {"CLiq", &ModelState::CLiq},
        {"CSol", &ModelState::CSol},
        {"CMean", &ModelState::CMean},
        {"SLiq", &ModelState::SLiq},
        {"SSol", &ModelState::SSol},
        {"SMean", &ModelState::SMean},
        {"CLiqNew", &ModelState::CLiqNew},
        {"SLiqNew", &ModelState::SLiqNew},
        {"ArmSpacing1", &ModelState::ArmSpacing1},
        {"ArmSpacing2", &ModelState::ArmSpacing2},
        {"FlowU", &ModelState::FlowU},
        {"FlowV", &ModelState::FlowV}};
    for (const auto& [name, f] : fields) {
        const std::vector<double>& x = (a.state.*f).Data();
        const std::vector<double>& y = (b.state.*f).Data();
        if (x.size() != y.size()) return std::string(name) + ": sizes differ";
        for (std::size_t k = 0; k < x.size(); ++k)
            if (std::memcmp(&x[k], &y[k], sizeof(double)) != 0) return describe(name, long(k), x[k], y[k]);
    }
    const std::pair<const char*, double ModelState::*> scalars[] = {{"Tau", &ModelState::Tau},
                                                                    {"KFace", &ModelState::KFace},
                                                                    {"Tenv", &ModelState::Tenv},
                                                                    {"EpsSurf", &ModelState::EpsSurf},
                                                                    {"AlfaSec", &ModelState::AlfaSec},
                                                                    {"HDepth", &ModelState::HDepth},
                                                                    {"MouldK", &ModelState::MouldK},
                                                                    {"PFerro", &ModelState::PFerro},
                                                                    {"KDistC", &ModelState::KDistC},
                                                                    {"KDistS", &ModelState::KDistS},
                                                                    {"FlowDrive", &ModelState::FlowDrive}};
    for (const auto& [name, v] : scalars)
        if (std::memcmp(&(a.state.*v), &(b.state.*v), sizeof(double)) != 0)
            return describe(name, -1, a.state.*v, b.state.*v);
    if (a.state.SweepX != b.state.SweepX) return "SweepX differs";
    return {};
}

} // namespace korvel
