#include "terminal/Png.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <fstream>

namespace tavolin {

namespace {

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (n > r->size - r->pos) png_error(png, "picture data ends early");
  std::memcpy(out, r->data + r->pos, n);
  r->pos += n;
}

void WriteToVector(png_structp png, png_bytep in, png_size_t n) {
  auto* v = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  v->insert(v->end(), in, in + n);
}

void NoFlush(png_structp) {}

// libpng reports errors by longjmp; the message is kept for the caller.
void OnError(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text != nullptr) *text = message;
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// Everything the decoder touches after setjmp lives outside its frame, so a longjmp back into
// it leaves nothing indeterminate.
struct DecodeWork {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> rgba;
  std::vector<png_bytep> rows;
};

bool DecodeInto(DecodeWork& w, Reader& reader, DecodedPng& result) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_read_fn(w.png, &reader, ReadFromMemory);
  png_read_info(w.png, w.info);
  const png_uint_32 width = png_get_image_width(w.png, w.info);
  const png_uint_32 height = png_get_image_height(w.png, w.info);
  result.info.width = static_cast<int>(width);
  result.info.height = static_cast<int>(height);
  result.info.bitDepth = png_get_bit_depth(w.png, w.info);
  result.info.colourType = png_get_color_type(w.png, w.info);
  if (result.info.colourType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(w.png, w.info, &palette, &count) != 0) {
      result.info.paletteSize = count;
      for (int i = 0; i < count; ++i) {
        result.info.palette.push_back(0xFF000000u | (std::uint32_t{palette[i].red} << 16) |
                                      (std::uint32_t{palette[i].green} << 8) | palette[i].blue);
      }
    }
  }
  if (width == 0 || height == 0 || width > 16384 || height > 16384) {
    result.error = "picture size out of range";
    return false;
  }
  // Everything becomes 8-bit RGBA.
  png_set_expand(w.png);
  png_set_strip_16(w.png);
  png_set_gray_to_rgb(w.png);
  png_set_add_alpha(w.png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(w.png);
  png_read_update_info(w.png, w.info);
  if (png_get_rowbytes(w.png, w.info) != static_cast<png_size_t>(width) * 4) {
    result.error = "unexpected row layout";
    return false;
  }
  w.rgba.resize(static_cast<std::size_t>(width) * height * 4);
  w.rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) w.rows[y] = w.rgba.data() + std::size_t{y} * width * 4;
  png_read_image(w.png, w.rows.data());
  png_read_end(w.png, nullptr);
  return true;
}

}  // namespace

DecodedPng DecodePng(const std::uint8_t* data, std::size_t size) {
  DecodedPng result;
  if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    result.error = "not a PNG picture";
    return result;
  }
  DecodeWork w;
  std::string libError;
  w.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &libError, OnError, OnWarning);
  if (w.png == nullptr) {
    result.error = "out of memory";
    return result;
  }
  w.info = png_create_info_struct(w.png);
  Reader reader{data, size, 0};
  const bool ok = w.info != nullptr && DecodeInto(w, reader, result);
  png_destroy_read_struct(&w.png, w.info != nullptr ? &w.info : nullptr, nullptr);
  if (!ok) {
    if (result.error.empty()) result.error = libError.empty() ? "damaged picture" : libError;
    return result;
  }
  result.image = Image(result.info.width, result.info.height);
  for (std::size_t i = 0; i < result.image.pixels.size(); ++i) {
    const std::uint8_t* p = w.rgba.data() + i * 4;
    result.image.pixels[i] =
        0xFF000000u | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  }
  result.ok = true;
  return result;
}

namespace {

struct EncodeWork {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> pixels;
  std::vector<png_bytep> rows;
  std::vector<png_color> palette;
};

bool EncodeInto(EncodeWork& w, int width, int height, int colourType) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_write_fn(w.png, &w.out, WriteToVector, NoFlush);
  png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_set_PLTE(w.png, w.info, w.palette.data(), static_cast<int>(w.palette.size()));
  }
  png_write_info(w.png, w.info);
  png_write_image(w.png, w.rows.data());
  png_write_end(w.png, nullptr);
  return true;
}

std::vector<std::uint8_t> Encode(EncodeWork& w, int width, int height, int colourType,
                                 int bytesPerPixel) {
  if (width <= 0 || height <= 0) return {};
  w.rows.resize(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    w.rows[static_cast<std::size_t>(y)] =
        w.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) *
                              static_cast<std::size_t>(bytesPerPixel);
  }
  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (w.png == nullptr) return {};
  w.info = png_create_info_struct(w.png);
  const bool ok = w.info != nullptr && EncodeInto(w, width, height, colourType);
  png_destroy_write_struct(&w.png, w.info != nullptr ? &w.info : nullptr);
  if (!ok) return {};
  return std::move(w.out);
}

}  // namespace

std::vector<std::uint8_t> EncodePngIndexed(const IndexedPicture& picture) {
  const std::size_t count =
      static_cast<std::size_t>(std::max(picture.width, 0)) * std::max(picture.height, 0);
  if (picture.indices.size() != count || picture.palette.empty() || picture.palette.size() > 256) {
    return {};
  }
  for (std::uint8_t i : picture.indices) {
    if (i >= picture.palette.size()) return {};
  }
  EncodeWork w;
  w.pixels = picture.indices;
  for (std::uint32_t c : picture.palette) {
    w.palette.push_back(
        {static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8), static_cast<png_byte>(c)});
  }
  return Encode(w, picture.width, picture.height, PNG_COLOR_TYPE_PALETTE, 1);
}

std::vector<std::uint8_t> EncodePngRgb(const Image& image) {
  EncodeWork w;
  w.pixels.reserve(image.pixels.size() * 3);
  for (Pixel p : image.pixels) {
    w.pixels.push_back(static_cast<std::uint8_t>(p >> 16));
    w.pixels.push_back(static_cast<std::uint8_t>(p >> 8));
    w.pixels.push_back(static_cast<std::uint8_t>(p));
  }
  return Encode(w, image.width, image.height, PNG_COLOR_TYPE_RGB, 3);
}

std::vector<std::uint8_t> EncodePngRgba(const Image& image) {
  EncodeWork w;
  w.pixels.reserve(image.pixels.size() * 4);
  for (Pixel p : image.pixels) {
    for (int shift : {16, 8, 0, 24}) w.pixels.push_back(static_cast<std::uint8_t>(p >> shift));
  }
  return Encode(w, image.width, image.height, PNG_COLOR_TYPE_RGB_ALPHA, 4);
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace tavolin
