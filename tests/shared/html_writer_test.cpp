#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/Protocol.h"
#include "shared/CHTMLWrite.h"
#include "support/FileText.h"
#include "support/TempFolder.h"
#include "zkr/ClassKinds.h"

using shared::CHTMLWrite;
using shared::FrameRecord;
using velmora::test::readText;
using velmora::test::TempFolder;
using velmora::test::writeText;

namespace {

FrameRecord frame(const char* source, const char* name, const char* size, bool scrolling)
{
    FrameRecord record;
    snprintf(record.source, sizeof record.source, "%s", source);
    snprintf(record.name, sizeof record.name, "%s", name);
    snprintf(record.size, sizeof record.size, "%s", size);
    record.scrolling = scrolling;
    return record;
}

} // namespace

TEST(HtmlWriter, AttachEmptiesThePageAndDetachClosesIt)
{
    TempFolder folder;
    const std::string path = folder.file("page.html");
    writeText(path, "an older and much longer page\n");
    CHTMLWrite page;
    EXPECT_EQ(page.kind, zkr::kKindResource);
    ASSERT_EQ(page.attach(path.c_str(), 0), 0);
    page.end();
    EXPECT_EQ(page.detach(), 0);
    EXPECT_EQ(page.file, nullptr);
    EXPECT_EQ(readText(path), "</HTML>\n");

    EXPECT_EQ(page.attach(folder.file("missing/page.html").c_str(), 0),
              toWire(engine::Error::CannotUseResource));
    EXPECT_FALSE(page.attached);
}

TEST(HtmlWriter, PiecesHaveTheirExactTexts)
{
    TempFolder folder;
    const std::string path = folder.file("pieces.html");
    {
        CHTMLWrite page;
        ASSERT_EQ(page.attach(path.c_str(), 0), 0);
        page.head("Plain", false);
        page.body();
        page.image("a.gif", "picture", false);
        page.heading("Large", true);
        page.heading("Small", false);
        page.breaks(0);
        page.breaks(2);
        page.bodyEnd();
        page.end();
        // The destructor closes the page.
    }
    EXPECT_EQ(readText(path), "<HTML>\n<HEAD>\n  <TITLE>Plain</TITLE>\n"
                              "  <META NAME=\"generator\" CONTENT=\"CHTMLWrite\">\n"
                              "</HEAD>\n\n"
                              "\n<BODY BGCOLOR=\"#000000\" TEXT=\"#FFFFFF\">\n"
                              "<FONT FACE=\"Verdana, Arial, Helvetica\" SIZE=\"1\">\n\n"
                              "<IMG SRC=\"a.gif\" BORDER=\"0\" ALT=\"picture\">\n"
                              "<FONT COLOR=\"#FFFF00\" SIZE=\"+1\"><B>Large</B></FONT><BR>\n"
                              "<FONT COLOR=\"#FFFF00\"><B>Small</B></FONT><BR>\n"
                              "\n\n"
                              "\n<BR>\n<BR>\n\n"
                              "</FONT>\n</BODY>\n"
                              "</HTML>\n");
}

TEST(HtmlWriter, FramesetsLayOutColumnsOrRows)
{
    TempFolder folder;
    const std::string path = folder.file("frames.html");
    CHTMLWrite page;
    ASSERT_EQ(page.attach(path.c_str(), 0), 0);
    page.frameset(true, {frame("top.html", "top", "60", false), frame("middle.html", "middle", "*", true),
                         frame("bottom.html", "bottom", "20%", false)});
    page.frameset(false, {frame("only.html", "only", "*", true)});
    (void)page.detach();
    EXPECT_EQ(readText(path),
              "<FRAMESET ROWS=\"60,*,20%\" BORDER=\"0\" FRAMEBORDER=\"0\" FRAMESPACING=\"0\">\n"
              "  <FRAME NAME=\"top\" SRC=\"top.html\" SCROLLING=\"NO\">\n"
              "  <FRAME NAME=\"middle\" SRC=\"middle.html\" SCROLLING=\"AUTO\">\n"
              "  <FRAME NAME=\"bottom\" SRC=\"bottom.html\" SCROLLING=\"NO\">\n"
              "</FRAMESET>\n\n"
              "<FRAMESET COLS=\"*\" BORDER=\"0\" FRAMEBORDER=\"0\" FRAMESPACING=\"0\">\n"
              "  <FRAME NAME=\"only\" SRC=\"only.html\" SCROLLING=\"AUTO\">\n"
              "</FRAMESET>\n\n");
}

TEST(HtmlWriter, LinksWithoutTitlesUseTheFileNameAndThePathAsGiven)
{
    TempFolder folder;
    const std::string titled = folder.file("titled.html");
    writeText(titled, "<TITLE>Has A Title</TITLE>\n");
    const std::string path = folder.file("links.html");
    CHTMLWrite page;
    ASSERT_EQ(page.attach(path.c_str(), 0), 0);
    page.links({titled, "sub\\other.html"}, "right", false, false);
    page.links({folder.file("gone.html")}, "right", false, true); // unreadable: its file name
    EXPECT_EQ(page.detach(), 0);
    EXPECT_EQ(readText(path), "<A HREF=\"" + titled + "\" TARGET=\"right\">titled.html</A><BR>\n" +
                                  "<A HREF=\"sub\\other.html\" TARGET=\"right\">other.html</A><BR>\n" +
                                  "<A HREF=\"" + folder.file("gone.html") +
                                  "\" TARGET=\"right\">gone.html</A><BR>\n");
}

TEST(HtmlWriter, FileUrlsKeepOneLeadingSlashAndEscapeWhatWouldBreakThem)
{
    EXPECT_EQ(shared::fileUrlOf("/opt/velmora/Help/main.html"), "file:///opt/velmora/Help/main.html");
    EXPECT_EQ(shared::fileUrlOf("C:\\Velmora\\Help\\main.html"), "file:///C:/Velmora/Help/main.html");
    EXPECT_EQ(shared::fileUrlOf("/my help/#1 100%?\"x\".html"),
              "file:///my%20help/%231%20100%25%3F%22x%22.html");
    EXPECT_EQ(shared::fileUrlOf("/Hilfe/Über.html"), "file:///Hilfe/Über.html");
}

TEST(HtmlWriter, TitlesAreReadFromTheTitleElement)
{
    TempFolder folder;
    CHTMLWrite reader;
    const auto titleOf = [&](const std::string& text) -> std::string {
        const std::string path = folder.file("page.html");
        writeText(path, text);
        return reader.readTitle(path.c_str()) ? std::string(reader.pageTitle) : std::string("(none)");
    };

    EXPECT_EQ(titleOf("<HTML><HEAD><TITLE>On One Line</TITLE></HEAD>\n"), "On One Line");
    EXPECT_EQ(titleOf("<HEAD>\n<TITLE\n  LANG=\"en\">Late Bracket</TITLE>\n"), "Late Bracket");
    EXPECT_EQ(titleOf("<TITLE>\nFirst\nSecond\n</TITLE>\n"), "\nFirst\nSecond\n");
    EXPECT_EQ(titleOf("<title>lower</title>\n"), "(none)");
    EXPECT_EQ(titleOf("<TITLE>Never closed\n"), "(none)");
    EXPECT_EQ(titleOf("<TITLE></TITLE>\n"), "(none)");
    EXPECT_EQ(titleOf(""), "(none)");
    // A title longer than the field is cut to 255 characters, across lines too.
    const std::string longText(300, 'x');
    EXPECT_EQ(titleOf("<TITLE>" + longText + "</TITLE>\n"), std::string(255, 'x'));
    EXPECT_EQ(titleOf("<TITLE>" + std::string(200, 'a') + "\n" + std::string(200, 'b') + "</TITLE>\n"),
              std::string(200, 'a') + "\n" + std::string(54, 'b'));
    EXPECT_FALSE(reader.readTitle(folder.file("missing.html").c_str()));
    EXPECT_STREQ(reader.pageTitle, "");
}

TEST(HtmlWriter, AWriteThatFailsIsNotTakenForAFinishedPage)
{
    CHTMLWrite page;
    ASSERT_EQ(page.attach("/dev/full", 0), 0);
    page.head("Lost", true);
    page.end();
    (void)page.detach();
    EXPECT_TRUE(page.writeFailed());
    EXPECT_NE(page.lastError, 0);
}
