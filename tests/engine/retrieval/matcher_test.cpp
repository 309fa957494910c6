#include "engine/retrieval/matcher.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/retrieval/text_scan.h"

namespace lantaro {
namespace {

SearchRequest single(std::u16string k) {
  SearchRequest r;
  r.first_keyword = std::move(k);
  return r;
}

SearchRequest pair(std::u16string k1, std::u16string k2, CombinationMode mode, std::size_t n) {
  SearchRequest r;
  r.first_keyword = std::move(k1);
  r.second_keyword = std::move(k2);
  r.mode = mode;
  r.n = n;
  return r;
}

using Hits = std::vector<Hit>;

TEST(SingleKeyword, FindsEveryOccurrenceWithoutOverlap) {
  EXPECT_EQ(find_hits(u"子曰学而时习之子曰", single(u"子曰")), (Hits{{0, 2}, {7, 2}}));
  // Overlapping candidates: after a hit the scan resumes at its end.
  EXPECT_EQ(find_hits(u"aaaaa", single(u"aa")), (Hits{{0, 2}, {2, 2}}));
  EXPECT_EQ(find_hits(u"ababa", single(u"aba")), (Hits{{0, 3}}));
  EXPECT_TRUE(find_hits(u"学而", single(u"不亦")).empty());
  EXPECT_TRUE(find_hits(u"", single(u"学")).empty());
  EXPECT_TRUE(find_hits(u"学", single(u"学而时")).empty());  // keyword longer than the text
  EXPECT_TRUE(find_hits(u"学而", single(u"")).empty());
}

TEST(SingleKeyword, NeverMatchesAcrossALineBreak) {
  EXPECT_EQ(find_hits(u"学\r\n而\n学\r而学而", single(u"学而")), (Hits{{8, 2}}));
  EXPECT_TRUE(find_hits(u"学\n而", single(u"学\n而")).empty());
  // Hits directly beside line breaks of every kind.
  EXPECT_EQ(find_hits(u"学而\r\n学而\r学而\n学而", single(u"学而")),
            (Hits{{0, 2}, {4, 2}, {7, 2}, {10, 2}}));
}

TEST(ExactGap, SecondKeywordExactlyNCharactersAfterTheFirst) {
  const auto mode = CombinationMode::ExactGap;
  EXPECT_EQ(find_hits(u"子曰学而", pair(u"子", u"学", mode, 1)), (Hits{{0, 3}}));
  EXPECT_TRUE(find_hits(u"子曰曰学而", pair(u"子", u"学", mode, 1)).empty());
  EXPECT_TRUE(find_hits(u"子学而", pair(u"子", u"学", mode, 1)).empty());
  // N = 0: the keywords touch.
  EXPECT_EQ(find_hits(u"x子学y子学", pair(u"子", u"学", mode, 0)), (Hits{{1, 2}, {4, 2}}));
  // The second keyword ends exactly at the end of the text.
  EXPECT_EQ(find_hits(u"ab--cd", pair(u"ab", u"cd", mode, 2)), (Hits{{0, 6}}));
  EXPECT_TRUE(find_hits(u"ab--c", pair(u"ab", u"cd", mode, 2)).empty());
  // The first keyword's candidate fails, the next one (inside the gap) succeeds.
  EXPECT_EQ(find_hits(u"aab", pair(u"a", u"b", mode, 0)), (Hits{{1, 2}}));
  // Hits never overlap: the second hit would start inside the first.
  EXPECT_EQ(find_hits(u"a-a-a", pair(u"a", u"a", mode, 1)), (Hits{{0, 3}}));
}

TEST(ExactGap, TheGapMayNotHoldALineBreak) {
  const auto mode = CombinationMode::ExactGap;
  EXPECT_TRUE(find_hits(u"子\n学", pair(u"子", u"学", mode, 1)).empty());
  EXPECT_TRUE(find_hits(u"子\r\n学", pair(u"子", u"学", mode, 2)).empty());
  EXPECT_TRUE(find_hits(u"子\r学", pair(u"子", u"学", mode, 1)).empty());
  EXPECT_EQ(find_hits(u"子\n子x学", pair(u"子", u"学", mode, 1)), (Hits{{2, 3}}));
}

TEST(WithinRange, SecondKeywordWhollyInsideTheNCharactersAfterTheFirst) {
  const auto mode = CombinationMode::WithinRange;
  // Touching the window's end is inside; one character further is not.
  EXPECT_EQ(find_hits(u"子12学", pair(u"子", u"学", mode, 3)), (Hits{{0, 4}}));
  EXPECT_TRUE(find_hits(u"子12学", pair(u"子", u"学", mode, 2)).empty());
  // A two-character second keyword must fit completely.
  EXPECT_EQ(find_hits(u"子1学而", pair(u"子", u"学而", mode, 3)), (Hits{{0, 4}}));
  EXPECT_TRUE(find_hits(u"子1学而", pair(u"子", u"学而", mode, 2)).empty());
  // N = 0 leaves no room at all.
  EXPECT_TRUE(find_hits(u"子学", pair(u"子", u"学", mode, 0)).empty());
  // The nearest second keyword is taken.
  EXPECT_EQ(find_hits(u"子学x学", pair(u"子", u"学", mode, 5)), (Hits{{0, 2}}));
  // The second keyword must follow the first.
  EXPECT_TRUE(find_hits(u"学子", pair(u"子", u"学", mode, 5)).empty());
}

TEST(WithinRange, OverlapsAndRepeatedCandidates) {
  const auto mode = CombinationMode::WithinRange;
  // After a hit the scan resumes at its end, so the second 子 inside the hit is no candidate.
  EXPECT_EQ(find_hits(u"子子学子学", pair(u"子", u"学", mode, 3)), (Hits{{0, 3}, {3, 2}}));
  // A failing candidate moves on by one: the second 子 then finds its 学.
  EXPECT_EQ(find_hits(u"子xx子学", pair(u"子", u"学", mode, 2)), (Hits{{3, 2}}));
  // The second keyword may start inside the first keyword's next occurrence.
  EXPECT_EQ(find_hits(u"aaa", pair(u"a", u"a", mode, 1)), (Hits{{0, 2}}));
}

TEST(WithinRange, StopsAtTheEndOfTheLine) {
  const auto mode = CombinationMode::WithinRange;
  EXPECT_TRUE(find_hits(u"子\n学", pair(u"子", u"学", mode, 10)).empty());
  EXPECT_TRUE(find_hits(u"子x\r学", pair(u"子", u"学", mode, 10)).empty());
  EXPECT_EQ(find_hits(u"子x\r\n子学", pair(u"子", u"学", mode, 10)), (Hits{{4, 2}}));
  // A line break far beyond the window does not matter, and one before the next line's hit
  // does not hide it.
  EXPECT_EQ(find_hits(u"子学\n\n子a学", pair(u"子", u"学", mode, 2)), (Hits{{0, 2}, {4, 3}}));
}

// A deliberately naive reading of the rules: split into lines, try every position.
Hits reference_hits(std::u16string_view text, const SearchRequest& r) {
  Hits hits;
  std::size_t line_start = 0;
  while (line_start <= text.size()) {
    std::size_t line_end = line_start;
    while (line_end < text.size() && text[line_end] != u'\n' && text[line_end] != u'\r') ++line_end;
    std::u16string_view line = text.substr(line_start, line_end - line_start);
    const std::u16string_view k1 = r.first_keyword, k2 = r.second_keyword;
    std::size_t p = 0;
    while (p < line.size()) {
      std::size_t end = 0;
      if (line.substr(p, k1.size()) == k1) {
        std::size_t after = p + k1.size();
        if (!r.two_keywords()) {
          end = after;
        } else if (r.mode == CombinationMode::ExactGap) {
          if (after + r.n + k2.size() <= line.size() && line.substr(after + r.n, k2.size()) == k2)
            end = after + r.n + k2.size();
        } else {
          for (std::size_t q = after; q + k2.size() <= after + r.n && q + k2.size() <= line.size();
               ++q)
            if (line.substr(q, k2.size()) == k2) {
              end = q + k2.size();
              break;
            }
        }
      }
      if (end) {
        hits.push_back({line_start + p, end - p});
        p = end;
      } else {
        ++p;
      }
    }
    if (line_end == text.size()) break;
    line_start = line_end + 1;
  }
  return hits;
}

TEST(Matching, AgreesWithANaiveLineByLineReadingOnRandomText) {
  std::mt19937 rng(12345);
  const std::u16string alphabet = u"ab子曰\n\r ";
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    std::size_t len = rng() % 80;
    for (std::size_t i = 0; i < len; ++i) text += alphabet[rng() % alphabet.size()];
    auto word = [&] {
      std::u16string w;
      std::size_t wl = 1 + rng() % 2;
      for (std::size_t i = 0; i < wl; ++i) w += alphabet[rng() % 4];
      return w;
    };
    SearchRequest r;
    r.first_keyword = word();
    if (rng() % 3) r.second_keyword = word();
    r.mode = rng() % 2 ? CombinationMode::ExactGap : CombinationMode::WithinRange;
    r.n = rng() % 6;
    ASSERT_EQ(find_hits(text, r), reference_hits(text, r))
        << "round " << round << " n " << r.n << " mode " << static_cast<int>(r.mode);
  }
}

TEST(TextScan, VectorScansAgreeWithPlainLoopsAtEveryOffset) {
  // Long enough to cross several vector blocks; every target position and start offset.
  std::u16string text(70, u'学');
  for (std::size_t target = 0; target <= text.size(); ++target) {
    std::u16string t = text;
    if (target < t.size()) t[target] = u'\n';
    for (std::size_t from = 0; from <= t.size(); ++from) {
      const char16_t* b = t.data();
      const char16_t* e = b + t.size();
      ASSERT_EQ(scan::find_unit(b + from, e, u'\n'), scan::find_unit_plain(b + from, e, u'\n'));
      ASSERT_EQ(scan::find_line_break(b + from, e), scan::find_line_break_plain(b + from, e));
    }
  }
  // A code unit whose bytes appear split across neighbours must not be found.
  std::u16string tricky = u"\u5B66\u662F\u5B66";
  EXPECT_EQ(scan::find(tricky, u"\u665B", 0), std::u16string_view::npos);
  EXPECT_EQ(scan::find(tricky, u"\u5B66", 1), 2u);
}

TEST(TextScan, SubstringSearchAgreesWithTheStandardOneAtEveryStart) {
  std::mt19937 rng(777);
  const std::u16string alphabet = u"ab\u5B66\u662F";
  for (int round = 0; round < 2000; ++round) {
    std::u16string text, needle;
    for (std::size_t i = 0, len = rng() % 100; i < len; ++i)
      text += alphabet[rng() % alphabet.size()];
    for (std::size_t i = 0, len = 1 + rng() % 5; i < len; ++i)
      needle += alphabet[rng() % alphabet.size()];
    const std::u16string_view view = text;
    for (std::size_t from = 0; from <= text.size() + 1; ++from)
      ASSERT_EQ(scan::find(view, needle, from),
                from > text.size() ? std::u16string_view::npos : view.find(needle, from))
          << "round " << round << " from " << from;
  }
}

}  // namespace
}  // namespace lantaro
