#include "engine/retrieval/result_order.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/common/text.h"

namespace {

using lantaro::ResultItem;
using lantaro::ResultKind;
using lantaro::ResultList;
using lantaro::ResultOrder;

// One document per line "left[hit]right": an item with the bracketed part as its hit.
ResultList concordance(std::initializer_list<const char16_t*> lines) {
  ResultList list;
  for (const char16_t* line : lines) {
    std::u16string text(line);
    const std::size_t open = text.find(u'['), close = text.find(u']');
    std::u16string plain =
        text.substr(0, open) + text.substr(open + 1, close - open - 1) + text.substr(close + 1);
    ResultItem item;
    item.document = static_cast<std::uint32_t>(list.texts.size());
    item.start = 0;
    item.length = plain.size();
    item.hit_start = open;
    item.hit_length = close - open - 1;
    list.documents.push_back({{}, "", u"文"});
    list.texts.push_back(std::make_shared<const std::u16string>(std::move(plain)));
    list.items.push_back(item);
  }
  return list;
}

std::vector<std::uint32_t> order_of(const ResultList& list, ResultOrder order) {
  return lantaro::result_order(list, order);
}

TEST(ResultOrder, LeftReadsBackwardsFromTheHitRightReadsForwards) {
  // Left contexts read from the hit: "bc", "ab", "ac"; right contexts "a", "c", "b".
  const ResultList list = concordance({u"cb[之]a", u"ba[之]c", u"ca[之]b"});
  EXPECT_EQ(order_of(list, ResultOrder::Left), (std::vector<std::uint32_t>{1, 2, 0}));
  EXPECT_EQ(order_of(list, ResultOrder::Right), (std::vector<std::uint32_t>{0, 2, 1}));
  EXPECT_EQ(order_of(list, ResultOrder::Document), (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST(ResultOrder, ShorterContextFirstAndTiesKeepDocumentOrder) {
  // Right contexts: 甲乙丙丁 (longer), 甲 (shorter, same start), 甲乙丙丁 again, "" (none).
  const ResultList list =
      concordance({u"[之]甲乙丙丁", u"[之]甲", u"一[之]甲乙丙丁", u"[之]", u"[之]甲乙丙丁戊"});
  EXPECT_EQ(order_of(list, ResultOrder::Right), (std::vector<std::uint32_t>{3, 1, 0, 2, 4}));
  // All left contexts but one are empty: they keep their order, the other comes last.
  EXPECT_EQ(order_of(list, ResultOrder::Left), (std::vector<std::uint32_t>{0, 1, 3, 4, 2}));
}

TEST(ResultOrder, AstralCharactersCompareByCodePoint) {
  // U+20000 (a surrogate pair) is above U+FF01 as a code point, below it as UTF-16 units.
  const ResultList list =
      concordance({u"[之]\U00020000", u"[之]\uFF01", u"\U00020000[之]", u"\uFF01[之]"});
  EXPECT_EQ(order_of(list, ResultOrder::Right), (std::vector<std::uint32_t>{2, 3, 1, 0}));
  EXPECT_EQ(order_of(list, ResultOrder::Left), (std::vector<std::uint32_t>{0, 1, 3, 2}));
}

TEST(ResultOrder, LongSharedPrefixesAreComparedToTheEnd) {
  const ResultList list = concordance({u"[之]一二三四五六甲", u"[之]一二三四五六乙"});
  EXPECT_EQ(order_of(list, ResultOrder::Right), (std::vector<std::uint32_t>{1, 0}));
}

TEST(ResultOrder, SentencesKeepDocumentOrderAndApplyingRearrangesItems) {
  ResultList list = concordance({u"b[之]", u"a[之]"});
  ResultList sentences = list;
  sentences.kind = ResultKind::Sentences;
  EXPECT_EQ(order_of(sentences, ResultOrder::Left), (std::vector<std::uint32_t>{0, 1}));

  lantaro::apply_result_order(list, order_of(list, ResultOrder::Left));
  EXPECT_EQ(lantaro::utf16_to_utf8(list.item_text(0)), "a之  （出处：文)");
  EXPECT_EQ(lantaro::result_order_from_name("left"), ResultOrder::Left);
  EXPECT_FALSE(lantaro::result_order_from_name("Left").has_value());
}

TEST(ResultOrder, ApplyingAnOrderMovesEveryItemOfEveryCycle) {
  ResultList list = concordance({u"[0]", u"[1]", u"[2]", u"[3]", u"[4]", u"[5]"});
  lantaro::apply_result_order(list, {2, 0, 1, 3, 5, 4});  // a cycle of three, one stays, a swap
  std::u16string hits;
  for (std::size_t i = 0; i < list.size(); ++i) hits += list.hit_text(i);
  EXPECT_EQ(hits, u"201354");
  lantaro::apply_result_order(list, {0, 0, 1, 2, 3, 4});  // not a permutation: nothing moves
  EXPECT_EQ(list.hit_text(1), u"0");
}

}  // namespace
