#include "cli/progress_line.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::seconds;

TEST(ProgressLine, ShowsCountClockAndPathWithinTheWidth) {
  EXPECT_EQ(FormatProgressLine(3, 12, seconds(75), "plant/a.lqt", 80), "tqconv: 3/12 1:15 plant/a.lqt");
  EXPECT_EQ(FormatProgressLine(0, 1, seconds(3725), "a.lqt", 80), "tqconv: 0/1 1:02:05 a.lqt");
  // 24 columns of head leave 15 for the path, the last column kept free.
  EXPECT_EQ(FormatProgressLine(3, 12, seconds(5), "plant/hall2/line.lqt", 35), "tqconv: 3/12 0:05 ...all2/line.lqt");
  EXPECT_EQ(FormatProgressLine(3, 12, seconds(5), "abc", 20), "tqconv: 3/12 0:05");
}

TEST(ProgressLine, WideCharactersTakeTwoColumnsAndAreNeverCut) {
  EXPECT_EQ(DisplayColumns("工場/a.lqt"), 10u);
  EXPECT_EQ(DisplayColumns("\xFF"
                           "a"),
            2u);
  const std::string line = FormatProgressLine(1, 2, seconds(0), "工場/第二工場/ライン.lqt", 33);
  EXPECT_EQ(line, "tqconv: 1/2 0:00 .../ライン.lqt");
  EXPECT_LE(DisplayColumns(line), 32u);
}

}  // namespace
