// Stores used by several processes at once: the palette and the preferences program on
// "CommandExtensions-db", and a run that ended without closing its database.
#include "common/Paths.h"
#include "common/Store.h"
#include "support/ChildProcess.h"
#include "support/IsolatedHome.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <string>

#include <unistd.h>

using namespace std::chrono_literals;

namespace tavolin {
namespace {

using Sharing = Store::Sharing;

const QString kShared = u"CommandExtensions-db"_qs;

// Child: writes one pair into the Exclusive store args[0] and dies without closing it.
TAVOLIN_CHILD_ROLE(store_write_then_die)
{
    Store store(args.at(0));
    if (!store.isOpen() || !store.put(args.at(1), args.at(2)))
        return 2;
    ::kill(::getpid(), SIGKILL);
    return 3;
}

// Child: holds args[0] open (Exclusive), says "ready", and on any input line writes and reads once more.
TAVOLIN_CHILD_ROLE(store_hold_open)
{
    Store store(args.at(0));
    if (!store.isOpen() || !store.put(u"before"_qs, u"1"_qs))
        return 2;
    std::cout << "ready" << std::endl;
    std::string line;
    if (!std::getline(std::cin, line))
        return 3;
    if (!store.put(u"after"_qs, u"2"_qs))
        return 4;
    return store.get(u"before"_qs) == QLatin1String("1") && store.get(u"after"_qs) == QLatin1String("2") ? 0 : 5;
}

QString keyFor(const QString &tag, int i) { return tag + u"_%1"_qs.arg(i, 4, 10, QLatin1Char('0')); }
QString valueFor(const QString &tag, int i) { return u"[{\"from\":\"%1\",\"n\":%2}]"_qs.arg(tag).arg(i); }

// Child: one of two programs sharing the database, args: tag, other tag, count. After "go" it writes
// its keys one by one, reads each back, and before the next one waits for the other's key of the same
// step, so the two strictly take turns while the waiting side keeps reading. Prints "<operations>
// <milliseconds>"; exits 0 when no operation failed and the other kept pace within the bound.
TAVOLIN_CHILD_ROLE(store_alternate)
{
    const QString tag = args.at(0), other = args.at(1);
    const int count = args.at(2).toInt();
    Store store(kShared, Sharing::SharedBetweenPrograms);
    if (!store.isOpen())
        return 2;
    std::cout << "ready" << std::endl;
    std::string line;
    if (!std::getline(std::cin, line))
        return 3;
    QElapsedTimer timer;
    timer.start();
    const QDeadlineTimer deadline(60s);
    int failures = 0, operations = 0;
    for (int i = 0; i < count && !deadline.hasExpired(); ++i) {
        failures += store.put(keyFor(tag, i), valueFor(tag, i)) && store.get(keyFor(tag, i)) == valueFor(tag, i) ? 0 : 1;
        operations += 2;
        while (store.get(keyFor(other, i)) != valueFor(other, i) && !deadline.hasExpired())
            ++operations;
    }
    std::cout << operations << ' ' << timer.elapsed() << std::endl;
    if (failures || deadline.hasExpired())
        std::cerr << tag.toStdString() << ": " << failures << " failed operations, timed out: " << deadline.hasExpired()
                  << std::endl;
    return failures || deadline.hasExpired() ? 1 : 0;
}

// Reads the child's next line within `timeout`; empty on time-out or exit.
QByteArray readLine(QProcess &process, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!process.canReadLine())
        if (!process.waitForReadyRead(int(deadline.remainingTime())))
            return {};
    return process.readLine().trimmed();
}

void startChild(QProcess &process, const QString &role, const QStringList &args)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(test::childProgram(), test::childArguments(role, args));
    ASSERT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();
}

class StoreProcessTest : public ::testing::Test
{
protected:
    test::IsolatedHome home;
    QString lockFile(const QString &name) const { return paths::dataDir() + QLatin1Char('/') + name + u"/LOCK"_qs; }
};

TEST_F(StoreProcessTest, LockFileOfAKilledProcessDoesNotBlockOpening)
{
    QProcess child;
    startChild(child, u"store_write_then_die"_qs, {u"MenuItemHistory"_qs, u"k"_qs, u"written before the crash"_qs});
    ASSERT_TRUE(child.waitForFinished(30000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "child exit code " << child.exitCode();
    ASSERT_TRUE(QFile::exists(lockFile(u"MenuItemHistory"_qs)));

    for (Sharing sharing : {Sharing::Exclusive, Sharing::SharedBetweenPrograms}) {
        SCOPED_TRACE(int(sharing));
        Store store(u"MenuItemHistory"_qs, sharing, 0ms); // no waiting: the leftover must not block
        EXPECT_TRUE(store.isOpen());
        EXPECT_EQ(store.get(u"k"_qs), u"written before the crash"_qs);
    }
    EXPECT_TRUE(QFile::exists(lockFile(u"MenuItemHistory"_qs)));
}

TEST_F(StoreProcessTest, LockOfALiveProcessIsNeverTakenAway)
{
    QProcess child;
    startChild(child, u"store_hold_open"_qs, {kShared});
    ASSERT_EQ(readLine(child, 30s), "ready");

    {
        Store store(kShared, Sharing::SharedBetweenPrograms, 100ms);
        EXPECT_FALSE(store.isOpen());
        EXPECT_EQ(store.get(u"before"_qs), QString());
        EXPECT_FALSE(store.put(u"intruder"_qs, u"x"_qs));
        EXPECT_TRUE(store.findKeys(QString()).isEmpty());
    }
    EXPECT_TRUE(QFile::exists(lockFile(kShared)));

    child.write("go\n");
    child.closeWriteChannel();
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);

    Store store(kShared, Sharing::SharedBetweenPrograms);
    EXPECT_EQ(store.findKeys(QString()), (QStringList{u"2"_qs, u"1"_qs})); // "after", "before"
}

TEST_F(StoreProcessTest, TwoProgramsTakingTurnsLoseNoWriteAndFailNoOperation)
{
    constexpr int kCount = 100;
    QProcess palette, preferences;
    startChild(palette, u"store_alternate"_qs, {u"a"_qs, u"b"_qs, QString::number(kCount)});
    startChild(preferences, u"store_alternate"_qs, {u"b"_qs, u"a"_qs, QString::number(kCount)});
    ASSERT_EQ(readLine(palette, 30s), "ready");
    ASSERT_EQ(readLine(preferences, 30s), "ready");
    // QProcess buffers stdin until its events run: flush both now, or the second would start only once the
    // first has finished.
    for (QProcess *process : {&palette, &preferences}) {
        process->write("go\n");
        ASSERT_TRUE(process->waitForBytesWritten(10000));
    }

    for (QProcess *process : {&palette, &preferences}) {
        ASSERT_TRUE(process->waitForFinished(90000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0);
        std::cout << "operations, milliseconds: " << readLine(*process, 1s).toStdString() << std::endl;
    }

    Store store(kShared, Sharing::SharedBetweenPrograms);
    for (const QString &tag : {u"a"_qs, u"b"_qs}) {
        QStringList expected;
        for (int i = 0; i < kCount; ++i)
            expected << valueFor(tag, i);
        EXPECT_EQ(store.findKeys(tag + QLatin1Char('_')).join(QLatin1Char('\n')).toStdString(),
                  expected.join(QLatin1Char('\n')).toStdString());
    }
}

} // namespace
} // namespace tavolin
