#include "support/IsolatedHome.h"

#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "ui/shell/WelcomeBridge.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace tavolin::test {
namespace {

class WelcomeBridgeTest : public ::testing::Test
{
protected:
    IsolatedHome m_home;
    SettingsDomain m_settings;
    WelcomeBridge m_bridge{m_settings, [] {}};
};

TEST_F(WelcomeBridgeTest, SettingStoresOnlyTheTwoFlags)
{
    const QJsonValue none = QJsonValue::Undefined; // nothing stored
    const struct { const char *name; QJsonValue body; const char *key; QJsonValue stored; } cases[] = {
        {"start on login true", QJsonObject{{"key", "startOnLogin"}, {"value", true}}, "startOnLogin", true},
        {"send data false", QJsonObject{{"key", "sendData"}, {"value", false}}, "sendData", false},
        {"missing value stores false", QJsonObject{{"key", "startOnLogin"}}, "startOnLogin", false},
        {"non-bool value stores false", QJsonObject{{"key", "sendData"}, {"value", "yes"}}, "sendData", false},
        {"other keys change nothing", QJsonObject{{"key", "listNumber"}, {"value", true}}, "listNumber", none},
        {"a body not an object changes nothing", QJsonArray{"startOnLogin", true}, "startOnLogin", none},
    };
    for (const auto &c : cases) {
        m_settings.remove(QString::fromLatin1(c.key));
        m_bridge.handleMessage(u"setting"_qs, c.body);
        EXPECT_EQ(m_settings.value(QString::fromLatin1(c.key)), c.stored) << c.name;
    }
}

TEST_F(WelcomeBridgeTest, HotkeyStoresTheShortcutAndItsTextUnlessRefused)
{
    EXPECT_FALSE(m_bridge.handleMessage(u"hotkey"_qs, QJsonObject{{"key", "P"}, {"modifiers", QJsonArray{}}}));
    EXPECT_FALSE(m_bridge.handleMessage(u"hotkey"_qs, QJsonObject{{"key", "NoSuchKey"}, {"modifiers", QJsonArray{"⌘"}}}));
    EXPECT_FALSE(m_bridge.handleMessage(u"hotkey"_qs, QJsonObject{{"modifiers", QJsonArray{"⌘"}}}));
    EXPECT_FALSE(m_settings.contains(settings::kPaletteShortcut));

    EXPECT_TRUE(m_bridge.handleMessage(u"hotkey"_qs, QJsonObject{{"key", "P"}, {"modifiers", QJsonArray{"⌘", "⇧"}}}));
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcut), u"cmd+shift+p"_qs);
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcutString), u"⇧⌘P"_qs);
}

} // namespace
} // namespace tavolin::test
