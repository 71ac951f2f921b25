// Exec lines of desktop entries turned into argument lists: quoting, escapes, field codes, and file names
// that must stay one argument whatever they hold.
#include <gtest/gtest.h>

#include "common/DesktopEntry.h"
#include "platform/linux/DesktopExec.h"

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;

struct ExecCase
{
    const char *name;
    const char *exec; // as written in the file (string escapes not yet resolved)
    QStringList files;
    std::optional<QStringList> expected; // program first; none: refused
};

const DesktopExecContext kContext{u"org.example.Edit"_s, u"Example Editor"_s,
                                  u"/usr/share/applications/org.example.Edit.desktop"_s};

std::optional<QStringList> run(const ExecCase &c)
{
    const auto command = desktopexec::expand(desktopentry::unescapeValue(QString::fromUtf8(c.exec)), c.files, kContext);
    if (!command)
        return std::nullopt;
    return QStringList{command->program} + command->arguments;
}

const QString kSpaced = u"/home/u/my notes.txt"_s;
const QString kHostile = u"/tmp/a\"; rm -rf ~; echo \"$(id)`id` %f \\.txt"_s;
const QString kQuote = u"/tmp/it's.txt"_s;

TEST(DesktopExec, ExpandsExecLines)
{
    const ExecCase cases[] = {
        {"SingleUrl", "mousepad %U", {kSpaced}, QStringList{"mousepad", "file:///home/u/my%20notes.txt"}},
        {"SingleFile", "geany %f", {kSpaced}, QStringList{"geany", kSpaced}},
        {"FileListOnItsOwn", "edit %F", {"/a", "/b c"}, QStringList{"edit", "/a", "/b c"}},
        {"UrlListOnItsOwn", "edit %U", {"/a", "/b#c"}, QStringList{"edit", "file:///a", "file:///b%23c"}},
        {"FileInsideAnArgument", "edit --open=%f", {kSpaced}, QStringList{"edit", "--open=" + kSpaced}},
        {"NoFileDropsTheCode", "edit %f --new", {}, QStringList{"edit", "--new"}},
        {"NoFileKeepsTheRestOfTheArgument", "edit --open=%f", {}, QStringList{"edit", "--open="}},
        {"PercentPercent", "printf 100%% %f", {"/a"}, QStringList{"printf", "100%", "/a"}},
        {"PercentPercentThenF", "echo %%f", {"/a"}, QStringList{"echo", "%f"}},
        {"IconAsTwoArguments", "edit %i %f", {"/a"}, QStringList{"edit", "--icon", "org.example.Edit", "/a"}},
        {"NameAndLocation", "edit --class=%c --entry %k", {},
         QStringList{"edit", "--class=Example Editor", "--entry", kContext.desktopFile}},
        {"DeprecatedCodesVanish", "edit %d %D %n %N %v %m %f", {"/a"}, QStringList{"edit", "/a"}},
        {"QuotedProgramWithSpace", "\"/opt/My App/bin/edit\" %f", {"/a"}, QStringList{"/opt/My App/bin/edit", "/a"}},
        {"QuotedEscapes", R"(sh -c "echo \\"hi\\" \\$HOME \\`x\\` \\\\")", {},
         QStringList{"sh", "-c", "echo \"hi\" $HOME `x` \\"}},
        {"StringEscapeSpaceSplits", R"(edit\s--new %f)", {"/a"}, QStringList{"edit", "--new", "/a"}},
        {"TabsAndRepeatedBlanks", "edit \t  --new   %f  ", {"/a"}, QStringList{"edit", "--new", "/a"}},
        {"EnvPrefixIsJustArguments", "env GTK_THEME=Adwaita edit %U", {"/a"},
         QStringList{"env", "GTK_THEME=Adwaita", "edit", "file:///a"}},
        {"ShellCharactersInTheLineAreLiteral", "edit ; rm -rf ~ %f", {"/a"},
         QStringList{"edit", ";", "rm", "-rf", "~", "/a"}},
        {"HostileFileNameStaysOneArgument", "edit %f", {kHostile}, QStringList{"edit", kHostile}},
        {"HostileFileNameInsideQuotes", "edit \"%f\"", {kHostile}, QStringList{"edit", kHostile}},
        {"FileNameWithQuote", "edit %F", {kQuote}, QStringList{"edit", kQuote}},
        {"HostileUrlIsEscaped", "edit %u", {"/tmp/a b;c\"d"}, QStringList{"edit", "file:///tmp/a%20b;c%22d"}},
        // Refused lines.
        {"UnknownFieldCode", "edit %x", {"/a"}, std::nullopt},
        {"LonePercentAtTheEnd", "edit 100%", {}, std::nullopt},
        {"UnterminatedQuote", "edit \"%f", {"/a"}, std::nullopt},
        {"TrailingBackslash", "edit \\", {}, std::nullopt},
        {"ProgramIsAFieldCode", "%f --x", {"/a"}, std::nullopt},
        {"EmptyLine", "   ", {}, std::nullopt},
    };
    for (const ExecCase &c : cases)
        EXPECT_EQ(run(c), c.expected) << c.name;
}

TEST(DesktopExec, TakesFilesOnlyForFileCodes)
{
    EXPECT_TRUE(desktopexec::takesFiles(u"mousepad %U"_s));
    EXPECT_TRUE(desktopexec::takesFiles(u"edit --open=%f"_s));
    EXPECT_FALSE(desktopexec::takesFiles(u"edit --new-window"_s));
    EXPECT_FALSE(desktopexec::takesFiles(u"printf %%f"_s));
    EXPECT_FALSE(desktopexec::takesFiles(u"edit %i %c"_s));
}

TEST(DesktopExec, UnescapeValueResolvesStringEscapesOnly)
{
    EXPECT_EQ(desktopentry::unescapeValue(QStringLiteral(R"(a\sb\tc\nd\re\\f)")), u"a b\tc\nd\re\\f"_s);
    EXPECT_EQ(desktopentry::unescapeValue(QStringLiteral(R"(\"x\$)")), QStringLiteral(R"(\"x\$)"));
    EXPECT_EQ(desktopentry::unescapeValue(u"end\\"_s), u"end\\"_s);
}

} // namespace
} // namespace tavolin
