// The INI reader and the settings load over any settings file: reading keeps every line as it came
// (the file is written back byte for byte), a value written reads back as written, and the load
// takes whatever the file holds without failing or growing without bound.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "settings/Configuration.h"
#include "settings/IniFile.h"
#include "settings/RecipientTexts.h"
#include "support/FakeRegistry.h"

using namespace corvalet;

namespace {

// A value as the program writes it: one line, without blanks around it (those are not kept).
std::string AsValue(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = '_';
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    while (!text.empty() && blank(text.front()))
        text.erase(0, 1);
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    return text;
}

const std::string& Folder() {
    static const std::string folder = [] {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("corvalet-fuzz-settings-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path.string() + "/";
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TIniFile ini(bytes);
    if (ini.Text() != bytes)
        std::abort();
    const std::string value = AsValue(bytes.substr(0, 200));
    ini.WriteString("Message", "Subject", value);
    if (ini.ReadString("Message", "Subject", "missing") != value)
        std::abort();

    test::TFakeRegistry registry;
    TConfiguration settings(Folder(), registry);
    // A plain write: the settings' own atomic save would flush to the disk at every run.
    std::FILE* file = std::fopen(settings.IniFilePath().c_str(), "wb");
    if (file == nullptr)
        return 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written)
        return 0;
    settings.LoadFromIni();
    if (settings.RecipientCount() > static_cast<int>(ini.LineCount()))
        std::abort();
    for (int i = 0; i < settings.RecipientCount(); ++i) {
        TTimeText time;
        (void)ParseTimeText(settings.RecipientTime(i), time);
        (void)ParseDistributionText(settings.RecipientDistribution(i));
        try {
            (void)ParseFrequencyText(settings.RecipientFrequency(i), TDateTime{2026, 12, 9}, TFormatSettings());
        } catch (const EConvertError&) {
        }
    }
    return 0;
}
