#include "engine/retrieval/result_list.h"

namespace lantaro {

std::u16string citation_suffix(std::u16string_view display_name) {
  std::u16string s = u"  （出处：";
  s += display_name;
  s += u")";
  return s;
}

std::u16string_view ResultList::span_text(std::size_t index) const {
  const ResultItem& it = items.at(index);
  return std::u16string_view(*texts.at(it.document)).substr(it.start, it.length);
}

std::u16string_view ResultList::left_context(std::size_t index) const {
  const ResultItem& it = items.at(index);
  return std::u16string_view(*texts.at(it.document)).substr(it.start, it.hit_start - it.start);
}

std::u16string_view ResultList::hit_text(std::size_t index) const {
  const ResultItem& it = items.at(index);
  return std::u16string_view(*texts.at(it.document)).substr(it.hit_start, it.hit_length);
}

std::u16string_view ResultList::right_context(std::size_t index) const {
  const ResultItem& it = items.at(index);
  std::size_t hit_end = it.hit_start + it.hit_length;
  return std::u16string_view(*texts.at(it.document))
      .substr(hit_end, it.start + it.length - hit_end);
}

std::u16string ResultList::item_text(std::size_t index) const {
  const ResultItem& it = items.at(index);
  std::u16string s(span_text(index));
  s += citation_suffix(documents.at(it.document).display_name);
  return s;
}

}  // namespace lantaro
