#include "platform/linux/WindowClassCache.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;

// A fake /proc whose processes have a start time, and a lookup that answers from a table and counts its calls.
class WindowClassCacheTest : public testing::Test
{
public:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    void startProcess(int pid, int startTime)
    {
        const QString dir = m_dir.filePath(QString::number(pid));
        QDir().mkpath(dir);
        QFile stat(dir + u"/stat"_s);
        ASSERT_TRUE(stat.open(QIODevice::WriteOnly));
        // The command name holds a space and a parenthesis, as real ones may.
        stat.write(u"%1 (my (app) x) S 1 1 1 0 -1 4194560 100 0 0 0 5 2 0 0 20 0 3 0 %2 1000 50\n"_s
                       .arg(pid)
                       .arg(startTime)
                       .toUtf8());
    }
    void endProcess(int pid) { QDir(m_dir.filePath(QString::number(pid))).removeRecursively(); }

    WindowClassCache makeCache()
    {
        return WindowClassCache(
            [this](int32_t pid) {
                m_asked.push_back(pid);
                const auto it = m_classes.find(pid);
                return it == m_classes.end() ? std::nullopt : std::optional<QString>(it->second);
            },
            m_dir.path());
    }

    QTemporaryDir m_dir;
    std::map<int32_t, QString> m_classes;
    std::vector<int32_t> m_asked;
};

TEST_F(WindowClassCacheTest, SameProcessIsLookedUpOnce)
{
    startProcess(10, 500);
    m_classes[10] = u"Mousepad"_s;
    WindowClassCache cache = makeCache();
    EXPECT_EQ(cache.classOf(10), u"Mousepad"_s);
    m_classes[10] = u"Changed"_s;
    EXPECT_EQ(cache.classOf(10), u"Mousepad"_s);
    EXPECT_EQ(m_asked, std::vector<int32_t>{10});
}

struct AskAgainCase
{
    const char *name;
    std::function<void(WindowClassCacheTest &)> between; // what happens between the two calls
    std::optional<QString> firstClass;                    // what the lookup finds first (none: no window yet)
    std::optional<QString> expectedSecond;
};

// Each row: the second call must ask the lookup again and give its answer, not the kept one.
TEST_F(WindowClassCacheTest, AsksAgainWhenTheKeptClassMayBeWrong)
{
    const std::vector<AskAgainCase> cases{
        {"PidReusedByANewProcess", [](WindowClassCacheTest &t) { t.startProcess(20, 900); }, u"Old"_s, u"New"_s},
        {"NoWindowAtFirst", [](WindowClassCacheTest &) {}, std::nullopt, u"New"_s},
        {"ProcessEnded", [](WindowClassCacheTest &t) { t.endProcess(20); }, u"Old"_s, u"New"_s},
    };
    for (const AskAgainCase &c : cases) {
        startProcess(20, 500);
        m_asked.clear();
        WindowClassCache cache = makeCache();
        if (c.firstClass)
            m_classes[20] = *c.firstClass;
        else
            m_classes.erase(20);
        EXPECT_EQ(cache.classOf(20), c.firstClass) << c.name;
        c.between(*this);
        m_classes[20] = u"New"_s;
        EXPECT_EQ(cache.classOf(20), c.expectedSecond) << c.name;
        EXPECT_EQ(m_asked.size(), 2u) << c.name;
    }
}

// More processes than it keeps: every answer stays right.
TEST_F(WindowClassCacheTest, ManyProcessesStayRight)
{
    WindowClassCache cache = makeCache();
    for (int round = 0; round < 2; ++round) {
        for (int pid = 100; pid < 300; ++pid) {
            if (round == 0) {
                startProcess(pid, pid * 3);
                m_classes[pid] = u"C%1"_s.arg(pid);
            }
            ASSERT_EQ(cache.classOf(pid), u"C%1"_s.arg(pid)) << pid;
        }
    }
}

} // namespace
} // namespace tavolin
