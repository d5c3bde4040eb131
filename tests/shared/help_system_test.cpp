#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/core/FileUri.h"
#include "platform/core/Files.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Window.h"
#include "shared/CHTMLWrite.h"
#include "shared/HelpSystem.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

using velmora::test::eventually;
using velmora::test::ModalScript;
using velmora::test::readText;
using velmora::test::ScopedEnv;
using velmora::test::TempFolder;
using velmora::test::Watchdog;
using velmora::test::writeText;
using namespace std::chrono_literals;

namespace {

const std::string kFramesetHead = "<HTML>\n"
                                  "<HEAD>\n"
                                  "  <TITLE>HTMLHelpSystem@VelmoraAudioEngine</TITLE>\n"
                                  "  <META NAME=\"generator\" CONTENT=\"CHTMLWrite\">\n"
                                  "</HEAD>\n\n";

std::string framesetFor(const std::string& topic)
{
    return kFramesetHead + "<FRAMESET COLS=\"200,*\" BORDER=\"0\" FRAMEBORDER=\"0\" FRAMESPACING=\"0\">\n" +
           "  <FRAME NAME=\"content\" SRC=\"~content.html\" SCROLLING=\"NO\">\n" +
           "  <FRAME NAME=\"topic\" SRC=\"" + topic + "\" SCROLLING=\"AUTO\">\n" + "</FRAMESET>\n\n" +
           "</HTML>\n";
}

// A help folder of the test's own, with one page of every kind the contents treat apart.
class HelpFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeText(page("alpha.html"),
                  "<HTML>\n<HEAD>\n  <TITLE>Alpha Topic</TITLE>\n</HEAD>\n<BODY></BODY>\n");
        writeText(page("beta.html"), "<html><head><title>Beta in lower case</title></head></html>\n");
        writeText(page("gamma.html"), "<HTML><HEAD>\n<TITLE>Gamma\nacross lines</TITLE>\n</HEAD></HTML>\n");
        writeText(page("delta.html"), "<HTML><BODY>No title at all</BODY></HTML>\n");
        writeText(page("Upper.HTML"), "<TITLE>Upper Case Name</TITLE>\n");
        writeText(page("~old.html"), "<TITLE>Generated Before</TITLE>\n");
        writeText(page("notes.txt"), "<TITLE>Not A Page</TITLE>\n");
        EXPECT_TRUE(plat::createFolder(page("folder.html")));
    }

    std::string page(const std::string& name) const { return help.file(name); }
    // The contents' link to a page of the folder.
    std::string link(const std::string& name, const std::string& text) const
    {
        return "<A HREF=\"file://" + page(name) + "\" TARGET=\"topic\">" + text + "</A><BR>\n";
    }

    TempFolder help;
};

// Runs the opener for the help in its own PATH: a script that notes what it was
// asked to open and answers with exitCode.
class FakeOpener {
public:
    explicit FakeOpener(int exitCode, const std::string& program = "xdg-open")
        : path_("PATH", bin_.path()), noted_(bin_.file("opened.txt"))
    {
        const std::string script = bin_.file(program);
        writeText(script, "#!/bin/sh\nprintf '%s' \"$1\" > '" + noted_ + "'\nexit " +
                              std::to_string(exitCode) + "\n");
        chmod(script.c_str(), 0755);
    }
    std::string opened() const { return readText(noted_); }

private:
    TempFolder bin_;
    ScopedEnv path_;
    std::string noted_;
};

// Answers the next message box with OK and notes its text and caption.
struct MessageBoxAnswer {
    MessageBoxAnswer()
    {
        script.then([this](plat::ui::WindowHandle box, int) {
            text = plat::ui::dlgItemText(box, 0xFFFF);
            caption = plat::ui::windowTitle(box);
            EXPECT_TRUE(plat::ui::pressDialogButton(box, plat::ui::kIdOk));
        });
    }
    ModalScript script;
    std::string text;
    std::string caption;
};

} // namespace

TEST_F(HelpFolder, ContentsListEveryPageByTitleOrFileNameAndFramesTheMainPage)
{
    ASSERT_TRUE(shared::writeHelpContents(help.path()));

    const std::string top = "<HTML>\n"
                            "<HEAD>\n"
                            "  <TITLE>Help Content</TITLE>\n"
                            "  <META NAME=\"generator\" CONTENT=\"CHTMLWrite\">\n"
                            "</HEAD>\n\n"
                            "<STYLE TYPE=\"text/css\">\n"
                            "td {font-size: 8pt; }\n"
                            "A:link {text-decoration: none; color: #0068D0;}\n"
                            "A:visited {text-decoration: none; color: 989868;}\n"
                            "A:active {text-decoration: none; color: #FF0000;}\n"
                            "A:hover {text-decoration: underline; color:#0068D0;}\n"
                            "</STYLE>\n\n"
                            "\n<BODY BGCOLOR=\"#000000\" TEXT=\"#FFFFFF\">\n"
                            "<FONT FACE=\"Verdana, Arial, Helvetica\" SIZE=\"1\">\n\n"
                            "<DIV ALIGN=\"CENTER\">\n"
                            "<IMG SRC=\"gfx/htmlhelp.gif\" BORDER=\"0\" ALT=\"help content\">\n"
                            "</DIV>\n"
                            "\n<BR>\n\n"
                            "<FONT COLOR=\"#FFFF00\"><B>Help Content</B></FONT><BR>\n"
                            "\n<BR>\n\n";
    const std::string bottom = "\n<BR>\n\n"
                               "</FONT>\n</BODY>\n"
                               "</HTML>\n";
    // Byte order: the upper-case name first; "~old.html", "notes.txt" and the folder are left out.
    const std::string expected = top + link("Upper.HTML", "Upper Case Name") +
                                 link("alpha.html", "Alpha Topic") + link("beta.html", "beta.html") +
                                 link("delta.html", "delta.html") +
                                 link("gamma.html", "Gamma\nacross lines") + bottom;
    EXPECT_EQ(readText(page("~content.html")), expected);
    EXPECT_EQ(readText(page("~index.html")), framesetFor("main.html"));

    // Built again, the contents leave out the pages generated the first time.
    ASSERT_TRUE(shared::writeHelpContents(help.path()));
    EXPECT_EQ(readText(page("~content.html")), expected);
}

TEST_F(HelpFolder, PagesGeneratedInAnotherFolderAddressThePicturePagesAndTopicByFileUri)
{
    TempFolder generated;
    FakeOpener opener(0);
    ASSERT_TRUE(shared::writeHelpContents(help.path(), generated.path()));
    EXPECT_TRUE(shared::showHelp(help.path(), "plevnt.html", 3, false, generated.path()));

    const std::string contents = readText(generated.file("~content.html"));
    EXPECT_NE(contents.find("<IMG SRC=\"file://" + page("gfx/htmlhelp.gif") + "\""), std::string::npos);
    EXPECT_NE(contents.find(link("alpha.html", "Alpha Topic")), std::string::npos);
    EXPECT_EQ(readText(generated.file("~index.html")), framesetFor("file://" + page("plevnt.html") + "#3"));
    EXPECT_EQ(opener.opened(), generated.file("~index.html"));
    EXPECT_FALSE(plat::fileExists(page("~content.html")));
    EXPECT_FALSE(plat::fileExists(page("~index.html")));
}

TEST(HelpContents, AnEmptyFolderGivesAContentsPageWithoutLinks)
{
    TempFolder help;
    ASSERT_TRUE(shared::writeHelpContents(help.path()));
    const std::string contents = readText(help.file("~content.html"));
    EXPECT_EQ(contents.find("<A HREF"), std::string::npos);
    EXPECT_NE(contents.find("<B>Help Content</B></FONT><BR>\n\n<BR>\n\n\n<BR>\n\n</FONT>\n"),
              std::string::npos);
    EXPECT_EQ(readText(help.file("~index.html")), framesetFor("main.html"));
}

TEST(HelpContents, ContentsThatCannotBeCreatedStopTheBuildBeforeTheFrameset)
{
    TempFolder help;
    EXPECT_TRUE(plat::createFolder(help.file("~content.html"))); // in the way of the page
    EXPECT_FALSE(shared::writeHelpContents(help.path()));
    EXPECT_FALSE(plat::fileExists(help.file("~index.html")));

    // Without a help folder nothing can be written at all.
    EXPECT_FALSE(shared::writeHelpContents(help.file("missing")));
    EXPECT_FALSE(plat::folderExists(help.file("missing")));
}

TEST(HelpContents, TheHelpFolderIsBesideTheProgram)
{
    EXPECT_EQ(shared::helpFolder(), plat::programFolder() + "/Help");
}

TEST(HelpTopic, NumberedAnchorsGetTheNumberSignAndTextAnchorsAreJoinedUnchanged)
{
    EXPECT_EQ(shared::helpTopic("plevnt.html", 3, false), "plevnt.html#3");
    EXPECT_EQ(shared::helpTopic("main.html", reinterpret_cast<intptr_t>("intro"), true), "main.htmlintro");
    EXPECT_EQ(shared::helpTopic("main.html", reinterpret_cast<intptr_t>("#intro"), true), "main.html#intro");
    EXPECT_EQ(shared::helpTopic("brolet.html", 0, false), "brolet.html");
    EXPECT_EQ(shared::helpTopic("brolet.html", 0, true), "brolet.html");
    EXPECT_EQ(shared::helpTopic("dorvik.html", -2, false), "dorvik.html#-2");
    // No page: the help opens at its main page.
    EXPECT_EQ(shared::helpTopic(nullptr, 0, false), "main.html");
    EXPECT_EQ(shared::helpTopic("", 4, false), "main.html#4");
}

TEST(HelpFrameset, TheTopicFrameShowsThePageWithItsAnchorAndSlashes)
{
    TempFolder help;
    ASSERT_TRUE(shared::writeHelpFrameset(help.path(), "plevnt.html#3"));
    EXPECT_EQ(readText(help.file("~index.html")), framesetFor("plevnt.html#3"));
    // The last request wins.
    ASSERT_TRUE(shared::writeHelpFrameset(help.path(), "topics\\mixing.html"));
    EXPECT_EQ(readText(help.file("~index.html")), framesetFor("topics/mixing.html"));
    EXPECT_FALSE(shared::writeHelpFrameset(help.file("missing"), "main.html"));
}

TEST(HelpRequest, WritesTheFramesetAndOpensIt)
{
    Watchdog watchdog(20s);
    TempFolder help;
    FakeOpener opener(0);
    EXPECT_TRUE(shared::showHelp(help.path(), "plevnt.html", 3, false));
    EXPECT_EQ(opener.opened(), help.file("~index.html"));
    EXPECT_EQ(readText(help.file("~index.html")), framesetFor("plevnt.html#3"));

    EXPECT_TRUE(shared::showHelp(help.path(), "main.html", reinterpret_cast<intptr_t>("#mixing"), true));
    EXPECT_EQ(readText(help.file("~index.html")), framesetFor("main.html#mixing"));
}

TEST(HelpRequest, AFramesetThatCannotBeRewrittenIsOpenedAsItIs)
{
    Watchdog watchdog(20s);
    TempFolder help;
    // Something that cannot be written as a page stands where the frameset goes.
    EXPECT_TRUE(plat::createFolder(help.file("~index.html")));
    FakeOpener opener(0);
    EXPECT_TRUE(shared::showHelp(help.path(), "brolet.html", 0, false));
    EXPECT_EQ(opener.opened(), help.file("~index.html"));
    EXPECT_TRUE(plat::folderExists(help.file("~index.html")));
}

TEST(HelpRequest, AFailedOpenIsToldInAMessageBox)
{
    Watchdog watchdog(20s);
    TempFolder help;
    {
        FakeOpener opener(2); // the opener's "file not found"
        MessageBoxAnswer answer;
        EXPECT_FALSE(shared::showHelp(help.path(), "main.html", 0, false));
        EXPECT_EQ(answer.text, "Failed to open ~index.html!\nThe specified file was not found.");
        EXPECT_EQ(answer.caption, "Velmora Audio Engine v0.1b");
    }
    {
        // No application for the type and no web browser: the text says
        // which file to open and what to install.
        FakeOpener opener(3);
        MessageBoxAnswer answer;
        EXPECT_FALSE(shared::showHelp(help.path(), "main.html", 0, false));
        EXPECT_EQ(answer.text, "Failed to open ~index.html!\nNo web browser was found to show the help (looked for "
                               "xdg-open, sensible-browser, x-www-browser, firefox, firefox-esr, chromium, "
                               "chromium-browser, google-chrome, epiphany-browser, konqueror, falkon).\n"
                               "Open this file in a web browser:\n" +
                                   help.file("~index.html") +
                                   "\nor install a web browser (for example the package firefox-esr or "
                                   "chromium) and xdg-utils.");
    }
    {
        // Without the desktop's opener, a browser on the PATH shows the page by its address.
        FakeOpener browser(0, "chromium");
        EXPECT_TRUE(shared::showHelp(help.path(), "main.html", 0, false));
        EXPECT_TRUE(eventually([&] { return browser.opened() == plat::fileUriOf(help.file("~index.html")); }));
    }
    {
        // No help folder: the frameset page is nowhere to be found.
        FakeOpener opener(0);
        MessageBoxAnswer answer;
        EXPECT_FALSE(shared::showHelp(help.file("missing"), "main.html", 0, false));
        EXPECT_EQ(answer.text, "Failed to open ~index.html!\nThe specified file was not found.");
        EXPECT_EQ(opener.opened(), "");
    }
}

TEST(HelpRequest, FailureTextsFollowTheShellResult)
{
    const std::string path = "/opt/velmora/Help/~index.html";
    EXPECT_EQ(shared::openFailureText(path, 3),
              "Failed to open ~index.html!\nThe specified file was not found.");
    EXPECT_EQ(shared::openFailureText(path, 5),
              "Failed to open ~index.html!Sharing violation or access denied.");
    EXPECT_EQ(shared::openFailureText(path, 26),
              "Failed to open ~index.html!Sharing violation or access denied.");
    EXPECT_EQ(shared::openFailureText(path, 27),
              "Failed to open ~index.html!\nNo application associated with this extension.");
    EXPECT_EQ(shared::openFailureText(path, 0), "Failed to open ~index.html!");
    EXPECT_EQ(shared::openFailureText(path, 8), "Failed to open ~index.html!");
}

TEST(HelpPages, EveryPageOfTheProgramFolderHasATitleAndThePictureIsAGif)
{
    const std::string folder = std::string(VELMORA_OUT_DIR) + "/Help";
    const std::vector<std::string> pages = shared::listHelpPages(folder);
    std::vector<std::string> names;
    shared::CHTMLWrite reader;
    for (const std::string& page : pages) {
        names.push_back(plat::fileNameOf(page));
        EXPECT_TRUE(reader.readTitle(page.c_str())) << page;
    }
    const std::vector<std::string> expected{"VelmoraUI.html", "brolet.html",    "dorvik.html",
                                            "fennet.html",    "main.html",      "plevnt.html",
                                            "reverb.html",    "velmoraeq.html", "velmorizer.html"};
    for (const std::string& name : expected)
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    EXPECT_EQ(readText(folder + "/gfx/htmlhelp.gif").substr(0, 6), "GIF89a");
}
