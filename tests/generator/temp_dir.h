#pragma once
#include <string>
#include <vector>

// A fresh directory under /tmp, removed with its contents on destruction.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& contents) const;

private:
    std::string path_;
};

std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
