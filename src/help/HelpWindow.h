#pragma once

#include "help/HelpCatalogue.h"
#include "help/HelpCommands.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QToolButton;
class QUrl;

namespace corvalet {

// Opens a link that leads out of the help pages (a web page); the program passes the desktop's
// default browser, tests a recorder.
using TUrlOpener = std::function<void(const QUrl&)>;
TUrlOpener DesktopUrlOpener();

// The help window: the help pages with their contents and keyword index beside them. It carries
// out the help display's commands: the default topic, a topic by context number, an index position
// by keyword, the contents, and closing.
class THelpWindow : public QWidget, public THelpDisplay {
    Q_OBJECT
public:
    // `helpFolder` holds the pages and their catalogue; it ends with "/".
    explicit THelpWindow(std::string helpFolder, TUrlOpener openUrl = DesktopUrlOpener(),
                         QWidget* parent = nullptr);
    ~THelpWindow() override;

    void Execute(const THTMLHelpCall& call) override;

    void ShowDefaultTopic();
    void ShowContext(std::uint32_t context);
    void ShowIndexPosition(const std::string& keyword);
    void ShowTableOfContents();
    // Shows a page of the help folder ("logging.html", optionally with "#anchor").
    void ShowPage(const std::string& page);

    // The page on show, relative to the help folder (with its anchor); empty when a message shows.
    std::string CurrentPage() const;
    // The keyword of the index entry where the index stands; empty when none.
    std::string CurrentIndexKeyword() const;
    // The text on show, as plain text.
    QString ShownText() const;
    bool IndexTabShown() const;

private:
    std::string HelpFolder;
    TUrlOpener OpenUrl;
    std::optional<THelpCatalogue> Catalogue;
    QString CatalogueError;
    QTabWidget* Tabs = nullptr;
    QListWidget* ContentsList = nullptr;
    QLineEdit* IndexEdit = nullptr;
    QListWidget* IndexList = nullptr;
    QTextBrowser* Browser = nullptr;
    QToolButton* BackButton = nullptr;
    QToolButton* ForwardButton = nullptr;
    QToolButton* HomeButton = nullptr;
    std::string ShownPage;
    bool AnythingShown = false;
    bool PositioningIndex = false;

    void BuildLayout();
    void FillLists();
    void ShowMessage(const QString& title, const QString& text);
    void BringUp();
    void FollowLink(const QUrl& link);
    void FollowShownPage(const QUrl& source);
    void PositionIndex(const std::string& keyword);
    void OpenIndexEntry(int row);
};

} // namespace corvalet
