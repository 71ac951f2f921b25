// The windows and documents of real applications under the headless session, as quick open reads them
// through the AT-SPI element source.
#include <gtest/gtest.h>

#include "AtspiTestThread.h"
#include "HeadlessSession.h"

#include "accessibility/AXUtils.h"
#include "files/OpenedJob.h"
#include "platform/linux/AtspiElementSource.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>

namespace tavolin {
namespace {

using test::HeadlessSession;
using test::TestApp;

// Documents of every window, in window order; absent entries for windows without one.
std::vector<std::optional<QString>> documentsOf(AtspiElementSource &source, const ElementRef &app)
{
    std::vector<std::optional<QString>> documents;
    const auto windows = AXUtils::getAny<ElementList>(source, AXAttribute::Windows, app);
    if (!windows)
        return documents;
    for (const ElementRef &window : *windows)
        documents.push_back(AXUtils::getAny<QString>(source, AXAttribute::Document, window));
    return documents;
}

bool holds(const std::vector<std::optional<QString>> &documents, const QString &path)
{
    return std::find(documents.begin(), documents.end(), std::optional<QString>(path)) != documents.end();
}

class AtspiWindowsIntegrationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty())
            GTEST_SKIP() << "mousepad is not installed";
        if (!HeadlessSession::get())
            GTEST_SKIP() << HeadlessSession::reason().toStdString();
        m_source = std::make_shared<AtspiElementSource>(test::atspiTestThread());
        if (!m_source->isReady())
            GTEST_SKIP() << "the accessibility bus did not answer";
        ASSERT_TRUE(m_dir.isValid());
        // A name that a shell or a careless splitter would break apart.
        m_file = QDir(m_dir.path()).filePath(QStringLiteral("my notes; it's - draft.txt"));
        QFile file(m_file);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("hello\n");
    }

    std::unique_ptr<TestApp> startMousepad(const QStringList &files)
    {
        // --disable-server: otherwise a second mousepad hands its files to the first process.
        return TestApp::start(QStringLiteral("mousepad"), QStringList{QStringLiteral("--disable-server")} + files);
    }

    ElementRef waitForApp(qint64 pid)
    {
        ElementRef app;
        test::waitFor([&] { return (app = m_source->applicationForPid(int32_t(pid))) != nullptr; },
                      std::chrono::seconds(10));
        return app;
    }

    // The title is set once the file has loaded, a moment after the window appears.
    bool waitForDocument(const ElementRef &app, const QString &path)
    {
        return test::waitFor([&] { return holds(documentsOf(*m_source, app), path); }, std::chrono::seconds(10));
    }

    std::shared_ptr<AtspiElementSource> m_source;
    QTemporaryDir m_dir;
    QString m_file;
};

TEST_F(AtspiWindowsIntegrationTest, MousepadShowsItsFileThroughTheWindowsDocument)
{
    auto app = startMousepad({m_file});
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    ASSERT_TRUE(waitForDocument(element, m_file)) << "windows read: " << documentsOf(*m_source, element).size();

    const auto main = AXUtils::getAny<ElementRef>(*m_source, AXAttribute::MainWindow, element);
    ASSERT_TRUE(main);
    EXPECT_EQ(AXUtils::getAny<QString>(*m_source, AXAttribute::Document, *main), m_file);
    EXPECT_EQ(AXUtils::getAny<QString>(*m_source, AXAttribute::Role, *main), QStringLiteral("AXWindow"));
    int32_t pid = 0;
    EXPECT_EQ(m_source->pid(*main, pid), AXError::Success);
    EXPECT_EQ(pid, int32_t(app->pid()));

    // What the "Opened" group lists for it.
    FileStep step;
    const auto rows = OpenedJob::loadFilesFromWindow(*m_source, element, step);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1);
    EXPECT_EQ(rows->first()->url(), QUrl::fromLocalFile(m_file));

    // Figures: a whole windows read (GTK 3, libatspi cache), median of five.
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        documentsOf(*m_source, element);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("windows read, mousepad: median %.1f ms (min %.1f, max %.1f)\n", ms[2], ms[0], ms[4]);
}

TEST_F(AtspiWindowsIntegrationTest, UntitledDocumentGivesNoDocument)
{
    auto app = startMousepad({});
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    std::vector<std::optional<QString>> documents;
    ASSERT_TRUE(test::waitFor([&] { return !(documents = documentsOf(*m_source, element)).empty(); },
                              std::chrono::seconds(10)));
    for (const auto &document : documents)
        EXPECT_FALSE(document) << document->toStdString();
    FileStep step;
    const auto rows = OpenedJob::loadFilesFromWindow(*m_source, element, step);
    ASSERT_TRUE(rows);
    EXPECT_TRUE(rows->isEmpty());
}

TEST_F(AtspiWindowsIntegrationTest, QtWindowWithoutDocumentGivesNone)
{
    auto app = TestApp::startFixture();
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    if (!element) {
        for (const auto &[name, pid] : m_source->applications())
            std::printf("on the desktop: %s %d\n", qPrintable(name), pid);
        std::printf("fixture pid %lld\n", app->pid());
    }
    ASSERT_TRUE(element);
    // The window carries its title once it is shown; only then is its lack of a document final.
    std::optional<ElementRef> main;
    ASSERT_TRUE(test::waitFor([&] {
        main = AXUtils::getAny<ElementRef>(*m_source, AXAttribute::MainWindow, element);
        return main && AXUtils::getAny<QString>(*m_source, AXAttribute::Title, *main).has_value();
    }, std::chrono::seconds(10))) << (main ? "the main window has no title" : "no main window");
    EXPECT_FALSE(AXUtils::getAny<QString>(*m_source, AXAttribute::Document, *main));
}

TEST_F(AtspiWindowsIntegrationTest, StoppedApplicationGivesABoundedRead)
{
    auto app = startMousepad({m_file});
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    ASSERT_TRUE(waitForDocument(element, m_file));
    ASSERT_EQ(::kill(pid_t(app->pid()), SIGSTOP), 0);

    QElapsedTimer timer;
    timer.start();
    AXValue value;
    const AXError first = m_source->copyAttributeValue(element, AXAttribute::Windows, value);
    const qint64 firstMs = timer.restart();
    const AXError second = m_source->copyAttributeValue(element, AXAttribute::MainWindow, value);
    const qint64 secondMs = timer.elapsed();
    std::printf("stopped application: windows read %lld ms (%d), then %lld ms (%d)\n", firstMs, int(first),
                secondMs, int(second));
    EXPECT_EQ(first, AXError::CannotComplete);
    EXPECT_LT(firstMs, 1200) << "one messaging time-out for the whole read";
    EXPECT_EQ(second, AXError::CannotComplete);
    EXPECT_LT(secondMs, 100) << "an application known to hang is not asked again";
    ::kill(pid_t(app->pid()), SIGCONT);
}

} // namespace
} // namespace tavolin
