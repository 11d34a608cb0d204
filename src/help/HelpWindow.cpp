#include "help/HelpWindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QTabWidget>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace corvalet {

namespace {

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TUrlOpener DesktopUrlOpener() {
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

THelpWindow::THelpWindow(std::string helpFolder, TUrlOpener openUrl, QWidget* parent)
    : QWidget(parent, Qt::Window), HelpFolder(std::move(helpFolder)), OpenUrl(std::move(openUrl)) {
    setObjectName("HelpWindow");
    setWindowTitle("Corvalet Help");
    // Closing the help never ends the program, even when no other window is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    try {
        Catalogue = THelpCatalogue::Load(HelpFolder);
    } catch (const EHelpCatalogueError& error) {
        CatalogueError = QString::fromStdString(error.what());
    }
    BuildLayout();
    FillLists();
    resize(860, 560);
}

THelpWindow::~THelpWindow() = default;

void THelpWindow::BuildLayout() {
    ContentsList = new QListWidget;
    ContentsList->setObjectName("ContentsList");
    IndexEdit = new QLineEdit;
    IndexEdit->setObjectName("IndexEdit");
    IndexEdit->setPlaceholderText("Type a keyword");
    IndexList = new QListWidget;
    IndexList->setObjectName("IndexList");

    auto* indexPage = new QWidget;
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->addWidget(IndexEdit);
    indexLayout->addWidget(IndexList);

    Tabs = new QTabWidget;
    Tabs->setObjectName("HelpTabs");
    Tabs->addTab(ContentsList, "Contents");
    Tabs->addTab(indexPage, "Index");

    Browser = new QTextBrowser;
    Browser->setObjectName("HelpBrowser");
    Browser->setOpenLinks(false);
    Browser->setSearchPaths({ToQString(HelpFolder)});

    // Back, Forward and Home, as in any help or web browser.
    const auto makeButton = [this](const char* name, const QString& caption, QStyle::StandardPixmap icon) {
        auto* button = new QToolButton;
        button->setObjectName(name);
        button->setText(caption);
        button->setToolTip(caption);
        button->setIcon(style()->standardIcon(icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        return button;
    };
    BackButton = makeButton("BackButton", "Back", QStyle::SP_ArrowBack);
    ForwardButton = makeButton("ForwardButton", "Forward", QStyle::SP_ArrowForward);
    HomeButton = makeButton("HomeButton", "Home", QStyle::SP_DirHomeIcon);
    BackButton->setEnabled(false);
    ForwardButton->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(BackButton);
    buttons->addWidget(ForwardButton);
    buttons->addWidget(HomeButton);
    buttons->addStretch(1);
    auto* pageSide = new QWidget;
    auto* pageLayout = new QVBoxLayout(pageSide);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addLayout(buttons);
    pageLayout->addWidget(Browser);

    auto* splitter = new QSplitter;
    splitter->addWidget(Tabs);
    splitter->addWidget(pageSide);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);

    connect(ContentsList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowPage(item->data(Qt::UserRole).toString().toStdString()); });
    connect(ContentsList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ShowPage(item->data(Qt::UserRole).toString().toStdString()); });
    connect(IndexEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { PositionIndex(text.toStdString()); });
    connect(IndexEdit, &QLineEdit::returnPressed, this, [this] { OpenIndexEntry(IndexList->currentRow()); });
    connect(IndexList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenIndexEntry(IndexList->row(item)); });
    connect(Browser, &QTextBrowser::anchorClicked, this, &THelpWindow::FollowLink);
    connect(Browser, &QTextBrowser::sourceChanged, this, [this](const QUrl& source) {
        const QString title = Browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QString("Corvalet Help") : "Corvalet Help - " + title);
        FollowShownPage(source);
    });
    connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QWidget::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardButton, &QWidget::setEnabled);
    connect(BackButton, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(ForwardButton, &QToolButton::clicked, Browser, &QTextBrowser::forward);
    connect(HomeButton, &QToolButton::clicked, this, &THelpWindow::ShowDefaultTopic);
}

// Whatever brought a page up (a link, Back, Forward, a help request), the contents mark its topic
// and the index moves to an entry of that page unless it already stands on one.
void THelpWindow::FollowShownPage(const QUrl& source) {
    if (!source.isLocalFile() || !Catalogue)
        return;
    const QString file = QDir(ToQString(HelpFolder)).relativeFilePath(source.toLocalFile());
    ShownPage = (file + (source.hasFragment() ? "#" + source.fragment() : QString())).toStdString();
    const auto samePage = [&file](const std::string& page) {
        return ToQString(page).section('#', 0, 0) == file;
    };
    for (int row = 0; row < ContentsList->count(); ++row)
        if (samePage(ContentsList->item(row)->data(Qt::UserRole).toString().toStdString())) {
            ContentsList->setCurrentRow(row);
            break;
        }
    // An index request has put the index where it was asked to stand.
    if (PositioningIndex)
        return;
    const auto& index = Catalogue->Index();
    const int current = IndexList->currentRow();
    if (current >= 0 && static_cast<std::size_t>(current) < index.size() &&
        samePage(index[static_cast<std::size_t>(current)].Page))
        return;
    for (std::size_t entry = 0; entry < index.size(); ++entry)
        if (samePage(index[entry].Page)) {
            IndexList->setCurrentRow(static_cast<int>(entry));
            IndexList->scrollToItem(IndexList->currentItem(), QAbstractItemView::PositionAtCenter);
            break;
        }
}

void THelpWindow::FillLists() {
    if (!Catalogue)
        return;
    for (const auto& topic : Catalogue->Topics()) {
        auto* item = new QListWidgetItem(ToQString(topic.Title), ContentsList);
        item->setData(Qt::UserRole, ToQString(topic.Page));
    }
    for (const auto& entry : Catalogue->Index())
        IndexList->addItem(ToQString(entry.Keyword));
    // Wide enough for the longest title, so that no topic is cut off.
    const int listWidth = std::max(ContentsList->sizeHintForColumn(0), IndexList->sizeHintForColumn(0)) +
                          2 * ContentsList->frameWidth() + 24;
    Tabs->setMinimumWidth(listWidth);
}

void THelpWindow::Execute(const THTMLHelpCall& call) {
    switch (call.Command) {
    case EHTMLHelpCommand::DisplayTopic: {
        // A named topic or page is shown when the help has it; anything else shows the default topic.
        const std::string name = HelpDataText(call.Data);
        const THelpTopic* topic = Catalogue ? Catalogue->FindTopic(name) : nullptr;
        if (topic)
            ShowPage(topic->Page);
        else if (!name.empty() && Catalogue &&
                 QFileInfo(ToQString(HelpFolder + name).section('#', 0, 0)).isFile())
            ShowPage(name);
        else
            ShowDefaultTopic();
        break;
    }
    case EHTMLHelpCommand::DisplayTableOfContents:
        ShowTableOfContents();
        break;
    case EHTMLHelpCommand::DisplayIndex:
        ShowIndexPosition(HelpDataText(call.Data));
        break;
    case EHTMLHelpCommand::DisplayContext:
        ShowContext(HelpDataNumber(call.Data));
        break;
    case EHTMLHelpCommand::CloseAll:
        close();
        break;
    }
}

void THelpWindow::ShowDefaultTopic() {
    if (!Catalogue || !Catalogue->DefaultTopic()) {
        ShowMessage("Help is not available",
                    CatalogueError.isEmpty() ? "The help has no topics." : CatalogueError);
        return;
    }
    ShowPage(Catalogue->DefaultTopic()->Page);
}

void THelpWindow::ShowContext(std::uint32_t context) {
    if (!Catalogue) {
        ShowDefaultTopic(); // says why there is no help
        return;
    }
    const THelpTopic* topic = Catalogue->TopicForContext(context);
    if (!topic) {
        ShowMessage("Topic not found",
                    QString("The help has no topic for the context number %1.").arg(context));
        return;
    }
    ShowPage(topic->Page);
}

void THelpWindow::ShowIndexPosition(const std::string& keyword) {
    const QScopedValueRollback positioning(PositioningIndex, true);
    Tabs->setCurrentIndex(1);
    IndexEdit->setText(ToQString(keyword));
    PositionIndex(keyword);
    const int row = IndexList->currentRow();
    if (row >= 0 && Catalogue && Catalogue->IndexEntryCovers(static_cast<std::size_t>(row), keyword))
        OpenIndexEntry(row);
    else if (!AnythingShown)
        ShowDefaultTopic();
    else
        BringUp();
}

void THelpWindow::ShowTableOfContents() {
    Tabs->setCurrentIndex(0);
    if (!AnythingShown)
        ShowDefaultTopic();
    else
        BringUp();
}

void THelpWindow::ShowPage(const std::string& page) {
    const QString path = ToQString(HelpFolder) + ToQString(page).section('#', 0, 0);
    if (!QFileInfo(path).isFile()) {
        ShowMessage("Topic not found", QString("The help page %1 is missing.").arg(ToQString(page)));
        return;
    }
    QUrl url = QUrl::fromLocalFile(path);
    if (const QString anchor = ToQString(page).section('#', 1); !anchor.isEmpty())
        url.setFragment(anchor);
    Browser->setSource(url);
    ShownPage = page;
    AnythingShown = true;
    BringUp();
}

void THelpWindow::ShowMessage(const QString& title, const QString& text) {
    Browser->setHtml(QString("<h1>%1</h1><p>%2</p>").arg(title.toHtmlEscaped(), text.toHtmlEscaped()));
    ShownPage.clear();
    AnythingShown = true;
    BringUp();
}

void THelpWindow::BringUp() {
    show();
    raise();
    activateWindow();
}

void THelpWindow::FollowLink(const QUrl& link) {
    const QString shownFile = ToQString(ShownPage).section('#', 0, 0);
    const QUrl target = QUrl::fromLocalFile(ToQString(HelpFolder) + shownFile).resolved(link);
    if (target.isLocalFile()) {
        const QString relative = QDir(ToQString(HelpFolder)).relativeFilePath(target.toLocalFile());
        ShowPage((relative + (target.hasFragment() ? "#" + target.fragment() : QString())).toStdString());
    } else {
        OpenUrl(link);
    }
}

void THelpWindow::PositionIndex(const std::string& keyword) {
    const auto position = Catalogue ? Catalogue->IndexPosition(keyword) : std::nullopt;
    if (!position)
        return;
    IndexList->setCurrentRow(static_cast<int>(*position));
    IndexList->scrollToItem(IndexList->currentItem(), QAbstractItemView::PositionAtCenter);
}

void THelpWindow::OpenIndexEntry(int row) {
    if (!Catalogue || row < 0 || static_cast<std::size_t>(row) >= Catalogue->Index().size())
        return;
    ShowPage(Catalogue->Index()[static_cast<std::size_t>(row)].Page);
}

std::string THelpWindow::CurrentPage() const {
    return ShownPage;
}

std::string THelpWindow::CurrentIndexKeyword() const {
    const QListWidgetItem* item = IndexList->currentItem();
    return item ? item->text().toStdString() : std::string();
}

QString THelpWindow::ShownText() const {
    return Browser->toPlainText();
}

bool THelpWindow::IndexTabShown() const {
    return Tabs->currentIndex() == 1;
}

} // namespace corvalet
