#include "MainFormFixture.h"

#include "support/QtTestApplication.h"

#include <QHeaderView>
#include <QStyle>

#include <algorithm>

namespace corvalet::test {

QApplication& UiApplication() {
    return QtTestApplication();
}

void ExpectHeadingsWhole(const QTreeWidget& list, int firstColumn, const std::string& where) {
    const QHeaderView* heading = list.header();
    const int margin = heading->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, heading);
    const int mark = heading->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, heading) + margin;
    for (int column = firstColumn; column < list.columnCount(); ++column) {
        int needed = 0;
        for (const QString& line : list.headerItem()->text(column).split(QLatin1Char('\n')))
            needed = std::max(needed, heading->fontMetrics().horizontalAdvance(line));
        needed += 2 * margin;
        if (heading->isSortIndicatorShown() && heading->sortIndicatorSection() == column)
            needed += mark;
        EXPECT_GE(heading->sectionSize(column), needed)
            << "heading " << list.headerItem()->text(column).toStdString() << " cut " << where;
    }
}

TMainFormTest::TMainFormTest() : Settings(Folder.Folder(), Registry) {
    UiApplication();
    Recreate();
}

TMainFormTest::~TMainFormTest() = default;

void TMainFormTest::Recreate() {
    Form.reset();
    Form = std::make_unique<TMainForm>(TMainFormServices{Settings, Logger, Dialogs, Chooser, Formats, Clock,
                                                         [this](const std::exception& error) {
                                                             HandledErrors.emplace_back(error.what());
                                                             VisibleAtError.push_back(Form->isVisible());
                                                         },
                                                         Autostart.get()});
    Form->SettingsToControls();
    Form->PrepareEditingArea();
}

void TMainFormTest::ShowActive() {
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
}

} // namespace corvalet::test
