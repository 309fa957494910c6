#include "engine/retrieval/result_list.h"

#include <algorithm>
#include <mutex>

#include "engine/common/codepage.h"
#include "platform/platform.h"

namespace lantaro {

struct DocumentText::File {
  // The name only: a path object also holds each of its components, several times the name's
  // size, for every document of a result.
  std::filesystem::path::string_type path;
  std::shared_ptr<const std::string> bytes;  // read already, if any: then the path is not needed
  std::optional<platform::FileStamp> unchanged;
  std::once_flag once;
  std::u16string text;
};

DocumentText DocumentText::of_file(const std::filesystem::path& path,
                                   std::optional<platform::FileStamp> unchanged) {
  DocumentText text;
  text.file_ = std::make_shared<File>();
  text.file_->path = path.native();
  text.file_->unchanged = unchanged;
  return text;
}

DocumentText DocumentText::of_bytes(std::shared_ptr<const std::string> bytes) {
  DocumentText text;
  text.file_ = std::make_shared<File>();
  text.file_->bytes = std::move(bytes);
  return text;
}

const std::u16string& DocumentText::operator*() const {
  if (held_) return *held_;
  static const std::u16string none;
  if (!file_) return none;
  File& file = *file_;
  std::call_once(file.once, [&file] {
    if (file.bytes) {
      file.text = decode_document(*file.bytes);
      file.bytes.reset();
      return;
    }
    std::string bytes;
    const std::optional<platform::FileRead> read =
        platform::read_file(std::filesystem::path(file.path), bytes);
    if (read && read->complete && (!file.unchanged || read->stamp == *file.unchanged))
      file.text = decode_document(bytes);
  });
  return file.text;
}

std::u16string citation_suffix(std::u16string_view display_name) {
  std::u16string s = u"  （出处：";
  s += display_name;
  s += u")";
  return s;
}

std::u16string_view ResultList::span_text(std::size_t index) const {
  const ResultItem& it = items.at(index);
  if (it.chars == ResultItem::kInText) {
    const std::u16string_view text = *texts.at(it.document);
    return text.substr(std::min(it.start, text.size()), it.length);
  }
  return std::u16string_view(spans->at(it.chars >> ResultItem::kSpanOffsetBits))
      .substr(it.chars & (kSpanBufferSize - 1), it.length);
}

std::u16string_view ResultList::left_context(std::size_t index) const {
  const ResultItem& it = items.at(index);
  return span_text(index).substr(0, it.hit_start - it.start);
}

std::u16string_view ResultList::hit_text(std::size_t index) const {
  const ResultItem& it = items.at(index);
  return span_text(index).substr(it.hit_start - it.start, it.hit_length);
}

std::u16string_view ResultList::right_context(std::size_t index) const {
  const ResultItem& it = items.at(index);
  const std::size_t hit_end = it.hit_start + it.hit_length - it.start;
  return span_text(index).substr(hit_end);
}

std::u16string ResultList::item_text(std::size_t index) const {
  const ResultItem& it = items.at(index);
  std::u16string s(span_text(index));
  s += citation_suffix(documents.at(it.document).display_name);
  return s;
}

}  // namespace lantaro
