// Console text held in memory, and beyond a bound in a temporary file.
#include "engine/held_text.h"

#include <utility>

#include "platform/platform.h"

HeldText::HeldText(std::size_t memory_bound, std::string directory)
    : memory_bound_(memory_bound), directory_(std::move(directory)) {}

HeldText::~HeldText() { release(); }

HeldText::HeldText(HeldText&& other) noexcept
    : memory_bound_(other.memory_bound_),
      directory_(std::move(other.directory_)),
      memory_(std::move(other.memory_)),
      file_(std::exchange(other.file_, nullptr)),
      in_file_(std::exchange(other.in_file_, 0)),
      file_refused_(other.file_refused_),
      size_(std::exchange(other.size_, 0)) {
    other.memory_.clear();
}

HeldText& HeldText::operator=(HeldText&& other) noexcept {
    if (this == &other) return *this;
    release();
    memory_bound_ = other.memory_bound_;
    directory_ = std::move(other.directory_);
    memory_ = std::move(other.memory_);
    other.memory_.clear();
    file_ = std::exchange(other.file_, nullptr);
    in_file_ = std::exchange(other.in_file_, 0);
    file_refused_ = other.file_refused_;
    size_ = std::exchange(other.size_, 0);
    return *this;
}

void HeldText::release() {
    close_temporary_file(file_);
    file_ = nullptr;
    in_file_ = 0;
    size_ = 0;
    // The memory goes too: a held text may have been large.
    std::string().swap(memory_);
}

void HeldText::append(const char* text, std::size_t length) {
    memory_.append(text, length);
    size_ += length;
    if (file_refused_) return;
    if (!file_) {
        if (memory_.size() <= memory_bound_) return;
        file_ = create_temporary_file(directory_.empty() ? temporary_directory() : directory_);
        if (!file_) {
            file_refused_ = true;
            return;
        }
        flush();
        return;
    }
    // Once there is a file, memory only gathers a piece for it.
    if (memory_.size() >= piece_size) flush();
}

void HeldText::flush() {
    if (!file_ || memory_.empty()) return;
    const std::size_t written = write_temporary_file(*file_, memory_.data(), memory_.size());
    in_file_ += written;
    if (written < memory_.size()) file_refused_ = true;
    memory_.erase(0, written);
    // The bound's worth of text that went to the file at first is not kept allocated.
    if (memory_.capacity() > 2 * piece_size) memory_.shrink_to_fit();
}

void HeldText::hand_on(const std::function<void(const std::string&)>& sink) {
    if (file_) {
        std::string piece(piece_size, '\0');
        std::size_t left = in_file_;
        while (left > 0) {
            const std::size_t count = read_temporary_file(*file_, &piece[0], piece.size());
            if (count == 0) break;
            const std::size_t used = count < left ? count : left;
            sink(std::string(piece, 0, used));
            left -= used;
        }
    }
    if (!memory_.empty()) sink(memory_);
    release();
}
