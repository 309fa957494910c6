#pragma once
// A reader's order of names: 卷二 before 卷十, ci.song.2000 before ci.song.10000. A name is read
// as pieces: a run of ASCII digits, or a run of Chinese numerals, is one number piece with its
// value; every other character is a piece of its own. Number pieces sort before character
// pieces; names whose pieces are all equal ("01" and "1", "十" and "10") fall back to plain
// code-point order so that the order stays total.

#include <string_view>

namespace lantaro {

// < 0, 0 or > 0 as `a` sorts before, with or after `b`.
int compare_natural(std::u16string_view a, std::u16string_view b);

inline bool natural_less(std::u16string_view a, std::u16string_view b) {
  return compare_natural(a, b) < 0;
}

}  // namespace lantaro
