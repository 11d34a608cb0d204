#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace corvalet::test {

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvalet-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    Root = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    std::filesystem::permissions(Root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(Root, ignored);
}

void TTempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + File(name).string());
}

std::string TTempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + File(name).string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace corvalet::test
