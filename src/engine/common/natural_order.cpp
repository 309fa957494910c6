#include "engine/common/natural_order.h"

#include <cstdint>
#include <limits>
#include <string>

#include "engine/common/text.h"

namespace lantaro {
namespace {

bool is_ascii_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The value of a Chinese numeral digit, or -1.
int chinese_digit(char16_t c) {
  switch (c) {
    case u'〇':
    case u'零': return 0;
    case u'一': return 1;
    case u'二':
    case u'两': return 2;
    case u'三': return 3;
    case u'四': return 4;
    case u'五': return 5;
    case u'六': return 6;
    case u'七': return 7;
    case u'八': return 8;
    case u'九': return 9;
    default: return -1;
  }
}

// The value of a unit character, or 0.
std::uint64_t chinese_unit(char16_t c) {
  switch (c) {
    case u'十': return 10;
    case u'百': return 100;
    case u'千': return 1000;
    case u'万': return 10000;
    case u'亿': return 100000000;
    default: return 0;
  }
}

bool is_chinese_numeral(char16_t c) { return chinese_digit(c) >= 0 || chinese_unit(c) != 0; }

// Sums and products that stop at the largest value instead of wrapping: a name of a hundred
// 亿 is still larger than one of ninety-nine.
constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
std::uint64_t add(std::uint64_t a, std::uint64_t b) { return a > kMax - b ? kMax : a + b; }
std::uint64_t mul(std::uint64_t a, std::uint64_t b) {
  return (b != 0 && a > kMax / b) ? kMax : a * b;
}

// A written number: 十一 = 11, 一百零五 = 105, 三万五千 = 35000, 两亿三千万 = 230000000.
std::string written_number(std::u16string_view run) {
  std::uint64_t total = 0, section = 0, digit = 0;
  bool have_digit = false;
  for (char16_t c : run) {
    const int d = chinese_digit(c);
    if (d >= 0) {
      digit = static_cast<std::uint64_t>(d);
      have_digit = true;
      continue;
    }
    const std::uint64_t unit = chinese_unit(c);
    if (unit >= 10000) {
      section = add(section, digit);
      if (unit == 10000) {
        total = add(total, mul(section, unit));
      } else {
        total = mul(add(total, section), unit);
      }
      section = 0;
    } else {
      // 十 alone stands for 一十.
      section = add(section, mul(have_digit ? digit : 1, unit));
    }
    digit = 0;
    have_digit = false;
  }
  return std::to_string(add(add(total, section), digit));
}

// A number piece's value as decimal digits without leading zeros ("" for zero), so values of
// any length compare by length, then digit by digit.
std::string number_value(std::u16string_view run) {
  std::string digits;
  const bool ascii = is_ascii_digit(run.front());
  bool has_unit = false;
  if (!ascii)
    for (char16_t c : run) has_unit = has_unit || chinese_unit(c) != 0;
  if (has_unit) {
    digits = written_number(run);
  } else {
    for (char16_t c : run)
      digits.push_back(static_cast<char>('0' + (ascii ? c - u'0' : chinese_digit(c))));
  }
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? std::string() : digits.substr(first);
}

struct Piece {
  bool number = false;
  std::string value;        // number pieces
  std::uint32_t point = 0;  // character pieces
};

class Pieces {
 public:
  explicit Pieces(std::u16string_view text) : text_(text) {}
  bool done() const { return at_ >= text_.size(); }

  Piece next() {
    Piece piece;
    const char16_t c = text_[at_];
    if (is_ascii_digit(c) || is_chinese_numeral(c)) {
      const bool ascii = is_ascii_digit(c);
      std::size_t end = at_ + 1;
      while (end < text_.size() &&
             (ascii ? is_ascii_digit(text_[end]) : is_chinese_numeral(text_[end])))
        ++end;
      piece.number = true;
      piece.value = number_value(text_.substr(at_, end - at_));
      at_ = end;
      return piece;
    }
    ++at_;
    piece.point = c;
    if (is_high_surrogate(c) && at_ < text_.size() && is_low_surrogate(text_[at_])) {
      piece.point = 0x10000u + ((static_cast<std::uint32_t>(c) - 0xD800u) << 10) +
                    (static_cast<std::uint32_t>(text_[at_]) - 0xDC00u);
      ++at_;
    }
    return piece;
  }

 private:
  std::u16string_view text_;
  std::size_t at_ = 0;
};

int compare_pieces(const Piece& a, const Piece& b) {
  if (a.number != b.number) return a.number ? -1 : 1;
  if (a.number) {
    if (a.value.size() != b.value.size()) return a.value.size() < b.value.size() ? -1 : 1;
    const int c = a.value.compare(b.value);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.point != b.point) return a.point < b.point ? -1 : 1;
  return 0;
}

// Plain code-point order (UTF-16 order puts U+E000..U+FFFF after the astral planes).
int compare_code_points(std::u16string_view a, std::u16string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    auto point = [](std::u16string_view s, std::size_t& k) -> std::uint32_t {
      const char16_t c = s[k++];
      if (is_high_surrogate(c) && k < s.size() && is_low_surrogate(s[k]))
        return 0x10000u + ((static_cast<std::uint32_t>(c) - 0xD800u) << 10) +
               (static_cast<std::uint32_t>(s[k++]) - 0xDC00u);
      return c;
    };
    const std::uint32_t x = point(a, i), y = point(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace

int compare_natural(std::u16string_view a, std::u16string_view b) {
  Pieces pa(a), pb(b);
  while (!pa.done() && !pb.done()) {
    const int c = compare_pieces(pa.next(), pb.next());
    if (c != 0) return c;
  }
  if (!pa.done()) return 1;
  if (!pb.done()) return -1;
  return compare_code_points(a, b);
}

}  // namespace lantaro
