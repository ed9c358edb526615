// A converter's console text held back until its entry may be shown: in memory up to a bound,
// beyond it in a temporary file, so that holding it costs the same memory whatever it amounts to.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

struct TemporaryFile;

class HeldText {
public:
    // The text kept in memory before the rest goes to a file.
    static constexpr std::size_t default_memory_bound = 1024 * 1024;
    // The size of the pieces written to the file and handed on from it.
    static constexpr std::size_t piece_size = 64 * 1024;

    // The default bound, with the file in the system's folder for temporary files.
    HeldText() = default;
    // directory is where the file goes, once one is needed; empty for the system's folder for
    // temporary files.
    explicit HeldText(std::size_t memory_bound, std::string directory = std::string());
    // Closes the file, if any, which removes it: text never handed on goes with it.
    ~HeldText();
    HeldText(HeldText&& other) noexcept;
    HeldText& operator=(HeldText&& other) noexcept;
    HeldText(const HeldText&) = delete;
    HeldText& operator=(const HeldText&) = delete;

    // Adds the bytes at the end. Once the text passes the memory bound it moves to a file; when
    // no file can be had, or the disk takes no more, the rest stays in memory, so nothing is
    // lost.
    void append(const char* text, std::size_t length);
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    // Whether part of the text lies in a file.
    bool in_file() const { return file_ != nullptr; }

    // Hands the whole text to sink in order: text held in memory alone in one piece, text in a
    // file in pieces of piece_size. Afterwards it holds nothing and its file is gone.
    void hand_on(const std::function<void(const std::string&)>& sink);

private:
    void release();
    // Writes what memory holds to the file; what the disk refuses stays in memory.
    void flush();

    std::size_t memory_bound_ = default_memory_bound;
    std::string directory_;
    std::string memory_;                // the text after what the file holds
    TemporaryFile* file_ = nullptr;
    std::size_t in_file_ = 0;           // bytes the file holds
    bool file_refused_ = false;         // no file could be made, or it took no more
    std::size_t size_ = 0;
};
