#include "CipherSuite.h"

#include <gtest/gtest.h>

using namespace veilcraft;

// Stored files depend on it: whatever entry is selected, the file workflows
// run the engine registered second (RC4); the selection only sets the limit.
TEST(CipherTable, FileWorkflowsAlwaysRunTheSecondEngine)
{
    CipherSuite suite;
    ASSERT_EQ(suite.table.records().size(), 2u);
    EXPECT_EQ(suite.table.records()[0].name, "Blowfish");
    EXPECT_EQ(suite.table.records()[1].name, "RC4");
    EXPECT_EQ(suite.table.selectedPosition(), 1);

    suite.table.select(0);
    EXPECT_EQ(&suite.table.currentCipher(), &suite.EncryptRC4);
    EXPECT_EQ(suite.table.passwordLimit(), 56);
    EXPECT_EQ(suite.table.passwordHint(), "Password (1 to 56 bit key)");

    suite.table.select(1);
    EXPECT_EQ(&suite.table.currentCipher(), &suite.EncryptRC4);
    EXPECT_EQ(suite.table.passwordLimit(), 128);
    EXPECT_EQ(suite.table.passwordHint(), "Password (1 to 128 bit key)");
}

// A cipher number read from a damaged trailer must not change the selection.
TEST(CipherTable, PositionsOutsideTheListLeaveTheSelection)
{
    CipherSuite suite;
    suite.table.select(0);
    std::vector<int> seen;
    suite.table.onSelected = [&seen](int position) { seen.push_back(position); };
    EXPECT_FALSE(suite.table.select(2));
    EXPECT_FALSE(suite.table.select(-1));
    EXPECT_EQ(suite.table.selectedPosition(), 0);
    EXPECT_TRUE(suite.table.select(1));
    EXPECT_EQ(seen, std::vector<int>{1});
    EXPECT_EQ(suite.table.positionOf("RC4"), 1);
    EXPECT_EQ(suite.table.positionOf("rc4"), -1);
}
