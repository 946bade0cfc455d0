// The stand-in's reading of TesmoVoIP.xml. A misread file would quietly turn
// the contract cases into tests of some other timetable.
#include <gtest/gtest.h>

#include <string>

#include "Behaviour.h"

namespace qv::standin {
namespace {

TEST(StandinBehaviour, NothingReadableMeansQuickDefaults) {
    const Behaviour defaults;
    EXPECT_EQ(ParseBehaviour(""), defaults);
    EXPECT_EQ(ParseBehaviour("not xml at all"), defaults);
    EXPECT_EQ(ParseBehaviour("<TesmoVoIP><StartPendingMs>"), defaults);
    EXPECT_LE(defaults.startPendingMs, 1000u);
    EXPECT_LE(defaults.stopPendingMs, 1000u);
    EXPECT_FALSE(defaults.stayPending);
    EXPECT_FALSE(defaults.pauseAfterMs);
    EXPECT_FALSE(defaults.crashAfterMs);
}

TEST(StandinBehaviour, ReadsEveryElementWhateverTheCaseAndSpacing) {
    const Behaviour read = ParseBehaviour(
        "<?xml version=\"1.0\"?>\r\n<TesmoVoIP>\r\n"
        "  <startpendingms> 1500 </startpendingms>\r\n"
        "  <STOPPENDINGMS>+20</STOPPENDINGMS>\r\n"
        "  <StayPending>Yes</StayPending>\r\n"
        "  <PauseAfterMs >0</PauseAfterMs>\r\n"
        "  <CrashAfterMs>4294967295</CrashAfterMs>\r\n"
        "</TesmoVoIP>\r\n");
    EXPECT_EQ(read.startPendingMs, 1500u);
    EXPECT_EQ(read.stopPendingMs, 20u);
    EXPECT_TRUE(read.stayPending);
    EXPECT_EQ(read.pauseAfterMs, 0u);
    EXPECT_EQ(read.crashAfterMs, 4294967295u);
}

TEST(StandinBehaviour, UnreadableValuesKeepTheirDefaults) {
    const Behaviour read = ParseBehaviour(
        "<TesmoVoIP><StartPendingMs>-5</StartPendingMs><StopPendingMs>300ms</StopPendingMs>"
        "<StayPending>maybe</StayPending><PauseAfterMs>4294967296</PauseAfterMs>"
        "<CrashAfterMs/></TesmoVoIP>");
    EXPECT_EQ(read, Behaviour{});
}

TEST(StandinBehaviour, NegativeDelaysMeanNever) {
    const Behaviour read = ParseBehaviour(
        "<TesmoVoIP><PauseAfterMs>-1</PauseAfterMs>"
        "<CrashAfterMs>-250</CrashAfterMs></TesmoVoIP>");
    EXPECT_FALSE(read.pauseAfterMs);
    EXPECT_FALSE(read.crashAfterMs);
}

TEST(StandinBehaviour, CommentedOutAndSimilarlyNamedElementsAreNotRead) {
    const Behaviour read = ParseBehaviour(
        "<TesmoVoIP><!-- <StayPending>true</StayPending> -->"
        "<StartPendingMsOld>9</StartPendingMsOld><StartPendingMs>7</StartPendingMs>"
        "<!-- unterminated <CrashAfterMs>0</CrashAfterMs></TesmoVoIP>");
    EXPECT_FALSE(read.stayPending);
    EXPECT_EQ(read.startPendingMs, 7u);
    EXPECT_FALSE(read.crashAfterMs);
}

TEST(StandinBehaviour, ReadsAFileSavedAsUtf16) {
    const std::string narrow = "<TesmoVoIP><StopPendingMs>42</StopPendingMs></TesmoVoIP>";
    std::string wide = "\xFF\xFE";
    for (const char c : narrow) {
        wide.push_back(c);
        wide.push_back('\0');
    }
    EXPECT_EQ(ParseBehaviour(wide).stopPendingMs, 42u);
}

}  // namespace
}  // namespace qv::standin
