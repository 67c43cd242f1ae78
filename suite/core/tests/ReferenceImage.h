// Reference images of the graphics tests: 32-bit pixels kept as PNG files (RGBA, stored
// deflate blocks) under suite/core/tests/images/. A missing reference is written from
// the pixels drawn, for review, and the comparison fails until it is committed.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zs_test {

inline uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

inline void PutBE(std::vector<uint8_t>& v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}
inline uint32_t GetBE(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// Pixels are BGRA values (a 32-bit DIB's order), top row first; alpha is written as 255.
inline std::vector<uint8_t> EncodePng(int w, int h, const std::vector<DWORD>& pixels) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < w; ++x) {
      const DWORD p = pixels[static_cast<size_t>(y) * w + x];
      raw.push_back(static_cast<uint8_t>(p >> 16));
      raw.push_back(static_cast<uint8_t>(p >> 8));
      raw.push_back(static_cast<uint8_t>(p));
      raw.push_back(255);
    }
  }
  std::vector<uint8_t> z = {0x78, 0x01};
  for (size_t pos = 0; pos < raw.size() || pos == 0;) {
    const size_t n = std::min<size_t>(65535, raw.size() - pos);
    z.push_back(pos + n >= raw.size() ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
    if (n == 0) break;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBE(z, (b << 16) | a);
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
    PutBE(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBE(out, Crc32(body.data(), body.size()));
  };
  std::vector<uint8_t> ihdr;
  PutBE(ihdr, w);
  PutBE(ihdr, h);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  chunk("IHDR", ihdr);
  chunk("IDAT", z);
  chunk("IEND", {});
  return out;
}

// Reads a PNG written by EncodePng (stored blocks only); false for anything else.
inline bool DecodePng(const std::vector<uint8_t>& png, int& w, int& h, std::vector<DWORD>& pixels) {
  if (png.size() < 8 + 25) return false;
  size_t pos = 8;
  std::vector<uint8_t> z;
  w = h = 0;
  while (pos + 12 <= png.size()) {
    const uint32_t len = GetBE(&png[pos]);
    if (pos + 12 + len > png.size()) return false;
    const std::string type(png.begin() + pos + 4, png.begin() + pos + 8);
    const uint8_t* data = &png[pos + 8];
    if (type == "IHDR") {
      w = static_cast<int>(GetBE(data));
      h = static_cast<int>(GetBE(data + 4));
      if (data[8] != 8 || data[9] != 6) return false;
    } else if (type == "IDAT") {
      z.insert(z.end(), data, data + len);
    }
    pos += 12 + len;
  }
  std::vector<uint8_t> raw;
  size_t p = 2;
  for (;;) {
    if (p + 5 > z.size() || (z[p] & 6) != 0) return false;
    const bool last = z[p] & 1;
    const size_t n = z[p + 1] | (z[p + 2] << 8);
    p += 5;
    if (p + n > z.size()) return false;
    raw.insert(raw.end(), z.begin() + p, z.begin() + p + n);
    p += n;
    if (last) break;
  }
  if (raw.size() != static_cast<size_t>(h) * (1 + 4 * w)) return false;
  pixels.assign(static_cast<size_t>(w) * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* q = &raw[static_cast<size_t>(y) * (1 + 4 * w) + 1 + 4 * x];
      pixels[static_cast<size_t>(y) * w + x] = (DWORD(q[0]) << 16) | (DWORD(q[1]) << 8) | q[2];
    }
  return true;
}

// The worktree's suite/core/tests/images folder, found from the test program's path
// (<root>/build/<arch>/suite/core/<program>.exe).
inline std::wstring ReferenceImageFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  for (int i = 0; i < 5; ++i) p = p.substr(0, p.find_last_of(L"\\/"));
  return p + L"\\suite\\core\\tests\\images\\";
}

inline bool ReadWholeFileW(const std::wstring& Name, std::vector<uint8_t>& Data) {
  HANDLE f = CreateFileW(Name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(f, &size);
  Data.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  const bool ok = Data.empty() || ReadFile(f, Data.data(), static_cast<DWORD>(Data.size()), &read, nullptr);
  CloseHandle(f);
  return ok && read == Data.size();
}

inline void WriteWholeFileW(const std::wstring& Name, const std::vector<uint8_t>& Data) {
  HANDLE f = CreateFileW(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, Data.data(), static_cast<DWORD>(Data.size()), &written, nullptr);
  CloseHandle(f);
}

// Compares pixels (BGRA, alpha ignored) with the reference image Name.png.
inline void ExpectMatchesReference(const std::wstring& Name, int w, int h, const std::vector<DWORD>& pixels) {
  const std::wstring file = ReferenceImageFolder() + Name + L".png";
  std::vector<uint8_t> png;
  if (!ReadWholeFileW(file, png)) {
    CreateDirectoryW(ReferenceImageFolder().c_str(), nullptr);
    WriteWholeFileW(file, EncodePng(w, h, pixels));
    ADD_FAILURE() << "reference image written for review: " << std::string(file.begin(), file.end());
    return;
  }
  int rw = 0, rh = 0;
  std::vector<DWORD> ref;
  ASSERT_TRUE(DecodePng(png, rw, rh, ref)) << "unreadable reference image";
  ASSERT_EQ(rw, w);
  ASSERT_EQ(rh, h);
  int differing = 0, first = -1;
  for (size_t i = 0; i < ref.size(); ++i)
    if ((ref[i] & 0xFFFFFF) != (pixels[i] & 0xFFFFFF)) {
      if (first < 0) first = static_cast<int>(i);
      ++differing;
    }
  EXPECT_EQ(differing, 0) << "first difference at (" << first % w << ", " << first / w << ")";
}

}  // namespace zs_test
