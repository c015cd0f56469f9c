#include "ui/bitmap_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <stdexcept>

namespace lexidrop::ui {

namespace {

// Compressions (biCompression).
constexpr std::uint32_t Plain = 0;
constexpr std::uint32_t RunLength8 = 1;
constexpr std::uint32_t RunLength4 = 2;
constexpr std::uint32_t BitFields = 3;
constexpr std::uint32_t AlphaBitFields = 6;

// Sizes of the info header, the first field after the file header.
constexpr std::uint32_t CoreHeader = 12; // OS/2: 16-bit sides, no compression
constexpr std::uint32_t InfoHeader = 40;
constexpr std::uint32_t V2Header = 52; // with red, green and blue masks
constexpr std::uint32_t V3Header = 56; // and an alpha mask
constexpr std::uint32_t V4Header = 108;
constexpr std::uint32_t V5Header = 124;

constexpr std::uint64_t FileHeader = 14; // "BM", file size, reserved, offset of the pixels
constexpr std::uint64_t MasksAt = FileHeader + InfoHeader; // in the larger headers, or just after the 40-byte one
constexpr std::uint32_t Opaque = 0xff000000;

// A file's bytes, read only through checks.  The decoder checks each range
// before it reads it; a read past the end all the same throws
// std::out_of_range, as .at() does, and the file gives no picture.
class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t size() const { return bytes_.size(); }
    // Whether count bytes from offset lie inside the file.
    bool holds(std::uint64_t offset, std::uint64_t count) const { return offset <= size() && count <= size() - offset; }

    std::uint32_t at(std::uint64_t offset) const
    {
        if (offset >= size()) {
            throw std::out_of_range("read past the end of a bitmap file");
        }
        return bytes_[static_cast<std::size_t>(offset)];
    }

    // The unsigned little-endian field of 1 to 4 bytes at offset.
    std::uint32_t field(std::uint64_t offset, int width) const
    {
        std::uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i) {
            value = (value << 8) | at(offset + static_cast<std::uint64_t>(i));
        }
        return value;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

// What the headers say, widened to 64 bits.
struct Header {
    std::uint32_t size = 0; // of the info header
    std::int64_t width = 0;
    std::int64_t height = 0; // rows, whichever way they run
    bool topDown = false;
    int depth = 0; // bits a pixel
    std::uint32_t compression = Plain;
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha, as far as the file gives them
    std::uint64_t tableAt = 0;            // the colour table, after the headers and masks
    std::uint64_t entryBytes = 4;         // a colour table entry: 3 bytes under the core header
    std::uint64_t coloursGiven = 0;       // biClrUsed: 0 is as many as the depth can index
    std::uint64_t pixelsAt = 0;           // bfOffBits
};

std::optional<Header> coreHeader(const Bytes& file)
{
    if (!file.holds(0, FileHeader + CoreHeader)) {
        return std::nullopt;
    }
    Header header;
    header.size = CoreHeader;
    header.width = file.field(18, 2);
    header.height = file.field(20, 2);
    header.depth = static_cast<int>(file.field(24, 2));
    header.tableAt = FileHeader + CoreHeader;
    header.entryBytes = 3;
    return header;
}

std::optional<Header> infoHeader(const Bytes& file, std::uint32_t size)
{
    if (!file.holds(0, FileHeader + InfoHeader)) {
        return std::nullopt;
    }
    Header header;
    header.size = size;
    header.width = static_cast<std::int32_t>(file.field(18, 4));
    const std::int64_t height = static_cast<std::int32_t>(file.field(22, 4)); // 64 bits: -INT32_MIN fits
    header.topDown = height < 0;
    header.height = height < 0 ? -height : height;
    header.depth = static_cast<int>(file.field(28, 2));
    header.compression = file.field(30, 4);
    header.coloursGiven = file.field(46, 4);
    // A 40-byte header is followed by its masks; the larger ones hold three (V2) or four.
    std::uint64_t masks = size >= V3Header ? 4 : size >= V2Header ? 3 : 0;
    std::uint64_t following = 0;
    if (size == InfoHeader && (header.compression == BitFields || header.compression == AlphaBitFields)) {
        masks = header.compression == BitFields ? 3 : 4;
        following = 4 * masks;
    }
    if (!file.holds(0, FileHeader + size + following)) {
        return std::nullopt;
    }
    for (std::uint64_t i = 0; i < masks; ++i) {
        header.masks.at(static_cast<std::size_t>(i)) = file.field(MasksAt + 4 * i, 4);
    }
    header.tableAt = FileHeader + size + following;
    return header;
}

std::optional<Header> readHeader(const Bytes& file)
{
    if (!file.holds(0, FileHeader + 4) || file.at(0) != 'B' || file.at(1) != 'M') {
        return std::nullopt;
    }
    const std::uint32_t size = file.field(FileHeader, 4);
    std::optional<Header> header;
    if (size == CoreHeader) {
        header = coreHeader(file);
    } else if (size == InfoHeader || size == V2Header || size == V3Header || size == V4Header || size == V5Header) {
        header = infoHeader(file, size);
    }
    if (header) {
        header->pixelsAt = file.field(10, 4);
    }
    return header;
}

// Whether the depth goes with the compression and the way the rows run.
bool knownKind(const Header& header)
{
    const int depth = header.depth;
    switch (header.compression) {
    case Plain:
        return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
    case RunLength8:
        return depth == 8 && !header.topDown;
    case RunLength4:
        return depth == 4 && !header.topDown;
    case BitFields:
    case AlphaBitFields:
        return depth == 16 || depth == 32;
    default:
        return false;
    }
}

bool wellFormed(const Header& header, const Bytes& file)
{
    const auto side = [](std::int64_t length) { return length >= 1 && length <= MaxBitmapSide; };
    return side(header.width) && side(header.height) && knownKind(header) && header.pixelsAt >= header.tableAt &&
           header.pixelsAt <= file.size();
}

// The colour table: the entries the header gives (all the depth can index
// when it gives 0), as far as they lie before the pixels.  Each is opaque:
// the fourth byte of an entry is reserved.
std::vector<std::uint32_t> colourTable(const Bytes& file, const Header& header)
{
    const std::uint64_t indexable = std::uint64_t{1} << header.depth;
    std::uint64_t entries = header.coloursGiven == 0 ? indexable : std::min(header.coloursGiven, indexable);
    entries = std::min(entries, (header.pixelsAt - header.tableAt) / header.entryBytes);
    std::vector<std::uint32_t> table;
    table.reserve(static_cast<std::size_t>(entries));
    for (std::uint64_t i = 0; i < entries; ++i) {
        table.push_back(Opaque | file.field(header.tableAt + i * header.entryBytes, 3)); // blue, green, red
    }
    return table;
}

// One channel of a 16- or 32-bit pixel: a run of set bits in its mask.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0; // 0: the channel is absent, and reads 0
};

std::optional<Channel> channel(std::uint32_t mask, int depth)
{
    if (mask == 0) {
        return Channel{};
    }
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const bool contiguous = std::uint64_t{mask >> shift} == (std::uint64_t{1} << bits) - 1;
    if (!contiguous || shift + bits > depth) {
        return std::nullopt;
    }
    return Channel{mask, shift, bits};
}

// A colour channel in 8 bits.  A narrower one is shifted up, as Qt's
// reader did, so that a picture looks as it always has (5-bit white is
// 248); a wider one keeps its top eight bits.
std::uint32_t level(std::uint32_t pixel, const Channel& channel)
{
    const std::uint32_t value = (pixel & channel.mask) >> channel.shift;
    if (channel.bits == 0) {
        return 0;
    }
    return channel.bits >= 8 ? value >> (channel.bits - 8) : value << (8 - channel.bits);
}

// Alpha in 8 bits, scaled to the full range: a 1-bit alpha of 1 is opaque.
std::uint32_t opacity(std::uint32_t pixel, const Channel& channel)
{
    const std::uint32_t value = (pixel & channel.mask) >> channel.shift;
    if (channel.bits >= 8) {
        return value >> (channel.bits - 8);
    }
    return value * 255 / ((1u << channel.bits) - 1);
}

// How a pixel's stored bits become a colour.
struct Format {
    int depth = 0;
    std::vector<std::uint32_t> table;  // depths 1, 4 and 8
    std::array<Channel, 4> channels{}; // red, green, blue, alpha: depths 16 and 32
    bool alpha = false;
};

// Without masks a 16-bit pixel is 5-5-5 and a 32-bit one 8-8-8, opaque
// unless a header of 56 bytes or more gives an alpha mask (as Qt reads
// the V4 and V5 headers).
std::array<std::uint32_t, 4> masksOf(const Header& header)
{
    if (header.compression == BitFields || header.compression == AlphaBitFields) {
        return header.masks;
    }
    if (header.depth == 16) {
        return {0x7c00, 0x03e0, 0x001f, 0};
    }
    return {0xff0000, 0x00ff00, 0x0000ff, header.masks.at(3)};
}

std::optional<Format> formatOf(const Bytes& file, const Header& header)
{
    Format format;
    format.depth = header.depth;
    if (header.depth <= 8) {
        format.table = colourTable(file, header);
        return format;
    }
    if (header.depth == 24) {
        return format;
    }
    const std::array<std::uint32_t, 4> masks = masksOf(header);
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const std::optional<Channel> read = channel(masks.at(i), header.depth);
        if (!read) {
            return std::nullopt;
        }
        format.channels.at(i) = *read;
    }
    format.alpha = format.channels.at(3).bits > 0;
    return format;
}

std::uint32_t colourOf(std::uint32_t pixel, const Format& format)
{
    const std::array<Channel, 4>& c = format.channels;
    const std::uint32_t alpha = format.alpha ? opacity(pixel, c.at(3)) : 0xff;
    return alpha << 24 | level(pixel, c.at(0)) << 16 | level(pixel, c.at(1)) << 8 | level(pixel, c.at(2));
}

// The part of the picture kept, every pixel set to fill until decoded.
class Canvas {
public:
    Canvas(std::int64_t width, std::int64_t height, std::uint32_t fill)
        : width_(width), height_(height), argb_(static_cast<std::size_t>(width * height), fill)
    {
    }

    std::int64_t width() const { return width_; }
    std::int64_t height() const { return height_; }
    bool keeps(std::int64_t row) const { return row >= 0 && row < height_; }

    // Sets the pixel at column x of the row counted from the top, if kept.
    void put(std::int64_t x, std::int64_t row, std::uint32_t colour)
    {
        if (x >= 0 && x < width_ && keeps(row)) {
            argb_.at(static_cast<std::size_t>(row * width_ + x)) = colour;
        }
    }

    std::vector<std::uint32_t> release() { return std::move(argb_); }

private:
    std::int64_t width_;
    std::int64_t height_;
    std::vector<std::uint32_t> argb_;
};

// --- Uncompressed rows ---

std::uint64_t rowBytes(const Header& header)
{
    return (static_cast<std::uint64_t>(header.width) * static_cast<std::uint64_t>(header.depth) + 31) / 32 * 4;
}

// The colour index of pixel x of a row of 1, 4 or 8 bits, leftmost pixel
// in the highest bits.
std::uint32_t storedIndex(const Bytes& file, std::uint64_t row, std::int64_t x, int depth)
{
    const std::uint64_t bit = static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(depth);
    const std::uint32_t byte = file.at(row + bit / 8);
    return (byte >> (8 - depth - static_cast<int>(bit % 8))) & ((1u << depth) - 1);
}

std::uint32_t storedPixel(const Bytes& file, std::uint64_t row, std::int64_t x, const Format& format)
{
    const auto column = static_cast<std::uint64_t>(x);
    switch (format.depth) {
    case 16:
        return colourOf(file.field(row + column * 2, 2), format);
    case 24:
        return Opaque | file.field(row + column * 3, 3); // blue, green, red
    case 32:
        return colourOf(file.field(row + column * 4, 4), format);
    default:
        return format.table.at(storedIndex(file, row, x, format.depth));
    }
}

// Whether every colour index of every row, shown or not, names an entry of
// the table: a picture is whole or refused, whatever part of it a tile shows.
bool indicesFit(const Bytes& file, const Header& header, const Format& format)
{
    if (header.depth > 8 || format.table.size() >= (std::size_t{1} << header.depth)) {
        return true;
    }
    const std::uint64_t stride = rowBytes(header);
    for (std::int64_t y = 0; y < header.height; ++y) {
        const std::uint64_t row = header.pixelsAt + static_cast<std::uint64_t>(y) * stride;
        for (std::int64_t x = 0; x < header.width; ++x) {
            if (storedIndex(file, row, x, header.depth) >= format.table.size()) {
                return false;
            }
        }
    }
    return true;
}

bool decodeRows(const Bytes& file, const Header& header, const Format& format, Canvas& out)
{
    const std::uint64_t stride = rowBytes(header);
    if (!file.holds(header.pixelsAt, stride * static_cast<std::uint64_t>(header.height)) ||
        !indicesFit(file, header, format)) {
        return false;
    }
    for (std::int64_t row = 0; row < out.height(); ++row) {
        const std::int64_t stored = header.topDown ? row : header.height - 1 - row;
        const std::uint64_t start = header.pixelsAt + static_cast<std::uint64_t>(stored) * stride;
        for (std::int64_t x = 0; x < out.width(); ++x) {
            out.put(x, row, storedPixel(file, start, x, format));
        }
    }
    return true;
}

// --- Run lengths ---

// A BI_RLE8 or BI_RLE4 stream, walked to its end-of-bitmap mark.  Every
// colour index is checked, shown or not; pixels that fall outside the
// picture (a run past a row's end, rows past the top) are dropped.
class RunDecoder {
public:
    RunDecoder(const Bytes& file, const Header& header, const Format& format, Canvas& out)
        : file_(file), header_(header), format_(format), out_(out), at_(header.pixelsAt)
    {
    }

    // Whether the stream is whole: it ends with its mark, every index in the table.
    bool decode()
    {
        for (;;) {
            if (!file_.holds(at_, 2)) {
                return false; // the stream ends without its end-of-bitmap mark
            }
            const std::uint32_t count = file_.at(at_);
            const std::uint32_t value = file_.at(at_ + 1);
            at_ += 2;
            bool read = true;
            if (count > 0) {
                read = repeat(count, value);
            } else if (value == 0) { // end of line
                x_ = 0;
                ++y_;
            } else if (value == 1) { // end of bitmap
                return true;
            } else {
                read = value == 2 ? move() : literal(value);
            }
            if (!read) {
                return false;
            }
        }
    }

private:
    // The stream counts rows from the bottom.
    std::int64_t row() const { return header_.height - 1 - y_; }

    std::optional<std::uint32_t> colour(std::uint32_t index) const
    {
        return index < format_.table.size() ? std::optional(format_.table.at(index)) : std::nullopt;
    }

    // count pixels, of one index at 8 bits, of the two nibbles in turn (high first) at 4.
    bool repeat(std::uint32_t count, std::uint32_t value)
    {
        const bool nibbles = header_.depth == 4;
        const std::optional<std::uint32_t> first = colour(nibbles ? value >> 4 : value);
        const std::optional<std::uint32_t> second = count > 1 ? colour(nibbles ? value & 0xf : value) : first;
        if (!first || !second) {
            return false;
        }
        if (out_.keeps(row())) {
            const std::int64_t end = std::min(x_ + count, out_.width());
            for (std::int64_t x = x_; x < end; ++x) {
                out_.put(x, row(), (x - x_) % 2 == 0 ? *first : *second);
            }
        }
        x_ += count;
        return true;
    }

    // count indices as they stand, padded to a 16-bit boundary.
    bool literal(std::uint32_t count)
    {
        const bool nibbles = header_.depth == 4;
        const std::uint64_t bytes = nibbles ? (count + 1) / 2 : count;
        if (!file_.holds(at_, bytes + bytes % 2)) {
            return false;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t byte = file_.at(at_ + (nibbles ? i / 2 : i));
            const std::optional<std::uint32_t> pixel = colour(!nibbles ? byte : i % 2 == 0 ? byte >> 4 : byte & 0xf);
            if (!pixel) {
                return false;
            }
            out_.put(x_ + i, row(), *pixel);
        }
        x_ += count;
        at_ += bytes + bytes % 2;
        return true;
    }

    // A delta: right and up by the next two bytes, the pixels passed left unset.
    bool move()
    {
        if (!file_.holds(at_, 2)) {
            return false;
        }
        x_ += file_.at(at_);
        y_ += file_.at(at_ + 1);
        at_ += 2;
        return true;
    }

    const Bytes& file_;
    const Header& header_;
    const Format& format_;
    Canvas& out_;
    std::uint64_t at_; // the next byte of the stream
    // The next pixel: each step moves it by at most 255 from a stream of at
    // most MaxLetterFileBytes, far inside 64 bits.
    std::int64_t x_ = 0;
    std::int64_t y_ = 0;
};

std::optional<BitmapPixels> decode(const Bytes& file, int shownWidth, int shownHeight)
{
    const std::optional<Header> header = readHeader(file);
    if (!header || !wellFormed(*header, file) || shownWidth < 1 || shownHeight < 1) {
        return std::nullopt;
    }
    const std::optional<Format> format = formatOf(file, *header);
    if (!format) {
        return std::nullopt;
    }
    const bool runs = header->compression == RunLength8 || header->compression == RunLength4;
    Canvas out(std::min<std::int64_t>(header->width, shownWidth), std::min<std::int64_t>(header->height, shownHeight),
               UnsetPixel);
    const bool whole = runs ? RunDecoder(file, *header, *format, out).decode() : decodeRows(file, *header, *format, out);
    if (!whole) {
        return std::nullopt;
    }
    return BitmapPixels{static_cast<int>(out.width()), static_cast<int>(out.height()), format->alpha, out.release()};
}

// --- Reading the file ---

bool acceptable(const struct stat& info) { return S_ISREG(info.st_mode) && info.st_size <= MaxLetterFileBytes; }

// The rest of an open file that says it holds `expected` bytes (no more
// than MaxLetterFileBytes), or nothing on a read error or once it reads on
// past that: such a file is being written, or is no file at all (those
// under /proc say they hold nothing and read on), and is not read further.
std::optional<std::vector<std::uint8_t>> readBounded(int fd, std::int64_t expected)
{
    const auto size = static_cast<std::size_t>(std::clamp<std::int64_t>(expected, 0, MaxLetterFileBytes));
    std::vector<std::uint8_t> bytes(size + 1); // a byte more, to tell a file that reads on
    std::size_t used = 0;
    while (used <= size) {
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got == 0) {
            bytes.resize(used);
            return bytes;
        }
        if (got < 0 && errno != EINTR) {
            return std::nullopt;
        }
        used += got > 0 ? static_cast<std::size_t>(got) : 0;
    }
    return std::nullopt;
}

} // namespace

std::optional<BitmapPixels> decodeBitmap(std::span<const std::uint8_t> file, int shownWidth, int shownHeight)
{
    try {
        return decode(Bytes(file), shownWidth, shownHeight);
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

std::optional<std::vector<std::uint8_t>> readLetterFile(const std::filesystem::path& path)
{
    // Examined before it is opened: opening a pipe to read waits for a
    // writer, and a file too large is refused without reading a byte.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !acceptable(info)) {
        return std::nullopt;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> bytes; // examined again: the name may have been replaced meanwhile
    if (::fstat(fd, &info) == 0 && acceptable(info)) {
        bytes = readBounded(fd, info.st_size);
    }
    ::close(fd);
    return bytes;
}

} // namespace lexidrop::ui
