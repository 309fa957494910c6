#include "engine/retrieval/search_request.h"

#include <gtest/gtest.h>

namespace lantaro {
namespace {

SearchForm form(std::u16string keywords) {
  SearchForm f;
  f.keyword_text = std::move(keywords);
  return f;
}

TEST(KeywordText, EmptyOrOnlySpacesAsksForAKeyword) {
  for (std::u16string text : {u"", u" ", u"\u3000 \u3000"}) {
    ParsedSearchForm parsed = parse_search_form(form(text));
    EXPECT_FALSE(parsed.request);
    EXPECT_EQ(parsed.refusal, Message::EnterKeyword);
  }
}

TEST(KeywordText, SplitsAtTheFirstRunOfSpacesAndTrimsBothEnds) {
  auto one = parse_search_form(form(u"\u3000 学而 ")).request;
  ASSERT_TRUE(one);
  EXPECT_EQ(one->first_keyword, u"学而");
  EXPECT_FALSE(one->two_keywords());

  auto two = parse_search_form(form(u" 子曰 \u3000 学而\u3000")).request;
  ASSERT_TRUE(two);
  EXPECT_EQ(two->first_keyword, u"子曰");
  EXPECT_EQ(two->second_keyword, u"学而");

  // Only the first run splits: what follows it, inner spaces included, is the second keyword.
  auto three = parse_search_form(form(u"a  b c")).request;
  ASSERT_TRUE(three);
  EXPECT_EQ(three->first_keyword, u"a");
  EXPECT_EQ(three->second_keyword, u"b c");
}

TEST(KeywordText, KeywordIsCheckedBeforeTheNumbers) {
  SearchForm f = form(u"  ");
  f.left_text = u"abc";
  EXPECT_EQ(parse_search_form(f).refusal, Message::EnterKeyword);
}

TEST(CombinationMode, OnlyTheSecondItemMeansWithinRange) {
  EXPECT_EQ(combination_mode_from_text(u"第二词在字符数范围"), CombinationMode::WithinRange);
  EXPECT_EQ(combination_mode_from_text(u" 第二词在字符数范围 "), CombinationMode::WithinRange);
  EXPECT_EQ(combination_mode_from_text(u"两关键词间隔字符数"), CombinationMode::ExactGap);
  EXPECT_EQ(combination_mode_from_text(u"第二词"), CombinationMode::ExactGap);
  EXPECT_EQ(combination_mode_from_text(u""), CombinationMode::ExactGap);

  SearchForm f = form(u"a b");
  f.mode_text = u"第二词在字符数范围";
  EXPECT_EQ(parse_search_form(f).request->mode, CombinationMode::WithinRange);
  EXPECT_EQ(parse_search_form(form(u"a b")).request->mode, CombinationMode::ExactGap);
}

TEST(Numbers, AcceptWholeNumbersFromZeroToOneHundredThousand) {
  SearchForm f = form(u"a b");
  f.n_text = u" 0 ";
  f.left_text = u"100000";
  f.right_text = u"007";
  auto request = parse_search_form(f).request;
  ASSERT_TRUE(request);
  EXPECT_EQ(request->n, 0u);
  EXPECT_EQ(request->left, 100000u);
  EXPECT_EQ(request->right, 7u);
}

TEST(Numbers, RefuseAnythingElseInAnyOfTheThreeBoxes) {
  for (std::u16string bad :
       {u"", u"100001", u"-1", u"+3", u"1.5", u"2a", u"１２", u"99999999999999999999999", u"1 2"}) {
    for (int box = 0; box < 3; ++box) {
      SearchForm f = form(u"a b");
      (box == 0 ? f.n_text : box == 1 ? f.left_text : f.right_text) = bad;
      ParsedSearchForm parsed = parse_search_form(f);
      EXPECT_FALSE(parsed.request) << "box " << box;
      EXPECT_EQ(parsed.refusal, Message::CountOutOfRange);
    }
  }
}

TEST(Numbers, CharacterCountPlaysNoPartInASingleKeywordSearch) {
  SearchForm f = form(u"学而");
  f.n_text = u"很多";
  auto request = parse_search_form(f).request;
  ASSERT_TRUE(request);
  EXPECT_EQ(request->n, 0u);

  f.left_text = u"很多";  // the display counts always count
  EXPECT_EQ(parse_search_form(f).refusal, Message::CountOutOfRange);
}

}  // namespace
}  // namespace lantaro
