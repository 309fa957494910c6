#include "engine/retrieval/searcher.h"

#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <stdexcept>

#include "support/test_support.h"

namespace lantaro {
namespace {

using testing::TempFolder;
using testing::write_gbk_document;

SearchRequest request_for(std::u16string k1, std::u16string k2 = {}, std::size_t n = 0,
                          CombinationMode mode = CombinationMode::ExactGap) {
  SearchRequest r;
  r.first_keyword = std::move(k1);
  r.second_keyword = std::move(k2);
  r.n = n;
  r.mode = mode;
  r.left = 3;
  r.right = 3;
  return r;
}

std::vector<std::u16string> item_texts(const SearchResults& results) {
  std::vector<std::u16string> texts;
  for (std::size_t i = 0; i < results.list.size(); ++i) texts.push_back(results.list.item_text(i));
  return texts;
}

// Every document of the example library, in a stable order (the tests need no tree order).
std::vector<Document> example_library() {
  std::vector<Document> documents;
  const std::filesystem::path root = std::filesystem::path(LANTARO_SOURCE_DIR) / "corpus";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".txt") continue;
    Document d;
    d.path = entry.path();
    d.relative_path = path_to_utf8(entry.path().lexically_relative(root));
    d.display_name = entry.path().stem().u16string();
    documents.push_back(std::move(d));
  }
  std::sort(documents.begin(), documents.end(),
            [](const Document& a, const Document& b) { return a.relative_path < b.relative_path; });
  return documents;
}

TEST(Search, ItemsGridAndCountsFollowTheDocumentOrder) {
  TempFolder folder;
  std::vector<Document> docs = {
      write_gbk_document(folder, "b/二.txt", u"子曰：学而时习之\r\n子曰学"),
      write_gbk_document(folder, "a/一.txt", u"无关的文字"),
      write_gbk_document(folder, "c/三.txt", u"子曰"),
  };
  DocumentStore store;
  SearchResults results = search_documents(docs, request_for(u"子曰"), store);

  EXPECT_EQ(results.searched, 3u);
  EXPECT_TRUE(results.unreadable.empty());
  ASSERT_EQ(results.list.documents.size(), 2u);  // documents without hits get no row
  EXPECT_EQ(results.list.documents[0].display_name, u"二");
  EXPECT_EQ(results.list.documents[1].display_name, u"三");
  EXPECT_EQ(results.hit_counts, (std::vector<std::size_t>{2, 1}));
  EXPECT_EQ(item_texts(results), (std::vector<std::u16string>{
                                     u"子曰：学而  （出处：二)",
                                     u"子曰学  （出处：二)",
                                     u"子曰  （出处：三)",
                                 }));
  EXPECT_EQ(results.status_line(), u"符合条件的语句数量为3，共搜索了3部文献，2部文献被命中");
  EXPECT_EQ(results.hit_line(), u"命中文献总数为2，总计命中次数为3");
  EXPECT_EQ(results.list.kind, ResultKind::Search);
  EXPECT_EQ(results.request, request_for(u"子曰"));
}

TEST(Search, NoHitsAnywhereGivesEmptyResults) {
  TempFolder folder;
  std::vector<Document> docs = {write_gbk_document(folder, "a.txt", u"学而"),
                                write_gbk_document(folder, "b.txt", u"")};
  DocumentStore store;
  SearchResults results = search_documents(docs, request_for(u"不亦"), store);
  EXPECT_TRUE(results.list.empty());
  EXPECT_EQ(results.searched, 2u);
  EXPECT_EQ(results.hit_documents(), 0u);
  EXPECT_EQ(results.status_line(), u"符合条件的语句数量为0，共搜索了2部文献，0部文献被命中");
  EXPECT_TRUE(search_documents({}, request_for(u"学"), store).list.empty());
}

TEST(Search, UnreadableDocumentsAreSkippedAndListedNotCounted) {
  TempFolder folder;
  std::vector<Document> docs = {write_gbk_document(folder, "a.txt", u"学而"),
                                write_gbk_document(folder, "gone.txt", u"学而"),
                                write_gbk_document(folder, "c.txt", u"学而")};
  std::filesystem::remove(docs[1].path);
  DocumentStore store;
  SearchResults results = search_documents(docs, request_for(u"学"), store);
  EXPECT_EQ(results.searched, 2u);
  ASSERT_EQ(results.unreadable.size(), 1u);
  EXPECT_EQ(results.unreadable[0].display_name, u"gone");
  EXPECT_EQ(results.hit_documents(), 2u);
  EXPECT_EQ(results.status_line(), u"符合条件的语句数量为2，共搜索了2部文献，2部文献被命中");
}

// Records what a search hands to a sink, an item a line, in the order it is written.
class RecordingSink final : public ItemSink {
 public:
  static std::string line(const Document& document, const ResultItem& item,
                          std::u16string_view span) {
    return document.relative_path + "|" + std::to_string(item.hit_start) + "|" +
           std::to_string(item.hit_length) + "|" + utf16_to_utf8(span) + "\n";
  }
  void format(const Document& document, std::span<const ResultItem> items,
              std::span<const std::u16string_view> spans, std::string& out) const override {
    for (std::size_t i = 0; i < items.size(); ++i) out += line(document, items[i], spans[i]);
  }
  void write(std::string_view formatted) override { written += formatted; }
  std::string written;
};

TEST(Search, ParallelRunsGiveExactlyTheSequentialOutput) {
  std::vector<Document> docs = example_library();
  ASSERT_GT(docs.size(), 100u);
  // Some documents vanish too, so the unreadable list is part of the comparison.
  docs.push_back({std::filesystem::path(LANTARO_SOURCE_DIR) / "corpus/missing.txt", "missing.txt",
                  u"missing"});
  std::rotate(docs.begin(), docs.end() - 1, docs.end());

  const std::vector<SearchRequest> requests = {
      request_for(u"之"),
      request_for(u"子", u"曰", 0),
      request_for(u"不", u"乎", 6, CombinationMode::WithinRange),
  };
  for (const SearchRequest& request : requests) {
    DocumentStore sequential_store;
    SearchOptions one_thread;
    one_thread.threads = 1;
    SearchResults expected = search_documents(docs, request, sequential_store, one_thread);
    ASSERT_GT(expected.list.size(), 0u);
    std::string expected_lines;
    for (std::size_t i = 0; i < expected.list.size(); ++i) {
      const ResultItem& item = expected.list.items[i];
      expected_lines += RecordingSink::line(expected.list.documents[item.document], item,
                                            expected.list.span_text(i));
    }

    for (unsigned threads : {2u, 4u, 7u}) {
      DocumentStore store(std::size_t{256} << 10);  // a small cache: hits and misses mixed
      SearchOptions options;
      options.threads = threads;
      for (int pass = 0; pass < 3; ++pass) {
        // The last pass hands its list over; the documents moved into the results must be the
        // same, and those left behind untouched.
        std::vector<Document> handed = docs;
        SearchResults got = pass < 2 ? search_documents(docs, request, store, options)
                                     : search_documents(std::move(handed), request, store, options);
        if (pass == 2) {
          for (std::size_t i = 0; i < docs.size(); ++i) {
            const bool moved =
                std::count(expected.list.documents.begin(), expected.list.documents.end(),
                           docs[i]) +
                    std::count(expected.unreadable.begin(), expected.unreadable.end(), docs[i]) >
                0;
            if (!moved) {
              EXPECT_EQ(handed[i], docs[i]) << i;
            }
          }
        }
        EXPECT_EQ(got.list.items, expected.list.items) << threads;
        EXPECT_EQ(got.list.documents, expected.list.documents);
        EXPECT_EQ(got.hit_counts, expected.hit_counts);
        EXPECT_EQ(got.searched, expected.searched);
        EXPECT_EQ(got.unreadable, expected.unreadable);
        EXPECT_EQ(item_texts(got), item_texts(expected));
      }
      // Items handed to a sink come in the same order, whether read from files or kept texts.
      for (DocumentStore* sink_store : {&store, &sequential_store}) {
        RecordingSink sink;
        SearchOptions sunk = options;
        sunk.sink = &sink;
        SearchResults got = search_documents(docs, request, *sink_store, sunk);
        EXPECT_EQ(sink.written, expected_lines) << threads;
        EXPECT_TRUE(got.list.items.empty());
        EXPECT_EQ(got.list.documents, expected.list.documents);
        EXPECT_EQ(got.hit_counts, expected.hit_counts);
        EXPECT_EQ(got.status_line(), expected.status_line());
      }
    }
  }
}

TEST(Search, ReportsProgressForEveryDocumentAndCanBeCancelled) {
  TempFolder folder;
  std::vector<Document> docs;
  for (int i = 0; i < 30; ++i)
    docs.push_back(write_gbk_document(folder, std::to_string(i) + ".txt", u"学而"));
  DocumentStore store;

  std::mutex mutex;
  std::vector<std::size_t> seen;
  SearchOptions options;
  options.threads = 3;
  options.progress = [&](std::size_t done, std::size_t total) {
    std::lock_guard lock(mutex);
    EXPECT_EQ(total, 30u);
    seen.push_back(done);
  };
  search_documents(docs, request_for(u"学"), store, options);
  std::sort(seen.begin(), seen.end());
  ASSERT_EQ(seen.size(), 30u);
  for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], i + 1);

  std::atomic<bool> cancel{true};
  SearchOptions cancelled;
  cancelled.cancel = &cancel;
  SearchResults partial = search_documents(docs, request_for(u"学"), store, cancelled);
  EXPECT_EQ(partial.searched, 0u);
  EXPECT_TRUE(partial.unreadable.empty());  // not reached is not unreadable
}

TEST(Search, AFailingWorkerEndsTheSearchWithItsException) {
  TempFolder folder;
  std::vector<Document> docs;
  for (int i = 0; i < 40; ++i)
    docs.push_back(write_gbk_document(folder, std::to_string(i) + ".txt", u"学而"));
  DocumentStore store;
  for (unsigned threads : {1u, 3u}) {
    SearchOptions options;
    options.threads = threads;
    options.progress = [](std::size_t done, std::size_t) {
      if (done == 7) throw std::runtime_error("progress failed");
    };
    EXPECT_THROW(search_documents(docs, request_for(u"学"), store, options), std::runtime_error);
  }
}

TEST(Search, OnlyDocumentsWhoseBytesHoldTheKeywordsAreDecoded) {
  TempFolder folder;
  std::vector<Document> docs = {
      write_gbk_document(folder, "a.txt", std::u16string(1000, u'甲') + u"学而"),
      write_gbk_document(folder, "b.txt", std::u16string(5000, u'乙')),
      write_gbk_document(folder, "c.txt", std::u16string(5000, u'学')),
  };
  DocumentStore store;
  SearchResults results = search_documents(docs, request_for(u"学而"), store);
  EXPECT_EQ(results.searched, 3u);
  EXPECT_EQ(results.total_hits(), 1u);
  EXPECT_LT(store.cached_bytes(), 5000u * 2);  // b and c were never decoded
  // Two keywords: a document must hold both.
  DocumentStore fresh;
  results = search_documents(docs, request_for(u"学", u"而", 0), fresh);
  EXPECT_EQ(results.total_hits(), 1u);
  EXPECT_LT(fresh.cached_bytes(), 5000u * 2);
}

TEST(Search, RepeatedSearchesKeepTheBytesOfDocumentsWithoutHitsWhileTheyAreUnchanged) {
  TempFolder folder;
  std::vector<Document> docs = {
      write_gbk_document(folder, "a.txt", u"甲学而"),
      write_gbk_document(folder, "b.txt", std::u16string(5000, u'乙')),
  };
  DocumentStore store;
  search_documents(docs, request_for(u"学而"), store);
  EXPECT_LT(store.cached_bytes(), 5000u);  // one search (a command line run) keeps no bytes
  search_documents(docs, request_for(u"学而"), store);
  EXPECT_GE(store.cached_bytes(), 10000u);  // b's bytes, for the searches to come
  // Kept bytes are decoded when a search needs them, and never outlive a change of their file.
  EXPECT_EQ(search_documents(docs, request_for(u"乙乙"), store).total_hits(), 2500u);
  docs[1] = write_gbk_document(folder, "b.txt", u"学而学而");
  EXPECT_EQ(search_documents(docs, request_for(u"学而"), store).total_hits(), 3u);
  docs[0] = write_gbk_document(folder, "a.txt", u"乙");
  EXPECT_EQ(search_documents(docs, request_for(u"学而"), store).total_hits(), 2u);
}

// Documents made of pieces that test the decoder's edges (two- and four-byte codes, characters
// outside the basic plane, malformed and cut sequences, line breaks, UTF-8 with and without mark):
// a store's first search looks at lines in the bytes, the next decodes the documents whose bytes
// hold the keywords, the last searches the texts it kept; each finds what the decoded text holds.
TEST(Search, EverySearchThroughAStoreFindsWhatTheDecodedTextHolds) {
  const std::vector<std::string> gbk_pieces = {encode_gbk(u"之"),
                                               encode_gbk(u"明"),
                                               encode_gbk(u"月"),
                                               "\x81\x30\x81\x30",
                                               "\x90\x30\x81\x30",
                                               "\xD6",
                                               "\xAE",
                                               "\x81\x30",
                                               "\n",
                                               "\r",
                                               "a",
                                               "\xFF",
                                               encode_gbk(u"𠀀")};
  const std::vector<std::u16string> keywords = {u"之",     u"明月", u"月之", u"a之",
                                                u"\u00C0", u"𠀀",   u"之\n", u"�"};
  TempFolder folder;
  std::vector<Document> docs;
  std::vector<std::u16string> texts;
  std::mt19937 random(11);
  for (int round = 0; round < 150; ++round) {
    std::string bytes;
    const int kind = round % 3;
    for (int k = static_cast<int>(random() % 12); k > 0; --k) {
      if (kind == 0)
        bytes += gbk_pieces[random() % gbk_pieces.size()];
      else
        bytes += utf16_to_utf8(keywords[random() % keywords.size()]);
      if (kind == 1 && random() % 5 == 0) bytes += "\xC3";  // malformed: the file reads as GBK
    }
    if (kind == 2) bytes = "\xEF\xBB\xBF" + bytes + "\x80";
    Document document;
    document.path = folder / (std::to_string(round) + ".txt");
    document.display_name = utf8_to_utf16(std::to_string(round));
    testing::write_bytes(document.path, bytes);
    docs.push_back(std::move(document));
    texts.push_back(decode_document(bytes));
  }
  for (const std::u16string& k1 : keywords)
    for (const std::u16string& k2 : {std::u16string(), std::u16string(u"月")}) {
      SearchRequest request = request_for(k1, k2, 1);
      std::vector<ResultItem> expected;
      for (std::uint32_t d = 0, hit_documents = 0; d < texts.size(); ++d) {
        const std::vector<Hit> hits = find_hits(texts[d], request);
        for (const Hit& hit : hits)
          expected.push_back(make_result_item(texts[d], hit_documents, hit, 3, 3));
        hit_documents += !hits.empty();
      }
      DocumentStore store;
      for (int pass = 0; pass < 3; ++pass) {
        const SearchResults results = search_documents(docs, request, store);
        EXPECT_EQ(results.list.items, expected) << utf16_to_utf8(k1) << " pass " << pass;
      }
    }
}

// Items place their spans in 32 bits: buffers of a million characters, and a longer span alone in
// one of its own; every span must still read back as the text it was cut from.
TEST(Search, SpansKeepTheirPlacesAcrossManyBuffersAndOversizedOnes) {
  TempFolder folder;
  std::u16string many;
  for (int i = 0; i < 200000; ++i) many += u"甲乙丙之";
  const std::u16string line =
      std::u16string(1500000, u'甲') + u"之" + std::u16string(1500000, u'乙');
  const std::vector<std::pair<Document, std::size_t>> cases = {
      {write_gbk_document(folder, "a.txt", many), 20},
      {write_gbk_document(folder, "b.txt", u"之\n" + line + u"\n甲之乙\n" + line), 2000000}};
  for (const auto& [document, count] : cases) {
    SearchRequest request = request_for(u"之");
    request.left = count;
    request.right = count;
    DocumentStore store;
    const SearchResults results = search_documents({document}, request, store);
    ASSERT_GE(results.total_hits(), 4u);
    const std::u16string_view text = *results.list.texts[0];
    for (std::size_t i = 0; i < results.list.size(); ++i) {
      const ResultItem& item = results.list.items[i];
      ASSERT_EQ(results.list.span_text(i), text.substr(item.start, item.length)) << i;
    }
  }
}

// The window rule spelt out one character at a time.
ResultItem naive_window(std::u16string_view text, std::uint32_t document, std::size_t hit_start,
                        std::size_t hit_length, std::size_t left, std::size_t right) {
  auto is_break = [](char16_t c) { return c == u'\r' || c == u'\n'; };
  auto high = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
  auto low = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
  const std::size_t hit_end = hit_start + hit_length;
  std::size_t start = hit_start, end = hit_end;
  while (start > 0 && hit_start - start < left && !is_break(text[start - 1])) --start;
  while (end < text.size() && end - hit_end < right && !is_break(text[end])) ++end;
  if (start > 0 && start < hit_start && low(text[start]) && high(text[start - 1])) ++start;
  if (end < text.size() && end > hit_end && low(text[end]) && high(text[end - 1])) --end;
  return ResultItem{document, start, end - start, hit_start, hit_length};
}

TEST(Search, ItemWindowsMatchTheStandaloneWindowForEveryHit) {
  TempFolder folder;
  // Lines of every length up to a few dozen characters, hits anywhere on them, all break kinds.
  std::u16string lines;
  for (int i = 0; i < 60; ++i) {
    lines += std::u16string(static_cast<std::size_t>(i % 23), u'甲');
    if (i % 3 == 0) lines += u"学";
    lines += std::u16string(static_cast<std::size_t>(i % 17), u'乙');
    lines += i % 4 == 0 ? u"\r\n" : i % 4 == 1 ? u"\n" : i % 4 == 2 ? u"\r" : u"学";
  }
  std::vector<Document> docs = {
      write_gbk_document(folder, "a.txt", u"学\r\n甲学乙\r丙丁学\n\n学学戊\U00020000学\U00020000"),
      write_gbk_document(folder, "b.txt",
                         std::u16string(3000, u'甲') + u"学" + std::u16string(10, u'乙')),
      write_gbk_document(folder, "c.txt", lines),
  };
  for (std::size_t count : {0u, 1u, 2u, 5u, 9u, 30u, 100000u}) {
    SearchRequest request = request_for(u"学");
    request.left = count;
    request.right = count;
    DocumentStore store;
    SearchResults results = search_documents(docs, request, store);
    for (std::size_t i = 0; i < results.list.size(); ++i) {
      const ResultItem& item = results.list.items[i];
      const std::u16string& text = *results.list.texts[item.document];
      EXPECT_EQ(item, make_result_item(text, item.document, {item.hit_start, item.hit_length},
                                       count, count))
          << "item " << i << " count " << count;
      EXPECT_EQ(item,
                naive_window(text, item.document, item.hit_start, item.hit_length, count, count))
          << "item " << i << " count " << count;
    }
  }
}

// Hits on later lines, after malformed bytes, four-byte codes and characters outside the basic
// plane, sit where they sit in the decoded text, in either code page.
TEST(Search, HitsFoundInTheBytesSitWhereTheDecodedTextHasThem) {
  TempFolder folder;
  const std::string gbk = "\x81" + encode_gbk(u"甲\U00020000乙") + "\x81\n\xFE\r\n\x95\x32" +
                          encode_gbk(u"子曰学而子曰\r学子曰") + "\n\x81" + encode_gbk(u"子曰");
  const std::string utf8 = "\xEF\xBB\xBF\xC3" + utf16_to_utf8(u"甲\U00020000乙") + "\xE5\n\r\n" +
                           utf16_to_utf8(u"子曰学而子曰\r学子曰") + "\n\xC3" +
                           utf16_to_utf8(u"子曰");
  const std::vector<SearchRequest> requests = {
      request_for(u"子曰"), request_for(u"学", u"子曰", 0),
      request_for(u"\uFFFD", u"子", 2, CombinationMode::WithinRange)};  // U+FFFD: not in the bytes
  for (const std::string& bytes : {gbk, utf8}) {
    Document document;
    document.path = folder / "a.txt";
    document.display_name = u"a";
    testing::write_bytes(document.path, bytes);
    const std::u16string text = decode_document(bytes);
    for (const SearchRequest& request : requests) {
      DocumentStore store;
      const SearchResults results = search_documents({document}, request, store);
      const std::vector<Hit> hits = find_hits(text, request);
      ASSERT_FALSE(hits.empty());
      ASSERT_EQ(results.list.size(), hits.size());
      for (std::size_t i = 0; i < hits.size(); ++i) {
        const ResultItem& item = results.list.items[i];
        EXPECT_EQ(item, make_result_item(text, 0, hits[i], request.left, request.right));
        EXPECT_EQ(results.list.span_text(i), text.substr(item.start, item.length));
      }
    }
  }
}

TEST(Search, ItemsPointIntoTextsThatOutliveTheCache) {
  TempFolder folder;
  std::vector<Document> docs = {write_gbk_document(folder, "a.txt", u"甲学而乙")};
  DocumentStore store;
  SearchResults results = search_documents(docs, request_for(u"学而"), store);
  store.clear();
  std::filesystem::remove(docs[0].path);
  EXPECT_EQ(results.list.item_text(0), u"甲学而乙  （出处：a)");
}

TEST(Search, ATextReadAgainAfterTheSearchIsTheOneSearchedOrNone) {
  TempFolder folder;
  std::vector<Document> docs = {write_gbk_document(folder, "a.txt", u"甲学而乙"),
                                write_gbk_document(folder, "b.txt", u"丙学而丁")};
  DocumentStore store;
  SearchOptions options;
  options.kept_document_bytes = 1;  // keeps none, yet checks as a window does
  SearchResults results = search_documents(docs, request_for(u"学而"), store, options);
  write_gbk_document(folder, "a.txt", u"学");  // changed after the search
  EXPECT_EQ(*results.list.texts.at(0), u"");
  EXPECT_EQ(*results.list.texts.at(1), u"丙学而丁");
  EXPECT_EQ(results.list.item_text(0), u"甲学而乙  （出处：a)");  // the item keeps its own
}

}  // namespace
}  // namespace lantaro
