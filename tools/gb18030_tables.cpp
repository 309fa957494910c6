// Build-time helper: writes the GB18030 tables the program's code-page converter is compiled with,
// taken from this build machine's iconv. Every build of the program, Linux or Windows, then
// decodes and encodes with the same tables and needs no converter at run time (Windows and Wine
// do not even agree on having one).
//   gb18030_tables OUTPUT.inc

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iconv.h>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  // iconv_open reports failure as (iconv_t)-1.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The whole input converted, or nothing when the converter refuses any of it.
  std::optional<std::string> convert(const std::string& input) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(input.size() * 4 + 16, '\0');
    char* in_ptr = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    char* out_ptr = out.data();
    std::size_t out_left = out.size();
    if (iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1))
      return std::nullopt;
    if (iconv(cd_, nullptr, nullptr, &out_ptr, &out_left) == static_cast<std::size_t>(-1))
      return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
  }

 private:
  iconv_t cd_;
};

std::vector<char32_t> code_points(const std::string& utf32le) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i + 4 <= utf32le.size(); i += 4) {
    char32_t c = 0;
    for (int k = 3; k >= 0; --k) c = (c << 8) | static_cast<unsigned char>(utf32le[i + k]);
    out.push_back(c);
  }
  return out;
}

std::string utf32le(char32_t c) {
  std::string out(4, '\0');
  for (int k = 0; k < 4; ++k) out[k] = static_cast<char>((c >> (8 * k)) & 0xFF);
  return out;
}

// A one-, two- or four-byte code as one number, its bytes from the most significant one.
std::uint32_t packed(const std::string& bytes) {
  std::uint32_t value = 0;
  for (char b : bytes) value = (value << 8) | static_cast<unsigned char>(b);
  return value;
}

std::uint32_t algorithmic_four_byte(char32_t c) {
  std::uint32_t linear = c - 0x10000;
  const std::uint32_t b4 = 0x30 + linear % 10;
  linear /= 10;
  const std::uint32_t b3 = 0x81 + linear % 126;
  linear /= 126;
  const std::uint32_t b2 = 0x30 + linear % 10;
  const std::uint32_t b1 = 0x90 + linear / 10;
  return (b1 << 24) | (b2 << 16) | (b3 << 8) | b4;
}

template <typename T>
void write_array(std::ostream& out, const char* type, const char* name,
                 const std::vector<T>& values, int per_line) {
  out << "constexpr " << type << " " << name << "[" << values.size() << "] = {\n";
  char buffer[16];
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "0x%X,", static_cast<unsigned>(values[i]));
    out << buffer << ((i + 1) % per_line == 0 || i + 1 == values.size() ? "\n" : "");
  }
  out << "};\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: gb18030_tables OUTPUT.inc\n";
    return 2;
  }
  Converter decoder("UTF-32LE", "GB18030");
  Converter encoder("GB18030", "UTF-32LE");
  if (!decoder.ok() || !encoder.ok()) {
    std::cerr << "gb18030_tables: this system's iconv has no GB18030 converter\n";
    return 1;
  }

  // Two-byte codes: lead 0x81..0xFE, trail 0x40..0xFE without 0x7F; 0 = unassigned.
  std::vector<char32_t> two_byte;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      char32_t c = 0;
      if (trail != 0x7F) {
        auto decoded = decoder.convert({static_cast<char>(lead), static_cast<char>(trail)});
        std::vector<char32_t> cps = decoded ? code_points(*decoded) : std::vector<char32_t>{};
        if (cps.size() == 1) c = cps[0];
      }
      two_byte.push_back(c);
    }

  // Four-byte codes 81 30 81 30 .. 84 39 FE 39, those that decode into the basic plane.
  std::vector<char16_t> four_byte_bmp;
  for (int b1 = 0x81; b1 <= 0x84; ++b1)
    for (int b2 = 0x30; b2 <= 0x39; ++b2)
      for (int b3 = 0x81; b3 <= 0xFE; ++b3)
        for (int b4 = 0x30; b4 <= 0x39; ++b4) {
          auto decoded = decoder.convert({static_cast<char>(b1), static_cast<char>(b2),
                                          static_cast<char>(b3), static_cast<char>(b4)});
          std::vector<char32_t> cps = decoded ? code_points(*decoded) : std::vector<char32_t>{};
          four_byte_bmp.push_back(
              cps.size() == 1 && cps[0] < 0x10000 ? static_cast<char16_t>(cps[0]) : char16_t{0});
        }

  // The code of every basic-plane character; 0 where the converter has none (and for the
  // surrogates, which are no characters).
  std::vector<std::uint32_t> encode_bmp(0x10000, 0);
  for (char32_t c = 0; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    if (auto encoded = encoder.convert(utf32le(c)); encoded && !encoded->empty())
      encode_bmp[c] = packed(*encoded);
  }

  // Supplementary characters follow one formula, except where the converter says otherwise.
  std::vector<std::uint32_t> exceptions;
  for (char32_t c = 0x10000; c <= 0x10FFFF; ++c) {
    auto encoded = encoder.convert(utf32le(c));
    const std::uint32_t code = encoded && !encoded->empty() ? packed(*encoded) : 0;
    if (code != algorithmic_four_byte(c)) {
      exceptions.push_back(static_cast<std::uint32_t>(c));
      exceptions.push_back(code);
    }
  }
  if (exceptions.empty()) exceptions = {0x110000, 0};  // keeps the array non-empty

  std::ofstream out(argv[1], std::ios::binary);
  out << "// Generated by tools/gb18030_tables from the build machine's iconv. Do not edit.\n";
  write_array(out, "char32_t", "kGeneratedTwoByte", two_byte, 12);
  write_array(out, "char16_t", "kGeneratedFourByteBmp", four_byte_bmp, 16);
  write_array(out, "std::uint32_t", "kGeneratedEncodeBmp", encode_bmp, 10);
  out << "// Pairs of (character, code), ordered by character.\n";
  write_array(out, "std::uint32_t", "kGeneratedEncodeSupplementary", exceptions, 8);
  out.close();
  if (!out) {
    std::cerr << "gb18030_tables: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
