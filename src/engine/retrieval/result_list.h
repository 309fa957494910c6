#pragma once
// What the result list shows: search items or extracted sentences. An item is a span of a
// document's decoded text plus the citation suffix. A search keeps the characters of its items'
// spans in a few large buffers, except for the documents whose texts it keeps anyway; sentences
// point into the documents' texts. Item texts are built on demand, so a million items cost about a
// hundred bytes each instead of a string each, and the documents' texts are decoded only when
// asked for.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/corpus/document.h"
#include "platform/platform.h"

namespace lantaro {

// A document's decoded text: either held, or read from its file (and then kept) the first time
// it is asked for. Copies share the text. Safe to read from several threads.
class DocumentText {
 public:
  DocumentText() = default;
  DocumentText(std::nullptr_t) {}  // NOLINT(google-explicit-constructor): none, like a null pointer
  DocumentText(std::shared_ptr<const std::u16string> text)  // NOLINT(google-explicit-constructor)
      : held_(std::move(text)) {}
  // The text of the file at `path`, decoded when first needed; empty if it can no longer be read.
  // With `unchanged`, also empty when the file's size or time differ from `unchanged` by then:
  // items found in the old text must not be shown in another.
  static DocumentText of_file(const std::filesystem::path& path,
                              std::optional<platform::FileStamp> unchanged = std::nullopt);
  // The text of a document's bytes, decoded when first needed.
  static DocumentText of_bytes(std::shared_ptr<const std::string> bytes);

  const std::u16string& operator*() const;
  const std::u16string* operator->() const { return &**this; }
  const std::u16string* get() const { return *this ? &**this : nullptr; }
  explicit operator bool() const { return held_ || file_; }
  // The same text, not merely equal characters.
  friend bool operator==(const DocumentText& a, const DocumentText& b) {
    return a.held_ == b.held_ && a.file_ == b.file_;
  }

 private:
  struct File;
  std::shared_ptr<const std::u16string> held_;
  std::shared_ptr<File> file_;
};

// 32 bytes, since a search may find millions. Lengths are 32-bit: a search item's span is bounded
// by the request's counts, and the extractor cuts a longer sentence into pieces.
struct ResultItem {
  ResultItem() = default;
  ResultItem(std::uint32_t document_index, std::size_t span_start, std::size_t span_length,
             std::size_t hit_start_at, std::size_t hit_length_of)
      : start(span_start),
        hit_start(hit_start_at),
        document(document_index),
        length(static_cast<std::uint32_t>(span_length)),
        hit_length(static_cast<std::uint32_t>(hit_length_of)) {}

  std::uint64_t start = 0;      // the shown span, UTF-16 offsets into the document's text
  std::uint64_t hit_start = 0;  // the hit inside the span (for a sentence: the whole span)
  std::uint32_t document = 0;   // index into ResultList::documents
  std::uint32_t length = 0;
  std::uint32_t hit_length = 0;
  // Where the span's characters are kept: kInText (in the document's text), or a buffer of
  // ResultList::spans (the bits above kSpanOffsetBits) and the offset in it.
  static constexpr std::uint32_t kInText = ~std::uint32_t{0};
  static constexpr int kSpanOffsetBits = 20;
  static constexpr std::size_t kMaxLength = ~std::uint32_t{0};
  std::uint32_t chars = kInText;

  // Items are the same when they show the same span of the same document, wherever kept.
  friend bool operator==(const ResultItem& a, const ResultItem& b) {
    return a.document == b.document && a.start == b.start && a.length == b.length &&
           a.hit_start == b.hit_start && a.hit_length == b.hit_length;
  }
};

static_assert(sizeof(ResultItem) == 32);

// A span buffer holds at most this many characters' starts, so its offsets fit the bits.
inline constexpr std::size_t kSpanBufferSize = std::size_t{1} << ResultItem::kSpanOffsetBits;
// Buffers beyond this many (4 Gi characters of spans) leave their items' spans in the texts.
inline constexpr std::size_t kMaxSpanBuffers =
    (std::size_t{1} << (32 - ResultItem::kSpanOffsetBits)) - 1;

inline std::uint32_t span_chars(std::size_t buffer, std::size_t offset) {
  return static_cast<std::uint32_t>((buffer << ResultItem::kSpanOffsetBits) | offset);
}

enum class ResultKind { Search, Sentences };

struct ResultList {
  ResultKind kind = ResultKind::Search;
  std::vector<Document> documents;  // the documents the items point into
  std::vector<DocumentText> texts;  // their decoded texts, same order
  std::vector<ResultItem> items;
  // The characters of items that keep their own; shared by copies of the list (the window's
  // model, an export running meanwhile), which differ only in their items' order.
  std::shared_ptr<const std::vector<std::u16string>> spans;

  bool empty() const { return items.empty(); }
  std::size_t size() const { return items.size(); }
  // The item as the list shows it: span + "  （出处：" + display name + ")".
  std::u16string item_text(std::size_t index) const;
  // The pieces of an item (for the spreadsheet's columns).
  std::u16string_view left_context(std::size_t index) const;
  std::u16string_view hit_text(std::size_t index) const;
  std::u16string_view right_context(std::size_t index) const;
  std::u16string_view span_text(std::size_t index) const;
};

// "  （出处：" + name + ")": the closing parenthesis is ASCII, directly after the name.
std::u16string citation_suffix(std::u16string_view display_name);

}  // namespace lantaro
