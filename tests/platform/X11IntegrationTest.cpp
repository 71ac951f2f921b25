// Focus, hot keys and key posting against real windows under the headless session.
#include <gtest/gtest.h> // before Xlib, whose None macro clashes with gtest

#include "HeadlessSession.h"

#include "common/KeyData.h"
#include "common/Log.h"
#include "common/SafeKeyCodeString.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/X11Focus.h"
#include "platform/linux/X11HotkeyGrabber.h"
#include "platform/linux/X11KeyPoster.h"
#include "support/WaitFor.h"

#include <QProcess>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;
using test::HeadlessSession;
using test::TestApp;

const Shortcut kCtrlShiftP(keycode::kP, eventflag::kCommand | eventflag::kShift);
const Shortcut kCtrlShiftO(31, eventflag::kCommand | eventflag::kShift);

// Waits (bounded) until `count` is `expected`.
bool reaches(const int &count, int expected)
{
    return test::waitFor([&] { return count == expected; }, std::chrono::seconds(5));
}

class X11IntegrationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_session = HeadlessSession::get();
        if (!m_session)
            GTEST_SKIP() << HeadlessSession::reason().toStdString();
        m_connection = x11::Connection::open();
        ASSERT_TRUE(m_connection);
    }

    void TearDown() override
    {
        if (m_session)
            m_session->stopWindowManager();
    }

    Display *display() const { return m_connection->display(); }

    void moveInto(const TestApp &app)
    {
        const auto windows = x11::clientWindowsOf(display(), int32_t(app.pid()));
        ASSERT_FALSE(windows.empty());
        Window child = 0;
        int x = 0, y = 0;
        XTranslateCoordinates(display(), windows.back(), m_connection->root(), 20, 60, &x, &y, &child);
        XTestFakeMotionEvent(display(), -1, x, y, CurrentTime);
        XSync(display(), False);
    }

    // Gives `app` the focus (through the window manager when one runs) and waits until it has it.
    void activate(const TestApp &app)
    {
        const auto windows = x11::clientWindowsOf(display(), int32_t(app.pid()));
        ASSERT_FALSE(windows.empty());
        ASSERT_TRUE(x11::activateWindow(display(), windows.back()));
        XSync(display(), False);
        ASSERT_TRUE(test::waitFor([&] { return focusedPid() == int32_t(app.pid()); }, std::chrono::seconds(5)));
    }

    // Presses and releases `key` (or the key of `keysym`) with Ctrl and Shift through XTest, as a user would.
    void pressCtrlShift(KeySym keysym) { pressCtrlShiftOn(XKeysymToKeycode(display(), keysym)); }
    void pressCtrlShiftOn(KeyCode key)
    {
        const KeyCode ctrl = XKeysymToKeycode(display(), XK_Control_L);
        const KeyCode shift = XKeysymToKeycode(display(), XK_Shift_L);
        for (KeyCode code : {ctrl, shift, key})
            XTestFakeKeyEvent(display(), code, True, CurrentTime);
        for (KeyCode code : {key, shift, ctrl})
            XTestFakeKeyEvent(display(), code, False, CurrentTime);
        XSync(display(), False);
    }
    void toggleCapsLock()
    {
        const KeyCode caps = XKeysymToKeycode(display(), XK_Caps_Lock);
        XTestFakeKeyEvent(display(), caps, True, CurrentTime);
        XTestFakeKeyEvent(display(), caps, False, CurrentTime);
        XSync(display(), False);
    }

    int32_t focusedPid()
    {
        const auto focused = x11::focusedWindow(display());
        return focused ? focused->pid : 0;
    }

    HeadlessSession *m_session = nullptr;
    std::unique_ptr<x11::Connection> m_connection;
};

TEST_F(X11IntegrationTest, FocusFollowsTheActiveOfTwoApplicationsWithoutAndWithAWindowManager)
{
    for (const bool windowManager : {false, true}) {
        SCOPED_TRACE(windowManager ? "under openbox" : "without window manager");
        if (windowManager && !m_session->startWindowManager())
            GTEST_SKIP() << "openbox did not start";
        EXPECT_EQ(x11::hasEwmhWindowManager(display()), windowManager);
        auto first = TestApp::startFixture(u"first"_s);
        auto second = TestApp::startFixture(u"second"_s);
        ASSERT_TRUE(first && second);
        for (TestApp *app : {first.get(), second.get(), first.get()}) {
            activate(*app);
            EXPECT_EQ(focusedPid(), int32_t(app->pid()));
        }
    }
}

TEST_F(X11IntegrationTest, FocusFollowsThePointerWhenNobodySetIt)
{
    auto app = TestApp::startFixture();
    ASSERT_TRUE(app);
    XSetInputFocus(display(), PointerRoot, RevertToPointerRoot, CurrentTime);
    moveInto(*app);
    EXPECT_EQ(focusedPid(), int32_t(app->pid()));
    XTestFakeMotionEvent(display(), -1, 1270, 1010, CurrentTime); // the bare root: nobody
    XSync(display(), False);
    EXPECT_EQ(x11::focusedWindow(display()), std::nullopt);
}

TEST_F(X11IntegrationTest, HotkeyPressedThroughXTestReachesTheGrabberWithAnyLockState)
{
    X11HotkeyGrabber grabber;
    ASSERT_TRUE(grabber.isConnected());
    int presses = 0;
    ASSERT_TRUE(grabber.grab(kCtrlShiftP, [&] { ++presses; }).isOk());
    pressCtrlShift(XK_p);
    EXPECT_TRUE(reaches(presses, 1));
    // With Caps Lock on, the Lock variant of the grab catches it.
    toggleCapsLock();
    pressCtrlShift(XK_p);
    EXPECT_TRUE(reaches(presses, 2));
    toggleCapsLock();

    grabber.ungrab(kCtrlShiftP);
    pressCtrlShift(XK_p);
    // Nothing may arrive after ungrab; a second, still-grabbed key proves events were processed meanwhile.
    int others = 0;
    ASSERT_TRUE(grabber.grab(kCtrlShiftO, [&] { ++others; }).isOk());
    pressCtrlShift(XK_o);
    EXPECT_TRUE(reaches(others, 1));
    EXPECT_EQ(presses, 2);
}

TEST_F(X11IntegrationTest, CombinationHeldByAnotherClientIsReportedAndLeavesNoPartialGrab)
{
    X11HotkeyGrabber holder;
    X11HotkeyGrabber second;
    ASSERT_TRUE(holder.grab(kCtrlShiftP, [] {}).isOk());
    const Result<void> status = second.grab(kCtrlShiftP, [] {});
    EXPECT_FALSE(status.isOk());
    EXPECT_TRUE(status.reason().contains(u"already taken"_s)) << status.reason().toStdString();

    // Once the holder lets go, the second grabber gets every variant.
    holder.ungrab(kCtrlShiftP);
    int presses = 0;
    ASSERT_TRUE(second.grab(kCtrlShiftP, [&] { ++presses; }).isOk());
    pressCtrlShift(XK_p);
    EXPECT_TRUE(reaches(presses, 1));
}

// Runs setxkbmap on the session's display; true when it finished and succeeded.
bool setLayout(const QStringList &args)
{
    QProcess process;
    process.start(u"setxkbmap"_s, args);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The key that types `keysym` now, read over a fresh connection (an older one keeps Xlib's copy of the
// mapping until it reads the change).
KeyCode keycodeNow(KeySym keysym)
{
    const auto fresh = x11::Connection::open();
    return fresh ? XKeysymToKeycode(fresh->display(), keysym) : 0;
}

// After a layout change the shortcut's key is where the layout puts its letter: Ctrl+Shift+P under Dvorak
// is pressed on the key that types p there, and the key that typed p before no longer opens anything.
TEST_F(X11IntegrationTest, HotkeyFollowsAKeyboardLayoutChangeToTheLettersNewKey)
{
    if (!setLayout({"-layout", "us"}))
        GTEST_SKIP() << "setxkbmap does not work on this display";
    bool regrabbed = false;
    log::setSink([&](log::Level, const QString &line) {
        if (line.contains(u"grabbed again after a keyboard mapping change"_s))
            regrabbed = true;
    });
    struct Restore
    {
        ~Restore()
        {
            setLayout({"-layout", "us"});
            log::setSink({});
        }
    } restore;
    X11HotkeyGrabber grabber;
    int presses = 0;
    ASSERT_TRUE(grabber.grab(kCtrlShiftP, [&] { ++presses; }).isOk());
    const KeyCode usKey = keycodeNow(XK_p);
    pressCtrlShiftOn(usKey);
    ASSERT_TRUE(reaches(presses, 1));

    ASSERT_TRUE(setLayout({"-layout", "us", "-variant", "dvorak"}));
    const KeyCode dvorakKey = keycodeNow(XK_p);
    ASSERT_NE(dvorakKey, usKey);
    ASSERT_TRUE(test::waitFor([&] { return regrabbed; }, std::chrono::seconds(5)));

    pressCtrlShiftOn(dvorakKey);
    EXPECT_TRUE(reaches(presses, 2));
    // The old key first, then the new one: once the new press has arrived, the old one was handled too.
    pressCtrlShiftOn(usKey);
    pressCtrlShiftOn(dvorakKey);
    EXPECT_TRUE(test::waitFor([&] { return presses >= 3; }, std::chrono::seconds(5)));
    EXPECT_EQ(presses, 3) << "the key that typed p before the change still opens the palette";
}

TEST_F(X11IntegrationTest, PostedCombinationTriggersTheQtApplicationsMenuCommandAndNeedsAWindow)
{
    auto app = TestApp::startFixture();
    ASSERT_TRUE(app);
    X11KeyPoster poster;
    // While our own grab holds the same combination (the bypass case), the posted event still reaches
    // the application and not us.
    X11HotkeyGrabber grabber;
    int ours = 0;
    ASSERT_TRUE(grabber.grab(kCtrlShiftP, [&] { ++ours; }).isOk());
    auto other = TestApp::startFixture(u"other"_s); // holds the focus: the poster activates
    ASSERT_TRUE(other);
    activate(*other);
    const Result<void> posted = poster.post(int32_t(app->pid()), kCtrlShiftP);
    ASSERT_TRUE(posted.isOk()) << posted.reason().toStdString();
    EXPECT_TRUE(app->waitForLogLine(u"triggered Edit > Command Palette"_s));
    // A grab that wrongly caught the posted key may not have been handled here yet: a second grabbed key,
    // pressed after it, is handled after it (the server delivers our events in order).
    int later = 0;
    ASSERT_TRUE(grabber.grab(kCtrlShiftO, [&] { ++later; }).isOk());
    pressCtrlShift(XK_o);
    ASSERT_TRUE(reaches(later, 1));
    EXPECT_EQ(ours, 0);
    // A process without windows gets nothing.
    EXPECT_FALSE(poster.post(int32_t(::getpid()), kCtrlShiftP).isOk());
    EXPECT_FALSE(poster.post(0, kCtrlShiftP).isOk());
}

} // namespace
} // namespace tavolin
