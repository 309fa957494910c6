#include "retrieval/document_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "test_support.h"

namespace lantaro {
namespace {

using testing::TempFolder;
using testing::write_bytes;

TEST(DocumentStore, DecodesGbkUtf8AndMalformedBytesByTheLibrarysRule) {
  // Note: short GBK texts can be valid UTF-8 by accident ("时习" is); the rule then reads them
  // as UTF-8, so the GBK samples here are chosen not to be.
  TempFolder folder;
  DocumentStore store;
  write_bytes(folder / "gbk.txt", encode_gbk(u"学而时习之\r\n不亦说乎"));
  write_bytes(folder / "bom.txt", "\xEF\xBB\xBF" "学而\n");
  write_bytes(folder / "utf8.txt", "学而\r");
  write_bytes(folder / "bad.txt", "\xD1\xA7\xFF\n\xD1");  // 学, a stray byte, LF, a cut lead byte
  write_bytes(folder / "empty.txt", "");

  EXPECT_EQ(*store.load(folder / "gbk.txt"), u"学而时习之\r\n不亦说乎");
  EXPECT_EQ(*store.load(folder / "bom.txt"), u"学而\n");
  EXPECT_EQ(*store.load(folder / "utf8.txt"), u"学而\r");
  EXPECT_EQ(*store.load(folder / "bad.txt"), u"学\uFFFD\n\uFFFD");
  auto empty = store.load(folder / "empty.txt");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
}

TEST(DocumentStore, UnreadableFilesGiveNothing) {
  TempFolder folder;
  DocumentStore store;
  EXPECT_EQ(store.load(folder / "missing.txt"), nullptr);
  std::filesystem::create_directories(folder / "folder.txt");
  EXPECT_EQ(store.load(folder / "folder.txt"), nullptr);

  write_bytes(folder / "locked.txt", "abc");
  std::filesystem::permissions(folder / "locked.txt", std::filesystem::perms::none);
  std::ifstream probe(folder / "locked.txt");
  if (probe) GTEST_SKIP() << "running with rights that ignore file permissions";
  EXPECT_EQ(store.load(folder / "locked.txt"), nullptr);
}

TEST(DocumentStore, RepeatedLoadsShareOneCachedText) {
  TempFolder folder;
  DocumentStore store;
  write_bytes(folder / "a.txt", encode_gbk(u"学而"));
  DocumentText first = store.load(folder / "a.txt");
  EXPECT_GT(store.cached_bytes(), 0u);
  EXPECT_EQ(store.load(folder / "a.txt").get(), first.get());
  store.clear();
  EXPECT_EQ(store.cached_bytes(), 0u);
  DocumentText again = store.load(folder / "a.txt");
  EXPECT_NE(again.get(), first.get());
  EXPECT_EQ(*again, *first);
}

TEST(DocumentStore, AChangedFileIsReadAgain) {
  TempFolder folder;
  DocumentStore store;
  const auto path = folder / "a.txt";
  write_bytes(path, encode_gbk(u"学而"));
  const auto stamp = std::filesystem::last_write_time(path);
  EXPECT_EQ(*store.load(path), u"学而");

  // Same size, other bytes, different modification time.
  write_bytes(path, encode_gbk(u"之乎"));
  std::filesystem::last_write_time(path, stamp + std::chrono::seconds(5));
  EXPECT_EQ(*store.load(path), u"之乎");

  // Same modification time, other size.
  write_bytes(path, encode_gbk(u"不亦说乎"));
  std::filesystem::last_write_time(path, stamp + std::chrono::seconds(5));
  EXPECT_EQ(*store.load(path), u"不亦说乎");

  // A vanished file is not served from the cache.
  std::filesystem::remove(path);
  EXPECT_EQ(store.load(path), nullptr);
}

TEST(DocumentStore, StaysWithinItsBoundAndEvictsTheLeastRecentlyUsed) {
  TempFolder folder;
  const std::u16string text = u"而" + std::u16string(999, u'学');
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) write_bytes(folder / name, encode_gbk(text));
  DocumentStore probe;
  probe.load(folder / "a.txt");
  const std::size_t one = probe.cached_bytes();

  DocumentStore store(2 * one + one / 2);  // room for two texts
  DocumentText a = store.load(folder / "a.txt");
  DocumentText b = store.load(folder / "b.txt");
  store.load(folder / "a.txt");  // a is now the most recently used
  store.load(folder / "c.txt");  // evicts b
  EXPECT_LE(store.cached_bytes(), 2 * one + one / 2);
  EXPECT_EQ(store.load(folder / "a.txt").get(), a.get());
  EXPECT_NE(store.load(folder / "b.txt").get(), b.get());

  // A text used after an earlier eviction keeps its place ahead of one that was not: c evicts a,
  // then b is used again, so d evicts c, not b.
  store.load(folder / "b.txt");
  DocumentText c = store.load(folder / "c.txt");
  b = store.load(folder / "b.txt");
  write_bytes(folder / "d.txt", encode_gbk(text));
  store.load(folder / "d.txt");
  EXPECT_EQ(store.load(folder / "b.txt").get(), b.get());
  EXPECT_NE(store.load(folder / "c.txt").get(), c.get());
  EXPECT_LE(store.cached_bytes(), 2 * one + one / 2);

  // A text larger than the whole bound is served but not kept.
  DocumentStore tiny(10);
  EXPECT_EQ(*tiny.load(folder / "a.txt"), text);
  EXPECT_EQ(tiny.cached_bytes(), 0u);
}

TEST(DocumentStore, ManyDocumentsKeepTheMostRecentlyUsedAndTheirOwnTexts) {
  // Enough documents that every part of the index fills, grows and has entries evicted from it.
  TempFolder folder;
  constexpr int kDocuments = 1500;
  constexpr int kKept = 600;
  auto name = [](int i) { return "d" + std::to_string(i) + ".txt"; };
  auto text_of = [](int i) {
    std::u16string digits = utf8_to_utf16(std::to_string(10000 + i));
    return u"学而" + digits + std::u16string(40, u'之');
  };
  for (int i = 0; i < kDocuments; ++i) write_bytes(folder / name(i), encode_gbk(text_of(i)));
  DocumentStore probe;
  probe.load(folder / name(0));
  const std::size_t one = probe.cached_bytes();

  DocumentStore store(kKept * one + one / 2);
  std::vector<DocumentText> first(kDocuments);
  for (int i = 0; i < kDocuments; ++i) {
    first[i] = store.load(folder / name(i));
    ASSERT_TRUE(first[i]);
    ASSERT_EQ(*first[i], text_of(i));
  }
  EXPECT_LE(store.cached_bytes(), kKept * one + one / 2);
  // The last kKept loaded are still there (using them again changes nothing about which are)...
  for (int i = kDocuments - kKept; i < kDocuments; ++i)
    EXPECT_EQ(store.load(folder / name(i)).get(), first[i].get()) << i;
  // ...and the earlier ones are read again.
  for (int i = 0; i < 20; ++i) {
    DocumentText again = store.load(folder / name(i));
    EXPECT_NE(again.get(), first[i].get()) << i;
    EXPECT_EQ(*again, text_of(i));
  }
  EXPECT_LE(store.cached_bytes(), kKept * one + one / 2);
  store.clear();
  EXPECT_EQ(store.cached_bytes(), 0u);
}

TEST(DocumentStore, CachedTextsCarryNoDecodingSlack) {
  TempFolder folder;
  write_bytes(folder / "a.txt", encode_gbk(u"而" + std::u16string(99999, u'学')));
  DocumentStore store;
  store.load(folder / "a.txt");
  // 100000 characters in UTF-16, not the 200000 units the decoder first reserves.
  EXPECT_LT(store.cached_bytes(), 100000 * 2 + 4096);
}

TEST(DocumentStore, ManyThreadsLoadingTheSameFilesAgree) {
  TempFolder folder;
  for (int i = 0; i < 20; ++i)
    write_bytes(folder / (std::to_string(i) + ".txt"), encode_gbk(u"而" + std::u16string(99 + i, u'学')));
  DocumentStore store(30000);  // small enough that evictions happen during the run
  std::vector<std::jthread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int round = 0; round < 200; ++round) {
        int i = round % 20;
        auto text = store.load(folder / (std::to_string(i) + ".txt"));
        if (!text || text->size() != static_cast<std::size_t>(100 + i)) ++wrong;
      }
    });
  threads.clear();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_LE(store.cached_bytes(), 30000u);
}

TEST(DocumentStore, PrefetchingChangesNothingEvenWhileOtherThreadsFillTheIndex) {
  TempFolder folder;
  for (int i = 0; i < 300; ++i)
    write_bytes(folder / (std::to_string(i) + ".txt"), encode_gbk(u"学" + std::u16string(i, u'而')));
  DocumentStore store;
  store.prefetch(folder / "0.txt");  // an empty index, and paths that do not exist
  store.prefetch(folder / "missing.txt");
  EXPECT_EQ(store.cached_bytes(), 0u);
  EXPECT_FALSE(store.load(folder / "missing.txt"));
  // Prefetches race with loads that insert and grow the index; each load still gets its own text.
  std::atomic<int> wrong{0};
  std::vector<std::jthread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&, t] {
      for (int k = 0; k < 300; ++k) {
        const int i = (k * 7 + t * 100) % 300;
        store.prefetch(folder / (std::to_string((i + 3) % 300) + ".txt"));
        auto text = store.load(folder / (std::to_string(i) + ".txt"));
        if (!text || text->size() != static_cast<std::size_t>(1 + i)) ++wrong;
      }
    });
  threads.clear();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace lantaro
