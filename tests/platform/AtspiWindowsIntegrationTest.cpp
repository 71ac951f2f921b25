// The windows and documents of real applications under the headless session, as quick open reads them
// through the AT-SPI element source.
#include "AtspiTestSupport.h"

#include "accessibility/AXUtils.h"
#include "files/OpenedJob.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;
using test::TestApp;

// Documents of every window, in window order; absent entries for windows without one.
std::vector<std::optional<QString>> documentsOf(AtspiElementSource &source, const ElementRef &app)
{
    std::vector<std::optional<QString>> documents;
    if (const auto windows = AXUtils::getAny<ElementList>(source, AXAttribute::Windows, app)) {
        for (const ElementRef &window : *windows)
            documents.push_back(AXUtils::getAny<QString>(source, AXAttribute::Document, window));
    }
    return documents;
}

class AtspiWindowsIntegrationTest : public test::AtspiSessionTest
{
protected:
    void SetUp() override
    {
        if (!test::installed(u"mousepad"_s))
            GTEST_SKIP() << "mousepad is not installed";
        AtspiSessionTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(m_dir.isValid());
        // A name that a shell or a careless splitter would break apart.
        m_file = QDir(m_dir.path()).filePath(u"my notes; it's - draft.txt"_s);
        QFile file(m_file);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("hello\n");
    }

    // mousepad with the file; its element once the title names the file, a moment after the window appears.
    std::unique_ptr<TestApp> startWithDocument(ElementRef &element)
    {
        auto app = startMousepad({m_file});
        element = app ? waitForApp(app->pid()) : nullptr;
        EXPECT_TRUE(element);
        const bool loaded = element && test::waitFor([&] {
            const auto documents = documentsOf(*m_source, element);
            return std::find(documents.begin(), documents.end(), std::optional<QString>(m_file)) != documents.end();
        }, std::chrono::seconds(10));
        EXPECT_TRUE(loaded) << "windows read: " << (element ? documentsOf(*m_source, element).size() : 0);
        return loaded ? std::move(app) : nullptr;
    }

    QTemporaryDir m_dir;
    QString m_file;
};

TEST_F(AtspiWindowsIntegrationTest, MousepadShowsItsFileThroughTheWindowsDocument)
{
    ElementRef element;
    auto app = startWithDocument(element);
    ASSERT_TRUE(app);
    const auto main = AXUtils::getAny<ElementRef>(*m_source, AXAttribute::MainWindow, element);
    ASSERT_TRUE(main);
    EXPECT_EQ(AXUtils::getAny<QString>(*m_source, AXAttribute::Document, *main), m_file);
    EXPECT_EQ(AXUtils::getAny<QString>(*m_source, AXAttribute::Role, *main), u"AXWindow"_s);
    int32_t pid = 0;
    EXPECT_EQ(m_source->pid(*main, pid), AXError::Success);
    EXPECT_EQ(pid, int32_t(app->pid()));

    // What the "Opened" group lists for it.
    FileStep step;
    const auto rows = OpenedJob::loadFilesFromWindow(*m_source, element, step);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1);
    EXPECT_EQ(rows->first()->url(), QUrl::fromLocalFile(m_file));
}

TEST_F(AtspiWindowsIntegrationTest, UntitledDocumentGivesNoDocument)
{
    auto app = startMousepad();
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
    ElementRef element;
    auto app = startWithDocument(element);
    ASSERT_TRUE(app);
    ASSERT_EQ(::kill(pid_t(app->pid()), SIGSTOP), 0);
    QElapsedTimer timer;
    timer.start();
    AXValue value;
    EXPECT_EQ(m_source->copyAttributeValue(element, AXAttribute::Windows, value), AXError::CannotComplete);
    EXPECT_LT(timer.restart(), 1200) << "one messaging time-out for the whole read";
    EXPECT_EQ(m_source->copyAttributeValue(element, AXAttribute::MainWindow, value), AXError::CannotComplete);
    EXPECT_LT(timer.elapsed(), 100) << "an application known to hang is not asked again";
    ::kill(pid_t(app->pid()), SIGCONT);
}

} // namespace
} // namespace tavolin
