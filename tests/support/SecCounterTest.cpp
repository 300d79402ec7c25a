#include "support/SecCounter.h"

#include <gtest/gtest.h>

#include "common/ManualClock.h"

namespace maplink {
namespace {

class SecCounterTest : public ::testing::Test {
 protected:
  test::ManualClock m_Clock{1000};
  SecCounter m_Counter{1000, m_Clock};
};

TEST_F(SecCounterTest, NewCounterAnswersZero) { EXPECT_EQ(m_Counter.GetRate(), 0); }

TEST_F(SecCounterTest, RateCountsTheWindowAfterTheOpeningCall) {
  for (int i = 0; i < 11; ++i) {
    m_Counter.AddBytes(10);
    m_Clock.Advance(50);
  }
  m_Clock.Set(1000 + 1250);
  EXPECT_EQ(m_Counter.GetRate(), 8) << "(10 × 1000) ÷ 1250: the opening call's count is dropped";
  EXPECT_EQ(m_Counter.GetRate(), 8) << "no new window has closed";
  EXPECT_EQ(m_Counter.GetTotalBytes(), 110u);
}

TEST_F(SecCounterTest, NoRateBeforeAWholeInterval) {
  m_Counter.AddCount(1);
  m_Counter.AddCount(5);
  m_Clock.Advance(999);
  EXPECT_EQ(m_Counter.GetRate(), 0);
}

TEST_F(SecCounterTest, LongWindowAveragesOverItsWholeLength) {
  m_Counter.AddCount(1);
  for (int i = 0; i < 20; ++i) m_Counter.AddCount(1);
  m_Clock.Advance(5000);
  EXPECT_EQ(m_Counter.GetRate(), 4);
}

TEST_F(SecCounterTest, ProductDoesNotWrapAt32Bits) {
  m_Counter.AddCount(1);
  m_Counter.AddCount(4'294'968);
  m_Clock.Advance(1000);
  EXPECT_EQ(m_Counter.GetRate(), 4'294'968);
}

TEST(SecCounterWrapTest, TickWrapBetweenReadingsKeepsElapsedTime) {
  test::ManualClock clock(0xFFFFFF00u);
  SecCounter counter(1000, clock);
  counter.AddCount(1);
  for (int i = 0; i < 30; ++i) counter.AddCount(1);
  clock.Set(0xFFFFFF00u + 1500);  // wrapped past 2^32
  EXPECT_EQ(counter.GetRate(), 20);
}

}  // namespace
}  // namespace maplink
