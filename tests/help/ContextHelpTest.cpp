#include "help/ContextHelp.h"

#include "help/HelpComponents.h"

#include "HelpTestDoubles.h"
#include "support/QtTestApplication.h"

#include <QGroupBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <gtest/gtest.h>

#include <memory>

namespace corvalet {
namespace {

// A viewer that records the requests the manager hands it.
class TRequestRecorder : public THelpViewer {
public:
    std::vector<std::string> Requests;

    std::string GetViewerName() const override { return "recorder"; }
    int UnderstandsKeyword(const std::string&) const override { return 1; }
    std::vector<std::string> GetHelpStrings(const std::string&) const override { return {}; }
    bool CanShowTableOfContents() const override { return true; }
    void ShowTableOfContents() override { Requests.push_back("contents"); }
    void ShowHelp(const std::string& keyword) override { Requests.push_back("keyword " + keyword); }
    void NotifyID(int) override {}
    void SoftShutDown() override {}
    void ShutDown() override {}
    bool UnderstandsTopic(const std::string&) const override { return true; }
    void DisplayTopic(const std::string& topic) override { Requests.push_back("topic " + topic); }
    bool UnderstandsContext(std::uint32_t, const std::string&) const override { return true; }
    void DisplayHelpByContext(std::uint32_t context, const std::string&) override {
        Requests.push_back("context " + std::to_string(context));
    }
};

template <typename T> T* Named(QWidget* parent, const char* name) {
    auto* widget = new T(parent);
    widget->setObjectName(name);
    if (parent->layout())
        parent->layout()->addWidget(widget);
    return widget;
}

// A stand-in for the configuration window with the real window's object names: the window, the page control that
// fills it, the four pages with a control or two each, and a button on the window itself.
class TStandInWindow {
public:
    std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
    QTabWidget* Pages = nullptr;

    TStandInWindow() {
        Window->setObjectName("MainForm");
        new QVBoxLayout(Window.get());
        Pages = Named<QTabWidget>(Window.get(), "PageControl");
        auto* general = AddPage("GeneralTabSheet", "General");
        Named<QLineEdit>(general, "SenderNameEdit");
        Named<QTreeWidget>(general, "RecipientsListView");
        Named<QLineEdit>(AddPage("MessageTabSheet", "Message"), "SubjectEdit");
        Named<QLineEdit>(AddPage("ConnectionTabSheet", "Connection"), "SMTPHostNameEdit");
        auto* group = Named<QGroupBox>(AddPage("LoggingTabSheet", "Logging"), "LogTypeRadioGroup");
        new QVBoxLayout(group);
        Named<QRadioButton>(group, "LogEverythingRadio");
        Named<QPushButton>(Window.get(), "OKButton");
    }

    QWidget* Find(const char* name) const { return Window->findChild<QWidget*>(name); }

    // Shows the page that holds the widget and gives the widget the focus.
    void Focus(QWidget* widget) const {
        for (QWidget* w = widget; w; w = w->parentWidget())
            if (Pages->indexOf(w) >= 0)
                Pages->setCurrentWidget(w);
        widget->setFocus();
    }

private:
    QWidget* AddPage(const char* name, const char* caption) {
        auto* page = new QWidget;
        page->setObjectName(name);
        new QVBoxLayout(page);
        Pages->addTab(page, caption);
        return page;
    }
};

class ContextHelpTest : public testing::Test {
protected:
    ContextHelpTest() {
        Manager.RegisterViewer(Recorder);
        InstallContextHelp(*Stand.Window, Manager);
        Stand.Window->show();
    }

    test::TQtApplicationFirst App;
    TRequestRecorder Recorder; // outlives the manager, which shuts its viewers down
    THelpManager Manager;
    TStandInWindow Stand;
};

TEST_F(ContextHelpTest, F1AsksForTheHelpOfTheFocusedElementOrTheFirstAroundIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"RecipientsListView", "keyword Recipients"},
        {"LogEverythingRadio", "context 1060"},
        {"LogTypeRadioGroup", "context 1060"},
        {"SenderNameEdit", "context 1030"},
        {"SubjectEdit", "context 1040"},
        {"SMTPHostNameEdit", "context 1050"},
        {"PageControl", "context 1020"},
        {"OKButton", "keyword OK"},
    };
    for (const auto& [name, request] : cases) {
        QWidget* widget = Stand.Find(name);
        ASSERT_NE(widget, nullptr) << name;
        Stand.Focus(widget);
        Recorder.Requests.clear();
        QTest::keyClick(widget, Qt::Key_F1);
        EXPECT_EQ(Recorder.Requests, std::vector<std::string>{request}) << name;
    }
}

TEST_F(ContextHelpTest, ContextHelpButtonAsksForTheElementClicked) {
    QWidget* list = Stand.Find("RecipientsListView");
    Stand.Focus(Stand.Find("SenderNameEdit"));
    QWidget* viewport = static_cast<QTreeWidget*>(list)->viewport();

    QHelpEvent query(QEvent::QueryWhatsThis, QPoint(2, 2), viewport->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(viewport, &query);
    EXPECT_TRUE(query.isAccepted()) << "the pointer shows that help is there";

    QHelpEvent click(QEvent::WhatsThis, QPoint(2, 2), viewport->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(viewport, &click);
    EXPECT_EQ(Recorder.Requests, std::vector<std::string>{"keyword Recipients"});
}

TEST_F(ContextHelpTest, OtherKeysAndOtherWindowsAreLeftAlone) {
    QWidget* edit = Stand.Find("SenderNameEdit");
    Stand.Focus(edit);
    QTest::keyClick(edit, Qt::Key_F1, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_F2);
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_EQ(static_cast<QLineEdit*>(edit)->text(), "a") << "typing still reaches the field";

    QLineEdit other;
    other.setObjectName("RecipientsListView");
    other.show();
    QTest::keyClick(&other, Qt::Key_F1);
    EXPECT_TRUE(Recorder.Requests.empty());
}

TEST_F(ContextHelpTest, ChainRunsFromTheWidgetToItsWindowWithScreenPositions) {
    QWidget* radio = Stand.Find("LogEverythingRadio");
    Stand.Focus(radio);
    const auto chain = WidgetHelpChain(radio);
    ASSERT_EQ(chain.size(), 6u) << "radio, group, page, stack, tabs, window";
    EXPECT_FALSE(chain[0].Info.HasHelp());
    EXPECT_EQ(chain[2].Info.Context, 1060u);
    const QPoint pageTopLeft = Stand.Find("LoggingTabSheet")->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(chain[2].ScreenLeft, pageTopLeft.x());
    EXPECT_EQ(chain[2].ScreenTop, pageTopLeft.y());
    EXPECT_EQ(chain.back().Info.Context, 1000u);
}

TEST_F(ContextHelpTest, ContextHelpModeFromTheButtonOrShiftF1) {
    EXPECT_TRUE(Stand.Window->windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
    QWidget* edit = Stand.Find("SenderNameEdit");
    Stand.Focus(edit);
    QTest::keyClick(edit, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    EXPECT_TRUE(Recorder.Requests.empty()) << "the help comes with the click";

    Stand.Focus(Stand.Find("SubjectEdit"));
    QTest::mouseClick(Stand.Find("SubjectEdit")->parentWidget(), Qt::LeftButton);
    EXPECT_EQ(Recorder.Requests, std::vector<std::string>{"context 1040"});
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
}

// F1 through the whole chain as the program wires it: the viewer positions pop-ups from the focused
// list, so the help display first shows the default topic, then the index at "Recipients".
TEST(ContextHelpChainTest, F1OnTheRecipientListReachesTheDisplay) {
    test::QtTestApplication();
    THelpManager manager;
    test::TRecordingDisplay display;
    TWidgetHelpFocus focus;
    THelpComponents components(manager, display, focus);
    TStandInWindow stand;
    InstallContextHelp(*stand.Window, manager);
    stand.Window->show();
    stand.Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(stand.Window.get()));
    QWidget* list = stand.Find("RecipientsListView");
    stand.Focus(list);
    ASSERT_EQ(QApplication::focusWidget(), list);

    QTest::keyClick(list, Qt::Key_F1);
    using enum EHTMLHelpCommand;
    EXPECT_EQ(display.Calls,
              (std::vector<THTMLHelpCall>{{DisplayTopic, 0u}, {DisplayIndex, std::string("Recipients")}}));
}

} // namespace
} // namespace corvalet
