// The time step remembers values between and within steps; none of it may change a single bit of the
// results, whatever changes between steps and however many models run at once.

#include "TestModels.h"
#include "run/HeadlessRun.h"
#include "model/SteelProperties.h"
#include "model/TimeStep.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <thread>

using namespace korvel;

namespace {
// The first node where two states differ in any bit, or "" when they are identical.
std::string FirstDifference(const Model& a, const Model& b) {
    const std::pair<const char*, NodeField ModelState::*> fields[] = {
        {"Tem", &ModelState::Tem},
        {"MSol", &ModelState::MSol},
        {"CLiq", &ModelState::CLiq},
        {"SLiq", &ModelState::SLiq},
        {"CSol", &ModelState::CSol},
        {"SSol", &ModelState::SSol},
        {"CMean", &ModelState::CMean},
        {"SMean", &ModelState::SMean},
        {"FlowU", &ModelState::FlowU},
        {"FlowV", &ModelState::FlowV},
        {"ArmSpacing2", &ModelState::ArmSpacing2}};
    for (const auto& [name, f] : fields) {
        const std::vector<double>& x = (a.state.*f).Data();
        const std::vector<double>& y = (b.state.*f).Data();
        if (x.size() != y.size()) return std::string(name) + " differs in size";
        for (std::size_t k = 0; k < x.size(); ++k) {
            if (std::bit_cast<std::uint64_t>(x[k]) != std::bit_cast<std::uint64_t>(y[k])) {
                return std::string(name) + "[" + std::to_string(k) + "]: " + std::to_string(x[k]) + " vs " +
                       std::to_string(y[k]);
            }
        }
    }
    return "";
}

Model Started(int L, int M, double sulphur = 0.04) {
    Model m;
    AcceptDataWindow(DataWindowStartValues(), m.data);
    m.data.S = sulphur;
    m.params.L = L;
    m.params.M = M;
    SizeState(m);
    InitialiseRun(m);
    return m;
}

// Steps a model `steps` times; `forget` throws the remembered values away before every step, the way
// the step would work without them.
void Steps(Model& m, int steps, bool forget) {
    for (int k = 0; k < steps; ++k) {
        if (forget) m.cache = StepCache{};
        TimeStep(m);
    }
}
} // namespace

TEST(StepCache, RememberedValuesGiveTheBitsOfAFreshComputation) {
    // Grids whose line counts take every block width, including partly filled blocks.
    for (const auto& [L, M] : {std::pair{10, 10}, std::pair{13, 5}, std::pair{4, 19}}) {
        Model cached = Started(L, M);
        Model fresh = Started(L, M);
        Steps(cached, 300, false);
        Steps(fresh, 300, true);
        EXPECT_EQ(FirstDifference(cached, fresh), "") << L << " x " << M;
    }
}

TEST(StepCache, ChemistryChangedBetweenStepsOrRunsIsTakenUp) {
    // An accept in the data window may change the chemistry during a run: from the next step on, the
    // remembered solidus and liquidus must be those of the new chemistry.
    Model cached = Started(12, 9);
    Model fresh = Started(12, 9);
    Steps(cached, 250, false);
    Steps(fresh, 250, true);
    for (Model* m : {&cached, &fresh}) {
        m->data.Mn = 1.1;
        m->data.Si = 0.6;
        m->data.Cr = 0.9;
    }
    Steps(cached, 150, false);
    Steps(fresh, 150, true);
    EXPECT_EQ(FirstDifference(cached, fresh), "");

    // A second run in the same model with other chemistry and the same grid (no re-sizing): what the
    // first run remembered must not leak into it.
    Model again = cached;
    again.data.C = 0.45;
    again.data.Ni = 0.5;
    InitialiseRun(again);
    Model forgetting = again;
    Steps(again, 300, false);
    Steps(forgetting, 300, true);
    EXPECT_EQ(FirstDifference(again, forgetting), "");
}

TEST(StepCache, ModelsRunningSideBySideShareNothing) {
    Model alone = Started(16, 11);
    Steps(alone, 400, false);
    Model a = Started(16, 11);
    Model b = Started(11, 16, 0.09);
    std::thread other([&b] { Steps(b, 400, false); });
    Steps(a, 400, false);
    other.join();
    EXPECT_EQ(FirstDifference(a, alone), "");
    Model bAlone = Started(11, 16, 0.09);
    Steps(bAlone, 400, false);
    EXPECT_EQ(FirstDifference(b, bAlone), "");
}

TEST(SteelProperties, AlloyingTermsFormedOnceGiveTheBitsOfTheFullFormulas) {
    std::mt19937_64 rng(12);
    std::uniform_real_distribution<double> content(0, 2);
    for (int k = 0; k < 2000; ++k) {
        CastingData d;
        for (double* v : {&d.Mn, &d.Si, &d.P, &d.Cr, &d.Ni, &d.Cu, &d.Al, &d.V, &d.Mg})
            *v = content(rng) / (k % 3 + 1);
        const PropertyTerms t = MakePropertyTerms(d);
        const double c = content(rng), s = content(rng) / 10;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(TsolOf(t, c, s)), std::bit_cast<std::uint64_t>(Tsol(d, c, s)))
            << "c " << c << ", s " << s;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(TliqOf(t, c, s)), std::bit_cast<std::uint64_t>(Tliq(d, c, s)))
            << "c " << c << ", s " << s;
        const double T = 700 + 700 * content(rng) / 2; // solid and liquid sides of both switches
        ASSERT_EQ(std::bit_cast<std::uint64_t>(LamOf(t, c, T)), std::bit_cast<std::uint64_t>(Lam(d, c, T)))
            << "c " << c << ", T " << T;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(CpsOf(c, T)), std::bit_cast<std::uint64_t>(Cps(c, T)))
            << "c " << c << ", T " << T;
    }
}
