#include "engine/retrieval/result_order.h"

#include <algorithm>
#include <numeric>

#include "engine/common/text.h"

namespace lantaro {
namespace {

// Reads a context one code point at a time, forwards from its start or backwards from its end.
class CodePoints {
 public:
  CodePoints(std::u16string_view text, bool backwards)
      : text_(text), backwards_(backwards), at_(backwards ? text.size() : 0) {}

  // 0 once the context is used up; otherwise the code point plus one, so an ended context
  // compares below every character.
  std::uint32_t next() {
    if (backwards_) {
      if (at_ == 0) return 0;
      char16_t c = text_[--at_];
      if (is_low_surrogate(c) && at_ > 0 && is_high_surrogate(text_[at_ - 1]))
        return combine(text_[--at_], c) + 1;
      return c + 1u;
    }
    if (at_ == text_.size()) return 0;
    char16_t c = text_[at_++];
    if (is_high_surrogate(c) && at_ < text_.size() && is_low_surrogate(text_[at_]))
      return combine(c, text_[at_++]) + 1;
    return c + 1u;
  }

 private:
  static std::uint32_t combine(char16_t high, char16_t low) {
    return 0x10000u + ((static_cast<std::uint32_t>(high) - 0xD800u) << 10) +
           (static_cast<std::uint32_t>(low) - 0xDC00u);
  }

  std::u16string_view text_;
  bool backwards_;
  std::size_t at_;
};

// The first three characters packed into one number (21 bits each, high first): most
// comparisons of a sort are settled by it without touching the texts.
std::uint64_t prefix_key(std::u16string_view context, bool backwards) {
  CodePoints points(context, backwards);
  std::uint64_t key = 0;
  for (int k = 0; k < 3; ++k) key = (key << 21) | points.next();
  return key;
}

int compare_contexts(std::u16string_view a, std::u16string_view b, bool backwards) {
  CodePoints pa(a, backwards), pb(b, backwards);
  for (;;) {
    const std::uint32_t x = pa.next(), y = pb.next();
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

}  // namespace

std::optional<ResultOrder> result_order_from_name(std::string_view name) {
  if (name == "document") return ResultOrder::Document;
  if (name == "left") return ResultOrder::Left;
  if (name == "right") return ResultOrder::Right;
  return std::nullopt;
}

std::vector<std::uint32_t> result_order(const ResultList& list, ResultOrder order) {
  std::vector<std::uint32_t> positions(list.size());
  std::iota(positions.begin(), positions.end(), 0u);
  if (order == ResultOrder::Document || list.kind != ResultKind::Search) return positions;

  const bool backwards = order == ResultOrder::Left;
  auto context = [&](std::uint32_t i) {
    return backwards ? list.left_context(i) : list.right_context(i);
  };
  std::vector<std::uint64_t> keys(list.size());
  for (std::uint32_t i = 0; i < keys.size(); ++i) keys[i] = prefix_key(context(i), backwards);

  // The key holds three characters; only when all three are there and equal can the texts
  // still differ.
  constexpr std::uint64_t kThirdMask = (1u << 21) - 1;
  std::sort(positions.begin(), positions.end(), [&](std::uint32_t a, std::uint32_t b) {
    if (keys[a] != keys[b]) return keys[a] < keys[b];
    if ((keys[a] & kThirdMask) != 0) {
      const int c = compare_contexts(context(a), context(b), backwards);
      if (c != 0) return c < 0;
    }
    return a < b;
  });
  return positions;
}

void apply_result_order(ResultList& list, const std::vector<std::uint32_t>& order) {
  if (order.size() != list.items.size()) return;
  std::vector<ResultItem> arranged;
  arranged.reserve(order.size());
  for (std::uint32_t i : order) arranged.push_back(list.items[i]);
  list.items = std::move(arranged);
}

}  // namespace lantaro
