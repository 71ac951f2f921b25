#include "common/HotkeyBinder.h"

#include "common/KeyData.h"
#include "common/Log.h"
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
#include <ostream>
#include <mutex>
#include <vector>

namespace tavolin {
namespace {

const QString kPalette = QString(settings::kPaletteShortcut);
const QString kOpen = QString(settings::kOpenShortcut);
const QString kDomain = QStringLiteral("io.quorvane.Tavolin.HotkeyBinderTest");

Shortcut shortcutOf(const char *text)
{
    const std::optional<KeyData> keyData = KeyData::keyDataFromStoredString(QString::fromUtf8(text));
    EXPECT_TRUE(keyData.has_value()) << text;
    const std::optional<Shortcut> shortcut = keyData ? keyData->toShortcut() : std::nullopt;
    EXPECT_TRUE(shortcut.has_value()) << text;
    return shortcut.value_or(Shortcut(Shortcut::kKeyCodeNotFound, 0));
}

class HotkeyBinderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        log::setSink([this](log::Level level, const QString &line) {
            std::lock_guard lock(m_logMutex);
            if (level == log::Level::Error)
                m_errors.push_back(line);
        });
        QObject::connect(&binder, &HotkeyBinder::bindingFailed, [this](const QString &key, const QString &reason) {
            failures.emplace_back(key, reason);
        });
    }
    void TearDown() override { log::setSink({}); }

    std::vector<QString> errors()
    {
        std::lock_guard lock(m_logMutex);
        return m_errors;
    }

    test::IsolatedHome home;
    SettingsDomain settings{kDomain};
    test::FakeHotkeyGrabber grabber;
    HotkeyBinder binder{settings, grabber};
    std::vector<std::pair<QString, QString>> failures;

private:
    std::mutex m_logMutex;
    std::vector<QString> m_errors; // guarded by m_logMutex
};

TEST_F(HotkeyBinderTest, BindGrabsTheStoredShortcutAndEveryPressRunsTheAction)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    int pressed = 0;
    const Result<void> status = binder.bindShortcutWithDefaultsKey(kPalette, [&] { ++pressed; });

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

TEST_F(HotkeyBinderTest, ChangingTheKeyReleasesTheOldShortcutAndGrabsTheNew)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    int pressed = 0;
    binder.bindShortcutWithDefaultsKey(kPalette, [&] { ++pressed; });
    std::vector<QString> changed;
    QObject::connect(&binder, &HotkeyBinder::boundShortcutChanged, [&](const QString &key) { changed.push_back(key); });

    settings.setValue(kPalette, QStringLiteral("ctrl+alt+space"));

    const Shortcut space = shortcutOf("ctrl+alt+space");
    EXPECT_EQ(grabber.ungrabRequests(), std::vector<Shortcut>{shortcutOf("cmd+shift+p")});
    EXPECT_EQ(grabber.grabbed(), std::vector<Shortcut>{space});
    EXPECT_EQ(binder.shortcutForKey(kPalette), space);
    EXPECT_FALSE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_TRUE(grabber.press(space));
    EXPECT_EQ(pressed, 1);
    EXPECT_FALSE(changed.empty());
    EXPECT_EQ(grabber.strayUngrabs(), 0);
}

TEST_F(HotkeyBinderTest, AChangeWrittenByTheOtherProgramRegrabs)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    binder.bindShortcutWithDefaultsKey(kPalette, [] {});

    SettingsDomain preferences(kDomain); // the preferences program's view of the same file
    ASSERT_TRUE(preferences.setValue(kPalette, QStringLiteral("cmd+shift+k")));
    settings.reload(); // what the folder watcher does when the file is replaced

    EXPECT_EQ(grabber.grabbed(), std::vector<Shortcut>{shortcutOf("cmd+shift+k")});
}

TEST_F(HotkeyBinderTest, TheSameCombinationWrittenDifferentlyIsNotGrabbedAgain)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    binder.bindShortcutWithDefaultsKey(kPalette, [] {});

    settings.setValue(kPalette, QStringLiteral("Shift + Command + P"));

    EXPECT_EQ(grabber.grabRequests().size(), 1u);
    EXPECT_TRUE(grabber.ungrabRequests().empty());
}

TEST_F(HotkeyBinderTest, ACombinationTakenElsewhereIsReportedWithItsReason)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    grabber.takenElsewhere(shortcutOf("cmd+shift+p"), QStringLiteral("held by another program"));

    const Result<void> status = binder.bindShortcutWithDefaultsKey(kPalette, [] {});

    EXPECT_FALSE(status.isOk());
    EXPECT_TRUE(status.reason().contains(QStringLiteral("held by another program"))) << status.reason().toStdString();
    EXPECT_TRUE(status.reason().contains(QStringLiteral("Ctrl+Shift+P"))) << status.reason().toStdString();
    EXPECT_FALSE(binder.status(kPalette).isOk());
    EXPECT_EQ(binder.shortcutForKey(kPalette), std::nullopt);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].first, kPalette);
    EXPECT_EQ(failures[0].second, status.reason());
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_TRUE(errors()[0].contains(kPalette));
}

TEST_F(HotkeyBinderTest, BindingAgainRetriesAfterTheOtherProgramLetGo)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    grabber.takenElsewhere(shortcutOf("cmd+shift+p"));
    int pressed = 0;
    binder.bindShortcutWithDefaultsKey(kPalette, [&] { ++pressed; });

    grabber.releasedElsewhere(shortcutOf("cmd+shift+p"));
    EXPECT_TRUE(binder.bindShortcutWithDefaultsKey(kPalette, [&] { pressed += 10; }).isOk());

    EXPECT_TRUE(binder.status(kPalette).isOk());
    EXPECT_TRUE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_EQ(pressed, 10); // the newer action replaced the first
}

// One binder over its own settings file, for table rows that each need a fresh one.
struct BinderRig
{
    explicit BinderRig(const QString &domain) : settings(domain) {}
    SettingsDomain settings;
    test::FakeHotkeyGrabber grabber;
    HotkeyBinder binder{settings, grabber};
};

// A change that cannot be registered keeps the old shortcut working, stores it back so the settings name
// the shortcut that works, and says why where the preferences program shows it.
TEST_F(HotkeyBinderTest, AFailedChangeKeepsTheOldShortcutAndSaysWhy)
{
    struct Row
    {
        const char *name;
        std::function<void(BinderRig &)> arrange;
        QString changedTo;
        const char *reason;
    };
    const Row rows[] = {
        {"taken by another program",
         [](BinderRig &r) { r.grabber.takenElsewhere(shortcutOf("cmd+alt+t"), QStringLiteral("it is taken")); },
         QStringLiteral("cmd+alt+t"), "Ctrl+Alt+T cannot be used: it is taken"},
        {"refused by the display", [](BinderRig &r) { r.grabber.failNextGrab(QStringLiteral("the display refused it")); },
         QStringLiteral("cmd+alt+t"), "Ctrl+Alt+T cannot be used: the display refused it"},
        {"held by another key of ours",
         [](BinderRig &r) {
             r.settings.setValue(kOpen, QStringLiteral("cmd+alt+t"));
             r.binder.bindShortcutWithDefaultsKey(kOpen, [] {});
         },
         QStringLiteral("cmd+alt+t"), "Ctrl+Alt+T cannot be used: it is already the shortcut of open_shortcut"},
        {"not a key combination", [](BinderRig &) {}, QStringLiteral("cmd+nosuchkey"),
         "the stored value \"cmd+nosuchkey\" is not a key combination"},
    };
    const QString problemKey = HotkeyBinder::problemKeyFor(kPalette);
    int index = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        BinderRig rig(kDomain + QString::number(++index));
        rig.settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
        int pressed = 0;
        rig.binder.bindShortcutWithDefaultsKey(kPalette, [&] { ++pressed; });
        std::vector<QString> failed;
        QObject::connect(&rig.binder, &HotkeyBinder::bindingFailed,
                         [&](const QString &key, const QString &reason) {
                             if (key == kPalette)
                                 failed.push_back(reason);
                         });
        row.arrange(rig);

        rig.settings.setValue(kPalette, row.changedTo);

        EXPECT_EQ(rig.binder.shortcutForKey(kPalette), shortcutOf("cmd+shift+p"));
        EXPECT_TRUE(rig.grabber.press(shortcutOf("cmd+shift+p")));
        EXPECT_EQ(pressed, 1);
        EXPECT_EQ(rig.settings.value(kPalette), QJsonValue(QStringLiteral("cmd+shift+p")));
        const QString problem = rig.settings.stringValue(problemKey);
        EXPECT_TRUE(problem.startsWith(QString::fromUtf8(row.reason))) << problem.toStdString();
        EXPECT_TRUE(problem.endsWith(QStringLiteral("Ctrl+Shift+P stays in use."))) << problem.toStdString();
        EXPECT_EQ(rig.binder.status(kPalette).reason(), problem);
        EXPECT_EQ(failed, std::vector<QString>{problem});
        EXPECT_EQ(rig.grabber.strayUngrabs(), 0);
    }
}

TEST_F(HotkeyBinderTest, TheProblemGoesOnceAChangeIsRegistered)
{
    const QString problemKey = HotkeyBinder::problemKeyFor(kPalette);
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    binder.bindShortcutWithDefaultsKey(kPalette, [] {});
    grabber.takenElsewhere(shortcutOf("cmd+alt+t"));
    settings.setValue(kPalette, QStringLiteral("cmd+alt+t"));
    ASSERT_TRUE(settings.contains(problemKey));

    settings.setValue(kPalette, QStringLiteral("cmd+alt+y"));

    EXPECT_FALSE(settings.contains(problemKey));
    EXPECT_TRUE(binder.status(kPalette).isOk());
    EXPECT_EQ(grabber.grabbed(), std::vector<Shortcut>{shortcutOf("cmd+alt+y")});
}

struct StoredValueCase
{
    const char *name;
    QJsonValue stored;
    bool fails;
};

void PrintTo(const StoredValueCase &row, std::ostream *out) { *out << row.name; }

class HotkeyBinderStoredValueTest : public HotkeyBinderTest, public ::testing::WithParamInterface<StoredValueCase>
{
};

TEST_P(HotkeyBinderStoredValueTest, OnlyAKeyCombinationIsGrabbed)
{
    settings.setValue(kPalette, GetParam().stored);

    const Result<void> status = binder.bindShortcutWithDefaultsKey(kPalette, [] {});

    EXPECT_EQ(!status.isOk(), GetParam().fails) << status.reason().toStdString();
    EXPECT_TRUE(grabber.grabRequests().empty());
    EXPECT_EQ(binder.shortcutForKey(kPalette), std::nullopt);
    EXPECT_EQ(failures.size(), GetParam().fails ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, HotkeyBinderStoredValueTest,
    ::testing::Values(StoredValueCase{"Unset", QJsonValue(QJsonValue::Undefined), false},
                      StoredValueCase{"EmptyText", QStringLiteral(""), false},
                      StoredValueCase{"Null", QJsonValue(QJsonValue::Null), false},
                      StoredValueCase{"Number", 35, true},
                      StoredValueCase{"Object", QJsonObject{{QStringLiteral("keyCode"), 35}}, true},
                      StoredValueCase{"Array", QJsonArray{QStringLiteral("cmd"), QStringLiteral("p")}, true},
                      StoredValueCase{"LetterWithoutModifier", QStringLiteral("p"), true},
                      StoredValueCase{"UnknownKeyName", QStringLiteral("cmd+nosuchkey"), true},
                      StoredValueCase{"ModifiersOnly", QStringLiteral("cmd+shift"), true}),
    [](const ::testing::TestParamInfo<StoredValueCase> &info) { return std::string(info.param.name); });

TEST_F(HotkeyBinderTest, ClearingTheKeyReleasesWithoutAnError)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    binder.bindShortcutWithDefaultsKey(kPalette, [] {});

    settings.remove(kPalette);

    EXPECT_TRUE(grabber.grabbed().empty());
    EXPECT_TRUE(binder.status(kPalette).isOk());
    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(binder.isBound(kPalette)); // still followed: writing a value grabs again
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    EXPECT_EQ(grabber.grabbed().size(), 1u);
}

TEST_F(HotkeyBinderTest, TwoKeysCannotShareACombinationUntilTheFirstMoves)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    settings.setValue(kOpen, QStringLiteral("cmd+shift+p"));
    int opened = 0;
    binder.bindShortcutWithDefaultsKey(kPalette, [] {});

    const Result<void> status = binder.bindShortcutWithDefaultsKey(kOpen, [&] { ++opened; });
    EXPECT_FALSE(status.isOk());
    EXPECT_TRUE(status.reason().contains(kPalette)) << status.reason().toStdString();

    settings.setValue(kPalette, QStringLiteral("cmd+shift+k"));

    EXPECT_TRUE(binder.status(kOpen).isOk());
    EXPECT_EQ(binder.shortcutForKey(kOpen), shortcutOf("cmd+shift+p"));
    EXPECT_TRUE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_EQ(opened, 1);
}

TEST_F(HotkeyBinderTest, UnbindReleasesAndStopsFollowingTheKey)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    int pressed = 0;
    binder.bindShortcutWithDefaultsKey(kPalette, [&] { ++pressed; });

    binder.unbind(kPalette);
    settings.setValue(kPalette, QStringLiteral("cmd+shift+k"));

    EXPECT_TRUE(grabber.grabbed().empty());
    EXPECT_EQ(grabber.grabRequests().size(), 1u);
    EXPECT_FALSE(binder.isBound(kPalette));
    EXPECT_EQ(binder.shortcutForKey(kPalette), std::nullopt);
    EXPECT_FALSE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_EQ(pressed, 0);
}

TEST_F(HotkeyBinderTest, AnActionMayUnbindItsOwnKey)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    int pressed = 0;
    binder.bindShortcutWithDefaultsKey(kPalette, [&] {
        ++pressed;
        binder.unbind(kPalette);
    });

    EXPECT_TRUE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_FALSE(grabber.press(shortcutOf("cmd+shift+p")));
    EXPECT_EQ(pressed, 1);
}

TEST_F(HotkeyBinderTest, ASlotMayUnbindWhileAChangeIsReported)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    binder.bindShortcutWithDefaultsKey(kPalette, [] {});
    QObject::connect(&binder, &HotkeyBinder::boundShortcutChanged, [&](const QString &key) { binder.unbind(key); });

    settings.setValue(kPalette, QStringLiteral("cmd+shift+k"));

    EXPECT_FALSE(binder.isBound(kPalette));
    EXPECT_TRUE(grabber.grabbed().empty());
    EXPECT_EQ(grabber.strayUngrabs(), 0);
}

TEST_F(HotkeyBinderTest, DestroyingTheBinderReleasesEveryGrab)
{
    test::FakeHotkeyGrabber ownGrabber;
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    settings.setValue(kOpen, QStringLiteral("cmd+shift+o"));
    {
        HotkeyBinder scoped(settings, ownGrabber);
        scoped.bindShortcutWithDefaultsKey(kPalette, [] {});
        scoped.bindShortcutWithDefaultsKey(kOpen, [] {});
        ASSERT_EQ(ownGrabber.grabbed().size(), 2u);
    }
    EXPECT_TRUE(ownGrabber.grabbed().empty());
    EXPECT_EQ(ownGrabber.strayUngrabs(), 0);
    settings.setValue(kPalette, QStringLiteral("cmd+shift+k")); // no binder left to react
    EXPECT_EQ(ownGrabber.grabRequests().size(), 2u);
}

TEST_F(HotkeyBinderTest, TheBoundShortcutCanBeReadFromAnotherThread)
{
    settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
    binder.bindShortcutWithDefaultsKey(kPalette, [] {});

    std::optional<Shortcut> seen;
    std::unique_ptr<QThread> reader(QThread::create([&] { seen = binder.shortcutForKey(kPalette); }));
    reader->start();
    ASSERT_TRUE(reader->wait(10000));

    EXPECT_EQ(seen, shortcutOf("cmd+shift+p"));
}

} // namespace
} // namespace tavolin
