#include "engine/export/text_export.h"

#include <vector>

#include "engine/common/codepage.h"
#include "engine/export/replacing_file.h"

namespace lantaro {

std::u16string result_text(const ResultList& results) {
  // Each document's suffix once, and the whole text sized up front: a million items join in
  // one pass without re-allocating.
  std::vector<std::u16string> suffixes;
  suffixes.reserve(results.documents.size());
  for (const Document& document : results.documents)
    suffixes.push_back(citation_suffix(document.display_name));
  std::size_t total = 0;
  for (std::size_t i = 0; i < results.size(); ++i)
    total += results.items[i].length + suffixes.at(results.items[i].document).size() + 2;
  std::u16string text;
  text.reserve(total);
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (i > 0) text += u"\r\n";
    text += results.span_text(i);
    text += suffixes[results.items[i].document];
  }
  return text;
}

std::string text_file_bytes(std::u16string_view text) {
  std::u16string normalized;
  normalized.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r') {
      normalized += u"\r\n";
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else if (c == u'\n') {
      normalized += u"\r\n";
    } else {
      normalized += c;
    }
  }
  return encode_gbk(normalized);
}

bool replace_file(const std::filesystem::path& target, std::string_view bytes) {
  ReplacingFile file(target);
  return file.ok() && file.write(bytes) && file.commit();
}

Message save_text_file(const std::filesystem::path& target, std::u16string_view text) {
  return replace_file(target, text_file_bytes(text)) ? Message::SaveSucceeded : Message::SaveFailed;
}

}  // namespace lantaro
