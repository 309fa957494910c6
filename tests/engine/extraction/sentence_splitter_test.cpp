#include "engine/extraction/sentence_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/text.h"

namespace lantaro {
namespace {

using Strings = std::vector<std::string>;

// The items as UTF-8 strings, so that failures print readable Chinese.
Strings cut(std::u16string_view text, ExtractionMode mode) {
  Strings out;
  for (const TextSpan& s : extract_spans(text, mode)) {
    out.push_back(utf16_to_utf8(text.substr(s.start, s.length)));
  }
  return out;
}

Strings all(std::u16string_view text) { return cut(text, ExtractionMode::AllSentences); }
Strings dialogue(std::u16string_view text) { return cut(text, ExtractionMode::Dialogue); }
Strings narrative(std::u16string_view text) { return cut(text, ExtractionMode::Narrative); }

TEST(SentenceMarks, EachOfTheSevenEndsASentenceAndCommasDoNot) {
  EXPECT_EQ(kSentenceEndMarks.size(), 7u);
  for (char16_t mark : kSentenceEndMarks) {
    std::u16string text = u"甲";
    text += mark;
    text += u"乙";
    EXPECT_EQ(all(text).size(), 2u) << static_cast<int>(mark);
  }
  // Neither comma nor ASCII punctuation ends anything.
  EXPECT_EQ(all(u"学而时习之，不亦说乎。"), Strings{"学而时习之，不亦说乎。"});
  EXPECT_EQ(all(u"a,b.c!d?e;f:g"), Strings{"a,b.c!d?e;f:g"});
  EXPECT_EQ(all(u"甲、乙，丙"), Strings{"甲、乙，丙"});
}

TEST(SentenceMarks, FourClausesEndingInTheMainMarksAreFourSentences) {
  EXPECT_EQ(all(u"子曰：有朋自远方来！不亦乐乎？人不知而不愠。"),
            (Strings{"子曰：", "有朋自远方来！", "不亦乐乎？", "人不知而不愠。"}));
}

TEST(SentenceSplitter, RunsOfMarksStayTogether) {
  EXPECT_EQ(all(u"唉……罢了——走吧？！好。"), (Strings{"唉……", "罢了——", "走吧？！", "好。"}));
  // A run made of different marks is one ending too.
  EXPECT_EQ(all(u"何也？……。然"), (Strings{"何也？……。", "然"}));
}

TEST(SentenceSplitter, ClosingMarksAfterARunStayWithTheSentence) {
  EXPECT_EQ(all(u"他说：“走吧！”于是走了。"), (Strings{"他说：", "“走吧！”", "于是走了。"}));
  EXPECT_EQ(all(u"「好。」『是。』（对。）(嗯。)‘行！’完"),
            (Strings{"「好。」", "『是。』", "（对。）", "(嗯。)", "‘行！’", "完"}));
  // Several closers in a row all stay.
  EXPECT_EQ(all(u"“他说‘去！’”又"), (Strings{"“他说‘去！’”", "又"}));
  // A closer not right after a mark is ordinary text.
  EXPECT_EQ(all(u"甲”乙。"), Strings{"甲”乙。"});
  // A mark after the closers starts the next sentence (the run has ended).
  EXPECT_EQ(all(u"好！”。"), (Strings{"好！”", "。"}));
}

TEST(SentenceSplitter, LinesEndSentencesWhateverTheLineBreak) {
  const Strings expected{"第一行", "第二行。", "第三行"};
  EXPECT_EQ(all(u"第一行\r\n第二行。\r\n第三行"), expected);
  EXPECT_EQ(all(u"第一行\n第二行。\n第三行\n"), expected);
  EXPECT_EQ(all(u"第一行\r第二行。\r第三行\r"), expected);
  // Mixed breaks in one text.
  EXPECT_EQ(all(u"第一行\r第二行。\n第三行\r\n"), expected);
}

TEST(SentenceSplitter, BlankAndEmptyPiecesAreDroppedAndSentencesTrimmed) {
  EXPECT_TRUE(all(u"").empty());
  EXPECT_TRUE(all(u"\r\n\r\n\n\r").empty());
  EXPECT_TRUE(all(u"  \t\u3000\r\n \u3000").empty());
  EXPECT_EQ(all(u"\u3000\u3000第一段。  第二句！\t\r\n\r\n  尾巴  "),
            (Strings{"第一段。", "第二句！", "尾巴"}));
  // Blanks inside a sentence are kept.
  EXPECT_EQ(all(u"甲 乙\u3000丙。"), Strings{"甲 乙\u3000丙。"});
}

TEST(SentenceSplitter, SpansPointIntoTheTextAfterTrimming) {
  const std::u16string text = u"\u3000甲乙。 丙\r\n丁";
  const std::vector<TextSpan> spans = extract_spans(text, ExtractionMode::AllSentences);
  EXPECT_EQ(spans, (std::vector<TextSpan>{{1, 3}, {5, 1}, {8, 1}}));
}

TEST(SentenceSplitter, CharactersOutsideTheBasicPlaneAreKeptWhole) {
  // U+20000 is a surrogate pair; nothing in it may look like a mark.
  EXPECT_EQ(all(u"\U00020000甲。\U00020001"), (Strings{"\U00020000甲。", "\U00020001"}));
}

TEST(Dialogue, TextWithoutOpeningQuoteHasNoItems) {
  EXPECT_TRUE(dialogue(u"学而时习之，不亦说乎？有朋自远方来。").empty());
  // A stray closing mark opens nothing.
  EXPECT_TRUE(dialogue(u"他说”好。").empty());
}

TEST(Dialogue, ItemsRunFromOpeningToNextClosingMarkUncut) {
  EXPECT_EQ(dialogue(u"子曰：“学而时习之，不亦说乎？有朋自远方来。”曾子曰：“吾日三省吾身。”"),
            (Strings{"“学而时习之，不亦说乎？有朋自远方来。”", "“吾日三省吾身。”"}));
  // A second opening mark before the close belongs to the item.
  EXPECT_EQ(dialogue(u"甲“乙“丙”丁”"), Strings{"“乙“丙”"});
  EXPECT_EQ(dialogue(u"“”"), Strings{"“”"});
}

TEST(Dialogue, UnclosedItemRunsToTheLineEndOnly) {
  EXPECT_EQ(dialogue(u"他说：“明天再来。  \r\n次日“果然来了”"),
            (Strings{"“明天再来。", "“果然来了”"}));
  EXPECT_EQ(dialogue(u"甲“乙"), Strings{"“乙"});
  // The close on the next line does not close it.
  EXPECT_EQ(dialogue(u"“上\n下”"), Strings{"“上"});
}

TEST(Narrative, DialogueItemsAreBoundariesAndRemoved) {
  EXPECT_EQ(narrative(u"他说“你好”然后走了。"), (Strings{"他说", "然后走了。"}));
  EXPECT_EQ(narrative(u"子曰：“学而时习之……”"), Strings{"子曰："});
  EXPECT_EQ(narrative(u"甲说：“来。”乙答：“不去！”丙笑了。丁哭了\r\n“整行都是对话。”\r\n尾。"),
            (Strings{"甲说：", "乙答：", "丙笑了。", "丁哭了", "尾。"}));
}

TEST(Narrative, UnclosedDialogueTakesTheRestOfItsLineOnly) {
  EXPECT_EQ(narrative(u"他喊道：“快跑\n众人皆散。"), (Strings{"他喊道：", "众人皆散。"}));
  // A stray closing mark is narrative text.
  EXPECT_EQ(narrative(u"甲”乙。丙"), (Strings{"甲”乙。", "丙"}));
}

TEST(AllSentences, DialogueIsCutLikeNarrative) {
  EXPECT_EQ(all(u"子曰：“学而时习之，不亦说乎？有朋自远方来，不亦乐乎？”"),
            (Strings{"子曰：", "“学而时习之，不亦说乎？", "有朋自远方来，不亦乐乎？”"}));
}

TEST(LineStarts, ChunkBoundariesNeverSplitALineOrACrLfPair) {
  const std::u16string text = u"甲乙\r\n丙\r丁\n戊";
  EXPECT_EQ(next_line_start(text, 0), 0u);
  EXPECT_EQ(next_line_start(text, 1), 4u);
  EXPECT_EQ(next_line_start(text, 3), 4u);  // between CR and LF
  EXPECT_EQ(next_line_start(text, 4), 4u);
  EXPECT_EQ(next_line_start(text, 5), 6u);  // on a lone CR
  EXPECT_EQ(next_line_start(text, 6), 6u);
  EXPECT_EQ(next_line_start(text, 7), 8u);
  EXPECT_EQ(next_line_start(text, 9), text.size());
  EXPECT_EQ(next_line_start(u"\r", 1), 1u);
}

TEST(Ranges, ConsecutiveLineRangesGiveTheItemsOfTheWholeText) {
  const std::u16string text = u"他说：“走吧！”于是\r\n走了。“未完\n\n甲；乙……”丙\r丁“戊”";
  for (ExtractionMode mode :
       {ExtractionMode::Dialogue, ExtractionMode::Narrative, ExtractionMode::AllSentences}) {
    std::vector<TextSpan> whole;
    extract_range(text, 0, text.size(), mode, whole);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      const std::size_t at = next_line_start(text, cut);
      std::vector<TextSpan> pieces;
      extract_range(text, 0, at, mode, pieces);
      extract_range(text, at, text.size(), mode, pieces);
      EXPECT_EQ(pieces, whole) << "cut at " << at;
    }
  }
}

}  // namespace
}  // namespace lantaro
