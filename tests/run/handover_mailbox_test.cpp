#include "../model/TestModels.h"
#include "run/HandOverMailbox.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {
HandOverRecord Record(double tau, bool start = false, bool last = false) {
    HandOverRecord r;
    r.start = start;
    r.last = last;
    r.tau = tau;
    return r;
}
} // namespace

TEST(HandOverMailbox, EveryRecordInOrderTheLatestFieldsOnly) {
    Model m = test_models::Initialised(7, 5);
    HandOverMailbox box;
    Model display;
    std::vector<HandOverRecord> records;
    EXPECT_FALSE(box.Take(records, display)) << "nothing handed over yet";
    EXPECT_TRUE(records.empty());

    // The first hand-over tells the window thread; those before it takes them ride along.
    EXPECT_TRUE(box.Post(m, Record(0, true)));
    m.state.Tau = 5;
    m.state.Tem[3][2] = 1400;
    EXPECT_FALSE(box.Post(m, Record(5)));
    m.state.Tau = 10;
    m.state.Tem[3][2] = 1300;
    m.state.SMean[7][5] = 0.05;
    EXPECT_FALSE(box.Post(m, Record(10)));

    ASSERT_TRUE(box.Take(records, display));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_TRUE(records[0].start);
    EXPECT_EQ(records[1].tau, 5);
    EXPECT_EQ(records[2].tau, 10);
    EXPECT_EQ(display.state.Tau, 10);
    EXPECT_EQ(display.state.Tem[3][2], 1300);
    EXPECT_EQ(display.state.SMean[7][5], 0.05);
    EXPECT_EQ(display.params.L, 7);
    EXPECT_EQ(display.params.M, 5);

    // Taken: nothing new until the next hand-over, which tells the window thread again.
    EXPECT_FALSE(box.Take(records, display));
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(display.state.Tem[3][2], 1300) << "the display keeps what it has";
    m.state.Tau = 15;
    EXPECT_TRUE(box.Post(m, Record(15, false, true)));
    ASSERT_TRUE(box.Take(records, display));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records[0].last);
    EXPECT_EQ(display.state.Tau, 15);
}

TEST(HandOverMailbox, SteadyHandOversReuseTheBuffers) {
    Model m = test_models::Initialised(20, 20);
    HandOverMailbox box;
    Model display;
    std::vector<HandOverRecord> records;
    box.Post(m, Record(0));
    box.Take(records, display);
    box.Post(m, Record(5));
    box.Take(records, display);
    const double* a = display.state.Tem[0];
    const double* b = nullptr;
    // The two buffers alternate between the worker's copy and the display.
    for (int k = 0; k < 6; ++k) {
        box.Post(m, Record(10 + 5 * k));
        box.Take(records, display);
        if (k % 2 == 0) {
            if (!b) b = display.state.Tem[0];
            EXPECT_EQ(display.state.Tem[0], b);
        } else {
            EXPECT_EQ(display.state.Tem[0], a);
        }
    }
}
