#pragma once

#include "files/Workspace.h"

#include <QString>

#include <vector>

namespace tavolin::test {

// A Workspace that records what it was asked to open and answers as told. Main thread, like the real one.
class FakeWorkspace final : public Workspace
{
public:
    struct Request
    {
        QString path;
        OpenWith app;
    };

    FakeWorkspace() = default;
    FakeWorkspace(const FakeWorkspace &) = delete;
    FakeWorkspace &operator=(const FakeWorkspace &) = delete;

    bool openFile(const QString &path, const OpenWith &app) override
    {
        requests.push_back({path, app});
        return !failOpen;
    }

    // Knob: every request fails (the desktop had no application for the file).
    bool failOpen = false;
    std::vector<Request> requests;
};

} // namespace tavolin::test
