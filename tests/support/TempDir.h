#pragma once

#include <filesystem>
#include <string>

namespace corvalet::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return Root; }
    // The folder as the program names folders: ending with "/".
    std::string Folder() const { return Root.string() + "/"; }
    std::filesystem::path File(const std::string& name) const { return Root / name; }

    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::filesystem::path Root;
};

} // namespace corvalet::test
