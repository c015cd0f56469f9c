// Letter files as bytes and pixels, in standard C++ alone.
//
// readLetterFile() brings a letter file into memory, refusing what is no
// regular file or is larger than any tile picture needs; decodeBitmap()
// turns a Windows bitmap's bytes into 32-bit pixels, or into nothing at all
// when the file is anything but a complete, well-formed bitmap.  The window
// wraps the pixels into an image (ui/pictures.h).
//
// What decodeBitmap() reads, as bitmap writers make it: the OS/2 core
// header (12 bytes) and the Windows headers of 40, 52, 56, 108 and 124
// bytes; 1, 4 and 8 bits a pixel with a colour table, 16, 24 and 32 without;
// channel masks (BI_BITFIELDS, BI_ALPHABITFIELDS) at 16 and 32 bits; run
// lengths at 8 (BI_RLE8) and 4 (BI_RLE4) bits; rows stored from the bottom
// up or, uncompressed, from the top down.  Every field is read through
// checked access, and every size and offset is computed in 64 bits from
// values bounded first, so no header, however absurd, reaches memory
// outside the file's bytes or the pixels it decodes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace lexidrop::ui {

// The most a letter file may hold.  A tile picture as large as the whole
// client area (406 x 479) at 32 bits a pixel is under 1 MiB, and a
// 2000 x 2000 one at 24 bits is 12 MB; 16 MiB leaves room for any picture
// worth showing and keeps a spawn's read, however hostile the file, to a
// few milliseconds and a few megabytes.  A larger file is refused by the
// size the file system gives before a byte of it is read, and a file that
// reads on past the size it gives (those under /proc say 0) is refused at
// its first byte more, so never read past the bound either.
constexpr std::int64_t MaxLetterFileBytes = 16LL * 1024 * 1024;

// No side of a bitmap may be longer: the oldest header's own limit, beyond
// any screen.  With it, a row's bytes times the rows fit in 64 bits.
constexpr std::int64_t MaxBitmapSide = 65535;

// The colour of every pixel a run-length stream leaves unset (a delta
// jumps over it, a row or the bitmap ends before it): opaque black, the
// same whatever the colour table holds.
constexpr std::uint32_t UnsetPixel = 0xff000000;

// The part of a bitmap decoded, from its top-left corner.
struct BitmapPixels {
    int width = 0;
    int height = 0;
    bool alpha = false;              // the pixels carry alpha; otherwise every one is opaque
    std::vector<std::uint32_t> argb; // 0xAARRGGBB, width * height, rows from the top
};

// The bitmap in a file's bytes, no more of it than shownWidth x shownHeight
// from its top-left corner (however large its header says it is), or
// nothing when the bytes are not a complete bitmap of a kind listed above:
// a stream that ends early, a colour index past the colour table, an
// unknown depth or compression, a side of 0 or past MaxBitmapSide.
std::optional<BitmapPixels> decodeBitmap(std::span<const std::uint8_t> file, int shownWidth, int shownHeight);

// The bytes of the regular file at path, or nothing when it is missing,
// unreadable, no regular file (a pipe or a device is never opened, so never
// waited on), larger than MaxLetterFileBytes or longer than its size says.  The path goes to the
// system as the bytes it holds, whatever their encoding.
std::optional<std::vector<std::uint8_t>> readLetterFile(const std::filesystem::path& path);

} // namespace lexidrop::ui
