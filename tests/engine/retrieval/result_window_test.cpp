// The text around a hit: result item windows, the context passage and the summary lines.
#include <gtest/gtest.h>

#include "engine/retrieval/context_passage.h"
#include "engine/retrieval/searcher.h"

namespace lantaro {
namespace {

std::u16string span(std::u16string_view text, const ResultItem& item) {
  return std::u16string(text.substr(item.start, item.length));
}

TEST(ResultItemWindow, TakesUpToLeftAndRightCharactersAroundTheHit) {
  const std::u16string_view text = u"一二三四五学而六七八九十";
  ResultItem item = make_result_item(text, 3, {5, 2}, 2, 3);
  EXPECT_EQ(span(text, item), u"四五学而六七八");
  EXPECT_EQ(item.document, 3u);
  EXPECT_EQ(item.hit_start, 5u);
  EXPECT_EQ(item.hit_length, 2u);
  // Zero on both sides is the hit alone.
  EXPECT_EQ(span(text, make_result_item(text, 0, {5, 2}, 0, 0)), u"学而");
}

TEST(ResultItemWindow, ClampsAtTheDocumentsEdges) {
  const std::u16string_view text = u"学而时习之";
  EXPECT_EQ(span(text, make_result_item(text, 0, {0, 2}, 20, 1)), u"学而时");
  EXPECT_EQ(span(text, make_result_item(text, 0, {3, 2}, 1, 20)), u"时习之");
  EXPECT_EQ(span(text, make_result_item(text, 0, {0, 5}, 100000, 100000)), u"学而时习之");
}

TEST(ResultItemWindow, StopsAtLineBreaksOfEveryKind) {
  const std::u16string_view text = u"甲乙\r\n丙学丁\r戊\n己";
  EXPECT_EQ(span(text, make_result_item(text, 0, {5, 1}, 20, 20)), u"丙学丁");
  // A hit right after a line break and right before one.
  EXPECT_EQ(span(text, make_result_item(text, 0, {4, 1}, 20, 0)), u"丙");
  EXPECT_EQ(span(text, make_result_item(text, 0, {6, 1}, 0, 20)), u"丁");
  EXPECT_EQ(span(text, make_result_item(text, 0, {8, 1}, 5, 5)), u"戊");
  EXPECT_EQ(span(text, make_result_item(text, 0, {10, 1}, 5, 5)), u"己");
  // Empty lines around the hit's line do not pull anything in.
  const std::u16string_view lf = u"\n\n学\n\n";
  EXPECT_EQ(span(lf, make_result_item(lf, 0, {2, 1}, 5, 5)), u"学");
}

TEST(ResultItemWindow, NeverCutsASurrogatePairInHalf) {
  // U+20000 is two code units.
  const std::u16string text = u"a\U00020000学\U00020000b";
  // One unit to the left would be the pair's second half: the window gives it up.
  ResultItem item = make_result_item(text, 0, {3, 1}, 1, 1);
  EXPECT_EQ(span(text, item), u"学");
  EXPECT_EQ(span(text, make_result_item(text, 0, {3, 1}, 2, 2)), u"\U00020000学\U00020000");
  EXPECT_EQ(span(text, make_result_item(text, 0, {3, 1}, 3, 3)), u"a\U00020000学\U00020000b");
}

TEST(ResultList, ItemTextEndsWithTheCitationSuffix) {
  ResultList list;
  list.documents.push_back({{}, "经部/论语.txt", u"论语"});
  list.texts.push_back(std::make_shared<const std::u16string>(u"子曰：学而时习之"));
  list.items.push_back(make_result_item(*list.texts[0], 0, {3, 2}, 1, 1));
  EXPECT_EQ(list.item_text(0), u"：学而时  （出处：论语)");
  EXPECT_EQ(list.left_context(0), u"：");
  EXPECT_EQ(list.hit_text(0), u"学而");
  EXPECT_EQ(list.right_context(0), u"时");
}

TEST(ContextPassage, ClampsAtBothEnds) {
  const std::u16string_view text = u"0123456789";
  EXPECT_EQ(context_passage(text, {4, 2}, 2, 3).start, 2u);
  EXPECT_EQ(context_passage(text, {4, 2}, 2, 3).length, 7u);
  // Near the start: from the first character.
  Passage head = context_passage(text, {1, 1}, 100, 1);
  EXPECT_EQ(head.start, 0u);
  EXPECT_EQ(head.length, 3u);
  // Near the end: up to the last character.
  Passage tail = context_passage(text, {8, 1}, 1, 100);
  EXPECT_EQ(tail.start, 7u);
  EXPECT_EQ(tail.length, 3u);
  Passage all = context_passage(text, {0, 10}, 100, 100);
  EXPECT_EQ(all.start, 0u);
  EXPECT_EQ(all.length, 10u);
  // Line breaks are kept: the passage is a stretch of the document, not of a line.
  Passage lines = context_passage(u"ab\r\ncd\r\nef", {4, 2}, 4, 4);
  EXPECT_EQ(lines.start, 0u);
  EXPECT_EQ(lines.length, 10u);
  // A hit past the end of a text that has since shrunk stays inside the text.
  Passage stale = context_passage(u"abc", {10, 2}, 1, 1);
  EXPECT_LE(stale.start + stale.length, 3u);
}

TEST(ContextPassage, NeverCutsASurrogatePairInHalf) {
  const std::u16string text = u"\U00020000x\U00020000";
  Passage p = context_passage(text, {2, 1}, 1, 1);
  EXPECT_EQ(text.substr(p.start, p.length), u"x");
  p = context_passage(text, {2, 1}, 2, 2);
  EXPECT_EQ(text.substr(p.start, p.length), text);
}

TEST(Summary, LinesAreBuiltFromTheCounts) {
  SearchResults results;
  EXPECT_EQ(results.status_line(), u"符合条件的语句数量为0，共搜索了0部文献，0部文献被命中");
  EXPECT_EQ(results.hit_line(), u"命中文献总数为0，总计命中次数为0");

  results.searched = 12;
  results.hit_counts = {3, 120};
  results.list.items.resize(123);
  EXPECT_EQ(results.total_hits(), 123u);
  EXPECT_EQ(results.status_line(), u"符合条件的语句数量为123，共搜索了12部文献，2部文献被命中");
  EXPECT_EQ(results.hit_line(), u"命中文献总数为2，总计命中次数为123");
}

}  // namespace
}  // namespace lantaro
