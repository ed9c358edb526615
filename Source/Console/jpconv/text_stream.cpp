// The text-mode translation of TextReader and TextWriter, done once per buffer fill and flush.
#include "text_stream.h"

#include <cstring>

namespace {
constexpr unsigned char cr = 0x0D;
constexpr unsigned char lf = 0x0A;
constexpr unsigned char end_of_file_mark = 0x1A;
}  // namespace

TextReader::TextReader(std::FILE* file, std::size_t chunk) : file_(file), chunk_(chunk ? chunk : 1) {
    // Layout: room for pushed-back bytes, one byte for a CR held over from the previous fill,
    // then the raw bytes of one read, which are translated in place towards the front.
    buffer_.reset(new unsigned char[pushback_capacity + 1 + chunk_]);
    pos_ = end_ = buffer_.get() + pushback_capacity;
}

TextReader::TextReader(const char* data, std::size_t size, std::size_t chunk)
    : TextReader(static_cast<std::FILE*>(nullptr), chunk < size ? chunk : size) {
    data_ = data;
    data_size_ = size;
}

std::size_t TextReader::read_raw(unsigned char* into, std::size_t size) {
    if (file_) {
        std::size_t n = std::fread(into, 1, size, file_);
        if (n < size && std::ferror(file_)) failed_ = true;
        return n;
    }
    std::size_t n = data_size_ - data_offset_;
    if (n > size) n = size;
    if (n) std::memcpy(into, data_ + data_offset_, n);
    data_offset_ += n;
    return n;
}

bool TextReader::rewind() {
    pos_ = end_ = buffer_.get() + pushback_capacity;
    pending_cr_ = false;
    at_end_ = false;
    failed_ = false;
    data_offset_ = 0;
    if (!file_) return true;
    std::clearerr(file_);
    return std::fseek(file_, 0, SEEK_SET) == 0;
}

bool TextReader::refill() {
    unsigned char* const start = buffer_.get() + pushback_capacity;
    unsigned char* out = start;
    // A fill can deliver nothing while the input goes on: a chunk of one CR is held over.
    while (out == start && !at_end_) {
        unsigned char* in = start + 1;
        std::size_t n = read_raw(in, chunk_);
        if (n == 0) at_end_ = true;
        if (const void* mark = std::memchr(in, end_of_file_mark, n)) {
            n = static_cast<const unsigned char*>(mark) - in;
            at_end_ = true;
        }
        unsigned char* const in_end = in + n;
        if (pending_cr_) {
            pending_cr_ = false;
            if (in < in_end && *in == lf) {
                *out++ = lf;
                ++in;
            } else {
                *out++ = cr;
            }
        }
        // Lines are moved down whole between the CRs. out never overtakes in: each delivered
        // byte stands for at least one raw byte, and a held-over CR uses the spare byte in front
        // of the raw ones.
        while (in < in_end) {
            auto* found = static_cast<unsigned char*>(std::memchr(in, cr, in_end - in));
            unsigned char* const line_end = found ? found : in_end;
            std::memmove(out, in, line_end - in);
            out += line_end - in;
            if (!found) break;
            in = found + 1;
            if (in == in_end) {
                // Whether this CR starts a CR LF pair is known only from the next read.
                if (at_end_) {
                    *out++ = cr;
                } else {
                    pending_cr_ = true;
                }
                break;
            }
            if (*in == lf) {
                *out++ = lf;
                ++in;
            } else {
                *out++ = cr;
            }
        }
    }
    pos_ = start;
    end_ = out;
    return pos_ < end_;
}

TextWriter::TextWriter(std::FILE* file, std::size_t chunk) : file_(file) {
    if (chunk < 2) chunk = 2;  // a put may store two bytes
    buffer_.reset(new unsigned char[chunk]);
    limit_ = chunk - 1;
}

TextWriter::TextWriter(std::string& text, std::size_t chunk)
    : TextWriter(static_cast<std::FILE*>(nullptr), chunk) {
    text_ = &text;
}

void TextWriter::write_buffer() {
    if (!used_) return;
    if (file_) {
        if (std::fwrite(buffer_.get(), 1, used_, file_) != used_) failed_ = true;
    } else if (text_) {
        text_->append(reinterpret_cast<const char*>(buffer_.get()), used_);
    }
    used_ = 0;
}

bool TextWriter::flush() {
    write_buffer();
    if (file_ && std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}
