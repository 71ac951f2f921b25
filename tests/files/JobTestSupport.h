#pragma once

#include "FilesTestSupport.h"
#include "support/IsolatedHome.h"
#include "support/ManualDispatcher.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin::test {

// Shared set-up of the job tests: queued work runs only when the test drains it, the user's folders are
// temporary, and applications come from the fake element source with windows.
class JobTest : public ::testing::Test
{
protected:
    AXAppPtr addApp(int32_t pid, const QString &title, const QString &executable, const QString &bundle)
    {
        QString error;
        EXPECT_TRUE(fake->addApplication(appDescription(pid, title, executable, bundle), &error)) << error.toStdString();
        return AXApp::create(source, dispatcher, {}, fake->applicationElement(pid));
    }

    // A file under the temporary folder.
    QString file(const QString &relative) { return makePath(dir.path(), relative); }
    QString fileUrl(const QString &relative) { return QUrl::fromLocalFile(file(relative)).toString(); }

    ManualDispatcher dispatcher;
    IsolatedHome home;
    QTemporaryDir dir;
    std::shared_ptr<FakeElementSource> fake = std::make_shared<FakeElementSource>();
    std::shared_ptr<WindowedElementSource> source = std::make_shared<WindowedElementSource>(fake);
    std::shared_ptr<RecordingJobWatcher> watcher = std::make_shared<RecordingJobWatcher>();
};

} // namespace tavolin::test
