#include "support/IsolatedHome.h"
#include "support/WaitFor.h"

#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "common/Autostart.h"
#include "ui/shell/WelcomeBridge.h"

#include <QFile>
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
    int m_closes = 0;
    WelcomeBridge m_bridge{m_settings, [this] { ++m_closes; }};
};

struct SettingCase
{
    const char *name;
    QJsonValue body;
    const char *key;
    QJsonValue stored; // Undefined: nothing stored
};

class WelcomeSettingTest : public WelcomeBridgeTest, public ::testing::WithParamInterface<SettingCase>
{
};

const SettingCase kSettings[] = {
    {"StartOnLoginTrue", QJsonObject{{"key", "startOnLogin"}, {"value", true}}, "startOnLogin", true},
    {"SendDataFalse", QJsonObject{{"key", "sendData"}, {"value", false}}, "sendData", false},
    {"MissingValueStoresFalse", QJsonObject{{"key", "startOnLogin"}}, "startOnLogin", false},
    {"NonBoolValueStoresFalse", QJsonObject{{"key", "sendData"}, {"value", "yes"}}, "sendData", false},
    {"OtherKeysChangeNothing", QJsonObject{{"key", "listNumber"}, {"value", true}}, "listNumber", QJsonValue::Undefined},
    {"BodyNotAnObjectChangesNothing", QJsonArray{"startOnLogin", true}, "startOnLogin", QJsonValue::Undefined},
};

TEST_P(WelcomeSettingTest, StoresOnlyTheTwoFlags)
{
    const SettingCase &c = GetParam();
    m_bridge.handleMessage(u"setting"_qs, c.body);
    EXPECT_EQ(m_settings.value(QString::fromLatin1(c.key)), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Messages, WelcomeSettingTest, ::testing::ValuesIn(kSettings),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(WelcomeBridgeTest, HotkeyStoresTheShortcutAndItsText)
{
    const QJsonObject body{{"key", "P"}, {"modifiers", QJsonArray{"⌘", "⇧"}}};
    EXPECT_TRUE(m_bridge.handleMessage(u"hotkey"_qs, body));
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcut), u"cmd+shift+p"_qs);
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcutString), u"⇧⌘P"_qs);
}

TEST_F(WelcomeBridgeTest, RefusedHotkeysChangeNothing)
{
    EXPECT_FALSE(m_bridge.handleMessage(u"hotkey"_qs, QJsonObject{{"key", "P"}, {"modifiers", QJsonArray{}}}));
    EXPECT_FALSE(m_bridge.handleMessage(u"hotkey"_qs, QJsonObject{{"key", "NoSuchKey"}, {"modifiers", QJsonArray{"⌘"}}}));
    EXPECT_FALSE(m_bridge.handleMessage(u"hotkey"_qs, QJsonObject{{"modifiers", QJsonArray{"⌘"}}}));
    EXPECT_FALSE(m_settings.contains(settings::kPaletteShortcut));
}

TEST(AutostartTest, WritesAndRemovesTheEntry)
{
    IsolatedHome home;
    ASSERT_TRUE(autostart::entryPath().startsWith(home.configHome()));
    ASSERT_TRUE(autostart::setEnabled(true, u"/opt/my \"odd\" $dir/tavolin"_qs));
    QFile file(autostart::entryPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(u"Exec=\"/opt/my \\\"odd\\\" \\$dir/tavolin\"\n"_qs)) << text.toStdString();
    EXPECT_TRUE(autostart::isEnabled());
    EXPECT_TRUE(autostart::setEnabled(false, QString()));
    EXPECT_FALSE(autostart::isEnabled());
    EXPECT_TRUE(autostart::setEnabled(false, QString()));
}

} // namespace
} // namespace tavolin::test
