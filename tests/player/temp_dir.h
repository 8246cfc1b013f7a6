#pragma once
// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class temp_dir {
public:
    temp_dir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "audio-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~temp_dir() { std::filesystem::remove_all(path_); }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

    void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        std::ofstream(path_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path path_;
};
