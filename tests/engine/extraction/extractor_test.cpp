#include "engine/extraction/extractor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/common/codepage.h"
#include "engine/common/text.h"

namespace lantaro {
namespace {

constexpr ExtractionMode kModes[] = {ExtractionMode::Dialogue, ExtractionMode::Narrative,
                                     ExtractionMode::AllSentences};

Document document_named(const std::u16string& name) {
  Document d;
  d.display_name = name;
  d.relative_path = utf16_to_utf8(name) + ".txt";
  d.path = path_from_utf8(d.relative_path);
  return d;
}

ExtractionOptions with_threads(unsigned threads) {
  ExtractionOptions options;
  options.threads = threads;
  return options;
}

DocumentText text(std::u16string t) { return std::make_shared<const std::u16string>(std::move(t)); }

// Text full of the things that trip cutting rules: every mark, runs, closers, quotes that open
// and never close, all three line breaks, blank lines, blanks and ordinary characters.
std::u16string tricky_text(std::size_t characters, unsigned seed) {
  static const std::u16string alphabet =
      u"；！？。：…—”’」』）)“，、 "
      u"\u3000\t天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏\r\n\r\n";
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> plain(0, 3);
  std::u16string t;
  t.reserve(characters);
  while (t.size() < characters) {
    // Mostly ordinary text, so that sentences have some length.
    t += plain(rng) ? u'文' : alphabet[pick(rng)];
  }
  return t;
}

// The example library's documents, decoded: real text with real dialogue.
std::vector<std::pair<Document, DocumentText>> example_library() {
  std::vector<std::pair<Document, DocumentText>> out;
  const std::filesystem::path root = std::filesystem::path(LANTARO_SOURCE_DIR) / "corpus";
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (e.is_regular_file() && e.path().extension() == ".txt") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    Document d;
    d.path = f;
    d.relative_path = path_to_utf8(std::filesystem::relative(f, root));
    d.display_name = utf8_to_utf16(path_to_utf8(f.stem()));
    out.emplace_back(d, text(decode_document(bytes.str())));
  }
  return out;
}

TEST(Extractor, ReportsTheModeTextAndCount) {
  EXPECT_EQ(extraction_report(ExtractionMode::Dialogue, 12), u"共提取到对话语句12");
  EXPECT_EQ(extraction_report(ExtractionMode::Narrative, 0), u"共提取到叙述语句0");
  EXPECT_EQ(extraction_report(ExtractionMode::AllSentences, 1234567), u"共提取到语句1234567");

  const std::vector<Document> docs{document_named(u"甲")};
  const std::vector<DocumentText> texts{text(u"无对话的文字。又一句！")};
  const ExtractionResult none = extract_sentences(docs, texts, ExtractionMode::Dialogue);
  EXPECT_TRUE(none.list.empty());
  EXPECT_EQ(none.report, u"共提取到对话语句0");
  EXPECT_EQ(extract_sentences(docs, texts, ExtractionMode::AllSentences).report, u"共提取到语句2");
}

TEST(Extractor, ItemsQuoteTheirTextWithTheCitationSuffixInDocumentOrder) {
  const std::vector<Document> docs{document_named(u"论语"), document_named(u"空"),
                                   document_named(u"孟子")};
  const std::vector<DocumentText> texts{text(u"子曰：“学而时习之。”\r\n有朋。"), text(u""),
                                        text(u"孟子见梁惠王。王曰：“叟！”")};
  for (unsigned threads : {1u, 2u, 3u}) {
    ExtractionOptions options;
    options.threads = threads;
    options.chunk_chars = 4;  // many tiny chunks, cut inside documents
    const ExtractionResult r = extract_sentences(docs, texts, ExtractionMode::Narrative, options);
    EXPECT_EQ(r.list.kind, ResultKind::Sentences);
    EXPECT_EQ(r.list.documents, docs);
    ASSERT_EQ(r.list.size(), 4u) << threads;
    EXPECT_EQ(r.list.item_text(0), u"子曰：  （出处：论语)");
    EXPECT_EQ(r.list.item_text(1), u"有朋。  （出处：论语)");
    EXPECT_EQ(r.list.item_text(2), u"孟子见梁惠王。  （出处：孟子)");
    EXPECT_EQ(r.list.item_text(3), u"王曰：  （出处：孟子)");
    EXPECT_EQ(r.list.hit_text(3), u"王曰：");
    EXPECT_EQ(r.report, u"共提取到叙述语句4");
  }
}

TEST(Extractor, MissingTextsCountAsEmpty) {
  const std::vector<Document> docs{document_named(u"甲"), document_named(u"乙")};
  const std::vector<DocumentText> texts{nullptr, text(u"一句。")};
  for (unsigned threads : {1u, 2u}) {
    ExtractionOptions options;
    options.threads = threads;
    const ExtractionResult r =
        extract_sentences(docs, texts, ExtractionMode::AllSentences, options);
    ASSERT_EQ(r.list.size(), 1u);
    EXPECT_EQ(r.list.items[0].document, 1u);
    EXPECT_EQ(r.list.texts.size(), 2u);
  }
  const ExtractionResult empty =
      extract_sentences({}, {}, ExtractionMode::AllSentences, with_threads(2));
  EXPECT_TRUE(empty.list.empty());
  EXPECT_EQ(empty.report, u"共提取到语句0");
}

// Multi-threaded runs must give exactly the single-threaded items, whatever the thread count
// and wherever the chunks fall.
TEST(Extractor, WorkersGiveTheSingleThreadedItemsOnALargeText) {
  const std::vector<Document> docs{document_named(u"大")};
  const std::vector<DocumentText> texts{text(tricky_text(400000, 7))};
  for (ExtractionMode mode : kModes) {
    const ExtractionResult single = extract_sentences(docs, texts, mode);
    ASSERT_GT(single.list.size(), 1000u);
    for (unsigned threads : {2u, 3u, 4u, 8u}) {
      for (std::size_t chunk : {std::size_t{0}, std::size_t{1}, std::size_t{997}}) {
        ExtractionOptions options;
        options.threads = threads;
        options.chunk_chars = chunk;
        const ExtractionResult multi = extract_sentences(docs, texts, mode, options);
        EXPECT_EQ(multi.threads_used, threads);
        EXPECT_TRUE(multi.list.items == single.list.items)
            << "mode " << static_cast<int>(mode) << ", " << threads << " threads, chunk " << chunk;
        EXPECT_EQ(multi.report, single.report);
      }
    }
  }
}

TEST(Extractor, WorkersGiveTheSingleThreadedItemsOnManyDocuments) {
  const auto library = example_library();
  ASSERT_GT(library.size(), 10u);
  std::vector<Document> docs;
  std::vector<DocumentText> texts;
  for (const auto& [d, t] : library) {
    docs.push_back(d);
    texts.push_back(t);
  }
  // Generated documents of very different sizes between the real ones.
  for (unsigned i = 0; i < 40; ++i) {
    docs.push_back(document_named(u"生成"));
    texts.push_back(text(tricky_text((i * 7919) % 20000, i)));
  }
  for (ExtractionMode mode : kModes) {
    const ExtractionResult single = extract_sentences(docs, texts, mode);
    for (unsigned threads : {0u, 2u, 5u}) {
      ExtractionOptions options;
      options.threads = threads;
      const ExtractionResult multi = extract_sentences(docs, texts, mode, options);
      EXPECT_TRUE(multi.list.items == single.list.items)
          << "mode " << static_cast<int>(mode) << ", " << threads << " threads";
    }
  }
}

TEST(Extractor, ItemsAreTrimmedNonEmptyAndQuoteTheirText) {
  const auto library = example_library();
  std::vector<Document> docs;
  std::vector<DocumentText> texts;
  for (const auto& [d, t] : library) {
    docs.push_back(d);
    texts.push_back(t);
  }
  docs.push_back(document_named(u"生成"));
  texts.push_back(text(tricky_text(50000, 3)));
  for (ExtractionMode mode : kModes) {
    const ExtractionResult r = extract_sentences(docs, texts, mode, with_threads(2));
    ASSERT_FALSE(r.list.empty());
    std::size_t last_document = 0;
    std::size_t last_end = 0;
    for (std::size_t i = 0; i < r.list.size(); ++i) {
      const ResultItem& item = r.list.items[i];
      const std::u16string_view span = r.list.span_text(i);
      ASSERT_FALSE(span.empty());
      EXPECT_EQ(trim_blanks(span).size(), span.size());
      EXPECT_EQ(span.find_first_of(u"\r\n"), std::u16string_view::npos);
      if (mode == ExtractionMode::Dialogue) {
        EXPECT_EQ(span.front(), u'“');
      }
      if (mode == ExtractionMode::Narrative) {
        EXPECT_EQ(span.find(u'“'), std::u16string_view::npos);
      }
      // Items never overlap and follow document and text order.
      if (item.document == last_document) {
        EXPECT_GE(item.start, last_end);
      }
      EXPECT_GE(item.document, last_document);
      last_document = item.document;
      last_end = item.start + item.length;
      EXPECT_EQ(r.list.item_text(i),
                std::u16string(span) + citation_suffix(docs[item.document].display_name));
    }
  }
}

TEST(Extractor, EveryWorkerStartsRunsAndEndsUnderTheSharedLock) {
  const std::vector<Document> docs{document_named(u"大")};
  const std::vector<DocumentText> texts{text(tricky_text(200000, 11))};
  std::mutex seen_lock;
  std::vector<WorkerEvent> events;
  ExtractionOptions options;
  options.threads = 3;
  options.chunk_chars = 5000;
  options.progress = [&](const WorkerEvent& e) {
    std::lock_guard guard(seen_lock);
    events.push_back(e);
  };
  const ExtractionResult r = extract_sentences(docs, texts, ExtractionMode::AllSentences, options);
  EXPECT_FALSE(r.list.empty());

  std::map<unsigned, std::vector<WorkerEvent::Kind>> per_thread;
  std::size_t running = 0;
  std::size_t last_done = 0;
  for (const WorkerEvent& e : events) {
    per_thread[e.thread].push_back(e.kind);
    if (e.kind == WorkerEvent::Kind::Running) ++running;
    // Progress only grows: the events arrive in the order they were recorded.
    EXPECT_GE(e.chunks_done, last_done);
    last_done = e.chunks_done;
    EXPECT_EQ(e.chunks_total, events.front().chunks_total);
  }
  EXPECT_EQ(running, events.front().chunks_total);  // each chunk taken exactly once
  EXPECT_EQ(events.back().chunks_done, events.front().chunks_total);
  ASSERT_EQ(per_thread.size(), 3u);
  for (const auto& [n, kinds] : per_thread) {
    EXPECT_GE(n, 1u);
    EXPECT_LE(n, 3u);
    EXPECT_EQ(kinds.front(), WorkerEvent::Kind::Started);
    EXPECT_EQ(kinds.back(), WorkerEvent::Kind::Ended);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), WorkerEvent::Kind::Ended), 1);
  }
}

TEST(Extractor, WorkerEventTexts) {
  EXPECT_EQ(worker_event_text({WorkerEvent::Kind::Started, 3, 0, 0}), u"成功启动线程3");
  EXPECT_EQ(worker_event_text({WorkerEvent::Kind::Running, 3, 0, 0}), u"线程3正在执行");
  EXPECT_EQ(worker_event_text({WorkerEvent::Kind::Ended, 12, 0, 0}), u"结束线程12");
  EXPECT_EQ(resolve_thread_count(1), 1u);
  EXPECT_EQ(resolve_thread_count(5), 5u);
  EXPECT_GE(resolve_thread_count(0), 2u);
}

TEST(Extractor, AFailingWorkerIsReportedToTheCallerAfterAllHaveEnded) {
  const std::vector<Document> docs{document_named(u"大")};
  const std::vector<DocumentText> texts{text(tricky_text(100000, 9))};
  std::atomic<int> ended{0};
  std::atomic<bool> thrown{false};
  ExtractionOptions options;
  options.threads = 3;
  options.chunk_chars = 1000;
  options.progress = [&](const WorkerEvent& e) {
    if (e.kind == WorkerEvent::Kind::Ended) ++ended;
    if (e.kind == WorkerEvent::Kind::Running && !thrown.exchange(true)) {
      throw std::runtime_error("broken");
    }
  };
  EXPECT_THROW(extract_sentences(docs, texts, ExtractionMode::AllSentences, options),
               std::runtime_error);
  EXPECT_EQ(ended.load(), 3);
}

TEST(Extractor, CancelStopsEarlyAndStillEndsEveryWorker) {
  const std::vector<Document> docs{document_named(u"大")};
  const std::vector<DocumentText> texts{text(tricky_text(100000, 5))};
  std::atomic<bool> cancel{true};
  std::atomic<int> ended{0};
  ExtractionOptions options;
  options.threads = 2;
  options.cancel = &cancel;
  options.progress = [&](const WorkerEvent& e) {
    if (e.kind == WorkerEvent::Kind::Ended) ++ended;
  };
  const ExtractionResult r = extract_sentences(docs, texts, ExtractionMode::AllSentences, options);
  EXPECT_TRUE(r.list.empty());
  EXPECT_EQ(ended.load(), 2);
}

}  // namespace
}  // namespace lantaro
