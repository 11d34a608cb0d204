#include "app/ApplicationErrorHandler.h"

#include "AppFakes.h"
#include "log/Logger.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace corvalet {
namespace {

TEST(ApplicationErrorHandlerTest, BoxWhileVisibleFatalEntryWhileHidden) {
    test::TTempDir folder;
    test::TFakeClock clock{TDateTime{2026, 12, 9, 9, 7, 0, 0}};
    TFormatSettings formats{"MM/dd/yyyy", "HH:mm:ss"};
    TLogger logger{clock, formats};
    std::vector<std::string> lines;
    logger.SetLines(&lines);
    logger.SetFilePath(folder.File("Corvalet.log").string());
    logger.Kinds = ErrorLogKinds;
    test::TRecordingDialogs dialogs;
    bool visible = true;
    TApplicationErrorHandler handler{[&] { return visible; }, dialogs, logger, clock, formats};

    handler.HandleApplicationException(std::runtime_error("The sender's address may not be empty!"));
    EXPECT_EQ(dialogs.Shown, std::vector<std::string>{"Error: The sender's address may not be empty!"});
    EXPECT_EQ(lines.size(), 2u); // only the "created" header

    visible = false;
    handler.HandleApplicationException(std::runtime_error("Unable to write to /x/Corvalet.ini"));
    EXPECT_EQ(lines.back(), "FATAL ERROR: 12/09/2026 09:07:00 - Reason: Unable to write to /x/Corvalet.ini");
    EXPECT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(folder.Read("Corvalet.log").substr(folder.Read("Corvalet.log").size() - 2), "\r\n");
}

} // namespace
} // namespace corvalet
