#include "engine/common/natural_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::u16string> sorted(std::vector<std::u16string> names) {
  std::sort(names.begin(), names.end(), lantaro::natural_less);
  return names;
}

TEST(NaturalOrder, ChineseNumeralsAreReadAsNumbers) {
  EXPECT_EQ(sorted({u"卷十二", u"卷二", u"卷十", u"卷九", u"卷一", u"卷十一", u"卷四"}),
            (std::vector<std::u16string>{u"卷一", u"卷二", u"卷四", u"卷九", u"卷十", u"卷十一",
                                         u"卷十二"}));
  // Written numbers with units, and digit-by-digit runs without one.
  EXPECT_EQ(sorted({u"第一百零五回", u"第二十回", u"第三万五千号", u"第两千号", u"第九十九回"}),
            (std::vector<std::u16string>{u"第二十回", u"第九十九回", u"第一百零五回", u"第两千号",
                                         u"第三万五千号"}));
  EXPECT_LT(lantaro::compare_natural(u"二〇二五年", u"二〇二六年"), 0);
  EXPECT_LT(lantaro::compare_natural(u"一九九九", u"二〇〇〇"), 0);
  EXPECT_LT(lantaro::compare_natural(u"十一", u"二〇"), 0);  // 11 < 20
}

TEST(NaturalOrder, DigitRunsAndMixedNames) {
  EXPECT_EQ(sorted({u"ci.song.10000", u"ci.song.2000", u"ci.song.300"}),
            (std::vector<std::u16string>{u"ci.song.300", u"ci.song.2000", u"ci.song.10000"}));
  // A number piece sorts before a character piece.
  EXPECT_LT(lantaro::compare_natural(u"卷3", u"卷上"), 0);
  EXPECT_LT(lantaro::compare_natural(u"卷三", u"卷上"), 0);
  // Equal values fall back to code points, so the order is total.
  EXPECT_NE(lantaro::compare_natural(u"卷01", u"卷1"), 0);
  EXPECT_EQ(lantaro::compare_natural(u"卷01", u"卷1"), -lantaro::compare_natural(u"卷1", u"卷01"));
  EXPECT_EQ(lantaro::compare_natural(u"论语", u"论语"), 0);
  // Numbers longer than any integer type still compare by value.
  EXPECT_LT(lantaro::compare_natural(u"a99999999999999999999999", u"a100000000000000000000000"), 0);
  // Astral characters are one piece with their code point.
  EXPECT_LT(lantaro::compare_natural(u"\uFF01", u"\U00020000"), 0);
}

}  // namespace
