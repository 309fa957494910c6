#include "engine/retrieval/document_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "support/test_support.h"

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
  write_bytes(folder / "bom.txt",
              "\xEF\xBB\xBF"
              "学而\n");
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
  auto name = [](int i) { return std::string("d").append(std::to_string(i)).append(".txt"); };
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
    write_bytes(folder / (std::to_string(i) + ".txt"),
                encode_gbk(std::u16string(u"而").append(99 + i, u'学')));
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
    write_bytes(folder / (std::to_string(i) + ".txt"),
                encode_gbk(std::u16string(u"学").append(i, u'而')));
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

// Loads within runs, as the searches do. Where the system reports changes, a run uses cached texts
// without asking about their files; these are the changes such a run must still notice. Each call
// is its own run, like one search after another.
class DocumentStoreRuns : public ::testing::Test {
 protected:
  DocumentText load(const std::filesystem::path& path) {
    DocumentStore::Run run;
    return store.load(path, run);
  }
  // Loads twice, so that the text is cached and has been found current once since.
  DocumentText settle(const std::filesystem::path& path) {
    DocumentText first = load(path);
    EXPECT_EQ(load(path), first);
    return first;
  }

  TempFolder folder;
  DocumentStore store;
};

TEST_F(DocumentStoreRuns, AgreeWithSingleLoadsAndShareTheCachedTexts) {
  write_bytes(folder / "经部/a.txt", encode_gbk(u"学而"));
  write_bytes(folder / "经部/b.txt", encode_gbk(u"学而时习之"));
  write_bytes(folder / "史部/c.txt", encode_gbk(u"之乎"));
  DocumentStore::Run run;
  const DocumentText a = store.load(folder / "经部/a.txt", run);
  ASSERT_TRUE(a);
  EXPECT_EQ(*a, u"学而");
  EXPECT_EQ(*store.load(folder / "史部/c.txt", run), u"之乎");
  EXPECT_EQ(*store.load(folder / "经部/b.txt", run), u"学而时习之");
  EXPECT_EQ(store.load(folder / "经部/a.txt", run), a);  // back in a folder left before
  EXPECT_EQ(store.load(folder / "经部/a.txt"), a);
  EXPECT_EQ(store.load(folder / "经部/missing.txt", run), nullptr);
  EXPECT_EQ(store.load(folder / "缺失/d.txt", run), nullptr);
}

TEST_F(DocumentStoreRuns, NoticeWritesRemovalsAndReplacementsOfCachedFiles) {
  const auto path = folder / "经部/a.txt";
  write_bytes(path, encode_gbk(u"学而"));
  settle(path);
  write_bytes(path, encode_gbk(u"学而时习之"));  // written in place
  EXPECT_EQ(*load(path), u"学而时习之");

  settle(path);
  const auto stamp = std::filesystem::last_write_time(path);
  write_bytes(folder / "经部/new.txt", encode_gbk(u"不亦说乎"));
  std::filesystem::last_write_time(folder / "经部/new.txt", stamp + std::chrono::seconds(3));
  std::filesystem::rename(folder / "经部/new.txt", path);  // replaced, as editors save
  EXPECT_EQ(*load(path), u"不亦说乎");

  settle(path);
  std::filesystem::remove(path);
  EXPECT_EQ(load(path), nullptr);
  EXPECT_EQ(load(path), nullptr);
}

TEST_F(DocumentStoreRuns, NoticeAnotherFolderInTheCachedFoldersPlace) {
  // Only the parent of the cached folder changes: the cached folder itself reports nothing.
  const auto path = folder / "库/经部/a.txt";
  write_bytes(path, encode_gbk(u"学而"));
  settle(path);
  std::filesystem::rename(folder / "库", folder / "旧库");
  write_bytes(path, encode_gbk(u"学而时习之"));
  EXPECT_EQ(*load(path), u"学而时习之");

  // A folder removed and made again, with a file of the same name.
  settle(path);
  std::filesystem::remove_all(folder / "库/经部");
  write_bytes(path, encode_gbk(u"不亦说乎"));
  EXPECT_EQ(*load(path), u"不亦说乎");
}

TEST_F(DocumentStoreRuns, NoticeAFileChangedThroughAnotherOfItsNames) {
  // The other name is in a folder the store never looked at, so nothing is reported there.
  const auto path = folder / "经部/a.txt";
  write_bytes(path, encode_gbk(u"学而"));
  std::filesystem::create_directories(folder / "别处");
  std::error_code ec;
  std::filesystem::create_hard_link(path, folder / "别处/a.txt", ec);
  if (ec) GTEST_SKIP() << "no hard links here: " << ec.message();
  settle(path);
  {
    std::ofstream out(folder / "别处/a.txt", std::ios::binary | std::ios::app);
    out << encode_gbk(u"时习之");
  }
  EXPECT_EQ(*load(path), u"学而时习之");
}

TEST_F(DocumentStoreRuns, ManyThreadsInRunsAgreeWhileFilesChange) {
  std::vector<std::filesystem::path> paths;
  for (int i = 0; i < 40; ++i) {
    paths.push_back(folder / (std::string("f")
                                  .append(std::to_string(i % 4))
                                  .append("/")
                                  .append(std::to_string(i))
                                  .append(".txt")));
    write_bytes(paths.back(),
                encode_gbk(u"学而" + std::u16string(static_cast<std::size_t>(i), u'之')));
  }
  std::atomic<bool> wrong{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&] {
      for (int round = 0; round < 30; ++round) {
        DocumentStore::Run run;
        for (const auto& path : paths) {
          const DocumentText text = store.load(path, run);
          // A text is either the old or the new content, never anything else.
          if (!text || text->rfind(u"学而", 0) != 0) wrong = true;
        }
      }
    });
  // Replaced whole, as the library's own writes do, so that a reader meets old or new bytes.
  for (int i = 0; i < 40; i += 3) {
    const auto& path = paths[static_cast<std::size_t>(i)];
    const auto temporary = std::filesystem::path(path).concat(".new");
    write_bytes(temporary,
                encode_gbk(u"学而新" + std::u16string(static_cast<std::size_t>(i), u'乎')));
    // As the library's own writes do it; Windows makes it wait while a reader has the file open.
    std::error_code ec;
    EXPECT_TRUE(platform::replace_file(temporary, path, ec)) << ec.message();
  }
  for (auto& thread : threads) thread.join();
  EXPECT_FALSE(wrong);
  // Once the writers are done, every run sees the final contents.
  for (int i = 0; i < 40; ++i) {
    const std::u16string expected =
        i % 3 == 0 ? u"学而新" + std::u16string(static_cast<std::size_t>(i), u'乎')
                   : u"学而" + std::u16string(static_cast<std::size_t>(i), u'之');
    EXPECT_EQ(*load(paths[static_cast<std::size_t>(i)]), expected) << i;
  }
}

}  // namespace
}  // namespace lantaro
