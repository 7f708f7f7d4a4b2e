#include "app/HtmlHelp.h"

#include "framework/looker/AppSlots.h"
#include "platform/ui/Wnd.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include <vector>

namespace {

korvel::HelpOpener& Opener()
{
    static korvel::HelpOpener opener;
    return opener;
}

std::vector<QPointer<QTextBrowser>>& Windows()
{
    static std::vector<QPointer<QTextBrowser>> windows;
    return windows;
}

struct Topic {
    DWORD_PTR id;
    const char* title;
    const char* body;
};

const Topic kTopics[] = {
    {0, "Korvel help",
     "<p>Korvel draws, imports and arranges the shapes of a cutting job.</p>"
     "<p>Right-click a tool bar to show or hide bars; right-click a ruler to choose the unit. Drag from a ruler "
     "into the drawing to place a guide line.</p>"},
    {1114, "Tool bars",
     "<p>Choose <b>Panel tool bars</b> for the tabbed bar or <b>Standard tool bars</b> for the classic bars. "
     "Tick a bar in the list to show it, untick it to hide it; the change takes effect at once.</p>"},
};

QString PageText(DWORD_PTR topic)
{
    QString title = QStringLiteral("Help topic %1").arg(topic);
    QString body = QStringLiteral("<p>This topic has no page of its own yet.</p>");
    for (const Topic& known : kTopics) {
        if (known.id == topic) {
            title = QString::fromUtf8(known.title);
            body = QString::fromUtf8(known.body);
        }
    }
    QString index = topic != 0 ? QStringLiteral("<p><a href=\"index.html\">Contents</a></p>") : QString();
    return QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body><h1>%1</h1>%2%3"
                          "</body></html>")
        .arg(title, body, index);
}

}  // namespace

namespace korvel {

void SetHelpOpener(HelpOpener opener) { Opener() = std::move(opener); }

QString HelpPagePath(DWORD_PTR topic)
{
    const QString folder = QDir(QString::fromWCharArray(gGetAppDataDir().GetString())).filePath(QStringLiteral("help"));
    if (!QDir().mkpath(folder)) return QString();
    const QString name = topic == 0 ? QStringLiteral("index.html") : QStringLiteral("topic-%1.html").arg(topic);
    const QString path = QDir(folder).filePath(name);
    // The pages are the program's own: rewritten each time, so that an update shows.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QString();
    file.write(PageText(topic).toUtf8());
    if (topic != 0) HelpPagePath(0);
    return path;
}

int HelpWindowCount()
{
    int count = 0;
    for (const QPointer<QTextBrowser>& window : Windows())
        if (!window.isNull()) ++count;
    return count;
}

}  // namespace korvel

BOOL HtmlHelp(CWnd*, UINT command, DWORD_PTR data)
{
    if (command == HH_CLOSE_ALL) {
        for (QPointer<QTextBrowser>& window : Windows())
            if (!window.isNull()) window->deleteLater();
        Windows().clear();
        return TRUE;
    }
    if (command != HH_DISPLAY_TOPIC && command != HH_HELP_CONTEXT) return FALSE;
    const QString path = korvel::HelpPagePath(command == HH_DISPLAY_TOPIC ? 0 : data);
    if (path.isEmpty()) return FALSE;
    const korvel::HelpOpener& opener = Opener();
    const bool opened = opener ? opener(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (opened) return TRUE;
    // No desktop handler: the program's own help window.
    auto* browser = new QTextBrowser;
    browser->setAttribute(Qt::WA_DeleteOnClose);
    browser->setOpenLinks(true);
    browser->setSearchPaths({QFileInfo(path).absolutePath()});
    browser->setSource(QUrl::fromLocalFile(path));
    browser->setWindowTitle(browser->documentTitle());
    browser->resize(560, 420);
    browser->show();
    Windows().emplace_back(browser);
    return TRUE;
}
