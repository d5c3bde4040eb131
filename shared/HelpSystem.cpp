#include "shared/HelpSystem.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/core/FileUri.h"
#include "platform/core/Files.h"
#include "platform/core/Module.h"
#include "platform/core/Notice.h"
#include "platform/core/Shell.h"
#include "platform/core/UserFolders.h"
#include "platform/ui/MessageBox.h"
#include "shared/CHTMLWrite.h"
#include "shared/Services.h"
#include "zkr/FileHelpers.h"
#include "zkr/List.h"
#include "zkr/Product.h"
#include "zkr/ShellFailureText.h"
#include "zkr/Text.h"

namespace shared {

namespace {

constexpr const char* kHelpFolderName = "Help";
constexpr const char* kContentsTitle = "Help Content";
constexpr const char* kFramesetTitle = "HTMLHelpSystem@VelmoraAudioEngine";
constexpr const char* kContentsPicture = "gfx/htmlhelp.gif";
constexpr const char* kContentsPictureText = "help content";
constexpr const char* kContentsFrame = "content";
constexpr const char* kTopicFrame = "topic";

// Any thread may ask for help: the generated pages are written by one at a
// time. Function-local, because the library's load hook may run before this
// file's globals are made.
std::recursive_mutex& pagesMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

bool gContentsBuilt = false; // guarded by pagesMutex

void fillFrame(FrameRecord& frame, const std::string& source, const char* name, const char* size,
               bool scrolling)
{
    zkr::copyText(frame.source, source.c_str());
    zkr::copyText(frame.name, name);
    zkr::copyText(frame.size, size);
    frame.scrolling = scrolling;
}

// The folder the generated pages go to.
const std::string& pagesFolderOf(const std::string& folder, const std::string& generated)
{
    return generated.empty() ? folder : generated;
}

// How a generated page in generated addresses relative (a path in folder,
// perhaps with an anchor): as it is beside the pages, else by file URI.
std::string addressFrom(const std::string& folder, const std::string& generated, const std::string& relative)
{
    if (generated.empty() || generated == folder)
        return relative;
    const size_t anchor = relative.find('#');
    const std::string path = relative.substr(0, anchor);
    return plat::fileUriOf(plat::joinPath(folder, path)) +
           (anchor == std::string::npos ? std::string() : relative.substr(anchor));
}

} // namespace

const std::string& generatedHelpFolder()
{
    static const std::string folder = [] {
        if (plat::programMayWriteIn(helpFolder()))
            return helpFolder();
        const std::string cached = plat::joinPath(plat::cacheFolder(), kHelpFolderName);
        std::error_code error;
        std::filesystem::create_directories(cached, error);
        return cached;
    }();
    return folder;
}

const std::string& helpFolder()
{
    static const std::string folder = plat::joinPath(plat::programFolder(), kHelpFolderName);
    return folder;
}

std::vector<std::string> listHelpPages(const std::string& folder)
{
    std::vector<std::string> pages;
    for (std::string& path : zkr::listFiles(plat::joinPath(folder, "*.html"), true)) {
        // Generated pages are never listed.
        if (plat::fileNameOf(path).find('~') == std::string::npos)
            pages.push_back(std::move(path));
    }
    return pages;
}

bool writeHelpContents(const std::string& folder, const std::string& generated)
{
    std::lock_guard lock(pagesMutex());
    const std::vector<std::string> pages = listHelpPages(folder);

    CHTMLWrite page;
    if (page.attach(plat::joinPath(pagesFolderOf(folder, generated), kContentsPage).c_str(), 0) != 0)
        return false;
    page.head(kContentsTitle, true);
    page.body();
    page.image(addressFrom(folder, generated, kContentsPicture).c_str(), kContentsPictureText, true);
    page.breaks(1);
    page.heading(kContentsTitle, false);
    page.breaks(1);
    if (!pages.empty())
        page.links(pages, kTopicFrame, true, true);
    page.breaks(1);
    page.bodyEnd();
    page.end();
    (void)page.detach();
    if (page.writeFailed())
        return false;

    return writeHelpFrameset(folder, kMainPage, generated);
}

bool writeHelpFrameset(const std::string& folder, const std::string& topic, const std::string& generated)
{
    std::lock_guard lock(pagesMutex());
    CHTMLWrite page;
    if (page.attach(plat::joinPath(pagesFolderOf(folder, generated), kFramesetPage).c_str(), 0) != 0)
        return false;
    page.head(kFramesetTitle, false);

    std::string relative = topic;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::string source = addressFrom(folder, generated, relative);
    std::vector<FrameRecord> frames(2);
    fillFrame(frames[0], kContentsPage, kContentsFrame, "200", false);
    fillFrame(frames[1], source, kTopicFrame, "*", true);
    page.frameset(false, frames);

    page.end();
    (void)page.detach();
    return !page.writeFailed();
}

std::string helpTopic(const char* page, intptr_t anchor, bool anchorIsText)
{
    std::string anchorText;
    if (anchorIsText) {
        if (anchor != 0)
            anchorText = reinterpret_cast<const char*>(anchor);
    } else if (anchor != 0) {
        anchorText = "#" + std::to_string(static_cast<int>(anchor));
    }
    // A request without a page opens the help at its main page.
    const std::string topic = page != nullptr && page[0] != '\0' ? page : kMainPage;
    return topic + anchorText;
}

bool showHelp(const std::string& folder, const char* page, intptr_t anchor, bool anchorIsText,
              const std::string& generated)
{
    // When the frameset page cannot be rewritten, the one already there is opened.
    writeHelpFrameset(folder, helpTopic(page, anchor, anchorIsText), generated);
    return openHelpDocument(plat::joinPath(pagesFolderOf(folder, generated), kFramesetPage));
}

std::string openFailureText(const std::string& path, int shellResult, const std::string& lookedFor)
{
    return zkr::webPageFailureText(plat::fileNameOf(path), path, shellResult, lookedFor, "the help");
}

bool openHelpDocument(const std::string& path)
{
    std::string lookedFor;
    const int result = plat::openWebPage(path, lookedFor);
    if (result > 32)
        return true;
    (void)plat::ui::messageBox(nullptr, openFailureText(path, result, lookedFor).c_str(), zkr::kProductTitle,
                               plat::kNoticeFailure);
    return false;
}

void buildHelpContents()
{
    std::lock_guard lock(pagesMutex());
    if (gContentsBuilt)
        return;
    gContentsBuilt = writeHelpContents(helpFolder(), generatedHelpFolder());
}

bool handleZKRHelp(const char* page, intptr_t anchor, bool anchorIsText)
{
    return showHelp(helpFolder(), page, anchor, anchorIsText, generatedHelpFolder());
}

} // namespace shared
