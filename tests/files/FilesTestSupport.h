#pragma once

#include "accessibility/AXApp.h"
#include "support/FakeElementSource.h"
#include "files/BaseJob.h"
#include "files/FileDataProvider.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <vector>

// Readable QString values in assertion messages.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace tavolin::test {

// The fake element source with windows: applications of a FakeElementSource get windows whose document
// attributes the test sets. Every other request goes to the wrapped source unchanged. Thread-safe.
class WindowedElementSource final : public ElementSource
{
public:
    explicit WindowedElementSource(std::shared_ptr<FakeElementSource> inner) : m_inner(std::move(inner)) {}

    FakeElementSource &inner() { return *m_inner; }

    // The windows of application `pid`, front (main) window first; each with its document attribute
    // (none: the window shows no document).
    void setWindows(int32_t pid, const std::vector<std::optional<QString>> &documents)
    {
        std::lock_guard lock(m_mutex);
        auto &windows = m_windows[pid];
        windows.clear();
        for (const auto &document : documents)
            windows.push_back(std::make_shared<Window>(pid, document));
    }

    ReadMode readMode() const override { return m_inner->readMode(); }
    ElementRef systemWideElement() override { return m_inner->systemWideElement(); }
    AXError setMessagingTimeout(const ElementRef &element, double seconds) override
    {
        return m_inner->setMessagingTimeout(element, seconds);
    }
    AXError copyAttributeValue(const ElementRef &element, AXAttribute attribute, AXValue &out) override
    {
        if (const auto *window = dynamic_cast<const Window *>(element.get())) {
            if (attribute != AXAttribute::Document)
                return AXError::AttributeUnsupported;
            if (!window->document)
                return AXError::NoValue;
            out = *window->document;
            return AXError::Success;
        }
        if (attribute == AXAttribute::Windows || attribute == AXAttribute::MainWindow) {
            int32_t pid = 0;
            if (m_inner->pid(element, pid) != AXError::Success)
                return AXError::InvalidElement;
            std::lock_guard lock(m_mutex);
            const auto found = m_windows.find(pid);
            if (found == m_windows.end() || found->second.empty())
                return AXError::NoValue;
            if (attribute == AXAttribute::MainWindow) {
                out = ElementRef(found->second.front());
            } else {
                out = ElementList(found->second.begin(), found->second.end());
            }
            return AXError::Success;
        }
        return m_inner->copyAttributeValue(element, attribute, out);
    }
    AXError attributeValueCount(const ElementRef &element, AXAttribute attribute, int64_t &count) override
    {
        return m_inner->attributeValueCount(element, attribute, count);
    }
    AXError pid(const ElementRef &element, int32_t &pid) override
    {
        if (const auto *window = dynamic_cast<const Window *>(element.get())) {
            pid = window->pid;
            return AXError::Success;
        }
        return m_inner->pid(element, pid);
    }
    AXError performAction(const ElementRef &element, const QString &action) override
    {
        return m_inner->performAction(element, action);
    }
    bool menuBarStartsWithSystemMenu() const override { return m_inner->menuBarStartsWithSystemMenu(); }
    bool isProcessTrusted() override { return m_inner->isProcessTrusted(); }
    std::optional<RunningApp> runningApplication(int32_t pid) override { return m_inner->runningApplication(pid); }

private:
    struct Window final : Element
    {
        Window(int32_t pid, std::optional<QString> document) : pid(pid), document(std::move(document)) {}
        int32_t pid;
        std::optional<QString> document;
    };

    std::shared_ptr<FakeElementSource> m_inner;
    mutable std::mutex m_mutex;
    std::map<int32_t, std::vector<std::shared_ptr<const Window>>> m_windows; // guarded by m_mutex
};

// An application description for the fake source.
inline QJsonObject appDescription(int32_t pid, const QString &title, const QString &executable,
                                  const QString &bundle)
{
    return QJsonObject{{QStringLiteral("pid"), pid},
                       {QStringLiteral("title"), title},
                       {QStringLiteral("appName"), executable},
                       {QStringLiteral("bundleIdentifier"), bundle},
                       {QStringLiteral("icon"), bundle}};
}

// Records what the jobs deliver, one entry per delivery. Main thread.
class RecordingJobWatcher final : public QuickOpenJobWatcher
{
public:
    struct Delivery
    {
        QString group;
        QStringList titles;
    };

    void onAppend(BaseJob &job, const QList<FileItemDataPtr> &rows) override
    {
        Delivery delivery{job.group(), {}};
        for (const FileItemDataPtr &row : rows)
            delivery.titles << row->title();
        deliveries.push_back(delivery);
    }

    // Every title delivered for `group`, in order, repeats included.
    QStringList titles(const QString &group) const
    {
        QStringList out;
        for (const Delivery &delivery : deliveries) {
            if (delivery.group == group)
                out << delivery.titles;
        }
        return out;
    }

    std::vector<Delivery> deliveries;
};

// A job that only has a group name: hands rows to the provider as one of its sources would.
class StubJob final : public BaseJob
{
public:
    StubJob(QString group, Dispatcher &dispatcher) : BaseJob(dispatcher), m_group(std::move(group)) {}
    QString group() const override { return m_group; }
    FileTask setApp(const QString &, const AXAppPtr &) override { return FileTask::completed(); }
    FileTask query(const QString &) override { return FileTask::completed(); }

private:
    QString m_group;
};

// Creates `relative` (with its folders) under `root`; a trailing "/" makes a folder.
inline QString makePath(const QString &root, const QString &relative)
{
    const QString path = root + QLatin1Char('/') + relative;
    if (relative.endsWith(QLatin1Char('/'))) {
        QDir().mkpath(path);
        return QDir::cleanPath(path);
    }
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("x");
    return path;
}

// One entry of a recently-used list (XBEL) as desktop programs write it, used by `appName` run as `exec`.
inline QByteArray recentBookmark(const QString &href, const QString &appName, const QString &exec,
                                 const QString &modified = QStringLiteral("2024-01-01T00:00:00Z"))
{
    return QStringLiteral(R"(  <bookmark href="%1" added="2024-01-01T00:00:00Z" modified="2024-01-01T00:00:00Z">
    <info><metadata owner="http://freedesktop.org"><mime:mime-type type="text/plain"/>
      <bookmark:applications><bookmark:application name="%2" exec="%3" modified="%4" count="1"/></bookmark:applications>
    </metadata></info>
  </bookmark>
)")
        .arg(href, appName, exec, modified)
        .toUtf8();
}

// A recently-used list holding `bookmarks`.
inline QByteArray recentList(const QByteArray &bookmarks)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0" xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info">
)" + bookmarks + "</xbel>\n";
}

// What the provider shows now, one "group:title" per row in table order.
inline QStringList shown(FileDataProvider &provider)
{
    QStringList out;
    for (qsizetype i = 0; i < provider.numberOfRows(); ++i) {
        const auto row = std::static_pointer_cast<FileItemData>(provider.dataOnRow(i));
        out << row->group() + QLatin1Char(':') + row->title();
    }
    return out;
}

} // namespace tavolin::test
