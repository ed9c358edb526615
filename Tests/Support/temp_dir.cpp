// Temporary directories and whole-file helpers for tests.
#include "Support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "Common/wide_text.h"

namespace fs = std::filesystem;

namespace test_support {

#ifdef _WIN32
constexpr char separator = '\\';
#else
constexpr char separator = '/';
#endif

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (;;) {
        std::ostringstream name;
        name << "brelo-test-" << random() << "-" << counter++;
        fs::path candidate = fs::temp_directory_path() / name.str();
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate.string();
            break;
        }
    }
    while (!path_.empty() && (path_.back() == '/' || path_.back() == '\\')) path_.pop_back();
}

TempDir::~TempDir() {
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto& entry : fs::recursive_directory_iterator(path_, error))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
}

std::string TempDir::file(const std::string& name) const { return path_ + separator + name; }

fs::path native_path(const std::string& path) {
#ifdef _WIN32
    return fs::path(utf8_to_wide(path));
#else
    return fs::path(path);
#endif
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(native_path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path) {
    std::ifstream in(native_path(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool file_exists(const std::string& path) {
    std::error_code error;
    return fs::exists(native_path(path), error);
}

namespace {

std::string utf8_name(const fs::path& path) {
#ifdef _WIN32
    return wide_to_utf8(path.generic_wstring());
#else
    return path.generic_string();
#endif
}

}  // namespace

std::vector<std::string> names_in(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(native_path(dir), error), end; !error && it != end;
         it.increment(error)) {
        names.push_back(utf8_name(it->path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> tree_of(const std::string& dir) {
    std::map<std::string, std::string> files;
    const fs::path top = native_path(dir);
    std::error_code error;
    for (fs::recursive_directory_iterator it(top, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = utf8_name(it->path().lexically_relative(top));
        if (it->is_directory()) {
            files[name + "/"] = "";
        } else {
            std::ifstream in(it->path(), std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            files[name] = content.str();
        }
    }
    return files;
}

}  // namespace test_support
