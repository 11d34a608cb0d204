#include "log/ConfigureLogger.h"
#include "support/FakeClock.h"
#include "support/FakeRegistry.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvalet {
namespace {

using Lines = std::vector<std::string>;

TConfiguration Settings(const std::string& programFolder, std::uint8_t mechanism, const std::string& fileName,
                        bool sizeIsLimited, std::int32_t sizeLimit) {
    static const test::TFakeRegistry noAccount;
    TConfiguration settings(programFolder, noAccount);
    settings.LogMechanism = mechanism;
    settings.LogFileName = fileName;
    settings.LogSizeIsLimited = sizeIsLimited;
    settings.LogSizeLimit = sizeLimit;
    return settings;
}

TEST(ConfigureLoggerTest, FileNameIsTakenFromTheProgramFolderUnlessAbsolute) {
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"Corvalet.log", "/opt/corvalet/Corvalet.log"},
        {"logs/mail.log", "/opt/corvalet/logs/mail.log"},
        {"./logs/../mail.log", "/opt/corvalet/mail.log"},
        {"../x.log", "/opt/x.log"},
        {"../../../x.log", "/x.log"},
        {"/var/log/corvalet.log", "/var/log/corvalet.log"},
        {"/var/log/../corvalet.log", "/var/log/../corvalet.log"},
        {"", "/opt/corvalet/"}, // the folder itself: nothing is read or written there
    };
    for (const auto& c : cases)
        EXPECT_EQ(LogFilePath("/opt/corvalet/", c.name), c.path) << c.name;
}

TEST(ConfigureLoggerTest, MechanismChoosesOnOffAndKinds) {
    const struct {
        std::uint8_t mechanism;
        bool enabled;
        TLogKinds kinds;
    } cases[] = {
        {0, false, AllLogKinds}, {1, true, ErrorLogKinds}, {2, true, AllLogKinds}, {7, true, AllLogKinds}};
    test::TFakeClock clock;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mechanism));
        TLogger logger(clock, TFormatSettings("MM/dd/yyyy", "HH:mm:ss"));
        ConfigureLogger(logger, Settings("/opt/corvalet/", c.mechanism, "Corvalet.log", true, 4096));
        EXPECT_EQ(logger.Enabled, c.enabled);
        EXPECT_EQ(logger.Kinds, c.kinds);
        EXPECT_TRUE(logger.SizeIsLimited);
        EXPECT_EQ(logger.SizeLimitMb, 4096);
        EXPECT_EQ(logger.GetFilePath(), "/opt/corvalet/Corvalet.log");
    }
}

// Every OK in the window configures the writer again, which reads the file again: a log deleted
// meanwhile starts afresh with the "created" header.
TEST(ConfigureLoggerTest, ConfiguringAgainReadsTheFileAgain) {
    test::TTempDir dir;
    test::TFakeClock clock;
    TLogger logger(clock, TFormatSettings("MM/dd/yyyy", "HH:mm:ss"));
    Lines log;
    logger.SetLines(&log);
    const TConfiguration settings = Settings(dir.Folder(), 1, "Corvalet.log", false, 10);
    ConfigureLogger(logger, settings);
    logger.Log("sent", lkInformation);
    logger.Log("failed", lkError);
    EXPECT_EQ(dir.Read("Corvalet.log"),
              "Errors log created on 12/09/2026 09:05:00.\r\n\r\nERROR:       failed\r\n");

    std::filesystem::remove(dir.File("Corvalet.log"));
    clock.AdvanceMinutes(1);
    ConfigureLogger(logger, settings);
    EXPECT_EQ(log, (Lines{"Errors log created on 12/09/2026 09:06:00.", ""}));
}

} // namespace
} // namespace corvalet
