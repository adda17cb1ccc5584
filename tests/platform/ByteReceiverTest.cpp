// First, alone: the header must compile by itself.
#include "platform/ByteReceiver.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

namespace {

struct TempoEsgotado : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A source that hands out prepared arrivals, one per call, and then nothing.
struct Chegadas {
    std::deque<std::string> fila;
    platform::ByteReceiver receptor{[this](int) {
                                        if (fila.empty())
                                            return std::string();
                                        std::string s = fila.front();
                                        fila.pop_front();
                                        return s;
                                    },
                                    [](int ms) { throw TempoEsgotado("after " + std::to_string(ms)); }};
};

TEST(ByteReceiverTest, ReadsEachModeAndKeepsWhatWasNotAskedFor) {
    Chegadas c;
    c.fila = {"AB", "C\rDE", "F"};
    EXPECT_EQ(c.receptor.Until("\r", 5), "ABC");
    EXPECT_EQ(c.receptor.Pending(), 2u);
    EXPECT_EQ(c.receptor.Exact(3, 5), "DEF");
    c.fila = {"xyz"};
    EXPECT_EQ(c.receptor.Byte(5), 'x');
    EXPECT_EQ(c.receptor.Packet(5), "yz");
}

TEST(ByteReceiverTest, TerminatorSplitAcrossArrivalsIsFound) {
    Chegadas c;
    c.fila = {"OK\r", "\nrest"};
    EXPECT_EQ(c.receptor.Until("\r\n", 5), "OK");
    EXPECT_EQ(c.receptor.Packet(5), "rest");
}

TEST(ByteReceiverTest, TimeOutLosesNothing) {
    Chegadas c;
    c.fila = {"AB"};
    EXPECT_THROW(c.receptor.Exact(3, 1), TempoEsgotado);
    EXPECT_EQ(c.receptor.Pending(), 2u);
    c.fila = {"C"};
    EXPECT_EQ(c.receptor.Exact(3, 5), "ABC");

    c.fila = {"no end"};
    EXPECT_THROW(c.receptor.Until("\r", 1), TempoEsgotado);
    EXPECT_EQ(c.receptor.Packet(5), "no end");
    EXPECT_THROW(c.receptor.Packet(1), TempoEsgotado);
}

} // namespace
