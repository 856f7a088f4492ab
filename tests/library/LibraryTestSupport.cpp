#include "LibraryTestSupport.h"

#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace calverine::test {

namespace fs = std::filesystem;

LibraryFixture::LibraryFixture() { fs::create_directory(root_); }

void LibraryFixture::put(const std::string& relative, const std::string& content) const {
    const fs::path file = relative.front() == '/' ? fs::path(relative) : fs::path(path(relative));
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

bool LibraryFixture::exists(const std::string& relative) const { return fs::exists(path(relative)); }

std::string LibraryFixture::read(const std::string& relative) const {
    std::ifstream in(relative.front() == '/' ? relative : path(relative), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void LibraryFixture::blockFavouritesWrites() const { put("Favourites.db.tmp-" + std::to_string(getpid()), ""); }

void LibraryFixture::unblockFavouritesWrites() const {
    fs::remove(path("Favourites.db.tmp-" + std::to_string(getpid())));
}

std::vector<std::string> LibraryFixture::tree() const {
    std::vector<std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(root_))
        all.push_back(fs::relative(e.path(), root_).string() + (e.is_directory() ? "/" : ""));
    std::sort(all.begin(), all.end());
    return all;
}

std::vector<std::string> names(const std::vector<LibraryEntry>& entries) {
    std::vector<std::string> out;
    for (const LibraryEntry& e : entries) out.push_back(e.name);
    return out;
}

LibraryEntry entryNamed(const std::vector<LibraryEntry>& entries, const std::string& fileName) {
    for (const LibraryEntry& e : entries)
        if (e.fileName == fileName) return e;
    ADD_FAILURE() << "no entry " << fileName;
    return {};
}

bool blockedOnFifo(const std::vector<std::string>& fifos, const std::function<void()>& act) {
    std::atomic<bool> done{false}, released{false};
    std::thread watchdog([&] {
        const auto start = std::chrono::steady_clock::now();
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) continue;
            for (const std::string& fifo : fifos) {
                // Opens only while a reader waits on it.
                const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd < 0) continue;
                released = true;
                close(fd);
            }
        }
    });
    act();
    done = true;
    watchdog.join();
    return released;
}

void writeZip(const std::string& file, const std::vector<std::pair<std::string, std::string>>& entries) {
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << "zip_open error " << error;
    for (const auto& [name, content] : entries) {
        if (!name.empty() && name.back() == '/') {
            ASSERT_GE(zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_UTF_8), 0);
            continue;
        }
        // The buffer must live until zip_close; libzip copies it when asked to free it.
        void* copy = std::malloc(content.size() + 1);
        std::copy(content.begin(), content.end(), static_cast<char*>(copy));
        zip_source_t* source = zip_source_buffer(archive, copy, content.size(), 1);
        ASSERT_NE(source, nullptr);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(archive), 0);
}

}  // namespace calverine::test
