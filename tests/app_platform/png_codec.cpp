#include "png_codec.h"

#include <stdio.h>

namespace {

const uint8_t Signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < size; i++) {
    crc ^= data[i];
    for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v >> 24));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

uint32_t GetU32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
  PutU32(out, uint32_t(body.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  PutU32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<uint8_t> EncodePng(const RgbImage& image) {
  std::vector<uint8_t> raw;  // filter byte 0, then RGB for each row
  raw.reserve(size_t(image.height) * (1 + 3 * size_t(image.width)));
  for (int y = 0; y < image.height; y++) {
    raw.push_back(0);
    for (int x = 0; x < image.width; x++) {
      uint32_t p = image.pixels[size_t(y) * image.width + x];
      raw.push_back(uint8_t(p >> 16));
      raw.push_back(uint8_t(p >> 8));
      raw.push_back(uint8_t(p));
    }
  }
  std::vector<uint8_t> zlib = {0x78, 0x01};
  size_t pos = 0;
  do {
    size_t n = raw.size() - pos;
    if (n > 65535) n = 65535;
    bool last = pos + n == raw.size();
    zlib.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    zlib.push_back(uint8_t(n));
    zlib.push_back(uint8_t(n >> 8));
    zlib.push_back(uint8_t(~n));
    zlib.push_back(uint8_t(~n >> 8));
    zlib.insert(zlib.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
  } while (pos < raw.size());
  PutU32(zlib, Adler32(raw));

  std::vector<uint8_t> out(Signature, Signature + 8);
  std::vector<uint8_t> header;
  PutU32(header, uint32_t(image.width));
  PutU32(header, uint32_t(image.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", zlib);
  PutChunk(out, "IEND", {});
  return out;
}

bool DecodePng(const std::vector<uint8_t>& data, RgbImage* image) {
  if (data.size() < 8 || !std::equal(Signature, Signature + 8, data.begin())) return false;
  size_t pos = 8;
  std::vector<uint8_t> zlib;
  int width = 0, height = 0;
  bool have_header = false, ended = false;
  while (!ended) {
    if (data.size() - pos < 12) return false;
    uint32_t length = GetU32(&data[pos]);
    if (length > data.size() - pos - 12) return false;
    const uint8_t* type = &data[pos + 4];
    const uint8_t* body = type + 4;
    if (Crc32(type, length + 4) != GetU32(body + length)) return false;
    std::string name(reinterpret_cast<const char*>(type), 4);
    if (name == "IHDR") {
      if (length != 13 || body[8] != 8 || body[9] != 2 || body[10] || body[11] || body[12]) {
        return false;
      }
      width = int(GetU32(body));
      height = int(GetU32(body + 4));
      if (width <= 0 || height <= 0 || width > 1 << 14 || height > 1 << 14) return false;
      have_header = true;
    } else if (name == "IDAT") {
      zlib.insert(zlib.end(), body, body + length);
    } else if (name == "IEND") {
      ended = true;
    }
    pos += 12 + size_t(length);
  }
  if (!have_header || zlib.size() < 6 || zlib[0] != 0x78) return false;
  std::vector<uint8_t> raw;
  size_t z = 2;
  for (bool last = false; !last;) {
    if (zlib.size() - z < 5) return false;
    uint8_t flags = zlib[z];
    if ((flags & 6) != 0) return false;  // only stored blocks
    last = flags & 1;
    size_t n = zlib[z + 1] | (size_t(zlib[z + 2]) << 8);
    size_t check = zlib[z + 3] | (size_t(zlib[z + 4]) << 8);
    if ((n ^ 0xFFFF) != check || zlib.size() - z - 5 < n) return false;
    raw.insert(raw.end(), zlib.begin() + z + 5, zlib.begin() + z + 5 + n);
    z += 5 + n;
  }
  if (zlib.size() - z < 4 || GetU32(&zlib[z]) != Adler32(raw)) return false;
  size_t stride = 1 + 3 * size_t(width);
  if (raw.size() != stride * size_t(height)) return false;
  image->width = width;
  image->height = height;
  image->pixels.assign(size_t(width) * height, 0);
  for (int y = 0; y < height; y++) {
    const uint8_t* row = &raw[size_t(y) * stride];
    if (row[0] != 0) return false;
    for (int x = 0; x < width; x++) {
      const uint8_t* p = row + 1 + 3 * size_t(x);
      image->pixels[size_t(y) * width + x] = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
  }
  return true;
}

bool WritePngFile(const std::string& path, const RgbImage& image) {
  std::vector<uint8_t> data = EncodePng(image);
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
  return fclose(f) == 0 && ok;
}

bool ReadPngFile(const std::string& path, RgbImage* image) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<uint8_t> data;
  uint8_t buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) data.insert(data.end(), buffer, buffer + n);
  fclose(f);
  return DecodePng(data, image);
}
