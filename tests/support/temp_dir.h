#pragma once
// A fresh directory under /tmp for one test, removed with everything in it
// when the object goes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

class temp_dir {
public:
    temp_dir()
    {
        char pattern[] = "/tmp/keytones-test-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~temp_dir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    void write(const std::string& name, const std::string& contents) const
    {
        std::ofstream(file(name), std::ios::binary) << contents;
    }
    void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        write(name, std::string(bytes.begin(), bytes.end()));
    }

private:
    std::string path_;
};

inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

inline bool file_exists(const std::string& path)
{
    return std::filesystem::exists(path);
}
