#pragma once
// The passage the context window shows around a hit.

#include <cstddef>
#include <string_view>

#include "engine/retrieval/matcher.h"

namespace lantaro {

struct Passage {
  std::size_t start = 0;  // in the document's text
  std::size_t length = 0;
};

// From max(0, p - before) up to min(L, p + k + after); never cuts a surrogate pair.
Passage context_passage(std::u16string_view text, Hit hit, std::size_t before, std::size_t after);

}  // namespace lantaro
