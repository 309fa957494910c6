// A working session over a small library: the order of a search's checks, what the list shows
// after a search and after an extraction, what extraction and export refuse, and that the library
// is read again after it grows.

#include "engine/session/session.h"

#include <gtest/gtest.h>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/export/text_export.h"
#include "support/temp_folder.h"

namespace lantaro {
namespace {

using testing::TempFolder;

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    folder.file("corpus/经部/论语.txt",
                encode_gbk(u"子曰：“学而时习之，不亦说乎？”\r\n有朋自远方来。"));
    folder.file("corpus/经部/孟子.txt", encode_gbk(u"孟子见梁惠王。"));
    folder.dir("corpus/空目录");
  }
  RunDirectory run() const { return RunDirectory(path_to_utf8(folder.path())); }
  static SearchForm form(std::u16string keyword) {
    SearchForm f;
    f.keyword_text = std::move(keyword);
    return f;
  }

  TempFolder folder;
};

TEST_F(SessionTest, SearchChecksRunInOrderTicksFirst) {
  Session session(run());
  std::vector<unsigned char> none(session.library().size(), 0);
  // Nothing ticked wins over an empty keyword.
  EXPECT_EQ(session.plan_search(none, form(u"")).refusal(), Message::NothingTicked);
  auto empty_directory = session.ticks_for_paths({"空目录"});
  ASSERT_TRUE(empty_directory);
  EXPECT_EQ(session.plan_search(*empty_directory, form(u"学")).refusal(),
            Message::NoDocumentTicked);
  auto all = session.ticks_for_paths({"/"});
  ASSERT_TRUE(all);
  EXPECT_EQ(session.plan_search(*all, form(u"")).refusal(), Message::EnterKeyword);
  SearchForm bad_count = form(u"学 习");
  bad_count.n_text = std::u16string(u"x");
  EXPECT_EQ(session.plan_search(*all, bad_count).refusal(), Message::CountOutOfRange);

  // Paths tick as the tree does: a directory for everything below it, each document once, in
  // tree order, by file or display name.
  auto overlapping =
      session.ticked(*session.ticks_for_paths({"经部/论语", "经部", "经部/孟子.txt"}));
  ASSERT_TRUE(overlapping);
  ASSERT_EQ(overlapping->size(), 2u);
  EXPECT_EQ((*overlapping)[0].relative_path, "经部/孟子.txt");
  EXPECT_EQ((*overlapping)[1].relative_path, "经部/论语.txt");
  EXPECT_EQ(session.ticked(*all)->size(), 2u);
  std::string unknown;
  EXPECT_FALSE(session.ticks_for_paths({"经部", "没有"}, &unknown));
  EXPECT_EQ(unknown, "没有");
  EXPECT_EQ(session.last_search(), nullptr);
}

TEST_F(SessionTest, ShownListFollowsSearchesAndExtractions) {
  Session session(run());
  EXPECT_EQ(session.extraction_source().refusal(), Message::NoResultsToExtract);
  EXPECT_EQ(session.export_text().refusal(), Message::NoResultsToExtract);

  auto ticks = *session.ticks_for_paths({});
  auto searched = session.search(ticks, form(u"学"));
  ASSERT_TRUE(searched);
  EXPECT_EQ(*searched, session.last_search());
  EXPECT_EQ(session.shown().size(), 1u);
  ASSERT_TRUE(session.export_text());
  EXPECT_EQ(*session.export_text(), result_text(session.shown()));

  Outcome<ResultList> source = session.extraction_source();
  ASSERT_TRUE(source);
  ASSERT_EQ(source->documents.size(), 1u);  // only the document the search hit
  EXPECT_EQ(source->documents[0].display_name, u"论语");
  session.show_sentences(Session::extract(*source, ExtractionMode::Dialogue).list);
  EXPECT_EQ(session.shown().kind, ResultKind::Sentences);
  EXPECT_EQ(session.shown().size(), 1u);
  EXPECT_EQ(session.last_search()->list.size(), 1u);  // the search stays for the hit grid

  // A search that hits nothing shows nothing and leaves nothing to extract.
  ASSERT_TRUE(session.search(ticks, form(u"没有的词")));
  EXPECT_TRUE(session.shown().empty());
  EXPECT_EQ(session.extraction_source().refusal(), Message::NoResultsToExtract);
}

// The list shown is sorted as a copy: the last search keeps its found order, every order is
// computed from it, and a list replaced (not one sorted) starts again in document order.
TEST_F(SessionTest, ShownOrderAndWhatFollowsIt) {
  folder.file("corpus/经部/大学.txt", encode_gbk(u"乙学\n甲学丙"));
  Session session(run());
  EXPECT_EQ(session.workbook_content().refusal(), Message::NoResultsToExport);
  ASSERT_TRUE(session.search(*session.ticks_for_paths({}), form(u"学")));
  const ResultList found = session.last_search()->list;
  ASSERT_EQ(found.size(), 3u);
  const std::uint64_t generation = session.shown_generation();
  // The bottom panel's line: up to the line breaks, or `reach` characters either side of the hit.
  ASSERT_EQ(found.documents[0].display_name, u"大学");
  auto line = [&](std::size_t item, std::size_t reach) {
    std::optional<Passage> p = session.line_of(item, reach);
    return p ? std::pair(p->start, p->length) : std::pair(std::size_t{99}, std::size_t{99});
  };
  EXPECT_EQ(line(0, 10), std::pair(std::size_t{0}, std::size_t{2}));
  EXPECT_EQ(line(1, 10), std::pair(std::size_t{3}, std::size_t{3}));
  EXPECT_EQ(line(1, 0), std::pair(std::size_t{4}, std::size_t{1}));
  EXPECT_FALSE(session.line_of(3, 10));

  ASSERT_TRUE(session.sort_shown(ResultOrder::Right));
  ASSERT_TRUE(session.sort_shown(ResultOrder::Left));
  // By what stands left of 学: “ < 乙 < 甲.
  EXPECT_EQ(session.shown().items[0], found.items[2]);
  EXPECT_EQ(session.shown().items[1], found.items[0]);
  EXPECT_EQ(session.shown().items[2], found.items[1]);
  EXPECT_EQ(session.last_search()->list.items, found.items);
  EXPECT_EQ(session.shown_generation(), generation);
  Outcome<WorkbookContent> content = session.workbook_content();
  ASSERT_TRUE(content);
  EXPECT_EQ(content->list.items, session.shown().items);
  ASSERT_EQ(content->grid.size(), 2u);
  EXPECT_EQ(*session.export_text(), result_text(session.shown()));

  session.show_sentences(
      Session::extract(*session.extraction_source(), ExtractionMode::AllSentences).list);
  EXPECT_NE(session.shown_generation(), generation);
  EXPECT_EQ(session.shown_order(), ResultOrder::Document);
  EXPECT_FALSE(session.sort_shown(ResultOrder::Left));
  EXPECT_TRUE(session.sort_shown(ResultOrder::Document));
}

TEST_F(SessionTest, DocumentsContextAndLibraryEdits) {
  folder.file("ini/sys.ini",
              encode_gbk(u"[上下文取字数配置]\r\n上下文上取字数=2\r\n上下文下取字数=3\r\n"));
  Session session(run());
  ASSERT_TRUE(session.search(*session.ticks_for_paths({"经部/论语"}), form(u"时习")));
  std::optional<Passage> passage = session.context_of(0);
  ASSERT_TRUE(passage);
  const std::u16string& text = *session.shown().texts[0];
  EXPECT_EQ(text.substr(passage->start, passage->length), u"学而时习之，不");
  EXPECT_FALSE(session.context_of(1));

  std::vector<Hit> hits;
  const Document document = session.library().document(*session.library().find("经部/论语"));
  ASSERT_TRUE(session.read_document(document, &hits));
  EXPECT_EQ(hits.size(), 1u);
  std::filesystem::remove(document.path);
  EXPECT_FALSE(session.read_document(document, &hits));
  EXPECT_TRUE(hits.empty());

  EXPECT_EQ(session.create_directory("史部", std::string()), Message::DirectoryCreated);
  EXPECT_TRUE(session.library().find("史部"));
  const std::filesystem::path source = folder.file("outside/史记.txt", encode_gbk(u"太史公曰"));
  ImportOutcome imported =
      session.import_document({path_to_utf8(source), "史记", std::string("史部")}, {});
  ASSERT_TRUE(imported.succeeded());
  EXPECT_TRUE(session.library().find("史部/史记"));
}

}  // namespace
}  // namespace lantaro
