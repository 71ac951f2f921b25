// Reading a document's path out of a window title: only forms that name an existing file count.
#include <gtest/gtest.h>

#include "platform/linux/WindowTitleDocument.h"

#include <QSet>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;

// The files that "exist" for these cases.
const QSet<QString> kFiles = {"/home/u/notes/a b.txt", "/home/u/notes/plan - final.txt", "/home/u/notes/x (1).txt",
                              "/tmp/report.md", "/home/u/it's; rm -rf ~.txt"};

// Only forms naming an existing file count: nothing is guessed.
TEST(WindowTitleDocument, FindsOnlyExistingFiles)
{
    const auto isFile = [](const QString &path) { return kFiles.contains(path); };
    const std::pair<const char *, const char *> cases[] = { // title, path or nullptr
        {"/home/u/notes/a b.txt - Mousepad", "/home/u/notes/a b.txt"},
        {"*/home/u/notes/a b.txt - Mousepad", "/home/u/notes/a b.txt"},
        {"\u25CF /tmp/report.md \u2014 Editor", "/tmp/report.md"},
        {"~/notes/a b.txt - Editor", "/home/u/notes/a b.txt"},
        {"a b.txt - /home/u/notes - Geany", "/home/u/notes/a b.txt"},
        {"a b.txt - ~/notes - Geany", "/home/u/notes/a b.txt"},
        {"/home/u/notes/plan - final.txt - Mousepad", "/home/u/notes/plan - final.txt"}, // the separator in its name
        {"x (1).txt (/home/u/notes) - gedit", "/home/u/notes/x (1).txt"},
        {"/home/u/it's; rm -rf ~.txt - Mousepad", "/home/u/it's; rm -rf ~.txt"},
        {"/home/u/notes/../notes/a b.txt - Mousepad", "/home/u/notes/a b.txt"},
        {"Untitled 1 - Mousepad", nullptr},
        {"/home/u/notes/gone.txt - Mousepad", nullptr},
        {"/home/u/notes - Files", nullptr},
        {"/ - Files", nullptr},
        {"a b.txt - Mousepad", nullptr},
        {"a b.txt - notes - Geany", nullptr},
        {".. - /home/u/notes/a b.txt/x - Geany", nullptr},
        {"vim /tmp/report.md", nullptr},
        {"", nullptr},
        {"***", nullptr},
    };
    for (const auto &[title, path] : cases) {
        EXPECT_EQ(windowtitle::documentPath(QString::fromUtf8(title), u"/home/u"_s, isFile),
                  path ? std::optional(QString::fromUtf8(path)) : std::nullopt)
            << title;
    }
}

// An overlong title is not read, the parts of one with many separators looked at are bounded, and a NUL
// gives nothing.
TEST(WindowTitleDocument, HostileTitlesStayCheapAndGiveNothing)
{
    int asked = 0;
    const auto counted = [&](bool exists) { return [&asked, exists](const QString &) { return ++asked, exists; }; };
    const QString overlong = u"/"_s + QString(10000, u'a') + u" - Editor"_s;
    EXPECT_EQ(windowtitle::documentPath(overlong, u"/home/u"_s, counted(true)), std::nullopt);
    EXPECT_EQ(asked, 0);
    QString separators;
    for (int i = 0; i < 500; ++i)
        separators += u"/x - "_s;
    EXPECT_EQ(windowtitle::documentPath(separators, u"/home/u"_s, counted(false)), std::nullopt);
    EXPECT_LT(asked, 200) << "the number of parts looked at is bounded";
    const QString nul = u"/tmp/a"_s + QChar(0) + u"b.txt - Editor"_s;
    EXPECT_EQ(windowtitle::documentPath(nul, u"/home/u"_s, counted(true)), std::nullopt);
}

} // namespace
} // namespace tavolin
