// Exec lines of desktop entries turned into argument lists: quoting, escapes, field codes, and file names
// that must stay one argument whatever they hold.
#include <gtest/gtest.h>

#include "common/DesktopEntry.h"
#include "platform/linux/DesktopExec.h"

namespace tavolin {
namespace {

struct ExecCase
{
    const char *name;
    const char *exec; // as written in the file (string escapes not yet resolved)
    QStringList files;
    std::optional<QStringList> expected; // program first; none: refused
};

const DesktopExecContext kContext{QStringLiteral("org.example.Edit"), QStringLiteral("Example Editor"),
                                  QStringLiteral("/usr/share/applications/org.example.Edit.desktop")};

std::optional<QStringList> run(const ExecCase &c)
{
    const auto command = desktopexec::expand(desktopentry::unescapeValue(QString::fromUtf8(c.exec)), c.files, kContext);
    if (!command)
        return std::nullopt;
    return QStringList{command->program} + command->arguments;
}

class DesktopExecTest : public testing::TestWithParam<ExecCase>
{
};

TEST_P(DesktopExecTest, Expands)
{
    EXPECT_EQ(run(GetParam()), GetParam().expected);
}

const QString kSpaced = QStringLiteral("/home/u/my notes.txt");
const QString kHostile = QStringLiteral("/tmp/a\"; rm -rf ~; echo \"$(id)`id` %f \\.txt");
const QString kQuote = QStringLiteral("/tmp/it's.txt");

INSTANTIATE_TEST_SUITE_P(
    Lines, DesktopExecTest,
    testing::Values(
        ExecCase{"SingleUrl", "mousepad %U", {kSpaced}, QStringList{"mousepad", "file:///home/u/my%20notes.txt"}},
        ExecCase{"SingleFile", "geany %f", {kSpaced}, QStringList{"geany", kSpaced}},
        ExecCase{"FileListOnItsOwn", "edit %F", {"/a", "/b c"}, QStringList{"edit", "/a", "/b c"}},
        ExecCase{"UrlListOnItsOwn", "edit %U", {"/a", "/b#c"}, QStringList{"edit", "file:///a", "file:///b%23c"}},
        ExecCase{"FileInsideAnArgument", "edit --open=%f", {kSpaced}, QStringList{"edit", "--open=" + kSpaced}},
        ExecCase{"NoFileDropsTheCode", "edit %f --new", {}, QStringList{"edit", "--new"}},
        ExecCase{"NoFileKeepsTheRestOfTheArgument", "edit --open=%f", {}, QStringList{"edit", "--open="}},
        ExecCase{"PercentPercent", "printf 100%% %f", {"/a"}, QStringList{"printf", "100%", "/a"}},
        ExecCase{"PercentPercentThenF", "echo %%f", {"/a"}, QStringList{"echo", "%f"}},
        ExecCase{"IconAsTwoArguments", "edit %i %f", {"/a"}, QStringList{"edit", "--icon", "org.example.Edit", "/a"}},
        ExecCase{"NameAndLocation", "edit --class=%c --entry %k", {},
                 QStringList{"edit", "--class=Example Editor", "--entry", kContext.desktopFile}},
        ExecCase{"DeprecatedCodesVanish", "edit %d %D %n %N %v %m %f", {"/a"}, QStringList{"edit", "/a"}},
        ExecCase{"QuotedProgramWithSpace", "\"/opt/My App/bin/edit\" %f", {"/a"},
                 QStringList{"/opt/My App/bin/edit", "/a"}},
        ExecCase{"QuotedEscapes", R"(sh -c "echo \\"hi\\" \\$HOME \\`x\\` \\\\")", {},
                 QStringList{"sh", "-c", "echo \"hi\" $HOME `x` \\"}},
        ExecCase{"StringEscapeSpaceSplits", R"(edit\s--new %f)", {"/a"}, QStringList{"edit", "--new", "/a"}},
        ExecCase{"TabsAndRepeatedBlanks", "edit \t  --new   %f  ", {"/a"}, QStringList{"edit", "--new", "/a"}},
        ExecCase{"EnvPrefixIsJustArguments", "env GTK_THEME=Adwaita edit %U", {"/a"},
                 QStringList{"env", "GTK_THEME=Adwaita", "edit", "file:///a"}},
        ExecCase{"ShellCharactersInTheLineAreLiteral", "edit ; rm -rf ~ %f", {"/a"},
                 QStringList{"edit", ";", "rm", "-rf", "~", "/a"}},
        ExecCase{"HostileFileNameStaysOneArgument", "edit %f", {kHostile}, QStringList{"edit", kHostile}},
        ExecCase{"HostileFileNameInsideQuotes", "edit \"%f\"", {kHostile}, QStringList{"edit", kHostile}},
        ExecCase{"FileNameWithQuote", "edit %F", {kQuote}, QStringList{"edit", kQuote}},
        ExecCase{"HostileUrlIsEscaped", "edit %u", {"/tmp/a b;c\"d"},
                 QStringList{"edit", "file:///tmp/a%20b;c%22d"}},
        // Refused lines.
        ExecCase{"UnknownFieldCode", "edit %x", {"/a"}, std::nullopt},
        ExecCase{"LonePercentAtTheEnd", "edit 100%", {}, std::nullopt},
        ExecCase{"UnterminatedQuote", "edit \"%f", {"/a"}, std::nullopt},
        ExecCase{"TrailingBackslash", "edit \\", {}, std::nullopt},
        ExecCase{"ProgramIsAFieldCode", "%f --x", {"/a"}, std::nullopt},
        ExecCase{"EmptyLine", "   ", {}, std::nullopt}),
    [](const testing::TestParamInfo<ExecCase> &info) { return std::string(info.param.name); });

TEST(DesktopExec, TakesFilesOnlyForFileCodes)
{
    EXPECT_TRUE(desktopexec::takesFiles(QStringLiteral("mousepad %U")));
    EXPECT_TRUE(desktopexec::takesFiles(QStringLiteral("edit --open=%f")));
    EXPECT_FALSE(desktopexec::takesFiles(QStringLiteral("edit --new-window")));
    EXPECT_FALSE(desktopexec::takesFiles(QStringLiteral("printf %%f")));
    EXPECT_FALSE(desktopexec::takesFiles(QStringLiteral("edit %i %c")));
}

TEST(DesktopExec, UnescapeValueResolvesStringEscapesOnly)
{
    EXPECT_EQ(desktopentry::unescapeValue(QStringLiteral(R"(a\sb\tc\nd\re\\f)")), QStringLiteral("a b\tc\nd\re\\f"));
    EXPECT_EQ(desktopentry::unescapeValue(QStringLiteral(R"(\"x\$)")), QStringLiteral(R"(\"x\$)"));
    EXPECT_EQ(desktopentry::unescapeValue(QStringLiteral("end\\")), QStringLiteral("end\\"));
}

} // namespace
} // namespace tavolin
