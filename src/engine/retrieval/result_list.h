#pragma once
// What the result list shows: search items or extracted sentences. An item is a span of a
// document's decoded text plus the citation suffix; its text is built on demand, so a million
// items cost a few dozen bytes each instead of a string each.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/corpus/document.h"

namespace lantaro {

using DocumentText = std::shared_ptr<const std::u16string>;

struct ResultItem {
  std::uint32_t document = 0;  // index into ResultList::documents
  std::size_t start = 0;       // the shown span, UTF-16 offsets into the document's text
  std::size_t length = 0;
  std::size_t hit_start = 0;  // the hit inside the span (for a sentence: the whole span)
  std::size_t hit_length = 0;

  friend bool operator==(const ResultItem&, const ResultItem&) = default;
};

enum class ResultKind { Search, Sentences };

struct ResultList {
  ResultKind kind = ResultKind::Search;
  std::vector<Document> documents;  // the documents the items point into
  std::vector<DocumentText> texts;  // their decoded texts, same order
  std::vector<ResultItem> items;

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
