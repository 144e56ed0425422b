#include "platform/encoding.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace qvk {

#ifdef _WIN32

std::u16string gbk_to_utf16(const std::string& text) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(out.data()),
                      length);
  return out;
}

std::string utf16_to_gbk(const std::u16string& text) {
  if (text.empty()) return {};
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  int length = WideCharToMultiByte(936, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(936, 0, wide, static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
  return out;
}

#else

namespace {

// Converts with iconv, replacing what cannot be converted by `replacement` (in the target
// encoding) and stepping over `skip` input bytes.
std::string convert(const char* to, const char* from, const std::string& input, const std::string& replacement,
                    size_t skip) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  char* in = const_cast<char*>(input.data());
  size_t in_left = input.size();
  char buffer[4096];
  while (in_left > 0) {
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    size_t result = iconv(cd, &in, &in_left, &out_ptr, &out_left);
    out.append(buffer, sizeof buffer - out_left);
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      out += replacement;
      size_t step = skip < in_left ? skip : in_left;
      in += step;
      in_left -= step;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::u16string gbk_to_utf16(const std::string& text) {
  std::string bytes = convert("UTF-16LE", "GBK", text, std::string("\xFD\xFF", 2), 1);
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return out;
}

std::string utf16_to_gbk(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return convert("GBK", "UTF-16LE", bytes, "?", 2);
}

#endif

}  // namespace qvk
