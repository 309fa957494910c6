#include "engine/retrieval/context_passage.h"

#include <algorithm>

namespace lantaro {

namespace {
bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
}  // namespace

Passage context_passage(std::u16string_view text, Hit hit, std::size_t before, std::size_t after) {
  const std::size_t size = text.size();
  const std::size_t hit_start = std::min(hit.start, size);
  const std::size_t hit_end = hit_start + std::min(hit.length, size - hit_start);
  std::size_t start = hit_start - std::min(before, hit_start);
  std::size_t end = hit_end + std::min(after, size - hit_end);
  // The window shrinks rather than grows at a split pair: the lengths are upper bounds.
  if (start > 0 && start < hit_start && is_low_surrogate(text[start]) &&
      is_high_surrogate(text[start - 1]))
    ++start;
  if (end < size && end > hit_end && is_low_surrogate(text[end]) &&
      is_high_surrogate(text[end - 1]))
    --end;
  return {start, end - start};
}

}  // namespace lantaro
