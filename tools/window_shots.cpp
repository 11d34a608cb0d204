// Shows the configuration window on a sample settings file and saves a picture of each page at the
// window's initial size and at its minimum size, so that anyone can look at the layout, and one of
// the General page in a wider window, where the recipient list has room for its Next mailing column.
//
//   window_shots [output folder]      (default: window-shots)
//
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM names another (xcb under Xvfb, say).
#include "log/Logger.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/FormatSettings.h"
#include "platform/Registry.h"
#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "ui/MainForm.h"
#include "ui/QtDialogs.h"
#include "ui/QtFileChooser.h"
#include "ui/RecipientListView.h"
#include "ui/GeneralPage.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>

#include <fstream>
#include <iostream>

namespace {

using namespace corvalet;

// No mail account: the sample file names everything.
class TNoRegistry final : public TRegistry {
public:
    std::unique_ptr<TRegistryKey> OpenKey(const std::string&) const override { return nullptr; }
};

const char* const SampleSettings = "[General]\r\n"
                                   "SenderName=Ann Example\r\n"
                                   "SenderAddress=ann@example.test\r\n"
                                   "RecipientCount=4\r\n"
                                   "RecipientAddress0=bob@example.test\r\n"
                                   "RecipientTime0=09 : 05\r\n"
                                   "RecipientEmailFreq0=Each Friday\r\n"
                                   "RecipientDistrMeth0=CC\r\n"
                                   "RecipientAddress1=carol@example.test, dave@example.test\r\n"
                                   "RecipientTime1=14 : 30\r\n"
                                   "RecipientEmailFreq1=Workdays only\r\n"
                                   "RecipientDistrMeth1=BCC\r\n"
                                   "RecipientAddress2=erin@example.test\r\n"
                                   "RecipientTime2=07 : 45\r\n"
                                   "RecipientEmailFreq2=Daily\r\n"
                                   "RecipientDistrMeth2=BCC\r\n"
                                   "RecipientAddress3=team@example.test\r\n"
                                   "RecipientTime3=18 : 00\r\n"
                                   "RecipientEmailFreq3=%MONTHLY%\r\n"
                                   "RecipientDistrMeth3=CC\r\n"
                                   "[Logging]\r\n"
                                   "Mechanism=2\r\n"
                                   "FileName=logs/Corvalet.log\r\n"
                                   "SizeIsLimited=1\r\n"
                                   "LogSizeLimit=10\r\n"
                                   "[Connection]\r\n"
                                   "SMTPHost=mail.example.test\r\n"
                                   "PortNumber=25\r\n"
                                   "TimeOut=4\r\n"
                                   "[Message]\r\n"
                                   "BodyFileName=/home/ann/letters/weekly-report.html\r\n"
                                   "Priority=2\r\n"
                                   "Subject=Weekly report\r\n"
                                   "Attachment=/home/ann/reports/figures.pdf\r\n"
                                   "ContentType=0\r\n";

// Pictures of the pages from `first` to `last`, or of all pages.
bool SaveShots(TMainForm& form, const QSize& size, const QString& folder, int first = 0, int last = -1) {
    form.resize(size);
    bool saved = true;
    if (last < 0)
        last = form.Pages()->count() - 1;
    for (int page = first; page <= last; ++page) {
        form.Pages()->setCurrentIndex(page);
        QApplication::processEvents();
        const QString name = QStringLiteral("%1/%2-%3x%4.png")
                                 .arg(folder, form.Pages()->tabText(page).toLower())
                                 .arg(form.width())
                                 .arg(form.height());
        if (form.grab().save(name)) {
            std::cout << name.toStdString() << '\n';
        } else {
            std::cerr << "cannot save " << name.toStdString() << '\n';
            saved = false;
        }
    }
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("window-shots");
    if (!QDir().mkpath(folder)) {
        std::cerr << "cannot create " << folder.toStdString() << '\n';
        return 1;
    }

    QTemporaryDir programFolder;
    const std::string program = programFolder.path().toStdString() + "/";
    const TFormatSettings formats = TFormatSettings::FromLocale();
    // The dated row is written in this user's date format, as the window would have stored it.
    std::string sample = SampleSettings;
    const std::string monthly = FormatFrequencyText(10, TDateTime{2026, 12, 1, 0, 0, 0, 0}, formats);
    sample.replace(sample.find("%MONTHLY%"), 9, monthly);
    std::ofstream(program + "Corvalet.ini", std::ios::binary) << sample;

    TNoRegistry registry;
    TConfiguration settings(program, registry);
    settings.LoadFromIni();
    TLogger logger(SystemClock(), formats);
    TQtDialogs dialogs;
    TQtFileChooser chooser;
    // The box shows the real entry's state; the pictures never press OK, so nothing is written.
    const TAutostartEntry autostart = TAutostartEntry::Current();
    TMainForm form(TMainFormServices{settings, logger, dialogs, chooser, formats, SystemClock(),
                                     [](const std::exception& error) { std::cerr << error.what() << '\n'; },
                                     &autostart});
    form.SettingsToControls();
    form.PrepareEditingArea();
    form.show();
    // Sorted, so the heading shows its sort mark; the last row carries a date, so the editing area
    // shows the date picker beside its frequency.
    form.GeneralPage()->List()->Sort();
    form.GeneralPage()->List()->SelectRow(3);

    const QSize initialSize = form.size();
    const bool initial = SaveShots(form, initialSize, folder);
    const bool minimum = SaveShots(form, form.minimumSize(), folder);
    const bool wide = SaveShots(form, QSize(760, initialSize.height()), folder, 0, 0);
    return initial && minimum && wide ? 0 : 1;
}
