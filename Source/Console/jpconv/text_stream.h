// Buffered byte streams over a file or memory, with the Windows text-mode line-end rules done by
// hand so that a converted file has the same bytes on every platform.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

// Reads a file or a block of memory one byte at a time, as a Windows text-mode stream delivers it:
// each CR LF pair comes out as one LF, a CR not followed by LF comes out unchanged, and the byte
// 0x1A ends the input (neither it nor anything after it is delivered).
class TextReader {
public:
    static constexpr std::size_t default_chunk = 128 * 1024;
    // How many pushed-back bytes may wait to be read again.
    static constexpr std::size_t pushback_capacity = 4;

    // Reads from an open file from its current position; the caller keeps ownership of the file.
    explicit TextReader(std::FILE* file, std::size_t chunk = default_chunk);
    // Reads the bytes [data, data + size), which must outlive the reader. A small chunk makes the
    // reader refill often, which tests use to cross every buffer boundary; the buffer is never
    // larger than the data needs.
    TextReader(const char* data, std::size_t size, std::size_t chunk = default_chunk);
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // The next byte (0-255), or -1 at the end of the input; stays -1 once the end is reached.
    int get() {
        if (pos_ < end_) return *pos_++;
        return refill() ? *pos_++ : -1;
    }
    // Makes byte the next one get() returns. At most pushback_capacity pushed-back bytes may wait
    // to be read again at any time; they come back in the reverse order of pushing, so pushing
    // back the last two bytes read, the later one first, restores the input as it stood.
    void unget(int byte) { *--pos_ = static_cast<unsigned char>(byte); }

    // Starts again from byte 0 of the input: drops what is buffered or pushed back and clears the
    // end and error states. False when the file cannot be repositioned.
    bool rewind();
    // True once reading the file has failed; a failed read also ends the input.
    bool failed() const { return failed_; }

private:
    bool refill();
    std::size_t read_raw(unsigned char* into, std::size_t size);

    std::FILE* file_ = nullptr;
    const char* data_ = nullptr;
    std::size_t data_size_ = 0;
    std::size_t data_offset_ = 0;
    std::size_t chunk_;
    std::unique_ptr<unsigned char[]> buffer_;
    unsigned char* pos_;
    unsigned char* end_;
    bool pending_cr_ = false;  // the last raw byte read was a CR whose partner is not known yet
    bool at_end_ = false;      // no raw byte will be read any more
    bool failed_ = false;
};

// Writes one byte at a time to a file or a string, as a Windows text-mode stream stores it: each
// LF is stored as CR LF, every other byte unchanged. Bytes are buffered until flush() or
// destruction.
class TextWriter {
public:
    static constexpr std::size_t default_chunk = 128 * 1024;

    // Writes to an open file; the caller keeps ownership and closes it after flush().
    explicit TextWriter(std::FILE* file, std::size_t chunk = default_chunk);
    // Appends to text, which must outlive the writer.
    explicit TextWriter(std::string& text, std::size_t chunk = 4096);
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;
    // Hands over what is still buffered; the file must still be open if anything is.
    ~TextWriter() { write_buffer(); }

    // Writes the low eight bits of byte.
    void put(int byte) {
        if (used_ >= limit_) write_buffer();
        const auto stored = static_cast<unsigned char>(byte);
        if (stored == '\n') buffer_[used_++] = '\r';
        buffer_[used_++] = stored;
    }
    // Hands the buffered bytes to the file or string and flushes the file. False when the file
    // reported an error, now or at any earlier write.
    bool flush();
    bool failed() const { return failed_; }

private:
    void write_buffer();

    std::FILE* file_ = nullptr;
    std::string* text_ = nullptr;
    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t used_ = 0;
    std::size_t limit_;
    bool failed_ = false;
};
