#include "common/HotkeyBinder.h"

#include "CommonTestSupport.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "support/FakeHotkeyGrabber.h"
#include "support/IsolatedHome.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace tavolin {
namespace {

using test::shortcutOf;

const QString kPalette = QString(settings::kPaletteShortcut);
const QString kOpen = QString(settings::kOpenShortcut);
const QString kDomain = u"io.quorvane.Tavolin.HotkeyBinderTest"_qs;

// One binder over its own settings file with the palette key stored, recording what it reports.
struct BinderRig
{
    explicit BinderRig(const QString &domain = kDomain, const QJsonValue &palette = u"cmd+shift+p"_qs) : settings(domain)
    {
        settings.setValue(kPalette, palette);
        QObject::connect(&binder, &HotkeyBinder::bindingFailed,
                         [this](const QString &key, const QString &reason) { failures.emplace_back(key, reason); });
    }
    Result<void> bind(const QString &key = kPalette) { return binder.bindShortcutWithDefaultsKey(key, [this] { ++pressed; }); }

    SettingsDomain settings;
    test::FakeHotkeyGrabber grabber;
    HotkeyBinder binder{settings, grabber};
    std::vector<std::pair<QString, QString>> failures;
    int pressed = 0;
};

// A base of its own so the home is isolated before the rig writes its settings.
struct Isolation
{
    test::LogCapture logged;
    test::IsolatedHome home;
};

class HotkeyBinderTest : public ::testing::Test, protected Isolation, public BinderRig
{
};

TEST_F(HotkeyBinderTest, BindGrabsTheStoredShortcutAndEveryPressRunsTheAction)
{
    const Result<void> status = bind();

    EXPECT_TRUE(status.isOk()) << status.reason().toStdString();
    const Shortcut expected(35, eventflag::kCommand | eventflag::kShift);
    EXPECT_EQ(grabber.grabbed(), std::vector<Shortcut>{expected});
    EXPECT_EQ(binder.shortcutForKey(kPalette), expected);
    EXPECT_TRUE(binder.isBound(kPalette));
    EXPECT_EQ(pressed, 0);

    EXPECT_TRUE(grabber.press(expected));
    EXPECT_TRUE(grabber.press(expected));
    EXPECT_FALSE(grabber.press(shortcutOf("cmd+p")));
    EXPECT_EQ(pressed, 2);
}

TEST_F(HotkeyBinderTest, AChangedKeyReleasesTheOldShortcutAndGrabsTheNew)
{
    const struct { const char *name; bool byOtherProgram; QString value; const char *now; } rows[] = {
        {"changed here", false, u"ctrl+alt+space"_qs, "ctrl+alt+space"},
        {"changed by the other program", true, u"cmd+shift+k"_qs, "cmd+shift+k"},
        {"the same combination written differently", false, u"Shift + Command + P"_qs, "cmd+shift+p"},
    };
    int index = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        BinderRig rig(kDomain + QString::number(++index));
        rig.bind();
        std::vector<QString> changed;
        QObject::connect(&rig.binder, &HotkeyBinder::boundShortcutChanged, [&](const QString &key) { changed.push_back(key); });

        if (row.byOtherProgram) {
            SettingsDomain preferences(rig.settings.domain()); // the preferences program's view of the same file
            ASSERT_TRUE(preferences.setValue(kPalette, row.value));
            rig.settings.reload(); // what the folder watcher does when the file is replaced
        } else {
            rig.settings.setValue(kPalette, row.value);
        }

        const Shortcut now = shortcutOf(row.now), old = shortcutOf("cmd+shift+p");
        EXPECT_EQ(rig.grabber.grabbed(), std::vector<Shortcut>{now});
        EXPECT_EQ(rig.binder.shortcutForKey(kPalette), now);
        EXPECT_EQ(rig.grabber.press(old), now == old);
        EXPECT_TRUE(rig.grabber.press(now));
        EXPECT_EQ(rig.pressed, now == old ? 2 : 1);
        EXPECT_EQ(rig.grabber.grabRequests().size(), now == old ? 1u : 2u) << "the same combination is not grabbed again";
        EXPECT_EQ(rig.grabber.ungrabRequests(), now == old ? std::vector<Shortcut>{} : std::vector<Shortcut>{old});
        if (now != old)
            EXPECT_FALSE(changed.empty());
        EXPECT_EQ(rig.grabber.strayUngrabs(), 0);
    }
}

TEST_F(HotkeyBinderTest, ACombinationTakenElsewhereIsReportedAndBindingAgainRetries)
{
    grabber.takenElsewhere(shortcutOf("cmd+shift+p"), u"held by another program"_qs);

    const Result<void> status = bind();

    EXPECT_FALSE(status.isOk());
    EXPECT_TRUE(status.reason().contains(u"held by another program"_qs)) << status.reason().toStdString();
    EXPECT_TRUE(status.reason().contains(u"Ctrl+Shift+P"_qs)) << status.reason().toStdString();
    EXPECT_FALSE(binder.status(kPalette).isOk());
    EXPECT_EQ(binder.shortcutForKey(kPalette), std::nullopt);
    EXPECT_EQ(failures, (std::vector<std::pair<QString, QString>>{{kPalette, status.reason()}}));
    const QStringList errors = logged.errors();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(kPalette));

    // The other program let go.
    grabber.releasedElsewhere(shortcutOf("cmd+shift+p"));
    EXPECT_TRUE(binder.bindShortcutWithDefaultsKey(kPalette, [&] { pressed += 10; }).isOk());
    EXPECT_TRUE(binder.status(kPalette).isOk());
    EXPECT_TRUE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_EQ(pressed, 10); // the newer action replaced the first
}

// A change that cannot be registered keeps the old shortcut working, stores it back so the settings name
// the shortcut that works, and says why where the preferences program shows it until a change registers.
TEST_F(HotkeyBinderTest, AFailedChangeKeepsTheOldShortcutAndSaysWhyUntilAChangeRegisters)
{
    struct Row
    {
        const char *name;
        std::function<void(BinderRig &)> arrange;
        QString changedTo;
        const char *reason;
    };
    const Row rows[] = {
        {"taken by another program", [](BinderRig &r) { r.grabber.takenElsewhere(shortcutOf("cmd+alt+t"), u"it is taken"_qs); },
         u"cmd+alt+t"_qs, "Ctrl+Alt+T cannot be used: it is taken"},
        {"refused by the display", [](BinderRig &r) { r.grabber.failNextGrab(u"the display refused it"_qs); }, u"cmd+alt+t"_qs,
         "Ctrl+Alt+T cannot be used: the display refused it"},
        {"held by another key of ours",
         [](BinderRig &r) {
             r.settings.setValue(kOpen, u"cmd+alt+t"_qs);
             r.binder.bindShortcutWithDefaultsKey(kOpen, [] {});
         },
         u"cmd+alt+t"_qs, "Ctrl+Alt+T cannot be used: it is already the shortcut of open_shortcut"},
        {"not a key combination", [](BinderRig &) {}, u"cmd+nosuchkey"_qs, "the stored value \"cmd+nosuchkey\" is not a key combination"},
    };
    const QString problemKey = HotkeyBinder::problemKeyFor(kPalette);
    int index = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        BinderRig rig(kDomain + QString::number(++index));
        rig.bind();
        row.arrange(rig);

        rig.settings.setValue(kPalette, row.changedTo);

        EXPECT_EQ(rig.binder.shortcutForKey(kPalette), shortcutOf("cmd+shift+p"));
        EXPECT_TRUE(rig.grabber.press(shortcutOf("cmd+shift+p")));
        EXPECT_EQ(rig.pressed, 1);
        EXPECT_EQ(rig.settings.value(kPalette), QJsonValue(u"cmd+shift+p"_qs));
        const QString problem = rig.settings.stringValue(problemKey);
        EXPECT_TRUE(problem.startsWith(QString::fromUtf8(row.reason))) << problem.toStdString();
        EXPECT_TRUE(problem.endsWith(u"Ctrl+Shift+P stays in use."_qs)) << problem.toStdString();
        EXPECT_EQ(rig.binder.status(kPalette).reason(), problem);
        EXPECT_EQ(rig.failures, (std::vector<std::pair<QString, QString>>{{kPalette, problem}}));
        EXPECT_EQ(rig.grabber.strayUngrabs(), 0);

        // The problem goes once a change is registered.
        rig.settings.setValue(kPalette, u"cmd+alt+y"_qs);
        EXPECT_FALSE(rig.settings.contains(problemKey));
        EXPECT_TRUE(rig.binder.status(kPalette).isOk());
        EXPECT_EQ(rig.binder.shortcutForKey(kPalette), shortcutOf("cmd+alt+y"));
        EXPECT_TRUE(rig.grabber.isGrabbed(shortcutOf("cmd+alt+y")));
        EXPECT_FALSE(rig.grabber.isGrabbed(shortcutOf("cmd+shift+p")));
    }
}

TEST_F(HotkeyBinderTest, OnlyAKeyCombinationIsGrabbed)
{
    const struct { const char *name; QJsonValue stored; bool fails; } rows[] = {
        {"unset", QJsonValue::Undefined, false},
        {"empty text", u""_qs, false},
        {"null", QJsonValue::Null, false},
        {"number", 35, true},
        {"object", QJsonObject{{u"keyCode"_qs, 35}}, true},
        {"array", QJsonArray{u"cmd"_qs, u"p"_qs}, true},
        {"letter without modifier", u"p"_qs, true},
        {"unknown key name", u"cmd+nosuchkey"_qs, true},
        {"modifiers only", u"cmd+shift"_qs, true},
    };
    int index = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        BinderRig rig(kDomain + QString::number(++index), row.stored);

        const Result<void> status = rig.bind();

        EXPECT_EQ(!status.isOk(), row.fails) << status.reason().toStdString();
        EXPECT_TRUE(rig.grabber.grabRequests().empty());
        EXPECT_EQ(rig.binder.shortcutForKey(kPalette), std::nullopt);
        EXPECT_EQ(rig.failures.size(), row.fails ? 1u : 0u);
    }
}

// Clearing the stored key releases the grab but the key is still followed; unbind stops following it.
TEST_F(HotkeyBinderTest, ClearingTheKeyReleasesWithoutAnErrorAndUnbindStopsFollowingIt)
{
    bind();

    settings.remove(kPalette);
    EXPECT_TRUE(grabber.grabbed().empty());
    EXPECT_TRUE(binder.status(kPalette).isOk());
    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(binder.isBound(kPalette));
    settings.setValue(kPalette, u"cmd+shift+p"_qs);
    EXPECT_EQ(grabber.grabbed(), std::vector<Shortcut>{shortcutOf("cmd+shift+p")});

    binder.unbind(kPalette);
    settings.setValue(kPalette, u"cmd+shift+k"_qs);
    EXPECT_TRUE(grabber.grabbed().empty());
    EXPECT_EQ(grabber.grabRequests().size(), 2u);
    EXPECT_FALSE(binder.isBound(kPalette));
    EXPECT_EQ(binder.shortcutForKey(kPalette), std::nullopt);
    EXPECT_FALSE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_EQ(pressed, 0);
}

TEST_F(HotkeyBinderTest, TwoKeysCannotShareACombinationUntilTheFirstMoves)
{
    settings.setValue(kOpen, u"cmd+shift+p"_qs);
    int opened = 0;
    binder.bindShortcutWithDefaultsKey(kPalette, [] {});

    const Result<void> status = binder.bindShortcutWithDefaultsKey(kOpen, [&] { ++opened; });
    EXPECT_FALSE(status.isOk());
    EXPECT_TRUE(status.reason().contains(kPalette)) << status.reason().toStdString();

    settings.setValue(kPalette, u"cmd+shift+k"_qs);

    EXPECT_TRUE(binder.status(kOpen).isOk());
    EXPECT_EQ(binder.shortcutForKey(kOpen), shortcutOf("cmd+shift+p"));
    EXPECT_TRUE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_EQ(opened, 1);
}

TEST_F(HotkeyBinderTest, AnActionOrASlotMayUnbindTheKey)
{
    binder.bindShortcutWithDefaultsKey(kPalette, [&] {
        ++pressed;
        binder.unbind(kPalette);
    });
    EXPECT_TRUE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_FALSE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_EQ(pressed, 1);

    // While a change is reported.
    bind();
    QObject::connect(&binder, &HotkeyBinder::boundShortcutChanged, [&](const QString &key) { binder.unbind(key); });
    settings.setValue(kPalette, u"cmd+shift+k"_qs);
    EXPECT_FALSE(binder.isBound(kPalette));
    EXPECT_TRUE(grabber.grabbed().empty());
    EXPECT_EQ(grabber.strayUngrabs(), 0);
}

TEST_F(HotkeyBinderTest, DestroyingTheBinderReleasesEveryGrab)
{
    test::FakeHotkeyGrabber ownGrabber;
    settings.setValue(kOpen, u"cmd+shift+o"_qs);
    {
        HotkeyBinder scoped(settings, ownGrabber);
        scoped.bindShortcutWithDefaultsKey(kPalette, [] {});
        scoped.bindShortcutWithDefaultsKey(kOpen, [] {});
        ASSERT_EQ(ownGrabber.grabbed().size(), 2u);
    }
    EXPECT_TRUE(ownGrabber.grabbed().empty());
    EXPECT_EQ(ownGrabber.strayUngrabs(), 0);
    settings.setValue(kPalette, u"cmd+shift+k"_qs); // no binder left to react
    EXPECT_EQ(ownGrabber.grabRequests().size(), 2u);
}

TEST_F(HotkeyBinderTest, TheBoundShortcutCanBeReadFromAnotherThread)
{
    bind();
    std::optional<Shortcut> seen;
    std::unique_ptr<QThread> reader(QThread::create([&] { seen = binder.shortcutForKey(kPalette); }));
    reader->start();
    ASSERT_TRUE(reader->wait(10000));
    EXPECT_EQ(seen, shortcutOf("cmd+shift+p"));
}

} // namespace
} // namespace tavolin
